// The connection edge: what open connections cost, and the caps on how many there may be.
#include "RefServerHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>

namespace refserver::test {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::unique_ptr<CRawConnection>> openIdle(int port, const std::string& source,
                                                      int count) {
  std::vector<std::unique_ptr<CRawConnection>> connections;
  for (int i = 0; i < count; ++i)
    connections.push_back(std::make_unique<CRawConnection>(port, source));
  return connections;
}

TEST(RefServerEdge, IdleConnectionsHoldNoWorker) {
  CTestServer server;
  CApiClient client = server.Client();
  const std::string token = client.RegisterAndLogin(server.DataDir(), "13900008801", "pw-12345");
  client.AddGroup(token, "g");
  // Several times the workers there are, from three addresses, each saying nothing.
  std::vector<std::unique_ptr<CRawConnection>> idle;
  for (const char* source : {"127.0.2.1", "127.0.2.2", "127.0.2.3"})
    for (auto& connection : openIdle(server.Port(), source, 100))
      idle.push_back(std::move(connection));
  CApiClient fresh = server.Client();
  const auto start = Clock::now();
  EXPECT_EQ(fresh.List(token).size(), 1u);
  // A worker held per connection made this wait for idle connections to be let go (seconds).
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
  size_t stillOpen = 0;
  for (const auto& connection : idle) stillOpen += connection->IsOpen();
  EXPECT_EQ(stillOpen, idle.size());
}

TEST(RefServerEdge, SlowClientsHoldNoWorker) {
  // Two workers: a worker waiting on any one of these clients would leave the list none.
  CTestServer server([](TServerOptions& options) { options.nWorkers = 2; });
  CApiClient client = server.Client();
  const std::string token = client.RegisterAndLogin(server.DataDir(), "13900008802", "pw-12345");
  std::vector<std::unique_ptr<CRawConnection>> slow;
  for (int i = 0; i < 10; ++i) {
    // Headers that never end, and a body that never comes.
    slow.push_back(std::make_unique<CRawConnection>(server.Port(), "127.0.2.10"));
    slow.back()->Send("POST /zoduda_vudi/quickMessage/list.do HTTP/1.1\r\nHost: x\r\n");
    slow.push_back(std::make_unique<CRawConnection>(server.Port(), "127.0.2.11"));
    slow.back()->Send(
        "POST /zoduda_vudi/quickMessage/list.do HTTP/1.1\r\nHost: x\r\nContent-Type: "
        "application/x-www-form-urlencoded\r\nContent-Length: 100\r\n\r\ntokenId=");
  }
  CApiClient fresh = server.Client();
  const auto start = Clock::now();
  EXPECT_EQ(fresh.List(token).size(), 0u);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
  size_t stillOpen = 0;
  for (const auto& connection : slow) stillOpen += connection->IsOpen();
  EXPECT_EQ(stillOpen, slow.size());
}

// Sockets of this process that a started program would inherit.
std::vector<std::string> inheritableSockets() {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
    if (ec || target.rfind("socket:", 0) != 0) continue;
    const int fd = std::stoi(entry.path().filename().string());
    const int flags = ::fcntl(fd, F_GETFD);
    if (flags >= 0 && !(flags & FD_CLOEXEC)) found.push_back(entry.path().filename().string());
  }
  return found;
}

TEST(RefServerEdge, ItsSocketsAreNotInheritedByProgramsTheProcessStarts) {
  CTestServer server;
  CRawConnection held(server.Port());  // opened close-on-exec, as the server's must be
  ASSERT_TRUE(held.Send("GET /zoduda_vudi/ HTTP/1.1\r\nHost: x\r\n\r\n"));
  CApiClient client = server.Client();
  client.RegisterAndLogin(server.DataDir(), "13900008809", "pw-12345");
  EXPECT_EQ(inheritableSockets(), std::vector<std::string>{});
}

TEST(RefServerEdge, ConnectionsFromOneAddressAreCapped) {
  CTestServer server([](TServerOptions& options) { options.nMaxConnectionsPerAddress = 4; });
  const auto held = openIdle(server.Port(), "127.0.3.1", 4);
  CRawConnection oneTooMany(server.Port(), "127.0.3.1");
  EXPECT_TRUE(oneTooMany.WaitClosed(std::chrono::seconds(1)));
  for (const auto& connection : held) EXPECT_TRUE(connection->IsOpen());
  // Another address is served as before.
  const Json::Value reply =
      PostFrom(server.Port(), "127.0.3.2", "common/version.do", "version=1.0");
  EXPECT_TRUE(reply.isObject()) << reply.toStyledString();
}

TEST(RefServerEdge, ConnectionsInAllAreCapped) {
  CTestServer server([](TServerOptions& options) { options.nMaxConnections = 6; });
  std::vector<std::unique_ptr<CRawConnection>> held;
  for (int i = 0; i < 6; ++i)
    held.push_back(
        std::make_unique<CRawConnection>(server.Port(), "127.0.4." + std::to_string(i + 1)));
  CRawConnection oneTooMany(server.Port(), "127.0.4.100");
  EXPECT_TRUE(oneTooMany.WaitClosed(std::chrono::seconds(1)));
  // A place freed is a place taken again.
  held.pop_back();
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  Json::Value reply;
  while (!reply.isObject() && Clock::now() < deadline)
    reply = PostFrom(server.Port(), "127.0.4.101", "common/version.do", "version=1.0");
  EXPECT_TRUE(reply.isObject());
}

}  // namespace
}  // namespace refserver::test
