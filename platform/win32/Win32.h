// The Win32 subset the system calls, on POSIX and X11.
#pragma once

#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/KernelObject.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Registry.h"
#include "platform/win32/SharedMemory.h"
#include "platform/win32/Sync.h"
#include "platform/win32/Win32Types.h"
