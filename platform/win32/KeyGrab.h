// Window-scoped key chords. A chord grabbed for one of our top-level windows reaches that
// window while the keyboard focus is anywhere inside it, also when the focus is in a foreign
// window embedded in it (an X passive grab on our window takes the key before the focused
// descendant sees it). The window gets the key as its own WM_KEYDOWN / WM_KEYUP, so its
// ordinary key handling serves both cases.
#pragma once

#include "platform/win32/Win32Types.h"

// Modifiers of a chord (the values of RegisterHotKey).
inline constexpr int MOD_ALT = 0x0001;
inline constexpr int MOD_CONTROL = 0x0002;
inline constexpr int MOD_SHIFT = 0x0004;

// Grabs vk with exactly `modifiers` held (Caps Lock and Num Lock ignored) for hwnd, an own
// top-level window. Virtual keys: '0' to '9', 'A' to 'Z' and VK_TAB. FALSE (last error set)
// off X11, for a window without a native window, or for a key without a keycode.
BOOL GrabWindowKey(HWND hwnd, UINT modifiers, UINT vk);
