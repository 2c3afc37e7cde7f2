// Paint manager: window messages to control events, layout and painting.
//
// Mouse model (as DuiLib): the control under the pointer is "hot" and gets MOUSEENTER /
// MOUSELEAVE / MOUSEMOVE; a button press makes the control under the pointer the "click"
// control, gives it the focus and captures the mouse: it gets every move and the release,
// wherever they happen. Keys go to the focused control.
#include "platform/ui/core/PaintManagerUI.h"

#include "platform/log/Log.h"
#include "platform/ui/core/ControlUI.h"
#include "platform/ui/core/WindowSystem_p.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace DuiLib {
namespace {

constexpr WPARAM kScrollLineUp = 0;
constexpr WPARAM kScrollLineDown = 1;

CControlUI* findUpdateNeeded(CControlUI* control, void*) {
  return control->IsUpdateNeeded() ? control : nullptr;
}

}  // namespace

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
  const std::vector<IMessageFilterUI*> filters = m_aMessageFilters;
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    const LRESULT result = filter->MessageHandler(uMsg, wParam, lParam, handled);
    if (handled) {
      lRes = result;
      return true;
    }
  }
  switch (uMsg) {
    case WM_PAINT:
      HandlePaint(lParam);
      lRes = 0;
      return true;
    case WM_SIZE:
      if (m_pFocus) SendEvent(m_pFocus, UIEVENT_WINDOWSIZE, m_ptLastMousePos, wParam, lParam);
      NeedUpdate();
      return false;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_MOUSELEAVE:
      HandleMouse(uMsg, wParam, lParam);
      return false;
    case WM_MOUSEHOVER:
      ShowToolTip(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return false;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      return HandleKey(uMsg, wParam);
    case WM_CLOSE:
      if (m_pEventHover) SendEvent(m_pEventHover, UIEVENT_MOUSELEAVE, m_ptLastMousePos, 0);
      if (m_pEventClick) SendEvent(m_pEventClick, UIEVENT_BUTTONUP, m_ptLastMousePos, 0);
      m_pEventHover = m_pEventClick = nullptr;
      SetFocus(nullptr);
      return false;
    default:
      return false;
  }
}

void CPaintManagerUI::HandleMouse(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (uMsg) {
    case WM_MOUSEMOVE:
      HandleMouseMove(pt, wParam);
      break;
    case WM_LBUTTONDOWN:
      HandleButtonDown(UIEVENT_BUTTONDOWN, pt, wParam);
      break;
    case WM_LBUTTONDBLCLK:
      HandleButtonDown(UIEVENT_DBLCLICK, pt, wParam);
      break;
    case WM_RBUTTONDOWN:
      HandleButtonDown(UIEVENT_RBUTTONDOWN, pt, wParam);
      break;
    case WM_LBUTTONUP:
      HandleButtonUp(UIEVENT_BUTTONUP, pt, wParam);
      break;
    case WM_RBUTTONUP:
      HandleButtonUp(UIEVENT_RBUTTONUP, pt, wParam);
      break;
    case WM_MOUSEWHEEL:
      HandleWheel(m_ptLastMousePos, wParam);
      break;
    case WM_MOUSELEAVE:
      if (m_pEventHover && !m_bMouseCapture) {
        CControlUI* hover = m_pEventHover;
        m_pEventHover = nullptr;
        SendEvent(hover, UIEVENT_MOUSELEAVE, m_ptLastMousePos, 0);
      }
      break;
    default:
      break;
  }
}

void CPaintManagerUI::HandleMouseMove(POINT pt, WPARAM wParam) {
  m_ptLastMousePos = pt;
  CControlUI* hover = FindControl(pt);
  if (hover && hover->GetManager() != this) return;
  if (hover != m_pEventHover && m_pEventHover) {
    CControlUI* old = m_pEventHover;
    m_pEventHover = nullptr;
    SendEvent(old, UIEVENT_MOUSELEAVE, pt, wParam);
  }
  if (hover != m_pEventHover && hover) {
    m_pEventHover = hover;
    SendEvent(hover, UIEVENT_MOUSEENTER, pt, wParam);
  }
  if (m_pEventClick)
    SendEvent(m_pEventClick, UIEVENT_MOUSEMOVE, pt, wParam);
  else if (m_pEventHover)
    SendEvent(m_pEventHover, UIEVENT_MOUSEMOVE, pt, wParam);
  UpdateCursor(pt);
}

void CPaintManagerUI::UpdateCursor(POINT pt) {
  QWidget* widget = GetHostWidget();
  if (!widget) return;
  Qt::CursorShape shape = Qt::ArrowCursor;
  if (m_pEventHover && m_pEventHover->IsEnabled()) {
    if (m_pEventHover->GetInterface(DUI_CTR_EDIT)) {
      shape = Qt::IBeamCursor;
    } else if (m_pEventHover->GetInterface(DUI_CTR_TEXT) && m_pEventHover->HasLinkAt(pt)) {
      shape = Qt::PointingHandCursor;
    }
  }
  if (widget->cursor().shape() != shape) widget->setCursor(shape);
}

void CPaintManagerUI::HandleButtonDown(int type, POINT pt, WPARAM wParam) {
  m_ptLastMousePos = pt;
  CControlUI* control = FindControl(pt);
  if (!control || control->GetManager() != this) return;
  m_pEventClick = control;
  control->SetFocus();
  // SetFocus may have removed or hidden the control (a "killfocus" handler).
  if (m_pEventClick != control) return;
  SetCapture();
  SendEvent(control, type, pt, wParam);
}

void CPaintManagerUI::HandleButtonUp(int type, POINT pt, WPARAM wParam) {
  m_ptLastMousePos = pt;
  ReleaseCapture();
  CControlUI* control = m_pEventClick;
  if (type == UIEVENT_RBUTTONUP && !control) control = FindControl(pt);
  m_pEventClick = nullptr;
  if (!control) return;
  SendEvent(control, type, pt, wParam);
  if (type == UIEVENT_RBUTTONUP) {
    CControlUI* target = FindControl(pt);
    if (target && target->IsContextMenuUsed()) SendEvent(target, UIEVENT_CONTEXTMENU, pt, 0);
  }
}

void CPaintManagerUI::HandleWheel(POINT pt, WPARAM wParam) {
  CControlUI* control = FindControl(pt);
  if (!control || control->GetManager() != this) return;
  const short delta = static_cast<short>(HIWORD(wParam));
  SendEvent(control, UIEVENT_SCROLLWHEEL, pt,
            MAKEWPARAM(delta < 0 ? kScrollLineDown : kScrollLineUp, 0), delta);
}

bool CPaintManagerUI::HandleKey(UINT uMsg, WPARAM wParam) {
  if (!m_pFocus) return false;
  const int type = uMsg == WM_KEYDOWN ? UIEVENT_KEYDOWN
                   : uMsg == WM_KEYUP ? UIEVENT_KEYUP
                                      : UIEVENT_CHAR;
  TEventUI event;
  event.Type = type;
  event.pSender = m_pFocus;
  event.chKey = static_cast<char16_t>(wParam);
  event.ptMouse = m_ptLastMousePos;
  event.wParam = wParam;
  m_pEventKey = m_pFocus;
  m_pFocus->Event(event);
  m_pEventKey = nullptr;
  return false;
}

void CPaintManagerUI::SendEvent(CControlUI* pControl, int type, POINT pt, WPARAM wParam,
                                LPARAM lParam) {
  if (!pControl) return;
  TEventUI event;
  event.Type = type;
  event.pSender = pControl;
  event.ptMouse = pt;
  event.wParam = wParam;
  event.lParam = lParam;
  pControl->Event(event);
}

void CPaintManagerUI::HandlePaint(LPARAM lParam) {
  CWindowWnd* window = GetWindow();
  QPainter* painter = window ? WindowSystem().Painter(window) : nullptr;
  if (!painter) return;
  RECT dirty = ClientRect();
  if (lParam) dirty = *reinterpret_cast<const RECT*>(lParam);
  Paint(painter, dirty);
}

void CPaintManagerUI::Paint(QPainter* painter, const RECT& rcPaint) {
  if (!painter || !m_pRoot) return;
  UpdateLayout();
  painter->save();
  painter->setClipRect(rcPaint.left, rcPaint.top, rcPaint.right - rcPaint.left,
                       rcPaint.bottom - rcPaint.top);
  m_pRoot->DoPaint(painter, rcPaint);
  m_pRoot->DoPostPaint(painter, rcPaint);
  painter->restore();
}

RECT CPaintManagerUI::ClientRect() const {
  if (QWidget* widget = GetHostWidget()) return RECT{0, 0, widget->width(), widget->height()};
  return RECT{0, 0, m_szClient.cx, m_szClient.cy};
}

void CPaintManagerUI::SetClientSize(int cx, int cy) {
  m_szClient = SIZE{std::max(0, cx), std::max(0, cy)};
  NeedUpdate();
}

void CPaintManagerUI::UpdateLayout() {
  if (!m_pRoot) return;
  const RECT client = ClientRect();
  const bool resized = client.right != m_rcLayout.right || client.bottom != m_rcLayout.bottom;
  if (!m_bUpdateNeeded && !resized) return;
  m_bUpdateNeeded = false;
  if (client.right <= client.left || client.bottom <= client.top) return;
  if (resized || m_pRoot->IsUpdateNeeded()) {
    m_rcLayout = client;
    m_pRoot->SetPos(client, false);
    return;
  }
  // Only the parts that changed; SetPos clears each one's flag. The bound guards against a
  // control that never clears it.
  for (int guard = 0; guard < 100000; ++guard) {
    CControlUI* control =
        m_pRoot->FindControl(findUpdateNeeded, nullptr, UIFIND_VISIBLE | UIFIND_ME_FIRST);
    if (!control) return;
    control->SetPos(control->GetPos(), false);
  }
  TC_LOG(TC_LOG_WARN, "paint manager: layout did not settle");
}

void CPaintManagerUI::Invalidate(RECT& rcItem) {
  if (QWidget* widget = GetHostWidget())
    widget->update(rcItem.left, rcItem.top, rcItem.right - rcItem.left, rcItem.bottom - rcItem.top);
}

void CPaintManagerUI::Invalidate() {
  if (QWidget* widget = GetHostWidget()) widget->update();
}

void CPaintManagerUI::NeedUpdate() {
  m_bUpdateNeeded = true;
  Invalidate();
}

}  // namespace DuiLib
