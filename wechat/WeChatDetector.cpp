#include "wechat/WeChatDetector.h"

#include "platform/log/Log.h"

#include <algorithm>
#include <strings.h>

namespace {

// The parent id of a process whose parent has gone (init adopted it).
constexpr DWORD kOrphanParent = 1;

// Linux keeps only the first 15 bytes of a process name in /proc/<pid>/stat.
constexpr size_t kProcNameLength = 15;

bool SameName(const std::string& exeFile, const std::string& name) {
  if (strcasecmp(exeFile.c_str(), name.c_str()) == 0) return true;
  return exeFile.size() == kProcNameLength && name.size() > kProcNameLength &&
         strncasecmp(exeFile.c_str(), name.c_str(), kProcNameLength) == 0;
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

CWeChatDetector::CWeChatDetector(const std::string& clientExe) : m_vecClientNames{"WeChat.exe"} {
  std::string own = FileNameOf(clientExe);
  if (!own.empty() && !IsClientName(own)) m_vecClientNames.push_back(own);
}

const std::vector<std::string>& CWeChatDetector::ShellNames() {
  static const std::vector<std::string> names = {"explorer.exe", "360desktoplite64.exe",
                                                 "gnome-shell",  "plasmashell",
                                                 "xfdesktop",    "xfce4-panel",
                                                 "lxpanel",      "dde-desktop",
                                                 "ukui-panel",   "systemd"};
  return names;
}

bool CWeChatDetector::IsClientName(const std::string& exeFile) const {
  return std::any_of(m_vecClientNames.begin(), m_vecClientNames.end(),
                     [&](const std::string& name) { return SameName(exeFile, name); });
}

bool CWeChatDetector::IsShell(const std::string& exeFile, DWORD processId) const {
  if (strcasecmp(exeFile.c_str(), "systemd") == 0) return processId != 1;
  return std::any_of(ShellNames().begin(), ShellNames().end(),
                     [&](const std::string& name) { return SameName(exeFile, name); });
}

DWORD CWeChatDetector::FindIndependent(const std::vector<TProcessInfo>& snapshot,
                                       const std::vector<DWORD>& adopted) const {
  std::vector<const TProcessInfo*> clients;
  std::vector<DWORD> shells;
  for (size_t i = 1; i < snapshot.size(); ++i) {
    const TProcessInfo& process = snapshot[i];
    if (IsClientName(process.strExeFile)) {
      clients.push_back(&process);
      TC_LOGF(TC_LOG_DEBUG, "Get independent wechat process: %d, its parent process: %d).",
              static_cast<int>(process.dwProcessId), static_cast<int>(process.dwParentProcessId));
    } else if (IsShell(process.strExeFile, process.dwProcessId)) {
      shells.push_back(process.dwProcessId);
      TC_LOGF(TC_LOG_DEBUG, "Get explorer process(%d).", static_cast<int>(process.dwProcessId));
    }
  }
  shells.push_back(kOrphanParent);
  for (const TProcessInfo* client : clients) {
    for (DWORD shell : shells) {
      if (client->dwParentProcessId != shell) continue;
      if (std::find(adopted.begin(), adopted.end(), client->dwProcessId) != adopted.end()) {
        TC_LOGF(TC_LOG_INFO, "wechat process(%d) by tandem chats.",
                static_cast<int>(client->dwProcessId));
        continue;
      }
      TC_LOGF(TC_LOG_INFO, "Get wechat process(%d) without attched.",
              static_cast<int>(client->dwProcessId));
      return client->dwProcessId;
    }
  }
  return 0;
}
