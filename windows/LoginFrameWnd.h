// The login window: the modal gate between start-up and the main window. One window of
// fixed width with three views (sign-in, registration, find-password) and a success panel.
// Every failure shows in the one tip label "login_tip", with the focus on the field at
// fault. ShowModal returns 1 once the operator is signed in (the sign-in values are stored
// then), 0 when the window was closed.
#pragma once

#include "platform/ui/UIlib.h"
#include "windows/WindowKit.h"
#include "windows/EditHints.h"
#include "windows/LoginLayout.h"
#include "windows/SmsCountdown.h"

#include <memory>
#include <string>

class CConnServer;

class CLoginFrameWnd : public DuiLib::WindowImplBase {
 public:
  CLoginFrameWnd();
  ~CLoginFrameWnd() override;

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  void OnFinalMessage(HWND hWnd) override;

  // Heap windows delete themselves after their last message (ShowLoginWindow); tests make
  // them on the stack and turn this off.
  void SetDeleteOnFinal(bool remove) { m_bDeleteOnFinal = remove; }

  int m_bLogined = 0;
  int m_nSmsCountdown = 0;  // mirrors the countdown, for those who read the members
  int m_bFindPwd = 0;

 protected:
  LPCTSTR GetWindowClassName() const override { return "TandemChat"; }
  DuiLib::CDuiString GetSkinFolder() override { return SkinFolder(); }
  DuiLib::CDuiString GetSkinFile() override { return "login.xml"; }

 private:
  void OnClick(DuiLib::TNotifyUI& msg) override;
  void SignIn();
  void RequestSms();
  void Register();
  void ResetPwd();
  // The outcome of a registration or a reset: signed in, or the failure in the tip.
  void FinishRegistration(const CConnServer& conn, int result, const std::string& phone,
                          const std::string& password);
  // Signs in with what was just registered or reset; on success shows the success panel.
  void CompleteSignIn(const std::string& phone, const std::string& password);
  void ShowLoginFailure(const CConnServer& conn, int result);
  void Tip(const std::string& text, const char* focusEdit = nullptr);
  bool IsSignInViewVisible() const;

  std::unique_ptr<DuiLib::CWndShadow> m_pShadow;
  CEditHints m_hints;
  CLoginLayout m_layout;
  CSmsCountdown m_countdown;
  bool m_bDeleteOnFinal = true;
};
