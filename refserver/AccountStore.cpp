#include "refserver/AccountStore.h"

#include "refserver/ApiError.h"

#include <sodium.h>

#include <ctime>

namespace refserver {

namespace {

constexpr int kMaxSmsAttempts = 5;
constexpr size_t kMaxPasswordBytes = 128;

std::int64_t now() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

bool sameCode(const std::string& a, const std::string& b) {
  return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

CAccountStore::CAccountStore(CDatabase& db, const CPasswordHasher& hasher, TAccountLimits limits)
    : m_db(db), m_hasher(hasher), m_limits(limits) {}

void CAccountStore::CheckPhone(const std::string& phone) {
  const size_t digitsFrom = (!phone.empty() && phone[0] == '+') ? 1 : 0;
  const size_t digits = phone.size() - digitsFrom;
  if (digits < 5 || digits > 20) throw CApiError(RC_BAD_PHONE, phone);
  for (size_t i = digitsFrom; i < phone.size(); ++i)
    if (phone[i] < '0' || phone[i] > '9') throw CApiError(RC_BAD_PHONE, phone);
}

void CAccountStore::CheckPassword(const std::string& password) {
  if (password.empty() || password.size() > kMaxPasswordBytes)
    throw CApiError(RC_BAD_PASSWORD, "1-128");
}

std::string CAccountStore::IssueSmsCode(const std::string& phone, ESmsPurpose purpose) {
  CheckPhone(phone);
  const std::string code = CPasswordHasher::RandomDigits(6);
  m_db.Transaction([&](CDatabase& db) {
    const bool known = FindAccountLocked(db, phone) != 0;
    if (purpose == ESmsPurpose::Register && known) throw CApiError(RC_PHONE_TAKEN, phone);
    if (purpose == ESmsPurpose::ResetPassword && !known) throw CApiError(RC_PHONE_UNKNOWN, phone);
    db.Prepare(
          "INSERT OR REPLACE INTO sms_codes(phone, purpose, code, expires_at, "
          "failed_attempts) VALUES(?, ?, ?, ?, 0)")
        .Bind(1, phone)
        .Bind(2, static_cast<std::int64_t>(purpose))
        .Bind(3, code)
        .Bind(4, now() + m_limits.nSmsTtl)
        .Run();
  });
  return code;
}

std::int64_t CAccountStore::Register(const std::string& phone, const std::string& password,
                                     const std::string& company, const std::string& contactName,
                                     const std::string& smsCode) {
  CheckPhone(phone);
  CheckPassword(password);
  const std::string hash = m_hasher.Hash(password);  // slow: outside the database lock
  std::int64_t accountId = 0;
  int failure = 0;
  // A wrong code must still count its attempt, so failures are thrown after the commit.
  m_db.Transaction([&](CDatabase& db) {
    if (FindAccountLocked(db, phone) != 0) {
      failure = RC_PHONE_TAKEN;
      return;
    }
    failure = ConsumeSmsCodeLocked(db, phone, ESmsPurpose::Register, smsCode);
    if (failure != 0) return;
    accountId = InsertAccountLocked(db, phone, hash, company, contactName);
  });
  if (failure != 0) throw CApiError(failure, failure == RC_PHONE_TAKEN ? phone : std::string());
  return accountId;
}

TLoginResult CAccountStore::Login(const std::string& phone, const std::string& password) {
  std::int64_t accountId = 0;
  std::string hash;
  TLoginResult result;
  m_db.Transaction([&](CDatabase& db) {
    auto st = db.Prepare(
        "SELECT id, password_hash, wechat_quantity FROM accounts "
        "WHERE phone = ?");
    st.Bind(1, phone);
    if (st.Step()) {
      accountId = st.Int64(0);
      hash = st.Text(1);
      result.nWechatQuantity = static_cast<int>(st.Int64(2));
    }
  });
  // One message for an unknown phone and a wrong password: no probing for accounts.
  if (accountId == 0 || !m_hasher.Verify(hash, password)) throw CApiError(RC_WRONG_PASSWORD);
  result.sToken = CPasswordHasher::RandomHex(16);
  m_db.Transaction([&](CDatabase& db) {
    db.Prepare("DELETE FROM tokens WHERE expires_at <= ?").Bind(1, now()).Run();
    db.Prepare("INSERT INTO tokens(token, account_id, expires_at) VALUES(?, ?, ?)")
        .Bind(1, result.sToken)
        .Bind(2, accountId)
        .Bind(3, now() + m_limits.nTokenTtl)
        .Run();
  });
  return result;
}

void CAccountStore::ResetPassword(const std::string& phone, const std::string& password,
                                  const std::string& smsCode) {
  CheckPhone(phone);
  CheckPassword(password);
  const std::string hash = m_hasher.Hash(password);
  int failure = 0;
  m_db.Transaction([&](CDatabase& db) {
    const std::int64_t accountId = FindAccountLocked(db, phone);
    if (accountId == 0) {
      failure = RC_PHONE_UNKNOWN;
      return;
    }
    failure = ConsumeSmsCodeLocked(db, phone, ESmsPurpose::ResetPassword, smsCode);
    if (failure != 0) return;
    db.Prepare("UPDATE accounts SET password_hash = ? WHERE id = ?")
        .Bind(1, hash)
        .Bind(2, accountId)
        .Run();
    db.Prepare("DELETE FROM tokens WHERE account_id = ?").Bind(1, accountId).Run();
  });
  if (failure != 0) throw CApiError(failure, failure == RC_PHONE_UNKNOWN ? phone : std::string());
}

std::int64_t CAccountStore::AccountOfToken(const std::string& token) {
  std::int64_t accountId = 0;
  m_db.Transaction([&](CDatabase& db) {
    auto st = db.Prepare("SELECT account_id FROM tokens WHERE token = ? AND expires_at > ?");
    st.Bind(1, token).Bind(2, now());
    if (st.Step()) accountId = st.Int64(0);
  });
  if (accountId == 0) throw CApiError(RC_BAD_TOKEN);
  return accountId;
}

std::int64_t CAccountStore::CreateAccount(const std::string& phone, const std::string& password,
                                          const std::string& company,
                                          const std::string& contactName) {
  CheckPhone(phone);
  CheckPassword(password);
  const std::string hash = m_hasher.Hash(password);
  std::int64_t accountId = 0;
  m_db.Transaction([&](CDatabase& db) {
    if (FindAccountLocked(db, phone) != 0) return;
    accountId = InsertAccountLocked(db, phone, hash, company, contactName);
  });
  return accountId;
}

std::int64_t CAccountStore::FindAccount(const std::string& phone) {
  std::int64_t accountId = 0;
  m_db.Transaction([&](CDatabase& db) { accountId = FindAccountLocked(db, phone); });
  return accountId;
}

std::int64_t CAccountStore::InsertAccountLocked(CDatabase& db, const std::string& phone,
                                                const std::string& hash, const std::string& company,
                                                const std::string& contactName) {
  db.Prepare(
        "INSERT INTO accounts(phone, password_hash, company, contact_name, "
        "wechat_quantity, created_at) VALUES(?, ?, ?, ?, ?, ?)")
      .Bind(1, phone)
      .Bind(2, hash)
      .Bind(3, company)
      .Bind(4, contactName)
      .Bind(5, m_limits.nWechatQuantity)
      .Bind(6, now())
      .Run();
  return db.LastInsertId();
}

std::int64_t CAccountStore::FindAccountLocked(CDatabase& db, const std::string& phone) {
  auto st = db.Prepare("SELECT id FROM accounts WHERE phone = ?");
  st.Bind(1, phone);
  return st.Step() ? st.Int64(0) : 0;
}

int CAccountStore::ConsumeSmsCodeLocked(CDatabase& db, const std::string& phone,
                                        ESmsPurpose purpose, const std::string& code) {
  const auto purposeValue = static_cast<std::int64_t>(purpose);
  std::string expected;
  bool expired = false;
  bool voided = false;
  {
    auto st = db.Prepare(
        "SELECT code, expires_at, failed_attempts FROM sms_codes "
        "WHERE phone = ? AND purpose = ?");
    st.Bind(1, phone).Bind(2, purposeValue);
    if (!st.Step()) return RC_BAD_SMS_CODE;
    expected = st.Text(0);
    expired = st.Int64(1) <= now();
    voided = st.Int64(2) >= kMaxSmsAttempts;
  }
  if (!expired && !voided && sameCode(expected, code)) {
    db.Prepare("DELETE FROM sms_codes WHERE phone = ? AND purpose = ?")
        .Bind(1, phone)
        .Bind(2, purposeValue)
        .Run();
    return 0;
  }
  if (expired)
    db.Prepare("DELETE FROM sms_codes WHERE phone = ? AND purpose = ?")
        .Bind(1, phone)
        .Bind(2, purposeValue)
        .Run();
  else
    db.Prepare(
          "UPDATE sms_codes SET failed_attempts = failed_attempts + 1 "
          "WHERE phone = ? AND purpose = ?")
        .Bind(1, phone)
        .Bind(2, purposeValue)
        .Run();
  return RC_BAD_SMS_CODE;
}

}  // namespace refserver
