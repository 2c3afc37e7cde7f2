#include "platform/ui/controls/ListContainerElementUI.h"

#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/RenderEngine.h"

#include <QPainter>

#include <cstring>

namespace DuiLib {

LPCTSTR CListContainerElementUI::GetClass() const {
  return "ListContainerElementUI";
}

LPVOID CListContainerElementUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_LISTITEM) == 0)
    return static_cast<IListItemUI*>(this);
  if (pstrName && std::strcmp(pstrName, DUI_CTR_LISTCONTAINERELEMENT) == 0) return this;
  return CContainerUI::GetInterface(pstrName);
}

UINT CListContainerElementUI::GetControlFlags() const {
  return UIFLAG_WANTRETURN;
}

void CListContainerElementUI::SetOwner(CControlUI* pOwner) {
  m_pOwner = pOwner ? static_cast<IListOwnerUI*>(pOwner->GetInterface("IListOwner")) : nullptr;
}

void CListContainerElementUI::SetVisible(bool bVisible) {
  CContainerUI::SetVisible(bVisible);
  if (!IsVisible() && m_bSelected) {
    m_bSelected = false;
    if (m_pOwner) m_pOwner->SelectItem(-1);
  }
}

void CListContainerElementUI::SetEnabled(bool bEnable) {
  CContainerUI::SetEnabled(bEnable);
  if (!IsEnabled()) m_uButtonState = 0;
}

bool CListContainerElementUI::Select(bool bSelect, bool bTriggerEvent) {
  if (!IsEnabled()) return false;
  if (bSelect == m_bSelected) return true;
  m_bSelected = bSelect;
  if (bSelect && m_pOwner) m_pOwner->SelectItem(m_iIndex, false, bTriggerEvent);
  Invalidate();
  return true;
}

bool CListContainerElementUI::Activate() {
  if (!CContainerUI::Activate()) return false;
  if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMACTIVATE);
  return true;
}

void CListContainerElementUI::DoEvent(TEventUI& event) {
  if (!IsMouseEnabled() && event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND) {
    if (m_pOwner)
      m_pOwner->DoEvent(event);
    else
      CContainerUI::DoEvent(event);
    return;
  }
  switch (event.Type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
    case UIEVENT_TIMER:
      CControlUI::DoEvent(event);
      return;
    case UIEVENT_DBLCLICK:
      if (IsEnabled()) {
        Activate();
        Invalidate();
      }
      return;
    case UIEVENT_KEYDOWN:
      if (IsEnabled() && event.chKey == 0x0D) {
        Activate();
        Invalidate();
        return;
      }
      break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_RBUTTONDOWN:
      if (IsEnabled()) {
        if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMCLICK);
        Select();
        Invalidate();
      }
      return;
    case UIEVENT_BUTTONUP:
    case UIEVENT_RBUTTONUP:
    case UIEVENT_MOUSEMOVE:
      return;
    case UIEVENT_MOUSEENTER:
      if (IsEnabled()) {
        m_uButtonState |= UISTATE_HOT;
        Invalidate();
      }
      return;
    case UIEVENT_MOUSELEAVE:
      if (m_uButtonState & UISTATE_HOT) {
        m_uButtonState &= ~UISTATE_HOT;
        Invalidate();
      }
      return;
    default:
      break;
  }
  if (m_pOwner)
    m_pOwner->DoEvent(event);
  else
    CContainerUI::DoEvent(event);
}

void CListContainerElementUI::DrawItemBk(QPainter* painter) {
  if (!m_pOwner) return;
  const TListInfoUI* info = m_pOwner->GetListInfo();
  DWORD color = info->dwBkColor;
  const CDuiString* image = &info->sBkImage;
  if (!IsEnabled()) {
    color = info->dwDisabledBkColor;
    image = &info->sDisabledImage;
  } else if (m_bSelected) {
    color = info->dwSelectedBkColor;
    image = &info->sSelectedImage;
  } else if (m_uButtonState & UISTATE_HOT) {
    color = info->dwHotBkColor;
    image = &info->sHotImage;
  } else if (info->bAlternateBk && (m_iIndex % 2) == 1) {
    color = 0x10000000 | (info->dwBkColor & 0x00FFFFFF);
  }
  if (color) CRenderEngine::DrawColor(painter, m_rcItem, color);
  if (!image->IsEmpty()) DrawImage(painter, *image);
  if (info->dwLineColor) {
    const RECT line{m_rcItem.left, m_rcItem.bottom - 1, m_rcItem.right, m_rcItem.bottom};
    CRenderEngine::DrawColor(painter, line, info->dwLineColor);
  }
}

void CListContainerElementUI::DoPaint(QPainter* painter, const RECT& rcPaint) {
  const RECT& r = m_rcItem;
  if (std::max(r.left, rcPaint.left) >= std::min(r.right, rcPaint.right) ||
      std::max(r.top, rcPaint.top) >= std::min(r.bottom, rcPaint.bottom))
    return;
  DrawItemBk(painter);
  CContainerUI::DoPaint(painter, rcPaint);
}

LPCTSTR CListLabelElementUI::GetClass() const {
  return "ListLabelElementUI";
}

LPVOID CListLabelElementUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, "ListLabelElement") == 0) return this;
  return CListContainerElementUI::GetInterface(pstrName);
}

SIZE CListLabelElementUI::EstimateSize(SIZE) {
  if (m_cxyFixed.cy != 0) return m_cxyFixed;
  return SIZE{m_cxyFixed.cx, 24};
}

void CListLabelElementUI::PaintText(QPainter* painter) {
  if (!m_pOwner || m_sText.IsEmpty()) return;
  const TListInfoUI* info = m_pOwner->GetListInfo();
  DWORD color = info->dwTextColor;
  if (!IsEnabled())
    color = info->dwDisabledTextColor;
  else if (m_bSelected)
    color = info->dwSelectedTextColor;
  else if (m_uButtonState & UISTATE_HOT)
    color = info->dwHotTextColor;
  const RECT rc{m_rcItem.left + info->rcTextPadding.left, m_rcItem.top + info->rcTextPadding.top,
                m_rcItem.right - info->rcTextPadding.right,
                m_rcItem.bottom - info->rcTextPadding.bottom};
  CRenderEngine::DrawText(painter, m_pManager, rc, m_sText, color, info->nFont, info->uTextStyle);
}

}  // namespace DuiLib
