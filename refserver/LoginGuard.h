// Password guesses per phone, whichever addresses they come from: a few wrong passwords are
// free, then each further one doubles the wait before the next try (1 s, 2 s, ... up to a
// ceiling). The owner is not locked out by it: a caller lets an address the account has
// signed in from before try even while the phone waits (CAccountStore keeps those).
//
// Unknown phones wait exactly as known ones do, so the wait tells nothing. Kept in memory:
// a restart forgets the waits, which only ever lets a guesser do more. Safe from every
// request thread; the clock is the server's and outlives this.
#pragma once

#include "refserver/Clock.h"

#include <chrono>
#include <map>
#include <mutex>
#include <string>

namespace refserver {

class CLoginGuard {
 public:
  using Clock = IClock::Monotonic;

  // Wrong passwords a phone gets before it has to wait.
  static constexpr int kFreeGuesses = 5;
  static constexpr Clock::duration kFirstWait = std::chrono::seconds(1);
  static constexpr Clock::duration kLongestWait = std::chrono::minutes(15);

  explicit CLoginGuard(const IClock& clock);

  // False while the phone waits after its wrong guesses.
  bool MayTry(const std::string& phone);
  // Counts a wrong password for the phone.
  void Failed(const std::string& phone);
  // A right password: the phone's count starts over, unless it is waiting (a right password
  // from a known address must not give a guesser new free tries).
  void Succeeded(const std::string& phone);

 private:
  struct TGuesses {
    int nFailed = 0;
    Clock::time_point tryAgainAt{};
    Clock::time_point lastFailure{};
  };

  // Forgets phones whose last failure lies well past the longest wait, so that guesses at
  // many phones cannot grow the table without bound.
  void PruneLocked(Clock::time_point now);

  const IClock& m_clock;
  std::mutex m_mutex;
  std::map<std::string, TGuesses> m_mapGuesses;
  Clock::time_point m_lastPrune{};
};

}  // namespace refserver
