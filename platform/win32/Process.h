// Processes: start, open, wait, terminate. A process HANDLE is a kernel object; waiting on
// it (WaitForSingleObject) ends when the process has exited. Children started here are
// always reaped, also when their handle is closed while they still run, so no zombie is
// left behind.
#pragma once

#include "platform/win32/KernelObject.h"
#include "platform/win32/Win32Types.h"

inline constexpr int STARTF_USESHOWWINDOW = 0x00000001;
inline constexpr int CREATE_SUSPENDED = 0x00000004;
inline constexpr int CREATE_NEW_PROCESS_GROUP = 0x00000200;
inline constexpr int CREATE_NO_WINDOW = 0x08000000;

inline constexpr int PROCESS_TERMINATE = 0x0001;
inline constexpr int PROCESS_QUERY_INFORMATION = 0x0400;
inline constexpr int PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
inline constexpr long SYNCHRONIZE = 0x00100000;
inline constexpr int PROCESS_ALL_ACCESS = 0x001FFFFF;

struct STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};
using LPSTARTUPINFOA = STARTUPINFOA*;

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// Starts a program. The command line is split as the Windows C runtime splits it:
// arguments are separated by blanks, double quotes group ("/opt/a b/x" -> one argument)
// and are removed, \" is a literal quote. The
// program is applicationName when given, else the first argument (found on PATH when it
// has no "/"). The environment is the caller's (or `environment`, "A=B\0C=D\0\0"), the
// folder the caller's (or currentDirectory). A hidden start (STARTF_USESHOWWINDOW with
// SW_HIDE) is passed to the child as TC_START_HIDDEN=1; programs may ignore it.
// With CREATE_NEW_PROCESS_GROUP the child leads a process group of its own, which its
// descendants join unless they leave it: the child then stands for its group (a launcher
// script and the program it started), see TerminateProcess.
// hThread is a second handle on the same process; dwThreadId equals dwProcessId.
// FALSE with the last error set when the program cannot be started (missing, not
// executable).
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, void* processAttributes,
                    void* threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);
// A handle on any live process; null (ERROR_INVALID_PARAMETER) when there is none.
HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId);
// SIGKILL; a child is reaped. FALSE when the process is not ours to kill or already gone.
// A child started with CREATE_NEW_PROCESS_GROUP is killed with its whole group (also when
// it has ended before its descendants), and the call returns once no live process of the
// group is left, or after 2 s.
BOOL TerminateProcess(HANDLE process, UINT exitCode);
// STILL_ACTIVE while running; the exit code (or 128 + signal) of an exited child; for a
// process that is not our child the code is unknown and reads as 0.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
DWORD GetProcessId(HANDLE process);

// The image path in "device form": here the real path of /proc/<pid>/exe. Returns the
// number of bytes copied (without the terminating zero), 0 on failure (last error set).
DWORD GetProcessImageFileNameA(HANDLE process, LPSTR imageFileName, DWORD size);
// There are no drive letters: the list holds one drive, "/" ("/\0\0"), and a drive's device
// name is the drive itself, so converting an image path to a drive path gives it unchanged.
DWORD GetLogicalDriveStringsA(DWORD bufferLength, LPSTR buffer);
DWORD QueryDosDeviceA(LPCSTR deviceName, LPSTR targetPath, DWORD maxCount);

// The process heap is the C library's: HeapCompact gives the free memory at the top of every
// allocation arena back to the system (after a worker thread has parsed something large, the
// freed memory otherwise stays resident). Returns 0; flags are ignored.
HANDLE GetProcessHeap();
SIZE_T HeapCompact(HANDLE heap, DWORD flags);

namespace win32 {
// The process id behind a process handle; 0 for anything else.
DWORD ProcessIdOf(HANDLE process);
// True when `pid` is `ancestor` or one of its descendants (by /proc parent links).
bool IsProcessOrDescendant(DWORD pid, DWORD ancestor);
}  // namespace win32
