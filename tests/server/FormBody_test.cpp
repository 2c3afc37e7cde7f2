#include "server/FormBody.h"

#include <gtest/gtest.h>

namespace {

struct TEncodeCase {
  const char* input;
  const char* encoded;
};

class FormEncodeTest : public ::testing::TestWithParam<TEncodeCase> {};

TEST_P(FormEncodeTest, EncodesAsFormsRequire) {
  EXPECT_EQ(FormEncode(GetParam().input), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, FormEncodeTest,
    ::testing::Values(TEncodeCase{"", ""}, TEncodeCase{"abcXYZ019", "abcXYZ019"},
                      TEncodeCase{"*-._", "*-._"}, TEncodeCase{"a b", "a+b"},
                      TEncodeCase{"a&b=c", "a%26b%3Dc"}, TEncodeCase{"1+1", "1%2B1"},
                      TEncodeCase{"100%", "100%25"}, TEncodeCase{"~/?#", "%7E%2F%3F%23"},
                      TEncodeCase{"公司", "%E5%85%AC%E5%8F%B8"},
                      TEncodeCase{"\"{}[]:,\n", "%22%7B%7D%5B%5D%3A%2C%0A"}));

TEST(FormBodyTest, JoinsPairsInOrderWithPlainKeys) {
  CFormBody body;
  body.Add("phone", "138 0013").Add("password", "p&w=d").Add("sms", "");
  std::string text;
  ASSERT_TRUE(body.Encode(text));
  EXPECT_EQ(text, "phone=138+0013&password=p%26w%3Dd&sms=");
}

TEST(FormBodyTest, EmptyBodyStaysEmpty) {
  std::string text = "stale";
  ASSERT_TRUE(CFormBody().Encode(text));
  EXPECT_EQ(text, "");
}

TEST(FormBodyTest, RefusesValueThatIsNotText) {
  CFormBody body;
  body.Add("phone", "1").Add("message", std::string("\xff\xfe broken", 9));
  std::string text = "stale";
  EXPECT_FALSE(body.Encode(text));
  EXPECT_EQ(text, "");
}

}  // namespace
