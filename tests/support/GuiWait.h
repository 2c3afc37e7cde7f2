// Bounded waits on the GUI thread for the end-to-end tests: the thread's events keep running
// while a test waits for a window, a reply or a transcript line.
#pragma once

#include "platform/ui/window/MessageLoop.h"

#include <chrono>
#include <functional>
#include <thread>

namespace testing_support {

// Runs the GUI thread's events until done() holds or timeoutMs have passed; done()'s last
// answer.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    DuiLib::PumpMessages();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  DuiLib::PumpMessages();
  return done();
}

// Runs the GUI thread's events for ms milliseconds.
inline void Pump(int ms) {
  WaitUntil([] { return false; }, ms);
}

}  // namespace testing_support
