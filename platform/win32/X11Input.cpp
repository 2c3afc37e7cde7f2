// Keyboard and pointer input through XTest. Keys go to the X focus window.
//
// Characters without a key. A character that has no key in the current map is typed by
// binding a spare keycode (one without symbols) to its keysym. A client translates a key
// event with the map it holds when it handles the event, and it re-reads the map when it
// handles the MappingNotify of a change: so a keycode is bound anew only once the client
// has handled the key typed with it before. That is known from _NET_WM_PING: a client
// answers the ping after every event sent before it (a client that does not speak the
// protocol gets a fixed settling time instead). The spare keycodes are looked up when one
// is needed (another program may have taken or given back some) and are given back once
// no character was typed for a while (kIdleRestoreMs) and at exit, so they do not run out
// for the next program. Not at the end of every typed item: each change of the map makes
// every client (and a window manager, which grabs its keys anew) re-read it, which cost a
// reply about 100 ms under openbox. A binding is read back to check that it took.
#include "platform/win32/X11Private.h"

#include "platform/log/Log.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Input.h"
#include "platform/win32/KernelObject.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace win32::x11 {
namespace {

constexpr int kFocusSettleMs = 2;
// A window manager starved of CPU may take long to let a click through; the wait ends as
// soon as it has, so a long limit costs nothing otherwise (going on earlier lets its late
// focus change take the keys).
constexpr int kPointerFreeWaitMs = 2000;
// How long a client may take to handle typed keys (it may be fetching a paste first).
constexpr DWORD kConsumeLimitMs = kPasteFetchLimitMs;
// For a client that does not answer pings: what it is given to handle the typed keys.
constexpr int kUnconfirmedSettleMs = 50;
// Borrowed keycodes are given back after this long without typing.
constexpr auto kIdleRestore = std::chrono::milliseconds(2000);

// The inputs whose borrowed keycodes are given back at exit.
std::mutex s_inputsMutex;
std::vector<CX11Input*> s_vecInputs;

void restoreAtExit() {
  std::lock_guard<std::mutex> lock(s_inputsMutex);
  for (CX11Input* input : s_vecInputs) input->RestoreKeycodes();
}

}  // namespace

void CX11Input::startKeeper() {
  // Called under the connection's lock.
  if (m_keeper.joinable()) return;
  m_keeper = std::thread([this] {
    std::unique_lock<std::mutex> lock(m_keeperMutex);
    while (!m_bStopKeeper) {
      m_keeperCv.wait_for(lock, kIdleRestore / 4);
      if (m_bStopKeeper) break;
      lock.unlock();
      {
        std::lock_guard<std::recursive_mutex> connection(m_connection.mutex);
        if (!m_vecBindings.empty() &&
            std::chrono::steady_clock::now() - m_tpLastTyped > kIdleRestore)
          FinishTyping(), RestoreKeycodes();
      }
      lock.lock();
    }
  });
}

namespace {

void registerForExit(CX11Input* input) {
  std::lock_guard<std::mutex> lock(s_inputsMutex);
  if (std::find(s_vecInputs.begin(), s_vecInputs.end(), input) != s_vecInputs.end()) return;
  if (s_vecInputs.empty()) std::atexit(restoreAtExit);
  s_vecInputs.push_back(input);
}

// Virtual key -> keysym. Invariant: every VK the system presses is here; letters map to
// their lower-case keysym (the shifted form comes from Shift, as on a keyboard).
struct TVkKeysym {
  BYTE vk;
  unsigned long keysym;
};
constexpr TVkKeysym kVkTable[] = {
    {VK_BACK, XK_BackSpace},
    {VK_TAB, XK_Tab},
    {VK_RETURN, XK_Return},
    {VK_SHIFT, XK_Shift_L},
    {VK_CONTROL, XK_Control_L},
    {VK_MENU, XK_Alt_L},
    {VK_ESCAPE, XK_Escape},
    {VK_SPACE, XK_space},
    {VK_PRIOR, XK_Prior},
    {VK_NEXT, XK_Next},
    {VK_END, XK_End},
    {VK_HOME, XK_Home},
    {VK_LEFT, XK_Left},
    {VK_UP, XK_Up},
    {VK_RIGHT, XK_Right},
    {VK_DOWN, XK_Down},
    {VK_INSERT, XK_Insert},
    {VK_DELETE, XK_Delete},
    {VK_F1, XK_F1},
    {VK_F4, XK_F4},
    {VK_F5, XK_F5},
    {VK_LSHIFT, XK_Shift_L},
    {VK_LCONTROL, XK_Control_L},
    {VK_LMENU, XK_Alt_L},
};

unsigned long keysymOfVk(BYTE vk) {
  if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
  if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
  for (const TVkKeysym& entry : kVkTable) {
    if (entry.vk == vk) return entry.keysym;
  }
  return NoSymbol;
}

unsigned long keysymOfCharacter(char32_t character) {
  if (character == '\n' || character == '\r') return XK_Return;
  if (character == '\t') return XK_Tab;
  if ((character >= 0x20 && character <= 0x7E) || (character >= 0xA0 && character <= 0xFF))
    return character;  // Latin-1 keysyms are the code points
  return 0x01000000u | character;
}

}  // namespace

CX11Input::~CX11Input() {
  {
    std::lock_guard<std::mutex> lock(m_keeperMutex);
    m_bStopKeeper = true;
    m_keeperCv.notify_all();
  }
  if (m_keeper.joinable()) m_keeper.join();
  RestoreKeycodes();
  std::lock_guard<std::mutex> lock(s_inputsMutex);
  std::erase(s_vecInputs, this);
}

bool CX11Input::Key(BYTE vk, bool up) {
  const unsigned long keysym = keysymOfVk(vk);
  ::Display* display = m_connection.Display();
  const KeyCode keycode = keysym == NoSymbol ? 0 : XKeysymToKeycode(display, keysym);
  if (!keycode) {
    TC_LOG(TC_LOG_WARN, "no key for virtual key 0x" << std::hex << int(vk));
    return false;
  }
  // A window manager may take the focus back at any moment after a click (late under load):
  // every press checks it. Modifiers held are the server's, so they survive a re-focus.
  if (!up) EnsureFocus();
  if (!up && vk == 'V' && GetAsyncKeyState(VK_CONTROL)) ClipboardNotePaste(m_nFocusTarget);
  XTestFakeKeyEvent(display, keycode, up ? False : True, CurrentTime);
  XSync(display, False);
  m_nKeysDown = std::max(0, m_nKeysDown + (up ? -1 : 1));
  return true;
}

int CX11Input::KeyDown(BYTE vk) {
  // Both hands' modifiers count, as on Windows.
  unsigned long keysyms[2] = {keysymOfVk(vk), NoSymbol};
  if (keysyms[0] == NoSymbol) return -1;
  if (vk == VK_CONTROL) keysyms[1] = XK_Control_R;
  if (vk == VK_SHIFT) keysyms[1] = XK_Shift_R;
  if (vk == VK_MENU) keysyms[1] = XK_Alt_R;
  ::Display* display = m_connection.Display();
  char keys[32] = {};
  XQueryKeymap(display, keys);
  int minKeycode = 0;
  int maxKeycode = 0;
  XDisplayKeycodes(display, &minKeycode, &maxKeycode);
  // Every keycode that carries the keysym: a keyboard may have two keys for one symbol.
  for (int keycode = minKeycode; keycode <= maxKeycode; ++keycode) {
    if (!(keys[keycode / 8] & (1 << (keycode % 8)))) continue;
    const KeySym sym = XkbKeycodeToKeysym(display, static_cast<KeyCode>(keycode), 0, 0);
    if (sym != NoSymbol && (sym == keysyms[0] || sym == keysyms[1])) return 1;
  }
  return 0;
}

unsigned CX11Input::keycodeFor(unsigned long keysym, bool& shift) {
  ::Display* display = m_connection.Display();
  shift = false;
  for (auto it = m_vecBindings.begin(); it != m_vecBindings.end(); ++it) {
    if (it->nKeysym != keysym) continue;
    const TBinding used = *it;  // most recently used now
    m_vecBindings.erase(it);
    m_vecBindings.push_back(used);
    return used.nKeycode;
  }
  const KeyCode keycode = XKeysymToKeycode(display, keysym);
  // Xlib's copy of the map may still show a binding of ours that was given back.
  if (keycode && m_setBorrowed.count(keycode) && !keycodeHolds(keycode, keysym))
    return spareKeycodeFor(keysym);
  if (keycode) {
    if (XkbKeycodeToKeysym(display, keycode, 0, 0) == keysym) return keycode;
    if (XkbKeycodeToKeysym(display, keycode, 0, 1) == keysym) {
      shift = true;
      return keycode;
    }
  }
  return spareKeycodeFor(keysym);
}

unsigned CX11Input::freeSpareKeycode() {
  // Read now: another program may have bound or given back keycodes since the last time.
  ::Display* display = m_connection.Display();
  int minKeycode = 0;
  int maxKeycode = 0;
  XDisplayKeycodes(display, &minKeycode, &maxKeycode);
  int perKeycode = 0;
  KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minKeycode),
                                    maxKeycode - minKeycode + 1, &perKeycode);
  if (!map) return 0;
  unsigned found = 0;
  for (int keycode = maxKeycode; keycode >= minKeycode && !found; --keycode) {
    const KeySym* syms = map + (keycode - minKeycode) * perKeycode;
    if (std::all_of(syms, syms + perKeycode, [](KeySym s) { return s == NoSymbol; }))
      found = static_cast<unsigned>(keycode);
  }
  XFree(map);
  return found;
}

bool CX11Input::keycodeHolds(unsigned keycode, unsigned long keysym) {
  int perKeycode = 0;
  KeySym* read =
      XGetKeyboardMapping(m_connection.Display(), static_cast<KeyCode>(keycode), 1, &perKeycode);
  const bool holds = read && perKeycode > 0 && read[0] == static_cast<KeySym>(keysym);
  if (read) XFree(read);
  return holds;
}

bool CX11Input::bindKeycode(unsigned keycode, unsigned long keysym) {
  ::Display* display = m_connection.Display();
  KeySym syms[2] = {static_cast<KeySym>(keysym), static_cast<KeySym>(keysym)};
  CX11ErrorTrap trap(display);
  XChangeKeyboardMapping(display, static_cast<int>(keycode), 2, syms, 1);
  if (!trap.Succeeded()) return false;
  m_setBorrowed.insert(keycode);
  if (keycodeHolds(keycode, keysym)) return true;
  SetLastError(ERROR_ACCESS_DENIED);
  return false;
}

unsigned CX11Input::spareKeycodeFor(unsigned long keysym) {
  unsigned keycode = freeSpareKeycode();
  if (keycode) {
    m_vecBindings.push_back({keycode, keysym});
    registerForExit(this);
    startKeeper();
  } else if (!m_vecBindings.empty()) {
    // Every spare keycode is in use: take back ours used least recently, once the client
    // has handled the key typed with it.
    if (!waitUntilConsumed()) return 0;
    TBinding reused = m_vecBindings.front();
    m_vecBindings.erase(m_vecBindings.begin());
    keycode = reused.nKeycode;
    m_vecBindings.push_back({keycode, keysym});
  } else {
    TC_LOG(TC_LOG_WARN,
           "the keyboard map has no spare keycode for keysym 0x" << std::hex << keysym);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  if (bindKeycode(keycode, keysym)) return keycode;
  TC_LOG(TC_LOG_WARN,
         "keycode " << keycode << " could not be bound to keysym 0x" << std::hex << keysym);
  m_vecBindings.pop_back();
  return 0;
}

bool CX11Input::pingFocusClient() {
  // The client's window: the one focused, if it speaks _NET_WM_PING.
  CX11Connection& x = m_connection;
  const XId window = m_nFocusTarget;
  if (!window || !x.Atoms().netWmPing) return false;
  auto cookie = xcb_get_property(x.Xcb(), 0, window, x.Atoms().wmProtocols, XCB_ATOM_ATOM, 0, 32);
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(x.Xcb(), cookie, nullptr));
  if (!reply || reply->format != 32) return false;
  const auto* atoms = static_cast<const XId*>(xcb_get_property_value(reply.get()));
  const int count = xcb_get_property_value_length(reply.get()) / 4;
  if (std::find(atoms, atoms + count, x.Atoms().netWmPing) == atoms + count) return false;
  if (!m_watcher.Listen(kConsumeLimitMs)) return false;
  if (!m_nPingToken) m_nPingToken = std::random_device{}() | 1u;  // apart from others' pings
  const std::uint32_t token = ++m_nPingToken;
  if (!x.SendProtocolMessage(window, x.Atoms().netWmPing, token, window)) return false;
  if (m_watcher.WaitForPong(token, kConsumeLimitMs, ClipboardServe)) return true;
  TC_LOG(TC_LOG_WARN,
         "the client of window 0x" << std::hex << window << " did not answer a ping in time");
  SetLastError(ERROR_TIMEOUT);
  return false;
}

bool CX11Input::waitUntilConsumed() {
  if (!m_bUnconfirmed) return true;
  bool confirmed = pingFocusClient();
  if (!confirmed && GetLastError() != ERROR_TIMEOUT) {
    // A client without the protocol: a fixed settling time is the best there is.
    std::this_thread::sleep_for(std::chrono::milliseconds(kUnconfirmedSettleMs));
    confirmed = true;
  }
  m_bUnconfirmed = false;
  return confirmed;
}

bool CX11Input::FinishTyping() {
  SetLastError(ERROR_SUCCESS);
  return waitUntilConsumed();
}

void CX11Input::RestoreKeycodes() {
  std::lock_guard<std::recursive_mutex> connection(m_connection.mutex);
  if (m_vecBindings.empty()) return;
  ::Display* display = m_connection.Display();
  KeySym none[2] = {NoSymbol, NoSymbol};
  CX11ErrorTrap trap(display);
  for (const TBinding& binding : m_vecBindings)
    XChangeKeyboardMapping(display, static_cast<int>(binding.nKeycode), 2, none, 1);
  if (!trap.Succeeded()) TC_LOG(TC_LOG_WARN, "a borrowed keycode could not be given back");
  m_vecBindings.clear();
}

void CX11Input::pressRelease(unsigned keycode, bool shift) {
  ::Display* display = m_connection.Display();
  const KeyCode shiftKey = XKeysymToKeycode(display, XK_Shift_L);
  if (shift) XTestFakeKeyEvent(display, shiftKey, True, CurrentTime);
  XTestFakeKeyEvent(display, keycode, True, CurrentTime);
  XTestFakeKeyEvent(display, keycode, False, CurrentTime);
  if (shift) XTestFakeKeyEvent(display, shiftKey, False, CurrentTime);
  XSync(display, False);
}

bool CX11Input::TypeCharacter(char32_t character) {
  bool shift = false;
  SetLastError(ERROR_SUCCESS);
  const unsigned keycode = keycodeFor(keysymOfCharacter(character), shift);
  if (!keycode) return false;
  pressRelease(keycode, shift);
  m_tpLastTyped = std::chrono::steady_clock::now();
  const bool borrowed = std::any_of(m_vecBindings.begin(), m_vecBindings.end(),
                                    [&](const TBinding& b) { return b.nKeycode == keycode; });
  m_bUnconfirmed = m_bUnconfirmed || borrowed;
  return true;
}

bool CX11Input::ClickAt(int rootX, int rootY, bool down) {
  ::Display* display = m_connection.Display();
  if (down) {
    // The operator's own click (the one that started this input, perhaps) is let go first:
    // while a button is held, the press would go to the window that holds the pointer.
    waitUntilPointerFree();
    m_bPointerSaved = queryPointer(m_ptSaved.x, m_ptSaved.y, nullptr);
    XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XSync(display, False);
    return true;
  }
  // The release and the way back go out together, so that the operator's next click (the
  // second of a double-click) lands where the operator aimed it, not in the client.
  XTestFakeButtonEvent(display, 1, False, CurrentTime);
  if (m_bPointerSaved) XTestFakeMotionEvent(display, -1, m_ptSaved.x, m_ptSaved.y, CurrentTime);
  m_bPointerSaved = false;
  XSync(display, False);
  waitUntilPointerFree();
  return true;
}

bool CX11Input::queryPointer(LONG& rootX, LONG& rootY, unsigned* buttons) {
  ::Window rootReturn = 0;
  ::Window child = 0;
  int x = 0, y = 0, localX = 0, localY = 0;
  unsigned mask = 0;
  const bool same =
      XQueryPointer(m_connection.Display(), static_cast<::Window>(m_connection.Root()), &rootReturn,
                    &child, &x, &y, &localX, &localY, &mask);
  rootX = x;
  rootY = y;
  if (buttons) *buttons = mask;
  return same;
}

void CX11Input::waitUntilPointerFree() {
  // A window manager that focuses on click holds the press in a synchronous grab: the
  // pointer is frozen, and our release waits in the server behind the press. The manager
  // moves the focus, then lets the press through (replays it to the client), and only then
  // is the release processed. So the buttons reading as released means the manager has
  // made its focus change and the caller can take the focus back for good. (Waiting until a
  // pointer grab of our own succeeded measured something else as well: any client's grab,
  // and the client's implicit grab until it handled the release, which under a window
  // manager ran to the limit on every click into some top-level windows.)
  constexpr unsigned kButtons = Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kPointerFreeWaitMs);
  while (std::chrono::steady_clock::now() < deadline) {
    LONG x = 0, y = 0;
    unsigned buttons = 0;
    queryPointer(x, y, &buttons);
    if (!(buttons & kButtons)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  TC_LOG(TC_LOG_DEBUG, "the click's release was held back for " << kPointerFreeWaitMs << " ms");
}

void CX11Input::FocusOn(XId window) {
  m_nFocusTarget = window;
  XSetInputFocus(m_connection.Display(), window, RevertToParent, CurrentTime);
  XSync(m_connection.Display(), False);
}

bool CX11Input::focusIsInside(XId window) {
  ::Display* display = m_connection.Display();
  ::Window focus = 0;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  const XId root = m_connection.Root();
  for (XId current = static_cast<XId>(focus); current && current != root;) {
    if (current == window) return true;
    XId parent = 0;
    if (!m_connection.QueryTree(current, parent, nullptr)) return false;
    current = parent;
  }
  return false;
}

void CX11Input::EnsureFocus() {
  if (!m_nFocusTarget || focusIsInside(m_nFocusTarget)) return;
  if (m_connection.MapState(m_nFocusTarget) != XCB_MAP_STATE_VIEWABLE) return;
  FocusOn(m_nFocusTarget);
  std::this_thread::sleep_for(std::chrono::milliseconds(kFocusSettleMs));
}

}  // namespace win32::x11
