// Posted and sent messages, timers, the main loop and nested modal loops.
#include "tests/platform/ui/window_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>

using uitest::Backend;
using uitest::CRecordingWnd;
using uitest::PumpUntil;

namespace {

const UINT kUserMsg = WM_USER + 1;

HWND MakeWindow(CRecordingWnd& wnd, HWND owner = nullptr, DWORD style = WS_POPUP) {
  return wnd.Create(owner, "test", style, 0, 10, 10, 200, 100);
}

TEST(MessageQueue, PostsFromEightThreadsArriveCompleteAndInPerThreadOrder) {
  constexpr int kThreads = 8;
  constexpr int kPerThread = 2000;
  CRecordingWnd wnd;
  std::map<WPARAM, std::vector<LPARAM>> received;
  int total = 0;
  wnd.handler = [&](CRecordingWnd&, UINT msg, WPARAM w, LPARAM l, LRESULT*) {
    if (msg != kUserMsg) return false;
    received[w].push_back(l);
    if (++total == kThreads * kPerThread) Backend().PostQuit(0);
    return true;
  };
  const HWND hwnd = MakeWindow(wnd);
  ASSERT_NE(hwnd, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([hwnd, t] {
      for (int i = 0; i < kPerThread; ++i)
        Backend().Post(hwnd, kUserMsg, static_cast<WPARAM>(t), i);
    });
  }
  EXPECT_EQ(DuiLib::RunMessageLoop(), 0);
  for (auto& thread : threads) thread.join();
  ASSERT_EQ(received.size(), static_cast<size_t>(kThreads));
  for (const auto& [thread, sequence] : received) {
    ASSERT_EQ(sequence.size(), static_cast<size_t>(kPerThread)) << "thread " << thread;
    for (int i = 0; i < kPerThread; ++i) ASSERT_EQ(sequence[i], i) << "thread " << thread;
  }
}

TEST(MessageQueue, PostIsDeliveredLaterAndSendAtOnce) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd);
  wnd.messages.clear();
  EXPECT_TRUE(Backend().Post(hwnd, kUserMsg, 1, 2));
  EXPECT_EQ(wnd.Count(kUserMsg), 0);
  wnd.handler = [](CRecordingWnd&, UINT msg, WPARAM w, LPARAM l, LRESULT* r) {
    if (msg != WM_USER + 2) return false;
    *r = static_cast<LRESULT>(w + l);
    return true;
  };
  EXPECT_EQ(Backend().Send(hwnd, WM_USER + 2, 40, 2), 42);
  EXPECT_EQ(wnd.Count(WM_USER + 2), 1);
  EXPECT_TRUE(PumpUntil([&] { return wnd.Count(kUserMsg) == 1; }));
  // The posted message came after the sent one although it was queued first.
  EXPECT_LT(wnd.IndexOf(WM_USER + 2), wnd.IndexOf(kUserMsg));
}

TEST(MessageQueue, SendFromWorkerThreadRunsOnGuiThreadAndWaits) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd);
  std::thread::id handlerThread;
  wnd.handler = [&](CRecordingWnd&, UINT msg, WPARAM, LPARAM, LRESULT* r) {
    if (msg != WM_COPYDATA) return false;
    handlerThread = std::this_thread::get_id();
    *r = 7;
    return true;
  };
  std::atomic<LRESULT> result{0};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    COPYDATASTRUCT data{0, 3, const_cast<char*>("abc")};
    result = Backend().Send(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(result.load(), 7);
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST(MessageQueue, CopyDataArrivesWithItsBlock) {
  CRecordingWnd wnd;
  std::string text;
  wnd.handler = [&](CRecordingWnd&, UINT msg, WPARAM, LPARAM l, LRESULT* r) {
    if (msg != WM_COPYDATA) return false;
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l);
    text.assign(static_cast<const char*>(data->lpData), data->cbData);
    *r = TRUE;
    return true;
  };
  const HWND hwnd = MakeWindow(wnd);
  char bytes[] = {'0'};
  COPYDATASTRUCT data{0, 1, bytes};
  EXPECT_EQ(wnd.SendMessage(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), TRUE);
  EXPECT_EQ(text, "0");
  static_cast<void>(hwnd);
}

TEST(MessageQueue, MessagesToADestroyedWindowAreDropped) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd);
  EXPECT_TRUE(Backend().Post(hwnd, kUserMsg, 0, 0));
  EXPECT_TRUE(Backend().Destroy(hwnd));
  EXPECT_EQ(wnd.GetHWND(), nullptr);
  EXPECT_FALSE(Backend().IsOwn(hwnd));
  EXPECT_FALSE(Backend().Post(hwnd, kUserMsg, 0, 0));
  EXPECT_EQ(Backend().Send(hwnd, kUserMsg, 0, 0), 0);
  DuiLib::PumpMessages();
  EXPECT_EQ(wnd.Count(kUserMsg), 0);
}

TEST(Timers, FirePerWindowAndIdUntilKilled) {
  CRecordingWnd a, b;
  const HWND ha = MakeWindow(a);
  const HWND hb = MakeWindow(b);
  EXPECT_EQ(Backend().SetTimer(ha, 1, 5), 1u);
  EXPECT_EQ(Backend().SetTimer(ha, 2, 5), 2u);
  EXPECT_EQ(Backend().SetTimer(hb, 1, 5), 1u);
  auto fired = [](const CRecordingWnd& w, WPARAM id) {
    int n = 0;
    for (const auto& m : w.Only(WM_TIMER)) n += m.wParam == id ? 1 : 0;
    return n;
  };
  EXPECT_TRUE(PumpUntil([&] { return fired(a, 1) >= 3 && fired(a, 2) >= 3 && fired(b, 1) >= 3; }));
  EXPECT_TRUE(Backend().KillTimer(ha, 1));
  EXPECT_FALSE(Backend().KillTimer(ha, 1));
  const int before = fired(a, 1);
  const int otherBefore = fired(a, 2);
  EXPECT_TRUE(PumpUntil([&] { return fired(a, 2) >= otherBefore + 3; }));
  EXPECT_EQ(fired(a, 1), before);
  for (const auto& m : a.Only(WM_TIMER)) EXPECT_EQ(m.lParam, 0);
}

TEST(Timers, SettingAnExistingTimerRestartsItAndDestroyStopsAll) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd);
  Backend().SetTimer(hwnd, 4, 3000);
  Backend().SetTimer(hwnd, 4, 5);  // the new period holds
  EXPECT_TRUE(PumpUntil([&] { return wnd.Count(WM_TIMER) >= 2; }, 2000));
  Backend().Destroy(hwnd);
  const int count = wnd.Count(WM_TIMER);
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(wnd.Count(WM_TIMER), count);
  EXPECT_EQ(Backend().SetTimer(hwnd, 1, 5), 0u);
}

TEST(Timers, TimerFromWorkerThreadStartsOnGuiThread) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd);
  std::thread([hwnd] { EXPECT_EQ(Backend().SetTimer(hwnd, 9, 5), 9u); }).join();
  EXPECT_TRUE(PumpUntil([&] { return wnd.Count(WM_TIMER) >= 1; }));
  EXPECT_EQ(wnd.Only(WM_TIMER).front().wParam, 9u);
}

TEST(ModalLoop, ShowModalReturnsTheCodeGivenToClose) {
  CRecordingWnd wnd;
  wnd.handler = [](CRecordingWnd& w, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg == WM_TIMER) w.Close(7);
    return false;
  };
  const HWND hwnd = MakeWindow(wnd);
  Backend().SetTimer(hwnd, 1, 5);
  EXPECT_EQ(wnd.ShowModal(), 7u);
  EXPECT_EQ(wnd.GetHWND(), nullptr);
  EXPECT_GE(wnd.Count(WM_DESTROY), 1);
  EXPECT_EQ(DuiLib::MessageLoopDepth(), 0);
}

TEST(ModalLoop, CloseWithoutCodeGivesIdOk) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd);
  wnd.Close();
  EXPECT_EQ(wnd.ShowModal(), static_cast<UINT>(IDOK));
  static_cast<void>(hwnd);
}

TEST(ModalLoop, ShowModalDisablesTheOwnerUntilItEnds) {
  CRecordingWnd owner, dialog;
  const HWND hOwner = MakeWindow(owner);
  const HWND hDialog = MakeWindow(dialog, hOwner);
  EXPECT_EQ(Backend().Owner(hDialog), hOwner);
  BOOL ownerEnabledInside = TRUE;
  dialog.handler = [&](CRecordingWnd& w, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg == kUserMsg) {
      ownerEnabledInside = Backend().IsEnabled(hOwner);
      w.Close(3);
    }
    return false;
  };
  dialog.PostMessage(kUserMsg);
  EXPECT_EQ(dialog.ShowModal(), 3u);
  EXPECT_FALSE(ownerEnabledInside);
  EXPECT_TRUE(Backend().IsEnabled(hOwner));
}

TEST(ModalLoop, HeapWindowDeletingItselfStillGivesItsCode) {
  auto* wnd = new CRecordingWnd;
  bool deleted = false;
  wnd->onFinal = [&](HWND) {
    deleted = true;
    delete wnd;
  };
  wnd->handler = [](CRecordingWnd& w, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg == kUserMsg) w.Close(1);
    return false;
  };
  MakeWindow(*wnd);
  wnd->PostMessage(kUserMsg);
  EXPECT_EQ(wnd->ShowModal(), 1u);
  EXPECT_TRUE(deleted);
}

// The main loop opens A modally, A opens B, B posts the quit: B's loop ends first (result 0),
// then A's, then the main loop, which returns the quit's code.
TEST(ModalLoop, QuitEndsTheInnermostLoopFirstThenTheEnclosingOnes) {
  CRecordingWnd main, a, b;
  std::vector<std::string> order;
  UINT resultA = 99, resultB = 99;
  const HWND hMain = MakeWindow(main);
  main.handler = [&](CRecordingWnd&, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg != kUserMsg) return false;
    MakeWindow(a, hMain);
    a.PostMessage(kUserMsg);
    order.push_back("A opens");
    resultA = a.ShowModal();
    order.push_back("A returned");
    return true;
  };
  a.handler = [&](CRecordingWnd& self, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg != kUserMsg) return false;
    MakeWindow(b, self.GetHWND());
    b.PostMessage(kUserMsg);
    order.push_back("B opens");
    resultB = b.ShowModal();
    order.push_back("B returned");
    return true;
  };
  b.handler = [&](CRecordingWnd&, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg != kUserMsg) return false;
    Backend().PostQuit(5);
    return true;
  };
  main.PostMessage(kUserMsg);
  const int code = DuiLib::RunMessageLoop();
  order.push_back("main returned");
  EXPECT_EQ(code, 5);
  EXPECT_EQ(resultA, 0u);
  EXPECT_EQ(resultB, 0u);
  EXPECT_EQ(order, (std::vector<std::string>{"A opens", "B opens", "B returned", "A returned",
                                             "main returned"}));
  // Quit does not destroy the windows.
  EXPECT_NE(a.GetHWND(), nullptr);
  EXPECT_NE(b.GetHWND(), nullptr);
}

// Messages queued behind a quit are handled by the enclosing loop, after the inner one ended.
TEST(ModalLoop, MessagesBehindAQuitGoToTheEnclosingLoop) {
  CRecordingWnd outer, dialog;
  std::vector<std::string> order;
  const HWND hOuter = MakeWindow(outer);
  outer.handler = [&](CRecordingWnd&, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg == WM_USER + 9) order.push_back("late message");
    if (msg == WM_USER + 10) Backend().PostQuit(0);
    return false;
  };
  dialog.handler = [&](CRecordingWnd&, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg != kUserMsg) return false;
    Backend().PostQuit(0);
    Backend().Post(hOuter, WM_USER + 9, 0, 0);
    return true;
  };
  MakeWindow(dialog, hOuter);
  dialog.PostMessage(kUserMsg);
  outer.handler = [&, first = outer.handler](CRecordingWnd& w, UINT msg, WPARAM wp, LPARAM lp,
                                             LRESULT* r) {
    if (msg == WM_USER + 11) {
      dialog.ShowModal();
      order.push_back("modal returned");
      return true;
    }
    return first(w, msg, wp, lp, r);
  };
  outer.PostMessage(WM_USER + 11);
  DuiLib::RunMessageLoop();  // ended by the quit handed on from the modal loop
  outer.PostMessage(WM_USER + 10);
  DuiLib::RunMessageLoop();
  ASSERT_EQ(order.size(), 2u);
  EXPECT_EQ(order[0], "modal returned");
  EXPECT_EQ(order[1], "late message");
}

// As an update check does: WM_QUIT posted to the modal window, then Close(2); the quit comes
// first, so the modal result is 0, not 2.
TEST(ModalLoop, QuitPostedToTheWindowBeatsALaterClose) {
  CRecordingWnd splash;
  splash.handler = [](CRecordingWnd& w, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg != WM_TIMER) return false;
    Backend().KillTimer(w.GetHWND(), 2);
    Backend().Post(w.GetHWND(), WM_QUIT, 0, 0);
    w.Close(2);
    return true;
  };
  const HWND hwnd = MakeWindow(splash);
  Backend().SetTimer(hwnd, 2, 5);
  EXPECT_EQ(splash.ShowModal(), 0u);
}

TEST(ModalLoop, AQuitWithoutLoopEndsTheNextLoopAtOnce) {
  CRecordingWnd wnd;
  MakeWindow(wnd);
  Backend().PostQuit(3);
  DuiLib::PumpMessages();  // delivered while no loop runs: kept
  EXPECT_EQ(DuiLib::RunMessageLoop(), 3);
  wnd.Close(4);
  EXPECT_EQ(wnd.ShowModal(), 4u);  // the quit was used up
}

TEST(ModalLoop, DestroyingTheWindowEndsItsModalLoop) {
  CRecordingWnd wnd;
  wnd.handler = [](CRecordingWnd& w, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg == kUserMsg) Backend().Destroy(w.GetHWND());
    return false;
  };
  MakeWindow(wnd);
  wnd.PostMessage(kUserMsg);
  EXPECT_EQ(wnd.ShowModal(), 0u);
}

TEST(RegisteredMessages, AreStablePerNameAndInTheRegisteredRange) {
  const UINT tray = RegisterWindowMessageA("WM_TRAYICON");
  EXPECT_GE(tray, 0xC000u);
  EXPECT_EQ(RegisterWindowMessageA("WM_TRAYICON"), tray);
  EXPECT_NE(RegisterWindowMessageA("OTHER"), tray);
}

}  // namespace
