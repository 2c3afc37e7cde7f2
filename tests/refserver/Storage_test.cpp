// What the server keeps on disk and how: query plans, file modes, token digests, the log,
// and a data folder taken away under the running server.
#include "RefServerHarness.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/resource.h>
#include <sys/stat.h>

namespace refserver::test {
namespace {

constexpr const char* kPhone = "13900006666";

int codeOf(const Json::Value& reply) {
  return reply["resultCode"].asInt();
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

unsigned modeOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 0777;
}

// Makes the server run every kind of statement it has: accounts, codes, tokens, groups,
// messages, pictures, remarks, feedback.
void exerciseEveryRoute(CTestServer& server) {
  CApiClient client = server.Client();
  const std::string token = client.RegisterAndLogin(server.DataDir(), kPhone, "pw-12345");
  ASSERT_EQ(codeOf(client.Post("account/findpasswd/code.do", std::string("phone=") + kPhone)), 1);
  const std::string code = client.ReadSmsCode(server.DataDir(), kPhone);
  ASSERT_EQ(codeOf(client.Post("account/findpasswd/reset.do",
                               std::string("phone=") + kPhone + "&password=pw2-12345&sms=" + code)),
            1);
  const std::string fresh = client.Login(kPhone, "pw2-12345");
  const std::int64_t group = client.AddGroup(fresh, "g");
  const std::int64_t other = client.AddGroup(fresh, "h");
  const std::string id = client.AddTextMessage(fresh, group, "t", "x");
  client.Post("quickMessage/group/update.do",
              "msgGroupId=" + std::to_string(group) + "&groupTitle=g2&tokenId=" + fresh);
  Json::Value moved = TextMessage("t", "y", other);
  moved["msgContentId"] = id;
  client.Post("quickMessage/update.do",
              "message=" + Encode(moved.toStyledString()) + "&tokenId=" + fresh);
  client.List(fresh);
  client.Post("quickMessage/del.do", "msgContentId=" + id + "&tokenId=" + fresh);
  client.Post("quickMessage/group/del.do",
              "msgGroupId=" + std::to_string(other) + "&tokenId=" + fresh);
  const httplib::MultipartFormDataItems items = {{"file", "PNGDATA", "a.png", "image/png"},
                                                 {"filename", "a.png", "", ""}};
  const auto up =
      client.Http().Post(("/zoduda_vudi/upload/uploadPic.do?tokenId=" + fresh).c_str(), items);
  ASSERT_TRUE(up);
  Json::Value uploaded;
  std::istringstream in(up->body);
  std::string errors;
  ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &uploaded, &errors));
  client.Get("/zoduda_vudi/upload/pic/" + uploaded["obj"].asString());
  client.Post("weChat/editRemarkInfo.do", "remarkId=0&openId=w&remarkInfo=r&tokenId=" + fresh);
  client.Post("weChat/getRemarkInfo.do", "openId=w&tokenId=" + fresh);
  client.Post("feedback/addFeedback.do", "tokenId=" + fresh + "&feedbackInfo=f");
  client.Post("tipsMsg/getTipsMessage.do", "tokenId=" + fresh);
  client.Post("account/login.do", "phone=13900006667&password=x");
  (void)token;
}

TEST(RefServerStorage, NoStatementScansATable) {
  CTestServer server;
  exerciseEveryRoute(server);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2((server.DataDir() + "/refserver.db").c_str(), &db, SQLITE_OPEN_READONLY,
                            nullptr),
            SQLITE_OK);
  const std::vector<std::string> statements = server.Server().Database().StatementsUsed();
  EXPECT_GE(statements.size(), 20u);
  for (const std::string& sql : statements) {
    sqlite3_stmt* plan = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &plan, nullptr),
              SQLITE_OK)
        << sql;
    while (sqlite3_step(plan) == SQLITE_ROW) {
      const std::string detail = reinterpret_cast<const char*>(sqlite3_column_text(plan, 3));
      // "SCAN t" reads the whole table; "SCAN t USING INDEX" walks an index in order.
      const bool fullScan =
          detail.rfind("SCAN ", 0) == 0 && detail.find(" USING ") == std::string::npos;
      EXPECT_FALSE(fullScan) << sql << "\n  " << detail;
    }
    sqlite3_finalize(plan);
  }
  sqlite3_close(db);
}

TEST(RefServerStorage, DataIsReadableByTheServersUserOnly) {
  CTestServer server;
  exerciseEveryRoute(server);
  const std::string dir = server.DataDir();
  EXPECT_EQ(modeOf(dir), 0700u);
  EXPECT_EQ(modeOf(dir + "/pictures"), 0700u);
  for (const char* name :
       {"refserver.db", "refserver.db-wal", "refserver.db-shm", "refserver.log", "sms-codes.txt"})
    EXPECT_EQ(modeOf(dir + "/" + name), 0600u) << name;
  for (const auto& entry : std::filesystem::directory_iterator(dir + "/pictures"))
    EXPECT_EQ(modeOf(entry.path().string()), 0600u) << entry.path();
}

TEST(RefServerStorage, ModesLeftByAnOlderRunAreMended) {
  testing_support::TempDir folder("refserver-test");
  std::filesystem::permissions(folder.path(), std::filesystem::perms(0755));
  std::ofstream(folder.path() + "/refserver.log") << "old\n";
  std::filesystem::permissions(folder.path() + "/refserver.log", std::filesystem::perms(0644));
  CServerProcess process(folder.path());
  EXPECT_EQ(modeOf(folder.path()), 0700u);
  EXPECT_EQ(modeOf(folder.path() + "/refserver.log"), 0600u);
  EXPECT_EQ(modeOf(folder.path() + "/refserver.db"), 0600u);
}

TEST(RefServerStorage, TokensAreNotStoredInClear) {
  CTestServer server;
  CApiClient client = server.Client();
  const std::string token = client.RegisterAndLogin(server.DataDir(), kPhone, "pw-12345");
  ASSERT_EQ(token.size(), 32u);
  for (const char* name : {"refserver.db", "refserver.db-wal"})
    EXPECT_EQ(fileText(server.DataDir() + "/" + name).find(token), std::string::npos) << name;
  EXPECT_EQ(codeOf(client.Post("quickMessage/list.do", "tokenId=" + token)), 1);
}

TEST(RefServerStorage, ControlCharactersCannotForgeLogLines) {
  CTestServer server;
  CApiClient client = server.Client();
  client.Get("/zoduda_vudi/x%0a2099-01-01%2000:00:00.000%20INFO%20%20forged%0d");
  client.Post("account/login.do", "phone=1%0a2099&password=x");
  const std::string log = fileText(server.DataDir() + "/refserver.log");
  EXPECT_EQ(log.find("\n2099"), std::string::npos) << log;
  EXPECT_EQ(log.find('\r'), std::string::npos) << log;
  EXPECT_NE(log.find("x\\x0a2099-01-01"), std::string::npos) << log;
}

TEST(RefServerStorage, SeparatorsDirectionMarksAndBadBytesAreEscapedInTheLog) {
  CTestServer server;
  CApiClient client = server.Client();
  client.Get("/zoduda_vudi/a%E2%80%A8b%E2%80%AEc%C2%85d%FFe%E6%B5%8B");
  const std::string log = fileText(server.DataDir() + "/refserver.log");
  for (const char* raw : {"\xE2\x80\xA8", "\xE2\x80\xAE", "\xC2\x85", "\xFF"})
    EXPECT_EQ(log.find(raw), std::string::npos) << log;
  // Text stays readable: the escapes name what was there, Chinese passes as it is.
  EXPECT_NE(log.find("a\\u{2028}b\\u{202e}c\\u{0085}d\\xffe测"), std::string::npos) << log;
}

// Files may not grow past a few kilobytes while it lives: writes fail as on a full disk.
class CFileSizeLimit {
 public:
  explicit CFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &m_saved);
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~CFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_oldHandler);
  }

 private:
  rlimit m_saved{};
  void (*m_oldHandler)(int) = nullptr;
};

TEST(RefServerStorage, AFullDiskGetsItsOwnCodeAndTheLogResumesAfterIt) {
  CTestServer server;
  CApiClient client = server.Client();
  const std::string token = client.RegisterAndLogin(server.DataDir(), kPhone, "pw-12345");
  const std::string picture(100 * 1024, 'p');
  const auto upload = [&] {
    const httplib::MultipartFormDataItems items = {
        {"file", picture, "a.png", "application/octet-stream"}, {"filename", "a.png", "", ""}};
    const auto res =
        client.Http().Post(("/zoduda_vudi/upload/uploadPic.do?tokenId=" + token).c_str(), items);
    return res ? res->body : std::string();
  };
  const auto logSize = std::filesystem::file_size(server.DataDir() + "/refserver.log");
  {
    const CFileSizeLimit full(logSize + 16);
    const std::string reply = upload();
    EXPECT_NE(reply.find("\"resultCode\":6002"), std::string::npos) << reply;
    EXPECT_NE(reply.find("服务器存储空间不足"), std::string::npos) << reply;
    // The log line of that request did not fit either.
    client.Get("/zoduda_vudi/during-the-full-disk");
  }
  EXPECT_NE(upload().find("\"resultCode\":1,"), std::string::npos);
  client.Get("/zoduda_vudi/after-the-full-disk");
  EXPECT_NE(fileText(server.DataDir() + "/refserver.log").find("after-the-full-disk"),
            std::string::npos);
}

TEST(RefServerStorage, SignInWorksOnAFullDisk) {
  CTestServer server;
  CApiClient client = server.Client();
  const std::string first = client.RegisterAndLogin(server.DataDir(), kPhone, "pw-12345");
  std::string token;
  {
    const CFileSizeLimit full(1);
    // Full for the database too, not only for pictures and the log.
    ASSERT_EQ(codeOf(client.Post("quickMessage/group/add.do", "groupTitle=g&tokenId=" + first)),
              6002);
    token = client.Login(kPhone, "pw-12345");
    ASSERT_FALSE(token.empty());
    EXPECT_NE(token, first);
    EXPECT_EQ(codeOf(client.Post("quickMessage/list.do", "tokenId=" + token)), 1);
  }
  // The token of that sign-in outlives the episode, and the account writes again with it.
  EXPECT_EQ(codeOf(client.Post("quickMessage/group/add.do", "groupTitle=g&tokenId=" + token)), 1);
  EXPECT_EQ(codeOf(client.Post("quickMessage/list.do", "tokenId=" + first)), 1);
}

TEST(RefServerStorage, RemovedDataFolderRefusesWritesInsteadOfLosingThem) {
  CTestServer server;
  CApiClient client = server.Client();
  const std::string token = client.RegisterAndLogin(server.DataDir(), kPhone, "pw-12345");
  std::filesystem::remove_all(server.DataDir());
  const auto res =
      client.Http().Post("/zoduda_vudi/quickMessage/group/add.do", "groupTitle=g&tokenId=" + token,
                         "application/x-www-form-urlencoded");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 500);
  EXPECT_NE(res->body.find("\"resultCode\":500"), std::string::npos) << res->body;
  // A folder put back in its place is not the database the server opened either.
  std::filesystem::create_directories(server.DataDir());
  std::ofstream(server.DataDir() + "/refserver.db") << "";
  EXPECT_EQ(codeOf(client.Post("quickMessage/group/add.do", "groupTitle=g&tokenId=" + token)), 500);
}

TEST(RefServerStorage, CodeThatCannotBeWrittenDownIsNotIssued) {
  CTestServer server;
  CApiClient client = server.Client();
  std::filesystem::create_directories(server.DataDir() + "/sms-codes.txt");
  EXPECT_EQ(codeOf(client.Post("account/register/code.do", std::string("phone=") + kPhone)), 500);
  std::filesystem::remove(server.DataDir() + "/sms-codes.txt");
  // Nothing was half issued: the phone may ask again at once and gets a code it can use.
  ASSERT_EQ(codeOf(client.Post("account/register/code.do", std::string("phone=") + kPhone)), 1);
  const std::string code = client.ReadSmsCode(server.DataDir(), kPhone);
  EXPECT_EQ(codeOf(client.Post("account/register.do",
                               std::string("phone=") + kPhone +
                                   "&password=pw-12345&company=&contactName=&sms=" + code)),
            1);
}

}  // namespace
}  // namespace refserver::test
