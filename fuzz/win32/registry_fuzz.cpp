// Any bytes as a registry hive file (HKEY_CURRENT_USER): every key (section) is opened and
// every value queried the way callers do, size first and then the data, through buffers of
// exactly the size claimed; a value is then set, as text and as a number, and must read back
// as set, under the key itself and under a sub-key made for it.
#include "fuzz/support/FuzzFiles.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Profile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMaxKeys = 16;
constexpr std::size_t kMaxValues = 16;

std::string s_root;
std::string s_hive;

std::vector<std::string> list(const char* section) {
  std::vector<char> buffer(1 << 16);
  const DWORD n = GetPrivateProfileStringA(section, nullptr, "", buffer.data(),
                                           static_cast<DWORD>(buffer.size()), s_hive.c_str());
  std::vector<std::string> names;
  for (DWORD at = 0; at < n;) {
    names.emplace_back(&buffer[at]);
    at += static_cast<DWORD>(names.back().size()) + 1;
  }
  return names;
}

// Size, then data: the two agree, a string ends in its zero, a number has four bytes, and a
// buffer one byte short gets ERROR_MORE_DATA without a byte written past it.
void queryValue(HKEY key, const std::string& name) {
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return;
  std::vector<BYTE> data(size);
  DWORD got = size;
  DWORD gotType = REG_NONE;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &gotType, data.data(), &got) != ERROR_SUCCESS ||
      got != size || gotType != type)
    std::abort();
  if (type == REG_SZ && (size == 0 || data[size - 1] != 0)) std::abort();
  if (type == REG_DWORD && size != sizeof(DWORD)) std::abort();
  if (size > 1) {  // (no buffer at all is a size query, which succeeds)
    std::vector<BYTE> shorter(size - 1);
    DWORD shortSize = size - 1;
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, shorter.data(), &shortSize) !=
        ERROR_MORE_DATA)
      std::abort();
  }
}

void checkSetValues(HKEY key) {
  const char text[] = "C:\\Users\\a b\\\"quoted\"";
  if (RegSetValueExA(key, "fuzzText", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     sizeof text) == ERROR_SUCCESS) {
    char got[sizeof text + 8] = {};
    DWORD size = sizeof got;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key, "fuzzText", nullptr, &type, reinterpret_cast<BYTE*>(got), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ || size != sizeof text || std::memcmp(got, text, sizeof text) != 0)
      std::abort();
  }
  const DWORD number = 0xDEADBEEF;
  if (RegSetValueExA(key, "fuzzNumber", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof number) == ERROR_SUCCESS) {
    DWORD got = 0;
    DWORD size = sizeof got;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key, "fuzzNumber", nullptr, &type, reinterpret_cast<BYTE*>(&got), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || got != number)
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  s_root = MakeFuzzScratchFolder("tc-registry-fuzz");
  s_hive = s_root + "/HKEY_CURRENT_USER.ini";
  setenv("TC_HKCU_FILE", s_hive.c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteFuzzInput(s_hive, data, size);
  std::size_t keys = 0;
  for (const std::string& path : list(nullptr)) {
    if (++keys > kMaxKeys) break;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      continue;
    std::size_t values = 0;
    for (const std::string& name : list(path.c_str())) {
      if (++values > kMaxValues) break;
      queryValue(key, name == "@" ? std::string() : name);
    }
    RegCloseKey(key);
  }
  // The key the copies manager reads, and a sub-key created below it.
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tencent\\WeChat", 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) == ERROR_SUCCESS) {
    queryValue(key, "FileSavePath");
    checkSetValues(key);
    HKEY sub = nullptr;
    if (RegCreateKeyExA(key, "Fuzz\\Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr) ==
        ERROR_SUCCESS) {
      checkSetValues(sub);
      RegCloseKey(sub);
    }
    RegCloseKey(key);
  }
  return 0;
}
