#include "refserver/HttpServer.h"

#include "refserver/DeadlineStream.h"

#include <cerrno>
#include <chrono>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace refserver {

namespace {

// Set by a handler, read by the connection loop: the library runs a connection's requests
// and their handlers on one worker thread.
thread_local bool t_closeAfterReply = false;

// How often an idle connection looks whether the server is stopping.
constexpr int kStopCheckMillis = 50;

// After a reply to a request whose body was left unread: how long the rest of the body is
// read and dropped before the connection closes. Closing with unread bytes makes the kernel
// reset the connection, and a client still sending its body would lose the reply.
constexpr auto kLinger = std::chrono::seconds(2);

void lingeringClose(int sock) {
  ::shutdown(sock, SHUT_WR);
  const auto deadline = std::chrono::steady_clock::now() + kLinger;
  char sink[16384];
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd pfd{sock, POLLIN, 0};
    const int rc = ::poll(&pfd, 1, static_cast<int>(left.count()));
    if (rc < 0 && errno == EINTR) continue;
    if (rc <= 0 || ::recv(sock, sink, sizeof sink, 0) <= 0) break;
  }
}

}  // namespace

CHttpServer::CHttpServer(THttpLimits limits) : m_limits(limits) {
  // Only for the Keep-Alive header the library writes; the connection loop below rules.
  const auto idleSeconds = std::chrono::ceil<std::chrono::seconds>(m_limits.idle).count();
  set_keep_alive_timeout(static_cast<time_t>(idleSeconds));
  set_keep_alive_max_count(m_limits.nRequestsPerConnection);
}

void CHttpServer::RaiseListenBacklog() {
  // listen() on a listening socket only changes its backlog.
  const int sock = svr_sock_;
  if (sock >= 0) ::listen(sock, m_limits.nListenBacklog);
}

void CHttpServer::CloseAfterReply() {
  t_closeAfterReply = true;
}

bool CHttpServer::ServeStream(httplib::Stream& stream) {
  bool ok = true;
  for (size_t left = m_limits.nRequestsPerConnection; left > 0 && stream.is_readable(); --left) {
    bool closedByClient = false;
    t_closeAfterReply = false;
    ok = process_request(stream, left == 1, closedByClient, nullptr);
    if (!ok || closedByClient || t_closeAfterReply) break;
  }
  t_closeAfterReply = false;
  return ok;
}

bool CHttpServer::WaitForRequest(int sock) const {
  const auto deadline = std::chrono::steady_clock::now() + m_limits.idle;
  while (svr_sock_ >= 0 && std::chrono::steady_clock::now() < deadline) {
    pollfd pfd{sock, POLLIN, 0};
    const int rc = ::poll(&pfd, 1, kStopCheckMillis);
    if (rc > 0) return true;
    if (rc < 0 && errno != EINTR) return false;
  }
  return false;
}

bool CHttpServer::process_and_close_socket(int sock) {
  const int yes = 1;
  setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  bool ok = true;
  bool bodyLeft = false;
  for (size_t left = m_limits.nRequestsPerConnection; left > 0; --left) {
    if (!WaitForRequest(sock)) break;
    CDeadlineStream stream(sock, m_limits.requestRead, m_limits.replyWrite);
    bool closedByClient = false;
    t_closeAfterReply = false;
    ok = process_request(stream, left == 1 || svr_sock_ < 0, closedByClient, nullptr);
    bodyLeft = t_closeAfterReply && !stream.ReadFailed();
    if (!ok || closedByClient || t_closeAfterReply || stream.ReadFailed()) break;
  }
  t_closeAfterReply = false;
  if (bodyLeft) lingeringClose(sock);
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return ok;
}

}  // namespace refserver
