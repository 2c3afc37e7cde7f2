// The list: an optional header and a scrolling body of items (CListContainerElementUI rows,
// CListLabelElementUI text rows). Items know their index and owner; one item is selected.
//
// Notifications: "itemclick" from an item on a button press (left or right), then the
// selection: "itemselect" from the list (wParam new index, lParam old index);
// "itemactivate" from an item on a double click. Item look comes from the list's "item..."
// attributes (colours and images for normal, hot, selected and disabled rows).
#pragma once

#include "platform/ui/layout/HorizontalLayoutUI.h"
#include "platform/ui/layout/VerticalLayoutUI.h"

namespace DuiLib {

class CListHeaderUI;
class CListBodyUI;

struct TListInfoUI {
  int nColumns = 0;
  int nFont = -1;
  UINT uTextStyle = DT_VCENTER | DT_SINGLELINE;
  RECT rcTextPadding{0, 0, 0, 0};
  DWORD dwTextColor = 0xFF000000;
  DWORD dwBkColor = 0;
  CDuiString sBkImage;
  bool bAlternateBk = false;
  DWORD dwSelectedTextColor = 0xFF000000;
  DWORD dwSelectedBkColor = 0xFFC1E3FF;
  CDuiString sSelectedImage;
  DWORD dwHotTextColor = 0xFF000000;
  DWORD dwHotBkColor = 0xFFE9F5FF;
  CDuiString sHotImage;
  DWORD dwDisabledTextColor = 0xFFCCCCCC;
  DWORD dwDisabledBkColor = 0xFFFFFFFF;
  CDuiString sDisabledImage;
  DWORD dwLineColor = 0;
  bool bShowHtml = false;
};

class IListOwnerUI {
 public:
  virtual ~IListOwnerUI() = default;
  virtual TListInfoUI* GetListInfo() = 0;
  virtual int GetCurSel() const = 0;
  virtual bool SelectItem(int iIndex, bool bTakeFocus = false, bool bTriggerEvent = true) = 0;
  virtual void DoEvent(TEventUI& event) = 0;
};

class IListItemUI {
 public:
  virtual ~IListItemUI() = default;
  virtual int GetIndex() const = 0;
  virtual void SetIndex(int iIndex) = 0;
  virtual IListOwnerUI* GetOwner() = 0;
  virtual void SetOwner(CControlUI* pOwner) = 0;
  virtual bool IsSelected() const = 0;
  virtual bool Select(bool bSelect = true, bool bTriggerEvent = true) = 0;
  virtual bool IsExpanded() const = 0;
  virtual bool Expand(bool bExpand = true) = 0;
};

class CListUI : public CVerticalLayoutUI, public IListOwnerUI {
 public:
  CListUI();

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  UINT GetControlFlags() const override;

  CListHeaderUI* GetHeader() const { return m_pHeader; }
  CListBodyUI* GetList() const { return m_pList; }
  TListInfoUI* GetListInfo() override { return &m_ListInfo; }

  int GetCurSel() const override { return m_iCurSel; }
  bool SelectItem(int iIndex, bool bTakeFocus = false, bool bTriggerEvent = true) override;

  CControlUI* GetItemAt(int iIndex) const override;
  int GetItemIndex(CControlUI* pControl) const override;
  bool SetItemIndex(CControlUI* pControl, int iIndex) override;
  int GetCount() const override;
  bool Add(CControlUI* pControl) override;
  bool AddAt(CControlUI* pControl, int iIndex) override;
  bool Remove(CControlUI* pControl, bool bDoNotDestroy = false) override;
  bool RemoveAt(int iIndex, bool bDoNotDestroy = false) override;
  void RemoveAll() override;

  // Scrolls so that item iIndex is inside the visible part.
  void EnsureVisible(int iIndex);
  void Scroll(int dx, int dy);
  // The next selectable (visible, enabled) index from iIndex in a direction, or -1.
  int FindSelectable(int iIndex, bool bForward = true) const;

  SIZE GetScrollPos() const override;
  SIZE GetScrollRange() const override;
  void SetScrollPos(SIZE szPos) override;
  void LineUp() override;
  void LineDown() override;
  void PageUp() override;
  void PageDown() override;
  void HomeUp() override;
  void EndDown() override;
  void EnableScrollBar(bool bEnableVertical = true, bool bEnableHorizontal = false) override;
  CScrollBarUI* GetVerticalScrollBar() const override;
  CScrollBarUI* GetHorizontalScrollBar() const override;

  void SetPos(RECT rc, bool bNeedInvalidate = true) override;
  void DoEvent(TEventUI& event) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;

 protected:
  // Renumbers the items from iFirst on.
  void ReindexFrom(int iFirst);

  int m_iCurSel = -1;
  CListBodyUI* m_pList = nullptr;
  CListHeaderUI* m_pHeader = nullptr;
  TListInfoUI m_ListInfo;
};

// The scrolling part of a list.
class CListBodyUI : public CVerticalLayoutUI {
 public:
  explicit CListBodyUI(CListUI* pOwner) : m_pOwner(pOwner) {}
  LPCTSTR GetClass() const override;
  void DoEvent(TEventUI& event) override;

 private:
  CListUI* m_pOwner;
};

// The header row; its items are CListHeaderItemUI.
class CListHeaderUI : public CHorizontalLayoutUI {
 public:
  CListHeaderUI();
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  SIZE EstimateSize(SIZE szAvailable) override;
};

class CListHeaderItemUI : public CControlUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintText(QPainter* painter) override;

 private:
  DWORD m_dwTextColor = 0xFF000000;
  int m_iFont = -1;
};

}  // namespace DuiLib
