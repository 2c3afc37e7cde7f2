#include "windows/StartupGates.h"

#include "app/WindowIds.h"
#include "platform/log/Log.h"
#include "windows/LoginFrameWnd.h"
#include "windows/SplashWndUI.h"
#include "windows/WindowKit.h"

using namespace DuiLib;

namespace {

constexpr UINT kProgramIcon = 107;

// Runs a heap window modally. A quit message (a signal, an accepted update) ends the loop
// with the window still there: it is destroyed then, which deletes it.
UINT RunGate(WindowImplBase& window) {
  const HWND hwnd = window.GetHWND();
  const UINT result = window.ShowModal();
  if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
  return result;
}

}  // namespace

int ShowSplash() {
  TC_TRACE("::ShowSplash()");
  auto* splash = new CSplashWndUI();
  if (!splash->Create(nullptr, kProductTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 0, 0)) {
    delete splash;
    return 1;
  }
  splash->CenterWindow();
  splash->SetIcon(kProgramIcon);
  return RunGate(*splash) == CSplashWndUI::kGoOn ? 0 : 1;
}

bool ShowLoginWindow() {
  TC_TRACE("::ShowLoginWindow()");
  auto* login = new CLoginFrameWnd();
  if (!login->Create(
          nullptr, kProductTitle,
          WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU, 0, 0,
          0, 0, 0)) {
    delete login;
    return false;
  }
  login->CenterWindow();
  login->SetIcon(kProgramIcon);
  return RunGate(*login) == kLoginSignedIn;
}
