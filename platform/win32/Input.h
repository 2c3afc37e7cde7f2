// Synthesised keyboard input. Keys go to the window that has the keyboard focus, as on
// Windows; the desktop (X11 or a test's in-memory one) delivers them.
#pragma once

#include "platform/win32/Win32Types.h"

inline constexpr int KEYEVENTF_EXTENDEDKEY = 0x0001;
inline constexpr int KEYEVENTF_KEYUP = 0x0002;

// Virtual keys (keybd_event, WM_KEYDOWN/WM_KEYUP wParam). Letters and digits are their
// upper-case ASCII codes ('A' = 0x41, '0' = 0x30).
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12;
inline constexpr int VK_PAUSE = 0x13;
inline constexpr int VK_CAPITAL = 0x14;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_PRIOR = 0x21;
inline constexpr int VK_NEXT = 0x22;
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_INSERT = 0x2D;
inline constexpr int VK_DELETE = 0x2E;
inline constexpr int VK_LWIN = 0x5B;
inline constexpr int VK_RWIN = 0x5C;
inline constexpr int VK_APPS = 0x5D;
inline constexpr int VK_NUMPAD0 = 0x60;
inline constexpr int VK_MULTIPLY = 0x6A;
inline constexpr int VK_ADD = 0x6B;
inline constexpr int VK_SUBTRACT = 0x6D;
inline constexpr int VK_DECIMAL = 0x6E;
inline constexpr int VK_DIVIDE = 0x6F;
inline constexpr int VK_F1 = 0x70;
inline constexpr int VK_F4 = 0x73;
inline constexpr int VK_F5 = 0x74;
inline constexpr int VK_F12 = 0x7B;
inline constexpr int VK_LSHIFT = 0xA0;
inline constexpr int VK_RSHIFT = 0xA1;
inline constexpr int VK_LCONTROL = 0xA2;
inline constexpr int VK_RCONTROL = 0xA3;
inline constexpr int VK_LMENU = 0xA4;
inline constexpr int VK_RMENU = 0xA5;

// Presses (flags 0) or releases (KEYEVENTF_KEYUP) a virtual key. scan and extra are ignored.
// An unknown virtual key is logged and dropped.
void keybd_event(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extra);

// The keyboard's state (high bit set while down), keys pressed by anyone; where the desktop
// cannot tell, as far as this process has pressed them.
short GetAsyncKeyState(int vk);
