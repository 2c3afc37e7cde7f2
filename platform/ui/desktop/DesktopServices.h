// Desktop services with their Win32 names: message boxes, file dialogs, the notification-area
// icon, opening documents, the cursor position and screen metrics. Implemented with Qt
// (QMessageBox, QFileDialog, QSystemTrayIcon, QDesktopServices, QScreen).
//
// Tests answer dialogs and catch "open" requests through the hooks in namespace DuiLib
// below; with a hook installed no real dialog or browser is ever started.
#pragma once

#include "platform/win32/Bitmap.h"
#include "platform/win32/Win32Types.h"

#include <functional>
#include <string>

// MessageBoxA types and results
inline constexpr long MB_OK = 0x00000000;
inline constexpr long MB_OKCANCEL = 0x00000001;
inline constexpr long MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr long MB_YESNOCANCEL = 0x00000003;
inline constexpr long MB_YESNO = 0x00000004;
inline constexpr long MB_RETRYCANCEL = 0x00000005;
inline constexpr long MB_ICONHAND = 0x00000010;
inline constexpr long MB_ICONERROR = 0x00000010;
inline constexpr long MB_ICONSTOP = 0x00000010;
inline constexpr long MB_ICONQUESTION = 0x00000020;
inline constexpr long MB_ICONEXCLAMATION = 0x00000030;
inline constexpr long MB_ICONWARNING = 0x00000030;
inline constexpr long MB_ICONASTERISK = 0x00000040;
inline constexpr long MB_ICONINFORMATION = 0x00000040;
inline constexpr long MB_TYPEMASK = 0x0000000F;
inline constexpr long MB_ICONMASK = 0x000000F0;
inline constexpr long MB_TOPMOST = 0x00040000;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Shows a modal box owned by hWnd (null: no owner); text and caption are UTF-8.
// Returns the IDxxx of the pressed button; closing the box gives IDCANCEL where the box has
// a cancel button, else the default button's id (IDOK, IDNO for MB_YESNO).
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

// Common file dialogs
inline constexpr int OFN_READONLY = 0x00000001;
inline constexpr int OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr int OFN_HIDEREADONLY = 0x00000004;
inline constexpr int OFN_NOCHANGEDIR = 0x00000008;
inline constexpr int OFN_ALLOWMULTISELECT = 0x00000200;
inline constexpr int OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr int OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr int OFN_CREATEPROMPT = 0x00002000;
inline constexpr int OFN_NOREADONLYRETURN = 0x00008000;
inline constexpr int OFN_EXPLORER = 0x00080000;
inline constexpr int OFN_ENABLESIZING = 0x00800000;
inline constexpr int FNERR_BUFFERTOOSMALL = 0x3003;

using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAMEA {
  DWORD lStructSize = 0;
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;
  LPCSTR lpstrFilter = nullptr;  // "Name\0*.x;*.y\0Name2\0*.z\0\0"
  LPSTR lpstrCustomFilter = nullptr;
  DWORD nMaxCustFilter = 0;
  DWORD nFilterIndex = 0;     // 1-based; 0 = the first
  LPSTR lpstrFile = nullptr;  // in: default name (may be empty); out: the chosen path
  DWORD nMaxFile = 0;         // size of lpstrFile in bytes, with the terminating zero
  LPSTR lpstrFileTitle = nullptr;
  DWORD nMaxFileTitle = 0;
  LPCSTR lpstrInitialDir = nullptr;
  LPCSTR lpstrTitle = nullptr;
  DWORD Flags = 0;
  WORD nFileOffset = 0;
  WORD nFileExtension = 0;
  LPCSTR lpstrDefExt = nullptr;
  LPARAM lCustData = 0;
  LPOFNHOOKPROC lpfnHook = nullptr;
  LPCSTR lpTemplateName = nullptr;
  void* pvReserved = nullptr;
  DWORD dwReserved = 0;
  DWORD FlagsEx = 0;
};
using LPOPENFILENAMEA = OPENFILENAMEA*;

// TRUE with the chosen path (UTF-8) in lpstrFile, nFileOffset/nFileExtension and
// lpstrFileTitle filled; FALSE when cancelled or when the path does not fit into nMaxFile
// (CommDlgExtendedError() then gives FNERR_BUFFERTOOSMALL and nothing is written).
BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn);
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn);
DWORD CommDlgExtendedError();

// Notification-area icon
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

// ShellExecuteA: "open" (or null) opens a file, folder or URL with the desktop's handler.
// Returns a value above 32 on success, SE_ERR_NOASSOC (31) or ERROR_FILE_NOT_FOUND (2)
// otherwise.
inline constexpr int SE_ERR_NOASSOC = 31;
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT nShowCmd);

// Cursor and screen
BOOL GetCursorPos(LPPOINT lpPoint);
BOOL SetCursorPos(int x, int y);
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_IBEAM MAKEINTRESOURCEA(32513)
#define IDC_WAIT MAKEINTRESOURCEA(32514)
#define IDC_CROSS MAKEINTRESOURCEA(32515)
#define IDC_SIZENWSE MAKEINTRESOURCEA(32642)
#define IDC_SIZENESW MAKEINTRESOURCEA(32643)
#define IDC_SIZEWE MAKEINTRESOURCEA(32644)
#define IDC_SIZENS MAKEINTRESOURCEA(32645)
#define IDC_SIZEALL MAKEINTRESOURCEA(32646)
#define IDC_NO MAKEINTRESOURCEA(32648)
#define IDC_HAND MAKEINTRESOURCEA(32649)
// System cursors only (IDC_*); the HCURSOR value is the id.
HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName);
// Sets the cursor of the window of ours that is handling a mouse message (WM_SETCURSOR,
// WM_MOUSEMOVE), else of the one under the mouse. Returns the previous cursor.
HCURSOR SetCursor(HCURSOR hCursor);
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

// DPI. Qt 6 scales every window per monitor by itself, so the process is always
// per-monitor aware: SetProcessDpiAwareness accepts any level and returns S_OK (0).
// GetDpiForMonitor gives the monitor's logical DPI times its device pixel ratio (96 at
// 100 %, 192 at 200 %).
inline constexpr int MDT_EFFECTIVE_DPI = 0;
inline constexpr int PROCESS_DPI_UNAWARE = 0;
inline constexpr int PROCESS_SYSTEM_DPI_AWARE = 1;
inline constexpr int PROCESS_PER_MONITOR_DPI_AWARE = 2;
HRESULT SetProcessDpiAwareness(int value);
HRESULT GetDpiForMonitor(HMONITOR hMonitor, int dpiType, UINT* dpiX, UINT* dpiY);

namespace DuiLib {

// Test seams. Each hook, when set, replaces the real dialog or action; an empty function
// restores it.
using MessageBoxHook =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;
void SetMessageBoxHook(MessageBoxHook hook);

// Gets the dialog record (lpstrFile holds the default name) and returns the chosen path,
// or an empty string for "cancelled".
using FileDialogHook = std::function<std::string(bool save, const OPENFILENAMEA& ofn)>;
void SetFileDialogHook(FileDialogHook hook);

// Gets the verb, file and parameters; returns whether the request succeeded.
using ShellExecuteHook = std::function<bool(const std::string& verb, const std::string& file,
                                            const std::string& params)>;
void SetShellExecuteHook(ShellExecuteHook hook);

// Looks at the icon (hWnd, uID) as last set: whether it exists and its tip text.
bool HasTrayIcon(HWND hWnd, UINT uID, std::string* tip = nullptr);
// Acts as if the mouse did mouseMessage on the icon: posts its callback message.
bool ClickTrayIcon(HWND hWnd, UINT uID, UINT mouseMessage);

}  // namespace DuiLib
