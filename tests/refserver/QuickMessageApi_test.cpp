// The quick-message library over HTTP: groups, messages, the list, and what is refused.
#include "RefServerHarness.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <mutex>
#include <set>
#include <thread>

namespace refserver::test {
namespace {

int codeOf(const Json::Value& reply) {
  return reply["resultCode"].asInt();
}

std::string compact(const Json::Value& value) {
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  return Json::writeString(writer, value);
}

class RefServerQuickMessages : public testing::Test {
 protected:
  void SetUp() override {
    m_sToken = m_client.RegisterAndLogin(m_server.DataDir(), "13900003333", "pw-12345");
  }
  Json::Value PostMessage(const char* op, const Json::Value& message) {
    return m_client.Post(std::string("quickMessage/") + op,
                         "message=" + Encode(compact(message)) + "&tokenId=" + m_sToken);
  }
  size_t MessageCount() {
    size_t count = 0;
    for (const auto& group : m_client.List(m_sToken)) count += group["msgContentList"].size();
    return count;
  }

  CTestServer m_server;
  CApiClient m_client = m_server.Client();
  std::string m_sToken;
};

TEST_F(RefServerQuickMessages, AddListUpdateDelete) {
  const std::int64_t groupId = m_client.AddGroup(m_sToken, "常用语");
  ASSERT_GT(groupId, 0);
  const std::string messageId = m_client.AddTextMessage(m_sToken, groupId, "问候", "你好 😄");

  Json::Value list = m_client.List(m_sToken);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]["msgGroupId"].asString(), std::to_string(groupId));
  EXPECT_EQ(list[0]["groupTitle"].asString(), "常用语");
  ASSERT_EQ(list[0]["msgContentList"].size(), 1u);
  Json::Value stored = list[0]["msgContentList"][0];
  EXPECT_EQ(stored["msgContentId"].asString(), messageId);
  EXPECT_EQ(stored["contentTitle"].asString(), "问候");
  EXPECT_EQ(stored["leftRange"].asInt(), 2);
  EXPECT_EQ(stored["rightRange"].asInt(), 200);
  EXPECT_EQ(stored["msgDetailList"], TextMessage("问候", "你好 😄", groupId)["msgDetailList"]);

  stored["contentTitle"] = "问候2";
  ASSERT_EQ(codeOf(PostMessage("update.do", stored)), 1);
  list = m_client.List(m_sToken);
  EXPECT_EQ(list[0]["msgContentList"][0]["contentTitle"].asString(), "问候2");

  ASSERT_EQ(codeOf(m_client.Post("quickMessage/group/update.do",
                                 "msgGroupId=" + std::to_string(groupId) +
                                     "&groupTitle=" + Encode("新组名") + "&tokenId=" + m_sToken)),
            1);
  EXPECT_EQ(m_client.List(m_sToken)[0]["groupTitle"].asString(), "新组名");

  ASSERT_EQ(codeOf(m_client.Post("quickMessage/del.do",
                                 "msgContentId=" + messageId + "&tokenId=" + m_sToken)),
            1);
  EXPECT_EQ(MessageCount(), 0u);
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/del.do",
                                 "msgContentId=" + messageId + "&tokenId=" + m_sToken)),
            4001);
}

TEST_F(RefServerQuickMessages, DeletingAGroupDeletesItsMessagesOnly) {
  const std::int64_t doomed = m_client.AddGroup(m_sToken, "a");
  const std::int64_t kept = m_client.AddGroup(m_sToken, "b");
  m_client.AddTextMessage(m_sToken, doomed, "1", "x");
  m_client.AddTextMessage(m_sToken, doomed, "2", "y");
  m_client.AddTextMessage(m_sToken, kept, "3", "z");
  ASSERT_EQ(codeOf(m_client.Post("quickMessage/group/del.do",
                                 "msgGroupId=" + std::to_string(doomed) + "&tokenId=" + m_sToken)),
            1);
  const Json::Value list = m_client.List(m_sToken);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]["groupTitle"].asString(), "b");
  EXPECT_EQ(list[0]["msgContentList"].size(), 1u);
}

TEST_F(RefServerQuickMessages, IdsAreNeverReusedAfterDeletes) {
  const std::int64_t first = m_client.AddGroup(m_sToken, "a");
  ASSERT_EQ(codeOf(m_client.Post("quickMessage/group/del.do",
                                 "msgGroupId=" + std::to_string(first) + "&tokenId=" + m_sToken)),
            1);
  EXPECT_GT(m_client.AddGroup(m_sToken, "b"), first);
}

TEST_F(RefServerQuickMessages, UpdateCanMoveAMessageToAnotherOwnGroup) {
  const std::int64_t from = m_client.AddGroup(m_sToken, "from");
  const std::int64_t to = m_client.AddGroup(m_sToken, "to");
  const std::string id = m_client.AddTextMessage(m_sToken, from, "t", "x");
  Json::Value message = TextMessage("t", "x", to);
  message["msgContentId"] = id;
  ASSERT_EQ(codeOf(PostMessage("update.do", message)), 1);
  const Json::Value list = m_client.List(m_sToken);
  EXPECT_EQ(list[0]["msgContentList"].size(), 0u);
  ASSERT_EQ(list[1]["msgContentList"].size(), 1u);
  EXPECT_EQ(list[1]["msgContentList"][0]["msgGroupId"].asString(), std::to_string(to));
}

TEST_F(RefServerQuickMessages, AnotherAccountsIdsAreUnknown) {
  const std::int64_t groupId = m_client.AddGroup(m_sToken, "mine");
  const std::string messageId = m_client.AddTextMessage(m_sToken, groupId, "t", "x");
  const std::string other =
      m_client.RegisterAndLogin(m_server.DataDir(), "13900004444", "pw-12345");
  const std::string group = std::to_string(groupId);
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/group/update.do",
                                 "msgGroupId=" + group + "&groupTitle=x&tokenId=" + other)),
            4001);
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/group/del.do",
                                 "msgGroupId=" + group + "&tokenId=" + other)),
            4001);
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/del.do",
                                 "msgContentId=" + messageId + "&tokenId=" + other)),
            4001);
  Json::Value message = TextMessage("stolen", "x", groupId);
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/add.do",
                                 "message=" + Encode(compact(message)) + "&tokenId=" + other)),
            4001);
  message["msgContentId"] = messageId;
  message.removeMember("msgGroupId");
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/update.do",
                                 "message=" + Encode(compact(message)) + "&tokenId=" + other)),
            4001);
  EXPECT_TRUE(m_client.List(other).empty());
  EXPECT_EQ(m_client.List(m_sToken)[0]["msgContentList"][0]["contentTitle"].asString(), "t");
}

TEST_F(RefServerQuickMessages, BadMessagesAreRefusedAndNothingIsStored) {
  const std::int64_t groupId = m_client.AddGroup(m_sToken, "g");
  Json::Value noTitle = TextMessage("", "x", groupId);
  Json::Value noItems = TextMessage("t", "x", groupId);
  noItems["msgDetailList"] = Json::Value(Json::arrayValue);
  Json::Value sixItems = TextMessage("t", "x", groupId);
  for (int i = 0; i < 5; ++i) sixItems["msgDetailList"].append(sixItems["msgDetailList"][0]);
  Json::Value noGroup = TextMessage("t", "x", groupId);
  noGroup.removeMember("msgGroupId");
  Json::Value badGroup = TextMessage("t", "x", groupId);
  badGroup["msgGroupId"] = "abc";

  EXPECT_EQ(codeOf(PostMessage("add.do", noTitle)), 4002);
  EXPECT_EQ(codeOf(PostMessage("add.do", noItems)), 4002);
  EXPECT_EQ(codeOf(PostMessage("add.do", sixItems)), 4002);
  EXPECT_EQ(codeOf(PostMessage("add.do", noGroup)), 1001);
  EXPECT_EQ(codeOf(PostMessage("add.do", badGroup)), 4001);
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/add.do",
                                 "message=" + Encode("{not json") + "&tokenId=" + m_sToken)),
            4002);
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/add.do", "message=&tokenId=" + m_sToken)), 1001);
  EXPECT_EQ(codeOf(PostMessage("update.do", TextMessage("t", "x", groupId))), 1001);
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/group/add.do", "groupTitle=&tokenId=" + m_sToken)),
            1001);
  EXPECT_EQ(MessageCount(), 0u);
  EXPECT_EQ(m_client.List(m_sToken).size(), 1u);
}

TEST_F(RefServerQuickMessages, SqlLookingTextIsStoredAsText) {
  const std::string evil = "'); DROP TABLE messages; --";
  const std::int64_t groupId = m_client.AddGroup(m_sToken, evil);
  m_client.AddTextMessage(m_sToken, groupId, evil, "\" OR \"1\"=\"1");
  const Json::Value list = m_client.List(m_sToken);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]["groupTitle"].asString(), evil);
  EXPECT_EQ(list[0]["msgContentList"][0]["contentTitle"].asString(), evil);
  m_client.AddTextMessage(m_sToken, groupId, "after", "still works");
  EXPECT_EQ(MessageCount(), 2u);
}

TEST_F(RefServerQuickMessages, UnescapedBodyKeepsAmpersandsInTheMessage) {
  // A client that does not escape its values: "&" and "=" travel raw inside the JSON.
  const std::int64_t groupId = m_client.AddGroup(m_sToken, "g");
  const std::string json = compact(TextMessage("A&B=C", "x&tokenId=y", groupId));
  ASSERT_EQ(
      codeOf(m_client.Post("quickMessage/add.do", "message=" + json + "&tokenId=" + m_sToken)), 1);
  const Json::Value stored = m_client.List(m_sToken)[0]["msgContentList"][0];
  EXPECT_EQ(stored["contentTitle"].asString(), "A&B=C");
}

TEST_F(RefServerQuickMessages, TextThatIsNotUtf8IsRefused) {
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/group/add.do",
                                 "groupTitle=%BF%EC%BD%DD&tokenId=" + m_sToken)),
            1002);
  EXPECT_TRUE(m_client.List(m_sToken).empty());
}

TEST_F(RefServerQuickMessages, ConcurrentAddsGetDistinctIdsAndAllAreListed) {
  constexpr int kThreads = 8;
  constexpr int kPerThread = 25;
  const std::int64_t groupId = m_client.AddGroup(m_sToken, "g");
  std::mutex mutex;
  std::set<std::string> ids;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      CApiClient client(m_server.Port());
      for (int i = 0; i < kPerThread; ++i) {
        const std::string id = client.AddTextMessage(
            m_sToken, groupId, "t" + std::to_string(t) + "-" + std::to_string(i), "x");
        std::lock_guard lock(mutex);
        ids.insert(id);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(ids.size(), static_cast<size_t>(kThreads * kPerThread));
  EXPECT_EQ(MessageCount(), static_cast<size_t>(kThreads * kPerThread));
}

TEST_F(RefServerQuickMessages, ImportedMessageFormIsAccepted) {
  // The spreadsheet import writes its item by hand, with a blank after the comma.
  const std::int64_t groupId = m_client.AddGroup(m_sToken, "g");
  const std::string json =
      R"({"contentTitle":"t","leftRange":0,"msgDetailList":[{"detailType":1,)"
      R"("msgDetail":"[{\"content\":\"hi\", \"type\":\"1\"}]","sort":1}],"msgGroupId":")" +
      std::to_string(groupId) + R"(","rightRange":0})";
  ASSERT_EQ(codeOf(m_client.Post("quickMessage/add.do",
                                 "message=" + Encode(json) + "&tokenId=" + m_sToken)),
            1);
  EXPECT_EQ(
      m_client.List(m_sToken)[0]["msgContentList"][0]["msgDetailList"][0]["msgDetail"].asString(),
      R"([{"content":"hi", "type":"1"}])");
}

}  // namespace
}  // namespace refserver::test

namespace refserver::test {
namespace {

TEST(RefServerQuotas, GroupsMessagesAndPictureBytesPerAccount) {
  CTestServer server([](TServerOptions& o) {
    o.nMaxGroups = 2;
    o.nMaxMessages = 3;
    o.nMaxPictureBytes = 10;
  });
  CApiClient client = server.Client();
  const std::string token = client.RegisterAndLogin(server.DataDir(), "13900004545", "pw-12345");
  const std::int64_t group = client.AddGroup(token, "a");
  client.AddGroup(token, "b");
  const Json::Value third =
      client.Post("quickMessage/group/add.do", "groupTitle=c&tokenId=" + token);
  EXPECT_EQ(third["resultCode"].asInt(), 6001);
  EXPECT_EQ(third["resultMsg"].asString(), "已超出账户的存储上限");
  std::string first;
  for (int i = 0; i < 3; ++i) first = client.AddTextMessage(token, group, "t", "x");
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  const std::string json = Json::writeString(writer, TextMessage("t", "x", group));
  EXPECT_EQ(client
                .Post("quickMessage/add.do",
                      "message=" + Encode(json) + "&tokenId=" + token)["resultCode"]
                .asInt(),
            6001);
  // Room made is room to use.
  EXPECT_EQ(
      client
          .Post("quickMessage/del.do", "msgContentId=" + first + "&tokenId=" + token)["resultCode"]
          .asInt(),
      1);
  client.AddTextMessage(token, group, "t", "x");

  const auto upload = [&](const std::string& bytes) {
    const httplib::MultipartFormDataItems items = {
        {"file", bytes, "a.png", "application/octet-stream"}, {"filename", "a.png", "", ""}};
    const auto res =
        client.Http().Post(("/zoduda_vudi/upload/uploadPic.do?tokenId=" + token).c_str(), items);
    return res ? res->body : std::string();
  };
  EXPECT_NE(upload("12345678").find("\"resultCode\":1"), std::string::npos);
  EXPECT_NE(upload("12345678").find("\"resultCode\":6001"), std::string::npos);
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(server.DataDir() + "/pictures")) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1u);
  // Another account has quotas of its own.
  CApiClient other = server.Client();
  const std::string otherToken =
      other.RegisterAndLogin(server.DataDir(), "13900004546", "pw-12345");
  other.AddGroup(otherToken, "theirs");
}

}  // namespace
}  // namespace refserver::test
