// The registry, file-backed: one INI-style file per hive. A section is a key path
// ("SOFTWARE\Tencent\WeChat"), an entry a value. HKEY_CURRENT_USER lives in the user's
// configuration folder, HKEY_LOCAL_MACHINE in the program folder; TC_HKCU_FILE and
// TC_HKLM_FILE name other files (tests, the demo).
#pragma once

#include "platform/win32/Win32Types.h"

#include <string>

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

inline constexpr int KEY_QUERY_VALUE = 0x0001;
inline constexpr int KEY_SET_VALUE = 0x0002;
inline constexpr int KEY_READ = 0x20019;
inline constexpr int KEY_WRITE = 0x20006;
inline constexpr int KEY_ALL_ACCESS = 0xF003F;
inline constexpr int KEY_WOW64_32KEY = 0x0200;
inline constexpr int KEY_WOW64_64KEY = 0x0100;

inline constexpr int REG_NONE = 0;
inline constexpr int REG_SZ = 1;
inline constexpr int REG_EXPAND_SZ = 2;
inline constexpr int REG_DWORD = 4;

LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, DWORD access, PHKEY result);
LONG RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD reserved, LPSTR cls, DWORD options,
                     DWORD access, void* security, PHKEY result, LPDWORD disposition);
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataBytes);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataBytes);
LONG RegCloseKey(HKEY key);

namespace win32 {
// The file that backs a root hive.
std::string RegistryHiveFile(HKEY root);
// The machine hive (HKEY_LOCAL_MACHINE) for a program folder: beside the program, as in a
// build tree or a folder the program owns; in the user's configuration folder
// (configFolder + "tandem_chats/") for an installed program, whose folder under /usr is
// read-only at run time, or for any program folder this user cannot write.
std::string MachineHiveFile(const std::string& programFolder, const std::string& configFolder);
}  // namespace win32
