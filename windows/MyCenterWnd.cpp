#include "windows/MyCenterWnd.h"

#include "app/WindowIds.h"
#include "platform/log/Log.h"
#include "app/Settings.h"
#include "server/ConnServer.h"
#include "windows/WindowKit.h"

using namespace DuiLib;

namespace {

constexpr const char* kTip = "center_tip";
constexpr const char* kSmsHint = "请输入短信验证码";
constexpr const char* kNewPasswordHint = "请输入新密码";
constexpr const char* kConfirmHint = "请确认新密码";

}  // namespace

CMyCenterWnd::CMyCenterWnd(int mode)
    : m_nMode(mode), m_hints(m_PaintManager), m_countdown(m_PaintManager, "getsms_btn") {}

CMyCenterWnd::~CMyCenterWnd() = default;

void CMyCenterWnd::InitWindow() {
  m_pShadow = MakeWindowShadow(m_hWnd);
  m_hints.Add("center_sms_edit", {kSmsHint});
  m_hints.Add("new_pwd_edit", {kNewPasswordHint}, true);
  m_hints.Add("new_repwd_edit", {kConfirmHint}, true);
  if (m_nMode == kAboutUs) {
    if (CControlUI* about = m_PaintManager.FindControl("about_text"))
      about->SetText(m_strAboutText);
    if (CControlUI* title = m_PaintManager.FindControl("center_title"))
      title->SetText("个人中心-关于我们");
  } else if (CControlUI* phone = m_PaintManager.FindControl("center_phone_edit")) {
    phone->SetText(m_strPhone);
  }
  if (CControlUI* modify = m_PaintManager.FindControl("modify_pwd"))
    modify->SetVisible(m_nMode == kModifyPassword);
  if (CControlUI* about = m_PaintManager.FindControl("about_view"))
    about->SetVisible(m_nMode == kAboutUs);
}

void CMyCenterWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == DUI_MSGTYPE_SETFOCUS && m_hints.OnSetFocus(msg.pSender)) return;
  if (msg.sType == DUI_MSGTYPE_KILLFOCUS && m_hints.OnKillFocus(msg.pSender)) return;
  WindowImplBase::Notify(msg);
}

void CMyCenterWnd::OnClick(TNotifyUI& msg) {
  const std::string name = msg.pSender ? msg.pSender->GetName().str() : std::string();
  if (name == "mycenter_closebtn")
    Close(kModalClosed);
  else if (name == "modify_password_btn")
    ModifyPassword();
  else if (name == "getsms_btn")
    RequestSms();
}

LRESULT CMyCenterWnd::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  // Enter in an edit changes the password (face 0) or closes (face 1), as a key on the
  // window itself does; Escape closes as in every dialog.
  if (uMsg != WM_KEYDOWN || wParam != VK_RETURN)
    return WindowImplBase::MessageHandler(uMsg, wParam, lParam, bHandled);
  BOOL handled = TRUE;
  OnKeyDown(uMsg, wParam, 0, handled);
  bHandled = true;
  return TRUE;
}

LRESULT CMyCenterWnd::OnKeyDown(UINT, WPARAM, LPARAM, BOOL&) {
  if (m_nMode == kModifyPassword)
    ModifyPassword();
  else
    Close(kModalClosed);
  return 0;
}

LRESULT CMyCenterWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL& bHandled) {
  bHandled = m_countdown.OnMessage(uMsg, wParam);
  m_nSmsCountdown = m_countdown.Remaining();
  return 0;
}

void CMyCenterWnd::OnFinalMessage(HWND hWnd) {
  m_pShadow.reset();
  WindowImplBase::OnFinalMessage(hWnd);
}

void CMyCenterWnd::RequestSms() {
  TC_TRACE("CMyCenterWnd::RequestSms()");
  m_countdown.Start();
  m_nSmsCountdown = m_countdown.Remaining();
  CConnServer conn;
  const int result = conn.GetSMS(m_strPhone, false);
  ShowTip(m_PaintManager, kTip,
          result == kConnFailedHere ? std::string("获取短信验证码失败, 请检查网络.")
                                    : ServerFailureText(conn),
          result == 1);
  if (result != 1) {
    m_countdown.Stop();
    m_nSmsCountdown = 0;
  }
}

void CMyCenterWnd::ModifyPassword() {
  TC_TRACE("CMyCenterWnd::ModifyPassword()");
  for (const char* name : {"center_sms_edit", "new_pwd_edit", "new_repwd_edit", kTip})
    if (!m_PaintManager.FindControl(name)) return;
  const std::string sms = m_hints.Value("center_sms_edit", false);
  if (sms.empty()) return Tip("请输入短信验证码.", "center_sms_edit");
  const std::string password = m_hints.Value("new_pwd_edit", false);
  if (password.empty()) return Tip("请输入新密码.", "new_pwd_edit");
  const std::string confirm = m_hints.Value("new_repwd_edit", false);
  if (confirm.empty()) return Tip("请确认新密码.", "new_repwd_edit");
  if (password != confirm) return Tip("两次输入的密码不一致.", "new_pwd_edit");

  CConnServer conn;
  const int result = conn.ResetPwd(m_strPhone, sms.c_str(), password.c_str());
  if (result == 0) {
    // A remembered password follows the change; one the operator chose not to keep is not
    // written now either.
    if (!GetUserPwd().IsEmpty()) SetUserPwd(password.c_str());
    ::MessageBoxA(m_hWnd, "密码修改成功", "修改密码", MB_OK);
    Close(kModalClosed);
    return;
  }
  if (result == kConnFailedHere) return Tip("修改密码失败, 请检查网络.");
  if (result == kConnRefused) return Tip(ServerFailureText(conn));
  Tip("修改密码失败，请联系管理员.");
}

void CMyCenterWnd::Tip(const std::string& text, const char* focusEdit) {
  ShowTip(m_PaintManager, kTip, text);
  if (!focusEdit) return;
  if (CControlUI* edit = m_PaintManager.FindControl(focusEdit)) edit->SetFocus();
}
