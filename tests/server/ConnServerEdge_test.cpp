// The client as a broken or hostile server meets it: redirects, replies far longer than
// any real one, compressed replies and compression bombs.
#include "server/ConnServer.h"
#include "server/ServerTransport.h"

#include "tests/server/CannedServer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <set>
#include <thread>

namespace {

std::string gzip(const std::string& text) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY),
            Z_OK);
  std::string out(deflateBound(&stream, text.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// A reply the server compressed itself; the content type keeps the test server from
// compressing it again.
TCanned gzipped(const std::string& json) {
  return TCanned{200, gzip(json), "application/octet-stream", {{"Content-Encoding", "gzip"}}};
}

// A JSON envelope whose text makes it `size` bytes long.
std::string replyOfSize(size_t size, const std::string& extra = "") {
  const std::string head = R"({"resultCode":1,)" + extra + R"("resultMsg":")";
  const std::string tail = "\"}";
  return head + std::string(size - head.size() - tail.size(), 'x') + tail;
}

TCanned redirect(int status, const std::string& location) {
  return TCanned{status, "", "text/plain", {{"Location", location}}};
}

class EdgeTest : public CServerTest {
 protected:
  std::string Url(const std::string& path) const { return m_server.BaseUrl() + path; }
  std::string Target() const { return UserFolder() + "face.png"; }
};

TEST_F(EdgeTest, DownloadFollowsRedirects) {
  for (const int status : {301, 302, 303, 307, 308}) {
    m_server.Answer([this, status](const TReceived& got) {
      if (got.path == "/old/p.png") return redirect(status, "/mid/p.png");
      if (got.path == "/mid/p.png") return redirect(status, Url("new/p.png"));
      return TCanned{200, "picture", "image/png"};
    });
    CConnServer conn;
    EXPECT_EQ(conn.DownloadFile(Url("old/p.png").c_str(), Target().c_str()), Target()) << status;
    EXPECT_EQ(ReadFile(Target()), "picture") << status;
    EXPECT_EQ(m_server.Last().path, "/new/p.png");
  }
}

// A redirect that leads nowhere must not leave an empty picture in the cache for good.
TEST_F(EdgeTest, DownloadRedirectThatLeadsNowhereFails) {
  const std::vector<TCanned> answers{TCanned{302, "", "text/plain"},          // no Location
                                     redirect(301, "/loop.png"),              // for ever
                                     redirect(302, "file:///etc/passwd"),     // not the web
                                     redirect(307, "ftp://127.0.0.1/p.png"),  // not the web
                                     TCanned{304, "", "text/plain"}};         // nothing to keep
  for (size_t i = 0; i < answers.size(); ++i) {
    m_server.Reply(answers[i]);
    CConnServer conn;
    EXPECT_EQ(conn.DownloadFile(Url("loop.png").c_str(), Target().c_str()), "") << i;
    EXPECT_EQ(conn.m_strResultMsg, "下载失败, 请检查网络.") << i;
    EXPECT_FALSE(FileExists(Target())) << i;
  }
  EXPECT_LE(m_server.Count(), answers.size() + kMaxRedirects + 1);
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
}

// A form holds the password or the token: it is not carried to another address, and a
// redirect is never read as an empty success.
TEST_F(EdgeTest, FormRedirectIsAFailureAndNotFollowed) {
  const std::string previous = UserFolder() + "Login.dat";
  WriteFile(previous, "previous reply");
  for (const int status : {301, 302, 303, 307, 308}) {
    m_server.Answer([this, status](const TReceived& got) {
      if (got.path == "/moved/account/login.do") return TCanned{200, R"({"resultCode":1})"};
      return redirect(status, Url("moved/account/login.do"));
    });
    CConnServer conn;
    EXPECT_EQ(conn.Login("13800138000", "pw"), -1) << status;
    EXPECT_EQ(conn.m_strResultMsg, "登录失败, 请检查网络.") << status;
    EXPECT_EQ(ReadFile(previous), "previous reply");
  }
  EXPECT_EQ(m_server.Count(), 5u);
}

TEST_F(EdgeTest, FormRepliesAreAskedCompressedAndRead) {
  m_server.Reply(gzipped(R"({"resultCode":1,"obj":{"logintoken":"tok","wechatQuantity":3}})"));
  CConnServer conn;
  EXPECT_EQ(conn.Login("1", "2"), 0);
  EXPECT_EQ(conn.m_strLoginToken, "tok");
  EXPECT_EQ(conn.m_nWechatQuantity, 3);
  EXPECT_NE(m_server.Last().Header("Accept-Encoding").find("gzip"), std::string::npos);
}

TEST_F(EdgeTest, OverLongFormReplyFailsAndKeepsNoFile) {
  const std::string previous = UserFolder() + "AddShortcutGrp.dat";
  WriteFile(previous, "previous reply");
  m_server.Reply(replyOfSize(kMaxReplyBytes, R"("obj":5,)"));
  CConnServer conn;
  EXPECT_EQ(conn.AddShortcutGrp("g", "t"), 5) << "a reply of exactly the limit is read";
  m_server.Reply(replyOfSize(kMaxReplyBytes + 1, R"("obj":5,)"));
  EXPECT_EQ(conn.AddShortcutGrp("g", "t"), -1);
  EXPECT_EQ(conn.m_strResultMsg, "添加快捷语组失败, 请检查网络.");
  EXPECT_EQ(ReadFile(previous).size(), kMaxReplyBytes) << "the last good reply stays";
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
}

// A small compressed reply that inflates far beyond any real one.
TEST_F(EdgeTest, CompressionBombFailsOnItsInflatedSize) {
  const std::string bomb = gzip(replyOfSize(8 * kMaxReplyBytes));
  ASSERT_LT(bomb.size(), kMaxReplyBytes / 16);
  m_server.Reply(TCanned{200, bomb, "application/octet-stream", {{"Content-Encoding", "gzip"}}});
  CConnServer conn;
  EXPECT_EQ(conn.Login("1", "2"), -1);
  EXPECT_EQ(conn.m_strResultMsg, "登录失败, 请检查网络.");
  EXPECT_FALSE(FileExists(UserFolder() + "Login.dat"));
}

// The list of a large library is far above the limit of other replies.
TEST_F(EdgeTest, ListReplyHasItsOwnLimit) {
  const std::string list = replyOfSize(4 * kMaxReplyBytes, R"("msgList":[],)");
  m_server.Reply(gzipped(list));
  CConnServer conn;
  CDuiString path;
  EXPECT_EQ(conn.GetShortcutList("t", &path), 0);
  EXPECT_EQ(ReadFile(path.str()), list);
  m_server.Reply(gzipped(replyOfSize(kMaxListReplyBytes + 1, R"("msgList":[],)")));
  CDuiString untouched = "untouched";
  EXPECT_EQ(conn.GetShortcutList("t", &untouched), -1);
  EXPECT_EQ(untouched, "untouched");
  EXPECT_EQ(ReadFile(path.str()), list);
}

TEST_F(EdgeTest, OverLongDownloadFailsAndKeepsNoFile) {
  m_server.Reply(TCanned{200, std::string(kMaxDownloadBytes + 1, 'p'), "image/png"});
  CConnServer conn;
  EXPECT_EQ(conn.DownloadFile(Url("p.png").c_str(), Target().c_str()), "");
  EXPECT_EQ(conn.m_strResultMsg, "下载失败, 请检查网络.");
  EXPECT_FALSE(FileExists(Target()));
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
}

TEST_F(EdgeTest, OverLongUploadReplyIsUnreadable) {
  const std::string picture = Root() + "/p.png";
  WriteFile(picture, "png");
  m_server.Reply(replyOfSize(kMaxReplyBytes + 1, R"("obj":"pics/a.png",)"));
  CConnServer conn;
  EXPECT_EQ(conn.UploadPic("t", picture.c_str(), "p.png"), -2);
  EXPECT_EQ(conn.m_strResultMsg, "上传图片失败, 服务器返回数据解析不一致.");
  EXPECT_EQ(conn.m_strObj, "");
}

std::set<int> connectionsOf(const std::vector<TReceived>& requests) {
  std::set<int> ports;
  for (const TReceived& request : requests) ports.insert(request.remotePort);
  return ports;
}

TEST_F(EdgeTest, ConsecutiveRequestsShareOneConnection) {
  m_server.Reply(R"({"resultCode":1})");
  for (int i = 0; i < 4; ++i) {
    CConnServer conn;  // one object per user action, as callers make them
    EXPECT_EQ(conn.EditShortcutGrp("1", "g", "t"), 0);
  }
  EXPECT_EQ(m_server.Count(), 4u);
  EXPECT_EQ(connectionsOf(m_server.Received()).size(), 1u);
}

// Servers close a connection after a few requests or at once; the next request opens a
// new one and nothing fails.
TEST_F(EdgeTest, ServerThatClosesConnectionsIsFollowed) {
  m_server.Reply(
      TCanned{200, R"({"resultCode":1})", "application/json", {{"Connection", "close"}}});
  for (int i = 0; i < 6; ++i) {
    CConnServer conn;
    EXPECT_EQ(conn.EditShortcutGrp("1", "g", "t"), 0) << i;
  }
  EXPECT_EQ(connectionsOf(m_server.Received()).size(), 6u);
}

// Each thread keeps its own connection: two threads never share one.
TEST_F(EdgeTest, ThreadsKeepConnectionsOfTheirOwn) {
  m_server.Reply(R"({"resultCode":1})");
  auto work = [] {
    for (int i = 0; i < 3; ++i) {
      CConnServer conn;
      EXPECT_EQ(conn.EditShortcutGrp("1", "g", "t"), 0);
    }
  };
  std::thread first(work), second(work);
  first.join();
  second.join();
  EXPECT_EQ(m_server.Count(), 6u);
  EXPECT_EQ(connectionsOf(m_server.Received()).size(), 2u);
}

// A kept handle carries its connection, never the options of the transfer before.
TEST_F(EdgeTest, ReusedConnectionCarriesNoOptionsOver) {
  m_server.Answer([this](const TReceived& got) {
    if (got.path == "/old.png") return redirect(302, "/new.png");
    if (got.path == "/new.png") return TCanned{200, "picture", "image/png"};
    return redirect(302, Url("new.png"));
  });
  CConnServer conn;
  EXPECT_EQ(conn.DownloadFile(Url("old.png").c_str(), Target().c_str()), Target());
  EXPECT_EQ(m_server.Last().Header("Accept-Encoding"), "");
  EXPECT_EQ(conn.Login("1", "2"), -1) << "the download's redirects are not followed here";
  EXPECT_EQ(m_server.Last().path, "/zoduda_vudi/account/login.do");
  EXPECT_EQ(m_server.Count(), 3u);
  EXPECT_EQ(conn.DownloadFile(Url("new.png").c_str(), Target().c_str()), Target());
  EXPECT_EQ(m_server.Last().Header("Accept-Encoding"), "") << "nor its encodings there";
  EXPECT_EQ(m_server.Last().method, "GET");
  EXPECT_EQ(connectionsOf(m_server.Received()).size(), 1u);
}

// Found by server_http_fuzz (AddressSanitizer: heap-use-after-free inside libcurl). libcurl
// 7.88 keeps a pointer to the last header of a handle's previous transfer, and the next
// transfer frees what it points at; a reply whose first header line is folded (starts with a
// blank) was appended there. A transfer now starts on a handle of its own: the folded line
// has nothing to continue, and the reply is refused.
TEST_F(EdgeTest, AFoldedFirstHeaderIsRefusedAfterAnotherTransfer) {
  m_server.Reply(TCanned{200, "picture", "image/png", {{"X-Last", "header"}}});
  CConnServer conn;
  ASSERT_EQ(conn.DownloadFile(Url("a.png").c_str(), Target().c_str()), Target());
  CRawReplyServer folded(
      "HTTP/1.1 200 OK\r\n folded: onto the previous transfer\r\nContent-Length: 16\r\n"
      "Connection: close\r\n\r\n{\"resultCode\":1}");
  UseWebServer("http://127.0.0.1:" + std::to_string(folded.Port()) + "/");
  EXPECT_NE(conn.Login("1", "2"), 1);
}

}  // namespace
