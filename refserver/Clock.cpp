#include "refserver/Clock.h"

#include <ctime>

namespace refserver {

std::int64_t CSystemClock::UnixSeconds() const {
  return static_cast<std::int64_t>(std::time(nullptr));
}

IClock::Monotonic::time_point CSystemClock::MonotonicNow() const {
  return Monotonic::now();
}

std::shared_ptr<const IClock> SystemClock() {
  static const auto clock = std::make_shared<const CSystemClock>();
  return clock;
}

}  // namespace refserver
