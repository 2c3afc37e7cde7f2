// Test helpers: a loopback HTTP server with canned replies that records what it received,
// and a fixture that points the client at it with a private program and per-user folder.
#pragma once

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TReceived {
  std::string method;
  std::string path;
  std::string query;  // the raw text after "?"
  std::string body;
  httplib::Headers headers;
  httplib::Params params;  // query and form values, decoded
  httplib::MultipartFormDataMap files;
  int remotePort = 0;  // the client's end of the connection: one port, one connection

  std::string Header(const std::string& name) const;
};

struct TCanned {
  int status = 200;
  std::string body;
  std::string contentType = "application/json";
  httplib::Headers headers = {};
};

class CCannedServer {
 public:
  using Handler = std::function<TCanned(const TReceived&)>;

  CCannedServer();
  ~CCannedServer();

  int Port() const { return m_nPort; }
  std::string BaseUrl() const;  // "http://127.0.0.1:PORT/"

  // Every request is answered with `reply` unless Answer set another handler.
  void Reply(const TCanned& reply);
  void Reply(const std::string& jsonBody) { Reply(TCanned{200, jsonBody}); }
  void Answer(Handler handler);

  std::vector<TReceived> Received() const;
  TReceived Last() const;  // fails the test when nothing arrived
  size_t Count() const;

 private:
  void Handle(const httplib::Request& request, httplib::Response& response);

  httplib::Server m_server;
  std::thread m_thread;
  int m_nPort = 0;
  mutable std::mutex m_mutex;
  Handler m_handler;
  std::vector<TReceived> m_vecReceived;
};

// A port on 127.0.0.1 where nothing listens: a connection is refused at once.
int RefusingPort();

// A socket on 127.0.0.1 that accepts connections (through the kernel's backlog) and never
// answers.
class CSilentListener {
 public:
  CSilentListener();
  ~CSilentListener();
  int Port() const { return m_nPort; }

 private:
  int m_fd = -1;
  int m_nPort = 0;
};

// A server that answers one connection with fixed raw bytes and hangs up, for replies no
// well-behaved server would send (a body cut short).
class CRawReplyServer {
 public:
  explicit CRawReplyServer(std::string rawReply);
  ~CRawReplyServer();
  int Port() const { return m_nPort; }

 private:
  int m_fd = -1;
  int m_nPort = 0;
  std::thread m_thread;
};

// Each test gets a fresh temporary tree: program/ with sys.cfg pointing at the canned
// server, and config/orvo2/ as the per-user data folder.
class CServerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  void UseWebServer(const std::string& baseAddress);
  std::string UserFolder() const { return m_strRoot + "/config/orvo2/"; }
  std::string Root() const { return m_strRoot; }
  static std::string ReadFile(const std::string& path);
  static bool FileExists(const std::string& path);
  static void WriteFile(const std::string& path, const std::string& content);
  // Files in `folder` whose names contain `part`.
  static std::vector<std::string> FilesContaining(const std::string& folder,
                                                  const std::string& part);

  CCannedServer m_server;

 private:
  std::unique_ptr<testing_support::TempDir> m_folder;
  std::unique_ptr<testing_support::ScopedEnv> m_env;
  std::string m_strRoot;
};
