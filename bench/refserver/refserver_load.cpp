// Load check of the reference server on loopback, against a freshly started refserver
// process. Prints figures; never fails on a timing, only on requests that failed and on the
// edge goals that hold on a loaded machine (see EdgeLoad.h).
//
// Phases, each for --seconds (1-20, default 10) with --threads clients (default 8):
//   list, keep-alive            every thread lists its own small library on one connection
//   list, new connections       the same with a new connection per request, as the
//                               workbench's libcurl client connects
//   (the two again after another account got 50,000 messages)
//   the edge goals (EdgeLoad.h): a small list under idle, slowloris, slow-reader and
//                               login-flood attackers, and the 50,000-message list at
//                               64 clients; printed as goal, figure and met or not
//   list and add                half lists, half adds; a thread stops adding at its first
//                               failed add and reports that failure, not its follow-ons
// Beside our own figures, ab (apache2-utils) runs the same list requests with the same
// client count, when it is installed.
// Then a library of 10,000 messages in 200 groups: one list plain and one gzip-compressed,
// 16 such lists at once, and the server's peak memory meanwhile.
//
//   refserver_load [--seconds N] [--threads N] [--program PATH]
//
// --program runs another build of the server (an older one, to compare on the same load).
//
// The large libraries are written straight into the server's database (a second SQLite
// connection, which WAL mode allows beside the running server): adding 60,000 messages
// through the API would take longer than the load run itself.
#include "EdgeLoad.h"

#include "refserver/FormBody.h"
#include "tests/support/RefServerProcess.h"
#include "tests/support/TempDir.h"

#include <httplib.h>
#include <json/json.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Messages per group before a thread starts a fresh group, so list replies stay the size
// an operator's library has rather than growing for the whole run.
constexpr int kMessagesPerGroup = 50;

// The running server: its process (for the memory figures), port and data folder.
struct TServer {
  pid_t pid = -1;
  int port = 0;
  std::string dataDir;
};

Json::Value parse(const std::string& body) {
  Json::Value value;
  std::istringstream in(body);
  std::string errors;
  Json::parseFromStream(Json::CharReaderBuilder(), in, &value, &errors);
  return value;
}

// The outcome of one request: empty when it succeeded, else what went wrong.
std::string failureOf(const httplib::Result& res, Json::Value* reply = nullptr) {
  if (!res) return "transport: " + httplib::to_string(res.error());
  if (res->status != 200) return "HTTP " + std::to_string(res->status) + ": " + res->body;
  Json::Value value = parse(res->body);
  if (value["resultCode"].asInt() != 1)
    return "resultCode " + value["resultCode"].asString() + ": " + value["resultMsg"].asString();
  if (reply) *reply = value;
  return {};
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
  if (!failureOf(post(client, "account/register/code.do", "phone=" + phone)).empty()) return {};
  const std::string code = readSmsCode(dataDir, phone);
  if (!failureOf(post(client, "account/register.do",
                      "phone=" + phone + "&password=pw-12345&company=c&contactName=n&sms=" + code))
           .empty())
    return {};
  Json::Value reply;
  if (!failureOf(post(client, "account/login.do", "phone=" + phone + "&password=pw-12345"), &reply)
           .empty())
    return {};
  return reply["obj"]["logintoken"].asString();
}

// A message object with one text item, as the workbench writes it.
std::string messageJson(std::int64_t groupId, int n) {
  return R"({"contentTitle":"t)" + std::to_string(n) +
         R"(","leftRange":2,"msgDetailList":[{"detailType":1,"msgDetail":"[{\"content\":\")"
         R"(您好，欢迎光临本店，请问有什么可以帮您？这是第)" +
         std::to_string(n) + R"(条快捷语。\",\"type\":\"1\"}]","sort":1}],"msgGroupId":")" +
         std::to_string(groupId) + R"(","rightRange":200})";
}

std::int64_t newGroup(httplib::Client& client, const std::string& token) {
  Json::Value reply;
  if (!failureOf(post(client, "quickMessage/group/add.do", "groupTitle=load&tokenId=" + token),
                 &reply)
           .empty())
    return 0;
  return reply["obj"].asInt64();
}

// ---- results ----

struct TSample {
  double millis;
  bool list;
  bool failed;
};

struct TThreadResult {
  std::vector<TSample> samples;
  std::string firstFailure;
  bool addsStopped = false;
};

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
  return values[index];
}

void printLine(const char* label, const std::vector<double>& millis, double seconds, long errors) {
  std::printf("  %-30s %8zu req  %8.1f req/s  p50 %7.2f ms  p99 %7.2f ms  errors %ld\n", label,
              millis.size(), millis.size() / seconds, percentile(millis, 0.50),
              percentile(millis, 0.99), errors);
}

// Prints the phase's figures; returns its error count.
long report(const char* label, const std::vector<TThreadResult>& results, double seconds,
            bool split) {
  std::vector<double> lists, adds;
  long listErrors = 0, addErrors = 0;
  for (const auto& r : results)
    for (const auto& s : r.samples) {
      (s.list ? lists : adds).push_back(s.millis);
      (s.list ? listErrors : addErrors) += s.failed;
    }
  if (split) {
    printLine((std::string(label) + ": list").c_str(), lists, seconds, listErrors);
    printLine((std::string(label) + ": add").c_str(), adds, seconds, addErrors);
  } else {
    printLine(label, lists, seconds, listErrors);
  }
  for (size_t t = 0; t < results.size(); ++t)
    if (!results[t].firstFailure.empty())
      std::printf("    thread %zu first failure: %s%s\n", t, results[t].firstFailure.c_str(),
                  results[t].addsStopped ? " (its adds stopped there)" : "");
  return listErrors + addErrors;
}

// ---- phases ----

void listLoop(int port, const std::string& token, bool keepAlive, Clock::time_point end,
              TThreadResult& result) {
  httplib::Client client("127.0.0.1", port);
  client.set_keep_alive(keepAlive);
  client.set_tcp_nodelay(true);  // as libcurl does; otherwise Nagle adds 40 ms per request
  while (Clock::now() < end) {
    const auto start = Clock::now();
    const std::string failure = failureOf(post(client, "quickMessage/list.do", "tokenId=" + token));
    const std::chrono::duration<double, std::milli> took = Clock::now() - start;
    result.samples.push_back({took.count(), true, !failure.empty()});
    if (!failure.empty() && result.firstFailure.empty()) result.firstFailure = failure;
  }
}

void mixedLoop(int port, const std::string& token, Clock::time_point end, TThreadResult& result) {
  httplib::Client client("127.0.0.1", port);
  client.set_keep_alive(true);
  client.set_tcp_nodelay(true);
  std::int64_t groupId = newGroup(client, token);
  if (groupId == 0) {
    result.firstFailure = "could not add a group";
    result.addsStopped = true;
  }
  int inGroup = 0;
  for (int n = 0; Clock::now() < end; ++n) {
    const bool list = n % 2 == 0 || result.addsStopped;
    const auto start = Clock::now();
    const std::string failure =
        list ? failureOf(post(client, "quickMessage/list.do", "tokenId=" + token))
             : failureOf(post(client, "quickMessage/add.do",
                              "message=" + refserver::PercentEncode(messageJson(groupId, n)) +
                                  "&tokenId=" + token));
    const std::chrono::duration<double, std::milli> took = Clock::now() - start;
    result.samples.push_back({took.count(), list, !failure.empty()});
    if (!failure.empty() && result.firstFailure.empty()) result.firstFailure = failure;
    // Every later add would fail the same way (a lost group, a revoked token): one
    // failure is reported, not a run of follow-ons.
    if (!failure.empty() && !list) result.addsStopped = true;
    if (!list && failure.empty() && ++inGroup >= kMessagesPerGroup) {
      post(client, "quickMessage/group/del.do",
           "msgGroupId=" + std::to_string(groupId) + "&tokenId=" + token);
      groupId = newGroup(client, token);
      inGroup = 0;
      if (groupId == 0) result.addsStopped = true;
    }
  }
}

template <typename Loop>
long runPhase(const char* label, const std::vector<std::string>& tokens, int seconds, bool split,
              Loop loop) {
  std::vector<TThreadResult> results(tokens.size());
  std::vector<std::thread> workers;
  const auto begin = Clock::now();
  const auto end = begin + std::chrono::seconds(seconds);
  for (size_t t = 0; t < tokens.size(); ++t)
    workers.emplace_back([&, t] { loop(tokens[t], end, results[t]); });
  for (auto& w : workers) w.join();
  const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
  return report(label, results, elapsed, split);
}

// ---- ab, side by side ----

std::string runCommand(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

std::string fieldAfter(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  if (at == std::string::npos) return "?";
  std::istringstream in(text.substr(at + label.size()));
  std::string value;
  in >> value;
  return value;
}

// ab sends one token's list for the time given; -k keeps connections alive.
long runAb(const char* label, const TServer& server, const std::string& token, int clients,
           int seconds, bool keepAlive) {
  if (runCommand("command -v ab").empty()) {
    std::printf("  %-30s ab not installed (apache2-utils)\n", label);
    return 0;
  }
  const std::string bodyFile = server.dataDir + "/ab-body.txt";
  std::ofstream(bodyFile) << "tokenId=" << token;
  const std::string output = runCommand(
      "ab -q -r " + std::string(keepAlive ? "-k " : "") + "-c " + std::to_string(clients) + " -t " +
      std::to_string(seconds) + " -n 10000000 -p " + bodyFile +
      " -T application/x-www-form-urlencoded http://127.0.0.1:" + std::to_string(server.port) +
      "/zoduda_vudi/quickMessage/list.do 2>&1");
  const std::string failed = fieldAfter(output, "Failed requests:");
  const std::string non2xx = output.find("Non-2xx responses:") == std::string::npos
                                 ? "0"
                                 : fieldAfter(output, "Non-2xx responses:");
  std::printf("  %-30s %8s req  %8s req/s  p50 %7s ms  p99 %7s ms  errors %s (non-2xx %s)\n", label,
              fieldAfter(output, "Complete requests:").c_str(),
              fieldAfter(output, "Requests per second:").c_str(),
              fieldAfter(output, "  50%").c_str(), fieldAfter(output, "  99%").c_str(),
              failed.c_str(), non2xx.c_str());
  return (failed == "0" || failed == "?") && non2xx == "0" ? 0 : 1;
}

// ---- large libraries, written straight into the database ----

bool exec(sqlite3* db, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) == SQLITE_OK) return true;
  std::fprintf(stderr, "sqlite: %s\n", error ? error : "?");
  sqlite3_free(error);
  return false;
}

// Gives the account of `phone` `groups` groups of `perGroup` messages each.
bool fillLibrary(const std::string& dbPath, const std::string& phone, int groups, int perGroup) {
  sqlite3* db = nullptr;
  if (sqlite3_open(dbPath.c_str(), &db) != SQLITE_OK) return false;
  sqlite3_busy_timeout(db, 10000);
  bool ok = exec(db, "BEGIN IMMEDIATE");
  std::int64_t account = 0;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT id FROM accounts WHERE phone = ?", -1, &st, nullptr);
  sqlite3_bind_text(st, 1, phone.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(st) == SQLITE_ROW) account = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  ok = ok && account != 0;
  sqlite3_stmt* group = nullptr;
  sqlite3_stmt* message = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO msg_groups(account_id, title) VALUES(?, ?)", -1, &group,
                     nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO messages(account_id, group_id, body) VALUES(?, ?, ?)", -1,
                     &message, nullptr);
  for (int g = 0; ok && g < groups; ++g) {
    sqlite3_bind_int64(group, 1, account);
    sqlite3_bind_text(group, 2, ("分组" + std::to_string(g)).c_str(), -1, SQLITE_TRANSIENT);
    ok = sqlite3_step(group) == SQLITE_DONE;
    sqlite3_reset(group);
    const std::int64_t groupId = sqlite3_last_insert_rowid(db);
    for (int m = 0; ok && m < perGroup; ++m) {
      sqlite3_bind_int64(message, 1, account);
      sqlite3_bind_int64(message, 2, groupId);
      const std::string body = messageJson(groupId, g * perGroup + m);
      sqlite3_bind_text(message, 3, body.c_str(), -1, SQLITE_TRANSIENT);
      ok = sqlite3_step(message) == SQLITE_DONE;
      sqlite3_reset(message);
    }
  }
  sqlite3_finalize(group);
  sqlite3_finalize(message);
  // Each stored object names its own id, as the server writes it.
  ok = ok &&
       exec(db, ("UPDATE messages SET body = json_set(body, '$.msgContentId', CAST(id AS TEXT)) "
                 "WHERE account_id = " +
                 std::to_string(account))
                    .c_str());
  ok = exec(db, ok ? "COMMIT" : "ROLLBACK") && ok;
  sqlite3_close(db);
  return ok;
}

long statusKb(pid_t pid, const char* field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return -1;
}

double timedList(int port, const std::string& token, bool gzip, size_t& bytes, bool& ok) {
  httplib::Client client("127.0.0.1", port);
  client.set_tcp_nodelay(true);
  client.set_read_timeout(60, 0);
  client.set_decompress(false);
  httplib::Headers headers;
  if (gzip) headers.emplace("Accept-Encoding", "gzip");
  const auto start = Clock::now();
  const auto res = client.Post("/zoduda_vudi/quickMessage/list.do", headers, "tokenId=" + token,
                               "application/x-www-form-urlencoded");
  const std::chrono::duration<double, std::milli> took = Clock::now() - start;
  ok = res && res->status == 200 && (!gzip || res->get_header_value("Content-Encoding") == "gzip");
  bytes = res ? res->body.size() : 0;
  return took.count();
}

long runLargeLibrary(const TServer& server, const std::string& token) {
  long errors = 0;
  size_t plainBytes = 0, gzipBytes = 0;
  bool ok = false;
  timedList(server.port, token, false, plainBytes, ok);  // warm the page cache
  const double plain = timedList(server.port, token, false, plainBytes, ok);
  errors += !ok;
  const double gzip = timedList(server.port, token, true, gzipBytes, ok);
  errors += !ok;
  std::printf("  one list, plain                %7.1f ms  %9zu bytes\n", plain, plainBytes);
  std::printf("  one list, gzip                 %7.1f ms  %9zu bytes%s\n", gzip, gzipBytes,
              ok ? "" : "  (not compressed!)");

  // Peak memory of the 16 at once: reset the high-water mark first.
  std::ofstream("/proc/" + std::to_string(server.pid) + "/clear_refs") << "5";
  const long rssBefore = statusKb(server.pid, "VmRSS:");
  std::vector<double> took(16);
  std::vector<char> good(16);
  std::vector<std::thread> workers;
  for (size_t i = 0; i < took.size(); ++i)
    workers.emplace_back([&, i] {
      size_t bytes = 0;
      bool listed = false;
      took[i] = timedList(server.port, token, true, bytes, listed);
      good[i] = listed;
    });
  for (auto& w : workers) w.join();
  for (const char g : good) errors += !g;
  std::printf("  16 gzip lists at once          slowest %7.1f ms  median %7.1f ms\n",
              *std::max_element(took.begin(), took.end()), percentile(took, 0.5));
  std::printf("  server memory                  before %ld MiB  peak during %ld MiB\n",
              rssBefore / 1024, statusKb(server.pid, "VmHWM:") / 1024);
  return errors;
}

double loadAverage() {
  double one = 0;
  std::ifstream("/proc/loadavg") >> one;
  return one;
}

long listenOverflows() {
  std::ifstream in("/proc/net/netstat");
  std::string names, values;
  while (std::getline(in, names) && std::getline(in, values)) {
    if (names.rfind("TcpExt:", 0) != 0) continue;
    std::istringstream n(names), v(values);
    std::string name, value;
    while (n >> name && v >> value)
      if (name == "ListenOverflows") return std::atol(value.c_str());
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  // 2,000 idle connections and more are held from this one process.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  int seconds = 10;
  int threads = 8;
  std::string program = TC_REFSERVER_PROGRAM;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--program")
      program = argv[i + 1];
    else if (arg == "--seconds")
      seconds = std::clamp(std::atoi(argv[i + 1]), 1, 20);
    else if (arg == "--threads")
      threads = std::clamp(std::atoi(argv[i + 1]), 1, 64);
  }
  testing_support::TempDir folder("refserver-load");
  std::unique_ptr<testing_support::RefServerProcess> process;
  try {
    process = std::make_unique<testing_support::RefServerProcess>(program, folder.path() + "/data");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "refserver did not start: %s\n", error.what());
    return 1;
  }
  const TServer server{process->Pid(), process->Port(), folder.path() + "/data"};

  httplib::Client setup("127.0.0.1", server.port);
  std::vector<std::string> tokens;
  for (int t = 0; t < threads; ++t) {
    const std::string phone = "1390000" + std::to_string(1000 + t);
    tokens.push_back(signUp(setup, server.dataDir, phone));
    // A small library of its own: two groups of five messages.
    for (int g = 0; g < 2; ++g) {
      const std::int64_t groupId = newGroup(setup, tokens.back());
      for (int m = 0; m < 5; ++m)
        post(setup, "quickMessage/add.do",
             "message=" + refserver::PercentEncode(messageJson(groupId, m)) +
                 "&tokenId=" + tokens.back());
    }
  }
  const std::string crowded = signUp(setup, server.dataDir, "13900009998");
  const std::string large = signUp(setup, server.dataDir, "13900009999");
  if (std::count(tokens.begin(), tokens.end(), std::string()) > 0 || large.empty()) {
    std::fprintf(stderr, "could not sign up the load accounts\n");
    return 1;
  }

  std::printf("refserver load: %d clients, %d s a phase, loopback, load average %.2f, %u cores\n",
              threads, seconds, loadAverage(), std::thread::hardware_concurrency());
  const long overflowsBefore = listenOverflows();
  long errors = 0;
  const auto listPhases = [&](const char* keepLabel, const char* newLabel) {
    errors += runPhase(keepLabel, tokens, seconds, false, [&](auto& token, auto end, auto& r) {
      listLoop(server.port, token, true, end, r);
    });
    errors += runAb("  ab -k, same list", server, tokens[0], threads, seconds, true);
    errors += runPhase(newLabel, tokens, seconds, false, [&](auto& token, auto end, auto& r) {
      listLoop(server.port, token, false, end, r);
    });
    errors += runAb("  ab, same list", server, tokens[0], threads, seconds, false);
  };
  listPhases("list, keep-alive", "list, new connections");
  // With a worker thread per connection, on this machine: the floor the loop must not fall
  // below. Compare on a similar load average.
  std::printf("  before the event loop: keep-alive 4724 req/s, new connections 4406 req/s\n");

  if (!fillLibrary(server.dataDir + "/refserver.db", "13900009998", 100, 500)) {
    std::fprintf(stderr, "could not fill the crowded account\n");
    return 1;
  }
  std::printf("another account now holds 50,000 messages\n");
  listPhases("list, keep-alive", "list, new connections");

  // The edge's goals are printed with their figures; only the robust ones fail the run.
  const long missed = RunEdgeGoals({server.pid, server.port, tokens[0], crowded}, seconds);

  errors += runPhase("list and add", tokens, seconds, true, [&](auto& token, auto end, auto& r) {
    mixedLoop(server.port, token, end, r);
  });
  std::printf("listen overflows on this machine during the run: %ld\n",
              listenOverflows() - overflowsBefore);

  std::printf("a library of 10,000 messages in 200 groups:\n");
  if (!fillLibrary(server.dataDir + "/refserver.db", "13900009999", 200, 50)) {
    std::fprintf(stderr, "could not fill the large account\n");
    return 1;
  }
  errors += runLargeLibrary(server, large);
  std::printf("load average at the end %.2f\n", loadAverage());

  process->Terminate();
  std::printf("%ld failed requests, %ld edge goals missed\n", errors, missed);
  return errors == 0 && missed == 0 ? 0 : 1;
}
