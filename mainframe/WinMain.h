// The program entry: the start-up order, the single-instance guard and the shutdown.
#pragma once

#include "platform/win32/Win32Types.h"

// Runs the program; 1 after a normal run, 0 when start-up stopped early.
int WinMain(HINSTANCE instance);
