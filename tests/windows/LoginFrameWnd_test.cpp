// The login window's sign-in view: checks of the fields, wrong and right passwords against
// the reference server, the remembered account and password, the hints, the keys.
#include "tests/windows/WindowsTestSupport.h"

#include "app/Settings.h"
#include "server/SignInValues.h"
#include "windows/LoginFrameWnd.h"

#include <sys/stat.h>

namespace windows_test {
namespace {

using namespace DuiLib;

constexpr const char* kDemoPhone = "13800000000";
constexpr const char* kDemoPassword = "demo1234";

class LoginTest : public CWindowsTest {
 protected:
  void SetUp() override {
    CWindowsTest::SetUp();
    m_login.SetDeleteOnFinal(false);
  }
  void TearDown() override {
    if (::IsWindow(m_login.GetHWND())) ::DestroyWindow(m_login.GetHWND());
    CWindowsTest::TearDown();
  }
  bool OpenLogin() { return Open(m_login); }

  CLoginFrameWnd m_login;
};

TEST_F(LoginTest, EmptyFieldsShowHintsInGreyAndRefuseToSignIn) {
  ASSERT_TRUE(OpenLogin());
  EXPECT_EQ(Text(m_login, "account_edit"), "请输入账号(账号为注册时的手机号码)");
  EXPECT_EQ(TextColor(m_login, "account_edit"), 0xFF999999u);
  EXPECT_EQ(Text(m_login, "password_edit"), "请输入密码");
  auto* password = static_cast<DuiLib::CEditUI*>(Find(m_login, "password_edit"));
  EXPECT_FALSE(password->IsPasswordMode()) << "the hint is readable";
  EXPECT_FALSE(Visible(m_login, "login_tip"));

  Click(m_login, "login_btn");
  EXPECT_TRUE(Visible(m_login, "login_tip"));
  EXPECT_EQ(Text(m_login, "login_tip"), "请输入账号.");
  EXPECT_EQ(m_login.m_bLogined, 0);
}

TEST_F(LoginTest, HintTypedInOtherLetterCaseCountsAsEmpty) {
  ASSERT_TRUE(OpenLogin());
  Find(m_login, "account_edit")->SetText("请输入账号(账号为注册时的手机号码)");
  Type(m_login, "password_edit", "x");
  Click(m_login, "login_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "请输入账号.");

  Type(m_login, "account_edit", kDemoPhone);
  Find(m_login, "password_edit")->SetText("请输入密码");
  Click(m_login, "login_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "请输入密码.");
}

TEST_F(LoginTest, FocusClearsTheHintAndPasswordModeFollowsIt) {
  ASSERT_TRUE(OpenLogin());
  auto* password = static_cast<DuiLib::CEditUI*>(Find(m_login, "password_edit"));
  Notify(m_login, "password_edit", DUI_MSGTYPE_SETFOCUS);
  EXPECT_EQ(Text(m_login, "password_edit"), "");
  EXPECT_EQ(TextColor(m_login, "password_edit"), 0xFF000000u);
  EXPECT_TRUE(password->IsPasswordMode());
  EXPECT_EQ(password->GetPasswordChar(), '*');
  Notify(m_login, "password_edit", DUI_MSGTYPE_KILLFOCUS);
  EXPECT_EQ(Text(m_login, "password_edit"), "请输入密码");
  EXPECT_FALSE(password->IsPasswordMode());
  EXPECT_EQ(TextColor(m_login, "password_edit"), 0xFF999999u);

  // Typed text survives leaving the edit.
  Type(m_login, "password_edit", "abc");
  EXPECT_EQ(Text(m_login, "password_edit"), "abc");
  EXPECT_TRUE(password->IsPasswordMode());
}

TEST_F(LoginTest, WrongPasswordShowsTheServersMessageAndStaysOpen) {
  ASSERT_TRUE(OpenLogin());
  Type(m_login, "account_edit", kDemoPhone);
  Type(m_login, "password_edit", "wrong-password");
  Click(m_login, "login_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "手机号或密码错误");
  EXPECT_EQ(m_login.m_bLogined, 0);
  EXPECT_TRUE(::IsWindow(m_login.GetHWND()));
  EXPECT_TRUE(GetLoginToken().empty());
}

TEST_F(LoginTest, RightPasswordSignsInStoresTheValuesAndCloses) {
  WriteProgramUserDat("[OPTION]\nAutoPlay=1\n");
  ASSERT_TRUE(OpenLogin());
  Type(m_login, "account_edit", kDemoPhone);
  Type(m_login, "password_edit", kDemoPassword);
  Click(m_login, "login_btn");
  EXPECT_EQ(m_login.m_bLogined, 1);
  EXPECT_TRUE(PumpUntilClosed(m_login.GetHWND()));
  EXPECT_EQ(GetLoginToken().size(), 32u);
  EXPECT_EQ(GetWechatQuantity(), 3) << "the test server's quota";
  EXPECT_EQ(GetSignInValues().strAbout, "Orvo客服-电商版：多开微信与快捷语工作台。");
  EXPECT_EQ(GetLastUser(), kDemoPhone);
  EXPECT_EQ(GetUserPwd(), kDemoPassword) << "remember was on";
  struct stat st {};
  ASSERT_EQ(::stat((UserFolder() + "user.dat").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(LoginTest, PasswordIsNotKeptWhenRememberIsOff) {
  WriteUserDat("[LOGIN]\nLastUser=13800000000\nUserPwd=old-secret\n");
  ASSERT_TRUE(OpenLogin());  // AutoPlay is off: nothing pre-filled, box unticked
  EXPECT_EQ(Text(m_login, "password_edit"), "请输入密码");
  EXPECT_EQ(Text(m_login, "account_edit"), kDemoPhone);
  EXPECT_FALSE(static_cast<DuiLib::COptionUI*>(Find(m_login, "remberpwd_chk"))->IsSelected());
  Type(m_login, "password_edit", kDemoPassword);
  Click(m_login, "login_btn");
  ASSERT_EQ(m_login.m_bLogined, 1) << Text(m_login, "login_tip");
  EXPECT_TRUE(GetUserPwd().IsEmpty());
  EXPECT_EQ(UserDat().find("old-secret"), std::string::npos);
  EXPECT_EQ(UserDat().find(kDemoPassword), std::string::npos);
}

TEST_F(LoginTest, RememberedPasswordIsPrefilledOnlyWhenAutoPlayIsOn) {
  WriteUserDat("[LOGIN]\nLastUser=13800000000\nUserPwd=demo1234\n");
  WriteProgramUserDat("[OPTION]\nAutoPlay=1\n");
  ASSERT_TRUE(OpenLogin());
  EXPECT_EQ(Text(m_login, "password_edit"), kDemoPassword);
  auto* password = static_cast<DuiLib::CEditUI*>(Find(m_login, "password_edit"));
  EXPECT_TRUE(password->IsPasswordMode());
  EXPECT_TRUE(static_cast<DuiLib::COptionUI*>(Find(m_login, "remberpwd_chk"))->IsSelected());
  // Enter signs in from the sign-in view.
  EXPECT_TRUE(PressKey(m_login, VK_RETURN));
  EXPECT_EQ(m_login.m_bLogined, 1) << Text(m_login, "login_tip");
}

TEST_F(LoginTest, EscapeDoesNotCloseAndCloseButtonReturnsZero) {
  ASSERT_TRUE(OpenLogin());
  EXPECT_TRUE(PressKey(m_login, VK_ESCAPE));
  DuiLib::PumpMessages();
  EXPECT_TRUE(::IsWindow(m_login.GetHWND()));
  Click(m_login, "login_closebtn");
  EXPECT_TRUE(PumpUntilClosed(m_login.GetHWND()));
  EXPECT_EQ(m_login.m_bLogined, 0);
}

TEST_F(LoginTest, ServerThatRefusesShowsTheNetworkMessage) {
  UseWebServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  ASSERT_TRUE(OpenLogin());
  Type(m_login, "account_edit", kDemoPhone);
  Type(m_login, "password_edit", kDemoPassword);
  Click(m_login, "login_btn");
  EXPECT_EQ(Text(m_login, "login_tip"), "登录失败, 请检查网络.");
  EXPECT_EQ(m_login.m_bLogined, 0);
}

TEST_F(LoginTest, TabsSwitchViewsColoursUnderlineAndSize) {
  ASSERT_TRUE(OpenLogin());
  Click(m_login, "register_switch");
  EXPECT_TRUE(Visible(m_login, "register_view"));
  EXPECT_FALSE(Visible(m_login, "login_view"));
  EXPECT_EQ(TextColor(m_login, "register_switch"), 0xFF008CEEu);
  EXPECT_EQ(TextColor(m_login, "login_switch"), 0xFF666666u);
  EXPECT_STREQ(Find(m_login, "login_layout")->GetBkImage(), "register_bk.png");
  RECT rc{};
  ::GetWindowRect(m_login.GetHWND(), &rc);
  EXPECT_EQ(rc.right - rc.left, 540);
  EXPECT_EQ(rc.bottom - rc.top, 501);
  const SIZE underline = Find(m_login, "login_focus")->GetFixedXY();
  EXPECT_EQ(underline.cx, 370);
  EXPECT_EQ(underline.cy, 46);

  Click(m_login, "login_switch");
  EXPECT_TRUE(Visible(m_login, "login_view"));
  EXPECT_FALSE(Visible(m_login, "register_view"));
  ::GetWindowRect(m_login.GetHWND(), &rc);
  EXPECT_EQ(rc.bottom - rc.top, 360);
  EXPECT_EQ(Find(m_login, "login_focus")->GetFixedXY().cx, 100);
  EXPECT_STREQ(Find(m_login, "login_layout")->GetBkImage(), "login_bk.png");
}

}  // namespace
}  // namespace windows_test
