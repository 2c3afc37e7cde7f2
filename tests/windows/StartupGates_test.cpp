// The update check with its prompts and the splash gate.
#include "tests/windows/WindowsTestSupport.h"

#include "windows/SplashWndUI.h"
#include "windows/StartupGates.h"
#include "windows/UpdateCheck.h"

namespace windows_test {
namespace {

using namespace DuiLib;

class UpdateTest : public CWindowsTest {
 protected:
  // A server whose version check answers with the given flags and address.
  void ServeVersion(int force, int offer, const std::string& downUrl) {
    m_server.Reply(R"({"isForceUpdate":)" + std::to_string(force) + R"(,"isUpdate":)" +
                   std::to_string(offer) + R"(,"downUrl":")" + downUrl + R"("})");
    UseWebServer(m_server.BaseUrl());
    WriteFile(Root() + "/program/sys.cfg",
              "[SYSTEM]\nWebServer=" + m_server.BaseUrl() + "\nVERSION=1.0.0\n");
  }
  // A window of ours to own the prompts and receive the quit.
  bool OpenOwner() { return Open(m_owner); }
  void TearDown() override {
    if (::IsWindow(m_owner.GetHWND())) ::DestroyWindow(m_owner.GetHWND());
    CWindowsTest::TearDown();
  }

  CSplashWndUI m_owner;
};

TEST_F(UpdateTest, RequiredUpdateOpensTheAddressAndQuits) {
  ServeVersion(1, 1, "/setup.exe");
  m_owner.SetDeleteOnFinal(false);
  ASSERT_TRUE(OpenOwner());
  ::KillTimer(m_owner.GetHWND(), CSplashWndUI::kCheckTimer);
  EXPECT_EQ(CheckUpdate(m_owner.GetHWND()), kUpdateRequired);
  ASSERT_EQ(m_vecBoxes.size(), 1u);
  EXPECT_EQ(m_vecBoxes[0].text, kUpdateRequiredText);
  EXPECT_EQ(m_vecBoxes[0].caption, "版本更新");
  EXPECT_EQ(m_vecBoxes[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  ASSERT_EQ(m_vecOpened.size(), 1u);
  EXPECT_EQ(m_vecOpened[0], m_server.BaseUrl() + "setup.exe");
  int exitCode = -1;
  EXPECT_TRUE(DuiLib::RunNestedLoop(nullptr, &exitCode)) << "the quit was posted";
  EXPECT_EQ(m_server.Last().params.find("version")->second, "1.0.0");
}

TEST_F(UpdateTest, OfferedUpdateCancelledGoesOn) {
  ServeVersion(0, 1, "setup.exe");
  m_owner.SetDeleteOnFinal(false);
  ASSERT_TRUE(OpenOwner());
  ::KillTimer(m_owner.GetHWND(), CSplashWndUI::kCheckTimer);
  m_nBoxAnswer = IDCANCEL;
  EXPECT_EQ(CheckUpdate(m_owner.GetHWND()), kUpdateOffered);
  ASSERT_EQ(m_vecBoxes.size(), 1u);
  EXPECT_EQ(m_vecBoxes[0].text, kUpdateOfferedText);
  EXPECT_EQ(m_vecBoxes[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION));
  EXPECT_TRUE(m_vecOpened.empty());
  // No quit is pending: a nested loop runs until its window is gone.
  ::PostMessageA(m_owner.GetHWND(), WM_CLOSE, 0, 0);
  int exitCode = -1;
  EXPECT_FALSE(DuiLib::RunNestedLoop(m_owner.GetHWND(), &exitCode));
}

TEST_F(UpdateTest, OfferedUpdateAcceptedOpensAnAbsoluteAddressUnchanged) {
  ServeVersion(0, 1, "http://127.0.0.1:1/full/setup.exe");
  m_owner.SetDeleteOnFinal(false);
  ASSERT_TRUE(OpenOwner());
  ::KillTimer(m_owner.GetHWND(), CSplashWndUI::kCheckTimer);
  EXPECT_EQ(CheckUpdate(m_owner.GetHWND()), kUpdateOffered);
  ASSERT_EQ(m_vecOpened.size(), 1u);
  EXPECT_EQ(m_vecOpened[0], "http://127.0.0.1:1/full/setup.exe");
  int exitCode = -1;
  EXPECT_TRUE(DuiLib::RunNestedLoop(nullptr, &exitCode));
}

TEST_F(UpdateTest, CurrentVersionOrFailedCheckAsksNothing) {
  ServeVersion(0, 0, "");
  EXPECT_EQ(CheckUpdate(nullptr), kUpdateCurrent);
  UseWebServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  WriteFile(Root() + "/program/sys.cfg",
            "[SYSTEM]\nWebServer=http://127.0.0.1:" + std::to_string(RefusingPort()) + "/\n");
  EXPECT_EQ(CheckUpdate(nullptr), kUpdateCheckFailed);
  EXPECT_TRUE(m_vecBoxes.empty());
  EXPECT_TRUE(m_vecOpened.empty());
}

class SplashTest : public CWindowsTest {};

TEST_F(SplashTest, SplashChecksOnceAndLetsStartUpGoOn) {
  // The reference server's version check: current. No chat client is installed here, so
  // the warning is the one box.
  EXPECT_EQ(ShowSplash(), 0);
  ASSERT_EQ(m_vecBoxes.size(), 1u);
  EXPECT_EQ(m_vecBoxes[0].text, "系统监测到未安装微信客户端，微信的功能将无法使用.");
  EXPECT_EQ(m_vecBoxes[0].caption, "警告");
}

TEST_F(SplashTest, EscapeDoesNotCloseTheSplash) {
  CSplashWndUI splash;
  splash.SetDeleteOnFinal(false);
  ASSERT_TRUE(Open(splash));
  ::KillTimer(splash.GetHWND(), CSplashWndUI::kCheckTimer);
  EXPECT_TRUE(PressKey(splash, VK_ESCAPE));
  DuiLib::PumpMessages();
  EXPECT_TRUE(::IsWindow(splash.GetHWND()));
  ::DestroyWindow(splash.GetHWND());
}

TEST_F(SplashTest, CloseButtonEndsStartUp) {
  CSplashWndUI splash;
  splash.SetDeleteOnFinal(false);
  ASSERT_TRUE(Open(splash));
  ::KillTimer(splash.GetHWND(), CSplashWndUI::kCheckTimer);
  Click(splash, "closebtn");
  int exitCode = -1;
  EXPECT_TRUE(DuiLib::RunNestedLoop(splash.GetHWND(), &exitCode)) << "a quit, not result 2";
  EXPECT_EQ(exitCode, 0);
  ::DestroyWindow(splash.GetHWND());
}

TEST_F(SplashTest, RequiredUpdateEndsStartUp) {
  m_server.Reply(R"({"isForceUpdate":1,"isUpdate":1,"downUrl":"setup.exe"})");
  WriteFile(Root() + "/program/sys.cfg",
            "[SYSTEM]\nWebServer=" + m_server.BaseUrl() + "\nVERSION=1.0.0\n");
  EXPECT_EQ(ShowSplash(), 1);
  ASSERT_EQ(m_vecOpened.size(), 1u);
  EXPECT_EQ(m_vecOpened[0], m_server.BaseUrl() + "setup.exe");
}

}  // namespace
}  // namespace windows_test
