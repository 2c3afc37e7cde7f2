// Bounded waits on the GUI thread for the end-to-end tests: the thread's events keep running
// while a test waits for a window, a reply or a transcript line.
#pragma once

#include "platform/ui/window/MessageLoop.h"
#include "tests/support/Wait.h"

#include <functional>

namespace testing_support {

// Runs the GUI thread's events until done() holds or timeoutMs have passed, resting `rest`
// between two rounds; done()'s last answer.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs,
                      std::chrono::microseconds rest = std::chrono::milliseconds(5)) {
  return WaitUntil(done, timeoutMs, DuiLib::PumpMessages, rest);
}

// Runs the GUI thread's events for ms milliseconds.
inline void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace testing_support
