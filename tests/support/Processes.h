// Finding processes from tests, through /proc: the state of one, the children of one, and
// those whose command line or environment carries a marker; a bounded wait for a child.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

namespace testing_support {

// The state letter of /proc/<pid>/stat ('R', 'S', 'Z', ...); 0 when the process is gone.
char ProcessState(int pid);
// Neither gone, dead nor a zombie (a zombie has ended; only its reaping is left).
bool ProcessAlive(int pid);
// Processes whose parent is `pid`, zombies included.
std::vector<int> ChildrenOf(int pid);
// Processes whose command line (arguments joined by NULs) contains `text`.
std::vector<int> ProcessesMentioning(const std::string& text);
// Live processes other than this one whose environment contains `text`.
std::vector<int> ProcessesWithEnvironment(const std::string& text);

// Reaps our child `pid`, waiting at most `limit`; a child still running then is killed
// (SIGKILL) and reaped, so that a test never hangs on it. Returns the wait status, or -1
// when `pid` is not a child of ours.
int WaitForExit(pid_t pid, std::chrono::milliseconds limit);

}  // namespace testing_support
