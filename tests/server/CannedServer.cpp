#include "tests/server/CannedServer.h"

#include "app/Settings.h"
#include "server/CurlTransport.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int boundLoopbackSocket(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

std::string TReceived::Header(const std::string& name) const {
  const auto found = headers.find(name);
  return found == headers.end() ? std::string() : found->second;
}

CCannedServer::CCannedServer() {
  auto handle = [this](const httplib::Request& request, httplib::Response& response) {
    Handle(request, response);
  };
  m_server.Get(".*", handle);
  m_server.Post(".*", handle);
  // Headers and body go out in two writes: without this, Nagle holds the body back for the
  // client's delayed acknowledgement on a kept-alive connection.
  m_server.set_tcp_nodelay(true);
  m_nPort = m_server.bind_to_any_port("127.0.0.1");
  m_thread = std::thread([this] { m_server.listen_after_bind(); });
  // A failed bind never runs: wait a bounded time, and let the requests fail instead.
  for (int waited = 0; waited < 10000 && !m_server.is_running(); ++waited)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

CCannedServer::~CCannedServer() {
  // The server waits out an idle kept-alive connection before it stops.
  CCurlTransport::CloseThreadConnections();
  m_server.stop();
  m_thread.join();
}

std::string CCannedServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(m_nPort) + "/";
}

void CCannedServer::Reply(const TCanned& reply) {
  Answer([reply](const TReceived&) { return reply; });
}

void CCannedServer::Answer(Handler handler) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_handler = std::move(handler);
}

void CCannedServer::Handle(const httplib::Request& request, httplib::Response& response) {
  TReceived received;
  received.method = request.method;
  received.path = request.path;
  const auto question = request.target.find('?');
  if (question != std::string::npos) received.query = request.target.substr(question + 1);
  received.body = request.body;
  received.headers = request.headers;
  received.params = request.params;
  received.files = request.files;
  received.remotePort = request.remote_port;
  Handler handler;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecReceived.push_back(received);
    handler = m_handler;
  }
  const TCanned reply = handler ? handler(received) : TCanned{};
  response.status = reply.status;
  for (const auto& [name, value] : reply.headers) response.set_header(name.c_str(), value);
  response.set_content(reply.body, reply.contentType.c_str());
}

std::vector<TReceived> CCannedServer::Received() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_vecReceived;
}

TReceived CCannedServer::Last() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  EXPECT_FALSE(m_vecReceived.empty()) << "the server received nothing";
  return m_vecReceived.empty() ? TReceived() : m_vecReceived.back();
}

size_t CCannedServer::Count() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_vecReceived.size();
}

int RefusingPort() {
  int port = 0;
  const int fd = boundLoopbackSocket(port);
  close(fd);
  return port;
}

CSilentListener::CSilentListener() {
  m_fd = boundLoopbackSocket(m_nPort);
  listen(m_fd, 16);
}

CSilentListener::~CSilentListener() {
  if (m_fd >= 0) close(m_fd);
}

CRawReplyServer::CRawReplyServer(std::string rawReply) {
  m_fd = boundLoopbackSocket(m_nPort);
  listen(m_fd, 1);
  m_thread = std::thread([this, rawReply] {
    const int connection = accept(m_fd, nullptr, nullptr);
    if (connection < 0) return;
    std::string request;
    char buffer[4096];
    ssize_t got = 0;
    while (request.find("\r\n\r\n") == std::string::npos &&
           (got = read(connection, buffer, sizeof buffer)) > 0)
      request.append(buffer, static_cast<size_t>(got));
    [[maybe_unused]] const ssize_t sent = write(connection, rawReply.data(), rawReply.size());
    close(connection);
  });
}

CRawReplyServer::~CRawReplyServer() {
  shutdown(m_fd, SHUT_RDWR);  // ends a pending accept when no request came
  m_thread.join();
  close(m_fd);
}

void CServerTest::SetUp() {
  m_folder = std::make_unique<testing_support::TempDir>("tc-server-test");
  m_strRoot = m_folder->path();
  std::filesystem::create_directories(m_strRoot + "/program");
  std::filesystem::create_directories(UserFolder());
  m_env = std::make_unique<testing_support::ScopedEnv>("XDG_CONFIG_HOME", m_strRoot + "/config");
  SetProgramFolder(m_strRoot + "/program/");
  UseWebServer(m_server.BaseUrl());
}

void CServerTest::TearDown() {
  // Before any server of the test stops: a server waits out an idle kept-alive connection.
  CCurlTransport::CloseThreadConnections();
  m_env.reset();
  m_folder.reset();
}

void CServerTest::UseWebServer(const std::string& baseAddress) {
  WriteFile(m_strRoot + "/program/sys.cfg", "[SYSTEM]\nWebServer=" + baseAddress + "\n");
}

std::string CServerTest::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool CServerTest::FileExists(const std::string& path) {
  return std::filesystem::exists(path);
}

void CServerTest::WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::vector<std::string> CServerTest::FilesContaining(const std::string& folder,
                                                      const std::string& part) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.find(part) != std::string::npos) names.push_back(name);
  }
  return names;
}
