#include "mainframe/WebchatRowHint.h"

#include "mainframe/WebchatElementUI.h"
#include "mainframe/WebchatListUI.h"
#include "mainframe/WebchatMan.h"
#include "mainframe/WebchatSwitchKeys.h"
#include "platform/win32/ProcessUsage.h"
#include "platform/win32/Sync.h"

#include <cstdio>
#include <set>

std::string CWebchatRowHint::TipText(int row, const TFigures* figures) {
  std::string text;
  const std::string chord = CWebchatSwitchKeys::ChordOfRow(row);
  if (!chord.empty()) text = chord + " 切换到此微信";
  if (!figures) return text;
  char line[96];
  std::snprintf(line, sizeof line, "内存 %.1f MB",
                static_cast<double>(figures->nResidentBytes) / (1024.0 * 1024.0));
  std::string usage = line;
  if (figures->dCpuPercent) {
    std::snprintf(line, sizeof line, " · CPU %.1f%%", *figures->dCpuPercent);
    usage += line;
  }
  return text.empty() ? usage : text + "\n" + usage;
}

std::optional<CWebchatRowHint::TFigures> CWebchatRowHint::ReadCopy(const std::string& key,
                                                                   DWORD pid, DWORD now) {
  win32::TProcessUsage usage;
  if (!pid || !win32::ReadProcessUsage(pid, usage)) return std::nullopt;
  TFigures figures;
  figures.nResidentBytes = usage.nResidentBytes;
  const TSample sample{pid, usage.nCpuTime100ns, now};
  auto last = m_mapLast.find(key);
  // GetTickCount wraps after 49 days: the unsigned difference stays right across it.
  if (last != m_mapLast.end() && last->second.dwPid == pid && now != last->second.dwTick &&
      usage.nCpuTime100ns >= last->second.nCpuTime100ns) {
    const double cpuMs =
        static_cast<double>(usage.nCpuTime100ns - last->second.nCpuTime100ns) / 10'000.0;
    figures.dCpuPercent = 100.0 * cpuMs / static_cast<double>(now - last->second.dwTick);
  }
  m_mapLast[key] = sample;
  return figures;
}

void CWebchatRowHint::Refresh(CWebchatListUI& list, CWebchatMan& manager) {
  const DWORD now = ::GetTickCount();
  std::set<std::string> listed;
  for (int i = 0; i < list.GetCount(); ++i) {
    CWebchatElementUI* row = list.GetWebchatItemAt(i);
    if (!row) continue;
    const std::string key = row->GetName().str();
    listed.insert(key);
    WECHATRUNDATA data;
    const DWORD pid = manager.GetWeChatRunData(data, key) ? data.dwProcessId : 0;
    const std::optional<TFigures> figures = ReadCopy(key, pid, now);
    const std::string tip = TipText(i, figures ? &*figures : nullptr);
    if (row->GetToolTip().str() != tip) row->SetToolTip(tip.c_str());
  }
  for (auto it = m_mapLast.begin(); it != m_mapLast.end();)
    it = listed.count(it->first) ? std::next(it) : m_mapLast.erase(it);
}
