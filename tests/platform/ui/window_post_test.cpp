// The road from worker threads to a window: callables and owned payloads, each destroyed
// exactly once whether it is delivered or not.
#include "platform/win32/WindowPost.h"
#include "tests/platform/ui/window_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using uitest::Backend;
using uitest::CRecordingWnd;
using uitest::PumpUntil;

namespace {

const UINT kOwnedMsg = WM_USER + 0x30;
const UINT kPlainMsg = WM_USER + 0x31;

struct TTally {
  std::atomic<int> runs{0};
  std::atomic<int> destroyed{0};
};

// Counts its destruction once, in whichever copy ends up owning it.
class CTracked {
 public:
  explicit CTracked(TTally* tally) : m_tally(tally) {}
  CTracked(CTracked&& other) noexcept : m_tally(std::exchange(other.m_tally, nullptr)) {}
  CTracked& operator=(CTracked&&) = delete;
  ~CTracked() {
    if (m_tally) ++m_tally->destroyed;
  }

 private:
  TTally* m_tally;
};

auto CountingCall(TTally& tally) {
  return [tracked = CTracked(&tally), &tally] { ++tally.runs; };
}

HWND MakeWindow(CRecordingWnd& wnd) {
  Backend();
  return wnd.Create(nullptr, "post", WS_POPUP, 0, 10, 10, 100, 60);
}

TEST(WindowPost, ACallableRunsOnceOnTheGuiThreadAndIsThenDestroyed) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd);
  ASSERT_NE(hwnd, nullptr);
  TTally tally;
  std::thread::id ranOn;
  const std::thread::id gui = std::this_thread::get_id();
  std::thread([&] {
    EXPECT_TRUE(win32::PostCall(hwnd, [tracked = CTracked(&tally), &tally, &ranOn] {
      ranOn = std::this_thread::get_id();
      ++tally.runs;
    }));
  }).join();
  EXPECT_EQ(tally.runs, 0);
  ASSERT_TRUE(PumpUntil([&] { return tally.destroyed == 1; }));
  EXPECT_EQ(tally.runs, 1);
  EXPECT_EQ(ranOn, gui);
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(tally.runs, 1);
  EXPECT_EQ(tally.destroyed, 1);
}

TEST(WindowPost, AnOwnedPayloadReachesTheHandlerInOrderAndTheHandlerOwnsIt) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd);
  ASSERT_NE(hwnd, nullptr);
  TTally tally;
  std::vector<std::string> order;
  wnd.handler = [&](CRecordingWnd&, UINT msg, WPARAM w, LPARAM l, LRESULT*) {
    if (msg == kPlainMsg) order.push_back("plain " + std::to_string(w));
    if (msg != kOwnedMsg) return false;
    std::unique_ptr<std::string> key(reinterpret_cast<std::string*>(w));
    std::unique_ptr<CTracked> payload(reinterpret_cast<CTracked*>(l));
    order.push_back("owned " + *key);
    ++tally.runs;
    return true;
  };
  ASSERT_TRUE(PostMessageA(hwnd, kPlainMsg, 1, 0));
  ASSERT_TRUE(win32::PostOwned(hwnd, kOwnedMsg, std::make_unique<std::string>("key"),
                               std::make_unique<CTracked>(&tally)));
  ASSERT_TRUE(PostMessageA(hwnd, kPlainMsg, 2, 0));
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 3; }));
  EXPECT_EQ(order, (std::vector<std::string>{"plain 1", "owned key", "plain 2"}));
  EXPECT_EQ(tally.runs, 1);
  EXPECT_EQ(tally.destroyed, 1);
}

TEST(WindowPost, APlainParameterTravelsAsItIs) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd);
  ASSERT_NE(hwnd, nullptr);
  std::string key;
  LPARAM window = 0;
  wnd.handler = [&](CRecordingWnd&, UINT msg, WPARAM w, LPARAM l, LRESULT*) {
    if (msg != kOwnedMsg) return false;
    key = *std::unique_ptr<std::string>(reinterpret_cast<std::string*>(w));
    window = l;
    return true;
  };
  ASSERT_TRUE(win32::PostOwned(hwnd, kOwnedMsg, std::make_unique<std::string>("k"),
                               static_cast<LPARAM>(0x1234)));
  ASSERT_TRUE(PumpUntil([&] { return window != 0; }));
  EXPECT_EQ(key, "k");
  EXPECT_EQ(window, 0x1234);
}

TEST(WindowPost, AWindowDestroyedBeforeDeliveryFreesWhatWaitedForItOnce) {
  TTally calls;
  TTally payloads;
  {
    CRecordingWnd wnd;
    const HWND hwnd = MakeWindow(wnd);
    ASSERT_NE(hwnd, nullptr);
    wnd.handler = [&](CRecordingWnd&, UINT msg, WPARAM, LPARAM, LRESULT*) {
      if (msg == kOwnedMsg) ++payloads.runs;
      return msg == kOwnedMsg;
    };
    ASSERT_TRUE(win32::PostCall(hwnd, CountingCall(calls)));
    ASSERT_TRUE(win32::PostOwned(hwnd, kOwnedMsg, std::make_unique<CTracked>(&payloads),
                                 static_cast<LPARAM>(0)));
    EXPECT_TRUE(DestroyWindow(hwnd));
    // Freed with the window, before any loop ran.
    EXPECT_EQ(calls.destroyed, 1);
    EXPECT_EQ(payloads.destroyed, 1);
  }
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(calls.runs, 0);
  EXPECT_EQ(payloads.runs, 0);
  EXPECT_EQ(calls.destroyed, 1);
  EXPECT_EQ(payloads.destroyed, 1);
}

TEST(WindowPost, APostToANullOrDeadWindowIsRefusedAndFreedAtOnce) {
  Backend();
  TTally tally;
  EXPECT_FALSE(win32::PostCall(nullptr, CountingCall(tally)));
  EXPECT_EQ(tally.destroyed, 1);
  HWND dead = nullptr;
  {
    CRecordingWnd wnd;
    dead = MakeWindow(wnd);
    ASSERT_NE(dead, nullptr);
    DestroyWindow(dead);
  }
  EXPECT_FALSE(win32::PostCall(dead, CountingCall(tally)));
  EXPECT_FALSE(win32::PostOwned(dead, kOwnedMsg, std::make_unique<CTracked>(&tally),
                                std::make_unique<CTracked>(&tally)));
  EXPECT_EQ(tally.destroyed, 4);
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(tally.runs, 0);
  EXPECT_EQ(tally.destroyed, 4);
}

TEST(WindowPost, PostsFromManyThreadsRunOrAreFreedExactlyOnceEach) {
  constexpr int kThreads = 8;
  constexpr int kPerThread = 500;
  TTally tally;
  std::vector<int> last(kThreads, -1);
  bool ordered = true;
  {
    CRecordingWnd wnd;
    const HWND hwnd = MakeWindow(wnd);
    ASSERT_NE(hwnd, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        for (int i = 0; i < kPerThread; ++i) {
          win32::PostCall(hwnd, [tracked = CTracked(&tally), &tally, &last, &ordered, t, i] {
            if (last[t] >= i) ordered = false;
            last[t] = i;
            ++tally.runs;
          });
        }
      });
    }
    // Half of them delivered, the rest (and whatever is still being posted) dropped with the
    // window.
    ASSERT_TRUE(PumpUntil([&] { return tally.runs >= kThreads * kPerThread / 2; }, 20000));
    DestroyWindow(hwnd);
    for (auto& thread : threads) thread.join();
  }
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(tally.destroyed, kThreads * kPerThread);
  EXPECT_GE(tally.runs, kThreads * kPerThread / 2);
  EXPECT_LE(tally.runs, kThreads * kPerThread);
  EXPECT_TRUE(ordered);
}

// Queued and never delivered because the process ends first: freed at exit.
TEST(WindowPostDeathTest, WhatIsStillQueuedAtExitIsFreed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        CRecordingWnd* wnd = new CRecordingWnd;  // left alive: only the exit drops the queue
        const HWND hwnd = MakeWindow(*wnd);
        struct CAnnounce {
          CAnnounce() = default;
          CAnnounce(CAnnounce&& other) noexcept : armed(std::exchange(other.armed, false)) {}
          ~CAnnounce() {
            if (armed) std::fputs("parcel freed\n", stderr);
          }
          bool armed = true;
        };
        if (!win32::PostCall(hwnd, [announce = CAnnounce()] { std::fputs("ran\n", stderr); }))
          std::_Exit(3);
        std::exit(0);
      },
      testing::ExitedWithCode(0), "parcel freed");
}

}  // namespace
