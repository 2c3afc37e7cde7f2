#include "app/Startup.h"

#include "platform/log/Log.h"
#include "app/Settings.h"
#include "platform/win32/Files.h"
#include "platform/win32/SharedMemory.h"

#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr DWORD kBlockSize = 4;  // the main frame's handle as a 32-bit value

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

}  // namespace

bool PrepareFolders() {
  TC_TRACE("::PrepareFolders()");
  const std::string programFolder = GetProgramFolder();
  const std::string userFolder = GetUserDataFolder().str();
  if (userFolder.empty()) return false;
  const std::string seed = programFolder + "user.dat";
  if (PathFileExistsA(seed.c_str())) {
    const std::string target = userFolder + "user.dat";
    if (CopyFileA(seed.c_str(), target.c_str(), TRUE)) ::chmod(target.c_str(), 0600);
  }
  return true;
}

HANDLE CheckSingleInstance(const char* name) {
  TC_TRACE("::CheckSingleInstance()");
  HANDLE block =
      CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBlockSize, name);
  if (!block) {
    const int error = errno;
    const DWORD lastError = GetLastError();
    TC_LOG(TC_LOG_ERROR, "the single-instance block cannot be opened: " << std::strerror(error));
    SetLastError(lastError);  // the log may have touched both
    errno = error;
    return nullptr;
  }
  if (GetLastError() != ERROR_ALREADY_EXISTS) return block;

  const void* view = MapViewOfFile(block, FILE_MAP_READ, 0, 0, 0);
  if (!view) return block;  // go on as if no other instance ran
  DWORD stored = 0;
  std::memcpy(&stored, view, sizeof stored);
  TC_LOGF(TC_LOG_INFO, "another instance is running, its window: 0x%08x", stored);
  BringInstanceWindowForward(ULong32ToHandle(stored));
  UnmapViewOfFile(view);
  CloseHandle(block);
  SetLastError(ERROR_ALREADY_EXISTS);
  return nullptr;
}

void PublishInstanceWindow(HANDLE block, HWND mainFrame) {
  void* view = MapViewOfFile(block, FILE_MAP_WRITE, 0, 0, 0);
  if (!view) return;
  const DWORD value = HandleToULong32(mainFrame);
  std::memcpy(view, &value, sizeof value);
  UnmapViewOfFile(view);
}

std::string MakeDownloadAddress(const std::string& downUrl, const std::string& webServer) {
  if (StartsWithNoCase(downUrl, "http://") || StartsWithNoCase(downUrl, "https://")) return downUrl;
  if (!downUrl.empty() && downUrl[0] == '/')
    return (webServer.empty() ? webServer : webServer.substr(0, webServer.size() - 1)) + downUrl;
  return webServer + downUrl;
}
