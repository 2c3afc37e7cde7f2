// The notification-area icon (Shell_NotifyIconA) on QSystemTrayIcon, and icons by resource
// id. Tests look at and click the icon through HasTrayIcon and ClickTrayIcon.
#pragma once

#include "platform/win32/Win32Types.h"

#include <string>

inline constexpr int NIM_ADD = 0x00000000;
inline constexpr int NIM_MODIFY = 0x00000001;
inline constexpr int NIM_DELETE = 0x00000002;
inline constexpr int NIF_MESSAGE = 0x00000001;
inline constexpr int NIF_ICON = 0x00000002;
inline constexpr int NIF_TIP = 0x00000004;
inline constexpr int NIF_INFO = 0x00000010;

struct NOTIFYICONDATAA {
  DWORD cbSize = sizeof(NOTIFYICONDATAA);
  HWND hWnd = nullptr;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  HICON hIcon = nullptr;
  CHAR szTip[128] = {};
  DWORD dwState = 0;
  DWORD dwStateMask = 0;
  CHAR szInfo[256] = {};
  UINT uTimeout = 0;
  CHAR szInfoTitle[64] = {};
  DWORD dwInfoFlags = 0;
};
using PNOTIFYICONDATAA = NOTIFYICONDATAA*;

// Adds, changes or removes the icon (hWnd, uID). Mouse actions on the icon post
// uCallbackMessage to hWnd with wParam = uID and lParam = the mouse message
// (WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONDBLCLK).
// Where the desktop has no notification area the icon is still recorded (and FALSE is
// returned for NIM_ADD, as Windows does without a taskbar).
BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData);

// Icons: a resource id stands for "<program folder>/skin/icon_<id>.png"; the HICON value is
// the id itself, so nothing needs to be freed.
HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);
// LoadImageA (bitmaps from files, icons by id) is in platform/win32/Bitmap.h.
BOOL DestroyIcon(HICON hIcon);

namespace DuiLib {

// Looks at the icon (hWnd, uID) as last set: whether it exists and its tip text.
bool HasTrayIcon(HWND hWnd, UINT uID, std::string* tip = nullptr);
// Acts as if the mouse did mouseMessage on the icon: posts its callback message.
bool ClickTrayIcon(HWND hWnd, UINT uID, UINT mouseMessage);

}  // namespace DuiLib
