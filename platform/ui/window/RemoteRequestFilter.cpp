// Own
#include "platform/ui/window/RemoteRequestFilter_p.h"

// Project
#include "platform/ui/window/MessageLoop_p.h"
#include "platform/ui/window/OwnWindows_p.h"
#include "platform/ui/window/WindowHost_p.h"
#include "platform/win32/RemoteWindow.h"
#include "platform/win32/TaskbarEntry.h"

// Qt
#include <QByteArray>

namespace DuiLib {
namespace {

using win32::RemoteCall;
using win32::TRemoteRequest;

LRESULT Carry(const TRemoteRequest& request) {
  COwnWindows& windows = COwnWindows::Instance();
  const HWND hwnd = request.hwnd;
  if (!windows.IsOwn(hwnd)) return 0;
  switch (request.call) {
    case RemoteCall::kSendMessage: {
      if (request.arg != WM_COPYDATA)
        return windows.Send(hwnd, request.arg, request.wParam, request.lParam);
      std::string bytes = request.strData;
      COPYDATASTRUCT copy{static_cast<ULONG_PTR>(request.lParam), static_cast<DWORD>(bytes.size()),
                          bytes.empty() ? nullptr : bytes.data()};
      return windows.Send(hwnd, WM_COPYDATA, request.wParam, reinterpret_cast<LPARAM>(&copy));
    }
    case RemoteCall::kPostMessage:
      return windows.Post(hwnd, request.arg, request.wParam, request.lParam);
    case RemoteCall::kShowWindow:
      return windows.Show(hwnd, static_cast<int>(request.arg));
    case RemoteCall::kGetWindowLong:
      return windows.GetLong(hwnd, static_cast<int>(request.arg));
    case RemoteCall::kSetWindowLong:
      return windows.SetLong(hwnd, static_cast<int>(request.arg), request.lParam);
    case RemoteCall::kIsIconic:
      return windows.IsIconic(hwnd);
    case RemoteCall::kActivate:
      return windows.Activate(hwnd);
  }
  return 0;
}

// Only while hidden: the window manager owns the state of a mapped window.
void KeepTaskbarState(unsigned long nativeId) {
  COwnWindows& windows = COwnWindows::Instance();
  CWindowHost* host = windows.Host(windows.FromNativeId(nativeId));
  if (host && !host->isVisible() && !host->IsDestroying()) host->ApplyTaskbarState();
}

}  // namespace

bool CRemoteRequestFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != QByteArrayLiteral("xcb_generic_event_t")) return false;
  if (const unsigned long changed = win32::StateChangedWindow(message)) {
    RunOnGuiThread([changed] { KeepTaskbarState(changed); });
    return false;  // Qt reads the state too
  }
  if (const unsigned long pressed = win32::PressedWindow(message)) {
    RunOnGuiThread([pressed] {
      COwnWindows& windows = COwnWindows::Instance();
      BringBlockingWindowForward(windows.FromNativeId(pressed));
    });
    return false;
  }
  TRemoteRequest request;
  if (!win32::DecodeRemoteRequest(message, &request)) return false;
  RunOnGuiThread([request] { win32::AnswerRemoteRequest(request, Carry(request)); });
  return true;
}

}  // namespace DuiLib
