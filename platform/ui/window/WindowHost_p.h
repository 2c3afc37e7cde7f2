// The Qt widget behind a CWindowWnd. It turns every Qt event into the Win32 message a DuiLib
// window expects and carries out the window operations (show, move, styles, destroy).
#pragma once

#include "platform/ui/window/WindowWnd.h"
#include "platform/ui/window/OwnWindows_p.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace DuiLib {

class CWindowHost final : public QWidget {
 public:
  // qtParent: the parent host for WS_CHILD, the owner host for owned windows, or null.
  CWindowHost(CWindowWnd* window, QWidget* qtParent, LONG_PTR style, LONG_PTR exStyle,
              const std::string& className, HWND parent, HWND owner);
  ~CWindowHost() override;

  HWND Hwnd() const { return m_hWnd; }
  void SetHwnd(HWND hwnd) { m_hWnd = hwnd; }
  CWindowWnd* Window() const { return m_pWindow; }
  // The CWindowWnd is going away: no more calls into it.
  void DetachWindow() { m_pWindow = nullptr; }

  // Runs the window's HandleMessage (0 when the window has gone).
  LRESULT Deliver(UINT msg, WPARAM wParam, LPARAM lParam);
  QPainter* Painter() const { return m_pPainter; }
  // CS_DBLCLKS decides whether a second click is a double click.
  void SetClassStyle(UINT classStyle) { m_classStyle = classStyle; }

  // WM_DESTROY for owned windows, this window, child windows; WM_NCDESTROY; then the table
  // entry goes and OnFinalMessage runs. The widget itself is deleted later by Qt.
  void Destroy();
  bool IsDestroying() const { return m_bDestroying; }

  LONG_PTR Style() const { return m_style; }
  LONG_PTR ExStyle() const { return m_exStyle; }
  void SetStyle(LONG_PTR style);
  void SetExStyle(LONG_PTR exStyle);
  // A top-level tool window or owned window has no taskbar entry: writes the skip-taskbar
  // state of its X window to match, and the modal state (nothing off X or before the native
  // window exists).
  void ApplyTaskbarState();
  // While its modal loop runs the window is modal to its owner (_NET_WM_STATE_MODAL).
  void SetModal(bool modal);
  bool IsModal() const { return m_bModal; }
  bool IsInputEnabled() const;
  void SetEnabledState(bool enable);
  HWND ParentHwnd() const { return m_parent; }
  HWND OwnerHwnd() const { return m_owner; }

  BOOL ShowCommand(int cmd);
  void MoveTo(int x, int y, int cx, int cy);
  BOOL SetWindowPosition(HWND after, int x, int y, int cx, int cy, UINT flags);
  void ActivateWindow();
  void SetOpacityByte(BYTE alpha);
  BYTE OpacityByte() const { return m_opacity; }
  void SetIconResource(UINT id);
  // Screen rectangle of the window; client rectangle 0,0 based.
  RECT WindowRect() const;
  RECT ClientRect() const;
  // Sends the current state into the window table for other threads.
  void PublishState();
  // WM_MOVE / WM_SIZE for a changed position or size.
  void DeliverPlacement();
  // The default cursor of a hit-test code (arrow, or sizing arrows on the borders).
  void SetCursorForHit(LRESULT hit);

  // Window extra values of SetWindowLongPtr other than the styles.
  LONG_PTR GetExtra(int index) const;
  LONG_PTR SetExtra(int index, LONG_PTR value);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  // Qt's tool-tip request becomes WM_MOUSEHOVER, where the paint manager shows the tip.
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ApplyWindowFlags();
  bool HandleNonClientPress(QMouseEvent* event, bool doubleClick);

 public:
  // Default handling of WM_NCLBUTTONDOWN: caption drags, borders resize. A caption drag begins
  // once the pointer has moved by the drag distance with the button still held, so that a
  // plain click on the caption never hands the pointer to the window manager.
  void StartNonClientDrag(LRESULT hit, const QPoint& globalPos);

 private:
  bool FollowPendingMove(QMouseEvent* event);
  void BeginMove(const QPoint& globalPos);
  void BeginResize(LRESULT hit, const QPoint& globalPos);
  QRect ResizedGeometry(const QPoint& globalPos) const;
  void DeliverKey(QKeyEvent* event, bool down);

  CWindowWnd* m_pWindow;
  HWND m_hWnd = nullptr;
  HWND m_parent;
  HWND m_owner;
  LONG_PTR m_style;
  LONG_PTR m_exStyle;
  std::string m_className;
  std::map<int, LONG_PTR> m_extra;
  QPainter* m_pPainter = nullptr;
  BYTE m_opacity = 255;
  bool m_bDestroying = false;
  bool m_bModal = false;
  bool m_bManualMove = false;
  bool m_bPendingMove = false;  // pressed on the caption, not yet moved by the drag distance
  QPoint m_pendingMoveStart;
  bool m_bDeletePending = false;
  int m_nDeliverDepth = 0;
  // Destroyed while one of its handlers ran: OnFinalMessage runs when that handler returns.
  CWindowWnd* m_pFinalPending = nullptr;
  HWND m_hFinalPending = nullptr;
  UINT m_classStyle = 0;
  QPoint m_moveOffset;
  QPoint m_lastOrigin{-32768, -32768};
  QSize m_lastSize{-1, -1};
  WPARAM m_lastSizeKind = SIZE_RESTORED;
  Qt::Edges m_manualEdges;
  QPoint m_resizeStart;
  QRect m_resizeGeometry;
};

// The window of ours handling a mouse message now (for SetCursor), or null.
CWindowHost* CurrentMouseHost();

// Qt key <-> virtual key; 0 when the key has no virtual key.
UINT QtKeyToVirtualKey(int qtKey, bool keypad);
// MK_ flags of the buttons and modifiers.
WPARAM MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
// The nearest host at or above widget (null when none).
CWindowHost* HostOf(QWidget* widget);

// Shift, Control, Alt, AltGr, Meta, Super and Caps Lock.
bool IsModifierKey(int qtKey);

// A click on, or the activation of, a window disabled for a modal one (a dialog it owns, a
// message box) brings that modal window forward and gives it the keyboard, as on Windows: the
// operator sees what blocks the window instead of a frame that ignores the click. Nothing when
// the window is not ours or not blocked.
void BringBlockingWindowForward(HWND blocked);

}  // namespace DuiLib
