// What a reply is typed as, and the send queue: order, the mismatch stop, failed pictures.
#include "shortcut/ShortcutItems.h"
#include "shortcut/ShortcutSender.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const kTwoTextsAndAPicture =
    R"({"contentTitle":"t","msgDetailList":[)"
    R"({"detailType":1,"msgDetail":"[{\"content\":\"你好\",\"type\":\"1\"},{\"content\":\"1\",\"type\":\"2\"}]","sort":1},)"
    R"({"detailType":2,"msgDetail":"up/p.png","downLoadURL":"http://x/p.png","sort":2},)"
    R"({"detailType":1,"msgDetail":"[{\"content\":\"再见\",\"type\":\"1\"}]","sort":3}]})";

std::string describe(const std::vector<INPUTDATA>& items) {
  std::string out;
  for (const INPUTDATA& item : items) {
    std::string text;
    for (char16_t c : item.strText) text += c < 0x80 ? static_cast<char>(c) : '?';
    out += std::to_string(item.nType) + ":" + text + ";";
  }
  return out;
}

std::string pictureAt(const std::string& name, const std::string&) {
  return "/cache/" + name;
}

TEST(ShortcutItems, MessageBecomesRunsEmojiAndPicturesInOrder) {
  const TShortcutItems items = CShortcutItems::FromMessage(kTwoTextsAndAPicture, &pictureAt);
  ASSERT_EQ(items.vecItems.size(), 4u);
  EXPECT_EQ(items.vecItems[0].nType, 0);
  EXPECT_EQ(items.vecItems[0].strText, u"你好");
  EXPECT_EQ(items.vecItems[1].nType, 1);
  EXPECT_EQ(items.vecItems[1].strText, u"\U0001F604");
  EXPECT_EQ(items.vecItems[2].nType, 2);
  EXPECT_EQ(items.vecItems[2].strText, u"/cache/up/p.png");
  EXPECT_EQ(items.vecItems[3].strText, u"再见");
  EXPECT_TRUE(items.vecFailedPictures.empty());
}

TEST(ShortcutItems, EmojiOutsideTheTableAreSkipped) {
  const auto items = CShortcutItems::FromSegments(
      R"([{"content":"0","type":"2"},{"content":"1","type":"2"},{"content":"178","type":"2"},)"
      R"({"content":"abc","type":"2"},{"content":"177","type":"2"},{"content":"x","type":"3"}])");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].strText, u"\U0001F604");
  EXPECT_EQ(items[1].strText, u"\u2122");
  EXPECT_EQ(items[1].nType, 1);
}

TEST(ShortcutItems, BadMessagesGiveNothing) {
  EXPECT_TRUE(CShortcutItems::FromMessage("not json", &pictureAt).vecItems.empty());
  EXPECT_TRUE(CShortcutItems::FromMessage("", &pictureAt).vecItems.empty());
  EXPECT_TRUE(CShortcutItems::FromMessage(R"({"msgDetailList":{}})", &pictureAt).vecItems.empty());
  // A detail type that is not a number, and a text item whose msgDetail is not a string.
  EXPECT_TRUE(CShortcutItems::FromMessage(
                  R"({"msgDetailList":[{"detailType":"1","msgDetail":"[]"},)"
                  R"({"detailType":1,"msgDetail":[{"content":"a","type":"1"}]},7]})",
                  &pictureAt)
                  .vecItems.empty());
}

TEST(ShortcutItems, PictureThatCannotBeHadIsReportedNotPasted) {
  const TShortcutItems items = CShortcutItems::FromMessage(
      kTwoTextsAndAPicture, [](const std::string&, const std::string&) { return ""; });
  EXPECT_EQ(describe(items.vecItems), "0:??;1:??;0:??;");
  EXPECT_EQ(items.vecFailedPictures, std::vector<std::string>{"up/p.png"});
}

TEST(ShortcutItems, PlainTextHoldsRunsAndEmojiTexts) {
  EXPECT_EQ(CShortcutItems::PlainText(kTwoTextsAndAPicture), "你好\U0001F604再见");
}

// Records what the queue asks for.
class CFakeTarget : public IShortcutTarget {
 public:
  std::string SelectedKey() override { return selected; }
  std::string CurrentKey() override { return current; }
  bool InputTextVec(const std::string& key, const std::vector<INPUTDATA>& items) override {
    log.push_back("input " + key + " " + describe(items));
    return true;
  }
  void SendCurrText(const std::string& key) override { log.push_back("send " + key); }
  bool SendImageByCopy(const std::string& key, const std::string& path) override {
    log.push_back("image " + key + " " + path);
    return true;
  }
  void ShowMessage(const std::string& text, const std::string& caption, UINT type) override {
    log.push_back("box " + caption + " " + std::to_string(type) + " " + text);
  }
  void StartSendTimer(UINT ms) override {
    log.push_back("timer " + std::to_string(ms));
    ++timers;
  }
  std::string selected = "ABCD-1";
  std::string current = "abcd-1";
  std::vector<std::string> log;
  int timers = 0;
};

// Runs the timer steps the queue asked for, as the frame's timer 3 would.
void runTimers(CShortcutSender& sender, CFakeTarget& target) {
  for (int guard = 0; guard < 20 && target.timers > 0; ++guard) {
    --target.timers;
    sender.Step();
  }
}

TEST(ShortcutSender, SendsEachItemAsItsOwnMessageInOrder) {
  CFakeTarget target;
  CShortcutSender sender(target, &pictureAt);
  ASSERT_TRUE(sender.Start(kTwoTextsAndAPicture));
  runTimers(sender, target);
  EXPECT_EQ(target.log,
            (std::vector<std::string>{"input ABCD-1 0:??;1:??;", "send ABCD-1", "timer 10",
                                      "image ABCD-1 /cache/up/p.png", "timer 10",
                                      "input ABCD-1 0:??;", "send ABCD-1"}));
  EXPECT_FALSE(sender.IsSending());
}

TEST(ShortcutSender, MismatchStopsWithTheBoxAndSendsNothingMore) {
  CFakeTarget target;
  CShortcutSender sender(target, &pictureAt);
  ASSERT_TRUE(sender.Start(kTwoTextsAndAPicture));
  target.current = "other-copy";  // the operator switched copies after the first item
  runTimers(sender, target);
  ASSERT_EQ(target.log.size(), 4u);
  EXPECT_EQ(target.log[3], std::string("box 警告 0 ") + CShortcutSender::kSwitchedText);
  EXPECT_FALSE(sender.IsSending());
}

// A row click moves the selection and the copy on show together: they agree, but the
// message stays with the copy it started in.
TEST(ShortcutSender, ASwitchOfBothSelectionAndCopyStopsTheRestWithTheBox) {
  CFakeTarget target;
  CShortcutSender sender(target, &pictureAt);
  ASSERT_TRUE(sender.Start(kTwoTextsAndAPicture));
  target.selected = "EFGH-2";
  target.current = "efgh-2";
  runTimers(sender, target);
  ASSERT_EQ(target.log.size(), 4u);
  EXPECT_EQ(target.log[3], std::string("box 警告 0 ") + CShortcutSender::kSwitchedText);
  for (const std::string& line : target.log) EXPECT_EQ(line.find("EFGH-2"), std::string::npos);
  EXPECT_FALSE(sender.IsSending());
}

TEST(ShortcutSender, MismatchBeforeTheFirstItemSendsNothing) {
  CFakeTarget target;
  target.current = "";
  CShortcutSender sender(target, &pictureAt);
  ASSERT_TRUE(sender.Start(kTwoTextsAndAPicture));
  EXPECT_EQ(target.log,
            std::vector<std::string>{std::string("box 警告 0 ") + CShortcutSender::kMismatchText});
}

TEST(ShortcutSender, NoSelectedAccountSendsNothingSilently) {
  CFakeTarget target;
  target.selected = "";
  CShortcutSender sender(target, &pictureAt);
  ASSERT_TRUE(sender.Start(kTwoTextsAndAPicture));
  EXPECT_TRUE(target.log.empty());
}

TEST(ShortcutSender, MissingPictureStopsBeforeIt) {
  CFakeTarget target;
  CShortcutSender sender(target, [](const std::string&, const std::string&) { return ""; });
  ASSERT_TRUE(sender.Start(kTwoTextsAndAPicture));
  runTimers(sender, target);
  ASSERT_EQ(target.log.size(), 4u);
  EXPECT_EQ(target.log[3], std::string("box 警告 48 ") + CShortcutSender::kPictureFailedText);
}

TEST(ShortcutSender, NewStartReplacesTheMessageBeingSent) {
  CFakeTarget target;
  CShortcutSender sender(target, &pictureAt);
  ASSERT_TRUE(sender.Start(kTwoTextsAndAPicture));
  target.log.clear();
  target.timers = 0;
  ASSERT_TRUE(sender.Start(
      R"({"msgDetailList":[{"detailType":1,"msgDetail":"[{\"content\":\"ok\",\"type\":\"1\"}]"}]})"));
  runTimers(sender, target);
  EXPECT_EQ(target.log, (std::vector<std::string>{"input ABCD-1 0:ok;", "send ABCD-1"}));
}

TEST(ShortcutSender, StopsAtAnEntryWithoutNumericTypeAndSkipsOtherTypes) {
  CFakeTarget target;
  CShortcutSender sender(target, &pictureAt);
  ASSERT_TRUE(sender.Start(R"({"msgDetailList":[{"detailType":9},)"
                           R"({"detailType":1,"msgDetail":"[{\"content\":\"a\",\"type\":\"1\"}]"},)"
                           R"({"detailType":"2"},{"detailType":1,"msgDetail":"[]"}]})"));
  runTimers(sender, target);
  EXPECT_EQ(target.log,
            (std::vector<std::string>{"timer 10", "input ABCD-1 0:a;", "send ABCD-1", "timer 10"}));
  EXPECT_FALSE(sender.IsSending());
}

TEST(ShortcutSender, UnparseableMessageQueuesNothing) {
  CFakeTarget target;
  CShortcutSender sender(target, &pictureAt);
  EXPECT_FALSE(sender.Start("{oops"));
  EXPECT_FALSE(sender.Start(""));
  EXPECT_TRUE(target.log.empty());
  EXPECT_TRUE(sender.Start(R"({"msgDetailList":[]})"));
  EXPECT_TRUE(target.log.empty());
}

}  // namespace
