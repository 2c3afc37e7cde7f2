// The tool tip of each account-list row: the chord that switches to it and what its copy
// costs, resident memory and processor share since the last refresh, e.g.
//   "Ctrl+2 切换到此微信\n内存 148.2 MB · CPU 0.4%"
// The frame refreshes the tips every kRefreshMs on a timer of its own. A refresh reads a
// few small /proc files per copy and touches no row whose text stays the same, so a list
// of ten idle copies costs well under a millisecond every few seconds.
#pragma once

#include "platform/win32/Win32Types.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

class CWebchatListUI;
class CWebchatMan;

class CWebchatRowHint {
 public:
  static constexpr UINT_PTR kTimerId = 5;
  static constexpr UINT kRefreshMs = 3000;

  struct TFigures {
    std::uint64_t nResidentBytes = 0;
    std::optional<double> dCpuPercent;  // unknown until a copy was read twice
  };

  // Rewrites the tip of every row of the list. A row whose copy has no process (not
  // started, or gone) shows only its chord.
  void Refresh(CWebchatListUI& list, CWebchatMan& manager);
  // The tip of the row at index `row` (0-based); figures are left out when null.
  static std::string TipText(int row, const TFigures* figures);

 private:
  struct TSample {
    DWORD dwPid = 0;
    std::uint64_t nCpuTime100ns = 0;
    DWORD dwTick = 0;
  };
  std::optional<TFigures> ReadCopy(const std::string& key, DWORD pid, DWORD now);

  std::map<std::string, TSample> m_mapLast;  // by instance key
};
