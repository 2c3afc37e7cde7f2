#include "refserver/PasswordHasher.h"

#include "refserver/ApiError.h"

#include <sodium.h>

#include <stdexcept>
#include <vector>

namespace refserver {

namespace {

// Set on the threads that may wait for a hashing slot.
thread_local bool t_mayWaitForSlot = false;

void ensureSodium() {
  // sodium_init is safe to call repeatedly and from several threads.
  if (sodium_init() < 0) throw std::runtime_error("libsodium cannot be initialised");
}

}  // namespace

// A client's one hashing turn, held for the time of one hash; refused when the client
// already holds one.
class CPasswordHasher::CClientTurn {
 public:
  CClientTurn(const CPasswordHasher& hasher, const std::string& client)
      : m_hasher(hasher), m_sClient(client) {
    if (m_sClient.empty()) return;
    std::lock_guard lock(m_hasher.m_clientsMutex);
    int& hashing = m_hasher.m_mapClientsHashing[m_sClient];
    if (hashing > 0) throw CApiError(RC_TOO_FREQUENT, "password");
    ++hashing;
  }
  ~CClientTurn() {
    if (m_sClient.empty()) return;
    std::lock_guard lock(m_hasher.m_clientsMutex);
    const auto it = m_hasher.m_mapClientsHashing.find(m_sClient);
    if (--it->second == 0) m_hasher.m_mapClientsHashing.erase(it);
  }
  CClientTurn(const CClientTurn&) = delete;
  CClientTurn& operator=(const CClientTurn&) = delete;

 private:
  const CPasswordHasher& m_hasher;
  std::string m_sClient;
};

// One of the hashing slots: waited for on the threads given leave to, RC_SERVER_BUSY at
// once on any other when all are taken.
class CPasswordHasher::CSlot {
 public:
  explicit CSlot(const CPasswordHasher& hasher) : m_hasher(hasher) {
    std::unique_lock lock(m_hasher.m_slotMutex);
    if (m_hasher.m_nRunning >= kSlots) {
      if (!t_mayWaitForSlot) throw CApiError(RC_SERVER_BUSY, "password");
      m_hasher.m_slotFree.wait(lock, [&] { return m_hasher.m_nRunning < kSlots; });
    }
    ++m_hasher.m_nRunning;
  }
  ~CSlot() {
    {
      std::lock_guard lock(m_hasher.m_slotMutex);
      --m_hasher.m_nRunning;
    }
    m_hasher.m_slotFree.notify_one();
  }
  CSlot(const CSlot&) = delete;
  CSlot& operator=(const CSlot&) = delete;

 private:
  const CPasswordHasher& m_hasher;
};

CPasswordHasher::CPasswordHasher(bool fast)
    : m_nOpsLimit(fast ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE),
      m_nMemLimit(fast ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE) {
  ensureSodium();
  m_sNobodyHash = Hash(RandomHex(16), {});
  m_nCount = 0;
}

std::string CPasswordHasher::Hash(const std::string& password, const std::string& client) const {
  const CClientTurn turn(*this, client);
  char out[crypto_pwhash_STRBYTES];
  int rc = 0;
  {
    const CSlot slot(*this);
    rc = crypto_pwhash_str(out, password.data(), password.size(), m_nOpsLimit, m_nMemLimit);
  }
  ++m_nCount;
  if (rc != 0) throw std::runtime_error("password hashing failed");
  return out;
}

bool CPasswordHasher::Verify(const std::string& storedHash, const std::string& password,
                             const std::string& client) const {
  if (storedHash.size() >= crypto_pwhash_STRBYTES) return false;
  const CClientTurn turn(*this, client);
  int rc = 0;
  {
    const CSlot slot(*this);
    rc = crypto_pwhash_str_verify(storedHash.c_str(), password.data(), password.size());
  }
  ++m_nCount;
  return rc == 0;
}

void CPasswordHasher::WaitForSlotsOnThisThread() {
  t_mayWaitForSlot = true;
}

void CPasswordHasher::VerifyNobody(const std::string& password, const std::string& client) const {
  Verify(m_sNobodyHash, password, client);
}

std::string CPasswordHasher::Digest(const std::string& text) {
  ensureSodium();
  unsigned char digest[crypto_generichash_BYTES];
  crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(text.data()),
                     text.size(), nullptr, 0);
  char hex[sizeof digest * 2 + 1];
  sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
  return hex;
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
