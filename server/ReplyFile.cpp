#include "server/ReplyFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Unique within the process by the counter and between processes by the pid.
std::string temporaryNameFor(const std::string& target) {
  static std::atomic<unsigned> s_counter{0};
  return target + ".part-" + std::to_string(getpid()) + "-" + std::to_string(++s_counter);
}

int openFlagsFor(const char* mode) {
  const bool readsBack = std::strchr(mode, '+') != nullptr;
  return (readsBack ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL | O_CLOEXEC;
}

}  // namespace

CReplyFile::~CReplyFile() {
  Discard();
}

bool CReplyFile::Create(const std::string& target, const char* mode) {
  Discard();
  m_strTarget = target;
  const std::string tempPath = temporaryNameFor(target);
  // 0666 before the umask, as fopen would create the file.
  const int fd = open(tempPath.c_str(), openFlagsFor(mode), 0666);
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

void CReplyFile::Discard() {
  Close();
  if (!m_strTempPath.empty()) unlink(m_strTempPath.c_str());
  m_strTempPath.clear();
}
