// The real program: command line, port printing, restart and kill -9 in the middle of writes.
#include "RefServerHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include <sys/wait.h>

namespace refserver::test {
namespace {

TEST(RefServerProcess, SeedCreatesTheDemoAccountOnce) {
  testing_support::TempDir folder("refserver-test");
  {
    CServerProcess server(folder.path(), {"--seed"});
    CApiClient client(server.Port());
    const std::string token = client.Login(CRefServer::kDemoPhone, CRefServer::kDemoPassword);
    const Json::Value list = client.List(token);
    ASSERT_GE(list.size(), 2u);
    EXPECT_GE(list[0]["msgContentList"].size(), 2u);
    EXPECT_EQ(server.Terminate(), 0);
  }
  CServerProcess again(folder.path(), {"--seed"});
  CApiClient client(again.Port());
  EXPECT_EQ(client.List(client.Login(CRefServer::kDemoPhone, CRefServer::kDemoPassword)).size(),
            2u);
}

TEST(RefServerProcess, DataAndIdsSurviveARestart) {
  testing_support::TempDir folder("refserver-test");
  std::string token;
  std::int64_t groupId = 0;
  std::string messageId;
  Json::Value before;
  {
    CServerProcess server(folder.path());
    CApiClient client(server.Port());
    token = client.RegisterAndLogin(folder.path(), "13900009999", "pw-12345");
    groupId = client.AddGroup(token, "重启前");
    messageId = client.AddTextMessage(token, groupId, "标题", "内容");
    before = client.List(token);
    EXPECT_EQ(server.Terminate(), 0);
  }
  CServerProcess server(folder.path());
  CApiClient client(server.Port());
  // Tokens are stored too: the workbench keeps working across a server restart.
  EXPECT_EQ(client.List(token), before);
  const Json::Value& message = before[0]["msgContentList"][0];
  EXPECT_EQ(message["msgContentId"].asString(), messageId);
  EXPECT_EQ(before[0]["msgGroupId"].asString(), std::to_string(groupId));
  EXPECT_GT(client.AddGroup(token, "重启后"), groupId);
}

TEST(RefServerProcess, KillDuringWritesLosesNoAcknowledgedWrite) {
  testing_support::TempDir folder("refserver-test");
  std::string token;
  std::vector<std::int64_t> acknowledged;
  {
    CServerProcess server(folder.path());
    token = CApiClient(server.Port()).RegisterAndLogin(folder.path(), "13900001212", "pw-12345");
    std::atomic<bool> stop = false;
    std::mutex mutex;
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w) {
      writers.emplace_back([&, w] {
        CApiClient client(server.Port());
        for (int i = 0; !stop; ++i) {
          const auto reply = client.Http().Post(
              "/zoduda_vudi/quickMessage/group/add.do",
              "groupTitle=w" + std::to_string(w) + "-" + std::to_string(i) + "&tokenId=" + token,
              "application/x-www-form-urlencoded");
          if (!reply) break;  // the server is gone
          Json::Value json;
          std::istringstream in(reply->body);
          std::string errors;
          if (Json::parseFromStream(Json::CharReaderBuilder(), in, &json, &errors) &&
              json["resultCode"].asInt() == 1) {
            std::lock_guard lock(mutex);
            acknowledged.push_back(json["obj"].asInt64());
          }
        }
      });
    }
    // Kill while the writers are busy, once enough writes were acknowledged.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      std::lock_guard lock(mutex);
      if (acknowledged.size() >= 100) break;
    }
    server.Kill();
    stop = true;
    for (auto& t : writers) t.join();
  }
  ASSERT_GE(acknowledged.size(), 100u);

  CServerProcess server(folder.path());
  CApiClient client(server.Port());
  std::set<std::int64_t> listed;
  for (const auto& group : client.List(token))
    listed.insert(std::stoll(group["msgGroupId"].asString()));
  for (const std::int64_t id : acknowledged)
    EXPECT_TRUE(listed.count(id)) << "acknowledged group " << id << " was lost";
  // The database is whole: writing goes on where it stopped.
  EXPECT_GT(client.AddGroup(token, "after"),
            *std::max_element(acknowledged.begin(), acknowledged.end()));
}

TEST(RefServerProcess, StopsOnTerminateEvenRightAfterStart) {
  testing_support::TempDir folder("refserver-test");
  for (int i = 0; i < 5; ++i) {
    CServerProcess server(folder.path());
    EXPECT_EQ(server.Terminate(), 0);
  }
}

TEST(RefServerProcess, PortInUseAndBadOptionsFailCleanly) {
  testing_support::TempDir folder("refserver-test");
  CServerProcess first(folder.path());
  const std::string program = ProgramPath();
  // timeout: a server that wrongly starts must not hang the test.
  const std::string base =
      "timeout 10 " + program + " --quiet --fast-hash --data " + folder.path() + "/b";
  EXPECT_NE(
      std::system((base + " --port " + std::to_string(first.Port()) + " >/dev/null 2>&1").c_str()),
      0);
  EXPECT_NE(std::system((base + " --port 70000 >/dev/null 2>&1").c_str()), 0);
  EXPECT_NE(std::system((base + " --no-such-option >/dev/null 2>&1").c_str()), 0);
  EXPECT_EQ(std::system((program + " --help >/dev/null 2>&1").c_str()), 0);
}

TEST(RefServerProcess, LogsEveryRequestWithItsResult) {
  testing_support::TempDir folder("refserver-test");
  CServerProcess server(folder.path());
  CApiClient client(server.Port());
  client.Post("account/login.do", "phone=13900000000&password=x");
  client.Get("/nowhere");
  EXPECT_EQ(server.Terminate(), 0);
  std::ifstream in(folder.path() + "/refserver.log");
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(log.find("POST /zoduda_vudi/account/login.do -> 2001 ("), std::string::npos) << log;
  EXPECT_NE(log.find("GET /nowhere -> 404"), std::string::npos) << log;
  EXPECT_EQ(log.find("password=x"), std::string::npos);
}

}  // namespace
}  // namespace refserver::test
