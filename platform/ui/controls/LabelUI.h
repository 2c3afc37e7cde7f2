// A text on a background: colour, font, alignment ("align", "valign", or a DT_* text style),
// end ellipsis and text padding.
#pragma once

#include "platform/ui/core/ControlUI.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
 public:
  CLabelUI();

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  void SetTextStyle(UINT uStyle);
  UINT GetTextStyle() const { return m_uTextStyle; }
  void SetTextColor(DWORD dwTextColor);
  DWORD GetTextColor() const { return m_dwTextColor; }
  void SetDisabledTextColor(DWORD dwTextColor);
  DWORD GetDisabledTextColor() const { return m_dwDisabledTextColor; }
  void SetFont(int index);
  int GetFont() const { return m_iFont; }
  RECT GetTextPadding() const { return m_rcTextPadding; }
  void SetTextPadding(RECT rc);
  bool IsShowHtml() const { return m_bShowHtml; }
  virtual void SetShowHtml(bool bShowHtml = true);
  bool GetAutoCalcWidth() const { return m_bAutoCalcWidth; }
  void SetAutoCalcWidth(bool bAutoCalcWidth);

  SIZE EstimateSize(SIZE szAvailable) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintText(QPainter* painter) override;

 protected:
  // The rectangle text is drawn in: the item minus the text padding.
  RECT GetTextRect() const;
  // The colour for the current state (disabled or normal).
  virtual DWORD CurrentTextColor() const;

  DWORD m_dwTextColor = 0;
  DWORD m_dwDisabledTextColor = 0;
  int m_iFont = -1;
  UINT m_uTextStyle;
  RECT m_rcTextPadding{0, 0, 0, 0};
  bool m_bShowHtml = false;
  bool m_bAutoCalcWidth = false;
};

}  // namespace DuiLib
