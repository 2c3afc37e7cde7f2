// The transfer itself: methods, bodies, addresses, HTTP status, downloads, the picture
// upload and the time-outs.
#include "server/ConnServer.h"
#include "server/ServerTransport.h"

#include "tests/server/CannedServer.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace {

class TransportTest : public CServerTest {
 protected:
  // Request into a file; returns what the file received.
  std::string RequestInto(CConnServer& conn, const std::string& url, const std::string& data,
                          bool* completed) {
    const std::string path = Root() + "/reply.bin";
    std::FILE* file = std::fopen(path.c_str(), "wb+");
    *completed = conn.Request(url.c_str(), data.c_str(), file);
    std::fclose(file);
    return ReadFile(path);
  }
};

TEST_F(TransportTest, EmptyDataMakesGetAndReplyGoesToFile) {
  m_server.Reply(TCanned{200, std::string("binary\0reply", 12), "application/octet-stream"});
  CConnServer conn;
  conn.m_strResultMsg = "untouched";
  bool completed = false;
  const std::string reply = RequestInto(conn, m_server.BaseUrl() + "x/y.do", "", &completed);
  EXPECT_TRUE(completed);
  EXPECT_EQ(reply, std::string("binary\0reply", 12));
  EXPECT_EQ(m_server.Last().method, "GET");
  EXPECT_EQ(m_server.Last().path, "/x/y.do");
  EXPECT_EQ(conn.m_strResultMsg, "untouched");
  EXPECT_EQ(conn.m_nResultCode, 0);
}

TEST_F(TransportTest, DataIsPostedAsFormWithoutContinueHandshake) {
  m_server.Reply("{}");
  CConnServer conn;
  bool completed = false;
  RequestInto(conn, m_server.BaseUrl() + "p.do", "a=1&b=%26", &completed);
  EXPECT_TRUE(completed);
  const TReceived got = m_server.Last();
  EXPECT_EQ(got.method, "POST");
  EXPECT_EQ(got.body, "a=1&b=%26");
  EXPECT_EQ(got.Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(got.Header("Expect"), "");
  EXPECT_EQ(got.params.find("b")->second, "&");
}

TEST_F(TransportTest, ErrorStatusStillCompletesARequest) {
  m_server.Reply(TCanned{500, "{\"resultCode\":0}"});
  CConnServer conn;
  bool completed = false;
  EXPECT_EQ(RequestInto(conn, m_server.BaseUrl() + "p.do", "a=1", &completed),
            "{\"resultCode\":0}");
  EXPECT_TRUE(completed);
}

TEST_F(TransportTest, RefusedConnectionFails) {
  CConnServer conn;
  bool completed = true;
  const std::string refusing = "http://127.0.0.1:" + std::to_string(RefusingPort()) + "/";
  RequestInto(conn, refusing, "a=1", &completed);
  EXPECT_FALSE(completed);
}

TEST_F(TransportTest, NullStreamEndsTransferWithWriteError) {
  m_server.Reply("{\"resultCode\":1}");
  CConnServer conn;
  EXPECT_FALSE(conn.Request((m_server.BaseUrl() + "p.do").c_str(), "a=1", nullptr));
}

TEST_F(TransportTest, OnlyWebAddressesAreFetched) {
  WriteFile(Root() + "/secret.txt", "secret");
  CConnServer conn;
  bool completed = true;
  EXPECT_EQ(RequestInto(conn, "file://" + Root() + "/secret.txt", "", &completed), "");
  EXPECT_FALSE(completed);
}

TEST_F(TransportTest, BaseAddressIsJoinedWithoutSeparator) {
  UseWebServer(m_server.BaseUrl() + "api");
  m_server.Reply("{\"resultCode\":1}");
  CConnServer conn;
  EXPECT_EQ(conn.EditShortcutGrp("1", "t", "k"), 0);
  EXPECT_EQ(m_server.Last().path, "/apizoduda_vudi/quickMessage/group/update.do");
}

TEST_F(TransportTest, MissingBaseAddressFailsTheTransfer) {
  UseWebServer("");
  CConnServer conn;
  EXPECT_EQ(conn.Login("1", "2"), -1);
  EXPECT_EQ(conn.m_strResultMsg, "登录失败, 请检查网络.");
  EXPECT_EQ(m_server.Count(), 0u);
}

// Without a base address the request address is a bare path, which the transfer library
// would take for a host name ("zoduda_vudi") and send the phone number and password to,
// through whatever proxy the environment names. Nothing may leave.
TEST_F(TransportTest, MissingBaseAddressSendsNothingAnywhere) {
  testing_support::ScopedEnv proxy("http_proxy", m_server.BaseUrl());
  testing_support::ScopedEnv noProxy("no_proxy", "");
  testing_support::LogCapture log;
  UseWebServer("");
  CConnServer conn;
  EXPECT_EQ(conn.Login("13800138000", "secret-pw"), -1);
  EXPECT_EQ(conn.m_strResultMsg, "登录失败, 请检查网络.");
  EXPECT_EQ(conn.GetTipsMessage("tok"), "");
  EXPECT_EQ(conn.UploadPic("tok", (Root() + "/program/sys.cfg").c_str(), "a.png"), -2);
  EXPECT_EQ(conn.DownloadFile("", (UserFolder() + "t.xls").c_str()), "");
  EXPECT_EQ(conn.m_strResultMsg, "下载失败, 请检查网络.");
  EXPECT_EQ(m_server.Count(), 0u);
  EXPECT_GE(log.Count("Nothing sent"), 1u);
}

// An address without a scheme is not guessed at: it is refused and the reason logged, once.
TEST_F(TransportTest, MalformedBaseAddressIsRefusedAndLoggedOnce) {
  const std::string bare = "127.0.0.1:" + std::to_string(m_server.Port()) + "/";
  const std::vector<std::string> bases{bare, "ftp://" + bare, "http:///x/",
                                       "http://127.0.0.1:99999/"};
  for (const std::string& base : bases) {
    testing_support::LogCapture log;
    UseWebServer(base);
    CConnServer conn;
    EXPECT_EQ(conn.AddShortcutGrp("g", "t"), -1) << base;
    EXPECT_EQ(conn.m_strResultMsg, "添加快捷语组失败, 请检查网络.") << base;
    EXPECT_EQ(conn.AddShortcutGrp("g", "t"), -1) << base;
    EXPECT_EQ(log.Count("Nothing sent"), 1u) << base;
  }
  EXPECT_EQ(m_server.Count(), 0u);
}

TEST_F(TransportTest, SecretsNeverReachTheLog) {
  testing_support::LogCapture log;
  UseWebServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  const std::string picture = Root() + "/p.png";
  WriteFile(picture, "png");
  CConnServer conn;
  EXPECT_EQ(conn.UploadPic("token-7f3a", picture.c_str(), "p.png"), -2);
  EXPECT_EQ(conn.Login("13800138000", "pw-9c1d"), -1);
  UseWebServer("bad base?tokenId=token-7f3a&password=pw-9c1d");
  EXPECT_EQ(conn.UploadPic("token-7f3a", picture.c_str(), "p.png"), -2);
  ASSERT_FALSE(log.Lines().empty());
  EXPECT_EQ(log.Count("token-7f3a"), 0u);
  EXPECT_EQ(log.Count("pw-9c1d"), 0u);
}

// A server that accepts and never answers: the request gives up after its 10 s time-out.
TEST_F(TransportTest, SilentServerTimesOut) {
  CSilentListener silent;
  UseWebServer("http://127.0.0.1:" + std::to_string(silent.Port()) + "/");
  CConnServer conn;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(conn.Login("1", "2"), -1);
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(conn.m_strResultMsg, "登录失败, 请检查网络.");
  EXPECT_GE(seconds.count(), 9.0);
  EXPECT_LT(seconds.count(), 30.0);
}

class DownloadTest : public CServerTest {};

TEST_F(DownloadTest, FetchesFileByteForByte) {
  const std::string picture("\x89PNG\r\n\x1a\n\0\0data", 14);
  m_server.Reply(TCanned{200, picture, "image/png"});
  CConnServer conn;
  const std::string target = UserFolder() + "face.png";
  const std::string url = m_server.BaseUrl() + "faces/1.png";
  EXPECT_EQ(conn.DownloadFile(url.c_str(), target.c_str()), target);
  EXPECT_EQ(ReadFile(target), picture);
  EXPECT_EQ(m_server.Last().method, "GET");
  EXPECT_EQ(m_server.Last().path, "/faces/1.png");
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
}

TEST_F(DownloadTest, EmptyAddressFetchesImportTemplate) {
  m_server.Reply(TCanned{200, "PK-template", "application/octet-stream"});
  CConnServer conn;
  const std::string target = Root() + "/template.xls";
  EXPECT_EQ(conn.DownloadFile("", target.c_str()), target);
  EXPECT_EQ(m_server.Last().path, "/zoduda_vudi/quickmsg/template/download.do");
  EXPECT_EQ(ReadFile(target), "PK-template");
}

TEST_F(DownloadTest, ErrorPageIsNotSavedAndOldFileStays) {
  const std::string target = UserFolder() + "cached.png";
  WriteFile(target, "good picture");
  for (const int status : {404, 500}) {
    m_server.Reply(TCanned{status, "<html>error page</html>", "text/html"});
    CConnServer conn;
    EXPECT_EQ(conn.DownloadFile((m_server.BaseUrl() + "p.png").c_str(), target.c_str()), "");
    EXPECT_EQ(conn.m_strResultMsg, "下载失败, 请检查网络.");
    EXPECT_EQ(ReadFile(target), "good picture");
  }
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
}

TEST_F(DownloadTest, FailedTransferLeavesNoFile) {
  CConnServer conn;
  const std::string target = UserFolder() + "new.png";
  const std::string url = "http://127.0.0.1:" + std::to_string(RefusingPort()) + "/p.png";
  EXPECT_EQ(conn.DownloadFile(url.c_str(), target.c_str()), "");
  EXPECT_EQ(conn.m_strResultMsg, "下载失败, 请检查网络.");
  EXPECT_FALSE(FileExists(target));
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
}

TEST_F(DownloadTest, BodyCutShortLeavesNoFile) {
  CRawReplyServer cut("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nonly part of it");
  CConnServer conn;
  const std::string target = UserFolder() + "cut.png";
  const std::string url = "http://127.0.0.1:" + std::to_string(cut.Port()) + "/p.png";
  EXPECT_EQ(conn.DownloadFile(url.c_str(), target.c_str()), "");
  EXPECT_EQ(conn.m_strResultMsg, "下载失败, 请检查网络.");
  EXPECT_FALSE(FileExists(target));
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
}

TEST_F(DownloadTest, UnwritableTargetSendsNothing) {
  CConnServer conn;
  EXPECT_EQ(conn.DownloadFile((m_server.BaseUrl() + "p.png").c_str(),
                              (Root() + "/missing/p.png").c_str()),
            "");
  EXPECT_EQ(conn.m_strResultMsg, "下载失败, 请求数据错误.");
  EXPECT_EQ(conn.DownloadFile((m_server.BaseUrl() + "p.png").c_str(), ""), "");
  EXPECT_EQ(conn.m_strResultMsg, "下载失败, 请求数据错误.");
  EXPECT_EQ(m_server.Count(), 0u);
}

// Picture names may hold spaces; the address is encoded rather than refused.
TEST_F(DownloadTest, AddressWithSpaceIsEncoded) {
  m_server.Reply(TCanned{200, "picture", "image/png"});
  CConnServer conn;
  const std::string target = UserFolder() + "p.png";
  const std::string url = m_server.BaseUrl() + "pics/my photo 1.png";
  EXPECT_EQ(conn.DownloadFile(url.c_str(), target.c_str()), target);
  EXPECT_EQ(m_server.Last().path, "/pics/my photo 1.png");
  EXPECT_EQ(ReadFile(target), "picture");
}

TEST_F(DownloadTest, TargetThatCannotBeReplacedSendsNothing) {
  const std::string url = m_server.BaseUrl() + "p.png";
  const std::string folder = UserFolder() + "Faces";
  std::filesystem::create_directory(folder);
  CConnServer conn;
  EXPECT_EQ(conn.DownloadFile(url.c_str(), folder.c_str()), "");
  EXPECT_EQ(conn.m_strResultMsg, "下载失败, 请求数据错误.");
  const std::string readOnly = UserFolder() + "locked.png";
  WriteFile(readOnly, "kept");
  std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
  EXPECT_EQ(conn.DownloadFile(url.c_str(), readOnly.c_str()), "");
  EXPECT_EQ(conn.m_strResultMsg, "下载失败, 请求数据错误.");
  EXPECT_EQ(ReadFile(readOnly), "kept");
  EXPECT_EQ(m_server.Count(), 0u);
}

TEST_F(DownloadTest, DownloadIsTheUsersAlone) {
  m_server.Reply(TCanned{200, "picture", "image/png"});
  CConnServer conn;
  const std::string target = UserFolder() + "face.png";
  ASSERT_EQ(conn.DownloadFile((m_server.BaseUrl() + "p.png").c_str(), target.c_str()), target);
  EXPECT_EQ(std::filesystem::status(target).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

class UploadTest : public CServerTest {
 protected:
  std::string Picture() {
    const std::string path = Root() + "/photo 1.png";
    WriteFile(path, std::string("\x89PNG\0picture", 12));
    return path;
  }
};

TEST_F(UploadTest, SendsFileAndNameAsMultipartWithTokenInQuery) {
  m_server.Reply("{\"resultCode\":1,\"resultMsg\":\"ok\",\"obj\":\"pics/2024/a.png\"}");
  CConnServer conn;
  EXPECT_EQ(conn.UploadPic("tok123", Picture().c_str(), "图片 1.png"), 0);
  EXPECT_EQ(conn.m_strObj, "pics/2024/a.png");
  EXPECT_EQ(conn.m_strResultMsg, "ok");
  const TReceived got = m_server.Last();
  EXPECT_EQ(got.method, "POST");
  EXPECT_EQ(got.path, "/zoduda_vudi/upload/uploadPic.do");
  EXPECT_EQ(got.query, "tokenId=tok123");
  ASSERT_EQ(got.files.count("file"), 1u);
  EXPECT_EQ(got.files.find("file")->second.filename, "photo 1.png");
  EXPECT_EQ(got.files.find("file")->second.content, std::string("\x89PNG\0picture", 12));
  EXPECT_EQ(got.files.find("file")->second.content_type, "image/png");
  ASSERT_EQ(got.files.count("filename"), 1u);
  EXPECT_EQ(got.files.find("filename")->second.content, "图片 1.png");
  EXPECT_EQ(got.Header("Accept-Language"), "zh-CN,zh;q=0.8");
  EXPECT_EQ(got.Header("Connection"), "keep-alive");
  EXPECT_EQ(got.Header("Expect"), "");
}

TEST_F(UploadTest, ServerFailureKeepsItsTexts) {
  m_server.Reply("{\"resultCode\":3,\"resultMsg\":\"太大\",\"obj\":\"limit 2M\"}");
  CConnServer conn;
  EXPECT_EQ(conn.UploadPic("t", Picture().c_str(), "a.png"), -2);
  EXPECT_EQ(conn.m_nResultCode, 3);
  EXPECT_EQ(conn.m_strResultMsg, "太大");
  EXPECT_EQ(conn.m_strObj, "limit 2M");
}

TEST_F(UploadTest, DeadServerIsAnUnreadableReply) {
  UseWebServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  CConnServer conn;
  EXPECT_EQ(conn.UploadPic("t", Picture().c_str(), "a.png"), -2);
  EXPECT_EQ(conn.m_strResultMsg, "上传图片失败, 服务器返回数据解析不一致.");
  EXPECT_EQ(conn.m_nResultCode, 0);
}

// An earlier success on the same object must not turn a failed upload into a success.
TEST_F(UploadTest, FailedUploadAfterEarlierSuccessStillFails) {
  m_server.Reply("{\"resultCode\":1}");
  CConnServer conn;
  EXPECT_EQ(conn.EditShortcutGrp("1", "t", "k"), 0);
  UseWebServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  EXPECT_EQ(conn.UploadPic("t", Picture().c_str(), "a.png"), -2);
  m_server.Reply("<html>busy</html>");
  UseWebServer(m_server.BaseUrl());
  EXPECT_EQ(conn.UploadPic("t", Picture().c_str(), "a.png"), -2);
}

TEST_F(UploadTest, MissingPictureSendsNothing) {
  CConnServer conn;
  EXPECT_EQ(conn.UploadPic("t", (Root() + "/none.png").c_str(), "none.png"), -2);
  EXPECT_EQ(m_server.Count(), 0u);
}

TEST_F(UploadTest, CookiesAreKeptInUserFolder) {
  m_server.Reply(TCanned{
      200, "{\"resultCode\":1}", "application/json", {{"Set-Cookie", "JSESSIONID=abc; Path=/"}}});
  const std::string here = std::filesystem::current_path();
  std::filesystem::current_path(Root());
  CConnServer conn;
  EXPECT_EQ(conn.UploadPic("t", Picture().c_str(), "a.png"), 0);
  EXPECT_EQ(conn.UploadPic("t", Picture().c_str(), "a.png"), 0);
  std::filesystem::current_path(here);
  EXPECT_NE(ReadFile(UserFolder() + "cookies.txt").find("JSESSIONID"), std::string::npos);
  // The session cookie is as private as the token.
  EXPECT_EQ(std::filesystem::status(UserFolder() + "cookies.txt").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_FALSE(FileExists(Root() + "/cookies.txt"));
  EXPECT_EQ(m_server.Last().Header("Cookie"), "JSESSIONID=abc");
}

TEST_F(UploadTest, FieldListIsSplitIntoPairs) {
  m_server.Reply("{}");
  std::string response = "stale";
  PostMultipart(response, 3, m_server.BaseUrl() + "up.do",
                "file|" + Picture() + "|filename|a.png|album|two words", "", "X-Extra: 1");
  EXPECT_EQ(response, "{}");
  const TReceived got = m_server.Last();
  EXPECT_EQ(got.files.size(), 3u);
  EXPECT_EQ(got.files.find("album")->second.content, "two words");
  EXPECT_EQ(got.Header("X-Extra"), "1");
}

TEST_F(UploadTest, CertificateIsChecked) {
  const std::string cert = Root() + "/cert.pem", key = Root() + "/key.pem";
  const std::string command =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 1"
      " -subj /CN=127.0.0.1 -keyout " +
      key + " -out " + cert + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  httplib::SSLServer tls(cert.c_str(), key.c_str());
  int requests = 0;
  tls.Post(".*", [&requests](const httplib::Request&, httplib::Response& response) {
    ++requests;
    response.set_content("{\"resultCode\":1}", "application/json");
  });
  const int port = tls.bind_to_any_port("127.0.0.1");
  std::thread serving([&tls] { tls.listen_after_bind(); });
  for (int waited = 0; waited < 10000 && !tls.is_running(); ++waited)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));

  httplib::SSLClient control("127.0.0.1", port);
  control.enable_server_certificate_verification(false);
  const auto answered = control.Post("/", "x", "text/plain");
  EXPECT_TRUE(answered && answered->status == 200) << "the TLS server itself works";

  UseWebServer("https://127.0.0.1:" + std::to_string(port) + "/");
  CConnServer conn;
  EXPECT_EQ(conn.UploadPic("t", Picture().c_str(), "a.png"), -2);
  tls.stop();
  serving.join();
  EXPECT_EQ(requests, 1) << "only the control request may arrive";
}

}  // namespace
