#include "platform/win32/Sync.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

TEST(Events, ManualResetReleasesEveryWaiterUntilReset) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 10), WAIT_TIMEOUT);
  std::atomic<int> woke{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 4; ++i)
    waiters.emplace_back([&] {
      if (WaitForSingleObject(event, 5000) == WAIT_OBJECT_0) ++woke;
    });
  SetEvent(event);
  for (auto& t : waiters) t.join();
  EXPECT_EQ(woke, 4);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  ResetEvent(event);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  CloseHandle(event);
}

TEST(Events, AutoResetReleasesOneWaiterPerSet) {
  HANDLE event = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  CloseHandle(event);
}

TEST(Events, ClosedOrBogusHandlesFailInsteadOfCrashing) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  EXPECT_TRUE(CloseHandle(event));
  EXPECT_FALSE(CloseHandle(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
  EXPECT_FALSE(SetEvent(reinterpret_cast<HANDLE>(0x1234)));
}

namespace {
DWORD WaitThenReturn(LPVOID parameter) {
  WaitForSingleObject(static_cast<HANDLE>(parameter), INFINITE);
  return 7;
}
}  // namespace

TEST(Threads, WaitOnAThreadEndsWhenItReturnsAndGivesItsExitCode) {
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, WaitThenReturn, go, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  SetEvent(go);
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 7u);
  CloseHandle(thread);
  CloseHandle(go);
}

namespace {
struct TGoAndDone {
  HANDLE go;
  HANDLE done;
};
DWORD WaitThenSignal(LPVOID parameter) {
  const auto* events = static_cast<TGoAndDone*>(parameter);
  WaitForSingleObject(events->go, INFINITE);
  SetEvent(events->done);
  return 7;
}
bool ThreadExists(DWORD id) {
  return std::filesystem::exists("/proc/self/task/" + std::to_string(id));
}
}  // namespace

TEST(Threads, ClosingTheHandleEarlyLetsTheThreadFinish) {
  TGoAndDone events{CreateEventA(nullptr, TRUE, FALSE, nullptr),
                    CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, WaitThenSignal, &events, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(CloseHandle(thread));
  // The thread holds a reference of its own: the object outlives the caller's handle.
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_TRUE(ThreadExists(id));
  SetEvent(events.go);
  EXPECT_EQ(WaitForSingleObject(events.done, 5000), WAIT_OBJECT_0) << "its body did not run on";
  // Finished, it drops that last reference, and the thread itself ends.
  EXPECT_TRUE(testing_support::WaitUntil(
      [&] { return !GetExitCodeThread(thread, &code) && !ThreadExists(id); }, 5000))
      << "thread " << id << " did not end or kept its object";
  CloseHandle(events.go);
  CloseHandle(events.done);
}

TEST(CriticalSections, AreRecursiveAndExclude) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  int counter = 0;
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t)
    workers.emplace_back([&] {
      for (int i = 0; i < 1000; ++i) {
        EnterCriticalSection(&section);
        EnterCriticalSection(&section);  // the owner may enter again
        ++counter;
        LeaveCriticalSection(&section);
        LeaveCriticalSection(&section);
      }
    });
  for (auto& t : workers) t.join();
  EXPECT_EQ(counter, 4000);
  DeleteCriticalSection(&section);
}

TEST(Time, SleepAndTickCountAgree) {
  const DWORD start = GetTickCount();
  Sleep(30);
  EXPECT_GE(GetTickCount() - start, 30u);
}
