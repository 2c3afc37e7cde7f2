// A one-line text field. While it has the focus a real Qt line editor sits over it, so input
// methods, selection and the clipboard work; otherwise the control paints its text (masked
// in password mode). Raises "textchanged" on every change the user makes and "return" on
// Enter. Attributes: password, passwordchar, maxchar, readonly, textcolor, nativebkcolor and
// the state images normalimage, hotimage, focusedimage, disabledimage.
#pragma once

#include "platform/ui/controls/LabelUI.h"

#include <memory>

class QWidget;

namespace DuiLib {

class CEditUI : public CLabelUI {
 public:
  CEditUI();
  ~CEditUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  UINT GetControlFlags() const override;

  void SetText(LPCTSTR pstrText) override;
  void SetEnabled(bool bEnable = true) override;
  void SetVisible(bool bVisible = true) override;
  void SetInternVisible(bool bVisible = true) override;
  void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
  void SetPos(RECT rc, bool bNeedInvalidate = true) override;

  void SetMaxChar(UINT uMax);
  UINT GetMaxChar() const { return m_uMaxChar; }
  void SetReadOnly(bool bReadOnly);
  bool IsReadOnly() const { return m_bReadOnly; }
  void SetPasswordMode(bool bPasswordMode);
  bool IsPasswordMode() const { return m_bPasswordMode; }
  void SetPasswordChar(char cPasswordChar);
  char GetPasswordChar() const { return m_cPasswordChar; }
  void SetNativeEditBkColor(DWORD dwBkColor);
  DWORD GetNativeEditBkColor() const { return m_dwEditBkColor; }
  void SetSel(long nStartChar, long nEndChar);
  void SetSelAll();
  void SetReplaceSel(LPCTSTR lpszReplace);

  LPCTSTR GetNormalImage() const { return m_sNormalImage; }
  void SetNormalImage(LPCTSTR pStrImage);
  void SetHotImage(LPCTSTR pStrImage);
  void SetFocusedImage(LPCTSTR pStrImage);
  void SetDisabledImage(LPCTSTR pStrImage);

  // True while the Qt editor is open (the control has the focus).
  bool IsEditing() const;
  // The Qt editor while it is open, else null. For tests of the platform layer that drive
  // it as the window system does (keys, input-method events).
  QWidget* GetNativeEditor() const;

  void DoEvent(TEventUI& event) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintStatusImage(QPainter* painter) override;
  void PaintText(QPainter* painter) override;

  // Called by the Qt editor.
  void OnEditorTextEdited(const CDuiString& text);
  void OnEditorReturn();

 private:
  struct Impl;
  void OpenEditor();
  void CloseEditor();
  void SyncEditor();

  std::unique_ptr<Impl> m_pImpl;
  UINT m_uMaxChar = 255;
  bool m_bReadOnly = false;
  bool m_bPasswordMode = false;
  char m_cPasswordChar = '*';
  UINT m_uButtonState = 0;
  DWORD m_dwEditBkColor = 0xFFFFFFFF;
  CDuiString m_sNormalImage;
  CDuiString m_sHotImage;
  CDuiString m_sFocusedImage;
  CDuiString m_sDisabledImage;
};

}  // namespace DuiLib
