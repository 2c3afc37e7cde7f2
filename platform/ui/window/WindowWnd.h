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

#include "platform/ui/core/DialogResults.h"
#include "platform/ui/core/DuiString.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"

class QPainter;
class QWidget;

using LPCTSTR = const char*;
using LPTSTR = char*;

// DuiLib's window and class styles
inline constexpr int UI_WNDSTYLE_CONTAINER = 0;
inline constexpr long UI_WNDSTYLE_FRAME = WS_VISIBLE | WS_OVERLAPPEDWINDOW;
inline constexpr long UI_WNDSTYLE_CHILD = WS_VISIBLE | WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
inline constexpr long UI_WNDSTYLE_DIALOG =
    WS_VISIBLE | WS_POPUPWINDOW | WS_CAPTION | WS_DLGFRAME | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
inline constexpr long UI_WNDSTYLE_EX_FRAME = WS_EX_WINDOWEDGE;
inline constexpr long UI_WNDSTYLE_EX_DIALOG = WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME;
inline constexpr int UI_CLASSSTYLE_CONTAINER = 0;
inline constexpr int UI_CLASSSTYLE_FRAME = CS_VREDRAW | CS_HREDRAW;
inline constexpr int UI_CLASSSTYLE_CHILD = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS;
inline constexpr int UI_CLASSSTYLE_DIALOG = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS;

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
