// Load check of the reference server: 8 client threads on loopback doing list and add
// requests for up to 20 seconds against a freshly started refserver process. Prints
// requests per second, 50th and 99th percentile latencies and the error count.
//
//   refserver_load [--seconds N (1-20, default 20)] [--threads N (default 8)]
#include <httplib.h>
#include <json/json.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Messages per group before a thread starts a fresh group, so list replies stay the size
// an operator's library has rather than growing for the whole run.
constexpr int kMessagesPerGroup = 50;

struct TSample {
  double millis;
  bool list;
  bool failed;
};

struct TThreadResult {
  std::vector<TSample> samples;
};

struct TServer {
  pid_t pid = -1;
  int port = 0;
};

TServer startServer(const std::string& dataDir) {
  std::vector<std::string> args = {
      TC_REFSERVER_PROGRAM, "--port", "0", "--data", dataDir, "--quiet", "--fast-hash"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  TServer server;
  const int rc = posix_spawn(&server.pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    return {};
  }
  std::string line;
  char c = 0;
  while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  const size_t colon = line.rfind(':');
  server.port = colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
  return server;
}

Json::Value parse(const std::string& body) {
  Json::Value value;
  std::istringstream in(body);
  std::string errors;
  Json::parseFromStream(Json::CharReaderBuilder(), in, &value, &errors);
  return value;
}

bool ok(const httplib::Result& res, Json::Value* reply = nullptr) {
  if (!res || res->status != 200) return false;
  Json::Value value = parse(res->body);
  if (value["resultCode"].asInt() != 1) return false;
  if (reply) *reply = value;
  return true;
}

httplib::Result post(httplib::Client& client, const std::string& path, const std::string& body) {
  return client.Post(("/zoduda_vudi/" + path).c_str(), body, "application/x-www-form-urlencoded");
}

std::string readSmsCode(const std::string& dataDir, const std::string& phone) {
  std::ifstream in(dataDir + "/sms-codes.txt");
  std::string p, kind, code, last;
  while (in >> p >> kind >> code)
    if (p == phone) last = code;
  return last;
}

std::string signUp(httplib::Client& client, const std::string& dataDir, const std::string& phone) {
  if (!ok(post(client, "account/register/code.do", "phone=" + phone))) return {};
  const std::string code = readSmsCode(dataDir, phone);
  if (!ok(post(client, "account/register.do",
               "phone=" + phone + "&password=pw&company=c&contactName=n&sms=" + code)))
    return {};
  Json::Value reply;
  if (!ok(post(client, "account/login.do", "phone=" + phone + "&password=pw"), &reply)) return {};
  return reply["obj"]["logintoken"].asString();
}

std::string messageBody(std::int64_t groupId, int n) {
  // Form-encoded message object with one text item, as the workbench sends it.
  return "message=%7B%22contentTitle%22%3A%22t" + std::to_string(n) +
         "%22%2C%22leftRange%22%3A2%2C%22msgDetailList%22%3A%5B%7B%22detailType%22%3A1%2C"
         "%22msgDetail%22%3A%22%5B%7B%5C%22content%5C%22%3A%5C%22hello%5C%22%2C%5C%22type"
         "%5C%22%3A%5C%221%5C%22%7D%5D%22%2C%22sort%22%3A1%7D%5D%2C%22msgGroupId%22%3A%22" +
         std::to_string(groupId) + "%22%2C%22rightRange%22%3A200%7D";
}

std::int64_t newGroup(httplib::Client& client, const std::string& token) {
  Json::Value reply;
  if (!ok(post(client, "quickMessage/group/add.do", "groupTitle=load&tokenId=" + token), &reply))
    return 0;
  return reply["obj"].asInt64();
}

void runClient(int port, const std::string& token, Clock::time_point end, TThreadResult& result) {
  httplib::Client client("127.0.0.1", port);
  client.set_keep_alive(true);
  client.set_tcp_nodelay(true);  // as libcurl does; otherwise Nagle adds 40 ms per request
  std::int64_t groupId = newGroup(client, token);
  int inGroup = 0;
  for (int n = 0; Clock::now() < end; ++n) {
    const bool list = n % 2 == 0;
    const auto start = Clock::now();
    const bool good = list ? ok(post(client, "quickMessage/list.do", "tokenId=" + token))
                           : ok(post(client, "quickMessage/add.do",
                                     messageBody(groupId, n) + "&tokenId=" + token));
    const std::chrono::duration<double, std::milli> took = Clock::now() - start;
    result.samples.push_back({took.count(), list, !good});
    if (!list && ++inGroup >= kMessagesPerGroup) {
      post(client, "quickMessage/group/del.do",
           "msgGroupId=" + std::to_string(groupId) + "&tokenId=" + token);
      groupId = newGroup(client, token);
      inGroup = 0;
    }
  }
}

double percentile(std::vector<double>& values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
  return values[index];
}

void printLine(const char* label, std::vector<double> millis, double seconds, long errors) {
  const double p50 = percentile(millis, 0.50);
  const double p99 = percentile(millis, 0.99);
  std::printf("%-6s %8zu requests  %9.1f req/s  p50 %7.3f ms  p99 %7.3f ms  errors %ld\n", label,
              millis.size(), millis.size() / seconds, p50, p99, errors);
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 20;
  int threads = 8;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--seconds")
      seconds = std::clamp(std::atoi(argv[i + 1]), 1, 20);
    else if (arg == "--threads")
      threads = std::clamp(std::atoi(argv[i + 1]), 1, 64);
  }
  char pattern[] = "/tmp/refserver-load-XXXXXX";
  const std::string dataDir = mkdtemp(pattern) ? pattern : "/tmp/refserver-load";
  const TServer server = startServer(dataDir);
  if (server.port <= 0) {
    std::fprintf(stderr, "refserver did not start\n");
    return 1;
  }

  std::vector<std::string> tokens;
  httplib::Client setup("127.0.0.1", server.port);
  for (int t = 0; t < threads; ++t)
    tokens.push_back(signUp(setup, dataDir, "1390000" + std::to_string(1000 + t)));

  std::vector<TThreadResult> results(threads);
  std::vector<std::thread> workers;
  const auto begin = Clock::now();
  const auto end = begin + std::chrono::seconds(seconds);
  for (int t = 0; t < threads; ++t)
    workers.emplace_back(runClient, server.port, tokens[t], end, std::ref(results[t]));
  for (auto& w : workers) w.join();
  const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();

  kill(server.pid, SIGTERM);
  waitpid(server.pid, nullptr, 0);
  std::error_code ignored;
  std::filesystem::remove_all(dataDir, ignored);

  std::vector<double> all, lists, adds;
  long errors = 0, listErrors = 0, addErrors = 0;
  for (const auto& r : results) {
    for (const auto& s : r.samples) {
      all.push_back(s.millis);
      (s.list ? lists : adds).push_back(s.millis);
      errors += s.failed;
      (s.list ? listErrors : addErrors) += s.failed;
    }
  }
  std::printf("refserver load: %d threads, %.1f s, loopback\n", threads, elapsed);
  printLine("list", lists, elapsed, listErrors);
  printLine("add", adds, elapsed, addErrors);
  printLine("total", all, elapsed, errors);
  return errors == 0 ? 0 : 1;
}
