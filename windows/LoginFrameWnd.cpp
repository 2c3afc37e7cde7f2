#include "windows/LoginFrameWnd.h"

#include "app/WindowIds.h"
#include "platform/log/Log.h"
#include "app/Settings.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "windows/WindowKit.h"

using namespace DuiLib;
using namespace login_hint;

namespace {

constexpr const char* kTip = "login_tip";

// What a registration or a reset checks, in order; each failure names its message and the
// edit that gets the focus.
struct TFieldCheck {
  const char* edit;
  const char* message;
};

}  // namespace

CLoginFrameWnd::CLoginFrameWnd()
    : m_hints(m_PaintManager),
      m_layout(*this, m_PaintManager, m_hints),
      m_countdown(m_PaintManager, "getsms_btn") {}

CLoginFrameWnd::~CLoginFrameWnd() = default;

void CLoginFrameWnd::InitWindow() {
  m_pShadow = MakeWindowShadow(m_hWnd);
  m_hints.Add("account_edit", {kAccount});
  m_hints.Add("password_edit", {kPassword}, true);
  m_hints.Add("register_phone_edit", {kPhone});
  m_hints.Add("register_sms_edit", {kSms});
  m_hints.Add("register_company_edit", {kCompany});
  m_hints.Add("register_account_edit", {kContact});
  m_hints.Add("register_password_edit", {kRegisterPassword, kNewPassword}, true);
  m_hints.Add("register_repassword_edit", {kRegisterRepassword, kNewRepassword}, true);

  const bool remember = IsRememberPassword();
  if (remember) m_hints.SetTyped("password_edit", GetUserPwd().str());
  const std::string lastUser = GetLastUser().str();
  if (!lastUser.empty()) m_hints.SetTyped("account_edit", lastUser);
  if (auto* check = static_cast<COptionUI*>(m_PaintManager.FindControl("remberpwd_chk")))
    check->Selected(remember, false);
}

void CLoginFrameWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == DUI_MSGTYPE_SETFOCUS && m_hints.OnSetFocus(msg.pSender)) return;
  if (msg.sType == DUI_MSGTYPE_KILLFOCUS && m_hints.OnKillFocus(msg.pSender)) return;
  WindowImplBase::Notify(msg);
}

void CLoginFrameWnd::OnClick(TNotifyUI& msg) {
  const std::string name = msg.pSender ? msg.pSender->GetName().str() : std::string();
  if (name == "login_closebtn") {
    m_bLogined = 0;
    Close(kLoginCancelled);
  } else if (name == "login_minbtn") {
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == "login_switch" || name == "register_switch") {
    m_layout.ShowTabView(name == "register_switch");
  } else if (name == "forgetpwd_btn") {
    m_bFindPwd = 1;
    m_layout.LayoutFindPwd(false);
  } else if (name == "login_btn") {
    SignIn();
  } else if (name == "getsms_btn") {
    RequestSms();
  } else if (name == "register_btn") {
    m_bFindPwd ? ResetPwd() : Register();
  } else if (name == "enter_btn") {
    if (m_bFindPwd) {
      m_bFindPwd = 0;
      m_layout.LayoutFindPwd(true);
    } else {
      m_bLogined = 1;
      Close(kLoginSignedIn);
    }
  }
}

LRESULT CLoginFrameWnd::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) {
  if (uMsg != WM_KEYDOWN) return FALSE;
  if (wParam == VK_ESCAPE) {
    bHandled = true;
    return TRUE;
  }
  if (wParam != VK_RETURN) return FALSE;
  bHandled = true;
  if (IsSignInViewVisible())
    SignIn();
  else if (m_bFindPwd)
    ResetPwd();
  else
    Register();
  return TRUE;
}

LRESULT CLoginFrameWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL& bHandled) {
  bHandled = m_countdown.OnMessage(uMsg, wParam);
  m_nSmsCountdown = m_countdown.Remaining();
  return 0;
}

void CLoginFrameWnd::OnFinalMessage(HWND hWnd) {
  m_pShadow.reset();
  WindowImplBase::OnFinalMessage(hWnd);
  if (m_bDeleteOnFinal) delete this;
}

bool CLoginFrameWnd::IsSignInViewVisible() const {
  CControlUI* view = m_PaintManager.FindControl("login_view");
  return view && view->IsVisible();
}

void CLoginFrameWnd::SignIn() {
  TC_TRACE("CLoginFrameWnd::SignIn()");
  const std::string account = m_hints.Value("account_edit");
  if (account.empty()) return Tip("请输入账号.", "account_edit");
  const std::string password = m_hints.Value("password_edit");
  if (password.empty()) return Tip("请输入密码.", "password_edit");

  CConnServer conn;
  const int result = conn.Login(account.c_str(), password.c_str());
  if (result != 0) return ShowLoginFailure(conn, result);
  m_bLogined = 1;
  auto* remember = static_cast<COptionUI*>(m_PaintManager.FindControl("remberpwd_chk"));
  // The password stays on disk only while the operator asks for it.
  if (remember && remember->IsSelected())
    SetUserPwd(password.c_str());
  else
    ClearUserPwd();
  SetLastUser(account.c_str());
  StoreSignInValues(conn);
  TC_LOG(TC_LOG_INFO, "signed in as " << account);
  Close(kLoginSignedIn);
}

void CLoginFrameWnd::ShowLoginFailure(const CConnServer& conn, int result) {
  if (result == kConnFailedHere) return Tip("登录失败, 请检查网络.");
  if (result == kConnRefused) return Tip(ServerFailureText(conn));
  Tip("登录失败，请联系管理员.");
}

void CLoginFrameWnd::RequestSms() {
  TC_TRACE("CLoginFrameWnd::RequestSms()");
  const std::string phone = m_hints.Value("register_phone_edit", false);
  if (phone.empty()) return Tip("请输入手机号码.", "register_phone_edit");
  m_layout.HideTip();
  if (CControlUI* tip = m_PaintManager.FindControl(kTip)) tip->SetText("");
  m_countdown.Start();
  m_nSmsCountdown = m_countdown.Remaining();

  CConnServer conn;
  const int result = conn.GetSMS(phone.c_str(), m_bFindPwd == 0);
  // A transfer failure keeps the countdown: the code may still be on its way.
  if (result == kConnFailedHere) return Tip("登录失败, 请检查网络.");
  ShowTip(m_PaintManager, kTip, ServerFailureText(conn), result == 1);
  if (result != 1) {
    m_countdown.Stop();
    m_nSmsCountdown = 0;
  }
}

void CLoginFrameWnd::Register() {
  TC_TRACE("CLoginFrameWnd::Register()");
  static constexpr TFieldCheck kChecks[] = {
      {"register_phone_edit", "请输入手机号码."},
      {"register_sms_edit", "请输入短信验证码."},
      {"register_password_edit", "请输入登录密码."},
      {"register_repassword_edit", "请再次确认密码."},
  };
  for (const TFieldCheck& check : kChecks)
    if (m_hints.Value(check.edit).empty()) return Tip(check.message, check.edit);
  const std::string password = m_hints.Value("register_password_edit");
  if (password != m_hints.Value("register_repassword_edit"))
    return Tip("两次输入密码不一致.", "register_password_edit");

  const std::string phone = m_hints.Value("register_phone_edit");
  CConnServer conn;
  const int result = conn.Register(phone.c_str(), m_hints.Value("register_sms_edit").c_str(),
                                   password.c_str(), m_hints.Value("register_company_edit").c_str(),
                                   m_hints.Value("register_account_edit").c_str());
  FinishRegistration(conn, result, phone, password);
}

void CLoginFrameWnd::ResetPwd() {
  TC_TRACE("CLoginFrameWnd::ResetPwd()");
  static constexpr TFieldCheck kChecks[] = {
      {"register_phone_edit", "请输入手机号码."},
      {"register_sms_edit", "请输入短信验证码."},
      {"register_password_edit", "请输入新密码."},
      {"register_repassword_edit", "请再次确认新密码."},
  };
  for (const TFieldCheck& check : kChecks)
    if (m_hints.Value(check.edit, false).empty()) return Tip(check.message, check.edit);
  const std::string password = m_hints.Value("register_password_edit", false);
  if (password != m_hints.Value("register_repassword_edit", false))
    return Tip("两次输入的密码不一致.", "register_password_edit");

  const std::string phone = m_hints.Value("register_phone_edit", false);
  CConnServer conn;
  const int result = conn.ResetPwd(phone.c_str(), m_hints.Value("register_sms_edit", false).c_str(),
                                   password.c_str());
  FinishRegistration(conn, result, phone, password);
}

void CLoginFrameWnd::FinishRegistration(const CConnServer& conn, int result,
                                        const std::string& phone, const std::string& password) {
  if (result == 0) return CompleteSignIn(phone, password);
  if (result == kConnFailedHere) return Tip("注册失败, 请检查网络.");
  if (result == kConnRefused) return Tip(ServerFailureText(conn));
  Tip("注册失败，请联系管理员.");
}

void CLoginFrameWnd::CompleteSignIn(const std::string& phone, const std::string& password) {
  CConnServer conn;
  const int result = conn.Login(phone.c_str(), password.c_str());
  if (result != 0) return ShowLoginFailure(conn, result);
  StoreSignInValues(conn);
  m_layout.ShowSuccess(m_bFindPwd != 0);
}

void CLoginFrameWnd::Tip(const std::string& text, const char* focusEdit) {
  ShowTip(m_PaintManager, kTip, text);
  if (!focusEdit) return;
  if (CControlUI* edit = m_PaintManager.FindControl(focusEdit)) edit->SetFocus();
}
