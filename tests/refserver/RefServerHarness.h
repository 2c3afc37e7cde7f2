// What the reference server's tests share: an in-process server on a free loopback port with
// its own data folder and a clock the test moves, the server as a real program, a client that
// talks as the workbench does, and raw connections from chosen loopback addresses.
//
// Every wait is bounded. Objects belong to the test that made them; a client may be used by
// one thread at a time, a server by any number.
#pragma once

#include "refserver/Clock.h"
#include "refserver/FormBody.h"
#include "refserver/RefServer.h"
#include "refserver/ServerOptions.h"
#include "tests/support/RefServerProcess.h"
#include "tests/support/TempDir.h"

#include <httplib.h>
#include <json/json.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace refserver::test {

// Options for a quiet test server on a free loopback port with cheap password hashing.
TServerOptions TestOptions(const std::string& dataDir);

// Talks to a server on 127.0.0.1:port the way the workbench does (form-encoded POSTs).
class CApiClient {
 public:
  explicit CApiClient(int port);

  // POSTs the body as written (already encoded) and parses the JSON reply.
  Json::Value Post(const std::string& path, const std::string& body);
  httplib::Result Get(const std::string& path);
  httplib::Client& Http() { return m_http; }

  // Helpers over whole flows; they assert success with gtest.
  std::string ReadSmsCode(const std::string& dataDir, const std::string& phone);
  std::string RegisterAndLogin(const std::string& dataDir, const std::string& phone,
                               const std::string& password);
  std::string Login(const std::string& phone, const std::string& password);
  std::int64_t AddGroup(const std::string& token, const std::string& title);
  std::string AddTextMessage(const std::string& token, std::int64_t groupId,
                             const std::string& title, const std::string& text);
  Json::Value List(const std::string& token);

 private:
  httplib::Client m_http;
};

// Form encoding for test bodies: every byte but letters and digits as %XX.
std::string Encode(const std::string& value);

// A message object as the workbench writes it, with one text item.
Json::Value TextMessage(const std::string& title, const std::string& text, std::int64_t groupId);

// The system's clocks moved on by however far a test has advanced them: a test of a time
// window jumps over it instead of sleeping through it.
class CShiftedClock : public IClock {
 public:
  std::int64_t UnixSeconds() const override;
  Monotonic::time_point MonotonicNow() const override;
  void Advance(std::chrono::milliseconds by) { m_nShiftMillis += by.count(); }

 private:
  std::atomic<std::int64_t> m_nShiftMillis = 0;
};

// An in-process server on a free port with its own data folder and a clock the test moves.
class CTestServer {
 public:
  explicit CTestServer(const std::function<void(TServerOptions&)>& tweak = {});
  ~CTestServer();
  int Port() const { return m_pServer->Port(); }
  const std::string& DataDir() const { return m_folder.path(); }
  CApiClient Client() const { return CApiClient(Port()); }
  CRefServer& Server() { return *m_pServer; }
  CShiftedClock& Clock() { return *m_pClock; }

 private:
  testing_support::TempDir m_folder{"refserver-test"};
  std::shared_ptr<CShiftedClock> m_pClock = std::make_shared<CShiftedClock>();
  std::unique_ptr<CRefServer> m_pServer;
};

// The program folder's (or the build's) refserver, started with its arguments on a free
// loopback port.
class CServerProcess : public testing_support::RefServerProcess {
 public:
  CServerProcess(const std::string& dataDir, const std::vector<std::string>& extraArgs = {});
};

std::string ProgramPath();

// A raw TCP connection to 127.0.0.1:port from a loopback source address: any 127.x.y.z reaches
// the server, which then sees a client address of its own.
class CRawConnection {
 public:
  explicit CRawConnection(int port, const std::string& source = "127.0.0.1");
  ~CRawConnection();
  CRawConnection(const CRawConnection&) = delete;
  CRawConnection& operator=(const CRawConnection&) = delete;

  bool Send(const std::string& bytes);
  // True while the server has neither closed nor reset the connection (nothing is consumed).
  bool IsOpen() const;
  // Reads until the server closes the connection or the bound passes.
  std::string ReadAll(std::chrono::milliseconds bound);
  // Waits at most the bound for the server to close; true when it did.
  bool WaitClosed(std::chrono::milliseconds bound);

 private:
  int m_nFd = -1;
};

// POSTs a form from a loopback source address with "Connection: close" and parses the JSON
// reply (null when none came within 20 s).
Json::Value PostFrom(int port, const std::string& source, const std::string& path,
                     const std::string& body);

}  // namespace refserver::test
