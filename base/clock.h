// Injectable time. Timing logic takes a Clock so tests run on virtual time.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace zlv {

using Millis = std::chrono::milliseconds;
using Nanos = std::chrono::nanoseconds;

class Clock;

// Cuts short the interruptible sleeps of the threads that share it, for
// example when the program ends. Once raised it stays raised.
class SleepInterrupt {
 public:
  void Raise();
  bool Raised() const { return raised_.load(std::memory_order_acquire); }

  // For clock implementations: the clock a thread sleeps on while it waits
  // with this interrupt, so Raise() can wake it there.
  void Attach(Clock* clock);
  // For clock implementations: waits on the interrupt's own condition until
  // it is raised or the steady clock reaches `until`.
  void WaitUntil(std::chrono::steady_clock::time_point until);

 private:
  std::atomic<bool> raised_{false};
  std::mutex mutex_;
  std::condition_variable raised_cv_;
  Clock* sleeping_on_ = nullptr;  // guarded by mutex_
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic time since an arbitrary origin.
  virtual Nanos Now() = 0;
  // Blocks until Now() >= deadline.
  virtual void SleepUntil(Nanos deadline) = 0;
  void SleepFor(Nanos duration) { SleepUntil(Now() + duration); }

  // Like SleepUntil, but returns early once `interrupt` is raised. True when
  // the deadline was reached. Clocks that cannot be woken only test the
  // interrupt before and after an ordinary sleep.
  virtual bool SleepUntilInterruptible(Nanos deadline, SleepInterrupt& interrupt) {
    if (interrupt.Raised()) return false;
    SleepUntil(deadline);
    return !interrupt.Raised();
  }
  // Called by SleepInterrupt::Raise() for a thread attached to this clock:
  // the clock wakes its sleepers so they look at their interrupt again.
  virtual void WakeInterruptedSleepers() {}
};

// The real monotonic clock. Sleeping loops until the deadline has passed, since
// some thread libraries wake a little early.
class SteadyClock final : public Clock {
 public:
  Nanos Now() override;
  void SleepUntil(Nanos deadline) override;
  bool SleepUntilInterruptible(Nanos deadline, SleepInterrupt& interrupt) override;
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

inline void SleepInterrupt::Raise() {
  std::lock_guard lock(mutex_);
  raised_.store(true, std::memory_order_release);
  raised_cv_.notify_all();
  if (sleeping_on_ != nullptr) sleeping_on_->WakeInterruptedSleepers();
}

inline void SleepInterrupt::Attach(Clock* clock) {
  std::lock_guard lock(mutex_);
  sleeping_on_ = clock;
}

inline void SleepInterrupt::WaitUntil(std::chrono::steady_clock::time_point until) {
  std::unique_lock lock(mutex_);
  raised_cv_.wait_until(lock, until, [&] { return Raised(); });
}

inline bool SteadyClock::SleepUntilInterruptible(Nanos deadline, SleepInterrupt& interrupt) {
  using std::chrono::steady_clock;
  for (;;) {
    if (interrupt.Raised()) return false;
    if (Now() >= deadline) return true;
    interrupt.WaitUntil(steady_clock::time_point(std::chrono::duration_cast<steady_clock::duration>(deadline)));
  }
}

}  // namespace zlv
