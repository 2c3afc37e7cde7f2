// What a running program costs: resident memory and processor time of a process together
// with every process it started (a launcher script and the program it runs count as one
// program). Read from /proc on demand; a read of a program of a few processes opens a few
// small files and costs some tens of microseconds.
#pragma once

#include "platform/win32/Win32Types.h"

#include <cstdint>

namespace win32 {

struct TProcessUsage {
  std::uint64_t nResidentBytes = 0;  // resident set, summed over the processes
  std::uint64_t nCpuTime100ns = 0;   // user + system time used so far, summed
  int nProcesses = 0;                // how many processes were counted
};

// False (ERROR_INVALID_PARAMETER) when no process pid exists. A descendant that ends while
// it is read is left out.
bool ReadProcessUsage(DWORD pid, TProcessUsage& usage);

}  // namespace win32
