// Connection reuse of the server client: 1,000 quick-message list requests against the
// reference server on loopback with a new connection for each request, and the same with
// the connection kept between requests, side by side in one run (alternating rounds, so
// that a change in the machine's load falls on both). Prints the time per request and
// the ratio; the goal is reuse at least 1.5 times faster.
//
//   server_bench [--requests N (default 1000)] [--messages N (default 20)]
#include "app/Settings.h"
#include "refserver/Database.h"
#include "refserver/QuickMessageStore.h"
#include "refserver/RefServer.h"
#include "server/ConnServer.h"
#include "server/CurlTransport.h"
#include "server/ServerTransport.h"

#include <json/json.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 4;  // per mode, alternating

struct TMode {
  const char* name;
  CCurlTransport transport;
  std::vector<double> millisPerRequest;  // one figure per round
  int failures = 0;
};

void fillLibrary(const std::string& dbPath, int messages) {
  refserver::CDatabase db(dbPath);
  refserver::CQuickMessageStore store(db);
  const std::int64_t account = 1;  // the demo account, the first one
  const std::int64_t group = store.AddGroup(account, "常用");
  for (int m = 0; m < messages; ++m) {
    Json::Value message;
    Json::Reader().parse(
        R"({"contentTitle":"快捷语)" + std::to_string(m) +
            R"(","leftRange":2,"rightRange":200,"msgDetailList":[{"detailType":1,)"
            R"("msgDetail":"[{\"content\":\"亲，您好\",\"type\":\"1\"}]","sort":1}]})",
        message);
    message["msgGroupId"] = std::to_string(group);
    store.AddMessage(account, message);
  }
}

// Runs `requests` list requests on this thread; returns milliseconds per request.
double runRound(TMode& mode, const std::string& token, int requests) {
  SetServerTransport(&mode.transport);
  const auto start = Clock::now();
  for (int i = 0; i < requests; ++i) {
    CConnServer conn;
    CDuiString path;
    if (conn.GetShortcutList(token.c_str(), &path) != 0) ++mode.failures;
  }
  const std::chrono::duration<double, std::milli> took = Clock::now() - start;
  CCurlTransport::CloseThreadConnections();
  SetServerTransport(nullptr);
  return took.count() / requests;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int requests = 1000;
  int messages = 20;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--requests") requests = std::clamp(std::atoi(argv[i + 1]), 1, 100000);
    if (arg == "--messages") messages = std::clamp(std::atoi(argv[i + 1]), 0, 10000);
  }
  char pattern[] = "/tmp/tc-server-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path root = pattern;
  fs::create_directories(root / "program");
  fs::create_directories(root / "config" / "orvo2");
  setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
  SetProgramFolder((root / "program").string() + "/");

  refserver::TServerOptions options;
  options.nPort = 0;
  options.sDataDir = (root / "server").string();
  options.bFastHash = true;
  options.bQuiet = true;
  fs::create_directories(options.sDataDir);
  refserver::CRefServer server(options);
  server.Seed();
  fillLibrary(options.DbPath(), messages);
  server.Start();
  std::ofstream(root / "program" / "sys.cfg")
      << "[SYSTEM]\nWebServer=http://127.0.0.1:" << server.Port() << "/\n";

  CConnServer login;
  if (login.Login(refserver::CRefServer::kDemoPhone, refserver::CRefServer::kDemoPassword) != 0) {
    std::printf("login failed: %s\n", login.m_strResultMsg.GetData());
    return 1;
  }
  const std::string token = login.m_strLoginToken.str();
  CDuiString listPath;
  CConnServer probe;
  probe.GetShortcutList(token.c_str(), &listPath);
  const auto replyBytes = fs::file_size(listPath.str());

  TMode modes[] = {{"new connection", CCurlTransport(false), {}, 0},
                   {"reuse", CCurlTransport(true), {}, 0}};
  for (int round = 0; round < kRounds; ++round)
    for (TMode& mode : modes) mode.millisPerRequest.push_back(runRound(mode, token, requests));

  std::printf("%d list requests per round, %d rounds per mode, list reply %ju bytes\n", requests,
              kRounds, static_cast<std::uintmax_t>(replyBytes));
  for (const TMode& mode : modes)
    std::printf("%-15s median %7.3f ms/request  %8.1f requests/s  failures %d\n", mode.name,
                median(mode.millisPerRequest), 1000.0 / median(mode.millisPerRequest),
                mode.failures);
  std::printf("reuse is %.2f times as fast (goal: at least 1.5)\n",
              median(modes[0].millisPerRequest) / median(modes[1].millisPerRequest));

  CCurlTransport::CloseThreadConnections();
  server.Stop();
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
