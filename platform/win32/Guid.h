// GUIDs: CoCreateGuid and StringFromGUID2, as the system's instance keys need them.
#pragma once

#include "platform/win32/Win32Types.h"

#include <string>

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005L);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057L);

// A new random (version 4) GUID from the kernel's random source. S_OK, or E_FAIL when no
// randomness could be had (the GUID is then zero), E_INVALIDARG for a null pointer.
HRESULT CoCreateGuid(GUID* guid);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case, 38 characters and the terminating
// zero) into buffer; returns the number of characters written with the zero, or 0 when
// the buffer holds fewer than 39.
int StringFromGUID2(const GUID& guid, WCHAR* buffer, int maxCount);
