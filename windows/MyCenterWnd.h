// The personal centre: a small modal window with two faces chosen when it is made. The
// about face (1) shows the about text the server sent at sign-in; the password face (0)
// changes the signed-in operator's password with a password-reset SMS code. The caller sets
// m_strAboutText and m_strPhone before Create. ShowModal returns 1 in every closing path.
#pragma once

#include "platform/ui/UIlib.h"
#include "windows/WindowKit.h"
#include "windows/EditHints.h"
#include "windows/SmsCountdown.h"

#include <memory>

class CMyCenterWnd : public DuiLib::WindowImplBase {
 public:
  static constexpr int kModifyPassword = 0;
  static constexpr int kAboutUs = 1;

  explicit CMyCenterWnd(int mode);
  ~CMyCenterWnd() override;

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  void OnFinalMessage(HWND hWnd) override;

  const int m_nMode;
  DuiLib::CDuiString m_strAboutText;
  DuiLib::CDuiString m_strPhone;
  int m_nSmsCountdown = 0;

 protected:
  LPCTSTR GetWindowClassName() const override { return "UIMyCenterWnd"; }
  DuiLib::CDuiString GetSkinFolder() override { return SkinFolder(); }
  DuiLib::CDuiString GetSkinFile() override { return "mycenter.xml"; }

 private:
  void OnClick(DuiLib::TNotifyUI& msg) override;
  void RequestSms();
  void ModifyPassword();
  void Tip(const std::string& text, const char* focusEdit = nullptr);

  std::unique_ptr<DuiLib::CWndShadow> m_pShadow;
  CEditHints m_hints;
  CSmsCountdown m_countdown;
};
