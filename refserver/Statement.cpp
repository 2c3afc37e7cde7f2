#include "refserver/Statement.h"

#include "refserver/ApiError.h"

#include <sqlite3.h>

#include <cerrno>
#include <stdexcept>

namespace refserver {

bool SqliteOutOfRoom(sqlite3* db) {
  const int code = sqlite3_extended_errcode(db);
  if ((code & 0xff) == SQLITE_FULL) return true;
  if (code != SQLITE_IOERR_WRITE) return false;
  // A write cut short without a system error is how a full disk or a file-size limit shows
  // (the short write leaves no errno).
  const int error = sqlite3_system_errno(db);
  return error == 0 || error == ENOSPC || error == EDQUOT || error == EFBIG;
}

namespace {

[[noreturn]] void throwSqlite(sqlite3* db, const char* what) {
  if (SqliteOutOfRoom(db)) throw CApiError(RC_DISK_FULL);
  throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

}  // namespace

CStatement::CStatement(sqlite3* db, std::string_view sql) : m_pDb(db) {
  if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_pStmt, nullptr) !=
      SQLITE_OK)
    throwSqlite(db, "prepare");
}

CStatement::~CStatement() {
  sqlite3_finalize(m_pStmt);
}

CStatement& CStatement::Bind(int index, std::int64_t value) {
  if (sqlite3_bind_int64(m_pStmt, index, value) != SQLITE_OK) throwSqlite(m_pDb, "bind");
  return *this;
}

CStatement& CStatement::Bind(int index, std::string_view text) {
  if (sqlite3_bind_text64(m_pStmt, index, text.data(), text.size(), SQLITE_TRANSIENT,
                          SQLITE_UTF8) != SQLITE_OK)
    throwSqlite(m_pDb, "bind");
  return *this;
}

bool CStatement::Step() {
  const int rc = sqlite3_step(m_pStmt);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throwSqlite(m_pDb, "step");
}

void CStatement::Run() {
  while (Step()) {}
}

std::int64_t CStatement::Int64(int column) const {
  return sqlite3_column_int64(m_pStmt, column);
}

std::string CStatement::Text(int column) const {
  const auto* text = sqlite3_column_text(m_pStmt, column);
  const int size = sqlite3_column_bytes(m_pStmt, column);
  return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size))
              : std::string();
}

bool CStatement::IsNull(int column) const {
  return sqlite3_column_type(m_pStmt, column) == SQLITE_NULL;
}

}  // namespace refserver
