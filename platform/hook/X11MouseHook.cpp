// The mouse hook on X11. A watcher thread with its own connection listens to XInput2 raw
// button presses on the root (delivered whoever has the pointer grabbed), and looks at the
// keyboard focus five times a second (focus events reach only the windows on the focus
// path, and the copies' windows are not ours to select on). For a press it walks the
// window chain under the pointer, for a focus change the chain above the focus window,
// deepest first, for a window whose _NET_WM_PID is a hooked copy's process (or a
// descendant of it), and posts 0x406 with that window to the frame: the given target, else
// the top-level window of ours that holds it.
#include "platform/hook/MouseHook.h"

#include "platform/log/Log.h"
#include "platform/win32/Process.h"
#include "platform/win32/Window.h"
#include "platform/win32/X11ErrorTrap.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace hook {
namespace {

class CMouseWatcher {
 public:
  ~CMouseWatcher() { Stop(); }

  void Hook(const std::string& key, DWORD pid) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapHooks[key] = pid;
    startLocked();
  }

  bool Unhook(const std::string& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mapHooks.erase(key) != 0;
  }

  void SetTarget(HWND frame) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hTarget = frame;
  }

  bool WaitListening(DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cvState.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                       [this] { return m_eState != EState::Starting; });
    return m_eState == EState::Listening;
  }

  void Stop() {
    std::thread thread;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_mapHooks.clear();
      if (!m_thread.joinable()) return;
      const char stop = 1;
      [[maybe_unused]] ssize_t written = write(m_fdWake[1], &stop, 1);
      thread = std::move(m_thread);
    }
    thread.join();
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (!m_thread.joinable()) m_eState = EState::Stopped;
    }
    m_cvState.notify_all();
    close(m_fdWake[0]);
    close(m_fdWake[1]);
    m_fdWake[0] = m_fdWake[1] = -1;
  }

 private:
  // Stopped until the first hook; Starting until the watcher has its events selected and has
  // seen the focus once (Listening) or has given up (Failed).
  enum class EState { Stopped, Starting, Listening, Failed };

  void startLocked() {
    if (m_thread.joinable() || pipe2(m_fdWake, O_CLOEXEC) != 0) return;
    m_eState = EState::Starting;
    m_thread = std::thread([this] { run(); });
  }

  void setState(EState state) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_eState = state;
    }
    m_cvState.notify_all();
  }

  void run();
  void onPress(Display* display);
  void onFocusCheck(Display* display);
  void report(const std::vector<Window>& chain);
  std::vector<Window> chainUnderPointer(Display* display);
  std::vector<Window> chainAbove(Display* display, Window window);
  DWORD pidOf(Display* display, Window window);
  bool isHookedProcess(DWORD pid);
  HWND frameFor(const std::vector<Window>& chain, std::size_t copyIndex);

  std::mutex m_mutex;
  std::map<std::string, DWORD> m_mapHooks;
  HWND m_hTarget = nullptr;
  std::thread m_thread;
  EState m_eState = EState::Stopped;
  std::condition_variable m_cvState;
  int m_fdWake[2] = {-1, -1};
  Atom m_atomPid = 0;
  Display* m_pDisplay = nullptr;  // the watcher thread's, while it runs
  Window m_nLastFocus = 0;
};

constexpr int kFocusCheckMs = 200;

CMouseWatcher& watcher() {
  static CMouseWatcher instance;
  return instance;
}

void CMouseWatcher::run() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    TC_LOG(TC_LOG_WARN, "mouse hook: no X display");
    setState(EState::Failed);
    return;
  }
  // Windows vanish between the requests of a walk: the process's one handler drops those
  // errors (installed once, not here per thread, where it would replace the desktop's).
  win32::x11::InstallErrorHandler();
  int opcode = 0;
  int event = 0;
  int error = 0;
  int major = 2;
  int minor = 0;
  if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
      XIQueryVersion(display, &major, &minor) != Success) {
    TC_LOG(TC_LOG_WARN, "mouse hook: the X server has no XInput2");
    XCloseDisplay(display);
    setState(EState::Failed);
    return;
  }
  m_atomPid = XInternAtom(display, "_NET_WM_PID", False);
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawButtonPress);
  XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
  XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
  XSync(display, False);  // selected on the server: a press from here on is seen
  m_pDisplay = display;
  pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {m_fdWake[0], POLLIN, 0}};
  for (bool first = true;; first = false) {
    onFocusCheck(display);
    if (first) setState(EState::Listening);
    while (XPending(display)) {
      XEvent xevent;
      XNextEvent(display, &xevent);
      if (xevent.xcookie.type == GenericEvent && xevent.xcookie.extension == opcode &&
          xevent.xcookie.evtype == XI_RawButtonPress) {
        onPress(display);
      }
    }
    if (poll(fds, 2, kFocusCheckMs) < 0 && errno != EINTR) break;
    if (fds[1].revents) break;
  }
  m_pDisplay = nullptr;
  XCloseDisplay(display);
}

std::vector<Window> CMouseWatcher::chainUnderPointer(Display* display) {
  std::vector<Window> chain;  // top-most first
  Window current = DefaultRootWindow(display);
  for (int depth = 0; depth < 32; ++depth) {
    Window root = 0;
    Window child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned buttons = 0;
    if (!XQueryPointer(display, current, &root, &child, &rootX, &rootY, &x, &y, &buttons) || !child)
      break;
    chain.push_back(child);
    current = child;
  }
  return chain;
}

DWORD CMouseWatcher::pidOf(Display* display, Window window) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  DWORD pid = 0;
  if (XGetWindowProperty(display, window, m_atomPid, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      data && format == 32 && count == 1) {
    pid = static_cast<DWORD>(*reinterpret_cast<unsigned long*>(data));
  }
  if (data) XFree(data);
  return pid;
}

bool CMouseWatcher::isHookedProcess(DWORD pid) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const auto& [key, hooked] : m_mapHooks) {
    if (hooked && win32::IsProcessOrDescendant(pid, hooked)) return true;
  }
  return false;
}

HWND CMouseWatcher::frameFor(const std::vector<Window>& chain, std::size_t copyIndex) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_hTarget) return m_hTarget;
  }
  win32::OwnWindowBackend* own = win32::GetOwnWindowBackend();
  if (!own) return nullptr;
  // The nearest window of ours above the copy's window, then its top-level ancestor.
  for (std::size_t i = copyIndex; i-- > 0;) {
    HWND ours = own->FromNativeId(chain[i]);
    if (!ours) continue;
    for (HWND parent = own->Parent(ours); parent; parent = own->Parent(ours)) ours = parent;
    return ours;
  }
  return nullptr;
}

std::vector<Window> CMouseWatcher::chainAbove(Display* display, Window window) {
  std::vector<Window> chain;  // top-most first
  const Window root = DefaultRootWindow(display);
  for (Window current = window; current && current != root && chain.size() < 32;) {
    chain.insert(chain.begin(), current);
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, current, &rootReturn, &parent, &children, &count)) return {};
    if (children) XFree(children);
    current = parent;
  }
  return chain;
}

void CMouseWatcher::onFocusCheck(Display* display) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_mapHooks.empty()) return;
  }
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  if (focus == m_nLastFocus) return;
  m_nLastFocus = focus;
  if (focus > PointerRoot) report(chainAbove(display, focus));
}

void CMouseWatcher::onPress(Display* display) {
  report(chainUnderPointer(display));
}

void CMouseWatcher::report(const std::vector<Window>& chain) {
  Display* display = m_pDisplay;
  for (std::size_t i = chain.size(); i-- > 0;) {
    const DWORD pid = pidOf(display, chain[i]);
    if (!pid || !isHookedProcess(pid)) continue;
    HWND frame = frameFor(chain, i);
    if (!frame) return;
    const auto copyWindow =
        reinterpret_cast<WPARAM>(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(chain[i])));
    PostMessageA(frame, WM_USER_MSG_MOUSEHOOK_WECHATSELECTED, copyWindow, 0);
    return;
  }
}

}  // namespace

void SetMouseHookTarget(HWND frame) {
  watcher().SetTarget(frame);
}
void ShutdownMouseHook() {
  watcher().Stop();
}
bool WaitUntilMouseHookListens(DWORD timeoutMs) {
  return watcher().WaitListening(timeoutMs);
}

}  // namespace hook

int fnhookmouse(const char* key, DWORD threadId) {
  if (!key || !*key) return -1;
  hook::watcher().Hook(key, threadId);
  return 0;
}

int fnunhookmouse(const char* key) {
  if (!key || !*key) return -1;
  return hook::watcher().Unhook(key) ? 0 : -1;
}
