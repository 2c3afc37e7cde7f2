// INI files with the Win32 semantics: sections and keys without regard to case, the
// default when absent, the result cut to the buffer, comments kept on write, atomic write.
#pragma once

#include "platform/win32/Win32Types.h"

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD bufferSize, LPCSTR fileName);
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName);
// key == nullptr deletes the section, value == nullptr deletes the key.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);
