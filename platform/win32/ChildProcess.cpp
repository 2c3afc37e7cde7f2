#include "platform/win32/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace win32 {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPollInterval = std::chrono::milliseconds(10);
// A process that ignores SIGKILL (stuck in the kernel) must not hold the caller long.
constexpr auto kGroupEndWait = std::chrono::milliseconds(2000);

std::string nameOf(const std::string& entry) {
  return entry.substr(0, entry.find('='));
}

// The caller's environment with the options' entries added; an entry of the options
// replaces the caller's entry of the same name.
std::vector<std::string> childEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string name = nameOf(*entry);
    bool replaced = false;
    for (const std::string& e : extra) replaced = replaced || nameOf(e) == name;
    if (!replaced) env.emplace_back(*entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// The output file is opened here rather than in the child, so that a path that cannot be
// written is a failed start, not a child that dies before exec.
int openOutput(const std::string& path, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) error = "cannot write " + path + ": " + std::strerror(errno);
  return fd;
}

int openInput(const std::string& path, std::string& error) {
  const std::string name = path.empty() ? "/dev/null" : path;
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) error = "cannot read " + name + ": " + std::strerror(errno);
  return fd;
}

bool spawn(const TChildOptions& options, int inputFd, int outputFd, pid_t& pid,
           std::string& error) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inputFd, 0);
  posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
  posix_spawn_file_actions_adddup2(&actions, outputFd, 2);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> args = {options.program};
  args.insert(args.end(), options.arguments.begin(), options.arguments.end());
  std::vector<std::string> env = childEnvironment(options.environment);
  std::vector<char*> argv = pointers(args);
  std::vector<char*> envp = pointers(env);
  const int rc =
      posix_spawn(&pid, options.program.c_str(), &actions, &attr, argv.data(), envp.data());
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) error = "cannot start " + options.program + ": " + std::strerror(rc);
  return rc == 0;
}

int openPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

// True once the child has exited; it stays unreaped (WNOWAIT), so that its id, which names
// the group, cannot be reused before the group is killed.
bool hasExited(pid_t pid) {
  siginfo_t info{};
  while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
    if (errno != EINTR) return true;  // not ours to wait for any more
  }
  return info.si_pid == pid;
}

// Waits until the child exits or the deadline passes; true when it exited. With a pidfd the
// wait sleeps in poll(); without one (old kernels) it checks at a short interval.
bool waitForExit(pid_t pid, Clock::time_point deadline) {
  const int pidfd = openPidfd(pid);
  bool exited = false;
  while (!(exited = hasExited(pid))) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    if (pidfd >= 0) {
      pollfd pfd{pidfd, POLLIN, 0};
      ::poll(&pfd, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
    } else {
      std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(left, kPollInterval));
    }
  }
  if (pidfd >= 0) ::close(pidfd);
  return exited;
}

// True while a process of the group is still running. Members that are dead but not yet
// reaped (orphans wait for init to collect them) do not count.
bool groupHasLiveMembers(pid_t group) {
  if (::kill(-group, 0) != 0) return false;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    char state = 0;
    int parent = 0;
    int pgrp = 0;
    if (close != std::string::npos &&
        std::sscanf(line.c_str() + close + 1, " %c %d %d", &state, &parent, &pgrp) == 3 &&
        pgrp == group && state != 'Z' && state != 'X')
      return true;
  }
  return false;
}

// SIGKILL takes a moment to end the processes; wait (briefly) until none of the group runs,
// so that the caller never sees a doomed process still at work on its files.
void waitForGroupToEnd(pid_t group) {
  const auto deadline = Clock::now() + kGroupEndWait;
  while (groupHasLiveMembers(group) && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace

TChildResult RunChildProcess(const TChildOptions& options) {
  TChildResult result;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, options.timeoutMs));
  const int inputFd = openInput(options.inputPath, result.error);
  if (inputFd < 0) return result;
  const int outputFd = openOutput(options.outputPath, result.error);
  pid_t pid = 0;
  const bool started = outputFd >= 0 && spawn(options, inputFd, outputFd, pid, result.error);
  ::close(inputFd);
  if (outputFd >= 0) ::close(outputFd);
  if (!started) return result;
  result.pid = pid;

  const bool exited = waitForExit(pid, deadline);
  // The child is still unreaped here, so its id still names its group.
  ::kill(-pid, SIGKILL);
  if (!exited) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  waitForGroupToEnd(pid);

  if (!exited) {
    result.end = EChildEnd::TimedOut;
  } else if (WIFEXITED(status)) {
    result.end = EChildEnd::Exited;
    result.exitCode = WEXITSTATUS(status);
  } else {
    result.end = EChildEnd::Signalled;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  }
  return result;
}

}  // namespace win32
