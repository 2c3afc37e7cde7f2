// ReadProcessUsage: memory and processor time of a process and everything it started.
#include "platform/win32/KernelObject.h"
#include "platform/win32/Process.h"
#include "platform/win32/ProcessUsage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

struct TChild {
  PROCESS_INFORMATION info{};
  ~TChild() {
    if (!info.hProcess) return;
    TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
};

bool startGroup(const std::string& commandLine, TChild& child) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string line = commandLine;
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP,
                        nullptr, nullptr, &startup, &child.info);
}

// Polls (bounded) until the process tree of pid counts `processes`.
bool countsWithin(DWORD pid, int processes, int milliseconds) {
  for (int waited = 0; waited <= milliseconds; waited += 10) {
    win32::TProcessUsage usage;
    if (win32::ReadProcessUsage(pid, usage) && usage.nProcesses == processes) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(ProcessUsage, OwnProcessHasMemoryAndItsProcessorTimeGrows) {
  win32::TProcessUsage before;
  ASSERT_TRUE(win32::ReadProcessUsage(static_cast<DWORD>(::getpid()), before));
  EXPECT_GE(before.nProcesses, 1);
  EXPECT_GT(before.nResidentBytes, 1024u * 1024u);
  // Work until the kernel has charged at least one more clock tick (bounded by a count).
  win32::TProcessUsage after;
  volatile unsigned long long sink = 0;
  for (int round = 0; round < 2000; ++round) {
    for (int i = 0; i < 1'000'000; ++i) sink = sink + static_cast<unsigned long long>(i);
    ASSERT_TRUE(win32::ReadProcessUsage(static_cast<DWORD>(::getpid()), after));
    if (after.nCpuTime100ns > before.nCpuTime100ns) break;
  }
  EXPECT_GT(after.nCpuTime100ns, before.nCpuTime100ns);
}

TEST(ProcessUsage, DescendantsOfALauncherAreCounted) {
  TChild child;
  // A launcher shell that starts two programs and waits: three processes in all.
  ASSERT_TRUE(startGroup("sh -c \"sleep 30 & sleep 30 & wait\"", child));
  EXPECT_TRUE(countsWithin(child.info.dwProcessId, 3, 5000));
  win32::TProcessUsage usage;
  ASSERT_TRUE(win32::ReadProcessUsage(child.info.dwProcessId, usage));
  EXPECT_GT(usage.nResidentBytes, 0u);
}

TEST(ProcessUsage, ACommandNameWithParenthesesAndBlanksIsRead) {
  testing_support::TempDir dir;
  const std::string odd = dir.file("a) b (c");
  std::filesystem::create_symlink("/bin/sleep", odd);
  TChild child;
  ASSERT_TRUE(startGroup("\"" + odd + "\" 30", child));
  EXPECT_TRUE(countsWithin(child.info.dwProcessId, 1, 5000));
}

TEST(ProcessUsage, NoSuchProcessFails) {
  win32::TProcessUsage usage;
  usage.nProcesses = 7;
  SetLastError(0);
  EXPECT_FALSE(win32::ReadProcessUsage(0x7FFFFFF0u, usage));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(usage.nProcesses, 0);
}

}  // namespace
