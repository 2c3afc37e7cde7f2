#pragma once

#include <cstdint>
#include <string>

#include "refserver/Database.h"
#include "refserver/PasswordHasher.h"

namespace refserver {

enum class ESmsPurpose : int { Register = 1, ResetPassword = 2 };

struct TAccountLimits {
  std::int64_t nTokenTtl = 7 * 24 * 3600;
  std::int64_t nSmsTtl = 5 * 60;
  int nWechatQuantity = 10;
};

struct TLoginResult {
  std::string sToken;
  int nWechatQuantity = 0;
};

// Operator accounts, their SMS codes and login tokens.
//
// SMS codes are six digits, one live code per phone and purpose (a new request replaces the
// old one), valid for the configured time, used up by the first successful use and voided
// after five wrong guesses. Tokens are 128 random bits in hex; a password reset revokes all
// tokens of the account. Every failure throws CApiError with its result code.
class CAccountStore {
 public:
  CAccountStore(CDatabase& db, const CPasswordHasher& hasher, TAccountLimits limits);

  // Issues a code for the phone; registration needs an unknown phone, reset a known one.
  std::string IssueSmsCode(const std::string& phone, ESmsPurpose purpose);
  std::int64_t Register(const std::string& phone, const std::string& password,
                        const std::string& company, const std::string& contactName,
                        const std::string& smsCode);
  TLoginResult Login(const std::string& phone, const std::string& password);
  void ResetPassword(const std::string& phone, const std::string& password,
                     const std::string& smsCode);
  // The account a live token belongs to; RC_BAD_TOKEN otherwise.
  std::int64_t AccountOfToken(const std::string& token);

  // Creates an account without an SMS code (the demo seed). Returns 0 when the phone exists.
  std::int64_t CreateAccount(const std::string& phone, const std::string& password,
                             const std::string& company, const std::string& contactName);
  std::int64_t FindAccount(const std::string& phone);

  static void CheckPhone(const std::string& phone);
  static void CheckPassword(const std::string& password);

 private:
  std::int64_t FindAccountLocked(CDatabase& db, const std::string& phone);
  // The one place an account row is written; returns its id.
  std::int64_t InsertAccountLocked(CDatabase& db, const std::string& phone, const std::string& hash,
                                   const std::string& company, const std::string& contactName);
  // 0 when the code was right (and is now used up), else the failure code to report.
  int ConsumeSmsCodeLocked(CDatabase& db, const std::string& phone, ESmsPurpose purpose,
                           const std::string& code);

  CDatabase& m_db;
  const CPasswordHasher& m_hasher;
  TAccountLimits m_limits;
};

}  // namespace refserver
