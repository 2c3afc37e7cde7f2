// A container showing one child (page) at a time. The first page added is selected;
// SelectItem shows another and raises "tabselect" (wParam new index, lParam old index).
#pragma once

#include "platform/ui/core/ContainerUI.h"

namespace DuiLib {

class CTabLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  bool Add(CControlUI* pControl) override;
  bool AddAt(CControlUI* pControl, int iIndex) override;
  bool Remove(CControlUI* pControl, bool bDoNotDestroy = false) override;
  bool RemoveAt(int iIndex, bool bDoNotDestroy = false) override;
  void RemoveAll() override;
  int GetCurSel() const { return m_iCurSel; }
  // False (nothing changes) for an index without a page.
  virtual bool SelectItem(int iIndex, bool bTriggerEvent = true);
  virtual bool SelectItem(CControlUI* pControl, bool bTriggerEvent = true);

  void SetPos(RECT rc, bool bNeedInvalidate = true) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;

 private:
  void ShowOnly(int iIndex);
  int m_iCurSel = -1;
};

}  // namespace DuiLib
