// OutputDebugStringA: there is no debugger channel on Linux, so the text goes to the log at
// trace level through the logger "platform.win32.debug" (turn it up in log.cfg to see it).
#pragma once

#include "platform/win32/Win32Types.h"

void OutputDebugStringA(LPCSTR text);
