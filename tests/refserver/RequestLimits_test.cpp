// What a client can make the server do with the shape of its requests: long bodies, slow or
// silent connections, many connections at once.
#include "RefServerHarness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace refserver::test {
namespace {

int codeOf(const Json::Value& reply) {
  return reply["resultCode"].asInt();
}

std::string repeat(const std::string& unit, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += unit;
  return text;
}

class RefServerRequestLimits : public testing::Test {
 protected:
  void SetUp() override {
    m_sToken = m_client.RegisterAndLogin(m_server.DataDir(), "13900007777", "pw-12345");
    m_nGroup = m_client.AddGroup(m_sToken, "g");
  }

  CTestServer m_server;
  CApiClient m_client = m_server.Client();
  std::string m_sToken;
  std::int64_t m_nGroup = 0;
};

TEST_F(RefServerRequestLimits, LongestMessageTheClientAllowsIsStored) {
  // Five items of 1000 Chinese characters: about 50 KB once percent-encoded.
  Json::Value message = TextMessage("长", repeat("长", 1000), m_nGroup);
  for (int i = 1; i < 5; ++i) message["msgDetailList"].append(message["msgDetailList"][0]);
  const std::string json = message.toStyledString();
  const std::string body = "message=" + Encode(json) + "&tokenId=" + m_sToken;
  ASSERT_GT(body.size(), 45000u);
  const Json::Value reply = m_client.Post("quickMessage/add.do", body);
  ASSERT_EQ(codeOf(reply), 1) << reply.toStyledString();
  const Json::Value list = m_client.List(m_sToken);
  ASSERT_EQ(list[0]["msgContentList"].size(), 1u);
  EXPECT_EQ(list[0]["msgContentList"][0]["msgDetailList"].size(), 5u);
}

TEST_F(RefServerRequestLimits, LongestFeedbackIsStored) {
  const Json::Value reply =
      m_client.Post("feedback/addFeedback.do",
                    "tokenId=" + m_sToken + "&feedbackInfo=" + Encode(repeat("意", 1000)));
  EXPECT_EQ(codeOf(reply), 1) << reply.toStyledString();
}

TEST_F(RefServerRequestLimits, OversizedFormIsRefusedWithTheEnvelopeAndTheServerGoesOn) {
  const std::string body = "feedbackInfo=" + repeat("A", 300 * 1024) + "&tokenId=" + m_sToken;
  const auto res = m_client.Http().Post("/zoduda_vudi/feedback/addFeedback.do", body,
                                        "application/x-www-form-urlencoded");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 413);
  EXPECT_NE(res->body.find("\"resultCode\":1005"), std::string::npos) << res->body;
  EXPECT_NE(res->body.find("请求数据过大"), std::string::npos);
  // Nothing of the refused body is taken for a request of its own.
  EXPECT_EQ(m_client.List(m_sToken).size(), 1u);
  // A body that claims a small length but never ends does not hold the server either.
  CRawConnection raw(m_server.Port());
  raw.Send(
      "POST /zoduda_vudi/quickMessage/list.do HTTP/1.1\r\nHost: x\r\n"
      "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 999999999\r\n\r\n");
  const std::string reply = raw.ReadAll(std::chrono::seconds(20));
  EXPECT_NE(reply.find("1005"), std::string::npos) << reply;
}

TEST_F(RefServerRequestLimits, ListIsCompressedForClientsThatAsk) {
  for (int i = 0; i < 50; ++i) m_client.AddTextMessage(m_sToken, m_nGroup, "t", repeat("您好", 50));
  CApiClient raw = m_server.Client();
  raw.Http().set_decompress(false);
  const auto plain = raw.Http().Post("/zoduda_vudi/quickMessage/list.do", "tokenId=" + m_sToken,
                                     "application/x-www-form-urlencoded");
  const auto gzip =
      raw.Http().Post("/zoduda_vudi/quickMessage/list.do", {{"Accept-Encoding", "gzip"}},
                      "tokenId=" + m_sToken, "application/x-www-form-urlencoded");
  ASSERT_TRUE(plain && gzip);
  EXPECT_EQ(plain->get_header_value("Content-Encoding"), "");
  EXPECT_EQ(gzip->get_header_value("Content-Encoding"), "gzip");
  EXPECT_LT(gzip->body.size() * 4, plain->body.size());
  // Decompressed, it is the same library.
  EXPECT_EQ(m_client.List(m_sToken)[0]["msgContentList"].size(), 50u);
}

TEST_F(RefServerRequestLimits, ListIsBuiltOnceAndKeptUntilTheLibraryChanges) {
  const std::string first = m_client.AddTextMessage(m_sToken, m_nGroup, "t", repeat("您好", 50));
  CApiClient raw = m_server.Client();
  raw.Http().set_decompress(false);
  const auto post = [&](bool gzip) {
    httplib::Headers headers;
    if (gzip) headers.emplace("Accept-Encoding", "gzip");
    const auto res = raw.Http().Post("/zoduda_vudi/quickMessage/list.do", headers,
                                     "tokenId=" + m_sToken, "application/x-www-form-urlencoded");
    EXPECT_TRUE(res);
    return res ? res->body : std::string();
  };
  const std::uint64_t before = m_server.Server().ListsBuilt();
  const std::string plain = post(false);
  const std::string gzip = post(true);
  EXPECT_EQ(post(false), plain);
  EXPECT_EQ(post(true), gzip);
  EXPECT_EQ(m_server.Server().ListsBuilt(), before + 1);
  // The kept compressed reply is the plain one, compressed.
  CApiClient inflating = m_server.Client();
  const auto inflated =
      inflating.Http().Post("/zoduda_vudi/quickMessage/list.do", {{"Accept-Encoding", "gzip"}},
                            "tokenId=" + m_sToken, "application/x-www-form-urlencoded");
  ASSERT_TRUE(inflated);
  EXPECT_EQ(inflated->get_header_value("Content-Encoding"), "gzip");
  EXPECT_EQ(inflated->body, plain);

  // Another account's writes leave this reply alone.
  CApiClient other = m_server.Client();
  const std::string otherToken =
      other.RegisterAndLogin(m_server.DataDir(), "13900007778", "pw-12345");
  other.AddGroup(otherToken, "theirs");
  post(true);
  EXPECT_EQ(m_server.Server().ListsBuilt(), before + 1);

  // Every kind of write to the library shows in the next list.
  const std::string second = m_client.AddTextMessage(m_sToken, m_nGroup, "t2", "x");
  EXPECT_EQ(m_client.List(m_sToken)[0]["msgContentList"].size(), 2u);
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/group/update.do",
                                 "msgGroupId=" + std::to_string(m_nGroup) +
                                     "&groupTitle=renamed&tokenId=" + m_sToken)),
            1);
  EXPECT_EQ(m_client.List(m_sToken)[0]["groupTitle"].asString(), "renamed");
  Json::Value changed = TextMessage("changed", "y", m_nGroup);
  changed["msgContentId"] = second;
  EXPECT_EQ(
      codeOf(m_client.Post("quickMessage/update.do",
                           "message=" + Encode(changed.toStyledString()) + "&tokenId=" + m_sToken)),
      1);
  EXPECT_EQ(m_client.List(m_sToken)[0]["msgContentList"][1]["contentTitle"].asString(), "changed");
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/del.do",
                                 "msgContentId=" + first + "&tokenId=" + m_sToken)),
            1);
  EXPECT_EQ(m_client.List(m_sToken)[0]["msgContentList"].size(), 1u);
  const std::int64_t extra = m_client.AddGroup(m_sToken, "extra");
  EXPECT_EQ(m_client.List(m_sToken).size(), 2u);
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/group/del.do",
                                 "msgGroupId=" + std::to_string(extra) + "&tokenId=" + m_sToken)),
            1);
  EXPECT_EQ(m_client.List(m_sToken).size(), 1u);
  EXPECT_EQ(m_server.Server().ListsBuilt(), before + 7);
}

TEST_F(RefServerRequestLimits, SilentConnectionsDoNotStopService) {
  // More connections than the library's default worker count, each sending half a request
  // line and then nothing.
  std::vector<std::unique_ptr<CRawConnection>> silent;
  for (int i = 0; i < 40; ++i) {
    silent.push_back(std::make_unique<CRawConnection>(m_server.Port()));
    silent.back()->Send("POST /zoduda_vudi/quickMessage/li");
  }
  CApiClient fresh = m_server.Client();
  EXPECT_EQ(fresh.List(m_sToken).size(), 1u);
  // Served while every silent connection still held its place, not after they were dropped.
  size_t stillOpen = 0;
  for (const auto& connection : silent) stillOpen += connection->IsOpen();
  EXPECT_EQ(stillOpen, silent.size());
}

TEST_F(RefServerRequestLimits, TricklingClientIsCutOff) {
  CRawConnection raw(m_server.Port());
  raw.Send("POST /zoduda_vudi/quickMessage/list.do HTTP/1.1\r\n");
  // One header byte every 300 ms: each read succeeds, the request never completes.
  bool closed = false;
  for (int i = 0; i < 100 && !closed; ++i) {
    raw.Send("X");
    closed = raw.WaitClosed(std::chrono::milliseconds(300));
  }
  EXPECT_TRUE(closed) << "the server still waits for the headers after 30 s";
}

TEST_F(RefServerRequestLimits, ListenBacklogTakesABurstOfConnections) {
  FILE* pipe = popen(("ss -Hltn 'sport = :" + std::to_string(m_server.Port()) + "'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[512] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  ASSERT_TRUE(read);
  // "LISTEN 0 <backlog> 127.0.0.1:port ...": the second number of a listening socket is
  // its backlog.
  char state[32] = {};
  long queued = 0;
  long backlog = 0;
  ASSERT_EQ(std::sscanf(line, "%31s %ld %ld", state, &queued, &backlog), 3) << line;
  EXPECT_GE(backlog, 512) << line;
}

}  // namespace
}  // namespace refserver::test
