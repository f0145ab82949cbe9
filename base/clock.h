// Injectable time. Timing logic takes a Clock so tests run on virtual time.
#pragma once

#include <chrono>
#include <cstdint>

namespace zlv {

using Millis = std::chrono::milliseconds;
using Nanos = std::chrono::nanoseconds;

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic time since an arbitrary origin.
  virtual Nanos Now() = 0;
  // Blocks until Now() >= deadline.
  virtual void SleepUntil(Nanos deadline) = 0;
  void SleepFor(Nanos duration) { SleepUntil(Now() + duration); }
};

// The real monotonic clock. Sleeping loops until the deadline has passed, since
// some thread libraries wake a little early.
class SteadyClock final : public Clock {
 public:
  Nanos Now() override;
  void SleepUntil(Nanos deadline) override;
};

// Single-threaded virtual time: sleeping advances the clock at once.
class ManualClock final : public Clock {
 public:
  Nanos Now() override { return now_; }
  void SleepUntil(Nanos deadline) override {
    if (deadline > now_) now_ = deadline;
  }
  void Advance(Nanos d) { now_ += d; }

 private:
  Nanos now_{0};
};

}  // namespace zlv
