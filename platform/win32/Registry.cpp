#include "platform/win32/Registry.h"

#include "platform/win32/Files.h"
#include "platform/win32/Profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

namespace {

// Makes every missing folder above a hive file (0700: the hives are the user's own). A new
// user has no configuration folder at all yet.
void makeFolders(const std::string& file) {
  for (std::size_t slash = file.find('/', 1); slash != std::string::npos;
       slash = file.find('/', slash + 1))
    ::mkdir(file.substr(0, slash).c_str(), 0700);
}

// An open key: the hive file and the key path, which is also the section name.
struct OpenKey {
  std::string file;
  std::string path;
  bool machine;  // in the HKEY_LOCAL_MACHINE hive
};

bool IsRoot(HKEY key) {
  return key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

// The default value ("" on Windows) is "@" in the file, as in .reg files.
const char* EntryName(LPCSTR valueName) {
  return valueName && *valueName ? valueName : "@";
}

bool SectionExists(const std::string& file, const std::string& path) {
  std::vector<char> names(65536);
  const DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", names.data(),
                                           static_cast<DWORD>(names.size()), file.c_str());
  for (DWORD i = 0; i < n;) {
    const std::string name(&names[i]);
    if (strcasecmp(name.c_str(), path.c_str()) == 0) return true;
    i += static_cast<DWORD>(name.size()) + 1;
  }
  return false;
}

// The machine hive, beside the program, is read by every user of the program folder (the
// client's path in it is no secret): 0644. The user's hive, beside the user's settings, stays
// the user's alone: 0600.
void PrepareHive(const std::string& file, bool machine) {
  const unsigned mode = machine ? 0644 : 0600;
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    makeFolders(file);
    win32::WriteFileAtomically(file, "", mode);
  } else if (machine && (st.st_mode & 07777) != mode) {
    ::chmod(file.c_str(), mode);  // an older machine hive, written 0600
  }
}

std::string TrimSlashes(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  while (!path.empty() && path.front() == '\\') path.erase(0, 1);
  return path;
}

LONG Open(HKEY root, LPCSTR subKey, PHKEY result, bool create) {
  if (!result) return ERROR_INVALID_PARAMETER;
  std::string file;
  std::string path = TrimSlashes(subKey ? subKey : "");
  bool machine = root == HKEY_LOCAL_MACHINE;
  if (IsRoot(root)) {
    file = win32::RegistryHiveFile(root);
  } else if (root) {
    const auto* parent = reinterpret_cast<OpenKey*>(root);
    file = parent->file;
    path = path.empty() ? parent->path : parent->path + "\\" + path;
    machine = parent->machine;
  } else {
    return ERROR_INVALID_HANDLE;
  }
  if (!path.empty() && !SectionExists(file, path)) {
    if (!create) return ERROR_FILE_NOT_FOUND;
    PrepareHive(file, machine);
    // A key with no values yet is kept by a marker entry.
    if (!WritePrivateProfileStringA(path.c_str(), "@created", "1", file.c_str()))
      return ERROR_ACCESS_DENIED;
  }
  *result = reinterpret_cast<HKEY>(new OpenKey{file, path, machine});
  return ERROR_SUCCESS;
}

}  // namespace

namespace win32 {

std::string MachineHiveFile(const std::string& programFolder, const std::string& configFolder) {
  const bool installed =
      programFolder.rfind("/usr/", 0) == 0 || ::access(programFolder.c_str(), W_OK) != 0;
  if (!installed || configFolder.empty()) return programFolder + "HKEY_LOCAL_MACHINE.ini";
  std::string folder = configFolder;
  if (folder.back() != '/') folder += '/';
  return folder + "tandem_chats/HKEY_LOCAL_MACHINE.ini";
}

std::string RegistryHiveFile(HKEY root) {
  char config[MAX_PATH];
  const bool haveConfig = SHGetSpecialFolderPathA(nullptr, config, CSIDL_APPDATA, FALSE);
  if (root == HKEY_LOCAL_MACHINE) {
    const char* file = std::getenv("TC_HKLM_FILE");
    if (file && *file) return file;
    return MachineHiveFile(ProgramFolder(), haveConfig ? config : "");
  }
  const char* file = std::getenv("TC_HKCU_FILE");
  if (file && *file) return file;
  if (!haveConfig) return "HKEY_CURRENT_USER.ini";
  return std::string(config) + "/tandem_chats/HKEY_CURRENT_USER.ini";
}

}  // namespace win32

LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD, DWORD, PHKEY result) {
  return Open(root, subKey, result, false);
}

LONG RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD, LPSTR, DWORD, DWORD, void*, PHKEY result,
                     LPDWORD) {
  return Open(root, subKey, result, true);
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD dataBytes) {
  if (!key || IsRoot(key)) return ERROR_INVALID_HANDLE;
  const auto* open = reinterpret_cast<OpenKey*>(key);
  std::vector<char> buffer(65536);
  const char* kMissing = "\x01missing\x01";
  GetPrivateProfileStringA(open->path.c_str(), EntryName(valueName), kMissing, buffer.data(),
                           static_cast<DWORD>(buffer.size()), open->file.c_str());
  std::string text(buffer.data());
  if (text == kMissing) return ERROR_FILE_NOT_FOUND;

  DWORD valueType = REG_SZ;
  std::string bytes;
  if (text.rfind("dword:", 0) == 0) {
    valueType = REG_DWORD;
    const DWORD number = static_cast<DWORD>(std::strtoul(text.c_str() + 6, nullptr, 16));
    bytes.assign(reinterpret_cast<const char*>(&number), sizeof number);
  } else {
    bytes = text;
    bytes.push_back('\0');  // string values count their terminating zero
  }
  if (type) *type = valueType;
  if (!dataBytes) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  const DWORD available = *dataBytes;
  *dataBytes = static_cast<DWORD>(bytes.size());
  if (!data) return ERROR_SUCCESS;
  if (available < bytes.size()) return ERROR_MORE_DATA;
  std::memcpy(data, bytes.data(), bytes.size());
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                    DWORD dataBytes) {
  if (!key || IsRoot(key)) return ERROR_INVALID_HANDLE;
  const auto* open = reinterpret_cast<OpenKey*>(key);
  std::string text;
  if (type == REG_DWORD) {
    if (dataBytes < sizeof(DWORD) || !data) return ERROR_INVALID_PARAMETER;
    DWORD number;
    std::memcpy(&number, data, sizeof number);
    char formatted[16];
    std::snprintf(formatted, sizeof formatted, "dword:%08x", number);
    text = formatted;
  } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
    text.assign(reinterpret_cast<const char*>(data),
                data ? strnlen(reinterpret_cast<const char*>(data), dataBytes) : 0);
    if (text.find_first_of("\r\n") != std::string::npos) return ERROR_INVALID_PARAMETER;
    text = "\"" + text + "\"";  // the outer quotes keep a value's own quotes and spaces intact
  } else {
    return ERROR_INVALID_PARAMETER;
  }
  PrepareHive(open->file, open->machine);
  return WritePrivateProfileStringA(open->path.c_str(), EntryName(valueName), text.c_str(),
                                    open->file.c_str())
             ? ERROR_SUCCESS
             : ERROR_ACCESS_DENIED;
}

LONG RegCloseKey(HKEY key) {
  if (!key) return ERROR_INVALID_HANDLE;
  if (!IsRoot(key)) delete reinterpret_cast<OpenKey*>(key);
  return ERROR_SUCCESS;
}
