// Own
#include "platform/ui/window/WindowWnd.h"

// Project
#include "platform/log/Log.h"
#include "platform/ui/window/MessageLoop_p.h"
#include "platform/ui/window/OwnWindows_p.h"
#include "platform/win32/RemoteWindow.h"
#include "platform/ui/window/WindowHost_p.h"

// Qt
#include <QGuiApplication>
#include <QScreen>

// Standard
#include <map>

namespace DuiLib {
namespace {

// Where the running ShowModal of a window wants the code of Close. Kept outside the object
// because a heap window deletes itself before its ShowModal returns.
std::map<HWND, UINT*> s_modalResults;

bool IsXcb() {
  return QGuiApplication::platformName() == QLatin1String("xcb");
}

int OrZero(int value) {
  return value == CW_USEDEFAULT ? 0 : value;
}

// The top-level window a window belongs to (itself when top-level).
CWindowHost* TopLevelHost(CWindowHost* host) {
  while (host && (host->Style() & WS_CHILD))
    host = COwnWindows::Instance().Host(host->ParentHwnd());
  return host;
}

QRect WorkArea(const QWidget* widget) {
  QScreen* screen = widget ? widget->screen() : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

void NoteModalResult(HWND hwnd, UINT result) {
  auto it = s_modalResults.find(hwnd);
  if (it != s_modalResults.end()) *it->second = result;
}

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() {
  if (CWindowHost* host = m_pHost) {
    host->DetachWindow();
    m_pHost = nullptr;
    m_hWnd = nullptr;
    host->Destroy();
  }
}

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle,
                        const RECT rc, HMENU hMenu) {
  return Create(hwndParent, pstrName, dwStyle, dwExStyle, rc.left, rc.top, rc.right - rc.left,
                rc.bottom - rc.top, hMenu);
}

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x,
                        int y, int cx, int cy, HMENU /*hMenu*/) {
  InstallOwnWindowBackend();
  const char* className = GetWindowClassName();
  if (m_pHost) {
    TC_LOG(TC_LOG_ERROR, "window \"" << (className ? className : "") << "\" created twice");
    return nullptr;
  }
  CWindowHost* parentHost = COwnWindows::Instance().Host(hwndParent);
  const bool child = dwStyle & WS_CHILD;
  if (child && !parentHost) {
    TC_LOG(TC_LOG_ERROR,
           "child window \"" << (className ? className : "") << "\" needs a parent window of ours");
    return nullptr;
  }
  if (hwndParent && !parentHost)
    TC_LOG(TC_LOG_WARN, "owner of window \"" << (className ? className : "")
                                             << "\" is not ours; made without owner");
  CWindowHost* ownerHost = child ? nullptr : TopLevelHost(parentHost);
  auto* host = new CWindowHost(this, child ? parentHost : ownerHost, dwStyle & ~WS_VISIBLE,
                               dwExStyle, className ? className : "", child ? hwndParent : nullptr,
                               ownerHost ? ownerHost->Hwnd() : nullptr);
  host->SetClassStyle(GetClassStyle());
  host->setWindowTitle(QString::fromUtf8(pstrName ? pstrName : ""));
  host->setGeometry(OrZero(x), OrZero(y), std::max(OrZero(cx), 0), std::max(OrZero(cy), 0));
  // Under X11 the handle is the X window id, so that other processes can address it.
  const unsigned long nativeId = IsXcb() ? static_cast<unsigned long>(host->winId()) : 0;
  m_pHost = host;
  m_hWnd = COwnWindows::Instance().Add(host, nativeId);
  win32::MarkOwnWindow(nativeId);  // other processes of ours may call it (RemoteWindow.h)
  host->SetHwnd(m_hWnd);
  host->ApplyTaskbarState();
  if (dwStyle & WS_DISABLED) host->SetEnabledState(false);
  host->PublishState();
  const HWND hwnd = m_hWnd;
  if (host->Deliver(WM_CREATE, 0, 0) == -1) {
    TC_LOG(TC_LOG_WARN, "window \"" << (className ? className : "") << "\" refused WM_CREATE");
    host->Destroy();
    return nullptr;
  }
  if (!COwnWindows::Instance().Host(hwnd)) return nullptr;  // destroyed while being created
  host->DeliverPlacement();  // WM_MOVE and WM_SIZE follow WM_CREATE, as on Windows
  if (!COwnWindows::Instance().Host(hwnd)) return nullptr;
  if (dwStyle & WS_VISIBLE) host->ShowCommand(SW_SHOWNORMAL);
  return hwnd;
}

HWND CWindowWnd::CreateDuiWindow(HWND hwndParent, LPCTSTR pstrWindowName, DWORD dwStyle,
                                 DWORD dwExStyle) {
  return Create(hwndParent, pstrWindowName, dwStyle, dwExStyle, 0, 0, 0, 0, nullptr);
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
  if (!m_pHost) return;
  m_pHost->ShowCommand(bShow ? (bTakeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
  if (!m_pHost) {
    TC_LOG(TC_LOG_ERROR, "ShowModal without a window");
    return 0;
  }
  // Nothing of this object is touched after the loop: a heap window may be gone by then.
  const HWND hwnd = m_hWnd;
  const HWND owner = m_pHost->OwnerHwnd();
  CWindowHost* ownerHost = COwnWindows::Instance().Host(owner);
  const bool disableOwner = ownerHost && ownerHost->IsInputEnabled();
  UINT result = 0;
  UINT* previous = std::exchange(s_modalResults[hwnd], &result);
  const bool wasModal = m_pHost->IsModal();
  if (owner) m_pHost->SetModal(true);
  m_pHost->ShowCommand(SW_SHOWNORMAL);
  // The modal window takes the keyboard (without a window manager nobody else gives it).
  if (owner) m_pHost->ActivateWindow();
  if (disableOwner) ownerHost->SetEnabledState(false);
  int quitCode = 0;
  const bool quit = RunNestedLoop(hwnd, &quitCode);
  if (previous)
    s_modalResults[hwnd] = previous;
  else
    s_modalResults.erase(hwnd);
  if (CWindowHost* host = COwnWindows::Instance().Host(hwnd)) host->SetModal(wasModal);
  if (disableOwner && (ownerHost = COwnWindows::Instance().Host(owner))) {
    ownerHost->SetEnabledState(true);
    ownerHost->ActivateWindow();
  }
  if (quit) {
    if (MessageLoopDepth() > 0) QueueMessage(nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0);
    return 0;
  }
  return result;
}

void CWindowWnd::Close(UINT nRet) {
  if (!m_hWnd) return;
  QueueMessage(m_hWnd, WM_CLOSE, nRet, 0);
}

void CWindowWnd::CenterWindow() {
  if (!m_pHost) return;
  if (m_pHost->Style() & WS_CHILD) {
    const QWidget* parent = m_pHost->parentWidget();
    if (!parent) return;
    m_pHost->move((parent->width() - m_pHost->width()) / 2,
                  (parent->height() - m_pHost->height()) / 2);
    m_pHost->DeliverPlacement();
    return;
  }
  const QRect area = WorkArea(m_pHost);
  QRect center = area;
  if (CWindowHost* owner = COwnWindows::Instance().Host(m_pHost->OwnerHwnd())) {
    if (owner->isVisible() && !owner->isMinimized()) center = owner->geometry();
  }
  int x = center.left() + (center.width() - m_pHost->width()) / 2;
  int y = center.top() + (center.height() - m_pHost->height()) / 2;
  // Keep the window on the work area, its top-left corner first.
  x = std::max(area.left(), std::min(x, area.left() + area.width() - m_pHost->width()));
  y = std::max(area.top(), std::min(y, area.top() + area.height() - m_pHost->height()));
  m_pHost->move(x, y);
  m_pHost->DeliverPlacement();
}

void CWindowWnd::SetIcon(UINT nRes) {
  if (m_pHost) m_pHost->SetIconResource(nRes);
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return m_hWnd ? SendToWindow(m_hWnd, uMsg, wParam, lParam) : 0;
}

LRESULT CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (!m_hWnd) return FALSE;
  QueueMessage(m_hWnd, uMsg, wParam, lParam);
  return TRUE;
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  if (!m_pHost) return;
  const int width = cx < 0 ? m_pHost->width() : cx;
  const int height = cy < 0 ? m_pHost->height() : cy;
  m_pHost->SetWindowPosition(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void CWindowWnd::SetOpacity(BYTE alpha) {
  if (m_pHost) m_pHost->SetOpacityByte(alpha);
}

BYTE CWindowWnd::GetOpacity() const {
  return m_pHost ? m_pHost->OpacityByte() : 255;
}

QWidget* CWindowWnd::GetWidget() const {
  return m_pHost;
}

QPainter* CWindowWnd::GetPainter() const {
  return m_pHost ? m_pHost->Painter() : nullptr;
}

CWindowWnd* CWindowWnd::FromHandle(HWND hWnd) {
  if (!IsGuiThread()) return nullptr;
  CWindowHost* host = COwnWindows::Instance().Host(hWnd);
  return host ? host->Window() : nullptr;
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(uMsg, wParam, lParam);
}

LPCTSTR CWindowWnd::GetSuperClassName() const {
  return nullptr;
}

UINT CWindowWnd::GetClassStyle() const {
  return 0;
}

void CWindowWnd::OnFinalMessage(HWND /*hWnd*/) {}

void CWindowWnd::HostDestroyed(HWND hWnd, bool runFinal) {
  m_hWnd = nullptr;
  m_pHost = nullptr;
  if (runFinal) OnFinalMessage(hWnd);
}

LRESULT CWindowWnd::DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  CWindowHost* host = m_pHost;
  if (!host) return 0;
  switch (uMsg) {
    case WM_CLOSE:
      host->Destroy();
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
          host->ShowCommand(SW_MINIMIZE);
          break;
        case SC_MAXIMIZE:
          host->ShowCommand(SW_MAXIMIZE);
          break;
        case SC_RESTORE:
          host->ShowCommand(SW_RESTORE);
          break;
        case SC_CLOSE:
          SendMessage(WM_CLOSE, 0, 0);
          break;
        default:
          break;
      }
      return 0;
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_NCLBUTTONDOWN:
      host->StartNonClientDrag(static_cast<LRESULT>(wParam),
                               QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
      return 0;
    case WM_NCLBUTTONDBLCLK:
      if (wParam == HTCAPTION && (host->Style() & WS_MAXIMIZEBOX))
        SendMessage(WM_SYSCOMMAND, host->isMaximized() ? SC_RESTORE : SC_MAXIMIZE, 0);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4) SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SETCURSOR:
      host->SetCursorForHit(static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))));
      return TRUE;
    default:
      return 0;
  }
}

}  // namespace DuiLib

LRESULT DefWindowProcA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  DuiLib::CWindowWnd* window = DuiLib::CWindowWnd::FromHandle(hWnd);
  return window ? window->DefWindowProc(uMsg, wParam, lParam) : 0;
}
