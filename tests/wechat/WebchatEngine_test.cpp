// Records, lifecycle, discovery and embedding of the copies engine on an in-memory desktop,
// with real (sleeping) client processes and a recording sink in place of a window.
#include "WebchatTestSupport.h"

#include "platform/win32/Process.h"
#include "platform/win32/Toolhelp.h"

#include <algorithm>
#include <thread>

namespace wechat_test {
namespace {

using namespace std::chrono_literals;

constexpr int kReportTimeoutMs = 3000;

bool IsUi(const TReport& r, const std::string& key, HWND login, HWND main) {
  return r.strKind == "ui" && r.strKey == key && r.hLogin == login && r.hMain == main;
}

std::vector<testing_support::FakeDesktop::TCall> CallsOf(testing_support::FakeDesktop& desktop,
                                                         HWND hwnd, const std::string& kind) {
  std::vector<testing_support::FakeDesktop::TCall> calls;
  for (const auto& call : desktop.Calls())
    if (call.hWnd == hwnd && call.strKind == kind) calls.push_back(call);
  return calls;
}

using Lifecycle = ManagerTest;

TEST_F(Lifecycle, TheSameKeyTwiceStartsOneCopy) {
  EXPECT_TRUE(CWebchatEngine::IsWeChatInstalled());
  EXPECT_TRUE(Manager().RunWeChat("k1"));
  DWORD pid = ProcessOf("k1");
  ASSERT_NE(pid, 0u);
  EXPECT_FALSE(Manager().RunWeChat("k1"));
  EXPECT_EQ(ProcessOf("k1"), pid);
  EXPECT_TRUE(ProcessAlive(pid));
}

TEST_F(Lifecycle, KeysAreComparedByteForByte) {
  EXPECT_TRUE(Manager().RunWeChat("Key"));
  EXPECT_TRUE(Manager().RunWeChat("key"));
  EXPECT_NE(ProcessOf("Key"), ProcessOf("key"));
  WECHATRUNDATA data;
  EXPECT_FALSE(Manager().GetWeChatRunData(data, "KEY"));
}

TEST_F(Lifecycle, StopEndsTheProcessAndKeepsTheCurrentKey) {
  ASSERT_TRUE(Manager().RunWeChat("k1"));
  Manager().SwitchWeChat("k1");
  DWORD pid = ProcessOf("k1");
  EXPECT_TRUE(Manager().StopWeChat("k1"));
  EXPECT_FALSE(ProcessAlive(pid));
  WECHATRUNDATA data;
  EXPECT_FALSE(Manager().GetWeChatRunData(data, "k1"));
  EXPECT_FALSE(Manager().StopWeChat("k1"));
  // The key stays current: a later copy under it is shown at once.
  ASSERT_TRUE(Manager().RunWeChat("k1"));
  HWND login = m_desktop.AddWindow(kWeChatLoginWndClass, ProcessOf("k1"), {0, 0, 300, 400});
  ASSERT_TRUE(Reports().WaitFor([&](const TReport& r) { return IsUi(r, "k1", login, nullptr); },
                                kReportTimeoutMs));
  testing_support::FakeDesktop::TWindow window;
  ASSERT_TRUE(m_desktop.GetWindow(login, window));
  EXPECT_EQ(window.nParentId, 0x9000u);
}

TEST_F(Lifecycle, AFailedStartRecordsNothing) {
  WriteHklmDisplayIcon((m_root / "missing" / "client").string());
  CWebchatEngine::InitEnv(UiCallback, CfgCallback, nullptr);
  EXPECT_FALSE(CWebchatEngine::IsWeChatInstalled());
  EXPECT_FALSE(Manager().RunWeChat("k1"));
  WECHATRUNDATA data;
  EXPECT_FALSE(Manager().GetWeChatRunData(data, "k1"));
}

TEST_F(Lifecycle, AnUnquotedDisplayIconIsTakenWhole) {
  std::string script = WriteClientScript();
  WriteHklmDisplayIcon(script);
  CWebchatEngine::InitEnv(UiCallback, CfgCallback, nullptr);
  EXPECT_EQ(CWebchatEngine::GetWeChatExePath(), script);
}

TEST_F(Lifecycle, DestructionWithCopiesRunningEndsEveryProcessAndThread) {
  std::vector<DWORD> pids;
  for (const char* key : {"a", "b", "c"}) {
    ASSERT_TRUE(Manager().RunWeChat(key));
    pids.push_back(ProcessOf(key));
  }
  m_manager.reset();
  for (DWORD pid : pids) EXPECT_FALSE(ProcessAlive(pid)) << pid;
  // No discovery thread is left: a new window reaches nobody.
  m_desktop.AddWindow(kWeChatLoginWndClass, pids[0], {0, 0, 300, 400});
  std::this_thread::sleep_for(700ms);
  EXPECT_EQ(Reports().Count("ui"), 0);
}

TEST_F(Lifecycle, AThreadThatDoesNotAnswerInTimeIsJoinedAtDestruction) {
  ASSERT_TRUE(Manager().RunWeChat("slow"));
  Reports().BlockUiCallbacks(true);  // the thread will hang in its first report
  m_desktop.AddWindow(kWeChatLoginWndClass, ProcessOf("slow"), {0, 0, 300, 400});
  ASSERT_TRUE(
      Reports().WaitFor([](const TReport& r) { return r.strKind == "ui"; }, kReportTimeoutMs));
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(Manager().StopWeChat("slow"));
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 900ms);
  // The thread still runs; once it answers it must find no record and end by itself.
  std::thread release([] {
    std::this_thread::sleep_for(300ms);
    Reports().BlockUiCallbacks(false);
  });
  m_manager.reset();  // joins the thread, which needs the manager until then
  release.join();
}

TEST_F(Lifecycle, StopWhileTheThreadWaitsForTheLockEndsPromptly) {
  ASSERT_TRUE(Manager().RunWeChat("k1"));
  DWORD pid = ProcessOf("k1");
  for (int i = 0; i < 20; ++i) {
    HWND w = m_desktop.AddWindow(kWeChatLoginWndClass, pid, {0, 0, 300, 400});
    std::this_thread::sleep_for(2ms);
    m_desktop.RemoveWindow(w);
  }
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(Manager().StopWeChat("k1"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms);
}

using Discovery = ManagerTest;

TEST_F(Discovery, ALoginWindowOfTheCurrentCopyIsEmbeddedAndCentred) {
  Manager().SetPos(RECT{100, 50, 900, 650});  // 800 x 600
  ASSERT_TRUE(Manager().RunWeChat("k1"));
  Manager().SwitchWeChat("k1");
  HWND login = m_desktop.AddWindow(kWeChatLoginWndClass, ProcessOf("k1"), {10, 10, 310, 410});
  ASSERT_TRUE(Reports().WaitFor([&](const TReport& r) { return IsUi(r, "k1", login, nullptr); },
                                kReportTimeoutMs));
  testing_support::FakeDesktop::TWindow window;
  ASSERT_TRUE(m_desktop.GetWindow(login, window));
  EXPECT_EQ(window.nParentId, 0x9000u);
  auto moves = CallsOf(m_desktop, login, "move");
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back().nArg1, 250);
  EXPECT_EQ(moves.back().nArg2, 100);
  EXPECT_EQ(moves.back().nArg3, 300);
  EXPECT_EQ(moves.back().nArg4, 400);
  WECHATRUNDATA data;
  ASSERT_TRUE(Manager().GetWeChatRunData(data, "k1"));
  EXPECT_EQ(data.hLoginWnd, login);
  EXPECT_EQ(data.nLoginWidth, 300);
  EXPECT_EQ(data.nLoginHeight, 400);
  EXPECT_EQ(Manager().GetCurrWeChat(), "k1");
}

TEST_F(Discovery, ALoginWindowOfAnotherCopyIsHiddenAndStillReported) {
  ASSERT_TRUE(Manager().RunWeChat("k1"));
  Manager().SwitchWeChat("other");
  HWND login = m_desktop.AddWindow(kWeChatLoginWndClass, ProcessOf("k1"), {0, 0, 300, 400});
  ASSERT_TRUE(Reports().WaitFor([&](const TReport& r) { return IsUi(r, "k1", login, nullptr); },
                                kReportTimeoutMs));
  auto shows = CallsOf(m_desktop, login, "show");
  ASSERT_EQ(shows.size(), 1u);
  EXPECT_EQ(shows[0].nArg1, SW_HIDE);
  EXPECT_TRUE(CallsOf(m_desktop, login, "reparent").empty());
}

TEST_F(Discovery, WindowsThatDoNotQualifyAreIgnored) {
  ASSERT_TRUE(Manager().RunWeChat("k1"));
  DWORD pid = ProcessOf("k1");
  HWND owner = m_desktop.AddWindow("Other", pid, {0, 0, 10, 10});
  m_desktop.AddWindow(kWeChatLoginWndClass, pid, {0, 0, 300, 400}, true, owner);  // owned
  m_desktop.AddWindow(kWeChatLoginWndClass, pid, {0, 0, 300, 400}, false);        // invisible
  m_desktop.AddWindow(kWeChatLoginWndClass, pid + 100000, {0, 0, 300, 400});      // other process
  m_desktop.AddWindow("wechatloginwndforpc", pid, {0, 0, 300, 400});              // other case
  HWND shadow = m_desktop.AddWindow("popupshadow", pid + 100000, {0, 0, 5, 5});
  ASSERT_TRUE(WaitForSearches(2));
  EXPECT_EQ(Reports().Count("ui"), 0);
  testing_support::FakeDesktop::TWindow window;
  ASSERT_TRUE(m_desktop.GetWindow(shadow, window));
  EXPECT_FALSE(window.bVisible);
}

TEST_F(Discovery, TheMainWindowIsEmbeddedMaximisedAndItsProfileReportedFirst) {
  WriteAccount("wxid_abc", "客服小王");
  Manager().SetPos(RECT{0, 0, 800, 600});
  ASSERT_TRUE(Manager().RunWeChat("k1"));
  Manager().SwitchWeChat("k1");
  DWORD pid = ProcessOf("k1");
  HWND login = m_desktop.AddWindow(kWeChatLoginWndClass, pid, {0, 0, 300, 400});
  ASSERT_TRUE(Reports().WaitFor([&](const TReport& r) { return IsUi(r, "k1", login, nullptr); },
                                kReportTimeoutMs));
  m_desktop.RemoveWindow(login);
  HWND main = m_desktop.AddWindow(kWeChatMainWndClass, pid, {0, 0, 1000, 700});
  ASSERT_TRUE(Reports().WaitFor([&](const TReport& r) { return IsUi(r, "k1", nullptr, main); },
                                kReportTimeoutMs));
  auto reports = Reports().All();
  ASSERT_GE(reports.size(), 3u);
  const TReport& cfg = reports[reports.size() - 2];
  EXPECT_EQ(cfg.strKind, "cfg");
  EXPECT_EQ(cfg.strKey, "k1");
  EXPECT_EQ(cfg.cfg.strWeChatId, "wxid_abc");
  EXPECT_EQ(cfg.cfg.strNickname, "客服小王");
  testing_support::FakeDesktop::TWindow window;
  ASSERT_TRUE(m_desktop.GetWindow(main, window));
  EXPECT_EQ(window.nParentId, 0x9000u);
  EXPECT_TRUE(window.bMaximized);
  auto moves = CallsOf(m_desktop, main, "move");
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back().nArg1, 0);
  EXPECT_EQ(moves.back().nArg2, 0);
  EXPECT_EQ(moves.back().nArg3, 800);
  EXPECT_EQ(moves.back().nArg4, 600);
  WECHATRUNDATA data;
  ASSERT_TRUE(Manager().GetWeChatRunData(data, "k1"));
  EXPECT_EQ(data.hMainWnd, main);
  EXPECT_EQ(data.hLoginWnd, nullptr);
  EXPECT_EQ(data.nLoginWidth, 300);
  // Found again in later polls, the same window is not reported twice.
  ASSERT_TRUE(WaitForSearches(2));
  EXPECT_EQ(Reports().Count("cfg"), 1);
}

TEST_F(Discovery, AHiddenMainWindowStaysKnownAndItsDestructionIsReported) {
  ASSERT_TRUE(Manager().RunWeChat("k1"));
  DWORD pid = ProcessOf("k1");
  HWND main = m_desktop.AddWindow(kWeChatMainWndClass, pid, {0, 0, 1000, 700});
  ASSERT_TRUE(Reports().WaitFor([&](const TReport& r) { return IsUi(r, "k1", nullptr, main); },
                                kReportTimeoutMs));
  ASSERT_TRUE(WaitForSearches(2));  // hidden (not current): not found, not gone
  EXPECT_EQ(Reports().Count("exit"), 0);
  auto removed = std::chrono::steady_clock::now();
  m_desktop.RemoveWindow(main);
  ASSERT_TRUE(Reports().WaitFor(
      [&](const TReport& r) { return r.strKind == "exit" && r.strKey == "k1"; }, 1000));
  EXPECT_LT(Reports().All().back().tpWhen - removed, 1000ms);
  EXPECT_EQ(Manager().GetClosedWeChats(), std::vector<std::string>{"k1"});
  EXPECT_EQ(Manager().TakeClosedWeChats(), std::vector<std::string>{"k1"});
  EXPECT_TRUE(Manager().GetClosedWeChats().empty());
  // The record stays until the copy is stopped.
  WECHATRUNDATA data;
  EXPECT_TRUE(Manager().GetWeChatRunData(data, "k1"));
}

TEST_F(Discovery, SwitchingEmbedsAKnownMainWindowAndSetPosReplacesIt) {
  Manager().SetPos(RECT{0, 0, 800, 600});
  ASSERT_TRUE(Manager().RunWeChat("k1"));
  HWND main = m_desktop.AddWindow(kWeChatMainWndClass, ProcessOf("k1"), {0, 0, 1000, 700});
  ASSERT_TRUE(Reports().WaitFor([&](const TReport& r) { return IsUi(r, "k1", nullptr, main); },
                                kReportTimeoutMs));
  EXPECT_TRUE(CallsOf(m_desktop, main, "reparent").empty());
  Manager().SwitchWeChat("k1");
  EXPECT_EQ(CallsOf(m_desktop, main, "reparent").size(), 1u);
  m_desktop.SetParentClientSize(0x9000, 640, 480);
  Manager().SetPos(RECT{10, 10, 650, 490});
  auto moves = CallsOf(m_desktop, main, "move");
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back().nArg3, 640);
  EXPECT_EQ(moves.back().nArg4, 480);
}

TEST_F(Discovery, TheCopyOnShowIsTheTopmostVisibleWindowInTheHost) {
  const std::vector<std::string> keys = {"k1", "k2", "k3"};
  for (const std::string& key : keys) {
    ASSERT_TRUE(Manager().RunWeChat(key.c_str()));
    HWND main = m_desktop.AddWindow(kWeChatMainWndClass, ProcessOf(key), {0, 0, 1000, 700});
    ASSERT_TRUE(Reports().WaitFor([&](const TReport& r) { return IsUi(r, key, nullptr, main); },
                                  kReportTimeoutMs));
  }
  // The operator's clicks: A, B, C, A, C. The records keep their order; the answer must not.
  for (const char* key : {"k1", "k2", "k3", "k1", "k3"}) {
    Manager().SwitchWeChat(key);
    EXPECT_EQ(Manager().GetCurrWeChat(), key);
  }
}

TEST_F(Discovery, SetPosWithNoCurrentCopyMovesNothing) {
  ASSERT_TRUE(Manager().RunWeChat("k1"));
  HWND main = m_desktop.AddWindow(kWeChatMainWndClass, ProcessOf("k1"), {0, 0, 1000, 700});
  ASSERT_TRUE(Reports().WaitFor([&](const TReport& r) { return IsUi(r, "k1", nullptr, main); },
                                kReportTimeoutMs));
  m_desktop.ClearCalls();
  Manager().SetPos(RECT{0, 0, 800, 600});
  EXPECT_TRUE(CallsOf(m_desktop, main, "move").empty());
}

TEST_F(Discovery, AReportForAStoppedCopyChangesNothingButStillCarriesTheProfile) {
  ASSERT_TRUE(Manager().RunWeChat("k1"));
  Reports().BlockUiCallbacks(true);
  DWORD pid = ProcessOf("k1");
  m_desktop.AddWindow(kWeChatLoginWndClass, pid, {0, 0, 300, 400});
  ASSERT_TRUE(
      Reports().WaitFor([](const TReport& r) { return r.strKind == "ui"; }, kReportTimeoutMs));
  HWND main = m_desktop.AddWindow(kWeChatMainWndClass, pid, {0, 0, 1000, 700});
  std::thread stopper([&] { Manager().StopWeChat("k1"); });
  std::this_thread::sleep_for(200ms);
  Reports().BlockUiCallbacks(false);
  stopper.join();
  // The thread may have reached the main window before its stop: then the report carries
  // an empty key and no handles.
  for (const TReport& r : Reports().All()) {
    if (r.strKind == "ui") {
      EXPECT_TRUE(r.strKey.empty() || r.hMain == main || r.hLogin != nullptr);
    }
  }
}

TEST_F(Discovery, CopiesReportingAndEndingAtOnceLoseNothing) {
  WriteAccount("wxid_shared", "Nick");
  const std::vector<std::string> keys = {"a", "b", "c", "d", "e"};
  for (const std::string& key : keys) ASSERT_TRUE(Manager().RunWeChat(key.c_str()));
  std::vector<HWND> mains;
  for (const std::string& key : keys)
    mains.push_back(m_desktop.AddWindow(kWeChatMainWndClass, ProcessOf(key), {0, 0, 1000, 700}));
  ASSERT_TRUE(Reports().WaitForCount("ui", 5, 5000));
  for (const TReport& r : Reports().All()) {
    if (r.strKind == "cfg") {
      EXPECT_EQ(r.cfg.strWeChatId, "wxid_shared") << r.strKey;
    }
  }
  EXPECT_EQ(Reports().Count("cfg"), 5);
  for (HWND main : mains) m_desktop.RemoveWindow(main);
  ASSERT_TRUE(Reports().WaitForCount("exit", 5, 3000));
  std::vector<std::string> closed = Manager().TakeClosedWeChats();
  std::sort(closed.begin(), closed.end());
  EXPECT_EQ(closed, keys);
}

TEST_F(Discovery, AnEngineWithoutSinkOrHostStillFindsAndReportsWindows) {
  CWebchatEngine engine(nullptr, nullptr);
  ASSERT_TRUE(engine.RunWeChat("k1"));
  WECHATRUNDATA data;
  ASSERT_TRUE(engine.GetWeChatRunData(data, "k1"));
  HWND main = m_desktop.AddWindow(kWeChatMainWndClass, data.dwProcessId, {0, 0, 1000, 700});
  ASSERT_TRUE(Reports().WaitFor([&](const TReport& r) { return IsUi(r, "k1", nullptr, main); },
                                kReportTimeoutMs));
  ASSERT_TRUE(engine.GetWeChatRunData(data, "k1"));
  EXPECT_EQ(data.hMainWnd, main);
  EXPECT_EQ(engine.GetCurrWeChat(), "");  // no host window: nothing is on show
  // Without a sink nobody takes the exit: nothing is queued and the thread keeps watching.
  m_desktop.RemoveWindow(main);
  ASSERT_TRUE(WaitForSearches(2));
  EXPECT_EQ(Reports().Count("exit"), 0);
  EXPECT_TRUE(engine.GetClosedWeChats().empty());
  EXPECT_TRUE(engine.StopWeChat("k1"));
}

using Detection = ManagerTest;

TEST_F(Detection, AnOutsideCopyIsAdoptedAndThenNotReportedAgain) {
  // A process started here but presented by a fake table as a client the shell started.
  std::string command = "\"" + CWebchatEngine::GetWeChatExePath() + "\"";
  STARTUPINFOA startup{};
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info));
  CloseHandle(info.hThread);
  const DWORD outside = info.dwProcessId;
  win32::SetProcessTableSource([=] {
    return std::vector<win32::TProcessRow>{{1, 0, "systemd"},
                                           {500, 1, "EXPLORER.EXE"},
                                           {outside, 500, "wechat.EXE"},
                                           {GetCurrentProcessId(), 1, "t"}};
  });
  std::vector<DWORD> found;
  // Not yet on this desktop: a client without a window runs on another one.
  EXPECT_FALSE(Manager().IsHasWeChatRunByWeChatPC(found));
  m_desktop.AddWindow(kWeChatLoginWndClass, outside, {0, 0, 300, 400});
  EXPECT_TRUE(Manager().IsHasWeChatRunByWeChatPC(found));
  EXPECT_EQ(found, std::vector<DWORD>{outside});

  ASSERT_TRUE(Manager().RunWeChat("adopted"));
  EXPECT_EQ(ProcessOf("adopted"), outside);
  found.clear();
  EXPECT_FALSE(Manager().IsHasWeChatRunByWeChatPC(found));
  ASSERT_TRUE(Manager().RunWeChat("new"));
  EXPECT_NE(ProcessOf("new"), outside);

  EXPECT_TRUE(Manager().StopWeChat("adopted"));
  WaitForSingleObject(info.hProcess, 2000);
  EXPECT_FALSE(ProcessAlive(outside));
  CloseHandle(info.hProcess);
}

// On a shared machine, another user's client started from that user's desktop (or left
// orphaned) is not ours: only this user's processes are looked at.
TEST_F(Detection, AnotherUsersClientIsNotReported) {
  const unsigned int other = win32::CurrentUserId() + 1;
  win32::SetProcessTableSource([=] {
    return std::vector<win32::TProcessRow>{{1, 0, "systemd", other},
                                           {500, 1, "explorer.exe", other},
                                           {501, 500, "WeChat.exe", other},
                                           {502, 1, "WeChat.exe", other}};
  });
  std::vector<DWORD> found;
  EXPECT_FALSE(Manager().IsHasWeChatRunByWeChatPC(found));
  EXPECT_TRUE(found.empty());
  // The same table as this user's own: both would count.
  m_desktop.AddWindow(kWeChatLoginWndClass, 501, {0, 0, 300, 400});
  win32::SetProcessTableSource([] {
    return std::vector<win32::TProcessRow>{
        {1, 0, "systemd"}, {500, 1, "explorer.exe"}, {501, 500, "WeChat.exe"}};
  });
  EXPECT_TRUE(Manager().IsHasWeChatRunByWeChatPC(found));
  EXPECT_EQ(found, std::vector<DWORD>{501});
}

TEST_F(Detection, ACopyStartedByTheWorkbenchIsNotIndependent) {
  ASSERT_TRUE(Manager().RunWeChat("ours"));
  const DWORD pid = ProcessOf("ours");
  win32::SetProcessTableSource([=] {
    return std::vector<win32::TProcessRow>{{1, 0, "systemd"},
                                           {600, 1, "gnome-shell"},
                                           {GetCurrentProcessId(), 600, "tests"},
                                           {pid, GetCurrentProcessId(), "fakeclient"}};
  });
  std::vector<DWORD> found;
  EXPECT_FALSE(Manager().IsHasWeChatRunByWeChatPC(found));
}

}  // namespace
}  // namespace wechat_test
