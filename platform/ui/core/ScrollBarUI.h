// A scroll bar belonging to a container: two optional buttons, a draggable thumb and the
// rail drawn on it, each with normal, hot, pushed and disabled images. Without images it
// draws a thin grey bar, so that a plain skin still shows where the content is.
#pragma once

#include "platform/ui/core/ControlUI.h"

namespace DuiLib {

class CContainerUI;

class CScrollBarUI : public CControlUI {
 public:
  CScrollBarUI();

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  CContainerUI* GetOwner() const { return m_pOwner; }
  void SetOwner(CContainerUI* pOwner) { m_pOwner = pOwner; }
  bool IsHorizontal() const { return m_bHorizontal; }
  void SetHorizontal(bool bHorizontal = true);
  int GetScrollRange() const { return m_nRange; }
  void SetScrollRange(int nRange);
  int GetScrollPos() const { return m_nScrollPos; }
  void SetScrollPos(int nPos);
  int GetLineSize() const { return m_nLineSize; }
  void SetLineSize(int nSize);
  bool GetShowButton1() const { return m_bShowButton1; }
  bool GetShowButton2() const { return m_bShowButton2; }
  // Thickness of the bar (width when vertical, height when horizontal).
  int GetBarSize() const;

  void SetPos(RECT rc, bool bNeedInvalidate = true) override;
  void DoEvent(TEventUI& event) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void DoPaint(QPainter* painter, const RECT& rcPaint) override;

  RECT GetThumbRect() const { return m_rcThumb; }

 private:
  // Image slots: bk, button1, button2, thumb, rail; states normal, hot, pushed, disabled.
  enum Part { kBk, kButton1, kButton2, kThumb, kRail, kPartCount };
  enum State { kNormal, kHot, kPushed, kDisabled, kStateCount };

  void PaintPart(QPainter* painter, Part part, const RECT& rc, UINT state);
  void UpdateThumb();
  void ScrollOwnerTo(int pos);
  bool SetImageAttribute(LPCTSTR pstrName, LPCTSTR pstrValue);

  CContainerUI* m_pOwner = nullptr;
  bool m_bHorizontal = false;
  bool m_bShowButton1 = true;
  bool m_bShowButton2 = true;
  int m_nRange = 100;
  int m_nScrollPos = 0;
  int m_nLineSize = 8;
  int m_nLastScrollPos = 0;
  int m_nDragOffset = 0;
  POINT m_ptLastMouse{0, 0};
  RECT m_rcButton1{0, 0, 0, 0};
  RECT m_rcButton2{0, 0, 0, 0};
  RECT m_rcThumb{0, 0, 0, 0};
  UINT m_uButton1State = 0;
  UINT m_uButton2State = 0;
  UINT m_uThumbState = 0;
  CDuiString m_sImages[kPartCount][kStateCount];
};

}  // namespace DuiLib
