#include "windows/LoginLayout.h"

using namespace DuiLib;

namespace {

constexpr DWORD kActiveTabColor = 0xFF008CEE;
constexpr DWORD kOtherTabColor = 0xFF666666;

// Everything that differs between the two tab views.
struct TTabLook {
  const char* activeTab;
  const char* otherTab;
  const char* focusPos;  // the underline under the active tab
  const char* background;
  const char* shownView;
  const char* hiddenView;
  int height;
};

constexpr TTabLook kSignInLook{"login_switch",       "register_switch", "100,46,172,48",
                               "login_bk.png",       "login_view",      "register_view",
                               CLoginLayout::kHeight};
constexpr TTabLook kRegisterLook{"register_switch",
                                 "login_switch",
                                 "370,46,442,48",
                                 "register_bk.png",
                                 "register_view",
                                 "login_view",
                                 CLoginLayout::kRegisterHeight};

// The controls that only registration has: hidden while finding a password.
constexpr const char* kRegistrationOnly[] = {
    "login_register_switch", "login_view",          "register_company_edit", "icon_company",
    "placeholder_company",   "placeholder_account", "register_account_edit", "icon_username"};

}  // namespace

void CLoginLayout::ShowTabView(bool showRegister) {
  HideTip();
  if (!m_manager.FindControl("login_view") || !m_manager.FindControl("register_view")) return;
  const TTabLook& look = showRegister ? kRegisterLook : kSignInLook;
  if (auto* tab = static_cast<CLabelUI*>(m_manager.FindControl(look.activeTab)))
    tab->SetTextColor(kActiveTabColor);
  if (auto* tab = static_cast<CLabelUI*>(m_manager.FindControl(look.otherTab)))
    tab->SetTextColor(kOtherTabColor);
  SetPos("login_focus", look.focusPos);
  if (CControlUI* background = m_manager.FindControl("login_layout"))
    background->SetBkImage(look.background);
  SetVisible(look.shownView, true);
  SetVisible(look.hiddenView, false);
  SetSize(look.height);
  SetVisible("login_register_switch", true);
  SetVisible("success_layout", false);
}

void CLoginLayout::LayoutFindPwd(bool forSignIn) {
  SetVisible("success_layout", false);
  HideTip();
  for (const char* name : kRegistrationOnly) SetVisible(name, forSignIn);
  SetPos("icon_password", forSignIn ? "10,198,28,216" : "10,102,28,120");
  SetPos("icon_repassword", forSignIn ? "10,246,28,264" : "10,150,28,168");
  SetPos("login_tip", forSignIn ? "0,96,540,120" : "0,48,540,72");
  using namespace login_hint;
  m_hints.ShowHint("register_phone_edit", kPhone);
  m_hints.ShowHint("register_password_edit", forSignIn ? kRegisterPassword : kNewPassword);
  m_hints.ShowHint("register_repassword_edit", forSignIn ? kRegisterRepassword : kNewRepassword);
  m_hints.ShowHint("register_account_edit", kContact);
  m_hints.ShowHint("register_sms_edit", kSms);
  SetVisible("register_view", !forSignIn);
  // Back from a reset the operator signs in again: the window is the sign-in size.
  if (forSignIn) SetSize(kHeight);
}

void CLoginLayout::ShowSuccess(bool findPwd) {
  for (const char* name : {"login_register_switch", "login_view", "register_view", "login_tip"})
    SetVisible(name, false);
  SetSize(kHeight);
  if (findPwd) {
    if (CControlUI* headline = m_manager.FindControl("register_success"))
      headline->SetText("密码找回成功");
    if (CControlUI* enter = m_manager.FindControl("enter_btn")) enter->SetText("重新登录");
  }
  SetVisible("success_layout", true);
}

void CLoginLayout::HideTip() {
  SetVisible("login_tip", false);
}

void CLoginLayout::SetVisible(const char* name, bool visible) {
  if (CControlUI* control = m_manager.FindControl(name)) control->SetVisible(visible);
}

void CLoginLayout::SetPos(const char* name, const char* pos) {
  if (CControlUI* control = m_manager.FindControl(name)) control->SetAttribute("pos", pos);
}

void CLoginLayout::SetSize(int height) {
  ::SetWindowPos(m_window.GetHWND(), nullptr, 0, 0, kWidth, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
