// Screens: the primary screen's metrics and work area, and monitors by point (QScreen).
#pragma once

#include "platform/win32/Win32Types.h"

inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_CXVSCROLL = 2;
inline constexpr int SM_CYHSCROLL = 3;
inline constexpr int SM_CYCAPTION = 4;
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;
inline constexpr int SM_CXFULLSCREEN = 16;
inline constexpr int SM_CYFULLSCREEN = 17;
inline constexpr int SM_CXSMICON = 49;
inline constexpr int SM_CYSMICON = 50;
inline constexpr int SM_SERVERR2 = 89;
// Screen size of the primary screen; SM_C?FULLSCREEN = its work area.
int GetSystemMetrics(int nIndex);
inline constexpr int SPI_GETWORKAREA = 0x0030;
// SPI_GETWORKAREA fills the RECT at pvParam with the primary screen's work area.
BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, LPVOID pvParam, UINT fWinIni);

// Monitors: an HMONITOR is the 1-based index of a screen in Qt's list.
struct HMONITOR__;
using HMONITOR = HMONITOR__*;
inline constexpr int MONITOR_DEFAULTTONULL = 0x00000000;
inline constexpr int MONITOR_DEFAULTTOPRIMARY = 0x00000001;
inline constexpr int MONITOR_DEFAULTTONEAREST = 0x00000002;
inline constexpr int MONITORINFOF_PRIMARY = 0x00000001;
struct MONITORINFO {
  DWORD cbSize = sizeof(MONITORINFO);
  RECT rcMonitor{};
  RECT rcWork{};  // the monitor without panels and docks, as the window manager reports it
  DWORD dwFlags = 0;
};
using LPMONITORINFO = MONITORINFO*;
// The monitor under the point (screen coordinates); off every monitor, dwFlags decides:
// null, the primary one, or the nearest one.
HMONITOR MonitorFromPoint(POINT pt, DWORD dwFlags);
BOOL GetMonitorInfoA(HMONITOR hMonitor, LPMONITORINFO lpmi);
