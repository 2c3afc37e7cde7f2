// Code pages. The ANSI code page is UTF-8 here, as with the UTF-8 active code page of
// current Windows; conversions still go through UTF-16 and reject invalid input.
#pragma once

#include "platform/win32/Win32Types.h"

#include <string>

inline constexpr int CP_ACP = 0;
inline constexpr int CP_UTF8 = 65001;
inline constexpr int MB_ERR_INVALID_CHARS = 0x00000008;
inline constexpr int WC_ERR_INVALID_CHARS = 0x00000080;

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceBytes, LPWSTR dest,
                        int destChars);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceChars, LPSTR dest,
                        int destBytes, LPCSTR defaultChar, BOOL* usedDefaultChar);

// Whole-string helpers; an invalid input gives an empty result.
std::u16string Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::u16string& text);
std::string AnsiToUtf8(const std::string& text);
std::string Utf8ToAnsi(const std::string& text);
