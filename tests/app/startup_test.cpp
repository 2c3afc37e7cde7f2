#include "app/Startup.h"
#include "platform/win32/KernelObject.h"

#include "tests/support/Processes.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
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
