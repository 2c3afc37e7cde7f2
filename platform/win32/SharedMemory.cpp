#include "platform/win32/SharedMemory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

namespace {

// A named block. The creator holds an exclusive flock on the block's file for as long as
// its handle is open; the kernel drops it when the process ends in any way, so a block
// whose creator died is taken over as new instead of being reported as alive.
class FileMapping : public win32::KernelObject {
 public:
  FileMapping(int fd, size_t size, std::string name, bool owner)
      : fd_(fd), size_(size), name_(std::move(name)), owner_(owner) {}
  ~FileMapping() override {
    if (owner_) ::shm_unlink(name_.c_str());
    ::close(fd_);
  }
  int fd() const { return fd_; }
  size_t size() const { return size_; }

 private:
  int fd_;
  size_t size_;
  std::string name_;
  bool owner_;
};

std::mutex g_viewsMutex;
std::map<const void*, size_t> g_views;

// Named objects belong to a user's desktop session, like a session's objects on Windows:
// the user id and the X display (two desktops of one user, or a test's private Xvfb beside
// the user's own, each have their own objects).
std::string ShmName(LPCSTR name) {
  std::string session;
  if (const char* display = std::getenv("DISPLAY"))
    for (const char c : std::string(display))
      session += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return "/" + std::string(name) + "." + std::to_string(::getuid()) +
         (session.empty() ? "" : "." + session);
}

}  // namespace

HANDLE CreateFileMappingA(HANDLE file, void*, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                          LPCSTR name) {
  const size_t size = (static_cast<size_t>(sizeHigh) << 32) | sizeLow;
  if (file != INVALID_HANDLE_VALUE || !name || !*name || size == 0 ||
      (protect != PAGE_READWRITE && protect != PAGE_READONLY)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::string shmName = ShmName(name);
  const int fd = ::shm_open(shmName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  const bool owner = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (owner) {
    // New, or left behind by a process that died: start from zeroes.
    if (::ftruncate(fd, 0) != 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
      ::close(fd);
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
  } else {
    struct stat st {};
    if (::fstat(fd, &st) == 0 && static_cast<size_t>(st.st_size) < size) {
      ::close(fd);
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  }
  HANDLE handle = win32::MakeHandle(new FileMapping(fd, size, shmName, owner));
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
