// One prepared SQLite statement. Parameters are bound by position (1-based), so user text
// never becomes SQL. A full disk throws CApiError(RC_DISK_FULL); any other SQLite failure
// throws std::runtime_error with the library's text.
//
//   CStatement st(db, "SELECT id FROM msg_groups WHERE account_id = ?");
//   st.Bind(1, accountId);
//   while (st.Step()) use(st.Int64(0));
//
// A statement belongs to the transaction that prepared it and is used and finalised on
// that thread, under the database's lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace refserver {

// Whether the connection's last failure was a want of room: the disk or a quota full, or a
// file past its size limit (SQLite reports the last two as write errors).
bool SqliteOutOfRoom(sqlite3* db);

class CStatement {
 public:
  CStatement(sqlite3* db, std::string_view sql);
  ~CStatement();
  CStatement(const CStatement&) = delete;
  CStatement& operator=(const CStatement&) = delete;

  CStatement& Bind(int index, std::int64_t value);
  CStatement& Bind(int index, std::string_view text);

  // Runs to the next row: true while a row is available, false when done.
  bool Step();
  // Runs a statement that returns no rows.
  void Run();

  std::int64_t Int64(int column) const;
  std::string Text(int column) const;
  bool IsNull(int column) const;

 private:
  sqlite3* m_pDb;
  sqlite3_stmt* m_pStmt = nullptr;
};

}  // namespace refserver
