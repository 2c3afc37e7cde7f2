#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "refserver/Statement.h"

struct sqlite3;

namespace refserver {

// The server's SQLite database: one connection in WAL mode, shared by all request threads.
// Every access goes through Transaction(), which holds the connection's lock and commits
// on return or rolls back when the body throws, so a request is all-or-nothing and a
// process killed mid-write leaves the last committed state.
class CDatabase {
 public:
  // Opens (or creates) the file and brings its tables up to date. Throws on failure.
  explicit CDatabase(const std::string& path);
  ~CDatabase();
  CDatabase(const CDatabase&) = delete;
  CDatabase& operator=(const CDatabase&) = delete;

  // Runs body inside BEGIN IMMEDIATE ... COMMIT under the connection's lock.
  void Transaction(const std::function<void(CDatabase&)>& body);

  CStatement Prepare(const std::string& sql);
  std::int64_t LastInsertId() const;
  int Changes() const;

 private:
  void Exec(const char* sql);
  void CreateSchema();

  sqlite3* m_pDb = nullptr;
  std::mutex m_mutex;
};

}  // namespace refserver
