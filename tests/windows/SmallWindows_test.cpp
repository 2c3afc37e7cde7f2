// The personal centre, the feedback window, the contact-note dialog and the tip window.
#include "tests/windows/WindowsTestSupport.h"

#include "app/Settings.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "windows/ContactNoteDlg.h"
#include "windows/FeedBackWnd.h"
#include "windows/MsgWnd.h"
#include "windows/MyCenterWnd.h"
#include "windows/WindowKit.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

#include <utility>

namespace windows_test {
namespace {

using namespace DuiLib;

constexpr const char* kDemoPhone = "13800000000";

class SmallWindowsTest : public CWindowsTest {
 protected:
  void SignIn(const char* password = "demo1234") {
    CConnServer conn;
    ASSERT_EQ(conn.Login(kDemoPhone, password), 0) << conn.m_strResultMsg.str();
    StoreSignInValues(conn);
  }
  static void Close(DuiLib::WindowImplBase& window) {
    if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
  }
};

TEST_F(SmallWindowsTest, PersonalCentreChangesThePasswordAndTheNextSignInNeedsIt) {
  WriteUserDat("[LOGIN]\nLastUser=13800000000\nUserPwd=demo1234\n");
  SignIn();
  CMyCenterWnd center(CMyCenterWnd::kModifyPassword);
  center.m_strPhone = GetLastUser();
  ASSERT_TRUE(Open(center));
  EXPECT_TRUE(Visible(center, "modify_pwd"));
  EXPECT_FALSE(Visible(center, "about_view"));
  EXPECT_EQ(Text(center, "center_phone_edit"), kDemoPhone);
  EXPECT_EQ(Text(center, "new_repwd_edit"), "请确认新密码");

  Click(center, "modify_password_btn");
  EXPECT_EQ(Text(center, "center_tip"), "请输入短信验证码.");
  Click(center, "getsms_btn");
  EXPECT_EQ(Text(center, "getsms_btn"), "59s重新发送");
  EXPECT_EQ(center.m_nSmsCountdown, 59);
  Type(center, "center_sms_edit", SmsCode(kDemoPhone));
  Click(center, "modify_password_btn");
  EXPECT_EQ(Text(center, "center_tip"), "请输入新密码.");
  Type(center, "new_pwd_edit", "changed-1");
  Click(center, "modify_password_btn");
  EXPECT_EQ(Text(center, "center_tip"), "请确认新密码.");
  Type(center, "new_repwd_edit", "changed-2");
  Click(center, "modify_password_btn");
  EXPECT_EQ(Text(center, "center_tip"), "两次输入的密码不一致.");
  Type(center, "new_repwd_edit", "changed-1");
  Click(center, "modify_password_btn");
  ASSERT_EQ(m_vecBoxes.size(), 1u) << Text(center, "center_tip");
  EXPECT_EQ(m_vecBoxes[0].text, "密码修改成功");
  EXPECT_EQ(m_vecBoxes[0].caption, "修改密码");
  EXPECT_EQ(m_vecBoxes[0].type, static_cast<UINT>(MB_OK));
  EXPECT_TRUE(PumpUntilClosed(center.GetHWND()));
  EXPECT_EQ(GetUserPwd().str(), "changed-1") << "the remembered password follows";

  CConnServer oldPassword;
  EXPECT_EQ(oldPassword.Login(kDemoPhone, "demo1234"), -2);
  CConnServer newPassword;
  EXPECT_EQ(newPassword.Login(kDemoPhone, "changed-1"), 0);
}

// Shift or Ctrl in an edit (a capital letter, Ctrl+A) is not Enter: the password change does
// not run and the focus stays in the edit.
TEST_F(SmallWindowsTest, ModifierKeysInAnEditDoNotRunThePasswordChange) {
  CMyCenterWnd center(CMyCenterWnd::kModifyPassword);
  center.m_strPhone = kDemoPhone;
  ASSERT_TRUE(Open(center));
  auto* edit = static_cast<DuiLib::CEditUI*>(Find(center, "new_pwd_edit"));
  ASSERT_NE(edit, nullptr);
  edit->SetFocus();
  QWidget* editor = edit->GetNativeEditor();
  ASSERT_NE(editor, nullptr);
  for (const auto& [key, modifiers] :
       {std::pair{Qt::Key_Shift, Qt::ShiftModifier},
        std::pair{Qt::Key_Control, Qt::ControlModifier}, std::pair{Qt::Key_Alt, Qt::AltModifier}}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(editor, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(editor, &release);
  }
  EXPECT_FALSE(Visible(center, "center_tip")) << Text(center, "center_tip");
  Close(center);
}

TEST_F(SmallWindowsTest, PersonalCentreWritesNoPasswordThatWasNotRemembered) {
  WriteUserDat("[LOGIN]\nLastUser=13800000000\n");
  CMyCenterWnd center(CMyCenterWnd::kModifyPassword);
  center.m_strPhone = kDemoPhone;
  ASSERT_TRUE(Open(center));
  Click(center, "getsms_btn");
  Type(center, "center_sms_edit", SmsCode(kDemoPhone));
  Type(center, "new_pwd_edit", "changed-1");
  Type(center, "new_repwd_edit", "changed-1");
  Click(center, "modify_password_btn");
  EXPECT_TRUE(PumpUntilClosed(center.GetHWND()));
  EXPECT_TRUE(GetUserPwd().IsEmpty());
  EXPECT_EQ(UserDat().find("changed-1"), std::string::npos);
}

TEST_F(SmallWindowsTest, PersonalCentreSmsFailureGivesTheButtonBack) {
  UseWebServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  CMyCenterWnd center(CMyCenterWnd::kModifyPassword);
  center.m_strPhone = kDemoPhone;
  ASSERT_TRUE(Open(center));
  Click(center, "getsms_btn");
  EXPECT_EQ(Text(center, "center_tip"), "获取短信验证码失败, 请检查网络.");
  EXPECT_EQ(Text(center, "getsms_btn"), "获取短信码");
  EXPECT_TRUE(Find(center, "getsms_btn")->IsEnabled());
  Type(center, "center_sms_edit", "123456");
  Type(center, "new_pwd_edit", "a");
  Type(center, "new_repwd_edit", "a");
  Click(center, "modify_password_btn");
  EXPECT_EQ(Text(center, "center_tip"), "修改密码失败, 请检查网络.");
  Close(center);
}

TEST_F(SmallWindowsTest, AboutFaceShowsTheTextAndClosesOnAnyKey) {
  CMyCenterWnd center(CMyCenterWnd::kAboutUs);
  center.m_strAboutText = "关于我们的文字";
  ASSERT_TRUE(Open(center));
  EXPECT_TRUE(Visible(center, "about_view"));
  EXPECT_FALSE(Visible(center, "modify_pwd"));
  EXPECT_EQ(Text(center, "about_text"), "关于我们的文字");
  EXPECT_EQ(Text(center, "center_title"), "个人中心-关于我们");
  center.SendMessage(WM_KEYDOWN, 'A', 0);
  EXPECT_TRUE(PumpUntilClosed(center.GetHWND()));
}

TEST_F(SmallWindowsTest, FeedbackOfNineCharactersIsRefusedAndTenAccepted) {
  SignIn();
  CFeedBackWnd feedback;
  ASSERT_TRUE(Open(feedback));
  EXPECT_EQ(Text(feedback, "feedback_richedit"), CFeedBackWnd::kHint);
  EXPECT_EQ(static_cast<DuiLib::CRichEditUI*>(Find(feedback, "feedback_richedit"))->GetLimitText(),
            1000);
  Click(feedback, "feedback_okbtn");
  EXPECT_EQ(Text(feedback, "feedback_tip"), "请填写反馈内容，字数必须不少于10个.");

  Type(feedback, "feedback_richedit", "一二三四五六七八九");
  Click(feedback, "feedback_okbtn");
  EXPECT_EQ(Text(feedback, "feedback_tip"), "请填写反馈内容，字数必须不少于10个.");
  EXPECT_EQ(Text(feedback, "feedback_richedit"), "一二三四五六七八九") << "the text is kept";

  Type(feedback, "feedback_richedit", "一二三四五六七八九十");
  Click(feedback, "feedback_okbtn");
  EXPECT_EQ(Text(feedback, "feedback_tip"), "提交成功.");
  EXPECT_EQ(Text(feedback, "feedback_richedit"), "") << "no hint until the focus leaves";
  EXPECT_TRUE(::IsWindow(feedback.GetHWND()));
  Notify(feedback, "feedback_richedit", DUI_MSGTYPE_KILLFOCUS);
  EXPECT_EQ(Text(feedback, "feedback_richedit"), CFeedBackWnd::kHint);

  Click(feedback, "feedback_closebtn");
  EXPECT_TRUE(PumpUntilClosed(feedback.GetHWND()));
}

TEST_F(SmallWindowsTest, FeedbackWithoutAValidTokenShowsTheServersMessage) {
  CFeedBackWnd feedback;
  ASSERT_TRUE(Open(feedback));
  Type(feedback, "feedback_richedit", "这是一条足够长的反馈内容。");
  Click(feedback, "feedback_okbtn");
  EXPECT_NE(Text(feedback, "feedback_tip"), "提交成功.");
  EXPECT_FALSE(Text(feedback, "feedback_tip").empty());
  EXPECT_EQ(Text(feedback, "feedback_richedit"), "这是一条足够长的反馈内容。");
  Close(feedback);
}

TEST_F(SmallWindowsTest, ContactNoteOkTakesTheTextAndCloseKeepsTheOldOne) {
  CContactNoteDlg accept("老客户");
  ASSERT_TRUE(Open(accept));
  EXPECT_EQ(Text(accept, "edit_contact_note"), "老客户");
  EXPECT_TRUE(PressKey(accept, VK_ESCAPE));
  DuiLib::PumpMessages();
  EXPECT_TRUE(::IsWindow(accept.GetHWND())) << "Escape is swallowed";
  Type(accept, "edit_contact_note", "VIP 张三");
  Click(accept, "btn_contactnote_ok");
  EXPECT_TRUE(PumpUntilClosed(accept.GetHWND()));
  EXPECT_EQ(accept.m_strNote.str(), "VIP 张三");

  CContactNoteDlg cancel("老客户");
  ASSERT_TRUE(Open(cancel));
  Type(cancel, "edit_contact_note", "changed");
  Click(cancel, "closebtn");
  EXPECT_TRUE(PumpUntilClosed(cancel.GetHWND()));
  EXPECT_EQ(cancel.m_strNote.str(), "老客户");
}

TEST_F(SmallWindowsTest, TipFadesInOnceAndASecondTipOnlyChangesTheText) {
  CMsgWnd tip;
  ASSERT_TRUE(tip.Create(nullptr, "tip", WS_POPUP | WS_VISIBLE, CMsgWnd::kExStyle));
  EXPECT_EQ(tip.m_nOpacity, 100);
  tip.ShowMessage("第一条通知");
  EXPECT_EQ(Text(tip, "public_text"), "第一条通知");
  EXPECT_TRUE(::IsWindowVisible(tip.GetHWND()));
  EXPECT_EQ(tip.GetOpacity(), 100);
  RECT rc{};
  ::GetWindowRect(tip.GetHWND(), &rc);
  EXPECT_EQ(rc.right, ::GetSystemMetrics(SM_CXFULLSCREEN) - 20);
  EXPECT_EQ(rc.bottom, ::GetSystemMetrics(SM_CYFULLSCREEN));

  int steps = 0;
  while (tip.m_nOpacity < 255 && steps < 100) {
    tip.SendMessage(WM_TIMER, CMsgWnd::kFadeTimer, 0);
    ++steps;
  }
  EXPECT_EQ(steps, 52);
  EXPECT_EQ(tip.m_nOpacity, 255);
  EXPECT_EQ(tip.GetOpacity(), 255);

  tip.ShowMessage("第二条通知");
  EXPECT_EQ(Text(tip, "public_text"), "第二条通知");
  EXPECT_EQ(tip.m_nOpacity, 255) << "no new fade";

  Click(tip, "closebtn");
  EXPECT_FALSE(::IsWindowVisible(tip.GetHWND()));
  EXPECT_TRUE(::IsWindow(tip.GetHWND()));
  EXPECT_EQ(tip.m_nOpacity, 100);
  tip.ShowMessage("第三条通知");
  EXPECT_TRUE(::IsWindowVisible(tip.GetHWND()));
  EXPECT_EQ(tip.GetOpacity(), 100) << "fades in again";
  Close(tip);
}

TEST_F(SmallWindowsTest, TipLinksOpenWithTheDesktopsOpener) {
  CMsgWnd tip;
  ASSERT_TRUE(Open(tip));
  tip.ShowMessage("{a http://127.0.0.1/notice}查看详情{/a}");
  auto* text = static_cast<DuiLib::CTextUI*>(Find(tip, "public_text"));
  tip.GetPaintManager().UpdateLayout();
  ASSERT_EQ(text->GetLinkContentCount(), 1);
  DuiLib::TNotifyUI msg;
  msg.sType = DUI_MSGTYPE_LINK;
  msg.pSender = text;
  const RECT& pos = text->GetPos();
  bool opened = false;
  // The link sits somewhere in the text's first line: try points along it.
  for (int x = pos.left; x < pos.right && !opened; x += 4) {
    msg.ptMouse = POINT{x, pos.top + 12};
    tip.Notify(msg);
    opened = !m_vecOpened.empty();
  }
  ASSERT_TRUE(opened);
  EXPECT_EQ(m_vecOpened[0], "http://127.0.0.1/notice");
  Close(tip);
}

// A server's text decides the link: only web addresses reach the desktop's opener; a path
// naming a program or another scheme stays text, even when clicked.
TEST_F(SmallWindowsTest, TipLinksOtherThanWebAddressesAreNotOpened) {
  CMsgWnd tip;
  ASSERT_TRUE(Open(tip));
  for (const char* target :
       {"/bin/sh", "file:///etc/passwd", "smb://host/share", "javascript:alert(1)", "sh"}) {
    tip.ShowMessage((std::string("{a ") + target + "}查看详情{/a}").c_str());
    auto* text = static_cast<DuiLib::CTextUI*>(Find(tip, "public_text"));
    tip.GetPaintManager().UpdateLayout();
    ASSERT_EQ(text->GetLinkContentCount(), 1) << target;
    DuiLib::TNotifyUI msg;
    msg.sType = DUI_MSGTYPE_LINK;
    msg.pSender = text;
    const RECT& pos = text->GetPos();
    for (int x = pos.left; x < pos.right; x += 4) {
      msg.ptMouse = POINT{x, pos.top + 12};
      tip.Notify(msg);
    }
    EXPECT_TRUE(m_vecOpened.empty()) << target << " was opened";
    m_vecOpened.clear();
  }
  EXPECT_TRUE(OpenWebAddress("HTTPS://127.0.0.1/notice"));
  EXPECT_FALSE(OpenWebAddress("httpx://127.0.0.1/"));
  ASSERT_EQ(m_vecOpened.size(), 1u);
  Close(tip);
}

}  // namespace
}  // namespace windows_test
