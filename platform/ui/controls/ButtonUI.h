// A clickable label: "click" when the left button is pressed and released over it (or on
// Space/Return while focused). Images per state: normalimage, hotimage, pushedimage,
// focusedimage, disabledimage, plus foreimage/hotforeimage; text and background colours
// for the hot, pushed and focused states.
#pragma once

#include "platform/ui/controls/LabelUI.h"

namespace DuiLib {

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  UINT GetControlFlags() const override;
  bool Activate() override;
  void SetEnabled(bool bEnable = true) override;
  void DoEvent(TEventUI& event) override;

  LPCTSTR GetNormalImage() const { return m_sNormalImage; }
  void SetNormalImage(LPCTSTR pStrImage);
  LPCTSTR GetHotImage() const { return m_sHotImage; }
  void SetHotImage(LPCTSTR pStrImage);
  LPCTSTR GetPushedImage() const { return m_sPushedImage; }
  void SetPushedImage(LPCTSTR pStrImage);
  LPCTSTR GetFocusedImage() const { return m_sFocusedImage; }
  void SetFocusedImage(LPCTSTR pStrImage);
  LPCTSTR GetDisabledImage() const { return m_sDisabledImage; }
  void SetDisabledImage(LPCTSTR pStrImage);
  LPCTSTR GetForeImage() const { return m_sForeImage; }
  void SetForeImage(LPCTSTR pStrImage);
  LPCTSTR GetHotForeImage() const { return m_sHotForeImage; }
  void SetHotForeImage(LPCTSTR pStrImage);
  void SetHotBkColor(DWORD dwColor);
  DWORD GetHotBkColor() const { return m_dwHotBkColor; }
  void SetHotTextColor(DWORD dwColor);
  DWORD GetHotTextColor() const { return m_dwHotTextColor; }
  void SetPushedTextColor(DWORD dwColor);
  DWORD GetPushedTextColor() const { return m_dwPushedTextColor; }
  void SetFocusedTextColor(DWORD dwColor);
  DWORD GetFocusedTextColor() const { return m_dwFocusedTextColor; }
  UINT GetButtonState() const { return m_uButtonState; }

  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintBkColor(QPainter* painter) override;
  void PaintStatusImage(QPainter* painter) override;

 protected:
  DWORD CurrentTextColor() const override;

  UINT m_uButtonState = 0;
  CDuiString m_sNormalImage;
  CDuiString m_sHotImage;
  CDuiString m_sPushedImage;
  CDuiString m_sFocusedImage;
  CDuiString m_sDisabledImage;
  CDuiString m_sForeImage;
  CDuiString m_sHotForeImage;
  DWORD m_dwHotBkColor = 0;
  DWORD m_dwHotTextColor = 0;
  DWORD m_dwPushedTextColor = 0;
  DWORD m_dwFocusedTextColor = 0;
};

}  // namespace DuiLib
