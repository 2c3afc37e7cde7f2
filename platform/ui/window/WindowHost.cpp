// Own
#include "platform/ui/window/WindowHost_p.h"

// Project
#include "platform/log/Log.h"
#include "platform/ui/window/MessageLoop_p.h"
#include "platform/win32/TaskbarEntry.h"

// Qt
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWindow>

// Standard
#include <algorithm>
#include <array>
#include <utility>

namespace DuiLib {
namespace {

CWindowHost* s_mouseHost = nullptr;

// Sets s_mouseHost for the duration of one mouse message.
class CMouseScope {
 public:
  explicit CMouseScope(CWindowHost* host) : m_previous(std::exchange(s_mouseHost, host)) {}
  ~CMouseScope() { s_mouseHost = m_previous; }

 private:
  CWindowHost* m_previous;
};

// Qt keys without an ASCII-equal virtual key. Letters, digits and space share their codes
// with Qt (Key_A == 'A' == VK 0x41) and are handled before this table.
constexpr std::array<std::pair<int, UINT>, 37> kKeyTable = {{
    {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Tab, VK_TAB},
    {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},
    {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_Home, VK_HOME},
    {Qt::Key_End, VK_END},
    {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},
    {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL},
    {Qt::Key_Alt, VK_MENU},
    {Qt::Key_CapsLock, VK_CAPITAL},
    {Qt::Key_Meta, VK_LWIN},
    {Qt::Key_Menu, VK_APPS},
    {Qt::Key_Semicolon, 0xBA},
    {Qt::Key_Colon, 0xBA},
    {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC},
    {Qt::Key_Minus, 0xBD},
    {Qt::Key_Period, 0xBE},
    {Qt::Key_Slash, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},
    {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC},
    {Qt::Key_BracketRight, 0xDD},
    {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_Asterisk, VK_MULTIPLY},
}};

bool IsXcb() {
  return QGuiApplication::platformName() == QLatin1String("xcb");
}

// The offscreen platform cannot restack windows and says so on every try.
bool CanRestack() {
  return QGuiApplication::platformName() != QLatin1String("offscreen");
}

LPARAM PointParam(const QPoint& p) {
  return MAKELPARAM(p.x(), p.y());
}

RECT ToRect(const QRect& r) {
  return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

Qt::Edges EdgesOfHit(LRESULT hit) {
  switch (hit) {
    case HTLEFT:
      return Qt::LeftEdge;
    case HTRIGHT:
      return Qt::RightEdge;
    case HTTOP:
      return Qt::TopEdge;
    case HTBOTTOM:
      return Qt::BottomEdge;
    case HTTOPLEFT:
      return Qt::TopEdge | Qt::LeftEdge;
    case HTTOPRIGHT:
      return Qt::TopEdge | Qt::RightEdge;
    case HTBOTTOMLEFT:
      return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT:
      return Qt::BottomEdge | Qt::RightEdge;
    default:
      return {};
  }
}

}  // namespace

void BringBlockingWindowForward(HWND blocked) {
  COwnWindows& windows = COwnWindows::Instance();
  CWindowHost* host = windows.Host(blocked);
  if (host) host = HostOf(host->window());
  if (!host || host->IsInputEnabled() || host->IsDestroying()) return;
  if (QWidget* box = QApplication::activeModalWidget(); box && box->isVisible()) {
    box->raise();
    box->activateWindow();
    return;
  }
  // From the first owner down: the press may be in a disabled window owned by the blocked one.
  for (CWindowHost* owner = host; owner && owner->OwnerHwnd();) {
    owner = windows.Host(owner->OwnerHwnd());
    if (owner) host = owner;
  }
  CWindowHost* target = host;
  for (bool deeper = true; deeper;) {
    deeper = false;
    for (HWND owned : windows.OwnedBy(target->Hwnd())) {
      CWindowHost* candidate = windows.Host(owned);
      if (candidate && candidate->isVisible() && candidate->IsModal()) {
        target = candidate;
        deeper = true;
        break;
      }
    }
  }
  if (target != host) target->ActivateWindow();
}

bool IsModifierKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
      return true;
    default:
      return false;
  }
}

UINT QtKeyToVirtualKey(int qtKey, bool keypad) {
  if (keypad && qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
    return VK_NUMPAD0 + static_cast<UINT>(qtKey - Qt::Key_0);
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) ||
      qtKey == Qt::Key_Space)
    return static_cast<UINT>(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
    return VK_F1 + static_cast<UINT>(qtKey - Qt::Key_F1);
  for (const auto& [key, vk] : kKeyTable)
    if (key == qtKey) return vk;
  return 0;
}

WPARAM MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  WPARAM flags = 0;
  if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
  if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
  return flags;
}

CWindowHost* HostOf(QWidget* widget) {
  for (; widget; widget = widget->parentWidget())
    if (auto* host = dynamic_cast<CWindowHost*>(widget)) return host;
  return nullptr;
}

CWindowHost* CurrentMouseHost() {
  return s_mouseHost;
}

CWindowHost::CWindowHost(CWindowWnd* window, QWidget* qtParent, LONG_PTR style, LONG_PTR exStyle,
                         const std::string& className, HWND parent, HWND owner)
    : QWidget(qtParent),
      m_pWindow(window),
      m_parent(parent),
      m_owner(owner),
      m_style(style),
      m_exStyle(exStyle),
      m_className(className) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  // Tips also while the keyboard focus is in a foreign window embedded in ours, which Qt
  // counts as the window being inactive.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  ApplyWindowFlags();
}

CWindowHost::~CWindowHost() {
  if (m_bDestroying) return;
  // Deleted from outside (e.g. with a Qt parent): no messages any more, just forget it.
  m_bDestroying = true;
  if (s_mouseHost == this) s_mouseHost = nullptr;
  StopWindowTimers(m_hWnd);
  COwnWindows::Instance().Remove(m_hWnd);
  NotifyWindowGone(m_hWnd);
  if (CWindowWnd* window = std::exchange(m_pWindow, nullptr)) window->HostDestroyed(m_hWnd, false);
}

LRESULT CWindowHost::Deliver(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!m_pWindow) return 0;
  ++m_nDeliverDepth;
  const LRESULT result = m_pWindow->HandleMessage(msg, wParam, lParam);
  if (m_nDeliverDepth == 1 && m_pFinalPending) {
    // The handler that was running when the window was destroyed has returned: the window
    // object may go now.
    CWindowWnd* window = std::exchange(m_pFinalPending, nullptr);
    window->OnFinalMessage(m_hFinalPending);
  }
  if (--m_nDeliverDepth == 0 && m_bDeletePending) {
    m_bDeletePending = false;
    deleteLater();
  }
  return result;
}

void CWindowHost::Destroy() {
  if (m_bDestroying) return;
  m_bDestroying = true;
  const HWND hwnd = m_hWnd;
  COwnWindows& windows = COwnWindows::Instance();
  // Windows' order: owned windows go first, children after their parent's WM_DESTROY.
  for (HWND owned : windows.OwnedBy(hwnd))
    if (CWindowHost* host = windows.Host(owned)) host->Destroy();
  Deliver(WM_DESTROY, 0, 0);
  for (HWND child : windows.ChildrenOf(hwnd))
    if (CWindowHost* host = windows.Host(child)) host->Destroy();
  Deliver(WM_NCDESTROY, 0, 0);
  StopWindowTimers(hwnd);
  if (s_mouseHost == this) s_mouseHost = nullptr;
  hide();
  windows.Remove(hwnd);
  NotifyWindowGone(hwnd);
  ++m_nDeliverDepth;  // OnFinalMessage may delete the window object, never this widget
  if (CWindowWnd* window = std::exchange(m_pWindow, nullptr)) {
    // A handler of this window is still running (a modal loop it opened, ended by a signal
    // or a close from outside): OnFinalMessage, which may delete the object under that
    // handler, waits until it returns.
    const bool inHandler = m_nDeliverDepth > 1;
    window->HostDestroyed(hwnd, !inHandler);
    if (inHandler) {
      m_pFinalPending = window;
      m_hFinalPending = hwnd;
    }
  }
  --m_nDeliverDepth;
  // Deleted once no handler of this window is running any more.
  if (m_nDeliverDepth == 0)
    deleteLater();
  else
    m_bDeletePending = true;
}

void CWindowHost::ApplyWindowFlags() {
  Qt::WindowFlags flags;
  if (m_style & WS_CHILD) {
    flags = Qt::Widget;
  } else {
    // An owned window is a dialog to X: Qt writes WM_TRANSIENT_FOR (the owner) only for
    // dialog-like types, and without it the window manager lets the owner cover it.
    flags = (m_exStyle & WS_EX_TOOLWINDOW) ? Qt::Tool : (m_owner ? Qt::Dialog : Qt::Window);
    flags |= Qt::FramelessWindowHint;
    if (m_exStyle & WS_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
    if (m_exStyle & WS_EX_NOACTIVATE) flags |= Qt::WindowDoesNotAcceptFocus;
  }
  if (windowFlags() == flags) return;
  const bool visible = isVisible();
  setWindowFlags(flags);  // hides a shown window
  // Written while unmapped: Qt keeps states it did not set when it maps the window again.
  ApplyTaskbarState();
  if (visible) show();
}

void CWindowHost::ApplyTaskbarState() {
  // The id the window was made with: the X window outlives a change of flags, but Qt forgets
  // its id (internalWinId) until the window is shown again.
  const unsigned long nativeId = m_hWnd ? COwnWindows::Instance().NativeId(m_hWnd) : 0;
  if ((m_style & WS_CHILD) || !IsXcb() || !nativeId) return;
  // An owned window is part of its owner's task: one taskbar entry, the owner's.
  win32::SetSkipTaskbar(nativeId, (m_exStyle & WS_EX_TOOLWINDOW) != 0 || m_owner != nullptr);
  win32::SetModalState(nativeId, m_bModal);
}

void CWindowHost::SetModal(bool modal) {
  if (m_bModal == modal) return;
  m_bModal = modal;
  ApplyTaskbarState();
}

void CWindowHost::SetStyle(LONG_PTR style) {
  // WS_VISIBLE follows the real state; WS_DISABLED enables or disables input.
  const bool enable = !(style & WS_DISABLED);
  m_style = (style & ~WS_VISIBLE) | (m_style & WS_VISIBLE);
  m_style = enable ? (m_style & ~WS_DISABLED) : (m_style | WS_DISABLED);
  PublishState();
}

void CWindowHost::SetExStyle(LONG_PTR exStyle) {
  m_exStyle = exStyle;
  ApplyWindowFlags();
  PublishState();
}

bool CWindowHost::IsInputEnabled() const {
  return !(m_style & WS_DISABLED);
}

void CWindowHost::SetEnabledState(bool enable) {
  if (enable == IsInputEnabled()) return;
  m_style = enable ? (m_style & ~WS_DISABLED) : (m_style | WS_DISABLED);
  PublishState();
  Deliver(WM_ENABLE, enable ? TRUE : FALSE, 0);
}

BOOL CWindowHost::ShowCommand(int cmd) {
  const bool wasVisible = isVisible();
  switch (cmd) {
    case SW_HIDE:
      hide();
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      if (isWindow())
        showMinimized();
      else
        show();
      break;
    case SW_SHOWMAXIMIZED:
      if (isWindow())
        showMaximized();
      else
        show();
      break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
      setAttribute(Qt::WA_ShowWithoutActivating, true);
      show();
      setAttribute(Qt::WA_ShowWithoutActivating, false);
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      if (isWindow() && (isMinimized() || isMaximized()))
        showNormal();
      else
        show();
      break;
    default:
      show();
      break;
  }
  PublishState();
  return wasVisible ? TRUE : FALSE;
}

void CWindowHost::MoveTo(int x, int y, int cx, int cy) {
  setGeometry(x, y, std::max(cx, 0), std::max(cy, 0));
  DeliverPlacement();
}

BOOL CWindowHost::SetWindowPosition(HWND after, int x, int y, int cx, int cy, UINT flags) {
  if (!(flags & SWP_NOMOVE) || !(flags & SWP_NOSIZE)) {
    QRect g = geometry();
    if (!(flags & SWP_NOMOVE)) g.moveTo(x, y);
    if (!(flags & SWP_NOSIZE)) g.setSize(QSize(std::max(cx, 0), std::max(cy, 0)));
    setGeometry(g);
    DeliverPlacement();
  }
  if (!(flags & SWP_NOZORDER)) {
    if (after == HWND_TOPMOST)
      SetExStyle(m_exStyle | WS_EX_TOPMOST);
    else if (after == HWND_NOTOPMOST)
      SetExStyle(m_exStyle & ~WS_EX_TOPMOST);
    else if (after == HWND_BOTTOM && CanRestack())
      lower();
    else if (CanRestack())
      raise();
  }
  if (flags & SWP_SHOWWINDOW) ShowCommand((flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) hide();
  PublishState();
  return TRUE;
}

void CWindowHost::ActivateWindow() {
  if (CanRestack()) raise();
  activateWindow();
  setFocus(Qt::ActiveWindowFocusReason);
}

void CWindowHost::SetOpacityByte(BYTE alpha) {
  m_opacity = alpha;
  if (isWindow()) setWindowOpacity(alpha / 255.0);
}

void CWindowHost::SetIconResource(UINT id) {
  const QString path =
      QCoreApplication::applicationDirPath() + QStringLiteral("/skin/icon_%1.png").arg(id);
  if (QFileInfo::exists(path))
    setWindowIcon(QIcon(path));
  else
    TC_LOG(TC_LOG_DEBUG, "no icon file for resource " << id);
}

RECT CWindowHost::WindowRect() const {
  if (isWindow()) return ToRect(geometry());
  return ToRect(QRect(mapToGlobal(QPoint(0, 0)), size()));
}

RECT CWindowHost::ClientRect() const {
  return RECT{0, 0, width(), height()};
}

void CWindowHost::PublishState() {
  if (!m_hWnd) return;
  TWindowState state;
  state.rcWindow = WindowRect();
  state.rcClient = ClientRect();
  state.bVisible = isVisible();
  state.bIconic = isWindow() && isMinimized();
  state.bZoomed = isWindow() && isMaximized();
  m_style = state.bVisible ? (m_style | WS_VISIBLE) : (m_style & ~WS_VISIBLE);
  state.style = m_style;
  state.exStyle = m_exStyle;
  state.className = m_className;
  state.parent = m_parent;
  state.owner = m_owner;
  state.nativeId = COwnWindows::Instance().NativeId(m_hWnd);
  COwnWindows::Instance().Publish(m_hWnd, state);
  // Children's visibility and screen position follow their parent.
  for (HWND child : COwnWindows::Instance().ChildrenOf(m_hWnd))
    if (CWindowHost* host = COwnWindows::Instance().Host(child)) host->PublishState();
}

LONG_PTR CWindowHost::GetExtra(int index) const {
  auto it = m_extra.find(index);
  return it == m_extra.end() ? 0 : it->second;
}

LONG_PTR CWindowHost::SetExtra(int index, LONG_PTR value) {
  return std::exchange(m_extra[index], value);
}

void CWindowHost::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  m_pPainter = &painter;
  RECT dirty = ToRect(event->rect());
  Deliver(WM_PAINT, 0, reinterpret_cast<LPARAM>(&dirty));
  m_pPainter = nullptr;
}

void CWindowHost::resizeEvent(QResizeEvent* /*event*/) {
  DeliverPlacement();
}

void CWindowHost::moveEvent(QMoveEvent* /*event*/) {
  DeliverPlacement();
}

// WM_MOVE and WM_SIZE for what changed since they were last sent. Qt holds back move and
// resize events of hidden widgets until they are shown, while Windows reports every change
// at once; geometry changes of hidden windows therefore call this directly.
void CWindowHost::DeliverPlacement() {
  PublishState();
  // Top-level windows: the client origin on the screen; child windows: in the parent.
  const QPoint origin = isWindow() ? geometry().topLeft() : pos();
  if (origin != m_lastOrigin) {
    m_lastOrigin = origin;
    Deliver(WM_MOVE, 0, PointParam(origin));
  }
  WPARAM kind = SIZE_RESTORED;
  if (isWindow() && isMinimized())
    kind = SIZE_MINIMIZED;
  else if (isWindow() && isMaximized())
    kind = SIZE_MAXIMIZED;
  if (size() != m_lastSize || kind != m_lastSizeKind) {
    m_lastSize = size();
    m_lastSizeKind = kind;
    Deliver(WM_SIZE, kind, MAKELPARAM(width(), height()));
  }
}

void CWindowHost::showEvent(QShowEvent* event) {
  PublishState();
  if (!event->spontaneous()) Deliver(WM_SHOWWINDOW, TRUE, 0);
}

void CWindowHost::hideEvent(QHideEvent* event) {
  PublishState();
  if (!event->spontaneous()) Deliver(WM_SHOWWINDOW, FALSE, 0);
}

void CWindowHost::closeEvent(QCloseEvent* event) {
  // The window decides: the default handling of WM_CLOSE destroys it.
  event->ignore();
  if (!m_bDestroying) Deliver(WM_CLOSE, 0, 0);
}

void CWindowHost::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) {
    const bool active = isActiveWindow();
    CWindowHost* activeHost = HostOf(QApplication::activeWindow());
    CWindowHost* focusHost = HostOf(QApplication::focusWidget());
    COwnWindows::Instance().SetForegroundAndFocus(activeHost ? activeHost->Hwnd() : nullptr,
                                                  focusHost ? focusHost->Hwnd() : nullptr);
    Deliver(WM_NCACTIVATE, active ? TRUE : FALSE, 0);
    Deliver(WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
    // Activated while a modal window blocks it (by the window manager, or by Qt on a click):
    // the activation goes on to the modal window, after Qt has finished this one.
    if (active && !IsInputEnabled() && isWindow()) {
      const HWND hwnd = m_hWnd;
      RunOnGuiThread([hwnd] { BringBlockingWindowForward(hwnd); });
    }
  } else if (event->type() == QEvent::WindowStateChange) {
    DeliverPlacement();
  }
  QWidget::changeEvent(event);
}

bool CWindowHost::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  const QPoint at = static_cast<QHelpEvent*>(event)->pos();
  Deliver(WM_MOUSEHOVER, 0, PointParam(at));
  return true;
}

void CWindowHost::DeliverKey(QKeyEvent* event, bool down) {
  // A modifier key pressed in a control's editor reaches the window only because the editor
  // lets it travel on; on Windows the focused editor keeps it and the window's key-down
  // handler (an Enter action) never sees it.
  if (IsModifierKey(event->key())) {
    QWidget* focus = window()->focusWidget();
    if (focus && focus != this && isAncestorOf(focus)) return;
  }
  const bool keypad = event->modifiers() & Qt::KeypadModifier;
  const bool alt = event->modifiers() & Qt::AltModifier;
  const UINT vk = QtKeyToVirtualKey(event->key(), keypad);
  // lParam: repeat count 1, the scan code, bit 30 = key was down, bit 31 = released.
  LPARAM lParam = 1 | static_cast<LPARAM>((event->nativeScanCode() & 0xFF) << 16);
  if (event->isAutoRepeat()) lParam |= 1L << 30;
  if (!down) lParam |= static_cast<LPARAM>(0xC0000000u);
  if (vk != 0) {
    const UINT msg = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    Deliver(msg, vk, lParam);
  }
  if (!down || alt) return;
  const QString text = event->text();
  PreTranslateHook hook = GetPreTranslateHook();
  for (QChar unit : text) {
    if (hook) {
      MSG msg{m_hWnd, WM_CHAR, unit.unicode(), lParam, 0, {0, 0}};
      if (hook(&msg)) continue;
    }
    Deliver(WM_CHAR, unit.unicode(), lParam);
  }
}

void CWindowHost::keyPressEvent(QKeyEvent* event) {
  DeliverKey(event, true);
}
void CWindowHost::keyReleaseEvent(QKeyEvent* event) {
  DeliverKey(event, false);
}

bool CWindowHost::HandleNonClientPress(QMouseEvent* event, bool doubleClick) {
  const QPoint global = event->globalPosition().toPoint();
  const LRESULT hit = Deliver(WM_NCHITTEST, 0, PointParam(global));
  if (hit == HTCLIENT || hit == HTNOWHERE || hit == HTERROR || hit == HTTRANSPARENT) return false;
  Deliver(doubleClick ? WM_NCLBUTTONDBLCLK : WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit),
          PointParam(global));
  return true;
}

void CWindowHost::BeginMove(const QPoint& globalPos) {
  if (!isWindow() || isMaximized()) return;
  // A window manager moves the window itself; without one (bare X server, offscreen) the
  // window follows the mouse until the button is released.
  if (IsXcb() && windowHandle() && windowHandle()->startSystemMove()) return;
  m_bManualMove = true;
  m_moveOffset = globalPos - geometry().topLeft();
}

void CWindowHost::BeginResize(LRESULT hit, const QPoint& globalPos) {
  const Qt::Edges edges = EdgesOfHit(hit);
  if (!isWindow() || !edges || isMaximized()) return;
  if (IsXcb() && windowHandle() && windowHandle()->startSystemResize(edges)) return;
  // No window manager: the edges follow the mouse until the button is released.
  m_manualEdges = edges;
  m_resizeStart = globalPos;
  m_resizeGeometry = geometry();
}

QRect CWindowHost::ResizedGeometry(const QPoint& globalPos) const {
  const QPoint delta = globalPos - m_resizeStart;
  QRect g = m_resizeGeometry;
  const QSize least(std::max(minimumWidth(), 1), std::max(minimumHeight(), 1));
  if (m_manualEdges & Qt::LeftEdge)
    g.setLeft(std::min(g.left() + delta.x(), g.right() + 1 - least.width()));
  if (m_manualEdges & Qt::RightEdge)
    g.setRight(std::max(g.right() + delta.x(), g.left() + least.width() - 1));
  if (m_manualEdges & Qt::TopEdge)
    g.setTop(std::min(g.top() + delta.y(), g.bottom() + 1 - least.height()));
  if (m_manualEdges & Qt::BottomEdge)
    g.setBottom(std::max(g.bottom() + delta.y(), g.top() + least.height() - 1));
  return g;
}

void CWindowHost::SetCursorForHit(LRESULT hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT:
      setCursor(Qt::SizeHorCursor);
      break;
    case HTTOP:
    case HTBOTTOM:
      setCursor(Qt::SizeVerCursor);
      break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      setCursor(Qt::SizeFDiagCursor);
      break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      setCursor(Qt::SizeBDiagCursor);
      break;
    default:
      unsetCursor();
      break;
  }
}

void CWindowHost::StartNonClientDrag(LRESULT hit, const QPoint& globalPos) {
  if (hit != HTCAPTION) {
    BeginResize(hit, globalPos);
    return;
  }
  m_bPendingMove = true;
  m_pendingMoveStart = globalPos;
}

// A window manager's move starts with the button down and ends at its release. Begun on the
// press itself, a quick click released before the manager took the pointer left the manager
// moving the window until the next click, which it then swallowed.
bool CWindowHost::FollowPendingMove(QMouseEvent* event) {
  if (!m_bPendingMove) return false;
  if (!(event->buttons() & Qt::LeftButton)) {
    m_bPendingMove = false;
    return false;
  }
  const QPoint travel = event->globalPosition().toPoint() - m_pendingMoveStart;
  if (travel.manhattanLength() < QApplication::startDragDistance()) return true;
  m_bPendingMove = false;
  // Without a window manager the window follows from the press point. A manager moves it on
  // from where the pointer is now (it overrides a catch-up move made first), so there the
  // window trails the pointer by the drag distance.
  BeginMove(m_pendingMoveStart);
  return !m_bManualMove;  // a manual move follows this very motion in mouseMoveEvent
}

void CWindowHost::mousePressEvent(QMouseEvent* event) {
  CMouseScope scope(this);
  if (event->button() == Qt::LeftButton && HandleNonClientPress(event, false)) return;
  UINT msg = 0;
  switch (event->button()) {
    case Qt::LeftButton:
      msg = WM_LBUTTONDOWN;
      break;
    case Qt::RightButton:
      msg = WM_RBUTTONDOWN;
      break;
    case Qt::MiddleButton:
      msg = WM_MBUTTONDOWN;
      break;
    default:
      return;
  }
  Deliver(msg, MouseKeyFlags(event->buttons(), event->modifiers()),
          PointParam(event->position().toPoint()));
}

void CWindowHost::mouseReleaseEvent(QMouseEvent* event) {
  CMouseScope scope(this);
  if (m_bPendingMove && event->button() == Qt::LeftButton) {
    m_bPendingMove = false;  // a click on the caption: nothing to move
    return;
  }
  if ((m_bManualMove || m_manualEdges) && event->button() == Qt::LeftButton) {
    m_bManualMove = false;
    m_manualEdges = {};
    return;
  }
  UINT msg = 0;
  switch (event->button()) {
    case Qt::LeftButton:
      msg = WM_LBUTTONUP;
      break;
    case Qt::RightButton:
      msg = WM_RBUTTONUP;
      break;
    case Qt::MiddleButton:
      msg = WM_MBUTTONUP;
      break;
    default:
      return;
  }
  Deliver(msg, MouseKeyFlags(event->buttons(), event->modifiers()),
          PointParam(event->position().toPoint()));
}

void CWindowHost::mouseDoubleClickEvent(QMouseEvent* event) {
  CMouseScope scope(this);
  if (event->button() == Qt::LeftButton && HandleNonClientPress(event, true)) return;
  const bool dbl = m_classStyle & CS_DBLCLKS;
  UINT msg = 0;
  switch (event->button()) {
    case Qt::LeftButton:
      msg = dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
      break;
    case Qt::RightButton:
      msg = dbl ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN;
      break;
    case Qt::MiddleButton:
      msg = dbl ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN;
      break;
    default:
      return;
  }
  Deliver(msg, MouseKeyFlags(event->buttons(), event->modifiers()),
          PointParam(event->position().toPoint()));
}

void CWindowHost::mouseMoveEvent(QMouseEvent* event) {
  CMouseScope scope(this);
  if (FollowPendingMove(event)) return;
  if (m_bManualMove) {
    if (event->buttons() & Qt::LeftButton)
      move(event->globalPosition().toPoint() - m_moveOffset);
    else
      m_bManualMove = false;
    return;
  }
  if (m_manualEdges) {
    if (event->buttons() & Qt::LeftButton)
      setGeometry(ResizedGeometry(event->globalPosition().toPoint()));
    else
      m_manualEdges = {};
    return;
  }
  // As on Windows: the hit test decides the cursor (sizing borders show sizing arrows).
  const LRESULT hit = event->buttons() == Qt::NoButton
                          ? Deliver(WM_NCHITTEST, 0, PointParam(event->globalPosition().toPoint()))
                          : HTCLIENT;
  Deliver(WM_SETCURSOR, reinterpret_cast<WPARAM>(m_hWnd),
          MAKELPARAM(static_cast<int>(hit), WM_MOUSEMOVE));
  Deliver(WM_MOUSEMOVE, MouseKeyFlags(event->buttons(), event->modifiers()),
          PointParam(event->position().toPoint()));
}

void CWindowHost::wheelEvent(QWheelEvent* event) {
  CMouseScope scope(this);
  const QPoint delta = event->angleDelta();
  const WORD keys = static_cast<WORD>(MouseKeyFlags(event->buttons(), event->modifiers()));
  const LPARAM where = PointParam(event->globalPosition().toPoint());  // screen, as Windows
  if (delta.y() != 0)
    Deliver(WM_MOUSEWHEEL, MAKEWPARAM(keys, delta.y()), where);
  else if (delta.x() != 0)
    Deliver(WM_MOUSEHWHEEL, MAKEWPARAM(keys, delta.x()), where);
  event->accept();
}

void CWindowHost::leaveEvent(QEvent* /*event*/) {
  Deliver(WM_MOUSELEAVE, 0, 0);
}

void CWindowHost::focusInEvent(QFocusEvent* /*event*/) {
  COwnWindows::Instance().SetForegroundAndFocus(COwnWindows::Instance().Foreground(), m_hWnd);
  Deliver(WM_SETFOCUS, 0, 0);
}

void CWindowHost::focusOutEvent(QFocusEvent* /*event*/) {
  CWindowHost* next = HostOf(QApplication::focusWidget());
  Deliver(WM_KILLFOCUS, next && next != this ? reinterpret_cast<WPARAM>(next->Hwnd()) : 0, 0);
}

}  // namespace DuiLib
