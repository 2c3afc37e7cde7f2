// The hook's bookkeeping without X: keys in and out, bad keys refused. Clicks into an
// embedded copy are tested end to end (X11DesktopTest).
#include "platform/hook/MouseHook.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

const bool kNoDisplay = (unsetenv("DISPLAY"), true);  // the watcher finds no server

TEST(MouseHook, KeysAreHookedAndUnhookedOnce) {
  EXPECT_EQ(fnhookmouse("{A}", 100), 0);
  EXPECT_EQ(fnhookmouse("{A}", 101), 0);  // replaces the process
  EXPECT_EQ(fnunhookmouse("{A}"), 0);
  EXPECT_EQ(fnunhookmouse("{A}"), -1);
  EXPECT_EQ(fnunhookmouse("{never}"), -1);
  hook::ShutdownMouseHook();
}

TEST(MouseHook, NullAndEmptyKeysAreRefused) {
  EXPECT_EQ(fnhookmouse(nullptr, 1), -1);
  EXPECT_EQ(fnhookmouse("", 1), -1);
  EXPECT_EQ(fnunhookmouse(nullptr), -1);
  EXPECT_EQ(fnunhookmouse(""), -1);
}

TEST(MouseHook, WithoutAnXServerItNeverListens) {
  EXPECT_FALSE(hook::WaitUntilMouseHookListens(0));  // nothing hooked, nothing watches
  ASSERT_EQ(fnhookmouse("{B}", 100), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(hook::WaitUntilMouseHookListens(10000));
  // It says so once the watcher has given up, not when the time is up.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(fnunhookmouse("{B}"), 0);
  hook::ShutdownMouseHook();
  EXPECT_FALSE(hook::WaitUntilMouseHookListens(0));
}

TEST(MouseHook, ManyThreadsHookAndShutDownCleanly) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) {
        const std::string key = "{" + std::to_string(t) + "-" + std::to_string(i) + "}";
        fnhookmouse(key.c_str(), static_cast<DWORD>(i + 1));
        fnunhookmouse(key.c_str());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  hook::ShutdownMouseHook();
  hook::ShutdownMouseHook();                // twice is harmless
  EXPECT_EQ(fnhookmouse("{after}", 5), 0);  // and the hook starts again
  EXPECT_EQ(fnunhookmouse("{after}"), 0);
  hook::ShutdownMouseHook();
}

}  // namespace
