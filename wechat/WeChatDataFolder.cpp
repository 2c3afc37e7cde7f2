#include "wechat/WeChatDataFolder.h"

#include "platform/log/Log.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"
#include "wechat/WeChatProfileReader.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace {

constexpr DWORD kFileAttributeEncrypted = 0x4000;

bool FolderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WithDataFolderName(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder + "/" + CWeChatDataFolder::kDataFolderName;
}

std::string FolderFromRegistry() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tencent\\WeChat", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    TC_LOG(TC_LOG_ERROR, "Failed in get wechat file directory.");
    return {};
  }
  char value[MAX_PATH] = {};
  DWORD type = REG_SZ;
  DWORD size = sizeof(value);
  std::string folder;
  if (RegQueryValueExA(key, "FileSavePath", nullptr, &type, reinterpret_cast<LPBYTE>(value),
                       &size) == ERROR_SUCCESS &&
      size > 0)
    folder = WithDataFolderName(
        std::string(value, strnlen(value, std::min<size_t>(size, sizeof(value)))));
  else
    TC_LOG(TC_LOG_ERROR, "Failed in Query wechat file directory.");
  RegCloseKey(key);
  return folder;
}

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) return {};
  return path;
}

std::string FirstLine(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string line;
  std::getline(file, line);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return line;
}

bool IsLater(const FILETIME& candidate, const FILETIME& best) {
  return CompareFileTime(&candidate, &best) > 0;
}

// Calls visit(entry) for each directory entry of folder/* that is a visible folder.
template <typename Visit>
void ForEachVisibleFolder(const std::string& folder, Visit visit) {
  WIN32_FIND_DATAA entry{};
  HANDLE find = FindFirstFileA((folder + "/*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE || find == nullptr) return;
  do {
    std::string name = entry.cFileName;
    if (name == "." || name == ".." || name.empty() || name[0] == '.') continue;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (entry.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | kFileAttributeEncrypted)) continue;
    if (!visit(name)) break;
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

bool LastWriteTime(const std::string& path, FILETIME& time) {
  WIN32_FIND_DATAA entry{};
  HANDLE find = FindFirstFileA(path.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE || find == nullptr) return false;
  FindClose(find);
  time = entry.ftLastWriteTime;
  return true;
}

}  // namespace

std::string CWeChatDataFolder::FindDataFolder() {
  std::string folder = FolderFromRegistry();
  if (!folder.empty() && FolderExists(folder)) {
    TC_LOGF(TC_LOG_INFO, "Get WeChat CfgDir from register: %s.", folder.c_str());
    return folder;
  }
  folder = FindByIniFiles();
  if (!folder.empty()) return folder;
  folder = WithDataFolderName(SpecialFolder(CSIDL_PERSONAL));
  if (FolderExists(folder))
    TC_LOGF(TC_LOG_INFO, "Get wechat file directory from default: %s.", folder.c_str());
  return folder;
}

std::string CWeChatDataFolder::FindByIniFiles() {
  std::string appData = SpecialFolder(CSIDL_APPDATA);
  if (appData.empty()) return {};
  const std::string configFolder = appData + "/Tencent/WeChat/All Users/config/";
  WIN32_FIND_DATAA entry{};
  HANDLE find = FindFirstFileA((configFolder + "*.ini").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE || find == nullptr) return {};
  FILETIME best{0, 0};
  std::string result;
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!IsLater(entry.ftLastWriteTime, best)) continue;
    std::string named = FirstLine(configFolder + entry.cFileName);
    if (named.empty()) continue;
    std::string folder = WithDataFolderName(named);
    if (!FolderExists(folder)) continue;
    result = folder;
    best = entry.ftLastWriteTime;
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return result;
}

std::vector<std::string> CWeChatDataFolder::ListAccountFolders(const std::string& dataFolder) {
  std::vector<std::string> names;
  ForEachVisibleFolder(dataFolder, [&](const std::string& name) {
    if (name != kAllUsers) names.push_back(name);
    return true;
  });
  return names;
}

std::string CWeChatDataFolder::LatestAccountFile(const std::string& dataFolder) {
  FILETIME best{0, 0};
  std::string latest;
  for (const std::string& name : ListAccountFolders(dataFolder)) {
    std::string path = dataFolder + "/" + name + "/config/AccInfo.dat";
    FILETIME written{};
    if (!LastWriteTime(path, written) || !IsLater(written, best)) continue;
    best = written;
    latest = path;
  }
  return latest;
}

std::string CWeChatDataFolder::AllUsersConfigPath(const std::string& dataFolder) {
  bool found = false;
  ForEachVisibleFolder(dataFolder, [&](const std::string& name) {
    found = name == kAllUsers;
    return !found;
  });
  return found ? dataFolder + "/" + kAllUsers + "/config/config.data" : std::string();
}

std::string CWeChatDataFolder::LoginAccountFile(const std::string& dataFolder) {
  TC_LOGF(TC_LOG_INFO, "Get wechat config root path: %s.", dataFolder.c_str());
  std::string allUsers = AllUsersConfigPath(dataFolder);
  TC_LOGF(TC_LOG_INFO, "Get wechat config all users path: %s.", allUsers.c_str());
  std::string answer;
  std::string hex;
  if (!allUsers.empty() && CWeChatProfileReader::ReadFileAsHexText(allUsers, hex)) {
    answer = CWeChatProfileReader::ParseLoginPath(hex);
    TC_LOGF(TC_LOG_INFO, "Get wechat config user path from config: %s.", answer.c_str());
  }
  if (answer.empty()) {
    answer = LatestAccountFile(dataFolder);
    TC_LOGF(TC_LOG_INFO, "Get wechat config user path by latest: %s.", answer.c_str());
  }
  return answer;
}
