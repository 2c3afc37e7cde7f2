#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace refserver {

// Counts events per key (a client address) over a sliding window and refuses those beyond
// the limit. Kept in memory: a restart forgets it, which only ever lets a client do more.
class CRateLimiter {
 public:
  using Clock = std::chrono::steady_clock;

  CRateLimiter(size_t limit, Clock::duration window);

  // Records an event for the key; false, recording nothing, when the key already had
  // `limit` events within the window.
  bool Allow(const std::string& key);

 private:
  // Forgets keys whose events all lie outside the window, so many addresses cannot grow
  // the table without bound.
  void PruneLocked(Clock::time_point now);

  size_t m_nLimit;
  Clock::duration m_window;
  std::mutex m_mutex;
  std::map<std::string, std::deque<Clock::time_point>> m_mapEvents;
  Clock::time_point m_lastPrune{};
};

}  // namespace refserver
