// The X11 desktop: foreign windows are X11 client windows.
//
// Model. A top-level window is a client window: under a window manager (one that names a
// live _NET_SUPPORTING_WM_CHECK window) the entries of _NET_CLIENT_LIST_STACKING, else the
// root's children and, for those that carry no WM_CLASS, their children (frames of a
// manager that announces nothing). An enumeration reads every window's class, pid, owner
// and map state in one batch of requests and keeps them for the calling thread, so that the
// per-window questions of an EnumWindows callback cost no round trip; the facts are dropped
// at the next change of the desktop or after a short while.
//
// Showing, hiding and embedding are in X11Embed.cpp.
#include "platform/win32/X11Desktop.h"

#include "platform/log/Log.h"
#include "platform/win32/Window.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <X11/Xlib.h>
#include <X11/Xlib-xcb.h>
#include <xcb/xcb.h>

namespace win32::x11 {
namespace {

constexpr auto kFactsLifetime = std::chrono::milliseconds(250);
constexpr auto kSnapshotLifetime = std::chrono::milliseconds(100);
constexpr int kActivateWaitMs = 300;
constexpr std::uint32_t kSourcePager = 2;

// The facts of the calling thread's latest enumeration.
thread_local TDesktopReading t_facts;

}  // namespace

const TWindowFacts* CX11Desktop::cachedFacts(XId window) {
  if (std::chrono::steady_clock::now() - t_facts.tpTaken > kFactsLifetime) return nullptr;
  if (t_facts.nChangeCount != m_watcher.Count()) return nullptr;
  auto it = t_facts.mapFacts.find(window);
  return it == t_facts.mapFacts.end() ? nullptr : &it->second;
}

std::vector<XId> CX11Desktop::clientWindows(std::map<XId, TWindowFacts>& facts) {
  CX11Connection& x = *m_pConnection;
  facts.clear();
  // A manager that keeps no client list (weston's X window manager under XWayland announces
  // itself but has neither list) leaves the tree walk below, which finds its frames' clients.
  if (x.HasWindowManager()) {
    std::vector<XId> stacking = x.ReadWindowList(x.Root(), x.Atoms().netClientListStacking);
    if (stacking.empty()) stacking = x.ReadWindowList(x.Root(), x.Atoms().netClientList);
    if (!stacking.empty()) return std::vector<XId>(stacking.rbegin(), stacking.rend());
  }
  XId parent = 0;
  std::vector<XId> children;
  if (!x.QueryTree(x.Root(), parent, &children)) return {};
  // Children without WM_CLASS may be frames: look one level below them (batched).
  facts = readFacts(children);
  std::vector<XId> frames;
  for (XId child : children) {
    if (facts[child].strClass.empty()) frames.push_back(child);
  }
  std::vector<xcb_query_tree_cookie_t> cookies;
  for (XId frame : frames) cookies.push_back(xcb_query_tree(x.Xcb(), frame));
  std::map<XId, std::vector<XId>> inner;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    Reply<xcb_query_tree_reply_t> reply(xcb_query_tree_reply(x.Xcb(), cookies[i], nullptr));
    if (!reply) continue;
    const XId* ids = xcb_query_tree_children(reply.get());
    inner[frames[i]].assign(ids, ids + xcb_query_tree_children_length(reply.get()));
  }
  std::vector<XId> clients;
  std::vector<XId> grandChildren;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (!facts[*it].strClass.empty()) clients.push_back(*it);
    for (XId grandChild : inner[*it]) {
      clients.push_back(grandChild);
      grandChildren.push_back(grandChild);
    }
  }
  facts.merge(readFacts(grandChildren));
  return clients;
}

std::map<XId, TWindowFacts> CX11Desktop::readFacts(const std::vector<XId>& windows) {
  CX11Connection& x = *m_pConnection;
  xcb_connection_t* c = x.Xcb();
  struct TCookies {
    xcb_get_property_cookie_t cls, pid, owner;
    xcb_get_window_attributes_cookie_t attributes;
  };
  std::vector<TCookies> cookies;
  cookies.reserve(windows.size());
  for (XId w : windows) {
    cookies.push_back({xcb_get_property(c, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256),
                       xcb_get_property(c, 0, w, x.Atoms().netWmPid, XCB_ATOM_CARDINAL, 0, 1),
                       xcb_get_property(c, 0, w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 0, 1),
                       xcb_get_window_attributes(c, w)});
  }
  std::map<XId, TWindowFacts> facts;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    TWindowFacts& f = facts[windows[i]];
    Reply<xcb_get_property_reply_t> cls(xcb_get_property_reply(c, cookies[i].cls, nullptr));
    Reply<xcb_get_property_reply_t> pid(xcb_get_property_reply(c, cookies[i].pid, nullptr));
    Reply<xcb_get_property_reply_t> owner(xcb_get_property_reply(c, cookies[i].owner, nullptr));
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, cookies[i].attributes, nullptr));
    if (cls && xcb_get_property_value_length(cls.get()) > 0) {
      const std::string both(static_cast<const char*>(xcb_get_property_value(cls.get())),
                             static_cast<std::size_t>(xcb_get_property_value_length(cls.get())));
      const std::size_t split = both.find('\0');
      if (split != std::string::npos)
        f.strClass = both.substr(split + 1, both.find('\0', split + 1) - split - 1);
    }
    if (pid && pid->format == 32 && xcb_get_property_value_length(pid.get()) >= 4)
      f.dwPid = *static_cast<const std::uint32_t*>(xcb_get_property_value(pid.get()));
    if (owner && owner->format == 32 && xcb_get_property_value_length(owner.get()) >= 4)
      f.nOwner = *static_cast<const XId*>(xcb_get_property_value(owner.get()));
    f.bViewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
  }
  return facts;
}

std::vector<HWND> CX11Desktop::TopLevelWindows() {
  const std::uint64_t changes = m_watcher.Count();
  const auto now = std::chrono::steady_clock::now();
  Lock lock(m_pConnection->mutex);
  // Several copies poll at once: a reading of the desktop that no change has made stale
  // since serves them all.
  if (m_snapshot.nChangeCount != changes || now - m_snapshot.tpTaken > kSnapshotLifetime) {
    m_snapshot.mapFacts.clear();
    m_vecSnapshotClients = clientWindows(m_snapshot.mapFacts);
    if (m_snapshot.mapFacts.empty()) m_snapshot.mapFacts = readFacts(m_vecSnapshotClients);
    m_snapshot.tpTaken = now;
    m_snapshot.nChangeCount = changes;
  }
  t_facts = m_snapshot;
  std::vector<HWND> windows;
  for (XId client : m_vecSnapshotClients) windows.push_back(ULong32ToHandle(client));
  return windows;
}

bool CX11Desktop::Exists(HWND hwnd) {
  if (cachedFacts(HandleToULong32(hwnd))) return true;
  Lock lock(m_pConnection->mutex);
  return m_pConnection->IsAlive(HandleToULong32(hwnd));
}

std::string CX11Desktop::ClassName(HWND hwnd) {
  if (const TWindowFacts* facts = cachedFacts(HandleToULong32(hwnd))) return facts->strClass;
  Lock lock(m_pConnection->mutex);
  return m_pConnection->ReadClass(HandleToULong32(hwnd));
}

DWORD CX11Desktop::ProcessId(HWND hwnd) {
  if (const TWindowFacts* facts = cachedFacts(HandleToULong32(hwnd))) return facts->dwPid;
  Lock lock(m_pConnection->mutex);
  return readFacts({HandleToULong32(hwnd)})[HandleToULong32(hwnd)].dwPid;
}

bool CX11Desktop::IsVisible(HWND hwnd) {
  if (const TWindowFacts* facts = cachedFacts(HandleToULong32(hwnd))) return facts->bViewable;
  Lock lock(m_pConnection->mutex);
  return m_pConnection->MapState(HandleToULong32(hwnd)) == XCB_MAP_STATE_VIEWABLE;
}

HWND CX11Desktop::Owner(HWND hwnd) {
  if (const TWindowFacts* facts = cachedFacts(HandleToULong32(hwnd)))
    return ULong32ToHandle(facts->nOwner);
  Lock lock(m_pConnection->mutex);
  return ULong32ToHandle(
      m_pConnection->ReadWindowProperty(HandleToULong32(hwnd), XCB_ATOM_WM_TRANSIENT_FOR));
}

XId CX11Desktop::embeddingParent(XId window) {
  CX11Connection& x = *m_pConnection;
  XId parent = 0;
  if (!x.QueryTree(window, parent, nullptr) || parent == x.Root() || parent == 0) return 0;
  // A window manager's frame is a child of the root and carries no WM_CLASS.
  XId grandParent = 0;
  if (x.QueryTree(parent, grandParent, nullptr) && grandParent == x.Root() &&
      x.ReadClass(parent).empty())
    return 0;
  return parent;
}

unsigned long CX11Desktop::ParentId(HWND hwnd) {
  Lock lock(m_pConnection->mutex);
  return embeddingParent(HandleToULong32(hwnd));
}

bool CX11Desktop::GetRect(HWND hwnd, RECT* rect) {
  Lock lock(m_pConnection->mutex);
  RECT local{};
  POINT screen{};
  if (!rect || !m_pConnection->Geometry(HandleToULong32(hwnd), local, screen)) return false;
  *rect = RECT{screen.x, screen.y, screen.x + (local.right - local.left),
               screen.y + (local.bottom - local.top)};
  return true;
}

bool CX11Desktop::GetLocalRect(HWND hwnd, RECT* rect) {
  Lock lock(m_pConnection->mutex);
  if (!rect) return false;
  if (!embeddingParent(HandleToULong32(hwnd))) return GetRect(hwnd, rect);
  RECT local{};
  POINT screen{};
  if (!m_pConnection->Geometry(HandleToULong32(hwnd), local, screen)) return false;
  *rect = local;
  return true;
}

XId CX11Desktop::ownTopLevelAncestor(XId window) {
  // The highest ancestor that is a client window (has WM_CLASS) below the root or a frame.
  CX11Connection& x = *m_pConnection;
  XId topClient = 0;
  for (XId current = window; current && current != x.Root();) {
    XId parent = 0;
    if (!x.QueryTree(current, parent, nullptr)) break;
    if (current != window && !x.ReadClass(current).empty()) topClient = current;
    current = parent;
  }
  return topClient;
}

void CX11Desktop::waitForActiveWindow(XId window) {
  CX11Connection& x = *m_pConnection;
  for (int waited = 0; waited < kActivateWaitMs; waited += 2) {
    if (x.ReadWindowProperty(x.Root(), x.Atoms().netActiveWindow) == window) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  TC_LOG(TC_LOG_DEBUG, "the window manager did not activate 0x" << std::hex << window);
}

bool CX11Desktop::Activate(HWND hwnd) {
  Lock lock(m_pConnection->mutex);
  CX11Connection& x = *m_pConnection;
  const XId window = HandleToULong32(hwnd);
  if (!x.IsAlive(window)) return false;
  const XId embedder = embeddingParent(window) ? ownTopLevelAncestor(window) : 0;
  const XId topLevel = embedder ? embedder : window;
  // _NET_ACTIVE_WINDOW does nothing for an embedded window: activate our top-level one,
  // wait until the manager has done so (else its late focus change undoes ours), then
  // focus the embedded window directly.
  if (x.HasWindowManager()) {
    if (x.ReadWindowProperty(x.Root(), x.Atoms().netActiveWindow) != topLevel) {
      x.SendRootMessage(topLevel, x.Atoms().netActiveWindow, kSourcePager, XCB_CURRENT_TIME);
      waitForActiveWindow(topLevel);
    }
  } else {
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(x.Xcb(), topLevel, XCB_CONFIG_WINDOW_STACK_MODE, &above);
  }
  x.Sync();
  m_input.FocusOn(window);
  return true;
}

bool CX11Desktop::Close(HWND hwnd) {
  Lock lock(m_pConnection->mutex);
  CX11Connection& x = *m_pConnection;
  const XId window = HandleToULong32(hwnd);
  if (!x.IsAlive(window)) return false;
  const bool ok = x.SendProtocolMessage(window, x.Atoms().wmDeleteWindow, XCB_CURRENT_TIME);
  x.Sync();
  return ok;
}

bool CX11Desktop::rootPoint(XId window, int x, int y, int& rootX, int& rootY) {
  RECT local{};
  POINT screen{};
  if (!m_pConnection->Geometry(window, local, screen)) return false;
  rootX = screen.x + x;
  rootY = screen.y + y;
  return true;
}

bool CX11Desktop::Click(HWND hwnd, int x, int y, bool down) {
  Lock lock(m_pConnection->mutex);
  int rootX = 0;
  int rootY = 0;
  if (!rootPoint(HandleToULong32(hwnd), x, y, rootX, rootY)) return false;
  if (!m_input.ClickAt(rootX, rootY, down)) return false;
  if (!down) m_input.EnsureFocus();  // a window manager may have moved it on the click
  return true;
}

bool CX11Desktop::TypeCharacter(HWND, char32_t character) {
  Lock lock(m_pConnection->mutex);
  m_input.EnsureFocus();
  return m_input.TypeCharacter(character);
}

bool CX11Desktop::FinishTyping() {
  Lock lock(m_pConnection->mutex);
  return m_input.FinishTyping();
}

bool CX11Desktop::Key(BYTE vk, bool up) {
  Lock lock(m_pConnection->mutex);
  return m_input.Key(vk, up);
}

int CX11Desktop::KeyDown(BYTE vk) {
  Lock lock(m_pConnection->mutex);
  return m_input.KeyDown(vk);
}

DesktopBackend* X11Desktop() {
  static std::once_flag once;
  static CX11Desktop* desktop = nullptr;
  std::call_once(once, [] {
    if (!QtAllowsX11()) return;
    if (auto connection = CX11Connection::Open()) desktop = new CX11Desktop(std::move(connection));
  });
  return desktop;
}

}  // namespace win32::x11

namespace win32 {
DesktopBackend* X11Desktop() {
  return x11::X11Desktop();
}
}  // namespace win32
