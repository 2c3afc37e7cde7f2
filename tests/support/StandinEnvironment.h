// The surroundings of a stand-in client for a test or a benchmark: the registry files, its
// data and transcripts below a scratch folder, a short login delay; and a program registered
// as the installed client (the uninstall key's DisplayIcon, where the copies manager looks).
#pragma once

#include "platform/win32/Registry.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace testing_support {

// Sets the variables the registry and the stand-in read; child processes inherit them.
inline void SetStandinEnvironment(const std::filesystem::path& root) {
  ::setenv("TC_HKCU_FILE", (root / "hkcu.ini").c_str(), 1);
  ::setenv("TC_HKLM_FILE", (root / "hklm.ini").c_str(), 1);
  ::setenv("TC_STANDIN_DATA_ROOT", (root / "data").c_str(), 1);
  ::setenv("TC_STANDIN_TRANSCRIPT", (root / "transcript-%p.jsonl").c_str(), 1);
  ::setenv("TC_STANDIN_LOGIN_DELAY", "300", 1);
}

// `displayIcon` as the value is stored: a path, quoted or not. False when the key could not
// be created.
inline bool RegisterClientProgram(const std::string& displayIcon) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WeChat", 0, nullptr,
                      0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  RegSetValueExA(key, "DisplayIcon", 0, REG_SZ, reinterpret_cast<const BYTE*>(displayIcon.c_str()),
                 static_cast<DWORD>(displayIcon.size() + 1));
  RegCloseKey(key);
  return true;
}

}  // namespace testing_support
