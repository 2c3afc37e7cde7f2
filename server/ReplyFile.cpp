#include "server/ReplyFile.h"

#include "platform/log/Log.h"
#include "platform/win32/Files.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kTemporaryMark = ".part-";

// Unique within the process by the counter and between processes by the pid.
std::string temporaryNameFor(const std::string& target) {
  static std::atomic<unsigned> s_counter{0};
  return target + kTemporaryMark + std::to_string(getpid()) + "-" + std::to_string(++s_counter);
}

bool allDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// "<name>.part-<digits>-<digits>", as temporaryNameFor makes them.
bool isTemporaryName(const std::string& name) {
  const size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string::npos || mark == 0) return false;
  const std::string suffix = name.substr(mark + std::strlen(kTemporaryMark));
  const size_t dash = suffix.find('-');
  return dash != std::string::npos && allDigits(suffix.substr(0, dash)) &&
         allDigits(suffix.substr(dash + 1));
}

int openFlagsFor(const char* mode) {
  const bool readsBack = std::strchr(mode, '+') != nullptr;
  return (readsBack ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL | O_CLOEXEC;
}

// A missing target is fine; an existing one must be a file we may overwrite. The mode bits
// are checked as well as access(), since the super-user passes access() for any file while
// the operator's read-only mark must still hold.
bool targetCanBeReplaced(const std::string& target) {
  struct stat info {};
  if (lstat(target.c_str(), &info) != 0) return errno == ENOENT;
  if (S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (S_ISREG(info.st_mode) &&
      ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(target.c_str(), W_OK) != 0)) {
    errno = EACCES;
    return false;
  }
  return true;
}

}  // namespace

CReplyFile::~CReplyFile() {
  Discard();
}

bool CReplyFile::Create(const std::string& target, const char* mode) {
  Discard();
  m_strTarget = target;
  if (!targetCanBeReplaced(target)) return false;
  const std::string tempPath = temporaryNameFor(target);
  const int fd = open(tempPath.c_str(), openFlagsFor(mode), S_IRUSR | S_IWUSR);
  if (fd < 0) return false;
  m_pStream = fdopen(fd, mode);
  if (!m_pStream) {
    const int error = errno;
    close(fd);
    unlink(tempPath.c_str());
    errno = error;
    return false;
  }
  m_strTempPath = tempPath;
  return true;
}

bool CReplyFile::Close() {
  if (!m_pStream) return !m_strTempPath.empty();
  const bool flushed = std::fclose(m_pStream) == 0;
  m_pStream = nullptr;
  return flushed;
}

bool CReplyFile::ReadAll(std::string& content) const {
  content.clear();
  std::FILE* in = std::fopen(m_strTempPath.c_str(), "rb");
  if (!in) return false;
  char buffer[8192];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) content.append(buffer, got);
  const bool ok = !std::ferror(in);
  std::fclose(in);
  return ok;
}

bool CReplyFile::Commit() {
  Close();
  if (m_strTempPath.empty()) return false;
  if (std::rename(m_strTempPath.c_str(), m_strTarget.c_str()) != 0) return false;
  m_strTempPath.clear();
  return true;
}

int CReplyFile::RemoveStale(const std::string& folder) {
  if (folder.empty()) return 0;
  const std::string base = folder.back() == '/' ? folder : folder + "/";
  WIN32_FIND_DATAA found{};
  HANDLE find = FindFirstFileA((base + "*" + kTemporaryMark + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int removed = 0;
  do {
    const std::string name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !isTemporaryName(name)) continue;
    if (DeleteFileA((base + name).c_str())) {
      ++removed;
      TC_LOG(TC_LOG_INFO, "Removed " << base << name << ", left by an earlier run.");
    }
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return removed;
}

void CReplyFile::Discard() {
  Close();
  if (!m_strTempPath.empty()) unlink(m_strTempPath.c_str());
  m_strTempPath.clear();
}
