// The operator's clipboard around the manager's inserts and sends, on the in-memory desktop:
// what was there (text, a picture, nothing) is back exactly, only after the reply's last
// item, never while an operation runs, and never before the client fetched the reply.
#include "WebchatTestSupport.h"

#include "platform/win32/Bitmap.h"
#include "platform/win32/Clipboard.h"
#include "wechat/ClipboardKeeper.h"

#include <algorithm>
#include <fstream>

namespace wechat_test {
namespace {

using Call = testing_support::FakeDesktop::TCall;

class Keeper : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    RunWithMainWindow("k1", &m_hMain);
    if (HasFatalFailure()) return;
    // The timer is driven by hand: no owner window.
    m_keeper.emplace(nullptr);
    Manager().SetInputObserver(&*m_keeper);
  }
  void TearDown() override {
    Manager().SetInputObserver(nullptr);
    ManagerTest::TearDown();
  }

  void InsertText(const std::u16string& text) {
    std::vector<INPUTDATA> items(1);
    items[0].strText = text;
    items[0].nType = 0;
    ASSERT_TRUE(Manager().InputTextVec("k1", items));
  }
  std::u16string ClipboardText() {
    std::u16string text;
    return m_desktop.GetClipboardText(text) ? text : u"<none>";
  }

  HWND m_hMain = nullptr;
  std::optional<CClipboardKeeper> m_keeper;
};

TEST_F(Keeper, TheOperatorsTextIsBackExactlyAfterAReply) {
  const std::u16string mine = u"订单号 2024-0001\n\t «quoted» 🙂 ";
  m_desktop.SetClipboardText(mine);
  InsertText(u"您好，欢迎光临");
  Manager().SendCurrText("k1");
  EXPECT_EQ(ClipboardText(), u"您好，欢迎光临");
  EXPECT_TRUE(m_keeper->IsHolding());
  m_keeper->OnTimer();
  EXPECT_EQ(ClipboardText(), mine);
  EXPECT_FALSE(m_keeper->IsHolding());
}

TEST_F(Keeper, APictureIsBackPixelForPixel) {
  win32::TBitmapPixels picture;
  picture.nWidth = 3;
  picture.nHeight = 2;
  picture.vecPixels = {0xFF112233, 0xFF445566, 0x80778899, 0xFFAABBCC, 0x00000000, 0xFFFFFFFF};
  m_desktop.SetClipboardImage(picture);
  InsertText(u"回复");
  m_keeper->OnTimer();
  win32::TBitmapPixels back;
  ASSERT_TRUE(m_desktop.GetClipboardImage(back));
  EXPECT_EQ(back.nWidth, 3);
  EXPECT_EQ(back.nHeight, 2);
  EXPECT_EQ(back.vecPixels, picture.vecPixels);
}

TEST_F(Keeper, AnEmptyClipboardIsLeftEmpty) {
  m_desktop.ClearClipboard();
  InsertText(u"回复");
  EXPECT_EQ(ClipboardText(), u"回复");
  m_keeper->OnTimer();
  EXPECT_EQ(ClipboardText(), u"<none>");
  win32::TBitmapPixels none;
  EXPECT_FALSE(m_desktop.GetClipboardImage(none));
}

TEST_F(Keeper, ARunOfItemsKeepsTheFirstCopyNotAnItemOfTheReply) {
  m_desktop.SetClipboardText(u"mine");
  InsertText(u"第一段");
  InsertText(u"第二段");  // the timer had not fired: still the same run
  m_keeper->OnTimer();
  EXPECT_EQ(ClipboardText(), u"mine");
}

TEST_F(Keeper, NothingIsPutBackWhileAnOperationRuns) {
  m_desktop.SetClipboardText(u"mine");
  m_keeper->OnInputBegin();  // an operation under way (as when the timer fires in its waits)
  InsertText(u"回复");
  m_keeper->OnTimer();
  EXPECT_EQ(ClipboardText(), u"回复");
  m_keeper->OnInputEnd();
  m_keeper->OnTimer();
  EXPECT_EQ(ClipboardText(), u"mine");
}

TEST_F(Keeper, PuttingBackWaitsForTheClientToFetchTheReply) {
  m_desktop.SetClipboardText(u"mine");
  InsertText(u"回复");
  m_desktop.ClearCalls();
  m_keeper->OnTimer();
  const std::vector<Call> calls = m_desktop.Calls();
  auto wait = std::find_if(calls.begin(), calls.end(),
                           [](const Call& c) { return c.strKind == "clipboard-wait"; });
  auto put = std::find_if(calls.begin(), calls.end(),
                          [](const Call& c) { return c.strKind == "clipboard-text"; });
  ASSERT_NE(put, calls.end());
  EXPECT_LT(wait - calls.begin(), put - calls.begin());
  EXPECT_EQ(put->strText, u"mine");
}

TEST_F(Keeper, ASendOfAPictureIsCoveredToo) {
  m_desktop.SetClipboardText(u"mine");
  // A picture file the manager can read.
  std::ofstream(m_root / "pic.ppm") << "P3\n2 2\n255\n0 255 0 0 255 0 0 255 0 0 255 0\n";
  EXPECT_TRUE(Manager().SendImageByCopy("k1", (m_root / "pic.ppm").string().c_str()));
  win32::TBitmapPixels sent;
  EXPECT_TRUE(m_desktop.GetClipboardImage(sent));
  m_keeper->OnTimer();
  EXPECT_EQ(ClipboardText(), u"mine");
}

TEST_F(Keeper, WithoutTheKeeperTheReplyStays) {
  Manager().SetInputObserver(nullptr);
  m_desktop.SetClipboardText(u"mine");
  InsertText(u"回复");
  m_keeper->OnTimer();
  EXPECT_EQ(ClipboardText(), u"回复");
}

}  // namespace
}  // namespace wechat_test
