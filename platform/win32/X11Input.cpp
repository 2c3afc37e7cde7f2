// Keyboard and pointer input through XTest. Keys go to the X focus window. A character
// that has no key in the current map is typed by binding a spare keycode (one without
// symbols) to its keysym. Spare keycodes are reused least recently used first and stay
// bound, so a client that reads the map late still sees the right symbol for a key it has
// not processed yet.
#include "platform/win32/X11Private.h"

#include "platform/log/Log.h"
#include "platform/win32/Input.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
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
constexpr int kPointerFreeWaitMs = 300;

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

CX11Input::~CX11Input() = default;

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
  if (!up && vk == 'V' && GetAsyncKeyState(VK_CONTROL)) ClipboardNotePaste();
  XTestFakeKeyEvent(display, keycode, up ? False : True, CurrentTime);
  XSync(display, False);
  m_nKeysDown = std::max(0, m_nKeysDown + (up ? -1 : 1));
  return true;
}

unsigned CX11Input::keycodeFor(unsigned long keysym, bool& shift) {
  ::Display* display = m_connection.Display();
  shift = false;
  auto bound = m_mapBound.find(keysym);
  if (bound != m_mapBound.end()) return bound->second;
  const KeyCode keycode = XKeysymToKeycode(display, keysym);
  if (keycode) {
    if (XkbKeycodeToKeysym(display, keycode, 0, 0) == keysym) return keycode;
    if (XkbKeycodeToKeysym(display, keycode, 0, 1) == keysym) {
      shift = true;
      return keycode;
    }
  }
  return spareKeycodeFor(keysym);
}

unsigned CX11Input::spareKeycodeFor(unsigned long keysym) {
  ::Display* display = m_connection.Display();
  if (m_vecSpare.empty()) {
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    int perKeycode = 0;
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minKeycode),
                                      maxKeycode - minKeycode + 1, &perKeycode);
    if (!map) return 0;
    for (int keycode = maxKeycode; keycode >= minKeycode; --keycode) {
      const KeySym* syms = map + (keycode - minKeycode) * perKeycode;
      if (std::all_of(syms, syms + perKeycode, [](KeySym s) { return s == NoSymbol; }))
        m_vecSpare.push_back(static_cast<unsigned>(keycode));
    }
    XFree(map);
    if (m_vecSpare.empty()) {
      TC_LOG(TC_LOG_WARN, "the keyboard map has no spare keycode");
      return 0;
    }
  }
  // Least recently used first; the chosen one moves to the back.
  const unsigned keycode = m_vecSpare.front();
  m_vecSpare.erase(m_vecSpare.begin());
  m_vecSpare.push_back(keycode);
  std::erase_if(m_mapBound, [keycode](const auto& entry) { return entry.second == keycode; });
  KeySym syms[2] = {static_cast<KeySym>(keysym), static_cast<KeySym>(keysym)};
  CX11ErrorTrap trap(display);
  XChangeKeyboardMapping(display, static_cast<int>(keycode), 2, syms, 1);
  if (!trap.Succeeded()) {
    TC_LOG(TC_LOG_WARN,
           "keycode " << keycode << " could not be bound to keysym 0x" << std::hex << keysym);
    return 0;
  }
  m_mapBound[keysym] = keycode;
  return keycode;
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
  const unsigned keycode = keycodeFor(keysymOfCharacter(character), shift);
  if (!keycode) return false;
  pressRelease(keycode, shift);
  return true;
}

bool CX11Input::ClickAt(int rootX, int rootY, bool down) {
  ::Display* display = m_connection.Display();
  XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
  XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
  XSync(display, False);
  if (!down) waitUntilPointerFree();
  return true;
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
  ::Display* display = m_connection.Display();
  const ::Window root = static_cast<::Window>(m_connection.Root());
  constexpr unsigned kButtons = Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask;
  for (int waited = 0; waited < kPointerFreeWaitMs; ++waited) {
    ::Window rootReturn = 0;
    ::Window child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned buttons = 0;
    XQueryPointer(display, root, &rootReturn, &child, &rootX, &rootY, &x, &y, &buttons);
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
