// Window functions: each one goes to the own-window backend when the handle is one of our
// windows, and to the desktop backend otherwise. Without a backend a call fails cleanly
// (FALSE / null / 0) with the last error set.
#include "platform/win32/Window.h"

#include "platform/win32/DesktopBackend.h"
#include "platform/win32/KernelObject.h"
#include "platform/win32/RemoteWindow.h"
#include "platform/win32/Sync.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include <unistd.h>

namespace win32 {
namespace {

std::atomic<OwnWindowBackend*> s_ownBackend{nullptr};
std::atomic<DesktopBackend*> s_desktopBackend{nullptr};

// A WM_CHAR high surrogate waits here for its low half (per sending thread).
thread_local char16_t t_pendingHighSurrogate = 0;

OwnWindowBackend* ownFor(HWND hwnd) {
  OwnWindowBackend* own = s_ownBackend.load();
  return (own && hwnd && own->IsOwn(hwnd)) ? own : nullptr;
}

// Foreign windows are X windows, measured in device pixels; the callers' coordinates are
// logical points, like those of our own windows. A call converts where it reaches a foreign
// window, with the ratio of our windows (1 without a backend or scaling).
double deviceRatio() {
  OwnWindowBackend* own = s_ownBackend.load();
  const double ratio = own ? own->DevicePixelRatio() : 1.0;
  return ratio > 0 ? ratio : 1.0;
}
int toDevice(int value, double ratio) {
  return static_cast<int>(std::lround(value * ratio));
}
int toLogical(int value, double ratio) {
  return static_cast<int>(std::lround(value / ratio));
}
// Origin and size are converted apiece, so a width survives the round trip unchanged.
RECT toLogical(const RECT& rect, double ratio) {
  const LONG left = toLogical(rect.left, ratio);
  const LONG top = toLogical(rect.top, ratio);
  return RECT{left, top, left + toLogical(rect.right - rect.left, ratio),
              top + toLogical(rect.bottom - rect.top, ratio)};
}

// A foreign window's client area on the screen, in logical points.
bool foreignRect(DesktopBackend* backend, HWND hwnd, RECT& rect) {
  RECT device{};
  if (!backend->GetRect(hwnd, &device)) return false;
  rect = toLogical(device, deviceRatio());
  return true;
}

bool moveForeign(DesktopBackend* backend, HWND hwnd, int x, int y, int width, int height) {
  const double ratio = deviceRatio();
  return backend->Move(hwnd, toDevice(x, ratio), toDevice(y, ratio), toDevice(width, ratio),
                       toDevice(height, ratio));
}

DesktopBackend* desktop() {
  DesktopBackend* backend = s_desktopBackend.load();
  return backend ? backend : X11Desktop();
}

// A window of this program in another process takes the call there (RemoteWindow.h); true
// when hwnd is one, whatever the outcome. Only on the X11 desktop: a test's in-memory desktop
// has no such windows.
bool remoteCall(HWND hwnd, RemoteCall call, UINT arg, WPARAM wParam, LPARAM lParam, LRESULT* result,
                const void* data = nullptr, DWORD size = 0) {
  if (!hwnd || s_desktopBackend.load() || !IsRemoteOwnWindow(hwnd)) return false;
  CallRemoteWindow(hwnd, call, arg, wParam, lParam, result, data, size);
  return true;
}

// The desktop backend for a foreign handle, or null (last error set).
DesktopBackend* desktopFor(HWND hwnd) {
  DesktopBackend* backend = hwnd ? desktop() : nullptr;
  if (!backend) SetLastError(ERROR_INVALID_HANDLE);
  return backend;
}

// The handle for an X11 parent id: one of our windows when it is ours.
HWND parentHandle(unsigned long parentId) {
  if (parentId == 0) return nullptr;
  if (OwnWindowBackend* own = s_ownBackend.load()) {
    if (HWND ours = own->FromNativeId(parentId)) return ours;
  }
  return ULong32ToHandle(static_cast<DWORD>(parentId));
}

// The X11 id a foreign window is re-parented into: ours by its native id, 0 for the desktop.
bool nativeParentId(HWND newParent, unsigned long& parentId) {
  parentId = 0;
  if (!newParent) return true;
  if (OwnWindowBackend* own = ownFor(newParent)) {
    parentId = own->NativeId(newParent);
    return parentId != 0;
  }
  parentId = HandleToULong32(newParent);
  return true;
}

// Client origin of a window in screen coordinates.
bool clientOrigin(HWND hwnd, POINT& origin) {
  RECT rect{};
  if (OwnWindowBackend* own = ownFor(hwnd)) {
    if (!own->GetWindowRect(hwnd, &rect)) return false;
  } else if (DesktopBackend* backend = desktopFor(hwnd)) {
    if (!foreignRect(backend, hwnd, rect)) return false;
  } else {
    return false;
  }
  origin = POINT{rect.left, rect.top};
  return true;
}

// One UTF-16 unit of WM_CHAR: surrogate halves are joined before typing.
LRESULT typeUnit(DesktopBackend* backend, HWND hwnd, WPARAM unit) {
  const auto codeUnit = static_cast<char16_t>(unit);
  if (codeUnit >= 0xD800 && codeUnit <= 0xDBFF) {
    t_pendingHighSurrogate = codeUnit;
    return 0;
  }
  char32_t character = codeUnit;
  if (codeUnit >= 0xDC00 && codeUnit <= 0xDFFF) {
    if (!t_pendingHighSurrogate) return 0;  // a lone low half types nothing
    character = 0x10000 + ((char32_t(t_pendingHighSurrogate) - 0xD800) << 10) + (codeUnit - 0xDC00);
  }
  t_pendingHighSurrogate = 0;
  return backend->TypeCharacter(hwnd, character) ? 0 : 1;
}

LRESULT sendToForeign(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DesktopBackend* backend = desktopFor(hwnd);
  if (!backend) return 0;
  const double ratio = deviceRatio();
  const int x = toDevice(GET_X_LPARAM(lParam), ratio);
  const int y = toDevice(GET_Y_LPARAM(lParam), ratio);
  switch (msg) {
    case WM_LBUTTONDOWN:
      return backend->Click(hwnd, x, y, true) ? 0 : 1;
    case WM_LBUTTONUP:
      return backend->Click(hwnd, x, y, false) ? 0 : 1;
    case WM_CHAR:
      return typeUnit(backend, hwnd, wParam);
    case WM_CLOSE:
      return backend->Close(hwnd) ? 0 : 1;
    default:
      return 0;
  }
}

}  // namespace

void SetOwnWindowBackend(OwnWindowBackend* backend) {
  s_ownBackend.store(backend);
}
OwnWindowBackend* GetOwnWindowBackend() {
  return s_ownBackend.load();
}
void SetDesktopBackend(DesktopBackend* backend) {
  s_desktopBackend.store(backend);
}
DesktopBackend* GetDesktopBackend() {
  return desktop();
}

DWORD WaitForStopOrDesktopChange(HANDLE stopEvent, DWORD milliseconds) {
  // The stop event is looked at every slice; a desktop change ends the wait at once.
  constexpr DWORD kSliceMs = 50;
  DesktopBackend* backend = desktop();
  const std::uint64_t seen = backend ? backend->ChangeCount() : 0;
  const DWORD start = GetTickCount();
  for (;;) {
    if (WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0) return WAIT_OBJECT_0;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) return WAIT_TIMEOUT;
    const DWORD slice = std::min(kSliceMs, milliseconds - elapsed);
    if (!backend) {
      if (WaitForSingleObject(stopEvent, slice) == WAIT_OBJECT_0) return WAIT_OBJECT_0;
    } else if (backend->WaitForChange(seen, slice)) {
      return WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0 ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }
  }
}

}  // namespace win32

using win32::desktopFor;
using win32::ownFor;

BOOL EnumWindows(WNDENUMPROC callback, LPARAM lParam) {
  if (!callback) return FALSE;
  win32::DesktopBackend* backend = win32::desktop();
  if (!backend) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  for (HWND hwnd : backend->TopLevelWindows()) {
    if (!callback(hwnd, lParam)) return FALSE;
  }
  return TRUE;
}

int GetClassNameA(HWND hwnd, LPSTR className, int maxCount) {
  if (!className || maxCount <= 0) return 0;
  std::string name;
  if (auto* own = ownFor(hwnd))
    name = own->ClassName(hwnd);
  else if (auto* backend = desktopFor(hwnd))
    name = backend->ClassName(hwnd);
  const int count = std::min(static_cast<int>(name.size()), maxCount - 1);
  std::memcpy(className, name.data(), count);
  className[count] = '\0';
  if (count == 0) SetLastError(ERROR_INVALID_HANDLE);
  return count;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  DWORD pid = 0;
  if (ownFor(hwnd))
    pid = static_cast<DWORD>(getpid());
  else if (auto* backend = desktopFor(hwnd))
    pid = backend->ProcessId(hwnd);
  if (processId) *processId = pid;
  return pid;  // the thread id stands for the process
}

BOOL IsWindow(HWND hwnd) {
  if (ownFor(hwnd)) return TRUE;
  auto* backend = desktopFor(hwnd);
  return backend && backend->Exists(hwnd);
}

BOOL IsWindowVisible(HWND hwnd) {
  if (auto* own = ownFor(hwnd)) return own->IsVisible(hwnd);
  auto* backend = desktopFor(hwnd);
  return backend && backend->IsVisible(hwnd);
}

BOOL IsIconic(HWND hwnd) {
  if (auto* own = ownFor(hwnd)) return own->IsIconic(hwnd);
  if (LRESULT result = 0; win32::remoteCall(hwnd, win32::RemoteCall::kIsIconic, 0, 0, 0, &result))
    return result != 0;
  auto* backend = desktopFor(hwnd);
  return backend && backend->IsIconic(hwnd);
}

BOOL IsZoomed(HWND hwnd) {
  if (auto* own = ownFor(hwnd)) return own->IsZoomed(hwnd);
  return FALSE;
}

namespace {

// The native children of a window (ours or foreign), topmost first, as handles: our own
// windows by their handle, foreign ones by their X11 id.
std::vector<HWND> childrenOf(HWND parent) {
  win32::DesktopBackend* backend = desktopFor(parent);
  if (!backend) return {};
  unsigned long parentId = HandleToULong32(parent);
  if (win32::OwnWindowBackend* own = ownFor(parent)) parentId = own->NativeId(parent);
  std::vector<HWND> children = parentId ? backend->Children(parentId) : std::vector<HWND>();
  for (HWND& child : children) child = win32::parentHandle(HandleToULong32(child));
  return children;
}

// GW_HWNDNEXT / GW_HWNDPREV: the sibling below or above among the parent's children.
HWND sibling(HWND hwnd, bool next) {
  const HWND parent = GetParent(hwnd);
  if (!parent) return nullptr;
  const std::vector<HWND> siblings = childrenOf(parent);
  auto it = std::find(siblings.begin(), siblings.end(), hwnd);
  if (it == siblings.end()) return nullptr;
  if (next) return std::next(it) == siblings.end() ? nullptr : *std::next(it);
  return it == siblings.begin() ? nullptr : *std::prev(it);
}

}  // namespace

HWND GetWindow(HWND hwnd, UINT cmd) {
  switch (cmd) {
    case GW_OWNER: {
      if (auto* own = ownFor(hwnd)) return own->Owner(hwnd);
      auto* backend = desktopFor(hwnd);
      return backend ? backend->Owner(hwnd) : nullptr;
    }
    case GW_CHILD: {
      const std::vector<HWND> children = childrenOf(hwnd);
      return children.empty() ? nullptr : children.front();
    }
    case GW_HWNDNEXT:
      return sibling(hwnd, true);
    case GW_HWNDPREV:
      return sibling(hwnd, false);
    default:
      return nullptr;
  }
}

HWND GetParent(HWND hwnd) {
  if (auto* own = ownFor(hwnd)) return own->Parent(hwnd);
  auto* backend = desktopFor(hwnd);
  return backend ? win32::parentHandle(backend->ParentId(hwnd)) : nullptr;
}

HWND SetParent(HWND child, HWND newParent) {
  auto* backend = ownFor(child) ? nullptr : desktopFor(child);
  unsigned long parentId = 0;
  if (!backend || !win32::nativeParentId(newParent, parentId)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!backend->Exists(child)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HWND previous = win32::parentHandle(backend->ParentId(child));
  if (!previous) previous = ULong32ToHandle(static_cast<DWORD>(backend->RootId()));
  if (!backend->Reparent(child, parentId)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return previous;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  if (!rect) return FALSE;
  if (auto* own = ownFor(hwnd)) return own->GetWindowRect(hwnd, rect);
  auto* backend = desktopFor(hwnd);
  return backend && win32::foreignRect(backend, hwnd, *rect);
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  if (!rect) return FALSE;
  if (auto* own = ownFor(hwnd)) return own->GetClientRect(hwnd, rect);
  auto* backend = desktopFor(hwnd);
  RECT screen{};
  if (!backend || !win32::foreignRect(backend, hwnd, screen)) return FALSE;
  *rect = RECT{0, 0, screen.right - screen.left, screen.bottom - screen.top};
  return TRUE;
}

BOOL ShowWindow(HWND hwnd, int cmd) {
  if (auto* own = ownFor(hwnd)) return own->Show(hwnd, cmd);
  if (LRESULT result = 0; win32::remoteCall(hwnd, win32::RemoteCall::kShowWindow,
                                            static_cast<UINT>(cmd), 0, 0, &result))
    return result != 0;
  auto* backend = desktopFor(hwnd);
  if (!backend) return FALSE;
  const BOOL wasVisible = backend->IsVisible(hwnd);
  backend->Show(hwnd, cmd);
  return wasVisible;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  if (auto* own = ownFor(hwnd)) return own->Move(hwnd, x, y, width, height, repaint);
  auto* backend = desktopFor(hwnd);
  return backend && win32::moveForeign(backend, hwnd, x, y, width, height);
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (auto* own = ownFor(hwnd)) return own->SetPos(hwnd, insertAfter, x, y, cx, cy, flags);
  auto* backend = desktopFor(hwnd);
  RECT current{};  // device pixels: what is kept stays exactly as it is
  if (!backend || !backend->GetLocalRect(hwnd, &current)) return FALSE;
  const double ratio = win32::deviceRatio();
  x = (flags & SWP_NOMOVE) ? current.left : win32::toDevice(x, ratio);
  y = (flags & SWP_NOMOVE) ? current.top : win32::toDevice(y, ratio);
  cx = (flags & SWP_NOSIZE) ? current.right - current.left : win32::toDevice(cx, ratio);
  cy = (flags & SWP_NOSIZE) ? current.bottom - current.top : win32::toDevice(cy, ratio);
  bool ok = true;
  if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
    ok = backend->Move(hwnd, x, y, cx, cy);
  if (flags & SWP_SHOWWINDOW) ok = backend->Show(hwnd, SW_SHOWNA) && ok;
  if (flags & SWP_HIDEWINDOW) ok = backend->Show(hwnd, SW_HIDE) && ok;
  return ok;
}

namespace {
BOOL activate(HWND hwnd) {
  if (auto* own = ownFor(hwnd)) return own->Activate(hwnd);
  if (LRESULT result = 0; win32::remoteCall(hwnd, win32::RemoteCall::kActivate, 0, 0, 0, &result))
    return result != 0;
  auto* backend = desktopFor(hwnd);
  return backend && backend->Activate(hwnd);
}
}  // namespace

BOOL BringWindowToTop(HWND hwnd) {
  return activate(hwnd);
}
BOOL SetForegroundWindow(HWND hwnd) {
  return activate(hwnd);
}
void SwitchToThisWindow(HWND hwnd, BOOL) {
  activate(hwnd);
}

HWND SetActiveWindow(HWND hwnd) {
  HWND previous = GetForegroundWindow();
  return activate(hwnd) ? previous : nullptr;
}

HWND GetForegroundWindow() {
  auto* own = win32::GetOwnWindowBackend();
  return own ? own->Foreground() : nullptr;
}

HWND SetFocus(HWND hwnd) {
  HWND previous = GetFocus();
  return activate(hwnd) ? previous : nullptr;
}

HWND GetFocus() {
  auto* own = win32::GetOwnWindowBackend();
  return own ? own->Focus() : nullptr;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  if (auto* own = ownFor(hwnd)) return own->Enable(hwnd, enable);
  return FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  if (auto* own = ownFor(hwnd)) return own->IsEnabled(hwnd);
  return IsWindow(hwnd);
}

BOOL DestroyWindow(HWND hwnd) {
  if (auto* own = ownFor(hwnd)) return own->Destroy(hwnd);
  SetLastError(ERROR_ACCESS_DENIED);  // as on Windows: another process' window
  return FALSE;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  if (auto* own = ownFor(hwnd)) return own->GetLong(hwnd, index);
  if (LRESULT result = 0; win32::remoteCall(hwnd, win32::RemoteCall::kGetWindowLong,
                                            static_cast<UINT>(index), 0, 0, &result))
    return result;
  auto* backend = desktopFor(hwnd);
  if (!backend || index != GWL_STYLE || !backend->Exists(hwnd)) return 0;
  LONG_PTR style = backend->ParentId(hwnd) ? WS_CHILD : WS_OVERLAPPEDWINDOW;
  if (backend->IsVisible(hwnd)) style |= WS_VISIBLE;
  return style;
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  if (auto* own = ownFor(hwnd)) return own->SetLong(hwnd, index, value);
  if (LRESULT result = 0; win32::remoteCall(hwnd, win32::RemoteCall::kSetWindowLong,
                                            static_cast<UINT>(index), 0, value, &result))
    return result;
  SetLastError(ERROR_ACCESS_DENIED);
  return 0;
}

LONG GetWindowLongA(HWND hwnd, int index) {
  return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}
LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
  POINT origin{};
  if (!point || !win32::clientOrigin(hwnd, origin)) return FALSE;
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
  POINT origin{};
  if (!point || !win32::clientOrigin(hwnd, origin)) return FALSE;
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (auto* own = ownFor(hwnd)) return own->Send(hwnd, msg, wParam, lParam);
  if (msg == WM_COPYDATA) {
    // The bytes travel; the record's pointer means nothing over there.
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (LRESULT result = 0;
        copy && win32::remoteCall(hwnd, win32::RemoteCall::kSendMessage, msg, wParam,
                                  static_cast<LPARAM>(copy->dwData), &result, copy->lpData,
                                  copy->lpData ? copy->cbData : 0))
      return result;
  } else if (LRESULT result = 0; win32::remoteCall(hwnd, win32::RemoteCall::kSendMessage, msg,
                                                   wParam, lParam, &result)) {
    return result;
  }
  return win32::sendToForeign(hwnd, msg, wParam, lParam);
}

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(hwnd, msg, wParam, lParam);
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (auto* own = ownFor(hwnd)) return own->Post(hwnd, msg, wParam, lParam);
  // Posted parameters cross as integers only: WM_COPYDATA cannot be posted, as on Windows.
  if (msg != WM_COPYDATA &&
      win32::remoteCall(hwnd, win32::RemoteCall::kPostMessage, msg, wParam, lParam, nullptr))
    return TRUE;
  auto* backend = desktopFor(hwnd);
  if (backend && msg == WM_CLOSE) return backend->Close(hwnd);
  SetLastError(ERROR_INVALID_HANDLE);  // nothing else can be queued to another process
  return FALSE;
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return PostMessageA(hwnd, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  if (auto* own = win32::GetOwnWindowBackend()) own->PostQuit(exitCode);
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC) {
  auto* own = win32::GetOwnWindowBackend();
  if (!own || (hwnd && !own->IsOwn(hwnd))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return own->SetTimer(hwnd, id, elapseMs);
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto* own = win32::GetOwnWindowBackend();
  return own ? own->KillTimer(hwnd, id) : FALSE;
}

UINT RegisterWindowMessageA(LPCSTR name) {
  // Registered messages are numbered 0xC000 to 0xFFFF from a hash of the name, so that every
  // process of ours gives a name the same number (a second start or a test posts the tray
  // message to the first instance's frame). Two names of one process that hash alike take
  // the next free numbers; such a name may then differ between processes.
  static std::mutex mutex;
  static std::map<std::string, UINT> registered;
  static std::map<UINT, std::string> taken;
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> lock(mutex);
  if (auto it = registered.find(name); it != registered.end()) return it->second;
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (const char* c = name; *c; ++c) hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
  UINT number = 0xC000u + hash % 0x4000u;
  while (taken.count(number)) number = 0xC000u + (number + 1 - 0xC000u) % 0x4000u;
  taken[number] = name;
  registered[name] = number;
  return number;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  win32::DesktopBackend* backend = win32::desktop();
  if (!backend) return nullptr;
  for (HWND hwnd : backend->TopLevelWindows()) {
    HWND handle = win32::parentHandle(HandleToULong32(hwnd));
    if (className) {
      const std::string cls = win32::ownFor(handle) ? win32::ownFor(handle)->ClassName(handle)
                                                    : backend->ClassName(hwnd);
      if (cls != className) continue;
    }
    if (windowName && backend->Title(hwnd) != windowName) continue;
    return handle;
  }
  return nullptr;
}
