#include "platform/ui/layout/TabLayoutUI.h"

#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/PaintManagerUI.h"

#include <algorithm>
#include <cstring>

namespace DuiLib {

LPCTSTR CTabLayoutUI::GetClass() const {
  return "TabLayoutUI";
}

LPVOID CTabLayoutUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_TABLAYOUT) == 0) return this;
  return CContainerUI::GetInterface(pstrName);
}

bool CTabLayoutUI::Add(CControlUI* pControl) {
  return AddAt(pControl, GetCount());
}

bool CTabLayoutUI::AddAt(CControlUI* pControl, int iIndex) {
  if (!CContainerUI::AddAt(pControl, iIndex)) return false;
  if (m_iCurSel < 0) {
    m_iCurSel = iIndex;
  } else if (iIndex <= m_iCurSel) {
    ++m_iCurSel;
  }
  ShowOnly(m_iCurSel);
  return true;
}

bool CTabLayoutUI::Remove(CControlUI* pControl, bool bDoNotDestroy) {
  const int index = GetItemIndex(pControl);
  return index >= 0 && RemoveAt(index, bDoNotDestroy);
}

bool CTabLayoutUI::RemoveAt(int iIndex, bool bDoNotDestroy) {
  if (!CContainerUI::RemoveAt(iIndex, bDoNotDestroy)) return false;
  if (GetCount() == 0) {
    m_iCurSel = -1;
  } else if (iIndex < m_iCurSel || m_iCurSel >= GetCount()) {
    m_iCurSel = std::max(0, m_iCurSel - 1);
  }
  ShowOnly(m_iCurSel);
  return true;
}

void CTabLayoutUI::RemoveAll() {
  CContainerUI::RemoveAll();
  m_iCurSel = -1;
}

void CTabLayoutUI::ShowOnly(int iIndex) {
  for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == iIndex);
  NeedUpdate();
}

bool CTabLayoutUI::SelectItem(int iIndex, bool bTriggerEvent) {
  if (iIndex < 0 || iIndex >= GetCount()) return false;
  if (iIndex == m_iCurSel) return true;
  const int old = m_iCurSel;
  m_iCurSel = iIndex;
  ShowOnly(iIndex);
  // A focused control on the page that went away loses the focus through its visibility.
  if (m_pManager && bTriggerEvent)
    m_pManager->SendNotify(this, DUI_MSGTYPE_TABSELECT, m_iCurSel, old);
  return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* pControl, bool bTriggerEvent) {
  const int index = GetItemIndex(pControl);
  return index >= 0 && SelectItem(index, bTriggerEvent);
}

void CTabLayoutUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  const RECT client = GetClientRect();
  for (CControlUI* item : m_items) {
    if (!item->IsVisible()) continue;
    if (item->IsFloat())
      PlaceFloatChild(item);
    else
      item->SetPos(client, false);
  }
}

void CTabLayoutUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  if (pstrName && std::strcmp(pstrName, "selectedid") == 0) {
    int index = 0;
    if (!ParseAttrInt(pstrValue, index) || !SelectItem(index, false))
      CControlUI::LogBadAttribute(pstrName, pstrValue);
    return;
  }
  CContainerUI::SetAttribute(pstrName, pstrValue);
}

}  // namespace DuiLib
