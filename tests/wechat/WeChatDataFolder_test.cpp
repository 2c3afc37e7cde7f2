#include "wechat/WeChatDataFolder.h"

#include "platform/win32/Registry.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A private home: HOME, XDG_CONFIG_HOME and the HKCU hive all point into a temp folder.
class DataFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::make_unique<testing_support::TempDir>("wechat_data");
    root_ = folder_->path();
    fs::create_directories(root_ / "home" / ".config");
    env_.Set("HOME", (root_ / "home").string());
    env_.Set("XDG_CONFIG_HOME", (root_ / "home" / ".config").string());
    env_.Set("TC_HKCU_FILE", (root_ / "hkcu.ini").string());
  }
  void SetFileSavePath(const std::string& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tencent\\WeChat", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "FileSavePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
  }
  std::string MakeFolder(const fs::path& path) {
    fs::create_directories(path);
    return path.string();
  }
  void WriteFile(const fs::path& path, const std::string& text, int ageSeconds) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
  }
  fs::path IniFolder() {
    return root_ / "home" / ".config" / "Tencent" / "WeChat" / "All Users" / "config";
  }

  std::unique_ptr<testing_support::TempDir> folder_;
  fs::path root_;
  testing_support::ScopedEnv env_;
};

TEST_F(DataFolder, RegistryValueWinsWhenItsFolderExists) {
  std::string folder = MakeFolder(root_ / "reg" / "WeChat Files");
  SetFileSavePath((root_ / "reg").string());
  WriteFile(IniFolder() / "a.ini", MakeFolder(root_ / "ini"), 1);
  MakeFolder(root_ / "ini" / "WeChat Files");
  EXPECT_EQ(CWeChatDataFolder::FindDataFolder(), folder);
}

TEST_F(DataFolder, PlaceholderInRegistryLeadsToTheIniFiles) {
  SetFileSavePath("MyDocument:");
  std::string named = MakeFolder(root_ / "ini");
  std::string folder = MakeFolder(root_ / "ini" / "WeChat Files");
  WriteFile(IniFolder() / "3.ini", named + "\r\nsecond line", 5);
  EXPECT_EQ(CWeChatDataFolder::FindDataFolder(), folder);
}

TEST_F(DataFolder, TheMostRecentlyWrittenIniWithAnExistingFolderWins) {
  MakeFolder(root_ / "old" / "WeChat Files");
  MakeFolder(root_ / "new" / "WeChat Files");
  WriteFile(IniFolder() / "a.ini", (root_ / "old").string(), 100);
  WriteFile(IniFolder() / "b.ini", (root_ / "new").string(), 10);
  WriteFile(IniFolder() / "c.ini", (root_ / "missing").string(), 1);  // newest, folder missing
  WriteFile(IniFolder() / "d.txt", (root_ / "old").string(), 0);      // not an ini file
  EXPECT_EQ(CWeChatDataFolder::FindByIniFiles(), (root_ / "new" / "WeChat Files").string());
}

TEST_F(DataFolder, DocumentsFolderIsTheLastResortEvenWhenMissing) {
  EXPECT_EQ(CWeChatDataFolder::FindDataFolder(),
            (root_ / "home" / "Documents" / "WeChat Files").string());
  std::string folder = MakeFolder(root_ / "home" / "Documents" / "WeChat Files");
  EXPECT_EQ(CWeChatDataFolder::FindDataFolder(), folder);
}

TEST_F(DataFolder, OnlyVisibleAccountFoldersAreCandidatesAndTheLatestFileWins) {
  fs::path data = root_ / "WeChat Files";
  WriteFile(data / "All Users" / "config" / "AccInfo.dat", "x", 0);
  WriteFile(data / ".hidden" / "config" / "AccInfo.dat", "x", 0);
  WriteFile(data / "wxid_old" / "config" / "AccInfo.dat", "x", 50);
  WriteFile(data / "wxid_new" / "config" / "AccInfo.dat", "x", 5);
  WriteFile(data / "plainfile", "x", 0);
  MakeFolder(data / "wxid_nofile");
  auto names = CWeChatDataFolder::ListAccountFolders(data.string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"wxid_new", "wxid_nofile", "wxid_old"}));
  EXPECT_EQ(CWeChatDataFolder::LatestAccountFile(data.string()),
            (data / "wxid_new" / "config" / "AccInfo.dat").string());
}

TEST_F(DataFolder, NoAccountFileGivesEmpty) {
  EXPECT_EQ(CWeChatDataFolder::LatestAccountFile((root_ / "nowhere").string()), "");
  EXPECT_EQ(CWeChatDataFolder::LoginAccountFile((root_ / "nowhere").string()), "");
  EXPECT_EQ(CWeChatDataFolder::AllUsersConfigPath((root_ / "nowhere").string()), "");
}

std::string ConfigDataNaming(const std::string& path) {
  std::string bytes = {0x1A, static_cast<char>(path.size() + 4), 0x08, 0x32,
                       0x12, static_cast<char>(path.size())};
  return bytes + path;
}

TEST_F(DataFolder, ConfigDataNamesTheLoginAccountElseTheLatestIsTaken) {
  fs::path data = root_ / "WeChat Files";
  WriteFile(data / "wxid_a" / "config" / "AccInfo.dat", "a", 50);
  WriteFile(data / "wxid_b" / "config" / "AccInfo.dat", "b", 5);
  std::string latest = (data / "wxid_b" / "config" / "AccInfo.dat").string();
  EXPECT_EQ(CWeChatDataFolder::LoginAccountFile(data.string()), latest);  // no All Users

  WriteFile(data / "All Users" / "config" / "config.data", "no tag", 0);
  EXPECT_EQ(CWeChatDataFolder::AllUsersConfigPath(data.string()),
            (data / "All Users" / "config" / "config.data").string());
  EXPECT_EQ(CWeChatDataFolder::LoginAccountFile(data.string()), latest);  // no 083212 entry

  std::string named = (data / "wxid_a" / "config" / "AccInfo.dat").string();
  WriteFile(data / "All Users" / "config" / "config.data", ConfigDataNaming(named), 0);
  EXPECT_EQ(CWeChatDataFolder::LoginAccountFile(data.string()), named);
}

}  // namespace
