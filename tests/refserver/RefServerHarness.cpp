#include "RefServerHarness.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace refserver::test {

TServerOptions TestOptions(const std::string& dataDir) {
  TServerOptions options;
  options.nPort = 0;
  options.sDataDir = dataDir;
  options.bFastHash = true;
  options.bQuiet = true;
  // Tests ask for codes in quick succession; the limit tests set their own.
  options.nSmsInterval = 0;
  return options;
}

std::string Encode(const std::string& value) {
  return PercentEncode(value);
}

Json::Value TextMessage(const std::string& title, const std::string& text, std::int64_t groupId) {
  Json::Value segment;
  segment["content"] = text;
  segment["type"] = "1";
  Json::Value segments(Json::arrayValue);
  segments.append(segment);
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  Json::Value item;
  item["detailType"] = 1;
  item["msgDetail"] = Json::writeString(writer, segments);
  item["sort"] = 1;
  Json::Value message;
  message["contentTitle"] = title;
  message["leftRange"] = 2;
  message["rightRange"] = 200;
  message["msgGroupId"] = std::to_string(groupId);
  message["msgDetailList"].append(item);
  return message;
}

CApiClient::CApiClient(int port) : m_http("127.0.0.1", port) {
  m_http.set_read_timeout(10, 0);
  m_http.set_tcp_nodelay(true);
}

Json::Value CApiClient::Post(const std::string& path, const std::string& body) {
  const auto res =
      m_http.Post(("/zoduda_vudi/" + path).c_str(), body, "application/x-www-form-urlencoded");
  Json::Value reply;
  if (!res) {
    ADD_FAILURE() << "no reply for " << path;
    return reply;
  }
  std::istringstream in(res->body);
  std::string errors;
  if (!Json::parseFromStream(Json::CharReaderBuilder(), in, &reply, &errors))
    ADD_FAILURE() << path << " replied with no JSON: " << res->body;
  return reply;
}

httplib::Result CApiClient::Get(const std::string& path) {
  return m_http.Get(path.c_str());
}

std::string CApiClient::ReadSmsCode(const std::string& dataDir, const std::string& phone) {
  std::ifstream in(dataDir + "/sms-codes.txt");
  std::string line;
  std::string code;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string linePhone, kind, lineCode;
    fields >> linePhone >> kind >> lineCode;
    if (linePhone == phone) code = lineCode;
  }
  EXPECT_EQ(code.size(), 6u) << "no SMS code for " << phone;
  return code;
}

std::string CApiClient::Login(const std::string& phone, const std::string& password) {
  const Json::Value reply =
      Post("account/login.do", "phone=" + Encode(phone) + "&password=" + Encode(password));
  EXPECT_EQ(reply["resultCode"].asInt(), 1) << reply.toStyledString();
  return reply["obj"]["logintoken"].asString();
}

std::string CApiClient::RegisterAndLogin(const std::string& dataDir, const std::string& phone,
                                         const std::string& password) {
  EXPECT_EQ(Post("account/register/code.do", "phone=" + phone)["resultCode"].asInt(), 1);
  const std::string code = ReadSmsCode(dataDir, phone);
  const Json::Value reply =
      Post("account/register.do", "phone=" + phone + "&password=" + Encode(password) +
                                      "&company=" + Encode("公司") +
                                      "&contactName=" + Encode("联系人") + "&sms=" + code);
  EXPECT_EQ(reply["resultCode"].asInt(), 1) << reply.toStyledString();
  return Login(phone, password);
}

std::int64_t CApiClient::AddGroup(const std::string& token, const std::string& title) {
  const Json::Value reply =
      Post("quickMessage/group/add.do", "groupTitle=" + Encode(title) + "&tokenId=" + token);
  EXPECT_EQ(reply["resultCode"].asInt(), 1) << reply.toStyledString();
  return reply["obj"].asInt64();
}

std::string CApiClient::AddTextMessage(const std::string& token, std::int64_t groupId,
                                       const std::string& title, const std::string& text) {
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  const std::string json = Json::writeString(writer, TextMessage(title, text, groupId));
  const Json::Value reply =
      Post("quickMessage/add.do", "message=" + Encode(json) + "&tokenId=" + token);
  EXPECT_EQ(reply["resultCode"].asInt(), 1) << reply.toStyledString();
  return reply["obj"][0].asString();
}

Json::Value CApiClient::List(const std::string& token) {
  const Json::Value reply = Post("quickMessage/list.do", "tokenId=" + token);
  EXPECT_EQ(reply["resultCode"].asInt(), 1) << reply.toStyledString();
  return reply["msgList"];
}

std::int64_t CShiftedClock::UnixSeconds() const {
  const auto now = std::chrono::system_clock::now() + std::chrono::milliseconds(m_nShiftMillis);
  return std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
}

IClock::Monotonic::time_point CShiftedClock::MonotonicNow() const {
  return Monotonic::now() + std::chrono::milliseconds(m_nShiftMillis);
}

CTestServer::CTestServer(const std::function<void(TServerOptions&)>& tweak) {
  TServerOptions options = TestOptions(m_folder.path());
  if (tweak) tweak(options);
  m_pServer = std::make_unique<CRefServer>(options, m_pClock);
  m_pServer->Start();
}

CTestServer::~CTestServer() {
  m_pServer->Stop();
}

std::string ProgramPath() {
  if (const char* dir = std::getenv("TC_PROGRAM_DIR")) {
    const std::string path = std::string(dir) + "/refserver";
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return TC_REFSERVER_PROGRAM;  // the build's own copy, when the environment names none
}

CServerProcess::CServerProcess(const std::string& dataDir,
                               const std::vector<std::string>& extraArgs)
    : RefServerProcess(ProgramPath(), dataDir, extraArgs) {}

CRawConnection::CRawConnection(int port, const std::string& source) {
  m_nFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in from{};
  from.sin_family = AF_INET;
  inet_pton(AF_INET, source.c_str(), &from.sin_addr);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  if (m_nFd < 0 || ::bind(m_nFd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
      ::connect(m_nFd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0)
    throw std::runtime_error("cannot connect from " + source);
}

CRawConnection::~CRawConnection() {
  if (m_nFd >= 0) ::close(m_nFd);
}

bool CRawConnection::Send(const std::string& bytes) {
  return ::send(m_nFd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
         static_cast<ssize_t>(bytes.size());
}

bool CRawConnection::IsOpen() const {
  char c = 0;
  const ssize_t n = ::recv(m_nFd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
  return n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
}

std::string CRawConnection::ReadAll(std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  std::string bytes;
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd pfd{m_nFd, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[4096];
    const ssize_t n = ::recv(m_nFd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  return bytes;
}

bool CRawConnection::WaitClosed(std::chrono::milliseconds bound) {
  ReadAll(bound);
  return !IsOpen();
}

Json::Value PostFrom(int port, const std::string& source, const std::string& path,
                     const std::string& body) {
  CRawConnection connection(port, source);
  connection.Send("POST /zoduda_vudi/" + path +
                  " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                  std::to_string(body.size()) + "\r\n\r\n" + body);
  const std::string reply = connection.ReadAll(std::chrono::seconds(20));
  const size_t start = reply.find("\r\n\r\n");
  Json::Value value;
  if (start == std::string::npos) return value;
  std::istringstream in(reply.substr(start + 4));
  std::string errors;
  Json::parseFromStream(Json::CharReaderBuilder(), in, &value, &errors);
  return value;
}

}  // namespace refserver::test
