// Any bytes as an INI file for the profile functions: every section and key is listed and
// read, through buffers cut at every length the Win32 rules allow (the buffers are exactly
// as large as claimed, so that a byte written past them is caught), then a key is written,
// changed and deleted. A write changes the key it names and nothing else: every other value
// read before reads the same after.
#include "fuzz/support/FuzzFiles.h"
#include "platform/win32/Profile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kMaxSections = 16;
constexpr std::size_t kMaxKeys = 16;
constexpr std::size_t kMaxCutReads = 4;

std::string s_root;
std::string s_file;

// A zero-separated list, ended by a second zero, as its names.
std::vector<std::string> splitList(const std::vector<char>& buffer, DWORD length) {
  std::vector<std::string> names;
  for (DWORD at = 0; at < length;) {
    names.emplace_back(&buffer[at]);
    at += static_cast<DWORD>(names.back().size()) + 1;
  }
  return names;
}

std::vector<std::string> list(const char* section) {
  std::vector<char> buffer(1 << 16);
  const DWORD n = GetPrivateProfileStringA(section, nullptr, "", buffer.data(),
                                           static_cast<DWORD>(buffer.size()), s_file.c_str());
  if (n >= buffer.size() - 1 || buffer[n] != '\0') std::abort();
  return splitList(buffer, n);
}

std::string read(const std::string& section, const std::string& key) {
  std::vector<char> buffer(1 << 16);
  const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "\x01", buffer.data(),
                                           static_cast<DWORD>(buffer.size()), s_file.c_str());
  if (n >= buffer.size() || buffer[n] != '\0') std::abort();
  return std::string(buffer.data(), n);
}

// The value read through a buffer of each size up to its length + 1: always the value's
// first size - 1 bytes and a zero, and never a byte beyond the buffer.
void readCut(const std::string& section, const std::string& key, const std::string& whole) {
  for (DWORD size = 1; size <= whole.size() + 1 && size < 64; ++size) {
    std::vector<char> buffer(size);
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "\x01", buffer.data(),
                                             size, s_file.c_str());
    if (n != std::min<DWORD>(size - 1, static_cast<DWORD>(whole.size())) || buffer[n] != '\0' ||
        whole.compare(0, n, buffer.data(), n) != 0)
      std::abort();
  }
  for (DWORD size = 1; size < 8; ++size) {  // the section lists, cut
    std::vector<char> buffer(size);
    GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), size, s_file.c_str());
    GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(), size, s_file.c_str());
  }
}

using Values = std::map<std::pair<std::string, std::string>, std::string>;

// Every value the functions can reach: the first section of each name, the first key of each
// name in it (case ignored, as the functions do).
Values readAll() {
  Values values;
  std::size_t sections = 0;
  for (const std::string& section : list(nullptr)) {
    if (++sections > kMaxSections) break;
    std::size_t keys = 0;
    for (const std::string& key : list(section.c_str())) {
      if (++keys > kMaxKeys) break;
      values.emplace(std::make_pair(section, key), read(section, key));
    }
  }
  return values;
}

bool sameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// After writing `value` (nullptr: deleting) to section/key, the key reads the value and every
// other value is unchanged. (A deleted key may still read a value: that of a later key of
// the same name, which the first one hid.)
void checkWrite(const Values& before, const std::string& section, const std::string& key,
                const char* value) {
  if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value, s_file.c_str())) return;
  if (value && read(section, key) != value) std::abort();
  for (const auto& [name, old] : before) {
    if (sameName(name.first, section) && sameName(name.second, key)) continue;
    if (read(name.first, name.second) != old) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  s_root = MakeFuzzScratchFolder("tc-ini-fuzz");
  s_file = s_root + "/fuzz.ini";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteFuzzInput(s_file, data, size);
  const Values before = readAll();
  std::size_t cut = 0;
  for (const auto& [name, value] : before) {
    if (++cut > kMaxCutReads) break;
    readCut(name.first, name.second, value);
    GetPrivateProfileIntA(name.first.c_str(), name.second.c_str(), 7, s_file.c_str());
  }

  // Names with a NUL in them cannot be named through the C strings of the functions (they
  // alias their first part): the write checks need files without.
  if (std::memchr(data, 0, size)) return 0;
  // A new key in the first section (or a new section), an existing key changed and deleted.
  const std::string section = before.empty() ? "fuzz" : before.begin()->first.first;
  checkWrite(before, section, "fuzzkey", "new value");
  Values now = readAll();
  if (!before.empty()) {
    const auto& [name, value] = *before.begin();
    checkWrite(now, name.first, name.second, "changed");
    now = readAll();
    checkWrite(now, name.first, name.second, nullptr);
  }
  WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, s_file.c_str());
  return 0;
}
