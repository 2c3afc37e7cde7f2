#include "refserver/FormBody.h"

#include <gtest/gtest.h>

namespace refserver {
namespace {

TEST(RefServerFormBody, OrderedKeysKeepAmpersandsAndEqualsInsideValues) {
  const auto form =
      CFormBody::Parse(R"(message={"t":"a&b=c"}&tokenId=abc)", {"message", "tokenId"});
  ASSERT_NE(form.Find("message"), nullptr);
  EXPECT_EQ(*form.Find("message"), R"({"t":"a&b=c"})");
  EXPECT_EQ(*form.Find("tokenId"), "abc");
}

TEST(RefServerFormBody, ValueHoldingANextKeyMarkerSplitsAtTheLastOne) {
  const auto form = CFormBody::Parse("message=x&tokenId=fake&tokenId=real", {"message", "tokenId"});
  EXPECT_EQ(*form.Find("message"), "x&tokenId=fake");
  EXPECT_EQ(*form.Find("tokenId"), "real");
}

TEST(RefServerFormBody, OtherOrderFallsBackToPlainSplitting) {
  const auto form = CFormBody::Parse("tokenId=t&message=m&extra", {"message", "tokenId"});
  EXPECT_EQ(*form.Find("message"), "m");
  EXPECT_EQ(*form.Find("tokenId"), "t");
  ASSERT_NE(form.Find("extra"), nullptr);
  EXPECT_EQ(*form.Find("extra"), "");
}

TEST(RefServerFormBody, MissingKeyIsAbsentNotEmpty) {
  const auto form = CFormBody::Parse("phone=1", {"phone", "password"});
  EXPECT_EQ(*form.Find("phone"), "1");
  EXPECT_EQ(form.Find("password"), nullptr);
}

TEST(RefServerFormBody, FirstOccurrenceWinsWhenSplitting) {
  const auto form = CFormBody::Parse("a=1&a=2", {});
  EXPECT_EQ(*form.Find("a"), "1");
}

TEST(RefServerFormBody, EmptyBodyHasNoKeys) {
  EXPECT_TRUE(CFormBody::Parse("", {"tokenId"}).Values().empty());
}

TEST(RefServerPercentEncode, KeepsOnlyLettersAndDigitsAndRoundTrips) {
  EXPECT_EQ(PercentEncode("aZ9 +&=%"), "aZ9%20%2B%26%3D%25");
  EXPECT_EQ(PercentEncode("你"), "%E4%BD%A0");
  const std::string bytes("\0\xff-_.~", 6);
  EXPECT_EQ(PercentDecode(PercentEncode(bytes)), bytes);
}

TEST(RefServerPercentDecode, DecodesEscapesAndPlusKeepsBrokenEscapes) {
  EXPECT_EQ(PercentDecode("a%20b+c"), "a b c");
  EXPECT_EQ(PercentDecode("%E4%BD%A0%e5%a5%bd"), "你好");
  EXPECT_EQ(PercentDecode("100%"), "100%");
  EXPECT_EQ(PercentDecode("%zz%4"), "%zz%4");
  EXPECT_EQ(PercentDecode("%2B"), "+");
  EXPECT_EQ(PercentDecode("%00x"), std::string("\0x", 2));
}

struct TUtf8Case {
  const char* name;
  std::string bytes;
  bool valid;
  friend void PrintTo(const TUtf8Case& c, std::ostream* os) { *os << c.name; }
};

class RefServerUtf8 : public testing::TestWithParam<TUtf8Case> {};

TEST_P(RefServerUtf8, MatchesStrictUtf8) {
  EXPECT_EQ(IsValidUtf8(GetParam().bytes), GetParam().valid) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Table, RefServerUtf8,
                         testing::Values(TUtf8Case{"ascii", "hello", true},
                                         TUtf8Case{"chinese", "快捷语", true},
                                         TUtf8Case{"emoji", "\xF0\x9F\x98\x84", true},
                                         TUtf8Case{"gbk bytes", "\xBF\xEC\xBD\xDD", false},
                                         TUtf8Case{"overlong slash", "\xC0\xAF", false},
                                         TUtf8Case{"surrogate", "\xED\xA0\x80", false},
                                         TUtf8Case{"above U+10FFFF", "\xF4\x90\x80\x80", false},
                                         TUtf8Case{"truncated", "\xE5\xBF", false},
                                         TUtf8Case{"lone continuation", "\x80", false}),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST(RefServerFormBody, RejectsInvalidUtf8AfterDecoding) {
  EXPECT_FALSE(CFormBody::Parse("a=%BF%EC", {"a"}).IsValidUtf8());
  EXPECT_TRUE(CFormBody::Parse("a=%E5%BF%AB", {"a"}).IsValidUtf8());
}

}  // namespace
}  // namespace refserver
