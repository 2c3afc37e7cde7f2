#include "refserver/RateLimiter.h"

namespace refserver {

CRateLimiter::CRateLimiter(const IClock& clock, size_t limit, Clock::duration window)
    : m_clock(clock), m_nLimit(limit), m_window(window) {}

bool CRateLimiter::Allow(const std::string& key) {
  const auto now = m_clock.MonotonicNow();
  std::lock_guard lock(m_mutex);
  PruneLocked(now);
  std::deque<Clock::time_point>& events = m_mapEvents[key];
  while (!events.empty() && events.front() <= now - m_window) events.pop_front();
  if (events.size() >= m_nLimit) return false;
  events.push_back(now);
  return true;
}

void CRateLimiter::PruneLocked(Clock::time_point now) {
  if (now - m_lastPrune < m_window) return;
  m_lastPrune = now;
  for (auto it = m_mapEvents.begin(); it != m_mapEvents.end();) {
    if (it->second.empty() || it->second.back() <= now - m_window)
      it = m_mapEvents.erase(it);
    else
      ++it;
  }
}

}  // namespace refserver
