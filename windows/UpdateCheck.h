// The version check with its prompt, at start-up (from the splash) and from the main
// window's menu.
#pragma once

#include "platform/win32/Win32Types.h"

// The update results of the server's version check.
inline constexpr int kUpdateRequired = 1;
inline constexpr int kUpdateOffered = 2;
inline constexpr int kUpdateCurrent = 0;
inline constexpr int kUpdateCheckFailed = -1;

inline constexpr const char* kUpdateRequiredText =
    "    发现新版本，请下载安装。\r\n点击\"确定\"按钮后，系统退出，启动下载。";
inline constexpr const char* kUpdateOfferedText =
    "    发现新版本，是否下载升级。\r\n点击\"确定\"按钮后，系统退出，启动下载。";

// Asks the server about the version in sys.cfg. A required update is announced (OK only),
// an offered one asked about (OK / Cancel). On OK the download address opens in the
// desktop's browser and WM_QUIT is posted to `owner`, which ends its message loop (and so
// the program). Returns the update result either way.
int CheckUpdate(HWND owner);
