// Several threads make requests at once, as the list thread, the editor's save worker and
// the GUI thread do: every reply must reach the thread that asked for it, whole.
#include "server/ConnServer.h"

#include "tests/server/CannedServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr int kRounds = 25;
// Long enough that two writers into one file would interleave.
const std::string kPadding(64 * 1024, 'x');

TCanned echoReply(const TReceived& request) {
  const auto token = request.params.find("tokenId");
  const std::string id = token == request.params.end() ? "?" : token->second;
  std::string body = R"({"resultCode":1,"resultMsg":")" + id + R"(")";
  if (request.path.find("list.do") != std::string::npos)
    body += R"(,"msgList":[{"msgGroupId":")" + id + R"(","groupTitle":")" + kPadding + R"("}])";
  else if (request.path.find("add.do") != std::string::npos)
    body += R"(,"obj":[")" + id + R"("])";
  else if (request.path.find("uploadPic.do") != std::string::npos)
    body += R"(,"obj":")" + id + R"(")";
  return TCanned{200, body + "}"};
}

class ThreadsTest : public CServerTest {
 protected:
  void Expect(bool condition) {
    if (!condition) ++m_nFailures;
  }

  void ListThread(const std::string& token) {
    for (int round = 0; round < kRounds; ++round) {
      CConnServer conn;
      CDuiString path;
      Expect(conn.GetShortcutList(token.c_str(), &path) == 0);
      Expect(conn.m_strResultMsg == token.c_str());
      // Another list thread may have replaced the file since, but never partly.
      const std::string content = ReadFile(path.str());
      Expect(content.size() > kPadding.size() && content.back() == '}');
    }
  }

  void EditorThread(const std::string& token, const std::string& picture) {
    for (int round = 0; round < kRounds; ++round) {
      CConnServer conn;
      std::vector<std::string> ids;
      Expect(conn.AddShortcutMsg("{\"a\":1}", ids, token.c_str()) == 1);
      Expect(ids.size() == 1 && ids[0] == token);
      Expect(conn.EditShortcutMsg("1", "{}", token.c_str()) == 0);
      Expect(conn.m_strResultMsg == token.c_str());
      Expect(conn.UploadPic(token.c_str(), picture.c_str(), "p.png") == 0);
      Expect(conn.m_strObj == token.c_str());
    }
  }

  void GuiThread(const std::string& token) {
    for (int round = 0; round < kRounds; ++round) {
      CConnServer conn;
      Expect(conn.EditShortcutGrp("1", "g", token.c_str()) == 0);
      Expect(conn.m_strResultMsg == token.c_str());
      const std::string target = UserFolder() + "face-" + token + ".png";
      const std::string url = m_server.BaseUrl() + "f.png";
      Expect(conn.DownloadFile(url.c_str(), target.c_str()) == target);
    }
  }

  std::atomic<int> m_nFailures{0};
};

TEST_F(ThreadsTest, ConcurrentRequestsKeepTheirOwnReplies) {
  m_server.Answer(echoReply);
  const std::string picture = Root() + "/p.png";
  WriteFile(picture, "picture bytes");
  std::vector<std::thread> threads;
  for (int i = 0; i < 2; ++i)
    threads.emplace_back([this, i] { ListThread("list" + std::to_string(i)); });
  for (int i = 0; i < 4; ++i)
    threads.emplace_back(
        [this, i, picture] { EditorThread("editor" + std::to_string(i), picture); });
  for (int i = 0; i < 2; ++i)
    threads.emplace_back([this, i] { GuiThread("gui" + std::to_string(i)); });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(m_nFailures.load(), 0);
  EXPECT_EQ(m_server.Count(), static_cast<size_t>(kRounds * (2 + 4 * 3 + 2 * 2)));
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
}

}  // namespace
