// The mouse cursor: its position and the system cursor shown over our windows.
#pragma once

#include "platform/win32/Bitmap.h"
#include "platform/win32/Win32Types.h"

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
