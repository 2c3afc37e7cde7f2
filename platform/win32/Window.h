// Windows and messages. One set of functions serves both kinds of window:
//  - our own windows (Qt widgets of the UI library), reached through the OwnWindowBackend
//    that platform/ui installs at start;
//  - foreign windows (other processes' X11 windows; the HWND value is the X11 window id),
//    reached through the DesktopBackend: X11 by default, an in-memory desktop in tests.
// A handle is ours when the own-window backend says so; everything else is foreign.
#pragma once

#include "platform/win32/Win32Types.h"

#include <string>
#include <vector>

// ShowWindow commands
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9

// Messages
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_SETCURSOR 0x0020
#define WM_GETMINMAXINFO 0x0024
#define WM_COPYDATA 0x004A
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCCALCSIZE 0x0083
#define WM_NCHITTEST 0x0084
#define WM_NCPAINT 0x0085
#define WM_NCACTIVATE 0x0086
#define WM_NCLBUTTONDOWN 0x00A1
#define WM_NCLBUTTONDBLCLK 0x00A3
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MOUSEWHEEL 0x020A
#define WM_MOUSELEAVE 0x02A3
#define WM_MOUSEHOVER 0x02A1
#define WM_USER 0x0400
#define WM_APP 0x8000

#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002

// WM_SYSCOMMAND
#define SC_SIZE 0xF000
#define SC_MOVE 0xF010
#define SC_MINIMIZE 0xF020
#define SC_MAXIMIZE 0xF030
#define SC_CLOSE 0xF060
#define SC_RESTORE 0xF120

// WM_NCHITTEST
#define HTERROR (-2)
#define HTTRANSPARENT (-1)
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTCAPTION 2

// Styles
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW \
  (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_APPWINDOW 0x00040000L
#define WS_EX_LAYERED 0x00080000L
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)

// GetWindow
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5

// SetWindowPos
#define HWND_TOP (reinterpret_cast<HWND>(0))
#define HWND_BOTTOM (reinterpret_cast<HWND>(1))
#define HWND_TOPMOST (reinterpret_cast<HWND>(-1))
#define HWND_NOTOPMOST (reinterpret_cast<HWND>(-2))
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080

struct COPYDATASTRUCT {
  ULONG_PTR dwData;
  DWORD cbData;
  LPVOID lpData;
};

namespace win32 {

// Our own windows; implemented by platform/ui.
class OwnWindowBackend {
 public:
  virtual ~OwnWindowBackend() = default;
  virtual bool IsOwn(HWND hwnd) = 0;
  // Runs the window's handler at once (GUI thread).
  virtual LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  // Queues the message for the GUI thread; safe from any thread; FALSE when hwnd is not live.
  virtual BOOL Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  // hwnd == null: the calling thread's innermost message loop.
  virtual void PostQuit(int exitCode) = 0;
  virtual UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs) = 0;
  virtual BOOL KillTimer(HWND hwnd, UINT_PTR id) = 0;
  virtual BOOL Show(HWND hwnd, int cmd) = 0;
  virtual BOOL Move(HWND hwnd, int x, int y, int width, int height, BOOL repaint) = 0;
  virtual BOOL SetPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) = 0;
  virtual BOOL GetWindowRect(HWND hwnd, RECT* rect) = 0;  // screen coordinates
  virtual BOOL GetClientRect(HWND hwnd, RECT* rect) = 0;  // 0,0 based
  virtual BOOL IsVisible(HWND hwnd) = 0;
  virtual BOOL IsIconic(HWND hwnd) = 0;
  virtual BOOL IsZoomed(HWND hwnd) = 0;
  virtual std::string ClassName(HWND hwnd) = 0;
  virtual HWND Parent(HWND hwnd) = 0;
  virtual HWND Owner(HWND hwnd) = 0;
  virtual LONG_PTR GetLong(HWND hwnd, int index) = 0;
  virtual LONG_PTR SetLong(HWND hwnd, int index, LONG_PTR value) = 0;
  virtual BOOL Activate(HWND hwnd) = 0;  // raise, activate, take the keyboard focus
  virtual BOOL Destroy(HWND hwnd) = 0;
  virtual BOOL Enable(HWND hwnd, BOOL enable) = 0;
  virtual BOOL IsEnabled(HWND hwnd) = 0;
  // The native X11 window id of an own window (0 when there is none, e.g. offscreen).
  virtual unsigned long NativeId(HWND hwnd) = 0;
  // The own window whose native window (or a child of it) has this X11 id, or null.
  virtual HWND FromNativeId(unsigned long xid) = 0;
  virtual HWND Foreground() = 0;
  virtual HWND Focus() = 0;
  // Device pixels per logical point of our windows (QT_SCALE_FACTOR, the screen's ratio).
  // Our windows and every coordinate the system passes are logical; foreign X windows are
  // measured in device pixels, so the window functions convert with this where they meet.
  // Safe from any thread.
  virtual double DevicePixelRatio() { return 1.0; }
};

// Foreign windows; X11 unless a test installs another desktop.
class DesktopBackend;

void SetOwnWindowBackend(OwnWindowBackend* backend);
OwnWindowBackend* GetOwnWindowBackend();
void SetDesktopBackend(DesktopBackend* backend);  // null restores the X11 desktop
DesktopBackend* GetDesktopBackend();

}  // namespace win32

using WNDENUMPROC = BOOL (*)(HWND hwnd, LPARAM lParam);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

BOOL EnumWindows(WNDENUMPROC callback, LPARAM lParam);
int GetClassNameA(HWND hwnd, LPSTR className, int maxCount);
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);
BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetParent(HWND hwnd);
HWND SetParent(HWND child, HWND newParent);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL ShowWindow(HWND hwnd, int cmd);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL BringWindowToTop(HWND hwnd);
BOOL SetForegroundWindow(HWND hwnd);
HWND SetActiveWindow(HWND hwnd);
void SwitchToThisWindow(HWND hwnd, BOOL altTab);
HWND GetForegroundWindow();
HWND SetFocus(HWND hwnd);
HWND GetFocus();
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL DestroyWindow(HWND hwnd);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
LONG GetWindowLongA(HWND hwnd, int index);
LONG SetWindowLongA(HWND hwnd, int index, LONG value);
BOOL ScreenToClient(HWND hwnd, LPPOINT point);
BOOL ClientToScreen(HWND hwnd, LPPOINT point);

// Messages. To a foreign window, WM_LBUTTONDOWN/UP click at the client point in lParam,
// WM_CHAR types one UTF-16 unit (a surrogate pair is typed when its second half arrives),
// WM_CLOSE asks the window to close.
LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
UINT RegisterWindowMessageA(LPCSTR name);

// The first top-level window (topmost first) whose class and title match; a null argument
// matches anything. Covers our own windows and other programs' windows.
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
