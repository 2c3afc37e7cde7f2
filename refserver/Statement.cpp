#include "refserver/Statement.h"

#include "refserver/ApiError.h"

#include <sqlite3.h>

#include <stdexcept>

namespace refserver {

namespace {

[[noreturn]] void throwSqlite(sqlite3* db, const char* what) {
  if (sqlite3_errcode(db) == SQLITE_FULL) throw CApiError(RC_DISK_FULL);
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
