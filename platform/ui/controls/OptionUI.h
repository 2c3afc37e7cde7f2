// A button that stays selected. Options sharing a "group" name in one window are exclusive:
// selecting one deselects the others. A click raises "click", then "selectchanged" from the
// option whose state changed to selected (or toggled, without a group).
#pragma once

#include "platform/ui/controls/ButtonUI.h"

namespace DuiLib {

class COptionUI : public CButtonUI {
 public:
  ~COptionUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
  bool Activate() override;
  void SetEnabled(bool bEnable = true) override;

  LPCTSTR GetGroup() const { return m_sGroupName; }
  void SetGroup(LPCTSTR pStrGroupName = nullptr);
  bool IsSelected() const { return m_bSelected; }
  virtual void Selected(bool bSelected, bool bTriggerEvent = true);

  LPCTSTR GetSelectedImage() const { return m_sSelectedImage; }
  void SetSelectedImage(LPCTSTR pStrImage);
  LPCTSTR GetSelectedHotImage() const { return m_sSelectedHotImage; }
  void SetSelectedHotImage(LPCTSTR pStrImage);
  void SetSelectedTextColor(DWORD dwTextColor);
  DWORD GetSelectedTextColor() const { return m_dwSelectedTextColor; }
  void SetSelectedBkColor(DWORD dwBkColor);
  DWORD GetSelectedBkColor() const { return m_dwSelectedBkColor; }

  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintBkColor(QPainter* painter) override;
  void PaintStatusImage(QPainter* painter) override;

 protected:
  DWORD CurrentTextColor() const override;

  bool m_bSelected = false;
  CDuiString m_sGroupName;
  CDuiString m_sSelectedImage;
  CDuiString m_sSelectedHotImage;
  DWORD m_dwSelectedTextColor = 0;
  DWORD m_dwSelectedBkColor = 0;
};

// A check box: an option without a group, with GetCheck/SetCheck.
class CCheckBoxUI : public COptionUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  void SetCheck(bool bCheck, bool bTriggerEvent = true) { Selected(bCheck, bTriggerEvent); }
  bool GetCheck() const { return IsSelected(); }
};

}  // namespace DuiLib
