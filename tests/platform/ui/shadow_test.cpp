// The drop shadow around a window.
#include "platform/ui/window/WndShadow.h"
#include "tests/platform/ui/window_test_util.h"

#include <QWidget>

#include <gtest/gtest.h>

using uitest::Backend;
using uitest::CRecordingWnd;

namespace {

class ShadowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DuiLib::CWndShadow::Initialize(nullptr);
    DuiLib::CWndShadow::Enable(true);
    hwnd = frame.Create(nullptr, "frame", WS_POPUP | WS_VISIBLE, 0, 100, 100, 300, 200);
  }
  CRecordingWnd frame;
  HWND hwnd = nullptr;
};

bool SameRect(const RECT& r, LONG l, LONG t, LONG rr, LONG b) {
  return r.left == l && r.top == t && r.right == rr && r.bottom == b;
}

TEST_F(ShadowTest, SurroundsTheWindowByTheImageCornersAndFollowsIt) {
  DuiLib::CWndShadow shadow;
  shadow.SetImage("shadow.png", RECT{12, 12, 12, 12});
  shadow.Create(hwnd);
  EXPECT_EQ(shadow.GetParentWnd(), hwnd);
  ASSERT_NE(shadow.GetWidget(), nullptr);
  EXPECT_TRUE(SameRect(shadow.GetShadowRect(), 88, 88, 412, 312));
  // Input goes through it to whatever lies below.
  EXPECT_TRUE(shadow.GetWidget()->windowFlags() & Qt::WindowTransparentForInput);

  Backend().Move(hwnd, 10, 20, 100, 50, TRUE);
  EXPECT_TRUE(SameRect(shadow.GetShadowRect(), -2, 8, 122, 82));
  Backend().Show(hwnd, SW_HIDE);
  EXPECT_TRUE(SameRect(shadow.GetShadowRect(), 0, 0, 0, 0));
  Backend().Show(hwnd, SW_SHOW);
  EXPECT_TRUE(SameRect(shadow.GetShadowRect(), -2, 8, 122, 82));
  Backend().Show(hwnd, SW_MAXIMIZE);
  EXPECT_TRUE(SameRect(shadow.GetShadowRect(), 0, 0, 0, 0));
}

TEST_F(ShadowTest, SizeAndOffsetWithoutImage) {
  DuiLib::CWndShadow shadow;
  EXPECT_TRUE(shadow.SetSize(4));
  EXPECT_TRUE(shadow.SetPosition(2, 3));
  EXPECT_FALSE(shadow.SetSize(41));
  EXPECT_FALSE(shadow.SetPosition(21, 0));
  EXPECT_FALSE(shadow.SetDarkness(256));
  shadow.Create(hwnd);
  EXPECT_TRUE(SameRect(shadow.GetShadowRect(), 98, 99, 406, 307));
  shadow.GetWidget()->grab();  // paints without a picture
}

TEST_F(ShadowTest, GoesAwayWithItsWindow) {
  DuiLib::CWndShadow shadow;
  shadow.Create(hwnd);
  ASSERT_NE(shadow.GetWidget(), nullptr);
  Backend().Destroy(hwnd);
  EXPECT_TRUE(SameRect(shadow.GetShadowRect(), 0, 0, 0, 0));
  DuiLib::PumpMessages();
}

TEST_F(ShadowTest, NoOpForForeignWindowsOrWithoutCompositing) {
  DuiLib::CWndShadow foreign;
  foreign.Create(reinterpret_cast<HWND>(0x1234));
  EXPECT_EQ(foreign.GetWidget(), nullptr);
  EXPECT_EQ(foreign.GetParentWnd(), nullptr);
  DuiLib::CWndShadow::Enable(false);
  DuiLib::CWndShadow plain;
  plain.Create(hwnd);
  EXPECT_EQ(plain.GetWidget(), nullptr);
  EXPECT_EQ(plain.GetParentWnd(), hwnd);
  EXPECT_TRUE(SameRect(plain.GetShadowRect(), 0, 0, 0, 0));
  DuiLib::CWndShadow::Enable(true);
}

}  // namespace
