// Private window messages. They live in one reserved range, WM_USER to WM_USER + 0xFF
// (0x400 to 0x4FF), and each is declared by number once, in one header per layer: this one
// for the platform's, app/WindowIds.h for the system's (which checks it stays in the range
// and clear of these). Nothing of ours uses WM_APP and above; work handed to a window from
// another thread needs no number at all (WindowPost.h).
#pragma once

#include "platform/win32/Window.h"

inline constexpr UINT WM_PRIVATE_FIRST = WM_USER;
inline constexpr UINT WM_PRIVATE_LAST = WM_USER + 0xFF;

// Posted by the mouse hook to the frame: the operator works in a chat-client copy; wParam is
// that copy's main window. The number (0x406) is the frame's contract with the hook.
inline constexpr UINT WM_USER_MSG_MOUSEHOOK_WECHATSELECTED = WM_USER + 0x06;
