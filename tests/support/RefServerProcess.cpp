#include "tests/support/RefServerProcess.h"

#include "tests/support/Processes.h"

#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kStartLimit{30};
constexpr std::chrono::seconds kStopLimit{30};

// The first line written to fd, or what came before the deadline or end of output.
std::string readFirstLine(int fd, Clock::time_point deadline) {
  std::string line;
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd p{fd, POLLIN, 0};
    if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) return line;
    char c = 0;
    if (::read(fd, &c, 1) != 1 || c == '\n') return line;
    line += c;
  }
}

}  // namespace

RefServerProcess::RefServerProcess(const std::string& program, const std::string& dataDir,
                                   const std::vector<std::string>& extraArgs) {
  std::vector<std::string> args = {program, "--port",      "0",      "--data",
                                   dataDir, "--fast-hash", "--quiet"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  const int rc = ::posix_spawn(&m_nPid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (rc != 0) {
    ::close(out[0]);
    m_nPid = -1;
    throw std::runtime_error("cannot start " + program);
  }
  const std::string line = readFirstLine(out[0], Clock::now() + kStartLimit);
  ::close(out[0]);
  const size_t colon = line.rfind(':');
  if (line.rfind("refserver listening on ", 0) != 0 || colon == std::string::npos) {
    Kill();
    throw std::runtime_error("unexpected first line: " + line);
  }
  m_nPort = std::atoi(line.c_str() + colon + 1);
}

RefServerProcess::~RefServerProcess() {
  if (m_nPid > 0) Kill();
}

void RefServerProcess::Kill() {
  if (m_nPid <= 0) return;
  ::kill(m_nPid, SIGKILL);
  ::waitpid(m_nPid, nullptr, 0);  // SIGKILL cannot be caught: the reap follows at once
  m_nPid = -1;
}

int RefServerProcess::Terminate() {
  if (m_nPid <= 0) return -1;
  ::kill(m_nPid, SIGTERM);
  const int status = WaitForExit(m_nPid, kStopLimit);
  m_nPid = -1;
  return status;
}

}  // namespace testing_support
