// Connection reuse of the server client: 1,000 quick-message list requests against the
// reference server on loopback with a new connection for each request, and 1,000 with the
// connection kept between requests, side by side in one run. The two run in alternating
// blocks of a few requests, so that a change in the (shared) machine's load falls on both.
// Prints the time per request and the ratio; the goal is reuse at least 1.5 times faster.
//
//   server_bench [--requests N (default 1000)] [--messages N (default 20)]
#include "app/Settings.h"
#include "bench/support/BenchServer.h"
#include "refserver/Database.h"
#include "refserver/QuickMessageStore.h"
#include "server/ConnServer.h"
#include "server/CurlTransport.h"
#include "server/ServerTransport.h"

#include <json/json.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBlock = 20;  // requests of one mode before the other mode's turn

// The libcurl transport with the time spent inside it counted, so that the transfer is told
// apart from the reply file and the JSON reading around it.
class CTimedTransport : public IServerTransport {
 public:
  explicit CTimedTransport(bool reuse) : m_inner(reuse) {}
  bool Transfer(const std::string& url, const std::string& body, std::FILE* file,
                const TTransferOptions& options) override {
    const auto start = Clock::now();
    const bool done = m_inner.Transfer(url, body, file, options);
    m_transferMillis += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return done;
  }
  std::string PostForm(const std::string& url, const std::vector<TMultipartField>& fields,
                       const std::vector<std::string>& headers) override {
    return m_inner.PostForm(url, fields, headers);
  }
  double TransferMillis() const { return m_transferMillis; }

 private:
  CCurlTransport m_inner;
  double m_transferMillis = 0;
};

struct TMode {
  const char* name;
  CTimedTransport transport;
  std::vector<double> millisPerRequest;  // one figure per block
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

// Runs `requests` list requests on this thread; returns milliseconds per request. The kept
// connection stays open from one block of the reusing mode to its next.
double runBlock(TMode& mode, const std::string& token, int requests) {
  SetServerTransport(&mode.transport);
  const auto start = Clock::now();
  for (int i = 0; i < requests; ++i) {
    CConnServer conn;
    CDuiString path;
    if (conn.GetShortcutList(token.c_str(), &path) != 0) ++mode.failures;
  }
  const std::chrono::duration<double, std::milli> took = Clock::now() - start;
  SetServerTransport(nullptr);
  return took.count() / requests;
}

double total(const std::vector<double>& values) {
  double sum = 0;
  for (const double value : values) sum += value;
  return sum;
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

  CBenchServer server(root, [messages](const std::string& db) { fillLibrary(db, messages); });
  CConnServer login;
  if (!CBenchServer::SignIn(login)) return 1;
  const std::string token = login.m_strLoginToken.str();
  CDuiString listPath;
  CConnServer probe;
  probe.GetShortcutList(token.c_str(), &listPath);
  const auto replyBytes = fs::file_size(listPath.str());

  TMode modes[] = {{"new connection", CTimedTransport(false), {}, 0},
                   {"reuse", CTimedTransport(true), {}, 0}};
  for (int done = 0; done < requests; done += kBlock)
    for (TMode& mode : modes)
      mode.millisPerRequest.push_back(runBlock(mode, token, std::min(kBlock, requests - done)));

  std::printf("%d list requests per mode in blocks of %d, list reply %ju bytes\n", requests, kBlock,
              static_cast<std::uintmax_t>(replyBytes));
  for (const TMode& mode : modes) {
    const double mean = total(mode.millisPerRequest) / mode.millisPerRequest.size();
    std::printf(
        "%-15s mean %7.3f ms/request (block median %7.3f, transfer %7.3f)  %8.1f requests/s"
        "  failures %d\n",
        mode.name, mean, median(mode.millisPerRequest), mode.transport.TransferMillis() / requests,
        1000.0 / mean, mode.failures);
  }
  std::printf("reuse is %.2f times as fast (goal: at least 1.5)\n",
              total(modes[0].millisPerRequest) / total(modes[1].millisPerRequest));

  CCurlTransport::CloseThreadConnections();
  server.Stop();
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
