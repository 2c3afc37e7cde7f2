// The reference server a benchmark talks to: on a free loopback port, seeded with the demo
// account, its data in <root>/server, and <root>/program/sys.cfg pointing at it (the program
// folder must already be set to <root>/program). Stopped when the object goes.
#pragma once

#include "refserver/RefServer.h"

#include <filesystem>
#include <functional>
#include <string>

class CConnServer;

class CBenchServer {
 public:
  // `fill` adds the benchmark's data to the database (its path given) before the start.
  CBenchServer(const std::filesystem::path& root,
               const std::function<void(const std::string& dbPath)>& fill);
  CBenchServer(const CBenchServer&) = delete;
  CBenchServer& operator=(const CBenchServer&) = delete;

  int Port() const { return m_server.Port(); }
  void Stop() { m_server.Stop(); }
  // Signs the demo account in on `login`; on failure prints "<what>login failed: <reason>"
  // and returns false.
  static bool SignIn(CConnServer& login, const char* what = "");

 private:
  static refserver::TServerOptions optionsFor(const std::filesystem::path& root);

  refserver::CRefServer m_server;
};
