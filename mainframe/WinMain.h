// The program entry: the start-up order, the single-instance guard and the shutdown.
#pragma once

#include "platform/win32/Win32Types.h"

// Runs the program; the process's exit code: 0 after a normal run or a second start that
// handed over to the first, non-zero when start-up stopped early.
int WinMain(HINSTANCE instance);
