// Our windows on a real X server (run bare and under openbox by scripts/xvfb-run-wm.sh):
// handles are X window ids, styles keep them, the caption drags the window.
#include "platform/ui/window/WndShadow.h"
#include "tests/platform/ui/window_test_util.h"

#include <QGuiApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using uitest::Backend;
using uitest::CRecordingWnd;
using uitest::PumpUntil;

namespace {

// Output of a shell command, while our event loop keeps running.
std::string RunCommand(const std::string& command) {
  std::string output;
  bool done = false;
  std::thread worker([&] {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::array<char, 256> buffer{};
    while (pipe && fgets(buffer.data(), buffer.size(), pipe.get())) output += buffer.data();
    done = true;
  });
  PumpUntil([&] { return done; }, 20000);
  worker.join();
  return output;
}

bool HasWindowManager() {
  return RunCommand("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null").find("window id") !=
         std::string::npos;
}

class X11Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    DuiLib::InstallOwnWindowBackend();
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  }
};

TEST_F(X11Windows, HandlesAreXWindowIdsAndSurviveStyleChanges) {
  CRecordingWnd wnd("TandemChat");
  const HWND hwnd = wnd.Create(nullptr, "frame", WS_POPUP | WS_VISIBLE, 0, 50, 50, 300, 200);
  ASSERT_NE(hwnd, nullptr);
  const auto xid = static_cast<unsigned long>(wnd.GetWidget()->winId());
  EXPECT_EQ(HandleToULong32(hwnd), xid);
  EXPECT_EQ(Backend().NativeId(hwnd), xid);
  EXPECT_EQ(Backend().FromNativeId(xid), hwnd);
  char className[64] = {};
  EXPECT_GT(GetClassNameA(hwnd, className, sizeof(className)), 0);
  EXPECT_STREQ(className, "TandemChat");
  EXPECT_TRUE(IsWindow(hwnd));

  // Into the notification area and back, as the main frame does.
  ShowWindow(hwnd, SW_HIDE);
  SetWindowLongPtrA(hwnd, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
  ShowWindow(hwnd, SW_SHOW);
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(static_cast<unsigned long>(wnd.GetWidget()->winId()), xid);
  EXPECT_NE(RunCommand("xprop -id " + std::to_string(xid) + " _NET_WM_WINDOW_TYPE").find("UTILITY"),
            std::string::npos);
  ShowWindow(hwnd, SW_HIDE);
  SetWindowLongPtrA(hwnd, GWL_EXSTYLE, WS_EX_APPWINDOW);
  ShowWindow(hwnd, SW_SHOW);
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(static_cast<unsigned long>(wnd.GetWidget()->winId()), xid);
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_NE(RunCommand("xprop -id " + std::to_string(xid) + " _NET_WM_WINDOW_TYPE").find("NORMAL"),
            std::string::npos);
}

TEST_F(X11Windows, PostedMessagesReachTheWindowByItsXId) {
  CRecordingWnd wnd;
  const HWND hwnd = wnd.Create(nullptr, "w", WS_POPUP | WS_VISIBLE, 0, 0, 0, 100, 100);
  std::thread([hwnd] { EXPECT_TRUE(PostMessageA(hwnd, WM_USER + 6, 1, 2)); }).join();
  EXPECT_TRUE(PumpUntil([&] { return wnd.Count(WM_USER + 6) == 1; }));
}

// A post needs no answer, but the sender must not hang up before the X server has read it:
// a server that sees the hang-up first drops the request unread, and the message is lost.
TEST_F(X11Windows, MessagesPostedFromAnotherProcessAllArrive) {
  CRecordingWnd wnd;
  const HWND hwnd = wnd.Create(nullptr, "w", WS_POPUP | WS_VISIBLE, 0, 0, 0, 100, 100);
  ASSERT_NE(hwnd, nullptr);
  constexpr int kPosts = 200;
  constexpr UINT kMessage = WM_USER + 9;
  const std::string command = std::string(TC_TEST_BIN_DIR_PATH) + "/remote_post_tool " +
                              std::to_string(HandleToULong32(hwnd)) + " " +
                              std::to_string(kMessage) + " " + std::to_string(kPosts) +
                              " && echo posted";
  ASSERT_EQ(RunCommand(command), "posted\n");
  PumpUntil([&] { return wnd.Count(kMessage) == kPosts; }, 5000);
  const std::vector<uitest::TMessage> arrived = wnd.Only(kMessage);
  ASSERT_EQ(arrived.size(), size_t{kPosts}) << "posts were lost";
  for (int i = 0; i < kPosts; ++i) EXPECT_EQ(arrived[i].wParam, WPARAM(i)) << "out of order";
}

TEST_F(X11Windows, TheCaptionDragsTheFramelessWindow) {
  CRecordingWnd wnd;
  wnd.handler = [](CRecordingWnd&, UINT msg, WPARAM, LPARAM, LRESULT* r) {
    if (msg != WM_NCHITTEST) return false;
    *r = HTCAPTION;  // the whole window is caption here
    return true;
  };
  const HWND hwnd = wnd.Create(nullptr, "drag", WS_POPUP | WS_VISIBLE, 0, 100, 100, 300, 200);
  PumpUntil([&] { return wnd.GetWidget()->isVisible(); });
  PumpUntil([] { return false; }, 300);  // mapped and placed by the manager
  RECT before{};
  GetWindowRect(hwnd, &before);
  const int x = before.left + 150, y = before.top + 20;
  RunCommand("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
             " sleep 0.2 mousedown 1 sleep 0.3 "
             "mousemove " +
             std::to_string(x + 40) + " " + std::to_string(y + 30) + " sleep 0.3 mousemove " +
             std::to_string(x + 80) + " " + std::to_string(y + 60) + " sleep 0.3 mouseup 1");
  RECT after{};
  EXPECT_TRUE(PumpUntil(
      [&] {
        GetWindowRect(hwnd, &after);
        return after.left != before.left;
      },
      3000))
      << (HasWindowManager() ? "under a window manager" : "bare server");
  // The drag begins at the first motion (40, 30) past the drag distance. Bare, the window
  // follows from the press point; a window manager moves it on from where the drag began.
  const bool managed = HasWindowManager();
  EXPECT_TRUE(PumpUntil(
      [&] {
        GetWindowRect(hwnd, &after);
        return after.left - before.left >= (managed ? 40 : 80) - 2;
      },
      3000));
  EXPECT_NEAR(after.left - before.left, managed ? 40 : 80, 2);
  EXPECT_NEAR(after.top - before.top, managed ? 30 : 60, 2);
  EXPECT_GE(wnd.Count(WM_NCLBUTTONDOWN), 1);
  EXPECT_EQ(wnd.Count(WM_LBUTTONDOWN), 0);
}

TEST_F(X11Windows, AQuickClickOnTheCaptionLeavesTheNextClickToTheWindow) {
  // A window manager asked to move the window after the button was already up kept moving it
  // until the next click, and swallowed that click.
  CRecordingWnd wnd;
  wnd.handler = [](CRecordingWnd& w, UINT msg, WPARAM, LPARAM l, LRESULT* r) {
    if (msg != WM_NCHITTEST) return false;
    RECT rc{};
    GetWindowRect(w.GetHWND(), &rc);
    *r = GET_Y_LPARAM(l) - rc.top < 30 ? HTCAPTION : HTCLIENT;
    return true;
  };
  const HWND hwnd = wnd.Create(nullptr, "click", WS_POPUP | WS_VISIBLE, 0, 100, 100, 300, 200);
  PumpUntil([&] { return wnd.GetWidget()->isVisible(); });
  PumpUntil([] { return false; }, 300);  // mapped and placed by the manager
  RECT before{};
  GetWindowRect(hwnd, &before);
  const std::string caption =
      std::to_string(before.left + 150) + " " + std::to_string(before.top + 10);
  const std::string body =
      std::to_string(before.left + 150) + " " + std::to_string(before.top + 120);
  RunCommand("xdotool mousemove " + caption + " sleep 0.2 click 1 sleep 0.3 mousemove " + body +
             " sleep 0.3 click 1");
  EXPECT_TRUE(PumpUntil([&] { return wnd.Count(WM_LBUTTONDOWN) == 1; }, 3000))
      << (HasWindowManager() ? "under a window manager" : "bare server");
  RECT after{};
  GetWindowRect(hwnd, &after);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
}

TEST_F(X11Windows, ShadowIsANoOpWithoutCompositor) {
  DuiLib::CWndShadow::Initialize(nullptr);
  EXPECT_FALSE(DuiLib::CWndShadow::IsEnabled());
  CRecordingWnd wnd;
  const HWND hwnd = wnd.Create(nullptr, "w", WS_POPUP | WS_VISIBLE, 0, 0, 0, 100, 100);
  DuiLib::CWndShadow shadow;
  shadow.SetImage("shadow.png", RECT{12, 12, 12, 12});
  shadow.Create(hwnd);
  EXPECT_EQ(shadow.GetWidget(), nullptr);
  EXPECT_EQ(shadow.GetParentWnd(), hwnd);
}

}  // namespace
