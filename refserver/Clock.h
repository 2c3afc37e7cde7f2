// The server's time, behind an interface so that tests can move it on instead of sleeping
// through a code's or a token's lifetime.
//
// Two readings: wall-clock seconds since the epoch, in which expiry times are stored in the
// database, and a monotonic time point for windows kept only in memory (rate limits,
// back-offs). Implementations are read from every request thread at once. The server holds
// its clock by shared pointer for its whole life; the stores keep references to it.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

namespace refserver {

class IClock {
 public:
  using Monotonic = std::chrono::steady_clock;

  virtual ~IClock() = default;

  virtual std::int64_t UnixSeconds() const = 0;
  virtual Monotonic::time_point MonotonicNow() const = 0;
};

// The system's clocks.
class CSystemClock : public IClock {
 public:
  std::int64_t UnixSeconds() const override;
  Monotonic::time_point MonotonicNow() const override;
};

// The one system clock, shared by every server that is given none.
std::shared_ptr<const IClock> SystemClock();

}  // namespace refserver
