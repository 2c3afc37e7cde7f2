// DPI. Qt 6 scales every window per monitor by itself, so the process is always
// per-monitor aware: SetProcessDpiAwareness accepts any level and returns S_OK (0).
// GetDpiForMonitor gives the monitor's logical DPI times its device pixel ratio (96 at
// 100 %, 192 at 200 %).
#pragma once

#include "platform/ui/desktop/Monitors.h"

inline constexpr int MDT_EFFECTIVE_DPI = 0;
inline constexpr int PROCESS_DPI_UNAWARE = 0;
inline constexpr int PROCESS_SYSTEM_DPI_AWARE = 1;
inline constexpr int PROCESS_PER_MONITOR_DPI_AWARE = 2;
HRESULT SetProcessDpiAwareness(int value);
HRESULT GetDpiForMonitor(HMONITOR hMonitor, int dpiType, UINT* dpiX, UINT* dpiY);
