#include "tests/support/Processes.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

namespace {

namespace fs = std::filesystem;

std::string readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The process ids in /proc whose folder satisfies the predicate.
std::vector<int> processesWhere(const std::function<bool(int, const fs::path&)>& match) {
  std::vector<int> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    const int pid = std::stoi(name);
    if (match(pid, entry.path())) found.push_back(pid);
  }
  return found;
}

// State and parent from /proc/<pid>/stat; the command name may hold spaces and parentheses,
// so the fields are read after its last ')'.
bool readStat(const fs::path& folder, char& state, int& ppid) {
  std::ifstream stat(folder / "stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  const std::size_t close = line.rfind(')');
  return close != std::string::npos &&
         std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) == 2;
}

}  // namespace

char ProcessState(int pid) {
  char state = 0;
  int ppid = 0;
  return readStat(fs::path("/proc") / std::to_string(pid), state, ppid) ? state : 0;
}

bool ProcessAlive(int pid) {
  const char state = ProcessState(pid);
  return state != 0 && state != 'Z' && state != 'X';
}

std::vector<int> ChildrenOf(int parent) {
  return processesWhere([parent](int, const fs::path& folder) {
    char state = 0;
    int ppid = 0;
    return readStat(folder, state, ppid) && ppid == parent;
  });
}

std::vector<int> ProcessesMentioning(const std::string& text) {
  return processesWhere([&text](int, const fs::path& folder) {
    return readWhole(folder / "cmdline").find(text) != std::string::npos;
  });
}

std::vector<int> ProcessesWithEnvironment(const std::string& text) {
  const int self = static_cast<int>(::getpid());
  return processesWhere([&text, self](int pid, const fs::path& folder) {
    return pid != self && ProcessAlive(pid) &&
           readWhole(folder / "environ").find(text) != std::string::npos;
  });
}

int WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (true) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0) return -1;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  return ::waitpid(pid, &status, 0) == pid ? status : -1;
}

}  // namespace testing_support
