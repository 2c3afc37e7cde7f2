// A client connection in memory: what the client sent is read from a string, what the server
// writes is collected in another. With CRefServer::ServeStream it runs the whole request
// handling without a socket (the fuzz target, tests). One stream is one connection, used by
// one thread.
#pragma once

#include <httplib.h>

#include <string>

namespace refserver {

class CMemoryStream : public httplib::Stream {
 public:
  explicit CMemoryStream(std::string input);

  // Readable while unread input is left; reads at the end return 0 (the client closed).
  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  // The client is 127.0.0.1, the server 127.0.0.1:18086.
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  socket_t socket() const override;

  const std::string& Output() const { return m_sOutput; }

 private:
  std::string m_sInput;
  size_t m_nAt = 0;
  std::string m_sOutput;
};

}  // namespace refserver
