// The window functions over the two seams: own windows go to the own-window backend,
// everything else to the desktop; messages to foreign windows become clicks and typing.
#include "tests/support/StubOwnWindowBackend.h"
#include "tests/support/FakeDesktop.h"
#include "platform/win32/Input.h"
#include "platform/win32/Sync.h"
#include "platform/win32/Window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// These tests never reach an X server, whatever the environment says.
const bool kNoDisplay = (unsetenv("DISPLAY"), true);

// A minimal own backend: one window (0x7001) whose native id is 0x5000.
class CTestOwnBackend : public testing_support::CStubOwnWindowBackend {
 public:
  HWND hOwn = reinterpret_cast<HWND>(0x7001);
  unsigned long nNative = 0x5000;
  int nSent = 0;
  UINT nLastPosted = 0;

  bool IsOwn(HWND hwnd) override { return hwnd == hOwn; }
  LRESULT Send(HWND, UINT, WPARAM, LPARAM) override { return ++nSent; }
  BOOL Post(HWND, UINT msg, WPARAM, LPARAM) override {
    nLastPosted = msg;
    return TRUE;
  }
  BOOL GetWindowRect(HWND, RECT* rect) override {
    *rect = RECT{100, 50, 900, 650};
    return TRUE;
  }
  BOOL GetClientRect(HWND, RECT* rect) override {
    *rect = RECT{0, 0, 800, 600};
    return TRUE;
  }
  std::string ClassName(HWND) override { return "webchat"; }
  unsigned long NativeId(HWND hwnd) override { return hwnd == hOwn ? nNative : 0; }
  HWND FromNativeId(unsigned long xid) override { return xid == nNative ? hOwn : nullptr; }
  HWND Foreground() override { return hOwn; }
  HWND Focus() override { return hOwn; }
};

class WindowDispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win32::SetDesktopBackend(&desktop);
    win32::SetOwnWindowBackend(&own);
  }
  void TearDown() override {
    win32::SetOwnWindowBackend(nullptr);
    win32::SetDesktopBackend(nullptr);
  }

  std::vector<testing_support::FakeDesktop::TCall> callsOf(const std::string& kind) {
    std::vector<testing_support::FakeDesktop::TCall> calls;
    for (const auto& call : desktop.Calls()) {
      if (call.strKind == kind) calls.push_back(call);
    }
    return calls;
  }

  testing_support::FakeDesktop desktop;
  CTestOwnBackend own;
};

BOOL CollectWindows(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

BOOL StopAtFirst(HWND hwnd, LPARAM lParam) {
  *reinterpret_cast<HWND*>(lParam) = hwnd;
  return FALSE;
}

TEST_F(WindowDispatchTest, EnumWindowsListsTopLevelWindowsTopmostFirstAndStops) {
  HWND first = desktop.AddWindow("A", 10, RECT{0, 0, 10, 10});
  HWND second = desktop.AddWindow("B", 11, RECT{0, 0, 10, 10});
  HWND embedded = desktop.AddWindow("C", 12, RECT{0, 0, 10, 10});
  desktop.Reparent(embedded, 0x5000);
  std::vector<HWND> windows;
  EXPECT_TRUE(EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&windows)));
  EXPECT_EQ(windows, (std::vector<HWND>{second, first}));
  HWND seen = nullptr;
  EXPECT_FALSE(EnumWindows(StopAtFirst, reinterpret_cast<LPARAM>(&seen)));
  EXPECT_EQ(seen, second);
  EXPECT_FALSE(EnumWindows(nullptr, 0));
}

TEST_F(WindowDispatchTest, PropertiesOfForeignAndOwnWindows) {
  HWND owner = desktop.AddWindow("Owner", 20, RECT{0, 0, 10, 10});
  HWND popup = desktop.AddWindow("WeChatLoginWndForPC", 21, RECT{10, 20, 310, 420}, false, owner);
  char name[260];
  EXPECT_EQ(GetClassNameA(popup, name, sizeof name), 19);
  EXPECT_STREQ(name, "WeChatLoginWndForPC");
  EXPECT_EQ(GetClassNameA(popup, name, 6), 5);  // cut to the buffer, zero-terminated
  EXPECT_STREQ(name, "WeCha");
  EXPECT_EQ(GetClassNameA(own.hOwn, name, sizeof name), 7);
  EXPECT_STREQ(name, "webchat");
  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(popup, &pid), 21u);
  EXPECT_EQ(pid, 21u);
  EXPECT_EQ(GetWindow(popup, GW_OWNER), owner);
  EXPECT_FALSE(IsWindowVisible(popup));
  EXPECT_TRUE(IsWindow(popup));
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(popup, &rect));
  EXPECT_EQ(rect.right - rect.left, 300);
  ASSERT_TRUE(GetClientRect(popup, &rect));
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.bottom, 400);
  desktop.RemoveWindow(popup);
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_EQ(GetClassNameA(popup, name, sizeof name), 0);
  EXPECT_FALSE(GetWindowRect(popup, &rect));
  EXPECT_FALSE(IsWindow(nullptr));
}

TEST_F(WindowDispatchTest, SetParentEmbedsIntoTheNativeWindowOfOurs) {
  HWND login = desktop.AddWindow("WeChatLoginWndForPC", 30, RECT{0, 0, 300, 400});
  HWND previous = SetParent(login, own.hOwn);
  EXPECT_NE(previous, nullptr);  // the desktop window
  testing_support::FakeDesktop::TWindow state;
  ASSERT_TRUE(desktop.GetWindow(login, state));
  EXPECT_EQ(state.nParentId, 0x5000u);
  EXPECT_EQ(GetParent(login), own.hOwn);
  // Maximised inside the parent it fills the parent's client area.
  desktop.SetParentClientSize(0x5000, 800, 600);
  ShowWindow(login, SW_SHOWMAXIMIZED);
  ASSERT_TRUE(desktop.GetWindow(login, state));
  EXPECT_EQ(state.rcWindow.right, 800);
  // Given back to the desktop.
  EXPECT_EQ(SetParent(login, nullptr), own.hOwn);
  ASSERT_TRUE(desktop.GetWindow(login, state));
  EXPECT_EQ(state.nParentId, 0u);
}

TEST_F(WindowDispatchTest, SetParentFailsCleanlyOnBadArguments) {
  HWND foreign = desktop.AddWindow("X", 31, RECT{0, 0, 10, 10});
  own.nNative = 0;  // our window has no native window (offscreen)
  EXPECT_EQ(SetParent(foreign, own.hOwn), nullptr);
  own.nNative = 0x5000;
  EXPECT_EQ(SetParent(own.hOwn, foreign), nullptr);  // our windows are not re-parented here
  EXPECT_EQ(SetParent(reinterpret_cast<HWND>(0x999999), own.hOwn), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(WindowDispatchTest, OwnWindowsGoToTheOwnBackend) {
  EXPECT_EQ(SendMessageA(own.hOwn, WM_USER + 6, 0, 0), 1);
  EXPECT_TRUE(PostMessageA(own.hOwn, WM_USER + 5, 0, 0));
  EXPECT_EQ(own.nLastPosted, static_cast<UINT>(WM_USER + 5));
  EXPECT_EQ(SetTimer(own.hOwn, 3, 10, nullptr), 3u);
  EXPECT_TRUE(ShowWindow(own.hOwn, SW_HIDE));
  EXPECT_TRUE(desktop.Calls().empty());
  POINT point{120, 70};
  ASSERT_TRUE(ScreenToClient(own.hOwn, &point));
  EXPECT_EQ(point.x, 20);
  EXPECT_EQ(point.y, 20);
}

TEST_F(WindowDispatchTest, MouseMessagesClickAtTheClientPoint) {
  HWND main = desktop.AddWindow("WeChatMainWndForPC", 40, RECT{0, 0, 1000, 700});
  SendMessageA(main, WM_LBUTTONDOWN, 0, MAKELPARAM(1000 - 120, 700 - 56));
  SendMessageA(main, WM_LBUTTONUP, 0, MAKELPARAM(1000 - 120, 700 - 56));
  auto clicks = callsOf("click");
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[0].nArg1, 880);
  EXPECT_EQ(clicks[0].nArg2, 644);
  EXPECT_EQ(clicks[0].nArg3, 1);
  EXPECT_EQ(clicks[1].nArg3, 0);
}

TEST_F(WindowDispatchTest, CharMessagesJoinSurrogatePairs) {
  HWND main = desktop.AddWindow("WeChatMainWndForPC", 41, RECT{0, 0, 100, 100});
  const std::u16string text = u"A中😀";
  for (char16_t unit : text) SendMessageW(main, WM_CHAR, unit, 0);
  SendMessageW(main, WM_CHAR, 0xDC00, 0);  // a lone low half: nothing
  SendMessageW(main, WM_CHAR, 0xD83D, 0);  // a high half ...
  SendMessageW(main, WM_CHAR, u'b', 0);    // ... dropped before a plain unit
  auto chars = callsOf("char");
  ASSERT_EQ(chars.size(), 4u);
  EXPECT_EQ(chars[0].nArg1, 'A');
  EXPECT_EQ(chars[1].nArg1, 0x4E2D);
  EXPECT_EQ(chars[2].nArg1, 0x1F600);
  EXPECT_EQ(chars[3].nArg1, 'b');
}

TEST_F(WindowDispatchTest, SetWindowPosKeepsWhatTheFlagsKeep) {
  HWND window = desktop.AddWindow("X", 42, RECT{10, 20, 110, 220});
  EXPECT_TRUE(SetWindowPos(window, nullptr, 50, 60, 0, 0, SWP_NOSIZE));
  testing_support::FakeDesktop::TWindow state;
  ASSERT_TRUE(desktop.GetWindow(window, state));
  EXPECT_EQ(state.rcWindow.left, 50);
  EXPECT_EQ(state.rcWindow.right, 150);
  EXPECT_TRUE(SetWindowPos(window, nullptr, 0, 0, 30, 40, SWP_NOMOVE | SWP_HIDEWINDOW));
  ASSERT_TRUE(desktop.GetWindow(window, state));
  EXPECT_EQ(state.rcWindow.left, 50);
  EXPECT_EQ(state.rcWindow.bottom, 60 + 40);
  EXPECT_FALSE(state.bVisible);
}

TEST_F(WindowDispatchTest, ForeignWindowsCannotBeDestroyedOrSentOtherMessages) {
  HWND window = desktop.AddWindow("X", 43, RECT{0, 0, 10, 10});
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_FALSE(PostMessageA(window, WM_USER + 2, 0, 0));
  EXPECT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
  EXPECT_EQ(callsOf("close").size(), 1u);
  EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 0);
}

TEST_F(WindowDispatchTest, KeyEventsReachTheDesktopInOrder) {
  keybd_event(VK_CONTROL, 0, 0, 0);
  keybd_event('A', 0, 0, 0);
  EXPECT_NE(GetAsyncKeyState('A') & 0x8000, 0);
  keybd_event('A', 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_DELETE, 0, 0, 0);
  keybd_event(VK_DELETE, 0, KEYEVENTF_KEYUP, 0);
  EXPECT_EQ(desktop.KeyJournal(), "Ctrl+ A+ A- Ctrl- Del+ Del-");
  EXPECT_EQ(GetAsyncKeyState('A'), 0);
}

TEST_F(WindowDispatchTest, RegisteredMessagesAreStablePerName) {
  const UINT tray = RegisterWindowMessageA("WM_TRAYICON");
  EXPECT_GE(tray, 0xC000u);
  EXPECT_EQ(RegisterWindowMessageA("WM_TRAYICON"), tray);
  EXPECT_NE(RegisterWindowMessageA("TaskbarCreated"), tray);
  EXPECT_EQ(RegisterWindowMessageA(""), 0u);
}

TEST_F(WindowDispatchTest, DesktopChangeEndsThePollWaitEarly) {
  HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread adder([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    desktop.AddWindow("WeChatLoginWndForPC", 50, RECT{0, 0, 1, 1});
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(win32::WaitForStopOrDesktopChange(stop, 2000), static_cast<DWORD>(WAIT_TIMEOUT));
  const auto waited = std::chrono::steady_clock::now() - start;
  adder.join();
  EXPECT_LT(waited,
            std::chrono::milliseconds(1000));  // far below the 2 s limit: ended by the change
  SetEvent(stop);
  EXPECT_EQ(win32::WaitForStopOrDesktopChange(stop, 2000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(stop);
}

TEST_F(WindowDispatchTest, PollWaitTimesOutWithoutChange) {
  HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(win32::WaitForStopOrDesktopChange(stop, 120), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(stop);
}

TEST(WindowWithoutBackend, FailsCleanly) {
  // No display in this process (DISPLAY unset above, before any test): the X11 desktop is
  // absent.
  win32::SetDesktopBackend(nullptr);
  ASSERT_EQ(win32::GetDesktopBackend(), nullptr) << "an X display is reachable without DISPLAY";
  HWND window = reinterpret_cast<HWND>(0x1234);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(ShowWindow(window, SW_SHOW));
  EXPECT_EQ(SetParent(window, nullptr), nullptr);
  EXPECT_FALSE(EnumWindows(CollectWindows, 0));
  RECT rect{};
  EXPECT_FALSE(GetWindowRect(window, &rect));
  EXPECT_EQ(SendMessageA(window, WM_LBUTTONDOWN, 0, 0), 0);
  keybd_event(VK_CONTROL, 0, 0, 0);  // dropped with a log line
  EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
  EXPECT_EQ(SetTimer(nullptr, 1, 10, nullptr), 0u);
}

}  // namespace
