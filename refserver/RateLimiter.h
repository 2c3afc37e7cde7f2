// Counts events per key (a client address) over a sliding window and refuses those beyond
// the limit. Kept in memory: a restart forgets it, which only ever lets a client do more.
//
// Safe to call from every request thread; the clock is the server's and outlives this.
#pragma once

#include "refserver/Clock.h"

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace refserver {

class CRateLimiter {
 public:
  using Clock = IClock::Monotonic;

  CRateLimiter(const IClock& clock, size_t limit, Clock::duration window);

  // Records an event for the key; false, recording nothing, when the key already had
  // `limit` events within the window.
  bool Allow(const std::string& key);

 private:
  // Forgets keys whose events all lie outside the window, so many addresses cannot grow
  // the table without bound.
  void PruneLocked(Clock::time_point now);

  const IClock& m_clock;
  size_t m_nLimit;
  Clock::duration m_window;
  std::mutex m_mutex;
  std::map<std::string, std::deque<Clock::time_point>> m_mapEvents;
  Clock::time_point m_lastPrune{};
};

}  // namespace refserver
