// ReadProcessUsage over ten running programs, as one refresh of the account rows' tips does
// every 3 s with ten copies. Each program is a launcher shell with one child, as a copy
// started through a wrapper script is. The figure per refresh, divided by the 3 s period,
// is the share of a core the tips cost.
#include "platform/win32/KernelObject.h"
#include "platform/win32/Process.h"
#include "platform/win32/ProcessUsage.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

class CTenPrograms {
 public:
  CTenPrograms() {
    for (int i = 0; i < 10; ++i) {
      STARTUPINFOA startup{};
      startup.cb = sizeof startup;
      std::string line = "sh -c \"sleep 600 & wait\"";
      PROCESS_INFORMATION info{};
      if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP,
                         nullptr, nullptr, &startup, &info))
        m_vecInfo.push_back(info);
    }
  }
  ~CTenPrograms() {
    for (PROCESS_INFORMATION& info : m_vecInfo) {
      TerminateProcess(info.hProcess, 1);
      CloseHandle(info.hProcess);
      CloseHandle(info.hThread);
    }
  }
  const std::vector<PROCESS_INFORMATION>& Info() const { return m_vecInfo; }

 private:
  std::vector<PROCESS_INFORMATION> m_vecInfo;
};

void BM_RefreshOfTenCopies(benchmark::State& state) {
  CTenPrograms programs;
  int counted = 0;
  for (auto _ : state) {
    counted = 0;
    for (const PROCESS_INFORMATION& info : programs.Info()) {
      win32::TProcessUsage usage;
      if (win32::ReadProcessUsage(info.dwProcessId, usage)) counted += usage.nProcesses;
    }
    benchmark::DoNotOptimize(counted);
  }
  state.counters["processes"] = counted;
}
BENCHMARK(BM_RefreshOfTenCopies)->Unit(benchmark::kMicrosecond);

}  // namespace
