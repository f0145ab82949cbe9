// Virtual time for tests with several threads. Threads that sleep on the clock
// block until the test moves time past their deadline; the test sees who is
// asleep and when the next one is due, so it can step the threads through
// their sleeps one at a time and every run sees the same times.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>

#include "base/clock.h"

namespace zlv {

class VirtualClock final : public Clock {
 public:
  Nanos Now() override;
  // Blocks until AdvanceTo() reaches `deadline` (or Unblock()).
  void SleepUntil(Nanos deadline) override;
  bool SleepUntilInterruptible(Nanos deadline, SleepInterrupt& interrupt) override;
  void WakeInterruptedSleepers() override;

  // Moves time forward to `t` (never back) and wakes the threads now due.
  // A woken thread no longer counts as asleep, even before it runs again.
  void AdvanceTo(Nanos t);
  void Advance(Nanos d);

  // Threads blocked in a sleep whose deadline has not come.
  std::size_t Sleepers() const;
  // The earliest of their deadlines.
  std::optional<Nanos> NextDeadline() const;

  // Waits in real time until `ready()` holds, at most `timeout`; false on
  // time-out. `ready` is tested again whenever a thread starts sleeping, time
  // moves, or Notify() is called, so state that other threads change must
  // call Notify() afterwards for the wait to see it.
  bool WaitFor(const std::function<bool()>& ready,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
  void Notify();

  // From now on every sleep returns at once (tear-down of a test).
  void Unblock();

 private:
  struct Sleeper {
    Nanos deadline;
    SleepInterrupt* interrupt;
  };
  bool SleepLocked(std::unique_lock<std::mutex>& lock, Nanos deadline, SleepInterrupt* interrupt);
  void Changed();  // with mutex_ held

  mutable std::mutex mutex_;
  std::condition_variable changed_;  // time moved, a sleeper came or left, Notify()
  std::uint64_t generation_ = 0;
  Nanos now_{0};
  std::list<Sleeper> sleepers_;
  bool unblocked_ = false;
};

}  // namespace zlv
