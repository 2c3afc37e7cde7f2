// Internal to the X11 desktop (X11*.cpp). No X11 or xcb header here: X ids are 32-bit
// numbers and the connection types are only declared, so this header is safe anywhere.
#pragma once

#include "platform/win32/DesktopBackend.h"
#include "platform/win32/X11ErrorTrap.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct _XDisplay;
struct xcb_connection_t;

namespace win32::x11 {

using XId = std::uint32_t;

// xcb replies are freed with free().
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Waits for the outcome of a request sent with its xcb `_checked` variant: true when the
// server did it; otherwise sets the last error from the X error (LastErrorOfXError) and
// returns false. Xlib calls whose failure matters use CX11ErrorTrap instead.
bool CheckRequest(xcb_connection_t* connection, unsigned int sequence);

// A connection of the caller's own to the default display, with its first screen's root;
// null (nothing left open) when no display can be opened. The caller disconnects it.
xcb_connection_t* ConnectXcb(std::uint32_t* root);
//   if (!Checked(c, xcb_map_window_checked(c, window))) return false;
template <typename Cookie>
bool Checked(xcb_connection_t* connection, Cookie cookie) {
  return CheckRequest(connection, cookie.sequence);
}

// Atoms interned once, in one batch, when the connection opens.
struct TAtoms {
  XId netClientList = 0;
  XId netClientListStacking = 0;
  XId netSupportingWmCheck = 0;
  XId netWmPid = 0;
  XId netActiveWindow = 0;
  XId netWmState = 0;
  XId netWmStateMaxVert = 0;
  XId netWmStateMaxHorz = 0;
  XId wmState = 0;
  XId wmChangeState = 0;
  XId wmProtocols = 0;
  XId wmDeleteWindow = 0;
  XId netWmPing = 0;
};

// What one enumeration learnt of a window, so that the per-window questions of an
// EnumWindows callback need no further round trip.
struct TWindowFacts {
  std::string strClass;
  DWORD dwPid = 0;
  XId nOwner = 0;
  bool bViewable = false;
};

// The desktop's X connection: an Xlib display (XTest and the keyboard map need Xlib) whose
// xcb side carries everything else. Every use holds `mutex`.
class CX11Connection {
 public:
  // Null when no display can be opened.
  static std::unique_ptr<CX11Connection> Open();
  ~CX11Connection();

  _XDisplay* Display() const { return m_pDisplay; }
  xcb_connection_t* Xcb() const { return m_pXcb; }
  XId Root() const { return m_nRoot; }
  const TAtoms& Atoms() const { return m_atoms; }

  // True when a window manager announces itself (_NET_SUPPORTING_WM_CHECK names a live
  // window that names itself).
  bool HasWindowManager();
  // Window properties; empty / 0 when missing or the window is gone.
  std::string ReadClass(XId window);
  std::vector<XId> ReadWindowList(XId window, XId property);
  XId ReadWindowProperty(XId window, XId property);
  // Parent and children (query tree); false when the window is gone.
  bool QueryTree(XId window, XId& parent, std::vector<XId>* children);
  bool IsAlive(XId window);
  // Map state: 0 unmapped, 1 unviewable, 2 viewable; -1 when gone.
  int MapState(XId window);
  // Geometry relative to the parent, and the position on the screen.
  bool Geometry(XId window, RECT& local, POINT& screen);
  // A 32-bit client message to the root (EWMH requests).
  void SendRootMessage(XId window, XId type, std::uint32_t d0, std::uint32_t d1 = 0,
                       std::uint32_t d2 = 0, std::uint32_t d3 = 0);
  // A WM_PROTOCOLS client message to the window's owner (WM_DELETE_WINDOW,
  // _NET_WM_PING); false (last error set) when the window is gone.
  bool SendProtocolMessage(XId window, XId protocol, std::uint32_t d1, std::uint32_t d2 = 0);
  // Flushes and waits until the server has handled every request sent so far.
  void Sync();

  std::recursive_mutex mutex;

 private:
  CX11Connection() = default;
  void internAtoms();

  _XDisplay* m_pDisplay = nullptr;
  xcb_connection_t* m_pXcb = nullptr;
  XId m_nRoot = 0;
  TAtoms m_atoms;
  bool m_bWindowManager = false;
  std::chrono::steady_clock::time_point m_tpWmChecked;
};

// Watches the root for new, mapped, unmapped, re-parented or destroyed top-level windows
// (and for changes of the window manager's client list) on a connection of its own.
class CX11Watcher {
 public:
  CX11Watcher();
  ~CX11Watcher();
  std::uint64_t Count();
  bool WaitForChange(std::uint64_t seen, DWORD milliseconds);
  // Counts a change made by this process (hide, re-parent, ...).
  void Bump();
  // _NET_WM_PING answers: a client answers a ping after it handled every event that came
  // before it, so an answer tells that it has read the keys typed before the ping.
  // Listen() makes sure the watcher hears answers from now on (false without a server);
  // WaitForPong waits for the answer with the token, calling `serve` every millisecond.
  bool Listen(DWORD milliseconds);
  bool WaitForPong(std::uint32_t token, DWORD milliseconds, void (*serve)());

 private:
  void run();
  bool start();
  void notePong(std::uint32_t token);

  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::uint64_t m_nCount = 0;
  bool m_bListening = false;
  std::vector<std::uint32_t> m_vecPongs;  // the latest answers' tokens
  std::thread m_thread;
  int m_fdWake[2] = {-1, -1};
  bool m_bStarted = false;
};

// Keyboard and pointer input through XTest, on the desktop's connection.
class CX11Input {
 public:
  CX11Input(CX11Connection& connection, CX11Watcher& watcher)
      : m_connection(connection), m_watcher(watcher) {}
  ~CX11Input();
  bool Key(BYTE vk, bool up);
  // The key as the server's key map has it (any keyboard, any program): 1 down, 0 up, -1
  // for a virtual key without a keysym.
  int KeyDown(BYTE vk);
  // False (last error set) when the character could not be typed: no spare keycode, or
  // one could not be bound or freed in time.
  bool TypeCharacter(char32_t character);
  // Waits until the focus client has handled the typed keys. False when it did not
  // confirm in time. Borrowed keycodes are given back after a while without typing.
  bool FinishTyping();
  // Gives the borrowed keycodes back without waiting (at exit, and when idle).
  void RestoreKeycodes();
  // A click at a point of the screen, pressed and released in two calls. The pointer goes
  // back to where it was with the release: the click is the program's, not the operator's.
  bool ClickAt(int rootX, int rootY, bool down);
  // Sets the keyboard focus on a window; ensureFocus re-sets it before a key sequence when
  // a window manager took it back.
  void FocusOn(XId window);
  void EnsureFocus();

 private:
  struct TBinding {
    unsigned nKeycode;
    unsigned long nKeysym;
  };

  unsigned keycodeFor(unsigned long keysym, bool& shift);
  unsigned spareKeycodeFor(unsigned long keysym);
  unsigned freeSpareKeycode();
  bool bindKeycode(unsigned keycode, unsigned long keysym);
  bool keycodeHolds(unsigned keycode, unsigned long keysym);
  bool waitUntilConsumed();
  bool pingFocusClient();
  // The thread that gives borrowed keycodes back when typing has stopped for a while.
  void startKeeper();
  void pressRelease(unsigned keycode, bool shift);
  void waitUntilPointerFree();
  // The pointer's place on the screen (and its buttons); false when it is on another screen.
  bool queryPointer(LONG& rootX, LONG& rootY, unsigned* buttons);
  bool focusIsInside(XId window);

  CX11Connection& m_connection;
  CX11Watcher& m_watcher;
  XId m_nFocusTarget = 0;
  POINT m_ptSaved{};  // where the pointer was before a click of ours
  bool m_bPointerSaved = false;
  int m_nKeysDown = 0;
  std::vector<TBinding> m_vecBindings;  // spare keycodes bound by us, least recently used first
  bool m_bUnconfirmed = false;          // a bound key was typed since the client last confirmed
  std::uint32_t m_nPingToken = 0;
  std::set<unsigned> m_setBorrowed;  // every keycode this process has bound
  std::chrono::steady_clock::time_point m_tpLastTyped;
  std::thread m_keeper;
  std::mutex m_keeperMutex;
  std::condition_variable m_keeperCv;
  bool m_bStopKeeper = false;
};

// The clipboard served by this process through Qt (X11Clipboard.cpp, Qt only).
bool ClipboardAvailable();
bool ClipboardSetText(const std::u16string& text);
bool ClipboardSetImage(const TBitmapPixels& image);
// A paste key was pressed in `target` (0: unknown): the current item is expected to be
// fetched, by that window's client.
void ClipboardNotePaste(XId target);
bool ClipboardWaitFetched(DWORD timeoutMs);
// Lets the GUI thread's loop answer clipboard requests once (nothing on other threads).
void ClipboardServe();
// Reading the clipboard, whoever owns it, and giving it up (X11ClipboardRead.cpp).
bool ClipboardGetText(std::u16string& text);
bool ClipboardGetImage(TBitmapPixels& image);
bool ClipboardClear();
// Qt's own xcb connection (the one that owns our windows), or null.
xcb_connection_t* QtXcbConnection();
// False when Qt runs on another platform than xcb (e.g. offscreen): no X path then.
bool QtAllowsX11();

}  // namespace win32::x11
