// A control holding children. The plain container gives every child the whole inner
// rectangle (its rect minus "inset"); the layouts place them in a row or column. Float
// children are placed by their "pos" relative to the container. With "vscrollbar" or
// "hscrollbar", a scroll bar appears when the content is larger than the container.
#pragma once

#include "platform/ui/core/ControlUI.h"

#include <vector>

namespace DuiLib {

class CScrollBarUI;

class IContainerUI {
 public:
  virtual ~IContainerUI() = default;
  virtual CControlUI* GetItemAt(int iIndex) const = 0;
  virtual int GetItemIndex(CControlUI* pControl) const = 0;
  virtual bool SetItemIndex(CControlUI* pControl, int iIndex) = 0;
  virtual int GetCount() const = 0;
  virtual bool Add(CControlUI* pControl) = 0;
  virtual bool AddAt(CControlUI* pControl, int iIndex) = 0;
  // Destroys the control unless bDoNotDestroy (or auto-destroy is off).
  virtual bool Remove(CControlUI* pControl, bool bDoNotDestroy = false) = 0;
  virtual bool RemoveAt(int iIndex, bool bDoNotDestroy = false) = 0;
  virtual void RemoveAll() = 0;
};

class CContainerUI : public CControlUI, public IContainerUI {
 public:
  CContainerUI();
  ~CContainerUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  CControlUI* GetItemAt(int iIndex) const override;
  int GetItemIndex(CControlUI* pControl) const override;
  bool SetItemIndex(CControlUI* pControl, int iIndex) override;
  int GetCount() const override;
  bool Add(CControlUI* pControl) override;
  bool AddAt(CControlUI* pControl, int iIndex) override;
  bool Remove(CControlUI* pControl, bool bDoNotDestroy = false) override;
  bool RemoveAt(int iIndex, bool bDoNotDestroy = false) override;
  void RemoveAll() override;

  void SetAutoDestroy(bool bAuto) { m_bAutoDestroy = bAuto; }
  bool IsAutoDestroy() const { return m_bAutoDestroy; }
  void SetDelayedDestroy(bool bDelayed) { m_bDelayedDestroy = bDelayed; }
  bool IsDelayedDestroy() const { return m_bDelayedDestroy; }

  virtual RECT GetInset() const { return m_rcInset; }
  virtual void SetInset(RECT rcInset);
  virtual int GetChildPadding() const { return m_iChildPadding; }
  virtual void SetChildPadding(int iPadding);
  virtual bool IsMouseChildEnabled() const { return m_bMouseChildEnabled; }
  virtual void SetMouseChildEnabled(bool bEnable = true) { m_bMouseChildEnabled = bEnable; }

  void SetVisible(bool bVisible = true) override;
  void SetInternVisible(bool bVisible = true) override;
  void SetEnabled(bool bEnable = true) override;
  void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
  void SetPos(RECT rc, bool bNeedInvalidate = true) override;
  void DoEvent(TEventUI& event) override;
  void DoPaint(QPainter* painter, const RECT& rcPaint) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  CControlUI* FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) override;

  // The first child of a given class below pStartControl (depth first), or null.
  CControlUI* FindSubControl(LPCTSTR pstrSubControlName);

  // Scrolling.
  virtual SIZE GetScrollPos() const;
  virtual SIZE GetScrollRange() const;
  virtual void SetScrollPos(SIZE szPos);
  virtual void LineUp();
  virtual void LineDown();
  virtual void PageUp();
  virtual void PageDown();
  virtual void HomeUp();
  virtual void EndDown();
  virtual void LineLeft();
  virtual void LineRight();
  virtual void EnableScrollBar(bool bEnableVertical = true, bool bEnableHorizontal = false);
  virtual CScrollBarUI* GetVerticalScrollBar() const { return m_pVerticalScrollBar; }
  virtual CScrollBarUI* GetHorizontalScrollBar() const { return m_pHorizontalScrollBar; }

 protected:
  // Shows or hides the scroll bars for content of the given size inside rc.
  virtual void ProcessScrollBar(RECT rc, int cxRequired, int cyRequired);
  // SetPos of the row and column layouts: lays the children out in a line, then once more
  // when a scroll bar appeared or went away (it changes the client area).
  void SetPosLinear(RECT rc, bool bNeedInvalidate, bool vertical);
  // The inner rectangle: the item rect minus inset and any visible scroll bar.
  RECT GetClientRect() const;
  void PlaceFloatChild(CControlUI* pControl);
  void DestroyChild(CControlUI* pControl);

  std::vector<CControlUI*> m_items;
  RECT m_rcInset{0, 0, 0, 0};
  int m_iChildPadding = 0;
  bool m_bAutoDestroy = true;
  bool m_bDelayedDestroy = true;
  bool m_bMouseChildEnabled = true;
  bool m_bScrollProcess = false;
  CScrollBarUI* m_pVerticalScrollBar = nullptr;
  CScrollBarUI* m_pHorizontalScrollBar = nullptr;
};

}  // namespace DuiLib
