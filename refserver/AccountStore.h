// Operator accounts, their SMS codes and login tokens.
//
// SMS codes are six digits, one live code per phone and purpose (a new request replaces the
// old one), valid for the configured time and used up by the first successful use. A phone
// gets at most one code per interval and a few a day. Five wrong guesses void a code; they
// count only against a code that was sent and is still live, so nobody can use them up for
// a phone that has no code, and they expire with the code. A code that replaces a live one
// keeps its count: a new code does not buy new guesses.
//
// Passwords are 8 to 128 characters (checked on registration and reset). Wrong passwords
// are limited per phone, from any address, by CLoginGuard; an address the account signed
// in from before still signs in with the right password while the phone waits.
//
// Nothing here tells whether a phone is registered: a code request for a phone that does
// not fit the purpose succeeds without making a code, a reset for an unknown phone fails as
// a wrong code does, and a login for an unknown phone hashes as long as a wrong password.
// Password hashing comes last in every request, after all cheap checks passed; `client`
// (the caller's address) bounds it per client. Tokens are 128 random bits in hex; a
// password reset revokes all tokens of the account. Every failure throws CApiError with its
// result code. Only digests of tokens are stored: a copy of the database signs nobody in.
//
// Called from every request thread at once: each operation runs in database transactions
// of its own. The database, the hasher and the clock are the server's and outlive this.
#pragma once

#include "refserver/Clock.h"
#include "refserver/Database.h"
#include "refserver/LoginGuard.h"
#include "refserver/PasswordHasher.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace refserver {

enum class ESmsPurpose : int { Register = 1, ResetPassword = 2 };

struct TAccountLimits {
  std::int64_t nTokenTtl = 7 * 24 * 3600;
  std::int64_t nSmsTtl = 5 * 60;
  int nWechatQuantity = 10;
  std::int64_t nSmsInterval = 60;  // seconds between two codes for one phone
  int nSmsPerDay = 10;             // codes for one phone in a day
};

// Hands a new code to its reader (the log and the codes file) when it was made, or records
// that none was (made = false) with the same work. Throws when it cannot, and then nothing
// is issued.
using SmsDelivery = std::function<void(const std::string& code, bool made)>;

struct TLoginResult {
  std::string sToken;
  int nWechatQuantity = 0;
};

class CAccountStore {
 public:
  CAccountStore(CDatabase& db, const CPasswordHasher& hasher, const IClock& clock,
                TAccountLimits limits);

  // Issues a code for the phone when it fits the purpose (registration: an unknown phone,
  // reset: a known one) and delivers it inside the transaction. Returns whether a code was
  // made; the caller replies the same either way. Both ways do the same work: a code that
  // does not fit is made, stored void and handed over as not made, so that neither the
  // time taken nor anything else tells a registered phone.
  bool IssueSmsCode(const std::string& phone, ESmsPurpose purpose, const SmsDelivery& deliver);
  std::int64_t Register(const std::string& phone, const std::string& password,
                        const std::string& company, const std::string& contactName,
                        const std::string& smsCode, const std::string& client);
  TLoginResult Login(const std::string& phone, const std::string& password,
                     const std::string& client);
  void ResetPassword(const std::string& phone, const std::string& password,
                     const std::string& smsCode, const std::string& client);
  // The account a live token belongs to; RC_BAD_TOKEN otherwise.
  std::int64_t AccountOfToken(const std::string& token);

  // Creates an account without an SMS code (the demo seed). Returns 0 when the phone exists.
  std::int64_t CreateAccount(const std::string& phone, const std::string& password,
                             const std::string& company, const std::string& contactName);
  std::int64_t FindAccount(const std::string& phone);

  static void CheckPhone(const std::string& phone);
  static void CheckPassword(const std::string& password);

 private:
  std::int64_t Now() const;

  // What a phone has used of its daily allowance of codes.
  struct TPhoneUse {
    std::int64_t nWindowStart = 0;
    std::int64_t nLastSent = 0;
    std::int64_t nSent = 0;
  };

  // The account of a token kept in memory by a sign-in on a full disk; RC_BAD_TOKEN when
  // there is none. Writes it down when there is room again.
  std::int64_t AccountOfUnwrittenToken(const std::string& digest);

  // Whether the account has signed in from the address before.
  bool KnownAddress(std::int64_t accountId, const std::string& client);

  std::int64_t FindAccountLocked(CDatabase& db, const std::string& phone);
  // The phone's use in the current day-long window (a fresh one when the last has passed).
  TPhoneUse LoadPhoneUseLocked(CDatabase& db, const std::string& phone);
  void SavePhoneUseLocked(CDatabase& db, const std::string& phone, const TPhoneUse& use);
  // The one place an account row is written; returns its id.
  std::int64_t InsertAccountLocked(CDatabase& db, const std::string& phone, const std::string& hash,
                                   const std::string& company, const std::string& contactName);
  // 0 when the code is right, else the failure code to report; a wrong guess at a live
  // code counts against that code. With consume, a right code is used up.
  int CheckSmsCodeLocked(CDatabase& db, const std::string& phone, ESmsPurpose purpose,
                         const std::string& code, bool consume);
  // Runs the check in a transaction of its own and throws its failure after the commit,
  // so that the wrong guess stays counted.
  void CheckSmsCode(const std::string& phone, ESmsPurpose purpose, const std::string& code);

  CDatabase& m_db;
  const CPasswordHasher& m_hasher;
  const IClock& m_clock;
  TAccountLimits m_limits;
  CLoginGuard m_guard;

  // A sign-in on a full disk keeps its token here until it can be written; they are few and
  // short-lived (lost with a restart, when the client signs in again).
  struct TUnwrittenToken {
    std::int64_t nAccount = 0;
    std::int64_t nExpiresAt = 0;
  };
  mutable std::mutex m_unwrittenMutex;
  std::map<std::string, TUnwrittenToken> m_mapUnwritten;  // by token digest
};

}  // namespace refserver
