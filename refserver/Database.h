// The server's SQLite database: one connection in WAL mode, shared by all request threads.
// Every access goes through Transaction(), which holds the connection's lock and commits
// on return or rolls back when the body throws, so a request is all-or-nothing and a
// process killed mid-write leaves the last committed state.
//
// The file is the one opened: when it is deleted or replaced under the running server (the
// data folder removed, say), every transaction fails instead of acknowledging writes that
// would go to a file nobody will ever open again. The file and its WAL are owner-only.
//
// The server owns one for its whole life; the stores keep references to it. Safe to use
// from every request thread: transactions take turns on the connection's lock.
#pragma once

#include "refserver/Statement.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <sys/types.h>

struct sqlite3;

namespace refserver {

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
  // Every distinct statement prepared so far, for checking their query plans.
  std::vector<std::string> StatementsUsed() const;
  // Statements prepared and rows changed so far: the work requests did, for comparing two
  // that must not be told apart.
  std::uint64_t StatementsRun() const;
  std::int64_t TotalChanges() const;
  std::int64_t LastInsertId() const;
  int Changes() const;

 private:
  void Exec(const char* sql);
  void CreateSchema();
  // Throws when the path no longer names the file that was opened.
  void CheckStillThere() const;

  std::string m_sPath;
  dev_t m_nDevice = 0;
  ino_t m_nInode = 0;
  sqlite3* m_pDb = nullptr;
  mutable std::mutex m_mutex;
  std::set<std::string> m_setStatements;
  std::uint64_t m_nStatementsRun = 0;
};

}  // namespace refserver
