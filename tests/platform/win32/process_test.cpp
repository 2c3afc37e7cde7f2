// Processes and snapshots on real child processes: start, wait, exit codes, termination,
// reaping (no zombies), command-line splitting, the image path and /proc snapshots.
#include "platform/win32/Process.h"
#include "platform/win32/Sync.h"
#include "platform/win32/Toolhelp.h"
#include "tests/support/Processes.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using testing_support::ReadText;

struct TStarted {
  PROCESS_INFORMATION info{};
  bool ok = false;
};

TStarted Start(const std::string& commandLine, bool hidden = false, DWORD flags = 0) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (hidden) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = 0;
  }
  std::string line = commandLine;
  TStarted started;
  started.ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                              nullptr, &startup, &started.info);
  return started;
}

void Close(const TStarted& started) {
  CloseHandle(started.info.hProcess);
  CloseHandle(started.info.hThread);
}

// 'Z' for a zombie, 0 when the process is gone.
char StateOf(DWORD pid) {
  return testing_support::ProcessState(static_cast<int>(pid));
}

bool GoneWithin(DWORD pid, int milliseconds) {
  for (int waited = 0; waited < milliseconds; waited += 10) {
    if (StateOf(pid) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(CreateProcess, QuotedPathAndArgumentsAreSplitAsOnWindows) {
  testing_support::TempDir dir;
  const std::string folder = dir.file("a b");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string script = folder + "/print args";
  testing_support::WriteText(
      script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done > \"$OUT\"\n");
  ASSERT_EQ(chmod(script.c_str(), 0755), 0);
  setenv("OUT", dir.file("args.txt").c_str(), 1);
  TStarted started = Start("\"" + script + "\" one \"two words\" a\\\"q\\\\\" back\\slash");
  ASSERT_TRUE(started.ok);
  EXPECT_EQ(WaitForSingleObject(started.info.hProcess, 5000), WAIT_OBJECT_0);
  // \" is a quote; \\" is one backslash and an opening quote that groups the rest.
  EXPECT_EQ(ReadText(dir.file("args.txt")), "one|two words|a\"q\\ back\\slash|");
  EXPECT_EQ(started.info.dwThreadId, started.info.dwProcessId);
  Close(started);
  unsetenv("OUT");
}

TEST(CreateProcess, ExitCodeIsStillActiveThenTheProgramsCode) {
  TStarted started = Start("/bin/sh -c \"sleep 0.2; exit 7\"");
  ASSERT_TRUE(started.ok);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(started.info.hProcess, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(started.info.hProcess, 50), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(started.info.hThread, 5000), WAIT_OBJECT_0);  // either handle
  ASSERT_TRUE(GetExitCodeProcess(started.info.hProcess, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_EQ(StateOf(started.info.dwProcessId), 0);  // reaped
  Close(started);
}

TEST(CreateProcess, MissingProgramFailsWithFileNotFound) {
  TStarted started = Start("\"/no/such/dir/WeChat.exe\"");
  EXPECT_FALSE(started.ok);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  started = Start("");
  EXPECT_FALSE(started.ok);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(CreateProcess, HiddenStartIsPassedToTheChild) {
  testing_support::TempDir dir;
  const std::string out = dir.file("env.txt");
  TStarted started = Start("/bin/sh -c \"echo ${TC_START_HIDDEN:-no} > " + out + "\"", true);
  ASSERT_TRUE(started.ok);
  WaitForSingleObject(started.info.hProcess, 5000);
  EXPECT_EQ(ReadText(out), "1\n");
  Close(started);
  started = Start("/bin/sh -c \"echo ${TC_START_HIDDEN:-no} > " + out + "\"", false);
  WaitForSingleObject(started.info.hProcess, 5000);
  EXPECT_EQ(ReadText(out), "no\n");
  Close(started);
}

// A descriptor of ours without close-on-exec (a socket libcurl or a server library opened)
// does not reach the child: a long-lived child would keep the connection open after we
// closed it.
TEST(CreateProcess, TheChildInheritsNoDescriptorBeyondTheStandardThree) {
  testing_support::TempDir dir;
  int ends[2] = {-1, -1};
  ASSERT_EQ(::pipe(ends), 0);
  const std::string out = dir.file("fds.txt");
  TStarted started = Start("/bin/sh -c \"ls /proc/self/fd > " + out + "; test -e /proc/self/fd/" +
                           std::to_string(ends[1]) + " && echo inherited >> " + out + "\"");
  ASSERT_TRUE(started.ok);
  EXPECT_EQ(WaitForSingleObject(started.info.hProcess, 5000), WAIT_OBJECT_0);
  Close(started);
  ::close(ends[0]);
  ::close(ends[1]);
  EXPECT_EQ(ReadText(out).find("inherited"), std::string::npos) << ReadText(out);
}

TEST(TerminateProcess, KillsReapsAndReportsTheGivenCode) {
  TStarted started = Start("/bin/sleep 30");
  ASSERT_TRUE(started.ok);
  EXPECT_TRUE(TerminateProcess(started.info.hProcess, 0));
  EXPECT_EQ(WaitForSingleObject(started.info.hProcess, 0), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(started.info.hProcess, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(GoneWithin(started.info.dwProcessId, 1000));
  EXPECT_FALSE(TerminateProcess(started.info.hProcess, 0));  // already gone
  Close(started);
  EXPECT_FALSE(TerminateProcess(started.info.hProcess, 0));  // closed handle
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(TerminateProcess, ChildIsReapedWhenItsHandlesAreClosedFirst) {
  TStarted started = Start("/bin/sleep 0.3");
  ASSERT_TRUE(started.ok);
  const DWORD pid = started.info.dwProcessId;
  Close(started);
  EXPECT_TRUE(GoneWithin(pid, 3000)) << "state " << StateOf(pid);
}

TEST(OpenProcess, SharesTheChildAndRefusesUnknownIds) {
  TStarted started = Start("/bin/sleep 30");
  ASSERT_TRUE(started.ok);
  HANDLE opened = OpenProcess(PROCESS_ALL_ACCESS, FALSE, started.info.dwProcessId);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(GetProcessId(opened), started.info.dwProcessId);
  Close(started);
  EXPECT_TRUE(TerminateProcess(opened, 3));
  DWORD code = 0;
  GetExitCodeProcess(opened, &code);
  EXPECT_EQ(code, 3u);
  CloseHandle(opened);
  EXPECT_TRUE(GoneWithin(started.info.dwProcessId, 1000));
  EXPECT_EQ(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, 0), nullptr);
  EXPECT_EQ(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, 0x7FFFFFF0), nullptr);
}

TEST(OpenProcess, WaitsOnAProcessThatIsNotOurChild) {
  // The shell's child is our grandchild: it can be waited on, not reaped.
  testing_support::TempDir dir;
  const std::string pidFile = dir.file("pid");
  TStarted shell = Start("/bin/sh -c \"sleep 0.3 & echo $! > " + pidFile + "; wait\"");
  ASSERT_TRUE(shell.ok);
  std::string text;
  for (int i = 0; i < 200 && (text = ReadText(pidFile)).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const DWORD grandChild = static_cast<DWORD>(std::atoi(text.c_str()));
  ASSERT_GT(grandChild, 0u);
  EXPECT_TRUE(win32::IsProcessOrDescendant(grandChild, shell.info.dwProcessId));
  EXPECT_TRUE(win32::IsProcessOrDescendant(grandChild, static_cast<DWORD>(getpid())));
  EXPECT_FALSE(win32::IsProcessOrDescendant(static_cast<DWORD>(getpid()), grandChild));
  HANDLE opened = OpenProcess(SYNCHRONIZE, FALSE, grandChild);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(WaitForSingleObject(opened, 5000), WAIT_OBJECT_0);
  CloseHandle(opened);
  EXPECT_EQ(WaitForSingleObject(shell.info.hProcess, 5000), WAIT_OBJECT_0);
  Close(shell);
}

TEST(ImagePath, IsTheExecutableAndDrivesAreTheIdentity) {
  TStarted started = Start("/bin/sleep 5");
  ASSERT_TRUE(started.ok);
  char image[261] = {};
  ASSERT_GT(GetProcessImageFileNameA(started.info.hProcess, image, sizeof image), 0u);
  char expected[PATH_MAX] = {};
  ASSERT_NE(realpath("/bin/sleep", expected), nullptr);
  EXPECT_STREQ(image, expected);
  char tiny[4];
  EXPECT_EQ(GetProcessImageFileNameA(started.info.hProcess, tiny, sizeof tiny), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  TerminateProcess(started.info.hProcess, 0);
  Close(started);
  EXPECT_EQ(GetProcessImageFileNameA(nullptr, image, sizeof image), 0u);

  EXPECT_EQ(GetLogicalDriveStringsA(0, nullptr), 3u);
  char drives[16];
  ASSERT_EQ(GetLogicalDriveStringsA(sizeof drives, drives), 2u);
  EXPECT_STREQ(drives, "/");
  char device[260];
  ASSERT_GT(QueryDosDeviceA(drives, device, sizeof device), 0u);
  EXPECT_STREQ(device, "/");
  EXPECT_EQ(QueryDosDeviceA("/", device, 2), 0u);
}

TEST(Toolhelp, SnapshotListsUsAndOurChild) {
  TStarted started = Start("/bin/sleep 5");
  ASSERT_TRUE(started.ok);
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  bool sawSelf = false;
  bool sawChild = false;
  DWORD previous = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    EXPECT_GT(entry.th32ProcessID, previous);
    previous = entry.th32ProcessID;
    if (entry.th32ProcessID == static_cast<DWORD>(getpid())) {
      sawSelf = true;
      EXPECT_EQ(entry.th32ParentProcessID, static_cast<DWORD>(getppid()));
    }
    if (entry.th32ProcessID == started.info.dwProcessId) {
      sawChild = true;
      EXPECT_EQ(entry.th32ParentProcessID, static_cast<DWORD>(getpid()));
      EXPECT_STREQ(entry.szExeFile, "sleep");
    }
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(sawSelf);
  EXPECT_TRUE(sawChild);
  CloseHandle(snapshot);
  TerminateProcess(started.info.hProcess, 0);
  Close(started);
}

TEST(Toolhelp, FakeTableAndBadArguments) {
  win32::SetProcessTableSource([] {
    return std::vector<win32::TProcessRow>{
        {4, 1, "explorer.exe"}, {9, 4, "WeChat.exe"}, {10, 4, std::string(300, 'x')}};
  });
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  ASSERT_TRUE(Process32First(snapshot, &entry));
  EXPECT_STREQ(entry.szExeFile, "explorer.exe");
  ASSERT_TRUE(Process32Next(snapshot, &entry));
  EXPECT_EQ(entry.th32ProcessID, 9u);
  EXPECT_EQ(entry.th32ParentProcessID, 4u);
  ASSERT_TRUE(Process32Next(snapshot, &entry));
  EXPECT_EQ(std::string(entry.szExeFile).size(), static_cast<std::size_t>(MAX_PATH - 1));  // cut
  EXPECT_FALSE(Process32Next(snapshot, &entry));
  ASSERT_TRUE(Process32First(snapshot, &entry));  // First starts over
  EXPECT_EQ(entry.th32ProcessID, 4u);
  entry.dwSize = 8;
  EXPECT_FALSE(Process32First(snapshot, &entry));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  CloseHandle(snapshot);
  EXPECT_FALSE(Process32First(snapshot, &entry));
  win32::SetProcessTableSource(nullptr);
  EXPECT_EQ(CreateToolhelp32Snapshot(0, 0), INVALID_HANDLE_VALUE);
  win32::SetProcessTableSource([] { return std::vector<win32::TProcessRow>{}; });
  snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  entry.dwSize = sizeof entry;
  EXPECT_FALSE(Process32First(snapshot, &entry));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  CloseHandle(snapshot);
  win32::SetProcessTableSource(nullptr);
}

bool Alive(DWORD pid) {
  const char state = StateOf(pid);
  return state != 0 && state != 'Z';
}

// Kills a launcher's program whatever a test's outcome: a survivor would hold the test's
// output open for its whole sleep.
struct TProgramGuard {
  DWORD dwPid = 0;
  ~TProgramGuard() {
    if (dwPid) kill(static_cast<pid_t>(dwPid), SIGKILL);
  }
};

// A launcher script's program: the pid the script wrote to `file` (bounded wait).
DWORD LaunchedPid(const std::string& file) {
  for (int waited = 0; waited < 5000; waited += 10) {
    const std::string text = ReadText(file);
    if (!text.empty() && text.back() == '\n') return static_cast<DWORD>(std::stoul(text));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

TEST(ProcessGroup, StoppingALauncherStopsTheProgramItStarted) {
  testing_support::TempDir dir;
  const std::string file = dir.file("pid");
  TStarted launcher = Start("/bin/sh -c \"sleep 60 & echo $! > " + file + "; wait\"", false,
                            CREATE_NEW_PROCESS_GROUP);
  ASSERT_TRUE(launcher.ok);
  const DWORD program = LaunchedPid(file);
  ASSERT_NE(program, 0u);
  TProgramGuard guard{program};
  EXPECT_TRUE(TerminateProcess(launcher.info.hProcess, 0));
  EXPECT_EQ(WaitForSingleObject(launcher.info.hProcess, 0), WAIT_OBJECT_0);
  EXPECT_FALSE(Alive(program));  // killed; its parent was the launcher
  Close(launcher);
}

TEST(ProcessGroup, TheGroupIsStoppedAfterItsLauncherHasEnded) {
  testing_support::TempDir dir;
  const std::string file = dir.file("pid");
  TStarted launcher =
      Start("/bin/sh -c \"sleep 60 & echo $! > " + file + "\"", false, CREATE_NEW_PROCESS_GROUP);
  ASSERT_TRUE(launcher.ok);
  const DWORD program = LaunchedPid(file);
  ASSERT_NE(program, 0u);
  TProgramGuard guard{program};
  ASSERT_EQ(WaitForSingleObject(launcher.info.hProcess, 5000), WAIT_OBJECT_0);
  ASSERT_TRUE(Alive(program));
  EXPECT_TRUE(TerminateProcess(launcher.info.hProcess, 0));
  EXPECT_FALSE(Alive(program));
  Close(launcher);
}

TEST(ProcessGroup, WithoutTheFlagOnlyTheProcessItselfIsStopped) {
  testing_support::TempDir dir;
  const std::string file = dir.file("pid");
  TStarted launcher = Start("/bin/sh -c \"sleep 60 & echo $! > " + file + "; wait\"");
  ASSERT_TRUE(launcher.ok);
  const DWORD program = LaunchedPid(file);
  ASSERT_NE(program, 0u);
  TProgramGuard guard{program};
  EXPECT_TRUE(TerminateProcess(launcher.info.hProcess, 0));
  EXPECT_TRUE(Alive(program));
  Close(launcher);
}

}  // namespace
