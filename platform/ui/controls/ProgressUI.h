// A progress bar: value between min and max, horizontal or vertical, drawn with
// "foreimage" (cut to the filled part) or, without one, with "forecolor".
#pragma once

#include "platform/ui/controls/LabelUI.h"

namespace DuiLib {

class CProgressUI : public CLabelUI {
 public:
  CProgressUI();

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  bool IsHorizontal() const { return m_bHorizontal; }
  void SetHorizontal(bool bHorizontal = true);
  int GetMinValue() const { return m_nMin; }
  void SetMinValue(int nMin);
  int GetMaxValue() const { return m_nMax; }
  void SetMaxValue(int nMax);
  int GetValue() const { return m_nValue; }
  // Clamped to [min, max].
  void SetValue(int nValue);
  LPCTSTR GetForeImage() const { return m_sForeImage; }
  void SetForeImage(LPCTSTR pStrImage);
  void SetForeColor(DWORD dwColor);

  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintStatusImage(QPainter* painter) override;

 private:
  bool m_bHorizontal = true;
  int m_nMin = 0;
  int m_nMax = 100;
  int m_nValue = 0;
  DWORD m_dwForeColor = 0xFF008CEE;
  CDuiString m_sForeImage;
};

}  // namespace DuiLib
