// Keyboard switching between the rows of the account list: Ctrl+1 to Ctrl+9 pick the first
// nine rows, Ctrl+Tab the next row and Ctrl+Shift+Tab the previous one (both wrap around).
// A picked row is selected as a click on it selects it. The chords are grabbed for the frame,
// so they also work while the keyboard focus is in the chat-client copy embedded in it.
#pragma once

#include "platform/win32/Win32Types.h"

#include <string>

class CWebchatSwitchKeys {
 public:
  static constexpr int kNoRow = -1;
  static constexpr int kDigitRows = 9;

  // The row (0-based) that a key press picks among rowCount rows when `current` is selected
  // (-1: none), or kNoRow: not a switching chord, no such row, or the list is empty.
  static int TargetRow(UINT vk, bool ctrl, bool shift, bool alt, int rowCount, int current);
  // The chord that picks a row ("Ctrl+3" for row 2); empty past the ninth row.
  static std::string ChordOfRow(int row);
  // Grabs every chord for the frame's window; false when a chord could not be grabbed (off
  // X11, or another client holds it): the chords then work while the frame has the focus.
  static bool GrabFor(HWND frame);
};
