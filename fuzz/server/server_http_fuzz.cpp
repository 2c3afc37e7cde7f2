// Serves arbitrary bytes as the whole HTTP reply (status line, headers, body) of a loopback
// server, so that the real transfer judges them: redirects (each hop is answered with the
// same bytes, so a redirect loops until the client gives up), replies longer than their
// limit, gzip replies and compression bombs, cut bodies, broken chunking. After every
// operation no partial file may be left, and a failed download leaves no file at all.
#include "app/Settings.h"
#include "fuzz/support/FuzzFiles.h"
#include "server/ConnServer.h"
#include "server/CurlTransport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Answers every connection with the current input and hangs up, so that no transfer waits
// for its time-out.
class CRawServer {
 public:
  CRawServer() {
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(m_fd, 16) != 0 || getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length))
      std::abort();
    m_nPort = ntohs(address.sin_port);
    std::thread([this] { Serve(); }).detach();
  }

  int Port() const { return m_nPort; }
  void SetReply(std::string reply) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strReply = std::move(reply);
  }

 private:
  void Serve() {
    for (;;) {
      const int connection = accept(m_fd, nullptr, nullptr);
      if (connection < 0) continue;
      ReadRequest(connection);
      std::string reply;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        reply = m_strReply;
      }
      for (size_t sent = 0; sent < reply.size();) {
        const ssize_t wrote = write(connection, reply.data() + sent, reply.size() - sent);
        if (wrote <= 0) break;
        sent += static_cast<size_t>(wrote);
      }
      shutdown(connection, SHUT_WR);
      char drain[4096];
      while (read(connection, drain, sizeof drain) > 0) {}
      close(connection);
    }
  }

  // Reads the header and the announced body, so that closing does not reset the
  // connection before the client read the reply.
  static void ReadRequest(int connection) {
    std::string request;
    char buffer[4096];
    size_t headerEnd = std::string::npos;
    ssize_t got = 0;
    while (headerEnd == std::string::npos && (got = read(connection, buffer, sizeof buffer)) > 0) {
      request.append(buffer, static_cast<size_t>(got));
      headerEnd = request.find("\r\n\r\n");
    }
    if (headerEnd == std::string::npos) return;
    const size_t lengthAt = request.find("Content-Length: ");
    const size_t length =
        lengthAt < headerEnd ? std::strtoul(request.c_str() + lengthAt + 16, nullptr, 10) : 0;
    while (request.size() < headerEnd + 4 + length &&
           (got = read(connection, buffer, sizeof buffer)) > 0)
      request.append(buffer, static_cast<size_t>(got));
  }

  int m_fd = -1;
  int m_nPort = 0;
  std::mutex m_mutex;
  std::string m_strReply;
};

CRawServer* s_pServer = nullptr;
std::string s_root;
std::string s_userFolder;

void checkNoPartialFile() {
  for (const auto& entry : std::filesystem::directory_iterator(s_userFolder))
    if (entry.path().filename().string().find(".part-") != std::string::npos) std::abort();
}

void runOperations() {
  CConnServer conn;
  conn.Login("13800138000", "pw");  // a form reply, asked for gzip
  checkNoPartialFile();
  CDuiString listPath;
  conn.GetShortcutList("t", &listPath);  // the list, with its larger limit
  checkNoPartialFile();
  const std::string target = s_userFolder + "download.bin";
  std::filesystem::remove(target);
  const std::string url = "http://127.0.0.1:" + std::to_string(s_pServer->Port()) + "/p.png";
  const std::string got = conn.DownloadFile(url.c_str(), target.c_str());  // follows redirects
  checkNoPartialFile();
  if (got.empty() == std::filesystem::exists(target)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  s_root = MakeFuzzScratchFolder("tc-server-http-fuzz");
  s_userFolder = s_root + "/config/orvo2/";
  std::filesystem::create_directories(s_userFolder);
  std::filesystem::create_directories(s_root + "/program");
  s_pServer = new CRawServer();
  std::ofstream(s_root + "/program/sys.cfg")
      << "[SYSTEM]\nWebServer=http://127.0.0.1:" << s_pServer->Port() << "/\n";
  setenv("XDG_CONFIG_HOME", (s_root + "/config").c_str(), 1);
  SetProgramFolder(s_root + "/program/");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  s_pServer->SetReply(std::string(reinterpret_cast<const char*>(data), size));
  runOperations();
  return 0;
}
