#include "app/Startup.h"
#include "platform/win32/KernelObject.h"

#include "tests/support/Processes.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

struct Probe {
  pid_t pid = -1;
  std::string said;
};

// Starts the probe and reads its one line ("first" or "second").
Probe StartProbe(const std::string& name) {
  int pipeFds[2];
  EXPECT_EQ(::pipe(pipeFds), 0);
  Probe probe;
  probe.pid = ::fork();
  if (probe.pid == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::close(pipeFds[0]);
    const std::string exe = std::string(std::getenv("TC_TEST_BIN_DIR")) + "/single_instance_probe";
    ::execl(exe.c_str(), exe.c_str(), name.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  char buffer[32] = {};
  pollfd ready{pipeFds[0], POLLIN, 0};  // bounded: a probe that hangs says nothing
  const ssize_t n =
      ::poll(&ready, 1, 30000) > 0 ? ::read(pipeFds[0], buffer, sizeof buffer - 1) : 0;
  ::close(pipeFds[0]);
  if (n > 0) probe.said.assign(buffer, static_cast<size_t>(n));
  while (!probe.said.empty() && probe.said.back() == '\n') probe.said.pop_back();
  return probe;
}

int WaitExit(pid_t pid) {
  return testing_support::WaitForExit(pid, std::chrono::seconds(30));
}

std::string UniqueName() {
  return "TandemChatsTest" + std::to_string(::getpid());
}

}  // namespace

TEST(SingleInstance, SecondStartSeesTheFirstAndEndsWithCodeZero) {
  const std::string name = UniqueName() + "a";
  Probe first = StartProbe(name);
  EXPECT_EQ(first.said, "first");
  Probe second = StartProbe(name);
  EXPECT_EQ(second.said, "second");
  const int status = WaitExit(second.pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::kill(first.pid, SIGTERM);
  WaitExit(first.pid);
}

TEST(SingleInstance, AFirstInstanceKilledWithSigkillDoesNotBlockTheNextStart) {
  const std::string name = UniqueName() + "b";
  Probe first = StartProbe(name);
  ASSERT_EQ(first.said, "first");
  ::kill(first.pid, SIGKILL);
  WaitExit(first.pid);
  Probe next = StartProbe(name);
  EXPECT_EQ(next.said, "first");
  ::kill(next.pid, SIGKILL);
  WaitExit(next.pid);
}

TEST(SingleInstance, InProcessTheBlockCarriesTheWindowHandleAndDiesWithItsOwner) {
  const std::string name = UniqueName() + "c";
  HANDLE block = CheckSingleInstance(name.c_str());
  ASSERT_NE(block, nullptr);
  PublishInstanceWindow(block, ULong32ToHandle(0));  // no window: nothing is brought forward
  EXPECT_EQ(CheckSingleInstance(name.c_str()), nullptr);
  CloseHandle(block);
  HANDLE again = CheckSingleInstance(name.c_str());
  EXPECT_NE(again, nullptr);
  CloseHandle(again);
}

// The block is a file in the user's runtime folder, where no other user can make the name
// first; it goes with its owner.
TEST(SingleInstance, TheBlockLivesInThePrivateRuntimeFolder) {
  testing_support::TempDir runtime;
  ASSERT_EQ(::chmod(runtime.path().c_str(), 0700), 0);
  testing_support::ScopedEnv env("XDG_RUNTIME_DIR", runtime.path());
  const std::string name = UniqueName() + "d";
  HANDLE block = CheckSingleInstance(name.c_str());
  ASSERT_NE(block, nullptr);
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(runtime.path())) {
    ++files;
    EXPECT_EQ(entry.path().filename().string().rfind(name, 0), 0u) << entry.path();
    struct stat st {};
    ASSERT_EQ(::lstat(entry.path().c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
  }
  EXPECT_EQ(files, 1u);
  CloseHandle(block);
  EXPECT_TRUE(std::filesystem::is_empty(runtime.path()));
}

// A runtime folder others may enter, or a name there that is a link, is refused with a
// reason, never taken as "another instance runs".
TEST(SingleInstance, AnUnsafeRuntimeFolderOrNameIsRefusedNotTakenForAnInstance) {
  testing_support::TempDir runtime;
  testing_support::ScopedEnv env("XDG_RUNTIME_DIR", runtime.path());
  const std::string name = UniqueName() + "e";
  ASSERT_EQ(::chmod(runtime.path().c_str(), 0755), 0);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(CheckSingleInstance(name.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  ASSERT_EQ(::chmod(runtime.path().c_str(), 0700), 0);
  HANDLE probe = CheckSingleInstance(name.c_str());
  ASSERT_NE(probe, nullptr);
  std::string lockName;
  for (const auto& entry : std::filesystem::directory_iterator(runtime.path()))
    lockName = entry.path().filename().string();
  CloseHandle(probe);
  testing_support::WriteText(runtime.file("elsewhere"), "");
  ASSERT_EQ(::symlink(runtime.file("elsewhere").c_str(), runtime.file(lockName).c_str()), 0);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(CheckSingleInstance(name.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(DownloadAddress, RelativeAddressesJoinTheServerBaseWithOneSlash) {
  const std::string base = "http://127.0.0.1:8080/";
  EXPECT_EQ(MakeDownloadAddress("/files/setup.exe", base), "http://127.0.0.1:8080/files/setup.exe");
  EXPECT_EQ(MakeDownloadAddress("files/setup.exe", base), "http://127.0.0.1:8080/files/setup.exe");
}

TEST(DownloadAddress, AbsoluteAddressesStayAsTheyAreInAnyLetterCase) {
  const std::string base = "http://127.0.0.1:8080/";
  EXPECT_EQ(MakeDownloadAddress("http://dl.example/setup.exe", base),
            "http://dl.example/setup.exe");
  EXPECT_EQ(MakeDownloadAddress("HTTP://dl.example/setup.exe", base),
            "HTTP://dl.example/setup.exe");
  EXPECT_EQ(MakeDownloadAddress("https://dl.example/setup.exe", base),
            "https://dl.example/setup.exe");
  EXPECT_EQ(MakeDownloadAddress("HttpS://dl.example/a", base), "HttpS://dl.example/a");
}

TEST(DownloadAddress, SchemeLookalikesAreStillRelative) {
  const std::string base = "http://h/";
  EXPECT_EQ(MakeDownloadAddress("http:/x", base), "http://h/http:/x");
  EXPECT_EQ(MakeDownloadAddress("httpx://y", base), "http://h/httpx://y");
  EXPECT_EQ(MakeDownloadAddress("", base), "http://h/");
  EXPECT_EQ(MakeDownloadAddress("/a", ""), "/a");
}
