#include "refserver/Database.h"

#include "refserver/ApiError.h"
#include "refserver/PrivateFiles.h"

#include <sqlite3.h>

#include <stdexcept>

#include <sys/stat.h>

namespace refserver {

namespace {

// Ids use AUTOINCREMENT so that an id, once handed to a client, is never given again
// after a delete. Every row belongs to one account; foreign keys cascade the deletes.
// Every column a statement filters, joins or deletes on has an index: one account's
// requests must not slow down with the size of the others' data.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS accounts (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    phone TEXT NOT NULL UNIQUE,
    password_hash TEXT NOT NULL,
    company TEXT NOT NULL DEFAULT '',
    contact_name TEXT NOT NULL DEFAULT '',
    wechat_quantity INTEGER NOT NULL,
    created_at INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS sms_codes (
    phone TEXT NOT NULL,
    purpose INTEGER NOT NULL,
    code TEXT NOT NULL,
    expires_at INTEGER NOT NULL,
    failed_attempts INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (phone, purpose));
CREATE INDEX IF NOT EXISTS sms_codes_expiry ON sms_codes(expires_at);
CREATE TABLE IF NOT EXISTS sms_limits (
    phone TEXT PRIMARY KEY,
    window_start INTEGER NOT NULL,
    last_sent_at INTEGER NOT NULL,
    sent INTEGER NOT NULL,
    failed_attempts INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS sms_limits_window ON sms_limits(window_start);
CREATE TABLE IF NOT EXISTS tokens (
    token TEXT PRIMARY KEY,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    expires_at INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS tokens_account ON tokens(account_id);
CREATE INDEX IF NOT EXISTS tokens_expiry ON tokens(expires_at);
CREATE TABLE IF NOT EXISTS sign_ins (
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    address TEXT NOT NULL,
    last_at INTEGER NOT NULL,
    PRIMARY KEY (account_id, address));
CREATE TABLE IF NOT EXISTS msg_groups (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    title TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS msg_groups_account ON msg_groups(account_id);
CREATE TABLE IF NOT EXISTS messages (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    group_id INTEGER NOT NULL REFERENCES msg_groups(id) ON DELETE CASCADE,
    body TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS messages_group ON messages(group_id);
CREATE INDEX IF NOT EXISTS messages_account ON messages(account_id);
CREATE TABLE IF NOT EXISTS pictures (
    name TEXT PRIMARY KEY,
    account_id INTEGER NOT NULL,
    size INTEGER NOT NULL,
    created_at INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS pictures_account ON pictures(account_id);
CREATE TABLE IF NOT EXISTS feedback (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    account_id INTEGER NOT NULL,
    text TEXT NOT NULL,
    created_at INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS feedback_account ON feedback(account_id);
CREATE TABLE IF NOT EXISTS remarks (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    open_id TEXT NOT NULL,
    info TEXT NOT NULL,
    UNIQUE (account_id, open_id));
)sql";

}  // namespace

CDatabase::CDatabase(const std::string& path) : m_sPath(path) {
  // SQLite gives the WAL and shared-memory files the database file's mode.
  MakePrivateFile(path);
  MendPrivateFile(path + "-wal");
  MendPrivateFile(path + "-shm");
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw std::runtime_error("cannot open database " + path);
  m_nDevice = st.st_dev;
  m_nInode = st.st_ino;
  if (sqlite3_open_v2(path.c_str(), &m_pDb,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string why = m_pDb ? sqlite3_errmsg(m_pDb) : "out of memory";
    sqlite3_close(m_pDb);
    throw std::runtime_error("cannot open database " + path + ": " + why);
  }
  sqlite3_busy_timeout(m_pDb, 5000);
  // WAL: a commit is durable once its frames are in the log file, so killing the process
  // loses at most the transaction in flight. NORMAL sync keeps that guarantee for process
  // crashes and only skips the fsync that protects against power loss.
  Exec("PRAGMA journal_mode=WAL");
  Exec("PRAGMA synchronous=NORMAL");
  Exec("PRAGMA foreign_keys=ON");
  CreateSchema();
}

CDatabase::~CDatabase() {
  sqlite3_close_v2(m_pDb);
}

void CDatabase::Transaction(const std::function<void(CDatabase&)>& body) {
  std::lock_guard lock(m_mutex);
  CheckStillThere();
  Exec("BEGIN IMMEDIATE");
  try {
    body(*this);
    Exec("COMMIT");
  } catch (...) {
    sqlite3_exec(m_pDb, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

CStatement CDatabase::Prepare(const std::string& sql) {
  m_setStatements.insert(sql);  // under the transaction's lock
  ++m_nStatementsRun;
  return CStatement(m_pDb, sql);
}

std::vector<std::string> CDatabase::StatementsUsed() const {
  std::lock_guard lock(m_mutex);
  return {m_setStatements.begin(), m_setStatements.end()};
}

void CDatabase::CheckStillThere() const {
  struct stat st {};
  if (::stat(m_sPath.c_str(), &st) != 0 || st.st_dev != m_nDevice || st.st_ino != m_nInode)
    throw std::runtime_error("the database file " + m_sPath +
                             " was removed or replaced; restart the server");
}

std::uint64_t CDatabase::StatementsRun() const {
  std::lock_guard lock(m_mutex);
  return m_nStatementsRun;
}

std::int64_t CDatabase::TotalChanges() const {
  std::lock_guard lock(m_mutex);
  return sqlite3_total_changes64(m_pDb);
}

std::int64_t CDatabase::LastInsertId() const {
  return sqlite3_last_insert_rowid(m_pDb);
}

int CDatabase::Changes() const {
  return sqlite3_changes(m_pDb);
}

void CDatabase::Exec(const char* sql) {
  char* error = nullptr;
  const int rc = sqlite3_exec(m_pDb, sql, nullptr, nullptr, &error);
  if (rc != SQLITE_OK && SqliteOutOfRoom(m_pDb)) {
    sqlite3_free(error);
    throw CApiError(RC_DISK_FULL);
  }
  if (rc != SQLITE_OK) {
    const std::string why = error ? error : "unknown error";
    sqlite3_free(error);
    throw std::runtime_error(std::string("sqlite: ") + why);
  }
}

void CDatabase::CreateSchema() {
  std::lock_guard lock(m_mutex);
  Exec(kSchema);
  // Tokens are kept as digests (64 hex characters); one kept in clear by an older version
  // (32) can no longer be presented and is dropped.
  Exec("DELETE FROM tokens WHERE length(token) = 32");
  // Wrong SMS guesses are counted per code since the codes got this column.
  bool hasGuessCount = false;
  {
    CStatement st(m_pDb,
                  "SELECT 1 FROM pragma_table_info('sms_codes') WHERE name = 'failed_attempts'");
    hasGuessCount = st.Step();
  }
  if (!hasGuessCount)
    Exec("ALTER TABLE sms_codes ADD COLUMN failed_attempts INTEGER NOT NULL DEFAULT 0");
}

}  // namespace refserver
