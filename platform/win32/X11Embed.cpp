// Showing, hiding, re-parenting and moving foreign windows.
//
// Embedding. A managed window is withdrawn first (unmapped, plus the synthetic UnmapNotify
// ICCCM asks for), and re-parented only once the manager has given it back to the root:
// re-parenting it straight away is undone by the manager. It joins the save-set of Qt's
// connection (the owner of our container), so it survives if this process dies.
#include "platform/win32/X11Desktop.h"

#include "platform/log/Log.h"
#include "platform/win32/Window.h"

#include <chrono>
#include <cstring>
#include <thread>

#include <xcb/xcb.h>

namespace win32::x11 {
namespace {

constexpr int kWithdrawWaitMs = 1000;
constexpr std::uint32_t kIconicState = 3;
constexpr std::uint32_t kNetWmStateRemove = 0;
constexpr std::uint32_t kNetWmStateAdd = 1;

}  // namespace

bool CX11Desktop::showEmbedded(XId window, XId parent, int cmd) {
  xcb_connection_t* c = m_pConnection->Xcb();
  // Showing an embedded window again puts it on top of its siblings, as a child window
  // shown on Windows comes up above the hidden ones; the "no activate" forms leave the order.
  if (cmd != SW_HIDE && cmd != SW_MINIMIZE && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE) {
    const std::uint32_t above[] = {XCB_STACK_MODE_ABOVE};
    xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, above);
  }
  switch (cmd) {
    case SW_HIDE:
    case SW_MINIMIZE:
      return Checked(c, xcb_unmap_window_checked(c, window));
    case SW_SHOWMAXIMIZED: {
      // As a maximised child window: fill the parent's client area.
      RECT parentRect{};
      POINT screen{};
      if (!m_pConnection->Geometry(parent, parentRect, screen)) return false;
      const std::uint32_t values[] = {0, 0, std::uint32_t(parentRect.right - parentRect.left),
                                      std::uint32_t(parentRect.bottom - parentRect.top)};
      xcb_configure_window(c, window,
                           XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                               XCB_CONFIG_WINDOW_HEIGHT,
                           values);
      return Checked(c, xcb_map_window_checked(c, window));
    }
    default:
      return Checked(c, xcb_map_window_checked(c, window));
  }
}

bool CX11Desktop::showTopLevel(XId window, int cmd) {
  CX11Connection& x = *m_pConnection;
  xcb_connection_t* c = x.Xcb();
  const bool managed = x.HasWindowManager();
  const TAtoms& atoms = x.Atoms();
  switch (cmd) {
    case SW_HIDE:
      return withdraw(window);
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      if (!managed) return Checked(c, xcb_unmap_window_checked(c, window));
      x.SendRootMessage(window, atoms.wmChangeState, kIconicState);
      return true;
    case SW_SHOWMAXIMIZED: {
      if (!Checked(c, xcb_map_window_checked(c, window))) return false;
      if (managed) {
        x.SendRootMessage(window, atoms.netWmState, kNetWmStateAdd, atoms.netWmStateMaxVert,
                          atoms.netWmStateMaxHorz, 1);
        return true;
      }
      RECT rootRect{};
      POINT screen{};
      if (!x.Geometry(x.Root(), rootRect, screen)) return false;
      const std::uint32_t values[] = {0, 0, std::uint32_t(rootRect.right),
                                      std::uint32_t(rootRect.bottom)};
      xcb_configure_window(c, window,
                           XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                               XCB_CONFIG_WINDOW_HEIGHT,
                           values);
      return true;
    }
    case SW_RESTORE:
      if (managed)
        x.SendRootMessage(window, atoms.netWmState, kNetWmStateRemove, atoms.netWmStateMaxVert,
                          atoms.netWmStateMaxHorz, 1);
      return Checked(c, xcb_map_window_checked(c, window));
    default:
      return Checked(c, xcb_map_window_checked(c, window));
  }
}

bool CX11Desktop::Show(HWND hwnd, int cmd) {
  bool ok = false;
  {
    Lock lock(m_pConnection->mutex);
    const XId window = HandleToULong32(hwnd);
    if (!m_pConnection->IsAlive(window)) return false;
    const XId parent = embeddingParent(window);
    ok = parent ? showEmbedded(window, parent, cmd) : showTopLevel(window, cmd);
    m_pConnection->Sync();
  }
  m_watcher.Bump();
  return ok;
}

bool CX11Desktop::withdraw(XId window) {
  // ICCCM 4.1.4: unmap, then a synthetic UnmapNotify to the root for the manager.
  CX11Connection& x = *m_pConnection;
  xcb_connection_t* c = x.Xcb();
  if (!Checked(c, xcb_unmap_window_checked(c, window))) return false;
  xcb_unmap_notify_event_t event;
  std::memset(&event, 0, sizeof event);
  event.response_type = XCB_UNMAP_NOTIFY;
  event.event = x.Root();
  event.window = window;
  event.from_configure = 0;
  xcb_send_event(c, 0, x.Root(),
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
  x.Sync();
  return true;
}

bool CX11Desktop::waitForParent(XId window, XId parent) {
  for (int waited = 0; waited <= kWithdrawWaitMs; waited += 2) {
    XId current = 0;
    if (!m_pConnection->QueryTree(window, current, nullptr)) return false;
    if (current == parent) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

void CX11Desktop::setSaveSet(XId window, bool insert) {
  // The save-set belongs to the connection that created our container: Qt's.
  xcb_connection_t* qt = QtXcbConnection();
  if (!qt) return;
  xcb_change_save_set(qt, insert ? XCB_SET_MODE_INSERT : XCB_SET_MODE_DELETE, window);
  xcb_flush(qt);
}

bool CX11Desktop::Reparent(HWND hwnd, unsigned long parentId) {
  bool ok = false;
  {
    Lock lock(m_pConnection->mutex);
    CX11Connection& x = *m_pConnection;
    const XId window = HandleToULong32(hwnd);
    const XId target = parentId ? static_cast<XId>(parentId) : x.Root();
    const int mapState = x.MapState(window);
    XId current = 0;
    if (mapState < 0 || !x.QueryTree(window, current, nullptr) || !x.IsAlive(target)) return false;
    if (current == target) return true;
    const bool wasMapped = mapState != XCB_MAP_STATE_UNMAPPED;
    RECT local{};
    POINT screen{};
    x.Geometry(window, local, screen);
    if (current != x.Root() && !embeddingParent(window)) {
      // Managed: withdraw first, or the manager undoes the re-parenting.
      withdraw(window);
      if (!waitForParent(window, x.Root()))
        TC_LOG(TC_LOG_WARN,
               "window 0x" << std::hex << window << " was not released by the window manager");
    } else if (wasMapped) {
      xcb_unmap_window(x.Xcb(), window);
    }
    setSaveSet(window, parentId != 0);
    const auto at = parentId ? POINT{0, 0} : screen;
    ok = Checked(m_pConnection->Xcb(), xcb_reparent_window_checked(
                                           x.Xcb(), window, target, static_cast<std::int16_t>(at.x),
                                           static_cast<std::int16_t>(at.y)));
    if (ok && wasMapped)
      ok = Checked(m_pConnection->Xcb(), xcb_map_window_checked(x.Xcb(), window));
    x.Sync();
  }
  m_watcher.Bump();
  return ok;
}

bool CX11Desktop::Move(HWND hwnd, int x, int y, int width, int height) {
  Lock lock(m_pConnection->mutex);
  const std::uint32_t values[] = {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
                                  static_cast<std::uint32_t>(std::max(width, 1)),
                                  static_cast<std::uint32_t>(std::max(height, 1))};
  return Checked(m_pConnection->Xcb(), xcb_configure_window_checked(
                                           m_pConnection->Xcb(), HandleToULong32(hwnd),
                                           XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y |
                                               XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                                           values));
}

}  // namespace win32::x11
