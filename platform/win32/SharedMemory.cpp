#include "platform/win32/SharedMemory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

// A named block. The creator holds an exclusive flock on the block's file for as long as
// its handle is open; the kernel drops it when the process ends in any way, so a block
// whose creator died is taken over as new instead of being reported as alive.
class FileMapping : public win32::KernelObject {
 public:
  FileMapping(int fd, size_t size, std::string path, bool owner)
      : fd_(fd), size_(size), path_(std::move(path)), owner_(owner) {}
  ~FileMapping() override {
    if (owner_) ::unlink(path_.c_str());
    ::close(fd_);
  }
  int fd() const { return fd_; }
  size_t size() const { return size_; }

 private:
  int fd_;
  size_t size_;
  std::string path_;
  bool owner_;
};

std::mutex g_viewsMutex;
std::map<const void*, size_t> g_views;

// True when path is a real folder of this user that nobody else may enter.
bool IsPrivateFolder(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
         (st.st_mode & 077) == 0;
}

// Where named blocks live: the user's runtime folder ($XDG_RUNTIME_DIR, 0700, the user's
// alone), where no other user can make or hold a name first. Without one, a folder of
// this user's own in /tmp. Empty when neither is private (errno says why).
std::string BlockFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    if (IsPrivateFolder(runtime)) return runtime;
    errno = EACCES;
    return {};
  }
  const std::string folder = "/tmp/tandem_chats-" + std::to_string(::getuid());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
  if (IsPrivateFolder(folder)) return folder;
  errno = EACCES;
  return {};
}

// Named objects belong to a user's desktop session, like a session's objects on Windows:
// the X display (two desktops of one user, or a test's private Xvfb beside the user's own,
// each have their own objects).
std::string BlockFileName(LPCSTR name) {
  std::string session;
  if (const char* display = std::getenv("DISPLAY"))
    for (const char c : std::string(display))
      session += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return std::string(name) + (session.empty() ? "" : "." + session) + ".lock";
}

}  // namespace

HANDLE CreateFileMappingA(HANDLE file, void*, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                          LPCSTR name) {
  const size_t size = (static_cast<size_t>(sizeHigh) << 32) | sizeLow;
  if (file != INVALID_HANDLE_VALUE || !name || !*name || std::strchr(name, '/') || size == 0 ||
      (protect != PAGE_READWRITE && protect != PAGE_READONLY)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::string folder = BlockFolder();
  if (folder.empty()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  const std::string path = folder + "/" + BlockFileName(name);
  // No link is followed, and only a plain file of this user with no other name is used.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid() ||
      st.st_nlink != 1) {
    const int error = fd < 0 ? errno : EACCES;
    if (fd >= 0) ::close(fd);
    errno = error;
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  const bool owner = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (owner) {
    // New, or left behind by a process that died: start from zeroes.
    if (::fchmod(fd, 0600) != 0 || ::ftruncate(fd, 0) != 0 ||
        ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
      ::close(fd);
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
  } else if (static_cast<size_t>(st.st_size) < size) {
    ::close(fd);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HANDLE handle = win32::MakeHandle(new FileMapping(fd, size, path, owner));
  SetLastError(owner ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
  return handle;
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                     SIZE_T bytes) {
  auto* block = win32::HandleAs<FileMapping>(mapping);
  if (!block || offsetHigh || offsetLow || bytes > block->size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const size_t length = bytes ? bytes : block->size();
  const int protection = (access & FILE_MAP_WRITE) ? (PROT_READ | PROT_WRITE) : PROT_READ;
  void* view = ::mmap(nullptr, length, protection, MAP_SHARED, block->fd(), 0);
  if (view == MAP_FAILED) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(g_viewsMutex);
  g_views[view] = length;
  return view;
}

BOOL UnmapViewOfFile(LPCVOID view) {
  std::lock_guard<std::mutex> lock(g_viewsMutex);
  const auto it = g_views.find(view);
  if (it == g_views.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ::munmap(const_cast<void*>(view), it->second);
  g_views.erase(it);
  return TRUE;
}
