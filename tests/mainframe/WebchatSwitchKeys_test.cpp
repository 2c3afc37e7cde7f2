// The chords that switch between the account list's rows, as a table.
#include "mainframe/WebchatSwitchKeys.h"

#include "platform/win32/Input.h"

#include <gtest/gtest.h>

namespace {

constexpr int kNo = CWebchatSwitchKeys::kNoRow;

struct TCase {
  UINT vk;
  bool ctrl, shift, alt;
  int rows, current;
  int expected;
};

constexpr TCase kCases[] = {
    // Ctrl+digit: that row, when it exists.
    {'1', true, false, false, 3, 2, 0},
    {'3', true, false, false, 3, 0, 2},
    {'4', true, false, false, 3, 0, kNo},
    {'9', true, false, false, 12, 0, 8},
    {'0', true, false, false, 12, 0, kNo},  // no tenth-row chord
    {'2', true, false, false, 3, 1, 1},     // the selected row again: still picked
    {'2', false, false, false, 3, 0, kNo},  // plain digits are typed, not switching
    {'2', true, true, false, 3, 0, kNo},
    {'2', true, false, true, 3, 0, kNo},  // Ctrl+Alt is AltGr on many layouts
    {'1', true, false, false, 0, -1, kNo},
    // Ctrl+Tab and Ctrl+Shift+Tab: next and previous, wrapping around.
    {VK_TAB, true, false, false, 3, 0, 1},
    {VK_TAB, true, false, false, 3, 2, 0},
    {VK_TAB, true, true, false, 3, 0, 2},
    {VK_TAB, true, true, false, 3, 2, 1},
    {VK_TAB, true, false, false, 1, 0, 0},
    {VK_TAB, true, false, false, 3, -1, 0},  // nothing selected: the first
    {VK_TAB, true, true, false, 3, -1, 2},   // or the last
    {VK_TAB, true, false, false, 3, 7, 0},   // a stale selection counts as none
    {VK_TAB, false, false, false, 3, 0, kNo},
    {VK_TAB, true, false, false, 0, -1, kNo},
    {'A', true, false, false, 3, 0, kNo},
};

TEST(WebchatSwitchKeys, TargetRowOfEveryChord) {
  for (const TCase& c : kCases)
    EXPECT_EQ(CWebchatSwitchKeys::TargetRow(c.vk, c.ctrl, c.shift, c.alt, c.rows, c.current),
              c.expected)
        << "vk " << c.vk << " ctrl " << c.ctrl << " shift " << c.shift << " alt " << c.alt
        << " rows " << c.rows << " current " << c.current;
}

TEST(WebchatSwitchKeys, ChordNamesForTheFirstNineRowsOnly) {
  EXPECT_EQ(CWebchatSwitchKeys::ChordOfRow(0), "Ctrl+1");
  EXPECT_EQ(CWebchatSwitchKeys::ChordOfRow(8), "Ctrl+9");
  EXPECT_EQ(CWebchatSwitchKeys::ChordOfRow(9), "");
  EXPECT_EQ(CWebchatSwitchKeys::ChordOfRow(-1), "");
}

TEST(WebchatSwitchKeys, NothingIsGrabbedOffX11) {
  EXPECT_FALSE(CWebchatSwitchKeys::GrabFor(nullptr));
}

}  // namespace
