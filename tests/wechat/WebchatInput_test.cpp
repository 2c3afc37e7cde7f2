// The input operations as recorded desktop events: key sequences, clicks, clipboard
// content and the fixed waits between the keys.
#include "WebchatTestSupport.h"

#include "app/Settings.h"

#include "platform/win32/CodePage.h"
#include "platform/win32/Input.h"

#include <algorithm>
#include <fstream>

namespace wechat_test {
namespace {

using namespace std::chrono_literals;
using Call = testing_support::FakeDesktop::TCall;

// A 2x1 24-bit Windows bitmap (red, blue).
void WriteBmp(const std::filesystem::path& path) {
  // clang-format off
  const unsigned char bytes[] = {
      'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                    // file header
      40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0,                  // info header
      0, 0, 0, 0, 8, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 0, 0};  // BGR red, BGR blue, padding
  // clang-format on
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}

class Input : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    RunWithMainWindow("k1", &m_hMain);
    if (HasFatalFailure()) return;
    m_image = m_root / "pic.bmp";
    WriteBmp(m_image);
    m_desktop.ClearCalls();
  }

  std::vector<Call> Calls(const std::string& kind) {
    std::vector<Call> calls;
    for (const Call& call : m_desktop.Calls())
      if (call.strKind == kind) calls.push_back(call);
    return calls;
  }

  // Time between the press and the release of a key, for each press in order.
  std::vector<std::chrono::milliseconds> HoldTimes(BYTE vk) {
    std::vector<std::chrono::milliseconds> holds;
    std::chrono::steady_clock::time_point pressed{};
    for (const Call& call : Calls("key")) {
      if (call.nArg1 != vk) continue;
      if (call.nArg2 == 0)
        pressed = call.tpWhen;
      else
        holds.push_back(
            std::chrono::duration_cast<std::chrono::milliseconds>(call.tpWhen - pressed));
    }
    return holds;
  }

  HWND m_hMain = nullptr;
  std::filesystem::path m_image;
};

TEST_F(Input, AReplyOfEveryItemKindGivesTheExactKeySequence) {
  std::vector<INPUTDATA> items = {{u"你好", 0}, {u"😀a", 1}, {Utf8ToWide(m_image.string()), 2}};
  EXPECT_TRUE(Manager().InputTextVec("k1", items));
  EXPECT_EQ(m_desktop.KeyJournal(),
            "Ctrl+ A+ A- Ctrl- Del+ Del- Ctrl+ V+ V- Ctrl- Ctrl+ V+ V- Ctrl-");
  // The typed text arrives as characters: the surrogate pair as one emoji.
  auto chars = Calls("char");
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].nArg1, 0x1F600);
  EXPECT_EQ(chars[1].nArg1, 'a');
  EXPECT_EQ(Calls("clipboard-text").at(0).strText, u"你好");
  ASSERT_TRUE(m_desktop.ClipboardHasImage());
  EXPECT_EQ(m_desktop.ClipboardImage().nWidth, 2);
  EXPECT_EQ(m_desktop.ClipboardImage().vecPixels.at(0) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(Manager().GetCurrWeChat(), "");  // made current, but nothing is re-shown
}

TEST_F(Input, TheFixedWaitsHoldTheKeysDown) {
  EXPECT_TRUE(Manager().InputTextVec("k1", {{u"x", 0}, {u"y", 0}}));
  for (auto hold : HoldTimes('A')) EXPECT_GE(hold, 20ms);
  for (auto hold : HoldTimes(VK_DELETE)) EXPECT_GE(hold, 20ms);
  auto pastes = HoldTimes('V');
  ASSERT_EQ(pastes.size(), 2u);
  for (auto hold : pastes) EXPECT_GE(hold, 50ms);
}

TEST_F(Input, TheClickGoesNearTheBottomRightAfterActivation) {
  EXPECT_TRUE(Manager().InputTextVec("k1", {}));
  auto calls = m_desktop.Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0].strKind, "activate");
  EXPECT_EQ(calls[0].hWnd, m_hMain);
  auto clicks = Calls("click");
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[0].nArg1, 880);
  EXPECT_EQ(clicks[0].nArg2, 644);
  EXPECT_EQ(clicks[0].nArg3, 1);  // press
  EXPECT_EQ(clicks[1].nArg3, 0);  // release
  EXPECT_EQ(m_desktop.KeyJournal(), "Ctrl+ A+ A- Ctrl- Del+ Del-");
}

TEST_F(Input, AFailedItemDoesNotStopTheOthers) {
  std::vector<INPUTDATA> items = {
      {u"", 1}, {u"z", 3}, {u"after", 0}, {u"/no/such/picture.png", 2}, {u"t", 1}};
  EXPECT_FALSE(Manager().InputTextVec("k1", items));
  EXPECT_EQ(m_desktop.KeyJournal(), "Ctrl+ A+ A- Ctrl- Del+ Del- Ctrl+ V+ V- Ctrl-");
  EXPECT_EQ(m_desktop.ClipboardText(), u"after");
  EXPECT_EQ(Calls("char").size(), 1u);
}

TEST_F(Input, ACopyWithoutMainWindowTakesNoKeysButBecomesCurrent) {
  ASSERT_TRUE(Manager().RunWeChat("k2"));
  EXPECT_FALSE(Manager().InputTextVec("k2", {{u"x", 0}}));
  EXPECT_FALSE(Manager().InputTextVec("nokey", {{u"x", 0}}));
  Manager().SendCurrText("k2");
  EXPECT_EQ(m_desktop.KeyJournal(), "");
  EXPECT_TRUE(Calls("click").empty());
  // The key became current: the main window found later is shown at once.
  HWND main = m_desktop.AddWindow(kWeChatMainWndClass, ProcessOf("k2"), {0, 0, 1000, 700});
  ASSERT_TRUE(Reports().WaitFor(
      [&](const TReport& r) { return r.strKind == "ui" && r.hMain == main; }, 3000));
  testing_support::FakeDesktop::TWindow window;
  ASSERT_TRUE(m_desktop.GetWindow(main, window));
  EXPECT_TRUE(window.bMaximized);
}

TEST_F(Input, SendPressesAltSAfterTheClipboardWasFetched) {
  Manager().SendCurrText("k1");
  EXPECT_EQ(m_desktop.KeyJournal(), "Alt+ S+ S- Alt-");
  auto calls = m_desktop.Calls();
  auto wait = std::find_if(calls.begin(), calls.end(),
                           [](const Call& c) { return c.strKind == "clipboard-wait"; });
  auto alt =
      std::find_if(calls.begin(), calls.end(), [](const Call& c) { return c.strKind == "key"; });
  EXPECT_LT(wait - calls.begin(), alt - calls.begin());
}

TEST_F(Input, SendImageByCopyPastesAndSendsWithItsWaits) {
  Manager().SwitchWeChat("other");
  EXPECT_TRUE(Manager().SendImageByCopy("k1", m_image.string().c_str()));
  EXPECT_EQ(m_desktop.KeyJournal(),
            "Ctrl+ A+ A- Ctrl- Del+ Del- Ctrl+ V+ V- Ctrl- Alt+ S+ S- Alt-");
  EXPECT_TRUE(m_desktop.ClipboardHasImage());
  auto calls = m_desktop.Calls();
  auto at = [&](const std::string& kind) {
    return std::find_if(calls.begin(), calls.end(),
                        [&](const Call& c) { return c.strKind == kind; })
        ->tpWhen;
  };
  EXPECT_GE(at("click") - at("activate"), 20ms);
  EXPECT_GE(at("key") - at("click"), 20ms);
  auto keys = Calls("key");
  EXPECT_GE(keys.at(6).tpWhen - keys.at(5).tpWhen, 20ms);  // after Del-, before Ctrl+ of the paste
  EXPECT_TRUE(std::filesystem::exists(CWebchatEngine::GetTempBitmapPath()));
}

TEST_F(Input, SendImageByCopyChecksTheFileBeforeTheKey) {
  Manager().SwitchWeChat("before");
  EXPECT_FALSE(Manager().SendImageByCopy("k1", (m_root / "missing.png").string().c_str()));
  ASSERT_TRUE(Manager().RunWeChat("k2"));
  EXPECT_FALSE(Manager().SendImageByCopy("k2", m_image.string().c_str()));
  EXPECT_EQ(m_desktop.KeyJournal(), "");
  // The missing file left the current key alone; the key without a window changed it.
  HWND main = m_desktop.AddWindow(kWeChatMainWndClass, ProcessOf("k2"), {0, 0, 1000, 700});
  ASSERT_TRUE(Reports().WaitFor(
      [&](const TReport& r) { return r.strKind == "ui" && r.hMain == main; }, 3000));
  testing_support::FakeDesktop::TWindow window;
  ASSERT_TRUE(m_desktop.GetWindow(main, window));
  EXPECT_EQ(window.nParentId, 0x9000u);
}

TEST_F(Input, TwoPicturesInARowEachReplaceTheClipboard) {
  std::filesystem::path second = m_root / "second.bmp";
  WriteBmp(second);
  EXPECT_TRUE(Manager().InputTextVec(
      "k1", {{Utf8ToWide(m_image.string()), 2}, {Utf8ToWide(second.string()), 2}}));
  EXPECT_EQ(Calls("clipboard-image").size(), 2u);
  EXPECT_EQ(m_desktop.KeyJournal(),
            "Ctrl+ A+ A- Ctrl- Del+ Del- Ctrl+ V+ V- Ctrl- Ctrl+ V+ V- Ctrl-");
}

// A typed line break is the client's new line in the box (Ctrl+Return unless sys.cfg says
// otherwise); Return would send the half-typed message. "\r" stays a typed character.
class NewLine : public Input {
 protected:
  void SetUp() override {
    Input::SetUp();
    SetProgramFolder(m_root.string());
  }
  void TearDown() override {
    SetProgramFolder("");
    Input::TearDown();
  }
  void WriteSysCfg(const std::string& newLineKey) {
    std::ofstream(m_root / "sys.cfg") << "[SYSTEM]\nNewLineKey=" << newLineKey << "\n";
  }
  std::string TypedJournal(const std::u16string& text) {
    m_desktop.ClearCalls();
    EXPECT_TRUE(Manager().InputTextVec("k1", {{text, 1}}));
    std::string journal = m_desktop.KeyJournal();
    const std::string clear = "Ctrl+ A+ A- Ctrl- Del+ Del-";
    if (journal.rfind(clear, 0) == 0) journal.erase(0, clear.size());
    return journal;
  }
};

TEST_F(NewLine, ATypedLineBreakIsCtrlReturnByDefault) {
  EXPECT_EQ(TypedJournal(u"a\nb"), " Ctrl+ VK0D+ VK0D- Ctrl-");
  auto chars = Calls("char");
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].nArg1, 'a');
  EXPECT_EQ(chars[1].nArg1, 'b');
}

TEST_F(NewLine, TheKeyComesFromSysCfg) {
  WriteSysCfg("Shift+Return");
  EXPECT_EQ(TypedJournal(u"a\n\nb"), " Shift+ VK0D+ VK0D- Shift- Shift+ VK0D+ VK0D- Shift-");
  WriteSysCfg("Ctrl+Alt+Enter");
  EXPECT_EQ(TypedJournal(u"\n"), " Ctrl+ Alt+ VK0D+ VK0D- Alt- Ctrl-");
}

TEST_F(NewLine, ABadSettingFallsBackToCtrlReturn) {
  for (const char* bad : {"Return+Ctrl", "Ctrl+", "Ctrl", "Hyper+Return", "Ctrl+Return+Return"}) {
    WriteSysCfg(bad);
    EXPECT_EQ(TypedJournal(u"\n"), " Ctrl+ VK0D+ VK0D- Ctrl-") << bad;
  }
}

TEST_F(NewLine, ACarriageReturnStaysATypedCharacter) {
  EXPECT_EQ(TypedJournal(u"a\rb"), "");
  auto chars = Calls("char");
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[1].nArg1, '\r');
}

}  // namespace
}  // namespace wechat_test
