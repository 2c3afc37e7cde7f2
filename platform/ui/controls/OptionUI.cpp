#include "platform/ui/controls/OptionUI.h"

#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/AttributeTable_p.h"
#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/RenderEngine.h"

#include <cstring>

namespace DuiLib {

COptionUI::~COptionUI() {
  if (!m_sGroupName.IsEmpty() && m_pManager) m_pManager->RemoveOptionGroup(m_sGroupName, this);
}

LPCTSTR COptionUI::GetClass() const {
  return "OptionUI";
}

LPVOID COptionUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_OPTION) == 0) return this;
  return CButtonUI::GetInterface(pstrName);
}

void COptionUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
  CButtonUI::SetManager(pManager, pParent, bInit);
  if (m_pManager && !m_sGroupName.IsEmpty()) m_pManager->AddOptionGroup(m_sGroupName, this);
}

void COptionUI::SetGroup(LPCTSTR pStrGroupName) {
  if (m_sGroupName == pStrGroupName) return;
  if (m_pManager && !m_sGroupName.IsEmpty()) m_pManager->RemoveOptionGroup(m_sGroupName, this);
  m_sGroupName = pStrGroupName;
  if (m_pManager && !m_sGroupName.IsEmpty()) m_pManager->AddOptionGroup(m_sGroupName, this);
  Selected(m_bSelected, false);
}

void COptionUI::Selected(bool bSelected, bool bTriggerEvent) {
  if (m_bSelected == bSelected && !(bSelected && !m_sGroupName.IsEmpty())) return;
  const bool changed = m_bSelected != bSelected;
  m_bSelected = bSelected;
  if (m_bSelected)
    m_uButtonState |= UISTATE_SELECTED;
  else
    m_uButtonState &= ~UISTATE_SELECTED;
  if (m_pManager) {
    if (!m_sGroupName.IsEmpty()) {
      if (m_bSelected) {
        // Copy: deselecting may not change the group, but a handler might.
        const auto* group = m_pManager->GetOptionGroup(m_sGroupName);
        const std::vector<CControlUI*> members = group ? *group : std::vector<CControlUI*>{};
        for (CControlUI* member : members) {
          if (member == this) continue;
          if (auto* option = static_cast<COptionUI*>(member->GetInterface(DUI_CTR_OPTION)))
            option->Selected(false, bTriggerEvent);
        }
        if (changed && bTriggerEvent) m_pManager->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED);
      }
    } else if (changed && bTriggerEvent) {
      m_pManager->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED);
    }
  }
  Invalidate();
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  if (!m_sGroupName.IsEmpty())
    Selected(true);
  else
    Selected(!m_bSelected);
  return true;
}

void COptionUI::SetEnabled(bool bEnable) {
  CButtonUI::SetEnabled(bEnable);
  if (!IsEnabled() && m_bSelected) m_uButtonState = UISTATE_SELECTED;
}

void COptionUI::SetSelectedImage(LPCTSTR pStrImage) {
  m_sSelectedImage = pStrImage;
  Invalidate();
}
void COptionUI::SetSelectedHotImage(LPCTSTR pStrImage) {
  m_sSelectedHotImage = pStrImage;
  Invalidate();
}
void COptionUI::SetSelectedTextColor(DWORD dwTextColor) {
  m_dwSelectedTextColor = dwTextColor;
  Invalidate();
}
void COptionUI::SetSelectedBkColor(DWORD dwBkColor) {
  m_dwSelectedBkColor = dwBkColor;
  Invalidate();
}

DWORD COptionUI::CurrentTextColor() const {
  if (m_bSelected && m_dwSelectedTextColor && IsEnabled()) return m_dwSelectedTextColor;
  return CButtonUI::CurrentTextColor();
}

void COptionUI::PaintBkColor(QPainter* painter) {
  if (m_bSelected && m_dwSelectedBkColor) {
    CRenderEngine::DrawColor(painter, m_rcItem, m_dwSelectedBkColor);
    return;
  }
  CButtonUI::PaintBkColor(painter);
}

void COptionUI::PaintStatusImage(QPainter* painter) {
  if (m_bSelected) {
    if ((m_uButtonState & UISTATE_HOT) && !m_sSelectedHotImage.IsEmpty()) {
      DrawImage(painter, m_sSelectedHotImage);
      return;
    }
    if (!m_sSelectedImage.IsEmpty()) {
      DrawImage(painter, m_sSelectedImage);
      return;
    }
  }
  CButtonUI::PaintStatusImage(painter);
}

void COptionUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using C = COptionUI;
  static const TAttributeSetter<C> table[] = {
      {"group",
       [](C& c, const char* v) {
         c.SetGroup(v);
         return true;
       }},
      // Selected takes a second argument with a default: not a plain bool setter.
      {"selected",
       [](C& c, const char* v) {
         bool b;
         if (!ParseAttrBool(v, b)) return false;
         c.Selected(b);
         return true;
       }},
      {"selectedimage",
       [](C& c, const char* v) {
         c.SetSelectedImage(v);
         return true;
       }},
      {"selectedhotimage",
       [](C& c, const char* v) {
         c.SetSelectedHotImage(v);
         return true;
       }},
      {"selectedtextcolor", ColorAttribute<C, &C::SetSelectedTextColor>},
      {"selectedbkcolor", ColorAttribute<C, &C::SetSelectedBkColor>},
  };
  if (ApplyFromTable(*this, table, pstrName, pstrValue)) return;
  CButtonUI::SetAttribute(pstrName, pstrValue);
}

LPCTSTR CCheckBoxUI::GetClass() const {
  return "CheckBoxUI";
}

LPVOID CCheckBoxUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_CHECKBOX) == 0) return this;
  return COptionUI::GetInterface(pstrName);
}

}  // namespace DuiLib
