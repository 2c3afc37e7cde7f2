#include "platform/win32/Registry.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include <sys/stat.h>

using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WriteText;

namespace {

const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WeChat";

class RegistryTest : public ::testing::Test {
 protected:
  TempDir dir_;
  ScopedEnv hklm_{"TC_HKLM_FILE", dir_.file("hklm.ini")};
  ScopedEnv hkcu_{"TC_HKCU_FILE", dir_.file("hkcu.ini")};
};

std::string QueryString(HKEY root, const char* path, const char* name, DWORD* bytesOut = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
  char buffer[512];
  DWORD bytes = sizeof buffer;
  DWORD type = 0;
  const LONG rc =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &bytes);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return "<no value>";
  if (bytesOut) *bytesOut = bytes;
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  return std::string(buffer);
}

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

}  // namespace

// The machine hive is read by every user of the program folder; the user's hive is theirs.
TEST_F(RegistryTest, MachineHiveIsReadableByAllAndUserHiveByTheUserAlone) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tencent\\WeChat", 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(ModeOf(dir_.file("hklm.ini")), 0644u);
  EXPECT_EQ(ModeOf(dir_.file("hkcu.ini")), 0600u);
}

// A machine hive written 0600 by an older build is opened up by the next write to it.
TEST_F(RegistryTest, PrivateMachineHiveBecomesReadableOnWrite) {
  WriteText(dir_.file("hklm.ini"), std::string("[") + kUninstall + "]\n@created=1\n");
  ASSERT_EQ(::chmod(dir_.file("hklm.ini").c_str(), 0600), 0);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_WRITE, &key), ERROR_SUCCESS);
  const char value[] = "/opt/wechat/WeChat.exe";
  ASSERT_EQ(RegSetValueExA(key, "DisplayIcon", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           sizeof value),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(ModeOf(dir_.file("hklm.ini")), 0644u);
  EXPECT_EQ(QueryString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayIcon"), value);
}

TEST_F(RegistryTest, ReadsHandWrittenValuesWithAndWithoutQuotes) {
  WriteText(dir_.file("hklm.ini"),
            std::string("[") + kUninstall +
                "]\nDisplayIcon=\"\"/opt/wechat/WeChat\"\"\nPlain=/opt/wechat/WeChat\n");
  DWORD bytes = 0;
  EXPECT_EQ(QueryString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayIcon", &bytes),
            "\"/opt/wechat/WeChat\"");
  EXPECT_EQ(bytes, std::strlen("\"/opt/wechat/WeChat\"") + 1)
      << "byte count includes the terminating zero";
  EXPECT_EQ(QueryString(HKEY_LOCAL_MACHINE, kUninstall, "Plain"), "/opt/wechat/WeChat");
}

TEST_F(RegistryTest, MissingKeyOrValueIsFileNotFound) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tencent\\WeChat", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  WriteText(dir_.file("hkcu.ini"), "[SOFTWARE\\Tencent\\WeChat]\nOther=1\n");
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\tencent\\wechat", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  DWORD bytes = 0;
  EXPECT_EQ(RegQueryValueExA(key, "FileSavePath", nullptr, nullptr, nullptr, &bytes),
            ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryTest, WrittenValuesRoundTripWithQuotesSpacesAndChinese) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tencent\\WeChat", 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::string value = "\"/home/用户 one/WeChat Files\" ";
  ASSERT_EQ(
      RegSetValueExA(key, "FileSavePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1)),
      ERROR_SUCCESS);
  const DWORD number = 0x1234;
  ASSERT_EQ(RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                           sizeof number),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(QueryString(HKEY_CURRENT_USER, "SOFTWARE\\Tencent\\WeChat", "FileSavePath"), value);

  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tencent\\WeChat", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  DWORD read = 0, type = 0, bytes = sizeof read;
  EXPECT_EQ(RegQueryValueExA(key, "Count", nullptr, &type, reinterpret_cast<LPBYTE>(&read), &bytes),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(read, number);
  RegCloseKey(key);
}

TEST_F(RegistryTest, ReportsTheSizeNeededWhenTheBufferIsShort) {
  WriteText(dir_.file("hklm.ini"),
            std::string("[") + kUninstall + "]\nDisplayIcon=/opt/a/WeChat\n");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD bytes = 0;
  EXPECT_EQ(RegQueryValueExA(key, "DisplayIcon", nullptr, nullptr, nullptr, &bytes), ERROR_SUCCESS);
  EXPECT_EQ(bytes, 14u);
  char small[4];
  bytes = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "DisplayIcon", nullptr, nullptr, reinterpret_cast<LPBYTE>(small),
                             &bytes),
            ERROR_MORE_DATA);
  EXPECT_EQ(bytes, 14u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, RefusesLineBreaksInValues) {
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, "A", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  const char* bad = "x\n[evil]\ny=1";
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(bad), 14),
            ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

namespace {

TEST(MachineHive, BesideAProgramInAWritableFolder) {
  TempDir program;
  EXPECT_EQ(win32::MachineHiveFile(program.folder(), "/home/op/.config/"),
            program.folder() + "HKEY_LOCAL_MACHINE.ini");
}

TEST(MachineHive, InTheUsersFolderForAnInstalledProgram) {
  EXPECT_EQ(win32::MachineHiveFile("/usr/lib/tandem-chats/", "/home/op/.config/"),
            "/home/op/.config/tandem_chats/HKEY_LOCAL_MACHINE.ini");
  EXPECT_EQ(win32::MachineHiveFile("/usr/local/lib/tandem-chats/", "/home/op/.config"),
            "/home/op/.config/tandem_chats/HKEY_LOCAL_MACHINE.ini");
}

TEST(MachineHive, InTheUsersFolderWhenTheProgramFolderIsMissing) {
  EXPECT_EQ(win32::MachineHiveFile("/nonexistent/tandem-chats/", "/home/op/.config/"),
            "/home/op/.config/tandem_chats/HKEY_LOCAL_MACHINE.ini");
}

TEST(MachineHive, BesideTheProgramWhenThereIsNoUserFolder) {
  EXPECT_EQ(win32::MachineHiveFile("/usr/lib/tandem-chats/", ""),
            "/usr/lib/tandem-chats/HKEY_LOCAL_MACHINE.ini");
}

}  // namespace

namespace {

TEST(MachineHive, AKeyCreatedInAFreshUsersFolderMakesTheFoldersAboveIt) {
  TempDir home;
  const std::string hive = home.file("no/config/yet/tandem_chats/HKEY_LOCAL_MACHINE.ini");
  ScopedEnv hklm("TC_HKLM_FILE", hive);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  const char value[] = "/usr/lib/tandem-chats/standin";
  EXPECT_EQ(RegSetValueExA(key, "DisplayIcon", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           sizeof value),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_TRUE(std::filesystem::exists(hive));
}

}  // namespace
