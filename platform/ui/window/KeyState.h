// The state of a modifier key as of the input message being handled (Win32 GetKeyState):
// it follows the messages taken from the queue, not the keyboard at this instant, so a
// WM_KEYDOWN handler sees the modifiers that were down when that key was pressed.
#pragma once

#include "platform/ui/window/WindowWnd.h"

// High bit set while VK_CONTROL, VK_SHIFT or VK_MENU is down; 0 for every other key.
short GetKeyState(int vk);
