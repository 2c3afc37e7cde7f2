// DuiLib's window base class on a Qt host widget.
//
// A CWindowWnd owns one native window (a frameless Qt widget, see WindowHost). Every Qt event
// of that widget reaches HandleMessage as the Win32 message a DuiLib window expects:
//   WM_CREATE      once the host exists (inside Create), before it is shown
//   WM_PAINT       during the paint event; GetPainter() is valid then, wParam 0,
//                  lParam = const RECT* with the dirty rectangle
//   WM_SIZE/MOVE   client size (SIZE_* in wParam) / client position of the window
//   WM_KEYDOWN/UP  VK_ codes; WM_CHAR with the UTF-16 unit(s) of the typed text
//   mouse messages client coordinates in lParam (MAKELPARAM), MK_ flags in wParam; a move
//                  is preceded by WM_NCHITTEST and WM_SETCURSOR, a left press by
//                  WM_NCHITTEST: a non-client answer (HTCAPTION, sizing borders) turns the
//                  press into WM_NCLBUTTONDOWN, whose default handling drags or sizes the
//                  window (by the window manager where there is one)
//   WM_MOUSEWHEEL  delta in the high word of wParam, screen coordinates in lParam
//   WM_SETFOCUS/WM_KILLFOCUS, WM_ACTIVATE/WM_NCACTIVATE, WM_SHOWWINDOW, WM_ENABLE
//   WM_CLOSE       close button, Alt+F4, Close(); the base handling destroys the window
//   WM_DESTROY, WM_NCDESTROY, then OnFinalMessage(hwnd) (heap windows delete themselves there)
// Messages posted with PostMessageA and timers of SetTimer arrive the same way, on the GUI
// thread. Keyboard messages pass the pre-translate hook first (MessageLoop.h). A window
// disabled by EnableWindow (or WS_DISABLED) gets no input, neither do Qt editors on it.
// The HWND is the X11 window id of the host under xcb, a synthetic id otherwise.
#pragma once

#include "platform/ui/core/DuiString.h"
#include "platform/ui/desktop/DesktopServices.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"

class QPainter;
class QWidget;

using LPCTSTR = const char*;
using LPTSTR = char*;

// Window and message constants the UI library's users need beyond platform/win32/Window.h.
#ifndef CW_USEDEFAULT
#define CW_USEDEFAULT (static_cast<int>(0x80000000))
#endif
#ifndef WM_SYSKEYUP
#define WM_SYSKEYUP 0x0105
#endif
#ifndef WM_SYSCHAR
#define WM_SYSCHAR 0x0106
#endif
#ifndef WM_MBUTTONDOWN
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#endif
#ifndef WM_MOUSEHWHEEL
#define WM_MOUSEHWHEEL 0x020E
#endif
#ifndef WM_NCMOUSEMOVE
#define WM_NCMOUSEMOVE 0x00A0
#endif
#ifndef WM_NCLBUTTONUP
#define WM_NCLBUTTONUP 0x00A2
#endif
#ifndef WM_NCRBUTTONDOWN
#define WM_NCRBUTTONDOWN 0x00A4
#endif
#ifndef WM_CONTEXTMENU
#define WM_CONTEXTMENU 0x007B
#endif
#ifndef WM_SETICON
#define WM_SETICON 0x0080
#endif
#ifndef WM_ACTIVATEAPP
#define WM_ACTIVATEAPP 0x001C
#endif
#ifndef WM_CANCELMODE
#define WM_CANCELMODE 0x001F
#endif
#ifndef WM_ENABLE
#define WM_ENABLE 0x000A
#endif
#ifndef WM_SETTEXT
#define WM_SETTEXT 0x000C
#endif
#ifndef WM_WINDOWPOSCHANGED
#define WM_WINDOWPOSCHANGED 0x0047
#endif
#ifndef WM_CAPTURECHANGED
#define WM_CAPTURECHANGED 0x0215
#endif

#ifndef MK_SHIFT
#define MK_SHIFT 0x0004
#endif
#ifndef MK_CONTROL
#define MK_CONTROL 0x0008
#endif
#ifndef MK_MBUTTON
#define MK_MBUTTON 0x0010
#endif
#ifndef WHEEL_DELTA
#define WHEEL_DELTA 120
#endif
inline short GET_WHEEL_DELTA_WPARAM(WPARAM w) {
  return static_cast<short>(HIWORD(w));
}
inline WORD GET_KEYSTATE_WPARAM(WPARAM w) {
  return LOWORD(w);
}

// WM_SIZE wParam
#ifndef SIZE_RESTORED
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2
#endif

// WM_ACTIVATE
#ifndef WA_INACTIVE
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2
#endif

// WM_NCHITTEST results beyond HTCAPTION (sizing borders)
#ifndef HTSYSMENU
#define HTSYSMENU 3
#define HTMINBUTTON 8
#define HTMAXBUTTON 9
#define HTLEFT 10
#define HTRIGHT 11
#define HTTOP 12
#define HTTOPLEFT 13
#define HTTOPRIGHT 14
#define HTBOTTOM 15
#define HTBOTTOMLEFT 16
#define HTBOTTOMRIGHT 17
#define HTBORDER 18
#define HTCLOSE 20
#endif

#ifndef WS_POPUPWINDOW
#define WS_POPUPWINDOW (WS_POPUP | WS_BORDER | WS_SYSMENU)
#endif
#ifndef WS_EX_DLGMODALFRAME
#define WS_EX_DLGMODALFRAME 0x00000001L
#endif
#ifndef WS_EX_NOACTIVATE
#define WS_EX_NOACTIVATE 0x08000000L
#endif

// Class styles
#ifndef CS_VREDRAW
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_SAVEBITS 0x0800
#define CS_DROPSHADOW 0x00020000
#endif

// DuiLib's window and class styles
#define UI_WNDSTYLE_CONTAINER (0)
#define UI_WNDSTYLE_FRAME (WS_VISIBLE | WS_OVERLAPPEDWINDOW)
#define UI_WNDSTYLE_CHILD (WS_VISIBLE | WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)
#define UI_WNDSTYLE_DIALOG \
  (WS_VISIBLE | WS_POPUPWINDOW | WS_CAPTION | WS_DLGFRAME | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)
#define UI_WNDSTYLE_EX_FRAME (WS_EX_WINDOWEDGE)
#define UI_WNDSTYLE_EX_DIALOG (WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME)
#define UI_CLASSSTYLE_CONTAINER (0)
#define UI_CLASSSTYLE_FRAME (CS_VREDRAW | CS_HREDRAW)
#define UI_CLASSSTYLE_CHILD (CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS)
#define UI_CLASSSTYLE_DIALOG (CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS)

// Virtual keys (WM_KEYDOWN/WM_KEYUP wParam) beyond those of platform/win32/Input.h.
// Letters and digits are their ASCII capitals.
#ifndef VK_BACK
#define VK_BACK 0x08
#endif
#ifndef VK_TAB
#define VK_TAB 0x09
#endif
#ifndef VK_RETURN
#define VK_RETURN 0x0D
#endif
#ifndef VK_SHIFT
#define VK_SHIFT 0x10
#endif
#ifndef VK_CONTROL
#define VK_CONTROL 0x11
#endif
#ifndef VK_MENU
#define VK_MENU 0x12
#endif
#ifndef VK_PAUSE
#define VK_PAUSE 0x13
#endif
#ifndef VK_CAPITAL
#define VK_CAPITAL 0x14
#endif
#ifndef VK_ESCAPE
#define VK_ESCAPE 0x1B
#endif
#ifndef VK_SPACE
#define VK_SPACE 0x20
#endif
#ifndef VK_PRIOR
#define VK_PRIOR 0x21
#endif
#ifndef VK_NEXT
#define VK_NEXT 0x22
#endif
#ifndef VK_END
#define VK_END 0x23
#endif
#ifndef VK_HOME
#define VK_HOME 0x24
#endif
#ifndef VK_LEFT
#define VK_LEFT 0x25
#endif
#ifndef VK_UP
#define VK_UP 0x26
#endif
#ifndef VK_RIGHT
#define VK_RIGHT 0x27
#endif
#ifndef VK_DOWN
#define VK_DOWN 0x28
#endif
#ifndef VK_INSERT
#define VK_INSERT 0x2D
#endif
#ifndef VK_DELETE
#define VK_DELETE 0x2E
#endif
#ifndef VK_LWIN
#define VK_LWIN 0x5B
#endif
#ifndef VK_RWIN
#define VK_RWIN 0x5C
#endif
#ifndef VK_APPS
#define VK_APPS 0x5D
#endif
#ifndef VK_NUMPAD0
#define VK_NUMPAD0 0x60
#endif
#ifndef VK_MULTIPLY
#define VK_MULTIPLY 0x6A
#endif
#ifndef VK_ADD
#define VK_ADD 0x6B
#endif
#ifndef VK_SUBTRACT
#define VK_SUBTRACT 0x6D
#endif
#ifndef VK_DECIMAL
#define VK_DECIMAL 0x6E
#endif
#ifndef VK_DIVIDE
#define VK_DIVIDE 0x6F
#endif
#ifndef VK_F1
#define VK_F1 0x70
#endif
#ifndef VK_F4
#define VK_F4 0x73
#endif
#ifndef VK_F12
#define VK_F12 0x7B
#endif
#ifndef VK_LSHIFT
#define VK_LSHIFT 0xA0
#endif
#ifndef VK_RSHIFT
#define VK_RSHIFT 0xA1
#endif
#ifndef VK_LCONTROL
#define VK_LCONTROL 0xA2
#endif
#ifndef VK_RCONTROL
#define VK_RCONTROL 0xA3
#endif
#ifndef VK_LMENU
#define VK_LMENU 0xA4
#endif
#ifndef VK_RMENU
#define VK_RMENU 0xA5
#endif

namespace DuiLib {

class CWindowHost;

class CWindowWnd {
 public:
  CWindowWnd();
  // Destroying the object while its window lives removes the window without calling back
  // into the (already destroyed) derived class.
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // Window classes need no registration here; kept for DuiLib's callers.
  bool RegisterWindowClass() { return true; }
  bool RegisterSuperclass() { return true; }

  // Creates the host widget: a frameless top-level window, owned by hwndParent when given
  // (stays above it), or a child of hwndParent with WS_CHILD. WS_VISIBLE shows it after
  // WM_CREATE. Returns null (logged) when the parent is not a window of ours or a
  // window already exists for this object.
  HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT rc,
              HMENU hMenu = nullptr);
  HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle,
              int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT,
              int cy = CW_USEDEFAULT, HMENU hMenu = nullptr);
  HWND CreateDuiWindow(HWND hwndParent, LPCTSTR pstrWindowName, DWORD dwStyle = 0,
                       DWORD dwExStyle = 0);

  void ShowWindow(bool bShow = true, bool bTakeFocus = true);
  // Shows the window, disables its owner and runs a nested message loop until the window is
  // destroyed or a quit message arrives; returns the code given to Close (0 on a quit).
  // A quit that ended this loop is handed on to the enclosing loop, if one runs.
  UINT ShowModal();
  // Posts WM_CLOSE with nRet in wParam.
  void Close(UINT nRet = IDOK);
  // Centres on the owner (or the parent's window), else on the screen's work area.
  void CenterWindow();
  // Icon resource nRes: "<program folder>/skin/icon_<nRes>.png" when present.
  void SetIcon(UINT nRes);
  LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0L);
  LRESULT PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0L);
  // Sets the client size; -1 keeps that dimension.
  void ResizeClient(int cx = -1, int cy = -1);

  // 0 (transparent) to 255 (opaque).
  void SetOpacity(BYTE alpha);
  BYTE GetOpacity() const;

  // The Qt host widget, for child editors of controls; null before Create and after destroy.
  QWidget* GetWidget() const;
  // The painter of the paint event in progress; valid only while WM_PAINT is handled.
  QPainter* GetPainter() const;

  // The CWindowWnd behind a window of ours, or null.
  static CWindowWnd* FromHandle(HWND hWnd);

  // Every message of the window goes through here; the base gives the default handling
  // (DefWindowProc): WM_CLOSE destroys, WM_SYSCOMMAND minimises/maximises/restores/closes,
  // WM_NCHITTEST answers HTCLIENT, everything else 0.
  virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
  // The default handling of a message, as the base HandleMessage gives it.
  LRESULT DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);

 protected:
  virtual LPCTSTR GetWindowClassName() const = 0;
  virtual LPCTSTR GetSuperClassName() const;
  virtual UINT GetClassStyle() const;
  // Called after WM_NCDESTROY, when the window is gone; may delete this.
  virtual void OnFinalMessage(HWND hWnd);

  HWND m_hWnd = nullptr;

 private:
  friend class CWindowHost;
  friend class COwnWindows;
  // The host tells the window that it has gone (after WM_NCDESTROY); runFinal: call
  // OnFinalMessage.
  void HostDestroyed(HWND hWnd, bool runFinal);

  CWindowHost* m_pHost = nullptr;
};

}  // namespace DuiLib

// The default handling of a message for a window of ours (CWindowWnd::DefWindowProc);
// 0 for other windows.
LRESULT DefWindowProcA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
