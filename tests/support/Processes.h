// Finding processes from tests, through /proc: the state of one, the children of one, and
// those whose command line or environment carries a marker.
#pragma once

#include <string>
#include <vector>

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

}  // namespace testing_support
