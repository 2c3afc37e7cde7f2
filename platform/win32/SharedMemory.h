// Named shared memory on a file in the user's runtime folder ($XDG_RUNTIME_DIR). A lock
// held by the creator decides whether a block is alive, so a block left by a killed process
// never blocks a new start.
#pragma once

#include "platform/win32/KernelObject.h"

inline constexpr int PAGE_READONLY = 0x02;
inline constexpr int PAGE_READWRITE = 0x04;
inline constexpr int FILE_MAP_WRITE = 0x0002;
inline constexpr int FILE_MAP_READ = 0x0004;
inline constexpr int FILE_MAP_ALL_ACCESS = 0xF001F;

// file must be INVALID_HANDLE_VALUE (paging-file backed). GetLastError() is
// ERROR_ALREADY_EXISTS when a live block of that name was opened instead of created. Null
// with ERROR_ACCESS_DENIED (errno saying why) when the runtime folder is not the user's
// alone or the name there is not a plain file of the user's.
HANDLE CreateFileMappingA(HANDLE file, void* security, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                          LPCSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
BOOL UnmapViewOfFile(LPCVOID view);
