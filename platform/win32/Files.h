// Files, folders and special folders. Paths are UTF-8 with "/" separators; folder paths
// that the system builds end with "/".
#pragma once

#include "platform/win32/KernelObject.h"
#include "platform/win32/Win32Types.h"

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr int CSIDL_PERSONAL = 0x0005;
inline constexpr int CSIDL_APPDATA = 0x001a;

inline constexpr int FILE_ATTRIBUTE_READONLY = 0x00000001;
inline constexpr int FILE_ATTRIBUTE_HIDDEN = 0x00000002;
inline constexpr int FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
inline constexpr int FILE_ATTRIBUTE_NORMAL = 0x00000080;
inline constexpr UINT INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  char cFileName[MAX_PATH];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

// CSIDL_APPDATA: $XDG_CONFIG_HOME or ~/.config; CSIDL_PERSONAL: the XDG documents folder.
// The path has no trailing separator, as on Windows.
BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create);
BOOL CreateDirectoryA(LPCSTR path, void* security);
BOOL CopyFileA(LPCSTR existingFile, LPCSTR newFile, BOOL failIfExists);
BOOL DeleteFileA(LPCSTR path);
BOOL PathFileExistsA(LPCSTR path);
BOOL PathFileExistsW(LPCWSTR path);
DWORD GetFileAttributesA(LPCSTR path);
// pattern: a folder followed by "/*" or "/*.ext" or an exact name.
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
BOOL FindClose(HANDLE find);
// The executable's full path (/proc/self/exe); module must be null.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
LONG CompareFileTime(const FILETIME* a, const FILETIME* b);

namespace win32 {
// The folder of the running executable, ending with "/".
std::string ProgramFolder();
// Writes a file atomically (temporary file beside it, then rename); mode for a new file.
bool WriteFileAtomically(const std::string& path, const std::string& content, unsigned mode = 0644);
bool ReadWholeFile(const std::string& path, std::string& content);
// Reads up to `maxBytes` from the start of a regular file into `head` and gives its size.
// The file is opened without blocking and checked once open, so a FIFO, a device or a
// folder is refused at once and never holds the caller. False with a reason otherwise.
bool ReadRegularFileHead(const std::string& path, std::size_t maxBytes, std::string& head,
                         std::uint64_t& size, std::string& error);
}  // namespace win32
