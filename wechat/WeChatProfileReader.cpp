#include "wechat/WeChatProfileReader.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

constexpr char kEntryMark[] = "1A";
constexpr char kHttpHex[] = "687474703A2F2F";  // "http://"
constexpr size_t kHttpHexLength = sizeof(kHttpHex) - 1;
constexpr char kLoginPathTag[] = "083212";

// Tags of the short shape, by slot; empty where a slot is filled by the long shape only.
constexpr const char* kShortTags[WECHATCFGDATA::kSlotCount] = {
    "080412", "080A12", "083012", "083212", "084A12", "083412", "084012",
    "086612", "084812", "",       "",       "084612", "",       "081012"};
// Tags of the long shape, by slot; empty where a slot has none.
constexpr const char* kLongTags[WECHATCFGDATA::kSlotCount] = {
    "", "", "", "", "", "", "", "01086612", "", "01086A12", "01086C12", "", "01086812", ""};

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

// The hex digits [pos, pos + count) cut to the text; empty past its end.
std::string Cut(const std::string& hex, size_t pos, long long count) {
  if (count <= 0 || pos >= hex.size()) return {};
  return hex.substr(pos, static_cast<size_t>(count));
}

// The entry length L written after the mark at pos.
long long EntryLength(const std::string& hex, size_t mark) {
  std::string bytes = CWeChatProfileReader::FromHexText(Cut(hex, mark + 2, 2));
  return bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]);
}

int SlotOfTag(const char* const (&tags)[WECHATCFGDATA::kSlotCount], const std::string& tag) {
  for (int slot = 0; slot < WECHATCFGDATA::kSlotCount; ++slot)
    if (tags[slot][0] != '\0' && tag == tags[slot]) return slot;
  return -1;
}

// Short shape at mark: tag "08KK12" at mark+4, value of 2L-8 digits from mark+12.
// Returns where the search goes on.
size_t TakeShortEntry(const std::string& hex, size_t mark, long long length, std::string* slots) {
  std::string tag = Cut(hex, mark + 4, 6);
  int slot = SlotOfTag(kShortTags, tag);
  if (slot < 0) return mark + 1;
  std::string value = Cut(hex, mark + 12, 2 * length - 8);
  slots[slot] = value;
  return mark + 12 + value.size();
}

// Long shape at mark: tag "0108KK12" at mark+4, value area of 2L-6 digits from mark+12;
// the value is the area's tail that starts with "http://".
size_t TakeLongEntry(const std::string& hex, size_t mark, long long length, std::string* slots) {
  long long areaLength = 2 * length - 6;
  if (areaLength <= static_cast<long long>(kHttpHexLength)) return mark + 1;
  const size_t areaStart = mark + 12;
  for (long long offset = 0; areaLength - offset > static_cast<long long>(kHttpHexLength);
       ++offset) {
    if (Cut(hex, areaStart + offset, kHttpHexLength) != kHttpHex) continue;
    int slot = SlotOfTag(kLongTags, Cut(hex, mark + 4, 8));
    if (slot < 0) return mark + 1;
    slots[slot] = Cut(hex, areaStart + offset, areaLength - offset);
    return areaStart + static_cast<size_t>(areaLength);
  }
  return mark + 1;
}

}  // namespace

std::string CWeChatProfileReader::ToHexText(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char byte : bytes) {
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0x0F]);
  }
  return hex;
}

std::string CWeChatProfileReader::FromHexText(const std::string& hex) {
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<char>(HexDigitValue(hex[i]) * 16 + HexDigitValue(hex[i + 1])));
  return bytes;
}

bool CWeChatProfileReader::ReadFileAsHexText(const std::string& path, std::string& hex) {
  hex.clear();
  std::error_code error;
  if (path.empty() || !std::filesystem::is_regular_file(path, error)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad() || bytes.empty()) return false;
  hex = ToHexText(bytes);
  return true;
}

WECHATCFGDATA CWeChatProfileReader::ParseAccountInfo(const std::string& hex) {
  std::string slots[WECHATCFGDATA::kSlotCount];
  size_t mark = hex.find(kEntryMark);
  if (mark != std::string::npos)
    mark = hex.find(kEntryMark, mark + 1);  // the first entry is skipped
  while (mark != std::string::npos) {
    long long length = EntryLength(hex, mark);
    std::string shape = Cut(hex, mark + 4, 2);
    size_t next = mark + 1;
    if (shape == "08")
      next = TakeShortEntry(hex, mark, length, slots);
    else if (shape == "01")
      next = TakeLongEntry(hex, mark, length, slots);
    mark = hex.find(kEntryMark, next);
  }
  WECHATCFGDATA profile;
  for (int slot = 0; slot < WECHATCFGDATA::kSlotCount; ++slot)
    profile.Slot(slot) = FromHexText(slots[slot]);
  return profile;
}

WECHATCFGDATA CWeChatProfileReader::ReadProfile(const std::string& path) {
  std::string hex;
  if (!ReadFileAsHexText(path, hex)) return {};
  return ParseAccountInfo(hex);
}

std::string CWeChatProfileReader::ParseLoginPath(const std::string& hex) {
  for (size_t mark = hex.find(kEntryMark); mark != std::string::npos;
       mark = hex.find(kEntryMark, mark + 1)) {
    if (Cut(hex, mark + 4, 2) != "08" || Cut(hex, mark + 4, 6) != kLoginPathTag) continue;
    return FromHexText(Cut(hex, mark + 12, 2 * EntryLength(hex, mark) - 8));
  }
  return {};
}

std::string CWeChatProfileReader::SafeFileName(const std::string& raw) {
  std::string name;
  for (char c : raw) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) continue;
    name.push_back(c);
  }
  for (size_t dots = name.find(".."); dots != std::string::npos; dots = name.find(".."))
    name.erase(dots, 2);
  if (name == ".") name.clear();
  return name;
}

std::string CWeChatProfileReader::FaceFileName(const WECHATCFGDATA& profile) {
  return SafeFileName(profile.strKey40 + profile.strWeChatId);
}
