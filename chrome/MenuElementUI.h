// CMenuElementUI: one item of a pop-up menu ("MenuElement"). Its "id" is the command posted
// to the owner when it is chosen (-1: none); "MenuElement" children form its sub-menu. They
// are held hidden inside the item (neither drawn over it nor hit by a click on it) and show
// only in the sub-menu's window, which borrows them while it is open.
#pragma once

#include "platform/ui/UIlib.h"

class CMenuWnd;

class CMenuElementUI : public DuiLib::CListContainerElementUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void DoEvent(DuiLib::TEventUI& event) override;
  bool Activate() override;
  bool Add(DuiLib::CControlUI* pControl) override;
  bool AddAt(DuiLib::CControlUI* pControl, int iIndex) override;

  int GetId() const { return m_nId; }
  // True when it holds items, or has lent them to its open sub-menu.
  bool HasSubMenu() const;
  // The menu window this item lives in (its paint manager's window).
  HWND GetMenuHwnd() const;

  CMenuWnd* m_pSubMenuWnd = nullptr;

 private:
  void OpenSubMenu();

  int m_nId = -1;
};
