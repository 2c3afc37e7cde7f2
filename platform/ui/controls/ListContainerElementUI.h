// A list row holding any controls (laid out like a plain container: each non-float child
// fills the row, float children sit at their "pos"). A press raises "itemclick" and selects
// the row; a double click raises "itemactivate". The row draws the list's item look
// (normal, alternate, hot, selected, disabled) under its children.
#pragma once

#include "platform/ui/controls/ListUI.h"

namespace DuiLib {

class CListContainerElementUI : public CContainerUI, public IListItemUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  UINT GetControlFlags() const override;

  int GetIndex() const override { return m_iIndex; }
  void SetIndex(int iIndex) override { m_iIndex = iIndex; }
  IListOwnerUI* GetOwner() override { return m_pOwner; }
  void SetOwner(CControlUI* pOwner) override;
  bool IsSelected() const override { return m_bSelected; }
  // Whether the pointer is over the row (drawn with the hot colours).
  bool IsHot() const { return (m_uButtonState & UISTATE_HOT) != 0; }
  bool Select(bool bSelect = true, bool bTriggerEvent = true) override;
  bool IsExpanded() const override { return false; }
  bool Expand(bool) override { return false; }

  void SetVisible(bool bVisible = true) override;
  void SetEnabled(bool bEnable = true) override;
  bool Activate() override;
  void DoEvent(TEventUI& event) override;
  void DoPaint(QPainter* painter, const RECT& rcPaint) override;

 protected:
  void DrawItemBk(QPainter* painter);

  int m_iIndex = -1;
  bool m_bSelected = false;
  UINT m_uButtonState = 0;
  IListOwnerUI* m_pOwner = nullptr;
};

// A list row showing one text in the list's item style.
class CListLabelElementUI : public CListContainerElementUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  SIZE EstimateSize(SIZE szAvailable) override;
  void PaintText(QPainter* painter) override;
};

}  // namespace DuiLib
