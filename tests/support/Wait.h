// The one bounded wait of the tests: a condition checked until it holds or the time is up.
// Waits for state, never for a guessed time: a test that must show that nothing happened
// waits for the event that would have shown it, with a bound.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace testing_support {

// Checks done() until it holds or timeoutMs have passed; between two checks runs between()
// when given (the calling thread's events) and then rests (5 ms unless told). done()'s last
// answer.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs,
                      const std::function<void()>& between = {},
                      std::chrono::microseconds rest = std::chrono::milliseconds(5)) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (between) between();
    if (done()) return true;
    std::this_thread::sleep_for(rest);
  }
  if (between) between();
  return done();
}

}  // namespace testing_support
