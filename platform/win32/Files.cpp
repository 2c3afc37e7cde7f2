#include "platform/win32/Files.h"

#include "platform/win32/CodePage.h"
#include "platform/win32/KernelObject.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/tmp";
}

std::string ConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') return xdg;
  return HomeFolder() + "/.config";
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs ("$HOME/Documents" form), else ~/Documents.
std::string DocumentsFolder() {
  std::ifstream dirs(ConfigFolder() + "/user-dirs.dirs");
  std::string line;
  while (std::getline(dirs, line)) {
    if (line.rfind("XDG_DOCUMENTS_DIR=", 0) != 0) continue;
    std::string value = line.substr(std::strlen("XDG_DOCUMENTS_DIR="));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = HomeFolder() + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
  }
  return HomeFolder() + "/Documents";
}

bool MakeDirectories(const std::string& path, mode_t mode) {
  std::string partial;
  std::stringstream parts(path);
  std::string part;
  if (!path.empty() && path[0] == '/') partial = "/";
  while (std::getline(parts, part, '/')) {
    if (part.empty()) continue;
    partial += part + "/";
    if (::mkdir(partial.c_str(), mode) != 0 && errno != EEXIST) return false;
  }
  return true;
}

void SetErrorFromErrno() {
  switch (errno) {
    case ENOENT:
      SetLastError(ERROR_FILE_NOT_FOUND);
      break;
    case ENOTDIR:
      SetLastError(ERROR_PATH_NOT_FOUND);
      break;
    case EEXIST:
      SetLastError(ERROR_ALREADY_EXISTS);
      break;
    case EACCES:
    case EPERM:
      SetLastError(ERROR_ACCESS_DENIED);
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      break;
  }
}

FILETIME ToFileTime(const struct timespec& ts) {
  // 100-ns intervals since 1601-01-01.
  constexpr std::uint64_t kEpochDifference = 116444736000000000ULL;
  const std::uint64_t ticks = kEpochDifference +
                              static_cast<std::uint64_t>(ts.tv_sec) * 10000000ULL +
                              static_cast<std::uint64_t>(ts.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

DWORD AttributesOf(const std::string& name, const struct stat& st) {
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
  const auto slash = name.find_last_of('/');
  const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (!base.empty() && base[0] == '.') attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

class FindHandle : public win32::KernelObject {
 public:
  std::vector<WIN32_FIND_DATAA> entries;
  size_t next = 0;
};

bool FillFindData(const std::string& folder, const std::string& name, WIN32_FIND_DATAA& data) {
  struct stat st {};
  if (::stat((folder + "/" + name).c_str(), &st) != 0) return false;
  std::memset(&data, 0, sizeof data);
  data.dwFileAttributes = AttributesOf(name, st);
  data.ftCreationTime = ToFileTime(st.st_ctim);
  data.ftLastAccessTime = ToFileTime(st.st_atim);
  data.ftLastWriteTime = ToFileTime(st.st_mtim);
  const auto size = static_cast<std::uint64_t>(st.st_size);
  data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  std::strncpy(data.cFileName, name.c_str(), MAX_PATH - 1);
  return true;
}

}  // namespace

BOOL SHGetSpecialFolderPathA(HWND, LPSTR path, int csidl, BOOL create) {
  std::string folder;
  if (csidl == CSIDL_APPDATA)
    folder = ConfigFolder();
  else if (csidl == CSIDL_PERSONAL)
    folder = DocumentsFolder();
  else
    return FALSE;
  if (folder.size() >= MAX_PATH) return FALSE;
  if (create && !MakeDirectories(folder, 0755)) return FALSE;
  std::strcpy(path, folder.c_str());
  return TRUE;
}

BOOL CreateDirectoryA(LPCSTR path, void*) {
  if (::mkdir(path, 0777) != 0) {
    SetErrorFromErrno();
    return FALSE;
  }
  return TRUE;
}

BOOL CopyFileA(LPCSTR existingFile, LPCSTR newFile, BOOL failIfExists) {
  std::string content;
  if (!win32::ReadWholeFile(existingFile, content)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (failIfExists && PathFileExistsA(newFile)) {
    SetLastError(ERROR_FILE_EXISTS);
    return FALSE;
  }
  struct stat st {};
  const unsigned mode = ::stat(existingFile, &st) == 0 ? (st.st_mode & 0777) : 0644;
  if (!win32::WriteFileAtomically(newFile, content, mode)) {
    SetErrorFromErrno();
    return FALSE;
  }
  return TRUE;
}

BOOL DeleteFileA(LPCSTR path) {
  if (::unlink(path) != 0) {
    SetErrorFromErrno();
    return FALSE;
  }
  return TRUE;
}

BOOL PathFileExistsA(LPCSTR path) {
  return path && ::access(path, F_OK) == 0;
}

BOOL PathFileExistsW(LPCWSTR path) {
  if (!path) return FALSE;
  const std::string narrow = WideToUtf8(std::u16string(path));
  return !narrow.empty() && PathFileExistsA(narrow.c_str());
}

DWORD GetFileAttributesA(LPCSTR path) {
  struct stat st {};
  if (!path || ::stat(path, &st) != 0) {
    SetErrorFromErrno();
    return INVALID_FILE_ATTRIBUTES;
  }
  std::string name(path);
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  return AttributesOf(name, st);
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  const std::string full(pattern ? pattern : "");
  const auto slash = full.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : full.substr(0, slash));
  const std::string mask = slash == std::string::npos ? full : full.substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    SetErrorFromErrno();
    return INVALID_HANDLE_VALUE;
  }
  auto* find = new FindHandle();
  while (dirent* entry = ::readdir(dir)) {
    WIN32_FIND_DATAA found;
    if (::fnmatch(mask.c_str(), entry->d_name, 0) == 0 &&
        FillFindData(folder, entry->d_name, found))
      find->entries.push_back(found);
  }
  ::closedir(dir);
  if (find->entries.empty()) {
    delete find;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *data = find->entries[find->next++];
  return win32::MakeHandle(find);
}

BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data) {
  auto* find = win32::HandleAs<FindHandle>(handle);
  if (!find) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (find->next >= find->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *data = find->entries[find->next++];
  return TRUE;
}

BOOL FindClose(HANDLE handle) {
  return CloseHandle(handle);
}

DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size) {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0 || size == 0) return 0;
  const DWORD copied = std::min<DWORD>(static_cast<DWORD>(n), size - 1);
  std::memcpy(buffer, path, copied);
  buffer[copied] = '\0';
  if (copied < static_cast<DWORD>(n)) SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return copied;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  const std::uint64_t x = (static_cast<std::uint64_t>(a->dwHighDateTime) << 32) | a->dwLowDateTime;
  const std::uint64_t y = (static_cast<std::uint64_t>(b->dwHighDateTime) << 32) | b->dwLowDateTime;
  return x < y ? -1 : (x > y ? 1 : 0);
}

namespace win32 {

std::string ProgramFolder() {
  char path[4096];
  if (GetModuleFileNameA(nullptr, path, sizeof path) == 0) return "./";
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('/') + 1);
}

bool WriteFileAtomically(const std::string& path, const std::string& content, unsigned mode) {
  std::string temp = path + ".tmp.XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, mode) == 0;
  for (size_t written = 0; ok && written < content.size();) {
    const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) written += static_cast<size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  content = buffer.str();
  return !in.bad();
}

bool ReadRegularFileHead(const std::string& path, std::size_t maxBytes, std::string& head,
                         std::uint64_t& size, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!ok) error = "\"" + path + "\" is not a regular file";
  head.assign(ok ? maxBytes : 0, '\0');
  std::size_t got = 0;
  while (ok && got < head.size()) {
    const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = "cannot read \"" + path + "\": " + std::strerror(errno);
      ok = false;
    }
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  head.resize(got);
  size = ok ? static_cast<std::uint64_t>(st.st_size) : 0;
  ::close(fd);
  return ok;
}

}  // namespace win32
