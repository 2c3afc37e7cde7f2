#include "refserver/LoginGuard.h"

#include <algorithm>

namespace refserver {

namespace {

// A phone is forgotten this long after its last wrong password.
constexpr IClock::Monotonic::duration kMemory = std::chrono::hours(1);

}  // namespace

CLoginGuard::CLoginGuard(const IClock& clock) : m_clock(clock) {}

bool CLoginGuard::MayTry(const std::string& phone) {
  const auto now = m_clock.MonotonicNow();
  std::lock_guard lock(m_mutex);
  PruneLocked(now);
  const auto it = m_mapGuesses.find(phone);
  return it == m_mapGuesses.end() || now >= it->second.tryAgainAt;
}

void CLoginGuard::Failed(const std::string& phone) {
  const auto now = m_clock.MonotonicNow();
  std::lock_guard lock(m_mutex);
  TGuesses& guesses = m_mapGuesses[phone];
  ++guesses.nFailed;
  guesses.lastFailure = now;
  const int over = guesses.nFailed - kFreeGuesses;
  if (over < 0) return;
  // 1 s << over, without overflowing the shift for a phone guessed at for hours.
  Clock::duration wait = kFirstWait;
  for (int i = 0; i < over && wait < kLongestWait; ++i) wait *= 2;
  guesses.tryAgainAt = now + std::min(wait, kLongestWait);
}

void CLoginGuard::Succeeded(const std::string& phone) {
  const auto now = m_clock.MonotonicNow();
  std::lock_guard lock(m_mutex);
  const auto it = m_mapGuesses.find(phone);
  if (it != m_mapGuesses.end() && now >= it->second.tryAgainAt) m_mapGuesses.erase(it);
}

void CLoginGuard::PruneLocked(Clock::time_point now) {
  if (now - m_lastPrune < std::chrono::minutes(1)) return;
  m_lastPrune = now;
  std::erase_if(m_mapGuesses, [&](const auto& entry) {
    return now - entry.second.lastFailure > kMemory && now >= entry.second.tryAgainAt;
  });
}

}  // namespace refserver
