// Own
#include "platform/ui/window/OwnWindows_p.h"

// Project
#include "platform/log/Log.h"
#include "platform/ui/window/MessageLoop_p.h"
#include "platform/ui/window/WindowHost_p.h"

// Qt
#include <QApplication>
#include <QGuiApplication>

namespace DuiLib {
namespace {

bool IsXcb() {
  return QGuiApplication::platformName() == QLatin1String("xcb");
}

}  // namespace

COwnWindows& COwnWindows::Instance() {
  static COwnWindows* instance = new COwnWindows;  // outlives every window
  return *instance;
}

HWND COwnWindows::Add(CWindowHost* host, unsigned long nativeId) {
  std::lock_guard<std::mutex> lock(m_mutex);
  HWND hwnd = nullptr;
  if (nativeId != 0) {
    hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(nativeId));
  } else {
    hwnd = reinterpret_cast<HWND>(m_nextSynthetic++);
  }
  if (qGuiApp) m_dDevicePixelRatio = qGuiApp->devicePixelRatio();
  TEntry& entry = m_windows[hwnd];
  entry.host = host;
  entry.state.nativeId = nativeId;
  return hwnd;
}

void COwnWindows::Remove(HWND hwnd) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_windows.erase(hwnd);
    if (m_foreground == hwnd) m_foreground = nullptr;
    if (m_focus == hwnd) m_focus = nullptr;
  }
  // What waits for the window now never arrives; parcels free their payloads here.
  DropQueuedMessages(hwnd);
}

CWindowHost* COwnWindows::Host(HWND hwnd) const {
  if (!hwnd) return nullptr;
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_windows.find(hwnd);
  return it == m_windows.end() ? nullptr : it->second.host;
}

void COwnWindows::Publish(HWND hwnd, const TWindowState& state) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_windows.find(hwnd);
  if (it != m_windows.end()) it->second.state = state;
}

bool COwnWindows::Snapshot(HWND hwnd, TWindowState* state) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_windows.find(hwnd);
  if (it == m_windows.end()) return false;
  if (state) *state = it->second.state;
  return true;
}

std::vector<HWND> COwnWindows::OwnedBy(HWND owner) const {
  std::vector<HWND> result;
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const auto& [hwnd, entry] : m_windows)
    if (owner && entry.state.owner == owner) result.push_back(hwnd);
  return result;
}

std::vector<HWND> COwnWindows::ChildrenOf(HWND parent) const {
  std::vector<HWND> result;
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const auto& [hwnd, entry] : m_windows)
    if (parent && entry.state.parent == parent) result.push_back(hwnd);
  return result;
}

std::vector<HWND> COwnWindows::All() const {
  std::vector<HWND> result;
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const auto& [hwnd, entry] : m_windows) result.push_back(hwnd);
  return result;
}

void COwnWindows::SetForegroundAndFocus(HWND foreground, HWND focus) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_foreground = foreground;
  m_focus = focus;
}

bool COwnWindows::IsOwn(HWND hwnd) {
  return Snapshot(hwnd, nullptr);
}

LRESULT COwnWindows::Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return SendToWindow(hwnd, msg, wParam, lParam);
}

BOOL COwnWindows::Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!hwnd && msg == WM_QUIT) {
    QueueMessage(nullptr, msg, wParam, lParam);
    return TRUE;
  }
  if (!IsOwn(hwnd)) return FALSE;
  QueueMessage(hwnd, msg, wParam, lParam);
  return TRUE;
}

BOOL COwnWindows::PostParcel(HWND hwnd, std::unique_ptr<win32::PostedParcel> parcel) {
  if (!IsOwn(hwnd)) return FALSE;
  QueueParcel(hwnd, std::move(parcel));
  return TRUE;
}

void COwnWindows::PostQuit(int exitCode) {
  QueueMessage(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

UINT_PTR COwnWindows::SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs) {
  if (!IsOwn(hwnd)) return 0;
  return StartWindowTimer(hwnd, id, elapseMs);
}

BOOL COwnWindows::KillTimer(HWND hwnd, UINT_PTR id) {
  return StopWindowTimer(hwnd, id) ? TRUE : FALSE;
}

// Runs op(host) at once on the GUI thread; from another thread hands it to the GUI thread
// and reports success if the window exists now.
template <typename Op>
BOOL OnGuiThread(COwnWindows& windows, HWND hwnd, Op op) {
  if (!IsGuiThread()) {
    if (!windows.IsOwn(hwnd)) return FALSE;
    RunOnGuiThread([&windows, hwnd, op] {
      if (CWindowHost* host = windows.Host(hwnd)) op(host);
    });
    return TRUE;
  }
  CWindowHost* host = windows.Host(hwnd);
  return host ? op(host) : FALSE;
}

BOOL COwnWindows::Show(HWND hwnd, int cmd) {
  return OnGuiThread(*this, hwnd, [cmd](CWindowHost* host) { return host->ShowCommand(cmd); });
}

BOOL COwnWindows::Move(HWND hwnd, int x, int y, int width, int height, BOOL /*repaint*/) {
  return OnGuiThread(*this, hwnd, [=](CWindowHost* host) {
    host->MoveTo(x, y, width, height);
    return TRUE;
  });
}

BOOL COwnWindows::SetPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
  return OnGuiThread(*this, hwnd, [=](CWindowHost* host) {
    return host->SetWindowPosition(after, x, y, cx, cy, flags);
  });
}

BOOL COwnWindows::Activate(HWND hwnd) {
  return OnGuiThread(*this, hwnd, [](CWindowHost* host) {
    host->ActivateWindow();
    return TRUE;
  });
}

BOOL COwnWindows::Destroy(HWND hwnd) {
  return OnGuiThread(*this, hwnd, [](CWindowHost* host) {
    host->Destroy();
    return TRUE;
  });
}

// Returns whether the window was disabled before, as EnableWindow does.
BOOL COwnWindows::Enable(HWND hwnd, BOOL enable) {
  return OnGuiThread(*this, hwnd, [enable](CWindowHost* host) {
    const bool wasDisabled = !host->IsInputEnabled();
    host->SetEnabledState(enable != FALSE);
    return wasDisabled ? TRUE : FALSE;
  });
}

LONG_PTR COwnWindows::SetLong(HWND hwnd, int index, LONG_PTR value) {
  if (!IsGuiThread()) {
    const LONG_PTR old = GetLong(hwnd, index);
    RunOnGuiThread([=, this] {
      if (Host(hwnd)) SetLong(hwnd, index, value);
    });
    return old;
  }
  CWindowHost* host = Host(hwnd);
  if (!host) return 0;
  LONG_PTR old = 0;
  if (index == GWL_STYLE) {
    old = host->Style();
    host->SetStyle(value);
  } else if (index == GWL_EXSTYLE) {
    old = host->ExStyle();
    host->SetExStyle(value);
  } else {
    old = host->SetExtra(index, value);
  }
  return old;
}

BOOL COwnWindows::GetWindowRect(HWND hwnd, RECT* rect) {
  if (!rect) return FALSE;
  if (IsGuiThread()) {
    CWindowHost* host = Host(hwnd);
    if (!host) return FALSE;
    *rect = host->WindowRect();
    return TRUE;
  }
  TWindowState state;
  if (!Snapshot(hwnd, &state)) return FALSE;
  *rect = state.rcWindow;
  return TRUE;
}

BOOL COwnWindows::GetClientRect(HWND hwnd, RECT* rect) {
  if (!rect) return FALSE;
  if (IsGuiThread()) {
    CWindowHost* host = Host(hwnd);
    if (!host) return FALSE;
    *rect = host->ClientRect();
    return TRUE;
  }
  TWindowState state;
  if (!Snapshot(hwnd, &state)) return FALSE;
  *rect = state.rcClient;
  return TRUE;
}

BOOL COwnWindows::IsVisible(HWND hwnd) {
  TWindowState state;
  return Snapshot(hwnd, &state) && state.bVisible ? TRUE : FALSE;
}

BOOL COwnWindows::IsIconic(HWND hwnd) {
  TWindowState state;
  return Snapshot(hwnd, &state) && state.bIconic ? TRUE : FALSE;
}

BOOL COwnWindows::IsZoomed(HWND hwnd) {
  TWindowState state;
  return Snapshot(hwnd, &state) && state.bZoomed ? TRUE : FALSE;
}

std::string COwnWindows::ClassName(HWND hwnd) {
  TWindowState state;
  return Snapshot(hwnd, &state) ? state.className : std::string();
}

HWND COwnWindows::Parent(HWND hwnd) {
  TWindowState state;
  return Snapshot(hwnd, &state) ? state.parent : nullptr;
}

HWND COwnWindows::Owner(HWND hwnd) {
  TWindowState state;
  return Snapshot(hwnd, &state) ? state.owner : nullptr;
}

LONG_PTR COwnWindows::GetLong(HWND hwnd, int index) {
  if (IsGuiThread() && index != GWL_STYLE && index != GWL_EXSTYLE) {
    CWindowHost* host = Host(hwnd);
    return host ? host->GetExtra(index) : 0;
  }
  TWindowState state;
  if (!Snapshot(hwnd, &state)) return 0;
  if (index == GWL_STYLE) return state.style;
  if (index == GWL_EXSTYLE) return state.exStyle;
  return 0;
}

BOOL COwnWindows::IsEnabled(HWND hwnd) {
  TWindowState state;
  return Snapshot(hwnd, &state) && !(state.style & WS_DISABLED) ? TRUE : FALSE;
}

unsigned long COwnWindows::NativeId(HWND hwnd) {
  TWindowState state;
  return Snapshot(hwnd, &state) ? state.nativeId : 0;
}

HWND COwnWindows::FromNativeId(unsigned long xid) {
  if (xid == 0) return nullptr;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& [hwnd, entry] : m_windows)
      if (entry.state.nativeId == xid) return hwnd;
  }
  // A native child widget inside one of our windows (e.g. an editor made native).
  if (IsGuiThread() && IsXcb()) {
    if (QWidget* widget = QWidget::find(static_cast<WId>(xid))) {
      if (CWindowHost* host = HostOf(widget)) return host->Hwnd();
    }
  }
  return nullptr;
}

HWND COwnWindows::Foreground() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_foreground;
}

HWND COwnWindows::Focus() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_focus;
}

double COwnWindows::DevicePixelRatio() {
  // One ratio for all our windows: QT_SCALE_FACTOR applies to every screen alike, and the
  // highest screen ratio is what Qt itself gives windows that span screens.
  if (IsGuiThread() && qGuiApp) m_dDevicePixelRatio = qGuiApp->devicePixelRatio();
  return m_dDevicePixelRatio;
}

}  // namespace DuiLib
