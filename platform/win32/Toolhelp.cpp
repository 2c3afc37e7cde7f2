#include "platform/win32/Toolhelp.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>

#include <unistd.h>

namespace win32 {
namespace {

std::mutex s_sourceMutex;
ProcessTableSource s_source;

class CSnapshotObject : public KernelObject {
 public:
  explicit CSnapshotObject(std::vector<TProcessRow> rows) : m_vecRows(std::move(rows)) {}

  // Fills the entry at `index`; false past the end.
  bool Read(std::size_t index, PROCESSENTRY32& entry) {
    if (index >= m_vecRows.size()) return false;
    const TProcessRow& row = m_vecRows[index];
    const DWORD size = entry.dwSize;
    std::memset(&entry, 0, sizeof entry);
    entry.dwSize = size;
    entry.cntThreads = 1;
    entry.th32ProcessID = row.dwPid;
    entry.th32ParentProcessID = row.dwParentPid;
    const std::size_t length = std::min(row.strExeFile.size(), sizeof entry.szExeFile - 1);
    std::memcpy(entry.szExeFile, row.strExeFile.data(), length);
    m_nNext = index + 1;
    return true;
  }
  std::size_t Next() const { return m_nNext; }

 private:
  std::vector<TProcessRow> m_vecRows;
  std::size_t m_nNext = 0;
};

std::string readFirstLine(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

// The base name of the process image, or the kernel's process name when it is not readable
// (kernel threads, other users' processes).
std::string exeFileOf(const std::string& procDir, const std::string& stat) {
  char buffer[PATH_MAX];
  const ssize_t length = readlink((procDir + "/exe").c_str(), buffer, sizeof buffer - 1);
  if (length > 0) {
    std::string image(buffer, static_cast<std::size_t>(length));
    const std::string deleted = " (deleted)";
    if (image.size() > deleted.size() && image.ends_with(deleted))
      image.resize(image.size() - deleted.size());
    return image.substr(image.rfind('/') + 1);
  }
  const std::size_t open = stat.find('(');
  const std::size_t close = stat.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return {};
  return stat.substr(open + 1, close - open - 1);
}

// The first field of "Uid:" in /proc/<pid>/status; an unreadable one is nobody's (-1).
unsigned int realUidOf(const std::string& procDir) {
  std::ifstream status(procDir + "/status");
  for (std::string line; std::getline(status, line);) {
    unsigned int uid = 0;
    if (std::sscanf(line.c_str(), "Uid: %u", &uid) == 1) return uid;
  }
  return static_cast<unsigned int>(-1);
}

bool readRow(const std::string& name, TProcessRow& row) {
  if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) return false;
  const std::string procDir = "/proc/" + name;
  const std::string stat = readFirstLine(procDir + "/stat");
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return false;  // gone meanwhile
  unsigned long parent = 0;
  if (std::sscanf(stat.c_str() + close + 1, " %*c %lu", &parent) != 1) return false;
  row.dwPid = static_cast<DWORD>(std::stoul(name));
  row.dwParentPid = static_cast<DWORD>(parent);
  row.strExeFile = exeFileOf(procDir, stat);
  row.nUid = realUidOf(procDir);
  return true;
}

CSnapshotObject* snapshotOf(HANDLE handle) {
  return HandleAs<CSnapshotObject>(handle);
}

bool readEntry(HANDLE snapshot, LPPROCESSENTRY32 entry, bool first) {
  CSnapshotObject* object = snapshotOf(snapshot);
  if (!object || !entry || entry->dwSize < sizeof(PROCESSENTRY32)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!object->Read(first ? 0 : object->Next(), *entry)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return false;
  }
  return true;
}

}  // namespace

std::vector<TProcessRow> ReadProcessTable() {
  std::vector<TProcessRow> rows;
  std::error_code error;
  for (const auto& dirEntry : std::filesystem::directory_iterator("/proc", error)) {
    TProcessRow row;
    if (readRow(dirEntry.path().filename().string(), row)) rows.push_back(std::move(row));
  }
  std::sort(rows.begin(), rows.end(),
            [](const TProcessRow& a, const TProcessRow& b) { return a.dwPid < b.dwPid; });
  return rows;
}

unsigned int CurrentUserId() {
  return static_cast<unsigned int>(::getuid());
}

void SetProcessTableSource(ProcessTableSource source) {
  std::lock_guard<std::mutex> lock(s_sourceMutex);
  s_source = std::move(source);
}

}  // namespace win32

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD) {
  if (!(flags & TH32CS_SNAPPROCESS) || (flags & ~(TH32CS_SNAPPROCESS | TH32CS_SNAPCURRENTUSER))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  win32::ProcessTableSource source;
  {
    std::lock_guard<std::mutex> lock(win32::s_sourceMutex);
    source = win32::s_source;
  }
  std::vector<win32::TProcessRow> rows = source ? source() : win32::ReadProcessTable();
  if (flags & TH32CS_SNAPCURRENTUSER)
    std::erase_if(rows, [uid = win32::CurrentUserId()](const win32::TProcessRow& row) {
      return row.nUid != uid;
    });
  return win32::MakeHandle(new win32::CSnapshotObject(std::move(rows)));
}

BOOL Process32First(HANDLE snapshot, LPPROCESSENTRY32 entry) {
  return win32::readEntry(snapshot, entry, true) ? TRUE : FALSE;
}

BOOL Process32Next(HANDLE snapshot, LPPROCESSENTRY32 entry) {
  return win32::readEntry(snapshot, entry, false) ? TRUE : FALSE;
}
