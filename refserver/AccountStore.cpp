#include "refserver/AccountStore.h"

#include "refserver/ApiError.h"

#include <sodium.h>

#include <algorithm>

namespace refserver {

namespace {

constexpr int kMaxSmsAttempts = 5;
constexpr std::int64_t kDay = 24 * 3600;
constexpr size_t kMinPasswordChars = 8;
constexpr size_t kMaxPasswordBytes = 128;

// Characters of UTF-8 text (the form layer has checked that it is UTF-8).
size_t utf8Chars(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

bool sameCode(const std::string& a, const std::string& b) {
  return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

CAccountStore::CAccountStore(CDatabase& db, const CPasswordHasher& hasher, const IClock& clock,
                             TAccountLimits limits)
    : m_db(db), m_hasher(hasher), m_clock(clock), m_limits(limits), m_guard(clock) {}

std::int64_t CAccountStore::Now() const {
  return m_clock.UnixSeconds();
}

void CAccountStore::CheckPhone(const std::string& phone) {
  const size_t digitsFrom = (!phone.empty() && phone[0] == '+') ? 1 : 0;
  const size_t digits = phone.size() - digitsFrom;
  if (digits < 5 || digits > 20) throw CApiError(RC_BAD_PHONE, phone);
  for (size_t i = digitsFrom; i < phone.size(); ++i)
    if (phone[i] < '0' || phone[i] > '9') throw CApiError(RC_BAD_PHONE, phone);
}

void CAccountStore::CheckPassword(const std::string& password) {
  if (utf8Chars(password) < kMinPasswordChars)
    throw CApiError(RC_BAD_PASSWORD, "密码长度不能少于8位");
  if (password.size() > kMaxPasswordBytes)
    throw CApiError(RC_BAD_PASSWORD, "密码长度不能超过128位");
}

bool CAccountStore::IssueSmsCode(const std::string& phone, ESmsPurpose purpose,
                                 const SmsDelivery& deliver) {
  CheckPhone(phone);
  bool issued = false;
  m_db.Transaction([&](CDatabase& db) {
    db.Prepare("DELETE FROM sms_codes WHERE expires_at <= ?").Bind(1, Now()).Run();
    db.Prepare("DELETE FROM sms_limits WHERE window_start <= ?").Bind(1, Now() - kDay).Run();
    TPhoneUse use = LoadPhoneUseLocked(db, phone);
    if (Now() < use.nLastSent + m_limits.nSmsInterval || use.nSent >= m_limits.nSmsPerDay)
      throw CApiError(RC_TOO_FREQUENT, phone);
    use.nLastSent = Now();
    ++use.nSent;
    SavePhoneUseLocked(db, phone, use);
    const bool known = FindAccountLocked(db, phone) != 0;
    const bool made = known == (purpose == ESmsPurpose::ResetPassword);
    const std::string code = CPasswordHasher::RandomDigits(6);
    // A live code's wrong guesses carry over to its replacement: a new code buys no new
    // guesses. Expired codes, and their guesses, were deleted above. A code not made is
    // stored expired: nothing checks against it, and the next request deletes it.
    db.Prepare(
          "INSERT INTO sms_codes(phone, purpose, code, expires_at, failed_attempts) "
          "VALUES(?, ?, ?, ?, 0) ON CONFLICT(phone, purpose) DO UPDATE SET "
          "code = excluded.code, expires_at = excluded.expires_at")
        .Bind(1, phone)
        .Bind(2, static_cast<std::int64_t>(purpose))
        .Bind(3, code)
        .Bind(4, made ? Now() + m_limits.nSmsTtl : Now())
        .Run();
    deliver(code, made);
    issued = made;
  });
  return issued;
}

std::int64_t CAccountStore::Register(const std::string& phone, const std::string& password,
                                     const std::string& company, const std::string& contactName,
                                     const std::string& smsCode, const std::string& client) {
  CheckPhone(phone);
  CheckPassword(password);
  CheckSmsCode(phone, ESmsPurpose::Register, smsCode);
  const std::string hash = m_hasher.Hash(password, client);  // slow: last, outside the lock
  std::int64_t accountId = 0;
  int failure = 0;
  m_db.Transaction([&](CDatabase& db) {
    failure = CheckSmsCodeLocked(db, phone, ESmsPurpose::Register, smsCode, true);
    if (failure == 0 && FindAccountLocked(db, phone) != 0) failure = RC_PHONE_TAKEN;
    if (failure == 0) accountId = InsertAccountLocked(db, phone, hash, company, contactName);
  });
  if (failure != 0) throw CApiError(failure);
  return accountId;
}

TLoginResult CAccountStore::Login(const std::string& phone, const std::string& password,
                                  const std::string& client) {
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
  // A phone guessed at waits; an address the account signed in from before need not.
  if (!m_guard.MayTry(phone) && (accountId == 0 || !KnownAddress(accountId, client)))
    throw CApiError(RC_TOO_FREQUENT, "password");
  // One message and one hash's time for an unknown phone and a wrong password alike.
  if (accountId == 0) {
    m_hasher.VerifyNobody(password, client);
    m_guard.Failed(phone);
    throw CApiError(RC_WRONG_PASSWORD);
  }
  if (!m_hasher.Verify(hash, password, client)) {
    m_guard.Failed(phone);
    throw CApiError(RC_WRONG_PASSWORD);
  }
  m_guard.Succeeded(phone);
  result.sToken = CPasswordHasher::RandomHex(16);
  const std::string digest = CPasswordHasher::Digest(result.sToken);
  const std::int64_t expiresAt = Now() + m_limits.nTokenTtl;
  try {
    m_db.Transaction([&](CDatabase& db) {
      db.Prepare("DELETE FROM tokens WHERE expires_at <= ?").Bind(1, Now()).Run();
      db.Prepare(
            "INSERT INTO sign_ins(account_id, address, last_at) VALUES(?, ?, ?) "
            "ON CONFLICT(account_id, address) DO UPDATE SET last_at = excluded.last_at")
          .Bind(1, accountId)
          .Bind(2, client)
          .Bind(3, Now())
          .Run();
      db.Prepare("INSERT INTO tokens(token, account_id, expires_at) VALUES(?, ?, ?)")
          .Bind(1, digest)
          .Bind(2, accountId)
          .Bind(3, expiresAt)
          .Run();
    });
  } catch (const CApiError& error) {
    // The password was right: a full disk must not lock the owner out. The token is kept
    // in memory and written down once there is room; only the sign-in address is lost.
    if (error.Code() != RC_DISK_FULL) throw;
    std::lock_guard lock(m_unwrittenMutex);
    m_mapUnwritten[digest] = {accountId, expiresAt};
  }
  return result;
}

void CAccountStore::ResetPassword(const std::string& phone, const std::string& password,
                                  const std::string& smsCode, const std::string& client) {
  CheckPhone(phone);
  CheckPassword(password);
  // An unknown phone never has a reset code, so it fails here like a wrong code.
  CheckSmsCode(phone, ESmsPurpose::ResetPassword, smsCode);
  const std::string hash = m_hasher.Hash(password, client);
  int failure = 0;
  std::int64_t accountId = 0;
  m_db.Transaction([&](CDatabase& db) {
    failure = CheckSmsCodeLocked(db, phone, ESmsPurpose::ResetPassword, smsCode, true);
    accountId = failure == 0 ? FindAccountLocked(db, phone) : 0;
    if (failure != 0 || accountId == 0) {
      failure = RC_BAD_SMS_CODE;
      return;
    }
    db.Prepare("UPDATE accounts SET password_hash = ? WHERE id = ?")
        .Bind(1, hash)
        .Bind(2, accountId)
        .Run();
    db.Prepare("DELETE FROM tokens WHERE account_id = ?").Bind(1, accountId).Run();
  });
  if (failure != 0) throw CApiError(failure);
  std::lock_guard lock(m_unwrittenMutex);
  std::erase_if(m_mapUnwritten,
                [&](const auto& entry) { return entry.second.nAccount == accountId; });
}

std::int64_t CAccountStore::AccountOfToken(const std::string& token) {
  std::int64_t accountId = 0;
  m_db.Transaction([&](CDatabase& db) {
    auto st = db.Prepare("SELECT account_id FROM tokens WHERE token = ? AND expires_at > ?");
    st.Bind(1, CPasswordHasher::Digest(token)).Bind(2, Now());
    if (st.Step()) accountId = st.Int64(0);
  });
  if (accountId != 0) return accountId;
  return AccountOfUnwrittenToken(CPasswordHasher::Digest(token));
}

std::int64_t CAccountStore::AccountOfUnwrittenToken(const std::string& digest) {
  TUnwrittenToken unwritten;
  {
    std::lock_guard lock(m_unwrittenMutex);
    const auto it = m_mapUnwritten.find(digest);
    if (it == m_mapUnwritten.end()) throw CApiError(RC_BAD_TOKEN);
    if (it->second.nExpiresAt <= Now()) {
      m_mapUnwritten.erase(it);
      throw CApiError(RC_BAD_TOKEN);
    }
    unwritten = it->second;
  }
  // Written down as soon as there is room, so that it outlives a restart.
  try {
    m_db.Transaction([&](CDatabase& db) {
      db.Prepare("INSERT OR IGNORE INTO tokens(token, account_id, expires_at) VALUES(?, ?, ?)")
          .Bind(1, digest)
          .Bind(2, unwritten.nAccount)
          .Bind(3, unwritten.nExpiresAt)
          .Run();
    });
    std::lock_guard lock(m_unwrittenMutex);
    m_mapUnwritten.erase(digest);
  } catch (const CApiError& error) {
    if (error.Code() != RC_DISK_FULL) throw;
  }
  return unwritten.nAccount;
}

std::int64_t CAccountStore::CreateAccount(const std::string& phone, const std::string& password,
                                          const std::string& company,
                                          const std::string& contactName) {
  CheckPhone(phone);
  CheckPassword(password);
  const std::string hash = m_hasher.Hash(password, {});
  std::int64_t accountId = 0;
  m_db.Transaction([&](CDatabase& db) {
    if (FindAccountLocked(db, phone) != 0) return;
    accountId = InsertAccountLocked(db, phone, hash, company, contactName);
  });
  return accountId;
}

bool CAccountStore::KnownAddress(std::int64_t accountId, const std::string& client) {
  bool known = false;
  m_db.Transaction([&](CDatabase& db) {
    auto st = db.Prepare("SELECT 1 FROM sign_ins WHERE account_id = ? AND address = ?");
    st.Bind(1, accountId).Bind(2, client);
    known = st.Step();
  });
  return known;
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
      .Bind(6, Now())
      .Run();
  return db.LastInsertId();
}

std::int64_t CAccountStore::FindAccountLocked(CDatabase& db, const std::string& phone) {
  auto st = db.Prepare("SELECT id FROM accounts WHERE phone = ?");
  st.Bind(1, phone);
  return st.Step() ? st.Int64(0) : 0;
}

CAccountStore::TPhoneUse CAccountStore::LoadPhoneUseLocked(CDatabase& db,
                                                           const std::string& phone) {
  TPhoneUse use;
  auto st = db.Prepare(
      "SELECT window_start, last_sent_at, sent FROM sms_limits "
      "WHERE phone = ?");
  st.Bind(1, phone);
  if (st.Step() && st.Int64(0) > Now() - kDay)
    use = {st.Int64(0), st.Int64(1), st.Int64(2)};
  else
    use.nWindowStart = Now();
  return use;
}

void CAccountStore::SavePhoneUseLocked(CDatabase& db, const std::string& phone,
                                       const TPhoneUse& use) {
  // Wrong guesses are counted on the codes now; the column stays for older databases.
  db.Prepare(
        "INSERT OR REPLACE INTO sms_limits(phone, window_start, last_sent_at, sent, "
        "failed_attempts) VALUES(?, ?, ?, ?, ?)")
      .Bind(1, phone)
      .Bind(2, use.nWindowStart)
      .Bind(3, use.nLastSent)
      .Bind(4, use.nSent)
      .Bind(5, std::int64_t{0})
      .Run();
}

int CAccountStore::CheckSmsCodeLocked(CDatabase& db, const std::string& phone, ESmsPurpose purpose,
                                      const std::string& code, bool consume) {
  const auto purposeValue = static_cast<std::int64_t>(purpose);
  std::int64_t failed = 0;
  bool right = false;
  {
    auto st = db.Prepare(
        "SELECT code, failed_attempts FROM sms_codes "
        "WHERE phone = ? AND purpose = ? AND expires_at > ?");
    st.Bind(1, phone).Bind(2, purposeValue).Bind(3, Now());
    // No code sent (or it expired): nothing to guess at, and nothing is counted.
    if (!st.Step()) return RC_BAD_SMS_CODE;
    failed = st.Int64(1);
    right = sameCode(st.Text(0), code);
  }
  if (failed >= kMaxSmsAttempts) return RC_BAD_SMS_CODE;  // this code has no guesses left
  if (!right) {
    db.Prepare(
          "UPDATE sms_codes SET failed_attempts = failed_attempts + 1 "
          "WHERE phone = ? AND purpose = ?")
        .Bind(1, phone)
        .Bind(2, purposeValue)
        .Run();
    return RC_BAD_SMS_CODE;
  }
  if (consume)
    db.Prepare("DELETE FROM sms_codes WHERE phone = ? AND purpose = ?")
        .Bind(1, phone)
        .Bind(2, purposeValue)
        .Run();
  return 0;
}

void CAccountStore::CheckSmsCode(const std::string& phone, ESmsPurpose purpose,
                                 const std::string& code) {
  int failure = 0;
  m_db.Transaction(
      [&](CDatabase& db) { failure = CheckSmsCodeLocked(db, phone, purpose, code, false); });
  if (failure != 0) throw CApiError(failure);
}

}  // namespace refserver
