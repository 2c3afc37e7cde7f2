// The manager as a window of the UI library (offscreen): its own child window under the
// frame, the key and timer hooks, and a manager without an owner.
#include "mainframe/WebchatMan.h"
#include "platform/ui/window/WindowImplBase.h"
#include "platform/win32/Window.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class CFrame : public DuiLib::WindowImplBase {
 protected:
  LPCTSTR GetWindowClassName() const override { return "TandemChat"; }
  DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
  DuiLib::CDuiString GetSkinFile() override { return "no-such-skin.xml"; }
};

// Opens the hooks for the test.
class CTestableMan : public CWebchatMan {
 public:
  using CWebchatMan::CWebchatMan;
  using CWebchatMan::GetSkinFile;
  using CWebchatMan::GetWindowClassName;
  using CWebchatMan::HandleCustomMessage;
  using CWebchatMan::OnKeyDown;
};

TEST(ManagerWindow, AManagerWithAnOwnerIsAChildWindowOfIt) {
  CFrame frame;
  ASSERT_NE(frame.Create(nullptr, "TandemChat", UI_WNDSTYLE_FRAME, 0, 0, 0, 1000, 700), nullptr);
  {
    CTestableMan manager(&frame);
    HWND own = manager.GetHWND();
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(IsWindow(own));
    EXPECT_EQ(GetParent(own), frame.GetHWND());
    char className[64] = {};
    GetClassNameA(own, className, sizeof(className));
    EXPECT_STREQ(className, "webchat");
    EXPECT_STREQ(manager.GetSkinFile().GetData(), "webchat.xml");

    manager.SetPos(RECT{10, 20, 810, 620});
    RECT rect{};
    GetClientRect(own, &rect);
    EXPECT_EQ(rect.right - rect.left, 800);
    EXPECT_EQ(rect.bottom - rect.top, 600);
    EXPECT_EQ(manager.GetPos().left, 10);
    EXPECT_EQ(manager.GetPos().bottom, 620);

    BOOL handled = FALSE;
    EXPECT_EQ(manager.OnKeyDown(WM_KEYDOWN, 0x1B, 0, handled), 1);
    EXPECT_TRUE(handled);
    handled = TRUE;
    EXPECT_EQ(manager.HandleCustomMessage(WM_TIMER, 1, 0, handled), 0);
    EXPECT_FALSE(handled);
    EXPECT_EQ(manager.GetCurrWeChat(), "");
  }
  frame.Close();
}

TEST(ManagerWindow, AManagerWithoutOwnerHasNoWindowAndReadsSpreadsheets) {
  auto manager = std::make_unique<CWebchatMan>(static_cast<DuiLib::WindowImplBase*>(nullptr));
  EXPECT_EQ(manager->GetHWND(), nullptr);
  EXPECT_TRUE(CWebchatMan::ReadExcelContent("/no/such/file.xlsx").empty());
  manager->SetPos(RECT{0, 0, 100, 100});
  manager.reset();
}

}  // namespace
