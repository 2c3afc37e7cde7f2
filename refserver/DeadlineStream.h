// One request's view of a client socket, with budgets for the whole request rather than for
// each system call: reading the request (line, headers and body) must finish within the read
// budget from the stream's creation, writing the reply within the write budget from its first
// byte. A client that sends one byte every few seconds, or reads the reply that slowly, is cut
// off at the budget instead of holding a worker for as long as it keeps trickling.
//
// Reads are buffered (the library reads header lines a byte at a time); writes never raise
// SIGPIPE.
//
// One stream serves one request on one thread; it never owns or closes the socket.
#pragma once

#include <httplib.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <string>

namespace refserver {

class CDeadlineStream : public httplib::Stream {
 public:
  using Clock = std::chrono::steady_clock;

  CDeadlineStream(int sock, Clock::duration readBudget, Clock::duration writeBudget);

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  int socket() const override { return m_nSock; }

  // True once a read ran out of budget or found the connection closed or broken: whatever
  // the library replies then, the connection cannot carry another request.
  bool ReadFailed() const { return m_bReadFailed; }

 private:
  bool WaitFor(short events, Clock::time_point deadline) const;

  int m_nSock;
  Clock::time_point m_readDeadline;
  Clock::duration m_writeBudget;
  mutable Clock::time_point m_writeDeadline{};
  std::array<char, 4096> m_buffer{};
  size_t m_nBegin = 0;
  size_t m_nEnd = 0;
  mutable bool m_bReadFailed = false;
};

}  // namespace refserver
