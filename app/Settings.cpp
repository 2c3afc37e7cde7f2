#include "app/Settings.h"

#include "platform/win32/Files.h"
#include "platform/win32/Profile.h"

#include <sys/stat.h>

#include <cstdlib>
#include <mutex>

namespace {

std::mutex g_programFolderMutex;
std::string g_programFolder;

constexpr DWORD kValueBuffer = 260;  // every settings read uses a 260-byte buffer

std::string ReadValue(const std::string& file, const char* section, const char* key) {
  char buffer[kValueBuffer];
  GetPrivateProfileStringA(section, key, "", buffer, kValueBuffer, file.c_str());
  return buffer;
}

std::string SysCfg() {
  return GetProgramFolder() + "sys.cfg";
}
std::string ProgramUserDat() {
  return GetProgramFolder() + "user.dat";
}
std::string UserUserDat() {
  return std::string(GetUserDataPath().GetData()) + "user.dat";
}

}  // namespace

std::string GetProgramFolder() {
  std::lock_guard<std::mutex> lock(g_programFolderMutex);
  if (g_programFolder.empty()) g_programFolder = win32::ProgramFolder();
  return g_programFolder;
}

void SetProgramFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_programFolderMutex);
  g_programFolder = folder;
  if (!g_programFolder.empty() && g_programFolder.back() != '/') g_programFolder += '/';
}

CDuiString GetWebServer() {
  return ReadValue(SysCfg(), "SYSTEM", "WebServer");
}
std::string GetVersion() {
  return ReadValue(SysCfg(), "SYSTEM", "VERSION");
}
std::string GetNewLineKey() {
  return ReadValue(SysCfg(), "SYSTEM", "NewLineKey");
}
bool GetKeepClipboard() {
  return ReadValue(SysCfg(), "SYSTEM", "KeepClipboard") != "0";
}
CDuiString GetLastUser() {
  return ReadValue(UserUserDat(), "LOGIN", "LastUser");
}
void SetLastUser(const char* name) {
  WritePrivateProfileStringA("LOGIN", "LastUser", name, UserUserDat().c_str());
}
CDuiString GetUserPwd() {
  return ReadValue(UserUserDat(), "LOGIN", "UserPwd");
}
void SetUserPwd(const char* password) {
  WritePrivateProfileStringA("LOGIN", "UserPwd", password, UserUserDat().c_str());
}
void ClearUserPwd() {
  WritePrivateProfileStringA("LOGIN", "UserPwd", nullptr, UserUserDat().c_str());
}

bool IsRememberPassword() {
  return std::atoi(ReadValue(ProgramUserDat(), "OPTION", "AutoPlay").c_str()) > 0;
}

CDuiString GetUserDataPath() {
  char appData[MAX_PATH];
  if (!SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, FALSE)) return CDuiString();
  return CDuiString(std::string(appData) + "/orvo2/");
}

namespace {
std::string userDataFile(const char* name) {
  const CDuiString folder = GetUserDataFolder();
  return folder.IsEmpty() ? std::string() : folder.str() + name;
}
}  // namespace

std::string GetShortcutSnapshotPath() {
  return userDataFile("mfls.xml");
}

std::string GetRemarkFilePath() {
  return userDataFile("remarks.xml");
}

CDuiString GetUserDataFolder() {
  // The roaming folder always exists on Windows; a fresh Linux account may lack ~/.config.
  char appData[MAX_PATH];
  if (!SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, TRUE)) return CDuiString();
  const CDuiString folder = GetUserDataPath();
  if (folder.IsEmpty()) return folder;
  // The folder holds the operator's password: it is the user's alone.
  if (!PathFileExistsA(folder) && ::mkdir(folder, 0700) != 0) return CDuiString();
  ::chmod(folder, 0700);
  return folder;
}
