// Version check, tips, feedback, contact remarks, the import template and unknown paths.
#include "RefServerHarness.h"

#include "refserver/FeedbackStore.h"

#include <gtest/gtest.h>
#include <zip.h>

namespace refserver::test {
namespace {

int codeOf(const Json::Value& reply) {
  return reply["resultCode"].asInt();
}

// The text of one member file of a zip archive held in memory.
std::string zipEntry(const std::string& archive, const char* name) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(archive.data(), archive.size(), 0, &error);
  zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  std::string text;
  if (zip) {
    if (zip_file_t* file = zip_fopen(zip, name, 0)) {
      char buffer[4096];
      zip_int64_t n = 0;
      while ((n = zip_fread(file, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
      zip_fclose(file);
    }
    zip_close(zip);
  } else if (source) {
    zip_source_free(source);
  }
  zip_error_fini(&error);
  return text;
}

TEST(RefServerVersion, OffersOrForcesUpdatesFromTheConfiguredVersions) {
  CTestServer server([](TServerOptions& o) {
    o.sMinVersion = "1.2.0";
    o.sLatestVersion = "1.10.0";
    o.sDownUrl = "/download/setup.exe";
  });
  CApiClient client = server.Client();
  const struct {
    const char* version;
    int force;
    int offer;
  } cases[] = {{"1.1.9", 1, 1}, {"1.2.0", 0, 1}, {"1.9.5", 0, 1}, {"1.10.0", 0, 0}, {"2.0", 0, 0}};
  for (const auto& c : cases) {
    const Json::Value reply = client.Post("common/version.do", std::string("version=") + c.version);
    EXPECT_EQ(reply["isForceUpdate"].asInt(), c.force) << c.version;
    EXPECT_EQ(reply["isUpdate"].asInt(), c.offer) << c.version;
    EXPECT_EQ(reply["downUrl"].asString(), "/download/setup.exe");
  }
}

TEST(RefServerVersion, NothingConfiguredMeansCurrent) {
  CTestServer server;
  const Json::Value reply = server.Client().Post("common/version.do", "version=0.1");
  EXPECT_EQ(reply["isForceUpdate"].asInt(), 0);
  EXPECT_EQ(reply["isUpdate"].asInt(), 0);
}

TEST(RefServerTips, ConfiguredTipOrNone) {
  CTestServer withTip([](TServerOptions& o) { o.sTip = "系统将于今晚维护"; });
  CApiClient client = withTip.Client();
  const std::string token = client.RegisterAndLogin(withTip.DataDir(), "13900006666", "pw-12345");
  Json::Value reply = client.Post("tipsMsg/getTipsMessage.do", "tokenId=" + token);
  ASSERT_EQ(codeOf(reply), 1);
  EXPECT_EQ(reply["obj"]["tipsContent"].asString(), "系统将于今晚维护");
  EXPECT_EQ(codeOf(client.Post("tipsMsg/getTipsMessage.do", "tokenId=bad")), 3001);

  CTestServer without;
  CApiClient other = without.Client();
  const std::string token2 = other.RegisterAndLogin(without.DataDir(), "13900006666", "pw-12345");
  reply = other.Post("tipsMsg/getTipsMessage.do", "tokenId=" + token2);
  EXPECT_EQ(codeOf(reply), 1);
  EXPECT_FALSE(reply["obj"].isMember("tipsContent"));
}

class AccountApiFixture : public testing::Test {
 protected:
  void SetUp() override {
    m_sToken = m_client.RegisterAndLogin(m_server.DataDir(), "13900007777", "pw-12345");
  }
  CTestServer m_server;
  CApiClient m_client = m_server.Client();
  std::string m_sToken;
};

using RefServerFeedback = AccountApiFixture;

TEST_F(RefServerFeedback, IsStoredAndEmptyFeedbackIsRefused) {
  EXPECT_EQ(
      codeOf(m_client.Post("feedback/addFeedback.do",
                           "tokenId=" + m_sToken + "&feedbackInfo=" + Encode("很好用 & 稳定"))),
      1);
  EXPECT_EQ(
      codeOf(m_client.Post("feedback/addFeedback.do", "tokenId=" + m_sToken + "&feedbackInfo=")),
      1001);
  EXPECT_EQ(codeOf(m_client.Post("feedback/addFeedback.do", "tokenId=x&feedbackInfo=y")), 3001);
  CDatabase db(m_server.DataDir() + "/refserver.db");
  EXPECT_EQ(CFeedbackStore(db, *SystemClock()).Count(1), 1);
}

using RefServerRemarks = AccountApiFixture;

TEST_F(RefServerRemarks, CreateReadAndUpdate) {
  Json::Value reply =
      m_client.Post("weChat/getRemarkInfo.do", "openId=wxid_abc&tokenId=" + m_sToken);
  ASSERT_EQ(codeOf(reply), 1);
  EXPECT_FALSE(reply["obj"].isMember("remarkId"));
  EXPECT_EQ(reply["obj"]["remarkInfo"].asString(), "");

  reply = m_client.Post("weChat/editRemarkInfo.do", "remarkId=0&openId=wxid_abc&remarkInfo=" +
                                                        Encode("老客户") + "&tokenId=" + m_sToken);
  ASSERT_EQ(codeOf(reply), 1);
  ASSERT_TRUE(reply["obj"].isInt());
  const int id = reply["obj"].asInt();
  EXPECT_GT(id, 0);

  reply = m_client.Post("weChat/getRemarkInfo.do", "openId=wxid_abc&tokenId=" + m_sToken);
  EXPECT_EQ(reply["obj"]["remarkId"].asInt(), id);
  EXPECT_EQ(reply["obj"]["remarkInfo"].asString(), "老客户");

  reply =
      m_client.Post("weChat/editRemarkInfo.do", "remarkId=" + std::to_string(id) +
                                                    "&openId=wxid_abc&remarkInfo=" + Encode("VIP") +
                                                    "&tokenId=" + m_sToken);
  EXPECT_EQ(codeOf(reply), 1);
  reply = m_client.Post("weChat/getRemarkInfo.do", "openId=wxid_abc&tokenId=" + m_sToken);
  EXPECT_EQ(reply["obj"]["remarkInfo"].asString(), "VIP");

  // A second create for the same contact updates its remark instead of adding one.
  reply = m_client.Post("weChat/editRemarkInfo.do",
                        "remarkId=0&openId=wxid_abc&remarkInfo=again&tokenId=" + m_sToken);
  EXPECT_EQ(reply["obj"].asInt(), id);
}

TEST_F(RefServerRemarks, UnknownOrForeignIdsAreRefused) {
  const Json::Value created = m_client.Post(
      "weChat/editRemarkInfo.do", "remarkId=0&openId=wxid_1&remarkInfo=a&tokenId=" + m_sToken);
  const std::string id = std::to_string(created["obj"].asInt());
  EXPECT_EQ(codeOf(m_client.Post("weChat/editRemarkInfo.do",
                                 "remarkId=999&openId=wxid_1&remarkInfo=b&tokenId=" + m_sToken)),
            4001);
  EXPECT_EQ(codeOf(m_client.Post("weChat/editRemarkInfo.do",
                                 "remarkId=abc&openId=wxid_1&remarkInfo=b&tokenId=" + m_sToken)),
            4001);
  const std::string other =
      m_client.RegisterAndLogin(m_server.DataDir(), "13900008888", "pw-12345");
  EXPECT_EQ(
      codeOf(m_client.Post("weChat/editRemarkInfo.do",
                           "remarkId=" + id + "&openId=wxid_1&remarkInfo=x&tokenId=" + other)),
      4001);
  EXPECT_FALSE(
      m_client.Post("weChat/getRemarkInfo.do", "openId=wxid_1&tokenId=" + other)["obj"].isMember(
          "remarkId"));
  EXPECT_EQ(codeOf(m_client.Post("weChat/editRemarkInfo.do",
                                 "remarkId=0&openId=wxid_1&tokenId=" + m_sToken)),
            1001);
}

TEST_F(RefServerRemarks, MovingARemarkToAContactThatHasOneIsRefused) {
  const auto edit = [&](const std::string& id, const std::string& openId, const std::string& info) {
    return m_client.Post(
        "weChat/editRemarkInfo.do",
        "remarkId=" + id + "&openId=" + openId + "&remarkInfo=" + info + "&tokenId=" + m_sToken);
  };
  const std::string first = std::to_string(edit("0", "wxid_1", "a")["obj"].asInt());
  const std::string second = std::to_string(edit("0", "wxid_2", "b")["obj"].asInt());
  const auto res =
      m_client.Http().Post("/zoduda_vudi/weChat/editRemarkInfo.do",
                           "remarkId=" + second + "&openId=wxid_1&remarkInfo=c&tokenId=" + m_sToken,
                           "application/x-www-form-urlencoded");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_NE(res->body.find("\"resultCode\":4003"), std::string::npos) << res->body;
  EXPECT_NE(res->body.find("该联系人已有备注"), std::string::npos) << res->body;
  const Json::Value one =
      m_client.Post("weChat/getRemarkInfo.do", "openId=wxid_1&tokenId=" + m_sToken);
  EXPECT_EQ(one["obj"]["remarkInfo"].asString(), "a");
  EXPECT_EQ(std::to_string(one["obj"]["remarkId"].asInt()), first);
  EXPECT_EQ(
      m_client
          .Post("weChat/getRemarkInfo.do", "openId=wxid_2&tokenId=" + m_sToken)["obj"]["remarkInfo"]
          .asString(),
      "b");
}

using RefServerTextFields = AccountApiFixture;

TEST_F(RefServerTextFields, NulBytesAreRefused) {
  EXPECT_EQ(codeOf(m_client.Post("feedback/addFeedback.do",
                                 "tokenId=" + m_sToken + "&feedbackInfo=a%00b")),
            1002);
  EXPECT_EQ(
      codeOf(m_client.Post("quickMessage/group/add.do", "groupTitle=a%00b&tokenId=" + m_sToken)),
      1002);
  EXPECT_EQ(codeOf(m_client.Post("weChat/editRemarkInfo.do",
                                 "remarkId=0&openId=wxid_1&remarkInfo=a%00&tokenId=" + m_sToken)),
            1002);
  const std::int64_t group = m_client.AddGroup(m_sToken, "g");
  // A title holding "\u0000": the NUL is in the parsed text, not only in its escape.
  const Json::Value message = TextMessage(std::string("a\0b", 3), "text", group);
  EXPECT_EQ(
      codeOf(m_client.Post("quickMessage/add.do",
                           "message=" + Encode(message.toStyledString()) + "&tokenId=" + m_sToken)),
      4002);
  EXPECT_EQ(m_client.List(m_sToken)[0]["msgContentList"].size(), 0u);
}

TEST(RefServerTemplate, IsASpreadsheetWithHeaderAndExampleRow) {
  CTestServer server;
  CApiClient client = server.Client();
  for (const bool post : {false, true}) {
    const auto res = post ? client.Http().Post("/zoduda_vudi/quickmsg/template/download.do")
                          : client.Get("/zoduda_vudi/quickmsg/template/download.do");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    ASSERT_EQ(res->body.substr(0, 2), "PK");
    const std::string strings = zipEntry(res->body, "xl/sharedStrings.xml");
    for (const char* text : {"快捷语标题", "快捷语内容", "欢迎语"})
      EXPECT_NE(strings.find(text), std::string::npos) << text;
    const std::string sheet = zipEntry(res->body, "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("<dimension ref=\"A1:B2\"/>"), std::string::npos) << sheet;
  }
}

TEST(RefServerUnknownPaths, AnswerNotFoundWithAJsonEnvelope) {
  CTestServer server;
  CApiClient client = server.Client();
  for (const bool post : {false, true}) {
    const auto res = post ? client.Http().Post("/zoduda_vudi/no/such.do", "a=1",
                                               "application/x-www-form-urlencoded")
                          : client.Get("/elsewhere");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404);
    EXPECT_NE(res->body.find("\"resultCode\":404"), std::string::npos) << res->body;
    EXPECT_NE(res->body.find("接口不存在"), std::string::npos);
  }
}

}  // namespace
}  // namespace refserver::test
