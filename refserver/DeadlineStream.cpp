#include "refserver/DeadlineStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace refserver {

namespace {

using AddressGetter = int (*)(int, sockaddr*, socklen_t*);

void addressOf(int sock, AddressGetter getter, std::string& ip, int& port) {
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  ip.clear();
  port = 0;
  if (getter(sock, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return;
  char text[INET6_ADDRSTRLEN] = {};
  if (addr.ss_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
    inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    port = ntohs(in->sin_port);
  } else if (addr.ss_family == AF_INET6) {
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&addr);
    inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    port = ntohs(in6->sin6_port);
  }
  ip = text;
}

}  // namespace

CDeadlineStream::CDeadlineStream(int sock, Clock::duration readBudget, Clock::duration writeBudget)
    : m_nSock(sock), m_readDeadline(Clock::now() + readBudget), m_writeBudget(writeBudget) {}

bool CDeadlineStream::WaitFor(short events, Clock::time_point deadline) const {
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd pfd{m_nSock, events, 0};
    const int rc = ::poll(&pfd, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (rc > 0) return true;
    if (rc < 0 && errno != EINTR) return false;
  }
}

bool CDeadlineStream::is_readable() const {
  if (m_nBegin < m_nEnd || WaitFor(POLLIN, m_readDeadline)) return true;
  m_bReadFailed = true;
  return false;
}

bool CDeadlineStream::is_writable() const {
  if (m_writeDeadline == Clock::time_point{}) m_writeDeadline = Clock::now() + m_writeBudget;
  return WaitFor(POLLOUT, m_writeDeadline);
}

ssize_t CDeadlineStream::read(char* ptr, size_t size) {
  if (m_nBegin == m_nEnd) {
    if (!is_readable()) return -1;
    ssize_t n = 0;
    do n = ::recv(m_nSock, m_buffer.data(), m_buffer.size(), 0);
    while (n < 0 && errno == EINTR);
    if (n <= 0) {
      m_bReadFailed = true;
      return n;
    }
    m_nBegin = 0;
    m_nEnd = static_cast<size_t>(n);
  }
  const size_t n = std::min(size, m_nEnd - m_nBegin);
  std::memcpy(ptr, m_buffer.data() + m_nBegin, n);
  m_nBegin += n;
  return static_cast<ssize_t>(n);
}

ssize_t CDeadlineStream::write(const char* ptr, size_t size) {
  if (!is_writable()) return -1;
  ssize_t n = 0;
  do n = ::send(m_nSock, ptr, size, MSG_NOSIGNAL);
  while (n < 0 && errno == EINTR);
  return n;
}

void CDeadlineStream::get_remote_ip_and_port(std::string& ip, int& port) const {
  addressOf(m_nSock, ::getpeername, ip, port);
}

void CDeadlineStream::get_local_ip_and_port(std::string& ip, int& port) const {
  addressOf(m_nSock, ::getsockname, ip, port);
}

}  // namespace refserver
