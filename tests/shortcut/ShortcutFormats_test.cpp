// The formats of the quick-message library: emoji table, message JSON, segment lists and the
// list reply.
#include "shortcut/EmojiTable.h"
#include "shortcut/ShortcutJson.h"
#include "shortcut/ShortcutListReply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(EmojiTable, HasEntriesOneTo177Only) {
  EXPECT_EQ(CEmojiTable::Lookup(0), u"");
  EXPECT_EQ(CEmojiTable::Lookup(178), u"");
  EXPECT_EQ(CEmojiTable::Lookup(-5), u"");
  for (int n = 1; n <= 177; ++n) EXPECT_FALSE(CEmojiTable::Lookup(n).empty()) << n;
}

TEST(EmojiTable, EntriesAreTheClientTexts) {
  EXPECT_EQ(CEmojiTable::Lookup(1), u"\U0001F604");
  EXPECT_EQ(CEmojiTable::Lookup(8), u"\U0001F612");
  EXPECT_EQ(CEmojiTable::LookupUtf8(9), "[嘿哈]");
  EXPECT_EQ(CEmojiTable::LookupUtf8(14), "[耶]");
  EXPECT_EQ(CEmojiTable::Lookup(15), u"\U0001F47B");
  EXPECT_EQ(CEmojiTable::LookupUtf8(20), "[红包]");
  EXPECT_EQ(CEmojiTable::LookupUtf8(21), "[鸡]");
  EXPECT_EQ(CEmojiTable::Lookup(24), u"\u263A");
  EXPECT_EQ(CEmojiTable::Lookup(100), u"\U0001F40D");
  EXPECT_EQ(CEmojiTable::Lookup(170), u"\U0001F3C1");
  EXPECT_EQ(CEmojiTable::Lookup(175), u"\u00A9");
  EXPECT_EQ(CEmojiTable::Lookup(177), u"\u2122");
}

TEST(EmojiTable, EightTextCodesTheRestOneCharacterEach) {
  int codes = 0;
  for (int n = 1; n <= 177; ++n) {
    const std::u16string text = CEmojiTable::Lookup(n);
    if (text.front() == u'[') {
      ++codes;
      EXPECT_EQ(text.back(), u']') << n;
      continue;
    }
    const bool pair = text.size() == 2 && text[0] >= 0xD800 && text[0] < 0xDC00;
    EXPECT_TRUE(text.size() == 1 || pair) << n;
  }
  EXPECT_EQ(codes, 8);
}

TEST(ShortcutJson, WritesCompactSortedUtf8WithoutLineFeed) {
  Json::Value message(Json::objectValue);
  message["rightRange"] = 200;
  message["contentTitle"] = "退货 \"说明\"";
  message["msgGroupId"] = "3";
  message["leftRange"] = 2;
  EXPECT_EQ(CShortcutJson::Write(message),
            R"({"contentTitle":"退货 \"说明\"","leftRange":2,"msgGroupId":"3","rightRange":200})");
}

TEST(ShortcutJson, MemberTextTakesStringsAndIntegers) {
  Json::Value v;
  ASSERT_TRUE(CShortcutJson::Parse(
      R"({"a":"x","n":57,"big":9007199254740993,"neg":-4,"f":1.5,"o":{},"z":null})", v));
  EXPECT_EQ(CShortcutJson::MemberText(v, "a"), "x");
  EXPECT_EQ(CShortcutJson::MemberText(v, "n"), "57");
  EXPECT_EQ(CShortcutJson::MemberText(v, "big"), "9007199254740993");
  EXPECT_EQ(CShortcutJson::MemberText(v, "neg"), "-4");
  EXPECT_EQ(CShortcutJson::MemberText(v, "f"), "");
  EXPECT_EQ(CShortcutJson::MemberText(v, "o"), "");
  EXPECT_EQ(CShortcutJson::MemberText(v, "z"), "");
  EXPECT_EQ(CShortcutJson::MemberText(v, "missing"), "");
  EXPECT_EQ(CShortcutJson::MemberText(Json::Value("s"), "a"), "");
}

TEST(ShortcutJson, ParseRefusesCommentsAndTrailingText) {
  Json::Value v;
  EXPECT_FALSE(CShortcutJson::Parse("{} // c", v));
  EXPECT_FALSE(CShortcutJson::Parse("{\"a\":1} x", v));
  EXPECT_FALSE(CShortcutJson::Parse("", v));
  EXPECT_TRUE(v.isNull());
  EXPECT_FALSE(CShortcutJson::Parse(std::string(100000, '['), v));
  EXPECT_TRUE(CShortcutJson::Parse("[]", v));
}

TEST(ShortcutJson, SegmentsKeepOrderAndSkipIncompleteElements) {
  const auto segments = CShortcutJson::ParseSegments(
      R"([{"content":"你好","type":"1"},{"type":"2"},{"content":"12","type":"2"},)"
      R"({"content":"x"},7,{"content":"abc","type":"x"},{"content":3,"type":2}])");
  ASSERT_EQ(segments.size(), 4u);
  EXPECT_EQ(segments[0].nType, 1);
  EXPECT_EQ(segments[0].strContent, "你好");
  EXPECT_EQ(segments[1].nType, 2);
  EXPECT_EQ(segments[1].strContent, "12");
  EXPECT_EQ(segments[2].nType, 0);  // atoi("x")
  EXPECT_EQ(segments[3].nType, 2);
  EXPECT_EQ(segments[3].strContent, "3");
  EXPECT_TRUE(CShortcutJson::ParseSegments(R"({"content":"a","type":"1"})").empty());
  EXPECT_TRUE(CShortcutJson::ParseSegments("not json").empty());
}

TEST(ShortcutJson, OneRunSegmentListHasTheLiteralForm) {
  EXPECT_EQ(CShortcutJson::OneRunSegmentList("您好，欢迎光临"),
            R"([{"content":"您好，欢迎光临", "type":"1"}])");
}

TEST(ShortcutJson, OneRunSegmentListKeepsQuotesAndLineBreaks) {
  const std::string text = "他说\"包邮\"\n第二行\\结束\t";
  const auto segments = CShortcutJson::ParseSegments(CShortcutJson::OneRunSegmentList(text));
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(segments[0].nType, 1);
  EXPECT_EQ(segments[0].strContent, text);
}

TEST(ShortcutJson, ImportedMessageIsTheCompactObject) {
  EXPECT_EQ(CShortcutJson::ImportedMessage("标题", "内容", "12"),
            R"({"contentTitle":"标题","leftRange":0,"msgDetailList":[{"detailType":1,)"
            R"("msgDetail":"[{\"content\":\"内容\", \"type\":\"1\"}]","sort":1}],)"
            R"("msgGroupId":"12","rightRange":0})");
}

// Records what the reply hands on; stops after `stopAfter` questions when set.
class CRecordingSink : public IShortcutListSink {
 public:
  bool StopRequested() override { return stopAfter >= 0 && ++asked > stopAfter; }
  void OnGroup(const std::string& id, const std::string& title) override {
    events.push_back("G " + id + " " + title);
  }
  void OnMessage(const std::string& id, const std::string& title,
                 const std::string& json) override {
    events.push_back("M " + id + " " + title);
    jsons.push_back(json);
  }
  std::vector<std::string> events;
  std::vector<std::string> jsons;
  int stopAfter = -1;
  int asked = 0;
};

TEST(ShortcutListReply, NumericGroupIdsBecomeDecimalNames) {
  CRecordingSink sink;
  ASSERT_TRUE(CShortcutListReply::ReadText(
      R"({"resultCode":1,"msgList":[{"msgGroupId":57,"groupTitle":"售前","msgContentList":[)"
      R"({"msgContentId":901,"contentTitle":"问候","msgDetailList":[]}]}]})",
      sink));
  EXPECT_EQ(sink.events, (std::vector<std::string>{"G 57 售前", "M 901 问候"}));
  EXPECT_EQ(sink.jsons[0], R"({"contentTitle":"问候","msgContentId":901,"msgDetailList":[]})");
}

TEST(ShortcutListReply, MsgListThatIsAnObjectYieldsNoGroups) {
  CRecordingSink sink;
  EXPECT_TRUE(CShortcutListReply::ReadText(
      R"({"resultCode":1,"msgList":{"msgGroupId":"1","groupTitle":"g"}})", sink));
  EXPECT_TRUE(sink.events.empty());
}

TEST(ShortcutListReply, GroupWithEmptyTitleIsLeftOutWithItsMessages) {
  CRecordingSink sink;
  ASSERT_TRUE(CShortcutListReply::ReadText(
      R"({"msgList":[{"msgGroupId":"1","groupTitle":"","msgContentList":[)"
      R"({"msgContentId":"5","contentTitle":"m"}]},)"
      R"({"msgGroupId":"2","groupTitle":"b","msgContentList":[)"
      R"({"msgContentId":"6","contentTitle":"n"}]}]})",
      sink));
  EXPECT_EQ(sink.events, (std::vector<std::string>{"G 2 b", "M 6 n"}));
}

TEST(ShortcutListReply, MessageWithoutIdAfterOneWithIdIsLeftOut) {
  CRecordingSink sink;
  ASSERT_TRUE(CShortcutListReply::ReadText(
      R"({"msgList":[{"msgGroupId":"1","groupTitle":"a","msgContentList":[)"
      R"({"msgContentId":"5","contentTitle":"first"},{"contentTitle":"second"},)"
      R"({"msgContentId":"7","contentTitle":""},{"msgContentId":"8","contentTitle":"third"}]}]})",
      sink));
  EXPECT_EQ(sink.events, (std::vector<std::string>{"G 1 a", "M 5 first", "M 8 third"}));
}

TEST(ShortcutListReply, ContentListThatIsNotAnArrayGivesAnEmptyGroup) {
  CRecordingSink sink;
  ASSERT_TRUE(CShortcutListReply::ReadText(
      R"({"msgList":[{"msgGroupId":"1","groupTitle":"a","msgContentList":"x"},)"
      R"(5,{"msgGroupId":"2","groupTitle":"b"}]})",
      sink));
  EXPECT_EQ(sink.events, (std::vector<std::string>{"G 1 a", "G 2 b"}));
}

TEST(ShortcutListReply, StopIsAskedBeforeEachGroupAndAfterEachMessage) {
  const std::string reply =
      R"({"msgList":[{"msgGroupId":"1","groupTitle":"a","msgContentList":[)"
      R"({"msgContentId":"5","contentTitle":"x"},{"msgContentId":"6","contentTitle":"y"}]},)"
      R"({"msgGroupId":"2","groupTitle":"b"}]})";
  CRecordingSink sink;
  sink.stopAfter = 2;  // before group 1, after message 5; stops after message 6
  ASSERT_TRUE(CShortcutListReply::ReadText(reply, sink));
  EXPECT_EQ(sink.events, (std::vector<std::string>{"G 1 a", "M 5 x", "M 6 y"}));
}

TEST(ShortcutListReply, UnreadableReplyHandsOnNothing) {
  CRecordingSink sink;
  EXPECT_FALSE(CShortcutListReply::ReadText("<html>502</html>", sink));
  EXPECT_FALSE(CShortcutListReply::ReadFile("/nonexistent/ShortcutList.dat", sink));
  EXPECT_TRUE(sink.events.empty());
}

}  // namespace
