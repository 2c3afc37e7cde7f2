#pragma once

#include <semaphore>
#include <string>

namespace refserver {

// Slow salted password hashes (libsodium's crypto_pwhash_str, Argon2id). The salt and the
// cost limits travel inside the stored text, so hashes made with the fast test limits still
// verify after a restart with the interactive limits and the other way round.
class CPasswordHasher {
 public:
  // fast = true uses libsodium's minimum limits (tests); otherwise the interactive ones.
  explicit CPasswordHasher(bool fast);

  // Throws std::runtime_error when libsodium cannot hash (out of memory).
  std::string Hash(const std::string& password) const;
  bool Verify(const std::string& storedHash, const std::string& password) const;

  // Random bytes as lowercase hex (2 × byteCount characters).
  static std::string RandomHex(size_t byteCount);
  // A random decimal code of the given number of digits, leading zeros kept.
  static std::string RandomDigits(int digits);

 private:
  unsigned long long m_nOpsLimit;
  size_t m_nMemLimit;
  // Each hash takes 64 MiB at the interactive limits: a burst of logins on every request
  // thread would take a gigabyte, so only a few hash at once and the rest wait.
  mutable std::counting_semaphore<> m_slots{2};
};

}  // namespace refserver
