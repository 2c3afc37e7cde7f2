// Finds the client's data folder ("WeChat Files") and the account files in it.
// Every function works on the folder it is given, so that concurrent profile reads never
// share a string; only FindDataFolder consults the registry, ini files and documents folder.
#pragma once

#include <string>
#include <vector>

class CWeChatDataFolder {
 public:
  // Registry "FileSavePath" of HKCU\SOFTWARE\Tencent\WeChat plus "/WeChat Files" when that
  // folder exists; else the folder named by the most recently written ini file of the
  // roaming "Tencent/WeChat/All Users/config/" folder, if it exists; else the documents
  // folder plus "/WeChat Files" (even when missing).
  static std::string FindDataFolder();
  // The ini step alone; empty when no ini file names an existing folder.
  static std::string FindByIniFiles();

  // Account folders: sub-folders other than ".", "..", hidden or encrypted ones and
  // "All Users", in the file system's order (names only).
  static std::vector<std::string> ListAccountFolders(const std::string& dataFolder);
  // The "config/AccInfo.dat" written last among the account folders; ties keep the first.
  static std::string LatestAccountFile(const std::string& dataFolder);
  // "All Users/config/config.data" when the folder "All Users" exists; else empty.
  static std::string AllUsersConfigPath(const std::string& dataFolder);
  // The data file of the account that logged in last: named in config.data, else the latest.
  static std::string LoginAccountFile(const std::string& dataFolder);

  static constexpr const char* kDataFolderName = "WeChat Files";
  static constexpr const char* kAllUsers = "All Users";
};
