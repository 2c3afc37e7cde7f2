// ShellExecuteA: opening a file, folder or address with the desktop's handler
// (QDesktopServices, xdg-open). Tests catch requests through SetShellExecuteHook; nothing is
// started while it is set.
#pragma once

#include "platform/win32/Win32Types.h"

#include <functional>
#include <string>

// "open" (or null) opens a file, folder or URL with the desktop's handler; an executable
// file is started with lpParameters. Returns a value above 32 on success, SE_ERR_NOASSOC (31)
// or ERROR_FILE_NOT_FOUND (2) otherwise.
inline constexpr int SE_ERR_NOASSOC = 31;
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT nShowCmd);

namespace DuiLib {

// Test seam. Gets the verb, file and parameters; returns whether the request succeeded. An
// empty function restores the real handler.
using ShellExecuteHook = std::function<bool(const std::string& verb, const std::string& file,
                                            const std::string& params)>;
void SetShellExecuteHook(ShellExecuteHook hook);

}  // namespace DuiLib
