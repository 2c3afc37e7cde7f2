#include "refserver/PrivateFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace refserver {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
  throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

void MakePrivateFolder(const std::string& path) {
  std::filesystem::create_directories(path);
  if (::chmod(path.c_str(), 0700) != 0) fail("cannot make private", path);
}

void MakePrivateFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) fail("cannot create", path);
  const bool ok = ::fchmod(fd, 0600) == 0;
  ::close(fd);
  if (!ok) fail("cannot make private", path);
}

void MendPrivateFile(const std::string& path) {
  if (::chmod(path.c_str(), 0600) != 0 && errno != ENOENT) fail("cannot make private", path);
}

}  // namespace refserver
