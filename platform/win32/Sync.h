// Threads, events, critical sections, waits and time.
#pragma once

#include "platform/win32/KernelObject.h"

#include <mutex>

LPVOID CreateEventA(void* security, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);
HANDLE CreateThread(void* security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId);
// _beginthreadex-style start routine.
using BeginThreadRoutine = unsigned (*)(void* parameter);
UINT_PTR _beginthreadex(void* security, unsigned stackSize, BeginThreadRoutine start,
                        void* parameter, unsigned flags, unsigned* threadId);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);

struct CRITICAL_SECTION {
  std::recursive_mutex* mutex = nullptr;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;
void InitializeCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);

void Sleep(DWORD milliseconds);
DWORD GetTickCount();
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

inline constexpr int STILL_ACTIVE = 259;
