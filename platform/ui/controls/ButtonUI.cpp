#include "platform/ui/controls/ButtonUI.h"

#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/AttributeTable_p.h"
#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/RenderEngine.h"
#include "platform/win32/Input.h"

#include <cstring>

namespace DuiLib {
namespace {

bool inRect(const RECT& rc, POINT pt) {
  return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

}  // namespace

CButtonUI::CButtonUI() {
  m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
}

LPCTSTR CButtonUI::GetClass() const {
  return "ButtonUI";
}

LPVOID CButtonUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_BUTTON) == 0) return this;
  return CLabelUI::GetInterface(pstrName);
}

UINT CButtonUI::GetControlFlags() const {
  return (IsKeyboardEnabled() ? UIFLAG_TABSTOP : 0) | (IsEnabled() ? UIFLAG_SETCURSOR : 0);
}

bool CButtonUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK);
  return true;
}

void CButtonUI::SetEnabled(bool bEnable) {
  CControlUI::SetEnabled(bEnable);
  if (!IsEnabled()) m_uButtonState = 0;
}

void CButtonUI::DoEvent(TEventUI& event) {
  if (!IsMouseEnabled() && event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND) {
    if (m_pParent)
      m_pParent->DoEvent(event);
    else
      CLabelUI::DoEvent(event);
    return;
  }
  switch (event.Type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
      CLabelUI::DoEvent(event);
      return;
    case UIEVENT_KEYDOWN:
      if (IsKeyboardEnabled() && (event.chKey == VK_SPACE || event.chKey == VK_RETURN)) {
        Activate();
        return;
      }
      break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (IsEnabled() && inRect(m_rcItem, event.ptMouse)) {
        m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
        Invalidate();
      }
      return;
    case UIEVENT_MOUSEMOVE:
      if (m_uButtonState & UISTATE_CAPTURED) {
        if (inRect(m_rcItem, event.ptMouse))
          m_uButtonState |= UISTATE_PUSHED;
        else
          m_uButtonState &= ~UISTATE_PUSHED;
        Invalidate();
      }
      return;
    case UIEVENT_BUTTONUP:
      if (m_uButtonState & UISTATE_CAPTURED) {
        const bool inside = inRect(m_rcItem, event.ptMouse);
        m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
        Invalidate();
        // Last: a click handler may remove this button.
        if (inside) Activate();
      }
      return;
    case UIEVENT_MOUSEENTER:
      if (IsEnabled()) {
        m_uButtonState |= UISTATE_HOT;
        Invalidate();
      }
      break;
    case UIEVENT_MOUSELEAVE:
      if (IsEnabled()) {
        m_uButtonState &= ~UISTATE_HOT;
        Invalidate();
      }
      break;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

void CButtonUI::SetNormalImage(LPCTSTR pStrImage) {
  m_sNormalImage = pStrImage;
  Invalidate();
}
void CButtonUI::SetHotImage(LPCTSTR pStrImage) {
  m_sHotImage = pStrImage;
  Invalidate();
}
void CButtonUI::SetPushedImage(LPCTSTR pStrImage) {
  m_sPushedImage = pStrImage;
  Invalidate();
}
void CButtonUI::SetFocusedImage(LPCTSTR pStrImage) {
  m_sFocusedImage = pStrImage;
  Invalidate();
}
void CButtonUI::SetDisabledImage(LPCTSTR pStrImage) {
  m_sDisabledImage = pStrImage;
  Invalidate();
}
void CButtonUI::SetForeImage(LPCTSTR pStrImage) {
  m_sForeImage = pStrImage;
  Invalidate();
}
void CButtonUI::SetHotForeImage(LPCTSTR pStrImage) {
  m_sHotForeImage = pStrImage;
  Invalidate();
}
void CButtonUI::SetHotBkColor(DWORD dwColor) {
  m_dwHotBkColor = dwColor;
  Invalidate();
}
void CButtonUI::SetHotTextColor(DWORD dwColor) {
  m_dwHotTextColor = dwColor;
  Invalidate();
}
void CButtonUI::SetPushedTextColor(DWORD dwColor) {
  m_dwPushedTextColor = dwColor;
  Invalidate();
}
void CButtonUI::SetFocusedTextColor(DWORD dwColor) {
  m_dwFocusedTextColor = dwColor;
  Invalidate();
}

DWORD CButtonUI::CurrentTextColor() const {
  if (IsEnabled()) {
    if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor) return m_dwPushedTextColor;
    if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor) return m_dwHotTextColor;
    if (IsFocused() && m_dwFocusedTextColor) return m_dwFocusedTextColor;
  }
  return CLabelUI::CurrentTextColor();
}

void CButtonUI::PaintBkColor(QPainter* painter) {
  if ((m_uButtonState & UISTATE_HOT) && m_dwHotBkColor) {
    CRenderEngine::DrawColor(painter, m_rcItem, m_dwHotBkColor);
    return;
  }
  CLabelUI::PaintBkColor(painter);
}

void CButtonUI::PaintStatusImage(QPainter* painter) {
  // The image of the first matching state that has one; the normal image otherwise.
  const CDuiString* image = &m_sNormalImage;
  if (!IsEnabled() && !m_sDisabledImage.IsEmpty())
    image = &m_sDisabledImage;
  else if (IsEnabled() && (m_uButtonState & UISTATE_PUSHED) && !m_sPushedImage.IsEmpty())
    image = &m_sPushedImage;
  else if (IsEnabled() && (m_uButtonState & UISTATE_HOT) && !m_sHotImage.IsEmpty())
    image = &m_sHotImage;
  else if (IsFocused() && !m_sFocusedImage.IsEmpty())
    image = &m_sFocusedImage;
  if (!image->IsEmpty()) DrawImage(painter, *image);
  if ((m_uButtonState & UISTATE_HOT) && !m_sHotForeImage.IsEmpty())
    DrawImage(painter, m_sHotForeImage);
  else if (!m_sForeImage.IsEmpty())
    DrawImage(painter, m_sForeImage);
}

void CButtonUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using C = CButtonUI;
  static const TAttributeSetter<C> table[] = {
      {"normalimage",
       [](C& c, const char* v) {
         c.SetNormalImage(v);
         return true;
       }},
      {"hotimage",
       [](C& c, const char* v) {
         c.SetHotImage(v);
         return true;
       }},
      {"pushedimage",
       [](C& c, const char* v) {
         c.SetPushedImage(v);
         return true;
       }},
      {"focusedimage",
       [](C& c, const char* v) {
         c.SetFocusedImage(v);
         return true;
       }},
      {"disabledimage",
       [](C& c, const char* v) {
         c.SetDisabledImage(v);
         return true;
       }},
      {"foreimage",
       [](C& c, const char* v) {
         c.SetForeImage(v);
         return true;
       }},
      {"hotforeimage",
       [](C& c, const char* v) {
         c.SetHotForeImage(v);
         return true;
       }},
      {"hotbkcolor", ColorAttribute<C, &C::SetHotBkColor>},
      {"hottextcolor", ColorAttribute<C, &C::SetHotTextColor>},
      {"pushedtextcolor", ColorAttribute<C, &C::SetPushedTextColor>},
      {"focusedtextcolor", ColorAttribute<C, &C::SetFocusedTextColor>},
  };
  if (ApplyFromTable(*this, table, pstrName, pstrValue)) return;
  CLabelUI::SetAttribute(pstrName, pstrValue);
}

}  // namespace DuiLib
