#include "EdgeLoad.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kIdle = 2000;
constexpr int kSlowloris = 200;
constexpr int kSlowReaders = 64;
constexpr int kFloodAddresses = 100;
constexpr int kFloodThreads = 16;
constexpr int kLargeClients = 64;

// A connection to the server from 127.0.<a>.<b>; -1 when it cannot be made.
int connectFrom(int port, int n) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in from{};
  from.sin_family = AF_INET;
  from.sin_addr.s_addr = htonl(0x7F000000u | (static_cast<unsigned>(1 + n / 250) << 8) |
                               static_cast<unsigned>(1 + n % 250));
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
      ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void sendAll(int fd, const std::string& bytes) {
  ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

// True when the server closed (or reset) the connection; drops what it sent.
bool closedByServer(int fd) {
  pollfd pfd{fd, POLLIN, 0};
  if (::poll(&pfd, 1, 0) <= 0) return false;
  char buffer[4096];
  return ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) <= 0;
}

std::string listRequest(const std::string& token, const char* encoding) {
  const std::string body = "tokenId=" + token;
  return "POST /zoduda_vudi/quickMessage/list.do HTTP/1.1\r\nHost: 127.0.0.1\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\nAccept-Encoding: " +
         std::string(encoding) + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
         body;
}

// Keeps `count` connections of a kind open until the end, opening a new one for each the
// server closes; `begin` is what a new connection sends, `tick` what it sends each second.
void holdConnections(int port, int count, int firstAddress, const std::string& begin,
                     const std::string& tick, int receiveBuffer, Clock::time_point end,
                     std::atomic<long>& opened) {
  std::vector<int> fds(static_cast<size_t>(count), -1);
  auto lastTick = Clock::now();
  while (Clock::now() < end) {
    for (int i = 0; i < count && Clock::now() < end; ++i) {
      int& fd = fds[static_cast<size_t>(i)];
      if (fd >= 0 && begin.size() < 1000 && closedByServer(fd)) {
        ::close(fd);
        fd = -1;
      }
      if (fd >= 0) continue;
      fd = connectFrom(port, firstAddress + i);
      if (fd < 0) continue;
      if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
      ++opened;
      if (!begin.empty()) sendAll(fd, begin);
    }
    if (!tick.empty() && Clock::now() - lastTick >= std::chrono::seconds(1)) {
      lastTick = Clock::now();
      for (const int fd : fds)
        if (fd >= 0) sendAll(fd, tick);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  for (const int fd : fds)
    if (fd >= 0) ::close(fd);
}

void loginFlood(int port, int thread, Clock::time_point end, std::atomic<long>& sent) {
  for (int n = 0; Clock::now() < end; ++n) {
    const int address = (thread + n * kFloodThreads) % kFloodAddresses;
    const int fd = connectFrom(port, 1000 + address);
    if (fd < 0) continue;
    const std::string body = "phone=1390001" + std::to_string(1000 + (n % 1000)) +
                             "&password=guess-" + std::to_string(n);
    sendAll(fd,
            "POST /zoduda_vudi/account/login.do HTTP/1.1\r\nHost: 127.0.0.1\r\n"
            "Connection: close\r\nContent-Type: application/x-www-form-urlencoded\r\n"
            "Content-Length: " +
                std::to_string(body.size()) + "\r\n\r\n" + body);
    pollfd pfd{fd, POLLIN, 0};
    ::poll(&pfd, 1, 2000);
    ::close(fd);
    ++sent;
  }
}

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(p * values.size()))];
}

long statusKb(pid_t pid, const char* field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return -1;
}

double loadAverage() {
  double one = 0;
  std::ifstream("/proc/loadavg") >> one;
  return one;
}

// Timed gzip lists of one token from `clients` threads, each on a kept-alive connection.
void timedLists(int port, const std::string& token, int clients, Clock::time_point end,
                std::vector<double>& millis, long& failures) {
  std::vector<std::vector<double>> took(static_cast<size_t>(clients));
  std::vector<long> failed(static_cast<size_t>(clients));
  std::vector<std::thread> workers;
  for (int c = 0; c < clients; ++c)
    workers.emplace_back([&, c] {
      httplib::Client client("127.0.0.1", port);
      client.set_tcp_nodelay(true);
      client.set_decompress(false);
      client.set_read_timeout(10, 0);  // the workbench's own bound
      while (Clock::now() < end) {
        const auto start = Clock::now();
        const auto res =
            client.Post("/zoduda_vudi/quickMessage/list.do", {{"Accept-Encoding", "gzip"}},
                        "tokenId=" + token, "application/x-www-form-urlencoded");
        took[static_cast<size_t>(c)].push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!res || res->status != 200) ++failed[static_cast<size_t>(c)];
      }
    });
  for (auto& w : workers) w.join();
  for (int c = 0; c < clients; ++c) {
    millis.insert(millis.end(), took[static_cast<size_t>(c)].begin(),
                  took[static_cast<size_t>(c)].end());
    failures += failed[static_cast<size_t>(c)];
  }
}

const char* verdict(bool met) {
  return met ? "met" : "NOT MET";
}

}  // namespace

long RunEdgeGoals(const TEdgeTarget& target, int seconds) {
  const int phase = std::max(seconds, 3);
  std::printf("edge goals (%d s under attack, load average %.2f):\n", phase, loadAverage());
  std::ofstream("/proc/" + std::to_string(target.pid) + "/clear_refs") << "5";

  const auto end = Clock::now() + std::chrono::seconds(phase);
  std::atomic<long> idleOpened = 0, lorisOpened = 0, readersOpened = 0, logins = 0;
  std::vector<std::thread> attackers;
  attackers.emplace_back(
      [&] { holdConnections(target.port, kIdle, 0, {}, {}, 0, end, idleOpened); });
  attackers.emplace_back([&] {
    holdConnections(target.port, kSlowloris, 2500,
                    "POST /zoduda_vudi/quickMessage/list.do HTTP/1.1\r\nHost: x\r\n", "X", 0, end,
                    lorisOpened);
  });
  attackers.emplace_back([&] {
    // Plain (15 MB) replies nobody reads; a small receive buffer keeps them in the server.
    std::string requests;
    for (int i = 0; i < 4; ++i) requests += listRequest(target.sLargeToken, "identity");
    holdConnections(target.port, kSlowReaders, 3000, requests, {}, 4096, end, readersOpened);
  });
  for (int t = 0; t < kFloodThreads; ++t)
    attackers.emplace_back([&, t] { loginFlood(target.port, t, end, logins); });

  // The well-behaved client starts once the attackers are in place.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  std::vector<double> small;
  long smallFailures = 0;
  timedLists(target.port, target.sSmallToken, 1, end, small, smallFailures);
  for (auto& a : attackers) a.join();
  const long peakMiB = statusKb(target.pid, "VmHWM:") / 1024;

  const double p99 = percentile(small, 0.99);
  std::printf(
      "  attackers: %ld idle, %ld slowloris, %ld slow-reader connections opened; "
      "%ld flood logins\n",
      idleOpened.load(), lorisOpened.load(), readersOpened.load(), logins.load());
  std::printf(
      "  goal: small list p99 < 50 ms, never fails   figure: %zu calls, p50 %.1f ms, "
      "p99 %.1f ms, %ld failed   %s\n",
      small.size(), percentile(small, 0.5), p99, smallFailures,
      verdict(p99 < 50 && smallFailures == 0 && !small.empty()));
  std::printf("  goal: server memory < 300 MB                figure: peak %ld MiB   %s\n", peakMiB,
              verdict(peakMiB >= 0 && peakMiB < 300));

  // Idle connections the server still holds must not count against the next goal.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  std::vector<double> large;
  long largeFailures = 0;
  const auto largeBegin = Clock::now();
  timedLists(target.port, target.sLargeToken, kLargeClients,
             largeBegin + std::chrono::seconds(phase), large, largeFailures);
  const double largeSeconds = std::chrono::duration<double>(Clock::now() - largeBegin).count();
  const double rate = large.size() / largeSeconds;
  const double largeP99 = percentile(large, 0.99);
  std::printf(
      "  goal: 50,000-message list, 64 clients: >= 200/s, p99 < 2 s   figure: %.1f/s, "
      "p99 %.0f ms, %ld failed   %s\n",
      rate, largeP99, largeFailures, verdict(rate >= 200 && largeP99 < 2000 && largeFailures == 0));
  std::printf("  load average after %.2f\n", loadAverage());
  const bool memoryMet = peakMiB >= 0 && peakMiB < 300;
  return (smallFailures > 0 || small.empty() ? 1 : 0) + (memoryMet ? 0 : 1) +
         (largeFailures > 0 ? 1 : 0);
}
