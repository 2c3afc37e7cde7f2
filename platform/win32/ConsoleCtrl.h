// SetConsoleCtrlHandler on POSIX signals: SIGINT is CTRL_C_EVENT, SIGHUP CTRL_CLOSE_EVENT and
// SIGTERM CTRL_SHUTDOWN_EVENT. As on Windows, the handlers run on a thread of their own
// (never inside the signal handler), newest first, until one returns TRUE; when none does,
// the signal's default action ends the process.
#pragma once

#include "platform/win32/Win32Types.h"

inline constexpr int CTRL_C_EVENT = 0;
inline constexpr int CTRL_BREAK_EVENT = 1;
inline constexpr int CTRL_CLOSE_EVENT = 2;
inline constexpr int CTRL_LOGOFF_EVENT = 5;
inline constexpr int CTRL_SHUTDOWN_EVENT = 6;

using PHANDLER_ROUTINE = BOOL (*)(DWORD ctrlType);

// Adds (add TRUE) or removes a handler. The first added handler installs the signal
// catchers; FALSE for a null handler or when the catchers cannot be installed.
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add);
