// The basic Win32 types and constants, as the system's code names them.
// Every 8-bit string is UTF-8; wide strings are UTF-16 (WCHAR is char16_t).
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = unsigned char;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using INT = int;
using ULONG = unsigned long;
using UINT_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using HRESULT = LONG;
using CHAR = char;
using WCHAR = char16_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using PLONG = LONG*;

// Opaque handles. A window handle is a 32-bit value in the low bits of the pointer:
// a foreign window's X11 id, or an id from our own window table.
using HANDLE = void*;
struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;
struct HMENU__;
using HMENU = HMENU__*;
struct HDC__;
using HDC = HDC__*;

// TRUE and FALSE stay macros: C libraries (GLib among them) define them too, with the same
// values, and whichever header comes first wins.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
inline constexpr int MAX_PATH = 260;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

struct POINT {
  LONG x;
  LONG y;
};
using LPPOINT = POINT*;

struct SIZE {
  LONG cx;
  LONG cy;
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

// A queued window message, as a message loop sees it.
struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
using LPMSG = MSG*;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

inline WORD LOWORD(DWORD_PTR v) {
  return static_cast<WORD>(v & 0xFFFF);
}
inline WORD HIWORD(DWORD_PTR v) {
  return static_cast<WORD>((v >> 16) & 0xFFFF);
}
inline int GET_X_LPARAM(LPARAM lp) {
  return static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lp)));
}
inline int GET_Y_LPARAM(LPARAM lp) {
  return static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lp)));
}
inline LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<DWORD>((static_cast<WORD>(lo)) |
                                                (static_cast<DWORD>(static_cast<WORD>(hi)) << 16)));
}
inline WPARAM MAKEWPARAM(int lo, int hi) {
  return static_cast<WPARAM>(static_cast<DWORD>(MAKELPARAM(lo, hi)));
}

// Window handle <-> its 32-bit value: an X11 window id or an id of our own window table (the
// single-instance block stores these 4 bytes). The one place that converts.
inline DWORD HandleToULong32(HWND h) {
  return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(h));
}
inline HWND ULong32ToHandle(DWORD v) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(v));
}

// Errors (GetLastError)
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_PATH_NOT_FOUND = 3;
inline constexpr long ERROR_ACCESS_DENIED = 5;
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr long ERROR_INVALID_DATA = 13;
inline constexpr long ERROR_NO_MORE_FILES = 18;
inline constexpr long ERROR_GEN_FAILURE = 31;
inline constexpr long ERROR_FILE_EXISTS = 80;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr long ERROR_ALREADY_EXISTS = 183;
inline constexpr long ERROR_MORE_DATA = 234;
inline constexpr long ERROR_NO_UNICODE_TRANSLATION = 1113;
inline constexpr long ERROR_NOT_FOUND = 1168;
inline constexpr long ERROR_TIMEOUT = 1460;
inline constexpr long ERROR_INVALID_WINDOW_HANDLE = 1400;

// Wait results
inline constexpr UINT INFINITE = 0xFFFFFFFF;
inline constexpr UINT WAIT_OBJECT_0 = 0x00000000;
inline constexpr UINT WAIT_ABANDONED = 0x00000080;
inline constexpr UINT WAIT_TIMEOUT = 0x00000102;
inline constexpr UINT WAIT_FAILED = 0xFFFFFFFF;
