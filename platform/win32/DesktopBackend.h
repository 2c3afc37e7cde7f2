// The desktop seam: everything that touches windows of other processes and global input.
// The window functions of Window.h reach foreign windows only through this interface, so a
// test can put an in-memory desktop (tests/support/FakeDesktop.h) in place of the X11 one.
//
// A foreign HWND is the window's X11 id. "Top-level" means a client window of the desktop:
// with a window manager the window inside its frame, without one a child of the root.
// A window re-parented into one of ours is no longer top-level.
#pragma once

#include "platform/win32/Win32Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace win32 {

// A picture in memory: 32-bit ARGB pixels (0xAARRGGBB), row by row, no padding.
struct TBitmapPixels {
  int nWidth = 0;
  int nHeight = 0;
  std::vector<std::uint32_t> vecPixels;
};

class DesktopBackend {
 public:
  virtual ~DesktopBackend() = default;

  // Enumeration and properties. Every query on a window that is gone fails cleanly.
  // Top-level client windows, topmost first (as EnumWindows lists them).
  virtual std::vector<HWND> TopLevelWindows() = 0;
  virtual bool Exists(HWND hwnd) = 0;
  // The class part of WM_CLASS; empty when unknown.
  virtual std::string ClassName(HWND hwnd) = 0;
  // _NET_WM_PID; 0 when unknown.
  virtual DWORD ProcessId(HWND hwnd) = 0;
  // Mapped and all its ancestors mapped (the window could be seen).
  virtual bool IsVisible(HWND hwnd) = 0;
  // WM_TRANSIENT_FOR; null when none.
  virtual HWND Owner(HWND hwnd) = 0;
  // The X11 id of the window's parent when that parent is not the root or a window
  // manager's frame (i.e. the window was re-parented); 0 for a top-level window.
  virtual unsigned long ParentId(HWND hwnd) = 0;
  // Screen coordinates of the client area (a window manager's frame is not included).
  virtual bool GetRect(HWND hwnd, RECT* rect) = 0;
  // The window's own geometry: relative to its parent when embedded, else as GetRect.
  virtual bool GetLocalRect(HWND hwnd, RECT* rect) = 0;
  // The root window's id (the "desktop window").
  virtual unsigned long RootId() = 0;

  // Changes. Coordinates of an embedded window are relative to its parent.
  // SW_HIDE, SW_SHOW*, SW_SHOWMAXIMIZED/SW_MAXIMIZE (an embedded window then fills its
  // parent), SW_MINIMIZE, SW_RESTORE.
  virtual bool Show(HWND hwnd, int cmd) = 0;
  // parentId 0 gives the window back to the desktop (root).
  virtual bool Reparent(HWND hwnd, unsigned long parentId) = 0;
  virtual bool Move(HWND hwnd, int x, int y, int width, int height) = 0;
  // Raise, activate and give the keyboard focus to the window (embedded ones included).
  virtual bool Activate(HWND hwnd) = 0;
  // Asks the window to close (WM_DELETE_WINDOW).
  virtual bool Close(HWND hwnd) = 0;

  // Input. A click at a point of the window's client area, press or release.
  virtual bool Click(HWND hwnd, int x, int y, bool down) = 0;
  // Types one Unicode character into the window that has the keyboard focus.
  virtual bool TypeCharacter(HWND hwnd, char32_t character) = 0;
  // The end of a run of typed characters: waits until the target has handled them and gives
  // back whatever the typing borrowed (keys bound for characters without one). False when
  // that could not be confirmed: a character may not have arrived.
  virtual bool FinishTyping() { return true; }
  // A virtual key (VK_*) pressed or released on the focused window.
  virtual bool Key(BYTE vk, bool up) = 0;
  // Whether a virtual key is down on the keyboard, whoever pressed it: 1 down, 0 up, -1 when
  // the desktop cannot tell (what this process pressed is the answer then).
  virtual int KeyDown(BYTE /*vk*/) { return -1; }

  // The clipboard offered to other programs.
  virtual bool SetClipboardText(const std::u16string& text) = 0;
  virtual bool SetClipboardImage(const TBitmapPixels& image) = 0;
  // Waits (letting the owner serve requests) until the item on the clipboard when the last
  // paste key was pressed has been fetched, at most timeoutMs; true at once when nothing is
  // pending. False on time-out; the paste stays pending (a later wait waits for it again)
  // until it is fetched or another item is placed.
  virtual bool WaitClipboardFetched(DWORD timeoutMs) = 0;
  // What the clipboard holds now, whoever offers it (another program, or this process).
  // False when it holds no such content or it cannot be had (owner gone or too slow).
  virtual bool GetClipboardText(std::u16string& /*text*/) { return false; }
  virtual bool GetClipboardImage(TBitmapPixels& /*image*/) { return false; }
  // Leaves the clipboard empty: this process no longer offers anything.
  virtual bool ClearClipboard() { return false; }

  // Changes of the set of top-level windows (a window appeared, was mapped or went away).
  // ChangeCount only grows; WaitForChange returns true as soon as it differs from `seen`.
  virtual std::uint64_t ChangeCount() = 0;
  virtual bool WaitForChange(std::uint64_t seen, DWORD milliseconds) = 0;
  // Starts watching (if it has not) and waits at most `milliseconds` until every change from
  // now on is counted; false when the watch cannot start in time.
  virtual bool ListenForChanges(DWORD /*milliseconds*/) { return true; }

  // Optional facts; a desktop without them answers "unknown".
  // The window's title (_NET_WM_NAME, else WM_NAME); empty when unknown.
  virtual std::string Title(HWND /*hwnd*/) { return {}; }
  // Iconified (ICCCM WM_STATE IconicState).
  virtual bool IsIconic(HWND /*hwnd*/) { return false; }
  // The child windows of an X11 window, topmost first (GetWindow(GW_CHILD / GW_HWNDNEXT)).
  virtual std::vector<HWND> Children(unsigned long /*parentId*/) { return {}; }
};

// Waits up to `milliseconds` for the stop event or for a change of the desktop's top-level
// windows, whichever comes first. WAIT_OBJECT_0: the stop event is signalled; WAIT_TIMEOUT:
// time out or a change. A poll loop uses it so that a new window is seen within milliseconds.
DWORD WaitForStopOrDesktopChange(HANDLE stopEvent, DWORD milliseconds);

// The X11 desktop (created on first use; null when no X display can be opened).
DesktopBackend* X11Desktop();

}  // namespace win32
