#include "mainframe/WebchatSwitchKeys.h"

#include "platform/win32/Input.h"
#include "platform/win32/KeyGrab.h"

int CWebchatSwitchKeys::TargetRow(UINT vk, bool ctrl, bool shift, bool alt, int rowCount,
                                  int current) {
  if (!ctrl || alt || rowCount <= 0) return kNoRow;
  if (vk >= '1' && vk <= '9' && !shift) {
    const int row = static_cast<int>(vk - '1');
    return row < rowCount ? row : kNoRow;
  }
  if (vk != VK_TAB) return kNoRow;
  if (current < 0 || current >= rowCount) return shift ? rowCount - 1 : 0;
  return shift ? (current + rowCount - 1) % rowCount : (current + 1) % rowCount;
}

std::string CWebchatSwitchKeys::ChordOfRow(int row) {
  if (row < 0 || row >= kDigitRows) return {};
  return "Ctrl+" + std::to_string(row + 1);
}

bool CWebchatSwitchKeys::GrabFor(HWND frame) {
  bool all = true;
  for (UINT digit = '1'; digit <= '9'; ++digit)
    all = GrabWindowKey(frame, MOD_CONTROL, digit) && all;
  all = GrabWindowKey(frame, MOD_CONTROL, VK_TAB) && all;
  all = GrabWindowKey(frame, MOD_CONTROL | MOD_SHIFT, VK_TAB) && all;
  return all;
}
