// MessageBoxA on QMessageBox. Tests answer boxes through SetMessageBoxHook (no real box is
// shown while it is set) or, for the real program, through the TC_MESSAGEBOX_ANSWERS file.
#pragma once

#include "platform/ui/core/DialogResults.h"
#include "platform/win32/Win32Types.h"

#include <functional>
#include <string>

// MessageBoxA types
inline constexpr long MB_OK = 0x00000000;
inline constexpr long MB_OKCANCEL = 0x00000001;
inline constexpr long MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr long MB_YESNOCANCEL = 0x00000003;
inline constexpr long MB_YESNO = 0x00000004;
inline constexpr long MB_RETRYCANCEL = 0x00000005;
inline constexpr long MB_ICONHAND = 0x00000010;
inline constexpr long MB_ICONERROR = 0x00000010;
inline constexpr long MB_ICONSTOP = 0x00000010;
inline constexpr long MB_ICONQUESTION = 0x00000020;
inline constexpr long MB_ICONEXCLAMATION = 0x00000030;
inline constexpr long MB_ICONWARNING = 0x00000030;
inline constexpr long MB_ICONASTERISK = 0x00000040;
inline constexpr long MB_ICONINFORMATION = 0x00000040;
inline constexpr long MB_TYPEMASK = 0x0000000F;
inline constexpr long MB_ICONMASK = 0x000000F0;
inline constexpr long MB_TOPMOST = 0x00040000;

// Shows a modal box owned by hWnd (null: no owner); text and caption are UTF-8.
// Returns the IDxxx of the pressed button; closing the box gives IDCANCEL where the box has
// a cancel button, else the default button's id (IDOK, IDNO for MB_YESNO).
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

namespace DuiLib {

// Test seam: when set, replaces the real box; an empty function restores it.
using MessageBoxHook =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace DuiLib
