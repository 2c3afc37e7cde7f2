// The pop-up menu on the offscreen platform: where a root menu and a sub-menu open near the
// screen's edges, the selected mark of an item whose sub-menu is open, and what reaches the
// owner: one command for one choice, whichever menu it was made in, and nothing for Escape,
// a focus leaving the menus, a right click or an item without an id. Input reaches the
// menus as window messages, as the desktop delivers it.
#include "chrome/MenuElementUI.h"
#include "chrome/MenuWnd.h"
#include "platform/ui/UIlib.h"
#include "tests/support/GuiWait.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testing_support::PumpUntil;

// The menus' owner: a window with a paint manager, which records the commands posted to it.
class COwnerWnd : public DuiLib::CWindowWnd {
 public:
  DuiLib::CPaintManagerUI manager;
  std::vector<WPARAM> commands;

 protected:
  LPCTSTR GetWindowClassName() const override { return "MenuOwnerWnd"; }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_MENU_COMMAND) commands.push_back(wParam);
    return DuiLib::CWindowWnd::HandleMessage(msg, wParam, lParam);
  }
};

class MenuWndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(m_owner.Create(nullptr, "owner", WS_POPUP | WS_VISIBLE, 0, 0, 0, 300, 200), nullptr);
    m_owner.manager.Init(m_owner.GetHWND());
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO info{};
    ASSERT_TRUE(
        ::GetMonitorInfoA(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTONEAREST), &info));
    m_work = info.rcWork;
    ASSERT_GT(m_work.right - m_work.left, 400);
    ASSERT_GT(m_work.bottom - m_work.top, 300);
    EXPECT_EQ(m_work.right, screen.right);
    EXPECT_EQ(m_work.bottom, screen.bottom);
  }
  void TearDown() override {
    CMenuWnd::CloseAll();
    EXPECT_TRUE(PumpUntil([] { return CMenuWnd::OpenCount() == 0; }, 5000));
    m_owner.Close();
    PumpUntil([&] { return !::IsWindow(m_owner.GetHWND()); }, 5000);
  }

  // Opens the test menu at pt (screen coordinates); the root menu's window, null when it did
  // not open.
  CMenuWnd* Open(POINT pt) {
    auto* menu = new CMenuWnd(m_owner.GetHWND(), &m_owner.manager);
    menu->Init(nullptr, "test_menu.xml", "xml", pt);
    if (CMenuWnd::OpenCount() != 1) return nullptr;
    menu->GetPaintManager().UpdateLayout();
    return menu;
  }
  static RECT Rect(CMenuWnd* menu) {
    RECT rect{};
    ::GetWindowRect(menu->GetHWND(), &rect);
    return rect;
  }
  static CMenuElementUI* Item(CMenuWnd* menu, const char* name) {
    return static_cast<CMenuElementUI*>(menu->GetPaintManager().FindControl(name));
  }
  // A message to the menu window at the middle of one of its items (client coordinates).
  static void SendToItem(CMenuWnd* menu, const char* name, UINT msg) {
    CMenuElementUI* item = Item(menu, name);
    ASSERT_NE(item, nullptr) << name;
    const RECT pos = item->GetPos();
    const LPARAM at = MAKELPARAM((pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2);
    ::SendMessageA(menu->GetHWND(), WM_MOUSEMOVE, 0, at);
    ::SendMessageA(menu->GetHWND(), msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, at);
  }
  // Escape pressed while the menu has the keyboard, as the message loop hands keys over.
  static void PressEscape(CMenuWnd* menu) {
    MSG msg{};
    msg.hwnd = menu->GetHWND();
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_ESCAPE;
    DuiLib::CPaintManagerUI::TranslateMessage(&msg);
  }
  // Opens the sub-menu of "more" with a click on it; its window, null when none opened.
  static CMenuWnd* OpenSubMenu(CMenuWnd* menu) {
    SendToItem(menu, "more", WM_LBUTTONDOWN);
    ::SendMessageA(menu->GetHWND(), WM_LBUTTONUP, 0, 0);
    CMenuElementUI* more = Item(menu, "more");
    if (!more || !more->m_pSubMenuWnd || CMenuWnd::OpenCount() != 2) return nullptr;
    more->m_pSubMenuWnd->GetPaintManager().UpdateLayout();
    return more->m_pSubMenuWnd;
  }
  // Waits until every menu has closed, then lets the queue deliver what they posted.
  void WaitAllClosed() {
    EXPECT_TRUE(PumpUntil([] { return CMenuWnd::OpenCount() == 0; }, 5000))
        << CMenuWnd::OpenCount() << " menus still open";
    DuiLib::PumpMessages();
    DuiLib::PumpMessages();
  }

  COwnerWnd m_owner;
  RECT m_work{};
};

TEST_F(MenuWndTest, ARootMenuOpensRightAndDownFromThePoint) {
  CMenuWnd* menu = Open(POINT{50, 60});
  ASSERT_NE(menu, nullptr);
  const RECT rect = Rect(menu);
  EXPECT_EQ(rect.left, 50);
  EXPECT_EQ(rect.top, 60);
  EXPECT_EQ(rect.right - rect.left, 120);  // the size its file gives
  EXPECT_EQ(rect.bottom - rect.top, 96);
}

TEST_F(MenuWndTest, AtTheRightEdgeItOpensToTheLeftOfThePoint) {
  const POINT pt{m_work.right - 20, 60};
  CMenuWnd* menu = Open(pt);
  ASSERT_NE(menu, nullptr);
  const RECT rect = Rect(menu);
  EXPECT_EQ(rect.right, pt.x);
  EXPECT_EQ(rect.left, pt.x - 120);
  EXPECT_EQ(rect.top, pt.y);
}

TEST_F(MenuWndTest, AtTheBottomEdgeItOpensAboveThePoint) {
  const POINT pt{50, m_work.bottom - 20};
  CMenuWnd* menu = Open(pt);
  ASSERT_NE(menu, nullptr);
  const RECT rect = Rect(menu);
  EXPECT_EQ(rect.bottom, pt.y);
  EXPECT_EQ(rect.top, pt.y - 96);
  EXPECT_EQ(rect.left, pt.x);
}

TEST_F(MenuWndTest, InTheBottomRightCornerItOpensLeftAndUp) {
  const POINT pt{m_work.right - 1, m_work.bottom - 1};
  CMenuWnd* menu = Open(pt);
  ASSERT_NE(menu, nullptr);
  const RECT rect = Rect(menu);
  EXPECT_EQ(rect.right, pt.x);
  EXPECT_EQ(rect.bottom, pt.y);
  EXPECT_EQ(rect.left, pt.x - 120);
  EXPECT_EQ(rect.top, pt.y - 96);
}

TEST_F(MenuWndTest, ASubMenuOpensRightOfItsMenuWithItsTopAtTheItem) {
  CMenuWnd* menu = Open(POINT{50, 60});
  ASSERT_NE(menu, nullptr);
  CMenuWnd* sub = OpenSubMenu(menu);
  ASSERT_NE(sub, nullptr);
  const RECT root = Rect(menu);
  const RECT rect = Rect(sub);
  POINT item{Item(menu, "more")->GetPos().left, Item(menu, "more")->GetPos().top};
  ::ClientToScreen(menu->GetHWND(), &item);
  EXPECT_EQ(rect.left, root.right);
  EXPECT_EQ(rect.top, item.y);
  EXPECT_GE(rect.bottom - rect.top, 2 * 28);  // both of its items
  EXPECT_GT(rect.right - rect.left, 0);
}

TEST_F(MenuWndTest, AtTheRightEdgeASubMenuOpensLeftOfItsMenu) {
  CMenuWnd* menu = Open(POINT{m_work.right - 60, 60});
  ASSERT_NE(menu, nullptr);
  CMenuWnd* sub = OpenSubMenu(menu);
  ASSERT_NE(sub, nullptr);
  const RECT rect = Rect(sub);
  EXPECT_EQ(rect.right, Rect(menu).left);
  EXPECT_GE(rect.left, m_work.left);
}

TEST_F(MenuWndTest, AtTheBottomEdgeASubMenuEndsAtItsItemsBottom) {
  // The root opens upwards from the bottom edge; "more" is its last item, so a sub-menu of
  // two items below its top would leave the screen.
  CMenuWnd* menu = Open(POINT{50, m_work.bottom - 2});
  ASSERT_NE(menu, nullptr);
  CMenuWnd* sub = OpenSubMenu(menu);
  ASSERT_NE(sub, nullptr);
  const RECT rect = Rect(sub);
  POINT itemBottom{0, Item(menu, "more")->GetPos().bottom};
  ::ClientToScreen(menu->GetHWND(), &itemBottom);
  EXPECT_EQ(rect.bottom, itemBottom.y);
  EXPECT_LE(rect.bottom, m_work.bottom);
  EXPECT_EQ(rect.left, Rect(menu).right);
}

TEST_F(MenuWndTest, AnItemIsMarkedWhileItsSubMenuIsOpenAndUnmarkedAfter) {
  CMenuWnd* menu = Open(POINT{50, 60});
  ASSERT_NE(menu, nullptr);
  CMenuWnd* sub = OpenSubMenu(menu);
  ASSERT_NE(sub, nullptr);
  CMenuElementUI* more = Item(menu, "more");
  EXPECT_TRUE(more->IsSelected());
  EXPECT_FALSE(Item(menu, "first")->IsSelected());
  // The sub-menu borrows the item's children while it is open and gives them back.
  EXPECT_EQ(more->GetCount(), 0);
  EXPECT_TRUE(more->HasSubMenu());
  PressEscape(sub);
  ASSERT_TRUE(PumpUntil([] { return CMenuWnd::OpenCount() == 1; }, 5000));
  EXPECT_FALSE(more->IsSelected());
  EXPECT_EQ(more->m_pSubMenuWnd, nullptr);
  EXPECT_EQ(more->GetCount(), 2);
  EXPECT_TRUE(more->HasSubMenu());
}

TEST_F(MenuWndTest, AChoicePostsItsIdOnceAfterTheMenuClosed) {
  CMenuWnd* menu = Open(POINT{50, 60});
  ASSERT_NE(menu, nullptr);
  SendToItem(menu, "first", WM_LBUTTONDOWN);
  EXPECT_TRUE(m_owner.commands.empty()) << "posted before the menu closed";
  WaitAllClosed();
  EXPECT_EQ(m_owner.commands, std::vector<WPARAM>{11});
}

TEST_F(MenuWndTest, AChoiceInASubMenuPostsOnlyItsOwnIdOnce) {
  CMenuWnd* menu = Open(POINT{50, 60});
  ASSERT_NE(menu, nullptr);
  CMenuWnd* sub = OpenSubMenu(menu);
  ASSERT_NE(sub, nullptr);
  SendToItem(sub, "inner", WM_LBUTTONDOWN);
  WaitAllClosed();
  EXPECT_EQ(m_owner.commands, std::vector<WPARAM>{21});
}

TEST_F(MenuWndTest, AnItemWithoutAnIdClosesTheMenusAndPostsNothing) {
  CMenuWnd* menu = Open(POINT{50, 60});
  ASSERT_NE(menu, nullptr);
  CMenuWnd* sub = OpenSubMenu(menu);
  ASSERT_NE(sub, nullptr);
  SendToItem(sub, "inner_plain", WM_LBUTTONDOWN);
  WaitAllClosed();
  EXPECT_TRUE(m_owner.commands.empty());
}

TEST_F(MenuWndTest, EscapeClosesOnlyItsMenuAndPostsNothing) {
  CMenuWnd* menu = Open(POINT{50, 60});
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(OpenSubMenu(menu), nullptr);
  PressEscape(Item(menu, "more")->m_pSubMenuWnd);
  ASSERT_TRUE(PumpUntil([] { return CMenuWnd::OpenCount() == 1; }, 5000));
  EXPECT_TRUE(CMenuWnd::IsMenuWindow(menu->GetHWND()));
  PressEscape(menu);
  WaitAllClosed();
  EXPECT_TRUE(m_owner.commands.empty());
}

TEST_F(MenuWndTest, TheFocusMovingBetweenMenusKeepsThemAndLeavingClosesAll) {
  CMenuWnd* menu = Open(POINT{50, 60});
  ASSERT_NE(menu, nullptr);
  CMenuWnd* sub = OpenSubMenu(menu);
  ASSERT_NE(sub, nullptr);
  ::SendMessageA(menu->GetHWND(), WM_KILLFOCUS, reinterpret_cast<WPARAM>(sub->GetHWND()), 0);
  DuiLib::PumpMessages();
  EXPECT_EQ(CMenuWnd::OpenCount(), 2);
  ::SendMessageA(sub->GetHWND(), WM_KILLFOCUS, 0, 0);  // to another program
  WaitAllClosed();
  EXPECT_TRUE(m_owner.commands.empty());
}

TEST_F(MenuWndTest, TheOwnerTakingTheFocusLateKeepsTheMenusOpen) {
  // As a window manager does with the focus the owner asked for before the menu opened.
  CMenuWnd* menu = Open(POINT{50, 60});
  ASSERT_NE(menu, nullptr);
  CMenuWnd* sub = OpenSubMenu(menu);
  ASSERT_NE(sub, nullptr);
  ::SendMessageA(sub->GetHWND(), WM_KILLFOCUS, reinterpret_cast<WPARAM>(m_owner.GetHWND()), 0);
  ::SendMessageA(menu->GetHWND(), WM_KILLFOCUS, reinterpret_cast<WPARAM>(m_owner.GetHWND()), 0);
  DuiLib::PumpMessages();
  EXPECT_EQ(CMenuWnd::OpenCount(), 2);
  // The owner closes them on a click, as the frame does.
  CMenuWnd::CloseAll();
  WaitAllClosed();
  EXPECT_TRUE(m_owner.commands.empty());
}

TEST_F(MenuWndTest, ARightClickInsideAMenuDoesNothing) {
  CMenuWnd* menu = Open(POINT{50, 60});
  ASSERT_NE(menu, nullptr);
  SendToItem(menu, "first", WM_RBUTTONDOWN);
  SendToItem(menu, "first", WM_RBUTTONUP);
  ::SendMessageA(menu->GetHWND(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(menu->GetHWND()), 0);
  DuiLib::PumpMessages();
  EXPECT_EQ(CMenuWnd::OpenCount(), 1);
  EXPECT_TRUE(m_owner.commands.empty());
}

TEST_F(MenuWndTest, ClosingAllFromOutsidePostsNothing) {
  CMenuWnd* menu = Open(POINT{50, 60});
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(OpenSubMenu(menu), nullptr);
  CMenuWnd::CloseAll();  // as a click on the owner does
  WaitAllClosed();
  EXPECT_TRUE(m_owner.commands.empty());
}

}  // namespace
