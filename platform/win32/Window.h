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

// Each constant has the type of the literal Win32 writes it with: int, or long for the
// L-suffixed styles, so that expressions (complements of styles above all) keep their Win32
// meaning.

// ShowWindow commands
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_NORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_MAXIMIZE = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWMINNOACTIVE = 7;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;

// CreateWindow: let the system choose the position or size.
inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// Messages
inline constexpr int WM_NULL = 0x0000;
inline constexpr int WM_CREATE = 0x0001;
inline constexpr int WM_DESTROY = 0x0002;
inline constexpr int WM_MOVE = 0x0003;
inline constexpr int WM_SIZE = 0x0005;
inline constexpr int WM_ACTIVATE = 0x0006;
inline constexpr int WM_SETFOCUS = 0x0007;
inline constexpr int WM_KILLFOCUS = 0x0008;
inline constexpr int WM_ENABLE = 0x000A;
inline constexpr int WM_SETTEXT = 0x000C;
inline constexpr int WM_PAINT = 0x000F;
inline constexpr int WM_CLOSE = 0x0010;
inline constexpr int WM_QUIT = 0x0012;
inline constexpr int WM_ERASEBKGND = 0x0014;
inline constexpr int WM_SHOWWINDOW = 0x0018;
inline constexpr int WM_ACTIVATEAPP = 0x001C;
inline constexpr int WM_CANCELMODE = 0x001F;
inline constexpr int WM_SETCURSOR = 0x0020;
inline constexpr int WM_GETMINMAXINFO = 0x0024;
inline constexpr int WM_WINDOWPOSCHANGED = 0x0047;
inline constexpr int WM_COPYDATA = 0x004A;
inline constexpr int WM_CONTEXTMENU = 0x007B;
inline constexpr int WM_SETICON = 0x0080;
inline constexpr int WM_NCCREATE = 0x0081;
inline constexpr int WM_NCDESTROY = 0x0082;
inline constexpr int WM_NCCALCSIZE = 0x0083;
inline constexpr int WM_NCHITTEST = 0x0084;
inline constexpr int WM_NCPAINT = 0x0085;
inline constexpr int WM_NCACTIVATE = 0x0086;
inline constexpr int WM_NCMOUSEMOVE = 0x00A0;
inline constexpr int WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr int WM_NCLBUTTONUP = 0x00A2;
inline constexpr int WM_NCLBUTTONDBLCLK = 0x00A3;
inline constexpr int WM_NCRBUTTONDOWN = 0x00A4;
inline constexpr int WM_KEYDOWN = 0x0100;
inline constexpr int WM_KEYUP = 0x0101;
inline constexpr int WM_CHAR = 0x0102;
inline constexpr int WM_SYSKEYDOWN = 0x0104;
inline constexpr int WM_SYSKEYUP = 0x0105;
inline constexpr int WM_SYSCHAR = 0x0106;
inline constexpr int WM_SYSCOMMAND = 0x0112;
inline constexpr int WM_TIMER = 0x0113;
inline constexpr int WM_MOUSEMOVE = 0x0200;
inline constexpr int WM_LBUTTONDOWN = 0x0201;
inline constexpr int WM_LBUTTONUP = 0x0202;
inline constexpr int WM_LBUTTONDBLCLK = 0x0203;
inline constexpr int WM_RBUTTONDOWN = 0x0204;
inline constexpr int WM_RBUTTONUP = 0x0205;
inline constexpr int WM_RBUTTONDBLCLK = 0x0206;
inline constexpr int WM_MBUTTONDOWN = 0x0207;
inline constexpr int WM_MBUTTONUP = 0x0208;
inline constexpr int WM_MBUTTONDBLCLK = 0x0209;
inline constexpr int WM_MOUSEWHEEL = 0x020A;
inline constexpr int WM_MOUSEHWHEEL = 0x020E;
inline constexpr int WM_CAPTURECHANGED = 0x0215;
inline constexpr int WM_MOUSEHOVER = 0x02A1;
inline constexpr int WM_MOUSELEAVE = 0x02A3;
inline constexpr int WM_USER = 0x0400;
inline constexpr int WM_APP = 0x8000;

// Mouse messages: key and button state in wParam; the wheel's delta in its high word.
inline constexpr int MK_LBUTTON = 0x0001;
inline constexpr int MK_RBUTTON = 0x0002;
inline constexpr int MK_SHIFT = 0x0004;
inline constexpr int MK_CONTROL = 0x0008;
inline constexpr int MK_MBUTTON = 0x0010;
inline constexpr int WHEEL_DELTA = 120;
inline short GET_WHEEL_DELTA_WPARAM(WPARAM w) {
  return static_cast<short>(HIWORD(w));
}
inline WORD GET_KEYSTATE_WPARAM(WPARAM w) {
  return LOWORD(w);
}

// WM_SIZE wParam
inline constexpr int SIZE_RESTORED = 0;
inline constexpr int SIZE_MINIMIZED = 1;
inline constexpr int SIZE_MAXIMIZED = 2;

// WM_ACTIVATE wParam
inline constexpr int WA_INACTIVE = 0;
inline constexpr int WA_ACTIVE = 1;
inline constexpr int WA_CLICKACTIVE = 2;

// WM_SYSCOMMAND
inline constexpr int SC_SIZE = 0xF000;
inline constexpr int SC_MOVE = 0xF010;
inline constexpr int SC_MINIMIZE = 0xF020;
inline constexpr int SC_MAXIMIZE = 0xF030;
inline constexpr int SC_CLOSE = 0xF060;
inline constexpr int SC_RESTORE = 0xF120;

// WM_NCHITTEST
inline constexpr int HTERROR = -2;
inline constexpr int HTTRANSPARENT = -1;
inline constexpr int HTNOWHERE = 0;
inline constexpr int HTCLIENT = 1;
inline constexpr int HTCAPTION = 2;
inline constexpr int HTSYSMENU = 3;
inline constexpr int HTMINBUTTON = 8;
inline constexpr int HTMAXBUTTON = 9;
inline constexpr int HTLEFT = 10;
inline constexpr int HTRIGHT = 11;
inline constexpr int HTTOP = 12;
inline constexpr int HTTOPLEFT = 13;
inline constexpr int HTTOPRIGHT = 14;
inline constexpr int HTBOTTOM = 15;
inline constexpr int HTBOTTOMLEFT = 16;
inline constexpr int HTBOTTOMRIGHT = 17;
inline constexpr int HTBORDER = 18;
inline constexpr int HTCLOSE = 20;

// Styles
inline constexpr long WS_OVERLAPPED = 0x00000000;
inline constexpr long WS_POPUP = 0x80000000;
inline constexpr long WS_CHILD = 0x40000000;
inline constexpr long WS_MINIMIZE = 0x20000000;
inline constexpr long WS_VISIBLE = 0x10000000;
inline constexpr long WS_DISABLED = 0x08000000;
inline constexpr long WS_CLIPSIBLINGS = 0x04000000;
inline constexpr long WS_CLIPCHILDREN = 0x02000000;
inline constexpr long WS_MAXIMIZE = 0x01000000;
inline constexpr long WS_CAPTION = 0x00C00000;
inline constexpr long WS_BORDER = 0x00800000;
inline constexpr long WS_DLGFRAME = 0x00400000;
inline constexpr long WS_VSCROLL = 0x00200000;
inline constexpr long WS_HSCROLL = 0x00100000;
inline constexpr long WS_SYSMENU = 0x00080000;
inline constexpr long WS_THICKFRAME = 0x00040000;
inline constexpr long WS_MINIMIZEBOX = 0x00020000;
inline constexpr long WS_MAXIMIZEBOX = 0x00010000;
inline constexpr long WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline constexpr long WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU;
inline constexpr long WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr long WS_EX_TOPMOST = 0x00000008;
inline constexpr long WS_EX_TRANSPARENT = 0x00000020;
inline constexpr long WS_EX_TOOLWINDOW = 0x00000080;
inline constexpr long WS_EX_WINDOWEDGE = 0x00000100;
inline constexpr long WS_EX_APPWINDOW = 0x00040000;
inline constexpr long WS_EX_LAYERED = 0x00080000;
inline constexpr long WS_EX_NOACTIVATE = 0x08000000;
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;

// Class styles
inline constexpr int CS_VREDRAW = 0x0001;
inline constexpr int CS_HREDRAW = 0x0002;
inline constexpr int CS_DBLCLKS = 0x0008;
inline constexpr int CS_SAVEBITS = 0x0800;
inline constexpr int CS_DROPSHADOW = 0x00020000;

// GetWindow
inline constexpr int GW_HWNDFIRST = 0;
inline constexpr int GW_HWNDLAST = 1;
inline constexpr int GW_HWNDNEXT = 2;
inline constexpr int GW_HWNDPREV = 3;
inline constexpr int GW_OWNER = 4;
inline constexpr int GW_CHILD = 5;

// SetWindowPos. The insert-after handles are pointers: they cannot be constant expressions.
#define HWND_TOP (reinterpret_cast<HWND>(0))
#define HWND_BOTTOM (reinterpret_cast<HWND>(1))
#define HWND_TOPMOST (reinterpret_cast<HWND>(-1))
#define HWND_NOTOPMOST (reinterpret_cast<HWND>(-2))
inline constexpr int SWP_NOSIZE = 0x0001;
inline constexpr int SWP_NOMOVE = 0x0002;
inline constexpr int SWP_NOZORDER = 0x0004;
inline constexpr int SWP_NOACTIVATE = 0x0010;
inline constexpr int SWP_FRAMECHANGED = 0x0020;
inline constexpr int SWP_SHOWWINDOW = 0x0040;
inline constexpr int SWP_HIDEWINDOW = 0x0080;

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
