#include "refserver/PasswordHasher.h"

#include <sodium.h>

#include <stdexcept>
#include <vector>

namespace refserver {

namespace {

void ensureSodium() {
  // sodium_init is safe to call repeatedly and from several threads.
  if (sodium_init() < 0) throw std::runtime_error("libsodium cannot be initialised");
}

}  // namespace

CPasswordHasher::CPasswordHasher(bool fast)
    : m_nOpsLimit(fast ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE),
      m_nMemLimit(fast ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE) {
  ensureSodium();
}

std::string CPasswordHasher::Hash(const std::string& password) const {
  char out[crypto_pwhash_STRBYTES];
  m_slots.acquire();
  const int rc = crypto_pwhash_str(out, password.data(), password.size(), m_nOpsLimit, m_nMemLimit);
  m_slots.release();
  if (rc != 0) throw std::runtime_error("password hashing failed");
  return out;
}

bool CPasswordHasher::Verify(const std::string& storedHash, const std::string& password) const {
  if (storedHash.size() >= crypto_pwhash_STRBYTES) return false;
  m_slots.acquire();
  const int rc = crypto_pwhash_str_verify(storedHash.c_str(), password.data(), password.size());
  m_slots.release();
  return rc == 0;
}

std::string CPasswordHasher::RandomHex(size_t byteCount) {
  ensureSodium();
  std::vector<unsigned char> bytes(byteCount);
  randombytes_buf(bytes.data(), bytes.size());
  std::string hex(byteCount * 2 + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), bytes.data(), bytes.size());
  hex.pop_back();
  return hex;
}

std::string CPasswordHasher::RandomDigits(int digits) {
  ensureSodium();
  std::string code;
  for (int i = 0; i < digits; ++i) code.push_back(static_cast<char>('0' + randombytes_uniform(10)));
  return code;
}

}  // namespace refserver
