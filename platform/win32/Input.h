// Synthesised keyboard input. Keys go to the window that has the keyboard focus, as on
// Windows; the desktop (X11 or a test's in-memory one) delivers them.
#pragma once

#include "platform/win32/Win32Types.h"

#define KEYEVENTF_EXTENDEDKEY 0x0001
#define KEYEVENTF_KEYUP 0x0002

// Virtual keys. Letters and digits are their upper-case ASCII codes ('A' = 0x41, '0' = 0x30).
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_F1 0x70
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_LSHIFT 0xA0
#define VK_LCONTROL 0xA2
#define VK_LMENU 0xA4

// Presses (flags 0) or releases (KEYEVENTF_KEYUP) a virtual key. scan and extra are ignored.
// An unknown virtual key is logged and dropped.
void keybd_event(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extra);

// The key state as far as this process has pressed it (high bit set while down).
short GetAsyncKeyState(int vk);
