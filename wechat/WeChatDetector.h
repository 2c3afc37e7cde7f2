// Tells copies of the client that were started from the desktop (outside the workbench)
// from the ones the workbench started. A copy is independent when its process carries the
// client's name, its parent is a desktop shell or launcher, and no record holds its id.
// An orphan (parent id 1: whoever started it has gone, for example a workbench killed
// without its exit) counts as started outside too, so that the next start offers to take
// it over instead of leaving it running unseen.
#pragma once

#include "platform/win32/Win32Types.h"

#include <string>
#include <vector>

struct TProcessInfo {
  DWORD dwProcessId = 0;
  DWORD dwParentProcessId = 0;
  std::string strExeFile;
};

class CWeChatDetector {
 public:
  // clientExe: the client's executable path or name; its file name joins "WeChat.exe".
  explicit CWeChatDetector(const std::string& clientExe = {});

  bool IsClientName(const std::string& exeFile) const;
  // Desktop shells and launchers; "systemd" counts only as the per-user instance (not pid 1).
  bool IsShell(const std::string& exeFile, DWORD processId) const;

  // Walks the snapshot (its first entry is not examined, as the snapshot walk starts after
  // it) and returns the first client process, in snapshot order, whose parent id is a shell
  // id (or 1, an orphan) and whose id is not in adopted; 0 when there is none.
  DWORD FindIndependent(const std::vector<TProcessInfo>& snapshot,
                        const std::vector<DWORD>& adopted) const;

  const std::vector<std::string>& ClientNames() const { return m_vecClientNames; }
  static const std::vector<std::string>& ShellNames();

 private:
  std::vector<std::string> m_vecClientNames;
};
