#include "chrome/MenuElementUI.h"

#include "chrome/MenuWnd.h"

#include <strings.h>

#include <cstdlib>

using namespace DuiLib;

LPCTSTR CMenuElementUI::GetClass() const {
  return "MenuElement";
}

LPVOID CMenuElementUI::GetInterface(LPCTSTR pstrName) {
  if (strcasecmp(pstrName, "MenuElement") == 0) return this;
  return CListContainerElementUI::GetInterface(pstrName);
}

void CMenuElementUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  if (strcasecmp(pstrName, "id") == 0)
    m_nId = std::atoi(pstrValue);
  else
    CListContainerElementUI::SetAttribute(pstrName, pstrValue);
}

bool CMenuElementUI::Add(CControlUI* pControl) {
  if (pControl && pControl->GetInterface("MenuElement")) pControl->SetVisible(false);
  return CListContainerElementUI::Add(pControl);
}

bool CMenuElementUI::AddAt(CControlUI* pControl, int iIndex) {
  if (pControl && pControl->GetInterface("MenuElement")) pControl->SetVisible(false);
  return CListContainerElementUI::AddAt(pControl, iIndex);
}

bool CMenuElementUI::HasSubMenu() const {
  if (m_pSubMenuWnd) return true;  // its items are lent to the open sub-menu
  for (int i = 0; i < GetCount(); ++i)
    if (GetItemAt(i)->GetInterface("MenuElement")) return true;
  return false;
}

HWND CMenuElementUI::GetMenuHwnd() const {
  return GetManager() ? GetManager()->GetPaintWindow() : nullptr;
}

void CMenuElementUI::OpenSubMenu() {
  if (m_pSubMenuWnd) return;
  CMenuWnd::Broadcast(TMenuNotice{kMenuCloseBelow, GetMenuHwnd(), -1});
  m_pSubMenuWnd = new CMenuWnd(GetMenuHwnd(), GetManager());
  const RECT& rc = GetPos();
  POINT pt{rc.right, rc.top};
  ::ClientToScreen(GetMenuHwnd(), &pt);
  m_pSubMenuWnd->Init(this, "", "xml", pt);
}

void CMenuElementUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_MOUSEENTER) {
    if (HasSubMenu())
      OpenSubMenu();
    else
      CMenuWnd::Broadcast(TMenuNotice{kMenuCloseBelow, GetMenuHwnd(), -1});
  } else if (event.Type == UIEVENT_BUTTONDOWN && IsEnabled()) {
    if (HasSubMenu()) {
      OpenSubMenu();
    } else {
      CMenuWnd::Broadcast(TMenuNotice{kMenuChoose, GetMenuHwnd(), m_nId});
      return;  // every menu, this one included, is closing
    }
  }
  CListContainerElementUI::DoEvent(event);
}

bool CMenuElementUI::Activate() {
  if (HasSubMenu())
    OpenSubMenu();
  else
    CMenuWnd::Broadcast(TMenuNotice{kMenuCloseAll, GetMenuHwnd(), -1});
  return true;
}
