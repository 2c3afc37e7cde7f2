#include "platform/win32/Profile.h"

#include "platform/win32/Files.h"
#include "platform/win32/KernelObject.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <strings.h>
#include <vector>

namespace {

std::mutex g_profileMutex;  // read-modify-write of one file must not interleave

// What Windows trims around names and values: blanks, every control from tab to carriage
// return, and ^Z (DOS end of file). A stray carriage return (a last line "k=v\r" without its
// line feed) is no part of a value, so a write elsewhere in the file cannot change it.
constexpr char kProfileBlanks[] = " \t\n\v\f\r\x1A";

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(kProfileBlanks);
  if (first == std::string::npos) return std::string();
  const auto last = text.find_last_not_of(kProfileBlanks);
  return text.substr(first, last - first + 1);
}

bool EqualNoCase(const std::string& a, const char* b) {
  return strcasecmp(a.c_str(), b) == 0;
}

struct IniLine {
  std::string raw;      // the line as in the file, without its line ending
  std::string section;  // set for "[section]" lines
  std::string key;      // set for "key=value" lines
  std::string value;
  bool isSection = false;
  bool isEntry = false;
};

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

struct IniFile {
  std::vector<IniLine> lines;
  std::string newline = "\n";
  bool bom = false;  // written back, so that a write leaves the file's start as it was
};

IniLine ParseLine(const std::string& raw) {
  IniLine line;
  line.raw = raw;
  const std::string text = Trim(raw);
  if (text.empty() || text[0] == ';' || text[0] == '#') return line;
  if (text[0] == '[') {
    const auto close = text.find(']');
    line.isSection = true;
    line.section = Trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return line;
  }
  const auto eq = text.find('=');
  if (eq == std::string::npos) return line;
  line.isEntry = true;
  line.key = Trim(text.substr(0, eq));
  line.value = Trim(text.substr(eq + 1));
  return line;
}

IniFile Parse(const std::string& content) {
  IniFile file;
  size_t start = 0;
  file.bom = content.compare(0, 3, kUtf8Bom) == 0;
  if (file.bom) start = 3;
  if (content.find("\r\n") != std::string::npos) file.newline = "\r\n";
  while (start < content.size()) {
    auto end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string raw = content.substr(start, end - start);
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    file.lines.push_back(ParseLine(raw));
    start = end + 1;
  }
  return file;
}

bool Load(const char* fileName, IniFile& file) {
  std::string content;
  if (!win32::ReadWholeFile(fileName, content)) return false;
  file = Parse(content);
  return true;
}

std::string Serialise(const IniFile& file) {
  std::string out = file.bom ? kUtf8Bom : "";
  for (const auto& line : file.lines) out += line.raw + file.newline;
  return out;
}

// Index of the section header, or -1.
int FindSection(const IniFile& file, const char* section) {
  for (size_t i = 0; i < file.lines.size(); ++i)
    if (file.lines[i].isSection && EqualNoCase(file.lines[i].section, section))
      return static_cast<int>(i);
  return -1;
}

// One past the last line that belongs to the section starting at header.
size_t SectionEnd(const IniFile& file, int header) {
  size_t i = static_cast<size_t>(header) + 1;
  while (i < file.lines.size() && !file.lines[i].isSection) ++i;
  return i;
}

// A value in matching double or single quotes loses them, as on Windows.
std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// Copies into the caller's buffer with the Win32 cut: at most size-1 bytes plus the zero.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  const DWORD n = std::min<DWORD>(static_cast<DWORD>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

// A list of names, each zero-terminated, the whole ended by a second zero; cut like Windows.
DWORD CopyOutList(const std::vector<std::string>& names, LPSTR buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  if (size < 2) {
    buffer[0] = '\0';
    return 0;
  }
  std::string list;
  for (const auto& name : names) list += name + '\0';
  if (list.size() + 1 <= size) {
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return static_cast<DWORD>(list.size());
  }
  std::memcpy(buffer, list.data(), size - 2);
  buffer[size - 2] = '\0';
  buffer[size - 1] = '\0';
  return size - 2;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD bufferSize, LPCSTR fileName) {
  std::string fallback = defaultValue ? defaultValue : "";
  fallback = fallback.substr(0, fallback.find_last_not_of(' ') + 1);
  if (!fileName) return CopyOut(fallback, buffer, bufferSize);

  // Names are matched as the file's are stored: without surrounding blanks.
  const std::string sectionName = Trim(section ? section : "");
  const std::string keyName = Trim(key ? key : "");
  if (section) section = sectionName.c_str();
  if (key) key = keyName.c_str();

  std::lock_guard<std::mutex> lock(g_profileMutex);
  IniFile file;
  if (!Load(fileName, file)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return section && key ? CopyOut(fallback, buffer, bufferSize)
                          : CopyOutList({}, buffer, bufferSize);
  }
  if (!section) {
    std::vector<std::string> names;
    for (const auto& line : file.lines)
      if (line.isSection) names.push_back(line.section);
    return CopyOutList(names, buffer, bufferSize);
  }
  const int header = FindSection(file, section);
  if (header < 0)
    return key ? CopyOut(fallback, buffer, bufferSize) : CopyOutList({}, buffer, bufferSize);
  const size_t end = SectionEnd(file, header);
  if (!key) {
    std::vector<std::string> names;
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
      if (file.lines[i].isEntry) names.push_back(file.lines[i].key);
    return CopyOutList(names, buffer, bufferSize);
  }
  for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
    if (file.lines[i].isEntry && EqualNoCase(file.lines[i].key, key))
      return CopyOut(Unquote(file.lines[i].value), buffer, bufferSize);
  return CopyOut(fallback, buffer, bufferSize);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
  char buffer[MAX_PATH];
  if (GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, fileName) == 0)
    return static_cast<UINT>(defaultValue);
  return static_cast<UINT>(std::atoi(buffer));
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
  if (!section || !fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Stored names lose their surrounding blanks when the file is read back; matching the same
  // way keeps a padded name from adding a new line at every write that no read ever finds.
  const std::string sectionName = Trim(section);
  const std::string keyName = Trim(key ? key : "");
  section = sectionName.c_str();
  if (key) key = keyName.c_str();

  std::lock_guard<std::mutex> lock(g_profileMutex);
  IniFile file;
  const bool existed = Load(fileName, file);
  int header = FindSection(file, section);

  if (!key) {  // delete the whole section
    if (header < 0) return TRUE;
    file.lines.erase(file.lines.begin() + header,
                     file.lines.begin() + static_cast<long>(SectionEnd(file, header)));
  } else {
    if (header < 0) {
      if (!value) return TRUE;
      file.lines.push_back(ParseLine(std::string("[") + section + "]"));
      header = static_cast<int>(file.lines.size()) - 1;
    }
    const size_t end = SectionEnd(file, header);
    size_t found = end;
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
      if (file.lines[i].isEntry && EqualNoCase(file.lines[i].key, key)) {
        found = i;
        break;
      }
    if (!value) {
      if (found == end) return TRUE;
      file.lines.erase(file.lines.begin() + static_cast<long>(found));
    } else if (found != end) {
      file.lines[found] = ParseLine(file.lines[found].key + "=" + value);
    } else {
      // New keys go after the section's last entry, ahead of trailing blank lines.
      size_t insertAt = end;
      while (insertAt > static_cast<size_t>(header) + 1 &&
             Trim(file.lines[insertAt - 1].raw).empty())
        --insertAt;
      file.lines.insert(file.lines.begin() + static_cast<long>(insertAt),
                        ParseLine(std::string(key) + "=" + value));
    }
  }

  unsigned mode = 0600;  // settings may hold a password: new files are the user's alone
  struct stat st {};
  if (existed && ::stat(fileName, &st) == 0) mode = st.st_mode & 07777;
  if (!win32::WriteFileAtomically(fileName, Serialise(file), mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}
