// Slow salted password hashes (libsodium's crypto_pwhash_str, Argon2id). The salt and the
// cost limits travel inside the stored text, so hashes made with the fast test limits still
// verify after a restart with the interactive limits and the other way round.
//
// Hashing is the one thing an anonymous client can make expensive, so it is bounded three
// times: a few hashes run at once in the whole server (kSlots); only threads that were
// given leave to (the HTTP edge's hashing lane, which keeps a bounded queue of its own on
// the loop) wait for a slot, any other finds the slots taken and is refused at once with
// RC_SERVER_BUSY, so a flood from many addresses holds no worker and delays a genuine login
// at most by the lane's queue; and each client (its address) has at most one hash running
// or waiting (a second at the same time gets RC_TOO_FREQUENT), so one client cannot fill
// the queue.
//
// The server owns one for its whole life; it is called from every request thread at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <condition_variable>
#include <string>

namespace refserver {

class CPasswordHasher {
 public:
  // fast = true uses libsodium's minimum limits (tests); otherwise the interactive ones.
  explicit CPasswordHasher(bool fast);

  // Throws std::runtime_error when libsodium cannot hash (out of memory), CApiError when
  // the client already has a hash in progress. An empty client is not bounded (start-up).
  std::string Hash(const std::string& password, const std::string& client) const;
  bool Verify(const std::string& storedHash, const std::string& password,
              const std::string& client) const;
  // Costs what Verify costs and always fails: a login for an unknown phone takes as long
  // as one with a wrong password, so timing tells no registered phones.
  void VerifyNobody(const std::string& password, const std::string& client) const;

  // Hashes and verifications done so far.
  std::uint64_t Count() const { return m_nCount; }

  // How many hashes run at once.
  static constexpr int kSlots = 2;
  // Lets the calling thread wait for a hashing slot instead of being told busy; for the
  // threads of the hashing lane, whose number is the slots'.
  static void WaitForSlotsOnThisThread();

  // A fast unsalted digest (BLAKE2b-256) as 64 hex characters: what is stored of a login
  // token, which is random enough that nothing slower is needed.
  static std::string Digest(const std::string& text);

  // Random bytes as lowercase hex (2 × byteCount characters).
  static std::string RandomHex(size_t byteCount);
  // A random decimal code of the given number of digits, leading zeros kept.
  static std::string RandomDigits(int digits);

 private:
  class CClientTurn;

  unsigned long long m_nOpsLimit;
  size_t m_nMemLimit;
  std::string m_sNobodyHash;
  // Each hash takes 64 MiB at the interactive limits: a burst of logins on every request
  // thread would take gigabytes, so only a few hash at once.
  class CSlot;
  mutable std::mutex m_slotMutex;
  mutable std::condition_variable m_slotFree;
  mutable int m_nRunning = 0;
  mutable std::mutex m_clientsMutex;
  mutable std::map<std::string, int> m_mapClientsHashing;
  mutable std::atomic<std::uint64_t> m_nCount = 0;
};

}  // namespace refserver
