// Process snapshots from /proc, with the tool-help API's shape.
#pragma once

#include "platform/win32/KernelObject.h"
#include "platform/win32/Win32Types.h"

#include <functional>
#include <string>
#include <vector>

inline constexpr int TH32CS_SNAPPROCESS = 0x00000002;
// Our own flag: only the processes of the calling user (a real user id equal to ours). On a
// shared machine another user's processes are none of the program's business.
inline constexpr int TH32CS_SNAPCURRENTUSER = 0x40000000;

struct PROCESSENTRY32 {
  DWORD dwSize;
  DWORD cntUsage;
  DWORD th32ProcessID;
  ULONG_PTR th32DefaultHeapID;
  DWORD th32ModuleID;
  DWORD cntThreads;
  DWORD th32ParentProcessID;
  LONG pcPriClassBase;
  DWORD dwFlags;
  // The executable's file name: the base name of /proc/<pid>/exe, or the kernel's name of
  // the process (comm) when the image cannot be read.
  CHAR szExeFile[MAX_PATH];
};
using LPPROCESSENTRY32 = PROCESSENTRY32*;

// Only TH32CS_SNAPPROCESS (optionally with TH32CS_SNAPCURRENTUSER) is supported;
// INVALID_HANDLE_VALUE otherwise. Processes are
// listed by ascending id, read at the time of the call.
HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
// FALSE with ERROR_NO_MORE_FILES past the end, ERROR_INVALID_PARAMETER for a bad handle or
// an entry whose dwSize is too small.
BOOL Process32First(HANDLE snapshot, LPPROCESSENTRY32 entry);
BOOL Process32Next(HANDLE snapshot, LPPROCESSENTRY32 entry);

namespace win32 {

// The real user id of the calling process.
unsigned int CurrentUserId();

struct TProcessRow {
  DWORD dwPid = 0;
  DWORD dwParentPid = 0;
  std::string strExeFile;
  unsigned int nUid = CurrentUserId();  // real user id of the process
};
// The live process table from /proc, by ascending id.
std::vector<TProcessRow> ReadProcessTable();
// Where snapshots come from: tests install a fake table; an empty function restores /proc.
using ProcessTableSource = std::function<std::vector<TProcessRow>()>;
void SetProcessTableSource(ProcessTableSource source);

}  // namespace win32
