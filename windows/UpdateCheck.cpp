#include "windows/UpdateCheck.h"

#include "platform/log/Log.h"
#include "platform/ui/UIlib.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "server/ConnServer.h"

#include <string>

int CheckUpdate(HWND owner) {
  TC_TRACE("::CheckUpdate()");
  std::string downUrl;
  CConnServer conn;
  const int result = conn.QueryVersion(downUrl, GetVersion());
  TC_LOG(TC_LOG_INFO, "version check: " << result << ", download address \"" << downUrl << "\"");
  const char* text = nullptr;
  UINT style = 0;
  if (result == kUpdateRequired) {
    text = kUpdateRequiredText;
    style = MB_OK | MB_ICONINFORMATION;
  } else if (result == kUpdateOffered) {
    text = kUpdateOfferedText;
    style = MB_OKCANCEL | MB_ICONINFORMATION;
  } else {
    return result;
  }
  if (::MessageBoxA(owner, text, "版本更新", style) == IDCANCEL) return result;

  const std::string address = MakeDownloadAddress(downUrl, GetWebServer().str());
  TC_LOG(TC_LOG_INFO, "opening the download " << address);
  ::ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  ::PostMessageA(owner, WM_QUIT, 0, 0);
  return result;
}
