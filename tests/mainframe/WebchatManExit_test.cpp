// The manager as the engine's sink: a copy whose main window goes away is posted to the owner
// as WM_USER_MSG_MAINFRAME_WECHATEXIT, and a manager without an owner queues nothing.
#include "mainframe/WebchatMan.h"
#include "tests/wechat/WebchatTestSupport.h"

#include <chrono>
#include <thread>

namespace wechat_test {
namespace {

using namespace std::chrono_literals;

class ManagerExit : public ManagerTest {
 protected:
  // Starts `key` on `manager` and gives it a main window, once reported.
  HWND RunWithMain(CWebchatMan& manager, const std::string& key) {
    EXPECT_TRUE(manager.RunWeChat(key.c_str()));
    WECHATRUNDATA data;
    EXPECT_TRUE(manager.GetWeChatRunData(data, key));
    const HWND main = m_desktop.AddWindow(kWeChatMainWndClass, data.dwProcessId, {0, 0, 1000, 700});
    EXPECT_TRUE(Reports().WaitFor(
        [&](const TReport& r) { return r.strKind == "ui" && r.hMain == main; }, 3000));
    return main;
  }
};

TEST_F(ManagerExit, TheOwnerIsPostedTheExitOfACopy) {
  CWebchatMan manager(COwnerWindow::Handle(), HostWnd());
  const HWND main = RunWithMain(manager, "k1");
  EXPECT_EQ(Reports().Count("post"), 0);
  m_desktop.RemoveWindow(main);
  ASSERT_TRUE(Reports().WaitFor(
      [](const TReport& r) {
        return r.strKind == "post" && r.uMsg == WM_USER_MSG_MAINFRAME_WECHATEXIT;
      },
      1000));
  EXPECT_EQ(manager.TakeClosedWeChats(), std::vector<std::string>{"k1"});
  EXPECT_TRUE(manager.GetClosedWeChats().empty());
}

TEST_F(ManagerExit, WithoutAnOwnerNothingIsQueuedOrPosted) {
  CWebchatMan manager(nullptr, HostWnd());
  const HWND main = RunWithMain(manager, "k1");
  m_desktop.RemoveWindow(main);
  ASSERT_TRUE(WaitForSearches(2));
  EXPECT_EQ(Reports().Count("post"), 0);
  EXPECT_TRUE(manager.GetClosedWeChats().empty());
  EXPECT_TRUE(manager.StopWeChat("k1"));
}

}  // namespace
}  // namespace wechat_test
