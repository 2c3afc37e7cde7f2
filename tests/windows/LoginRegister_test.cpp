// The login window's registration and find-password views: SMS codes from the reference
// server's code file, the re-send countdown, the success panel, and the checks in order.
#include "tests/windows/WindowsTestSupport.h"

#include "app/Settings.h"
#include "server/SignInValues.h"
#include "windows/LoginFrameWnd.h"

namespace windows_test {
namespace {

using namespace DuiLib;

constexpr const char* kNewPhone = "13900001111";

class LoginRegisterTest : public CWindowsTest {
 protected:
  void SetUp() override {
    CWindowsTest::SetUp();
    m_login.SetDeleteOnFinal(false);
    ASSERT_TRUE(Open(m_login));
  }
  void TearDown() override {
    if (::IsWindow(m_login.GetHWND())) ::DestroyWindow(m_login.GetHWND());
    CWindowsTest::TearDown();
  }
  void Tick(int times) {
    for (int i = 0; i < times; ++i) m_login.SendMessage(WM_TIMER, kSmsCountdownTimer, 0);
  }
  bool SmsButtonEnabled() { return Find(m_login, "getsms_btn")->IsEnabled(); }

  CLoginFrameWnd m_login;
};

TEST_F(LoginRegisterTest, RegistrationWithTheSmsCodeEndsSignedIn) {
  Click(m_login, "register_switch");
  Type(m_login, "register_phone_edit", kNewPhone);
  Click(m_login, "getsms_btn");
  EXPECT_EQ(Text(m_login, "getsms_btn"), "59s重新发送");
  EXPECT_FALSE(SmsButtonEnabled());
  EXPECT_TRUE(Visible(m_login, "login_tip")) << "the server's message, also on success";
  EXPECT_EQ(m_login.m_nSmsCountdown, 59);

  Type(m_login, "register_sms_edit", SmsCode(kNewPhone));
  Type(m_login, "register_password_edit", "新密码 & 12");
  Type(m_login, "register_repassword_edit", "新密码 & 12");
  Click(m_login, "register_btn");
  ASSERT_TRUE(Visible(m_login, "success_layout")) << Text(m_login, "login_tip");
  EXPECT_FALSE(Visible(m_login, "register_view"));
  EXPECT_FALSE(Visible(m_login, "login_register_switch"));
  EXPECT_FALSE(Visible(m_login, "login_tip"));
  RECT rc{};
  ::GetWindowRect(m_login.GetHWND(), &rc);
  EXPECT_EQ(rc.bottom - rc.top, 360);
  EXPECT_EQ(GetLoginToken().size(), 32u);
  EXPECT_EQ(GetWechatQuantity(), 3);
  EXPECT_TRUE(GetLastUser().IsEmpty()) << "registration stores nothing in user.dat";

  Click(m_login, "enter_btn");
  EXPECT_EQ(m_login.m_bLogined, 1);
  EXPECT_TRUE(PumpUntilClosed(m_login.GetHWND()));
}

TEST_F(LoginRegisterTest, RegistrationChecksEachFieldInOrder) {
  Click(m_login, "register_switch");
  Click(m_login, "register_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "请输入手机号码.");
  Type(m_login, "register_phone_edit", kNewPhone);
  Click(m_login, "register_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "请输入短信验证码.");
  Type(m_login, "register_sms_edit", "123456");
  Click(m_login, "register_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "请输入登录密码.");
  Type(m_login, "register_password_edit", "abc");
  Click(m_login, "register_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "请再次确认密码.");
  Type(m_login, "register_repassword_edit", "ABC");
  Click(m_login, "register_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "两次输入密码不一致.");
  // A wrong code: the server's own message.
  Type(m_login, "register_repassword_edit", "abc");
  Click(m_login, "register_btn");
  EXPECT_FALSE(Visible(m_login, "success_layout"));
  EXPECT_FALSE(Text(m_login, "login_tip").empty());
  EXPECT_NE(Text(m_login, "login_tip"), "两次输入密码不一致.");
}

TEST_F(LoginRegisterTest, CompanyAndContactHintsAreSentEmpty) {
  // A canned server records the form; its refusal is shown as the server's message with
  // the detail of "params".
  m_server.Reply(R"({"resultCode":2003,"resultMsg":"短信验证码错误","params":"请重新获取"})");
  UseWebServer(m_server.BaseUrl());
  Click(m_login, "register_switch");
  EXPECT_EQ(Text(m_login, "register_company_edit"), "请输入公司名称");
  Type(m_login, "register_phone_edit", kNewPhone);
  Type(m_login, "register_sms_edit", "123456");
  Type(m_login, "register_password_edit", "pw123456");
  Type(m_login, "register_repassword_edit", "pw123456");
  Click(m_login, "register_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "短信验证码错误: 请重新获取");
  const TReceived sent = m_server.Last();
  EXPECT_EQ(sent.params.find("company")->second, "");
  EXPECT_EQ(sent.params.find("contactName")->second, "");
  EXPECT_EQ(sent.params.find("phone")->second, kNewPhone);
  EXPECT_EQ(sent.params.find("password")->second, "pw123456");
}

TEST_F(LoginRegisterTest, ResetCountsDownAndEndsOnTheSuccessPanel) {
  Click(m_login, "forgetpwd_btn");
  EXPECT_EQ(m_login.m_bFindPwd, 1);
  EXPECT_TRUE(Visible(m_login, "register_view"));
  EXPECT_FALSE(Visible(m_login, "login_view"));
  EXPECT_FALSE(Visible(m_login, "register_company_edit"));
  EXPECT_FALSE(Visible(m_login, "register_account_edit"));
  EXPECT_FALSE(Visible(m_login, "login_register_switch"));
  EXPECT_EQ(Text(m_login, "register_password_edit"), "请输入新密码");
  EXPECT_EQ(Text(m_login, "register_repassword_edit"), "请再次确认新密码");
  EXPECT_EQ(Find(m_login, "icon_password")->GetFixedXY().cy, 102);
  EXPECT_EQ(Find(m_login, "login_tip")->GetFixedXY().cy, 48);

  Type(m_login, "register_phone_edit", "13800000000");
  Click(m_login, "getsms_btn");
  EXPECT_EQ(Text(m_login, "getsms_btn"), "59s重新发送");
  Tick(1);
  EXPECT_EQ(Text(m_login, "getsms_btn"), "58s重新发送");
  Tick(57);
  EXPECT_EQ(Text(m_login, "getsms_btn"), "1s重新发送");
  EXPECT_FALSE(SmsButtonEnabled());
  Tick(1);
  EXPECT_EQ(Text(m_login, "getsms_btn"), "获取短信码");
  EXPECT_TRUE(SmsButtonEnabled());

  Type(m_login, "register_sms_edit", SmsCode("13800000000"));
  Type(m_login, "register_password_edit", "brand-new");
  Type(m_login, "register_repassword_edit", "brand-new");
  Click(m_login, "register_btn");
  ASSERT_TRUE(Visible(m_login, "success_layout")) << Text(m_login, "login_tip");
  EXPECT_EQ(Text(m_login, "register_success"), "密码找回成功");
  EXPECT_EQ(Text(m_login, "enter_btn"), "重新登录");

  // "重新登录" goes back to the sign-in view; the operator signs in again.
  Click(m_login, "enter_btn");
  EXPECT_EQ(m_login.m_bFindPwd, 0);
  EXPECT_EQ(m_login.m_bLogined, 0);
  EXPECT_TRUE(Visible(m_login, "login_view"));
  EXPECT_FALSE(Visible(m_login, "register_view"));
  EXPECT_EQ(Text(m_login, "register_password_edit"), "请输入登录密码");
  Type(m_login, "account_edit", "13800000000");
  Type(m_login, "password_edit", "demo1234");
  Click(m_login, "login_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "手机号或密码错误") << "the old password is gone";
  Type(m_login, "password_edit", "brand-new");
  Click(m_login, "login_btn");
  EXPECT_EQ(m_login.m_bLogined, 1) << Text(m_login, "login_tip");
}

TEST_F(LoginRegisterTest, ResetChecksUseTheNewPasswordMessages) {
  Click(m_login, "forgetpwd_btn");
  Type(m_login, "register_phone_edit", "13800000000");
  Type(m_login, "register_sms_edit", "123456");
  Click(m_login, "register_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "请输入新密码.");
  Type(m_login, "register_password_edit", "abc");
  Click(m_login, "register_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "请再次确认新密码.");
  Type(m_login, "register_repassword_edit", "abd");
  Click(m_login, "register_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "两次输入的密码不一致.");
  // The tabs keep the reset mode until the success panel's button.
  Click(m_login, "login_switch");
  EXPECT_EQ(m_login.m_bFindPwd, 1);
}

TEST_F(LoginRegisterTest, SmsRefusedByTheServerGivesTheButtonBackAtOnce) {
  m_server.Reply(R"({"resultCode":2002,"resultMsg":"该手机号已注册"})");
  UseWebServer(m_server.BaseUrl());
  Click(m_login, "register_switch");
  Type(m_login, "register_phone_edit", "13800000000");
  Click(m_login, "getsms_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "该手机号已注册");
  EXPECT_EQ(Text(m_login, "getsms_btn"), "获取短信码");
  EXPECT_TRUE(SmsButtonEnabled());
}

TEST_F(LoginRegisterTest, SmsTransferFailureKeepsTheCountdown) {
  UseWebServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  Click(m_login, "register_switch");
  Type(m_login, "register_phone_edit", kNewPhone);
  Click(m_login, "getsms_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "登录失败, 请检查网络.");
  EXPECT_FALSE(SmsButtonEnabled());
  EXPECT_EQ(Text(m_login, "getsms_btn"), "59s重新发送");
}

TEST_F(LoginRegisterTest, SmsNeedsAPhoneNumber) {
  Click(m_login, "register_switch");
  Click(m_login, "getsms_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "请输入手机号码.");
  EXPECT_TRUE(SmsButtonEnabled());
}

TEST_F(LoginRegisterTest, CloseAfterRegistrationStillReturnsZero) {
  Click(m_login, "register_switch");
  Type(m_login, "register_phone_edit", kNewPhone);
  Click(m_login, "getsms_btn");
  Type(m_login, "register_sms_edit", SmsCode(kNewPhone));
  Type(m_login, "register_password_edit", "pw123456");
  Type(m_login, "register_repassword_edit", "pw123456");
  Click(m_login, "register_btn");
  ASSERT_TRUE(Visible(m_login, "success_layout"));
  Click(m_login, "login_closebtn");
  EXPECT_TRUE(PumpUntilClosed(m_login.GetHWND()));
  EXPECT_EQ(m_login.m_bLogined, 0);
}

}  // namespace
}  // namespace windows_test
