// /proc/<pid>/stat fields 14 and 15 (utime, stime, in clock ticks) and /proc/<pid>/statm
// field 2 (resident pages). Descendants come from /proc/<pid>/task/<tid>/children, which
// lists the children each thread started, so no scan of every process is needed.
#include "platform/win32/ProcessUsage.h"

#include "platform/win32/KernelObject.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace win32 {
namespace {

std::string procPath(DWORD pid, const char* leaf) {
  return "/proc/" + std::to_string(pid) + "/" + leaf;
}

// utime + stime in clock ticks. The command name (field 2) may hold blanks and ")", so the
// fields are counted from the last ")".
bool readCpuTicks(DWORD pid, unsigned long long& ticks) {
  std::ifstream file(procPath(pid, "stat"));
  std::string line;
  if (!std::getline(file, line)) return false;
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return false;
  unsigned long long utime = 0, stime = 0;
  // After ")": state (3), ppid (4) ... utime is field 14, stime 15.
  if (std::sscanf(line.c_str() + close + 1,
                  " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) != 2)
    return false;
  ticks = utime + stime;
  return true;
}

bool readResidentPages(DWORD pid, unsigned long long& pages) {
  std::ifstream file(procPath(pid, "statm"));
  unsigned long long size = 0;
  return static_cast<bool>(file >> size >> pages);
}

std::vector<DWORD> childrenOf(DWORD pid) {
  std::vector<DWORD> children;
  DIR* tasks = ::opendir(procPath(pid, "task").c_str());
  if (!tasks) return children;
  while (const dirent* entry = ::readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream file(procPath(pid, "task/") + entry->d_name + "/children");
    DWORD child = 0;
    while (file >> child) children.push_back(child);
  }
  ::closedir(tasks);
  return children;
}

}  // namespace

bool ReadProcessUsage(DWORD pid, TProcessUsage& usage) {
  usage = TProcessUsage{};
  static const long tickHz = ::sysconf(_SC_CLK_TCK);
  static const long pageBytes = ::sysconf(_SC_PAGESIZE);
  std::vector<DWORD> pending{pid};
  std::set<DWORD> seen;  // a pid reused while walking must not loop
  while (!pending.empty()) {
    const DWORD next = pending.back();
    pending.pop_back();
    if (next == 0 || !seen.insert(next).second) continue;
    unsigned long long ticks = 0, pages = 0;
    if (!readCpuTicks(next, ticks) || !readResidentPages(next, pages)) {
      if (next == pid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
      }
      continue;  // a descendant that ended meanwhile
    }
    usage.nCpuTime100ns += ticks * 10'000'000ULL / static_cast<unsigned long long>(tickHz);
    usage.nResidentBytes += pages * static_cast<unsigned long long>(pageBytes);
    ++usage.nProcesses;
    for (DWORD child : childrenOf(next)) pending.push_back(child);
  }
  return true;
}

}  // namespace win32
