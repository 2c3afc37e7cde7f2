#include "refserver/MemoryStream.h"

#include "refserver/ServerOptions.h"

#include <algorithm>

namespace refserver {

CMemoryStream::CMemoryStream(std::string input) : m_sInput(std::move(input)) {}

bool CMemoryStream::is_readable() const {
  return m_nAt < m_sInput.size();
}

bool CMemoryStream::is_writable() const {
  return true;
}

ssize_t CMemoryStream::read(char* ptr, size_t size) {
  const size_t n = std::min(size, m_sInput.size() - m_nAt);
  std::copy_n(m_sInput.data() + m_nAt, n, ptr);
  m_nAt += n;
  return static_cast<ssize_t>(n);
}

ssize_t CMemoryStream::write(const char* ptr, size_t size) {
  m_sOutput.append(ptr, size);
  return static_cast<ssize_t>(size);
}

void CMemoryStream::get_remote_ip_and_port(std::string& ip, int& port) const {
  ip = "127.0.0.1";
  port = 40000;
}

void CMemoryStream::get_local_ip_and_port(std::string& ip, int& port) const {
  ip = "127.0.0.1";
  port = kDefaultPort;
}

socket_t CMemoryStream::socket() const {
  return INVALID_SOCKET;
}

}  // namespace refserver
