// The views of the login window and the moves between them: the sign-in view, the
// registration view (also used, trimmed, for finding a password) and the success panel.
// Only looks: which containers show, where the tab underline and the tip sit, the window's
// size and the hints of the registration edits.
#pragma once

#include "platform/ui/UIlib.h"
#include "windows/EditHints.h"

class CLoginLayout {
 public:
  static constexpr int kWidth = 540;
  static constexpr int kHeight = 360;          // sign-in, find-password, success
  static constexpr int kRegisterHeight = 501;  // registration

  CLoginLayout(DuiLib::CWindowWnd& window, DuiLib::CPaintManagerUI& manager, CEditHints& hints)
      : m_window(window), m_manager(manager), m_hints(hints) {}

  // The tab views: sign-in (register = false) or registration. Nothing happens when the
  // skin lacks one of the two views.
  void ShowTabView(bool showRegister);
  // forSignIn false: the registration view trimmed to phone, SMS code and the new password
  // pair; true: back to the sign-in view with the registration hints.
  void LayoutFindPwd(bool forSignIn);
  // The success panel after a registration or (findPwd) a password reset.
  void ShowSuccess(bool findPwd);

  void HideTip();

 private:
  void SetVisible(const char* name, bool visible);
  void SetPos(const char* name, const char* pos);
  void SetSize(int height);

  DuiLib::CWindowWnd& m_window;
  DuiLib::CPaintManagerUI& m_manager;
  CEditHints& m_hints;
};

// Hints of the login window's edits.
namespace login_hint {
inline constexpr const char* kAccount = "请输入账号(账号为注册时的手机号码)";
inline constexpr const char* kPassword = "请输入密码";
inline constexpr const char* kPhone = "请输入手机号码";
inline constexpr const char* kSms = "请输入短信验证码";
inline constexpr const char* kCompany = "请输入公司名称";
inline constexpr const char* kContact = "请输入联系人姓名";
inline constexpr const char* kRegisterPassword = "请输入登录密码";
inline constexpr const char* kNewPassword = "请输入新密码";
inline constexpr const char* kRegisterRepassword = "请再次确认密码";
inline constexpr const char* kNewRepassword = "请再次确认新密码";
}  // namespace login_hint
