#include "standin/AccountFiles.h"

#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"

#include <algorithm>
#include <filesystem>

namespace standin {
namespace {

constexpr std::size_t kMaxShortValue = 255 - 4;
constexpr std::size_t kMaxAddress = 255 - 3 - 2;

std::string safeFolderName(const std::string& name) {
  std::string safe;
  for (char c : name) safe += (c == '/' || c == '\\') ? '_' : c;
  if (safe.empty() || safe == "." || safe == "..") safe = "_" + safe;
  return safe;
}

}  // namespace

std::string ShortRecord(unsigned char key, const std::string& value) {
  const std::string cut = value.substr(0, kMaxShortValue);
  std::string record;
  record += '\x1A';
  record += static_cast<char>(4 + cut.size());
  record += '\x08';
  record += static_cast<char>(key);
  record += '\x12';
  record += static_cast<char>(cut.size());
  record += cut;
  return record;
}

std::string AddressRecord(unsigned char key, const std::string& address) {
  // L counts the area plus three: the reader takes the tag (4 bytes) and then 2L - 6 hex
  // characters of area.
  const std::string area = std::string("\x0A\x00", 2) + address.substr(0, kMaxAddress);
  std::string record;
  record += '\x1A';
  record += static_cast<char>(area.size() + 3);
  record += '\x01';
  record += '\x08';
  record += static_cast<char>(key);
  record += '\x12';
  record += area;
  return record;
}

std::string BuildAccInfo(const TAccount& account) {
  std::string bytes = ShortRecord(0x01, "standin");  // header, skipped by readers
  bytes += ShortRecord(0x04, account.strId);
  bytes += ShortRecord(0x0A, account.strNickname);
  bytes += ShortRecord(0x40, account.strKey40);
  if (!account.strAvatar.empty()) bytes += AddressRecord(0x66, account.strAvatar);
  if (!account.strAvatar2.empty()) bytes += AddressRecord(0x6A, account.strAvatar2);
  return bytes;
}

std::string BuildConfigData(const std::string& accInfoPath) {
  return ShortRecord(0x01, "standin") + ShortRecord(0x32, accInfoPath);
}

std::string DataFolder(const std::string& root) {
  return root + "/WeChat Files";
}

std::string WriteAccountFiles(const std::string& root, const TAccount& account) {
  const std::string data = DataFolder(root);
  const std::string accountConfig = data + "/" + safeFolderName(account.strId) + "/config";
  const std::string sharedConfig = data + "/All Users/config";
  std::error_code error;
  std::filesystem::create_directories(accountConfig, error);
  std::filesystem::create_directories(sharedConfig, error);
  const std::string accInfo = accountConfig + "/AccInfo.dat";
  if (!win32::WriteFileAtomically(accInfo, BuildAccInfo(account))) return {};
  if (!win32::WriteFileAtomically(sharedConfig + "/config.data", BuildConfigData(accInfo)))
    return {};
  return accInfo;
}

namespace {

bool writeString(HKEY root, const char* keyPath, const char* name, const std::string& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const LONG result =
      RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

}  // namespace

bool RegisterDataRoot(const std::string& root) {
  return writeString(HKEY_CURRENT_USER, "SOFTWARE\\Tencent\\WeChat", "FileSavePath", root);
}

bool RegisterAsClient(const std::string& programPath) {
  return writeString(HKEY_LOCAL_MACHINE,
                     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WeChat",
                     "DisplayIcon", "\"" + programPath + "\"");
}

}  // namespace standin
