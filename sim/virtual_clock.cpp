#include "sim/virtual_clock.h"

#include <algorithm>

namespace zlv {

void VirtualClock::Changed() {
  ++generation_;
  changed_.notify_all();
}

Nanos VirtualClock::Now() {
  std::lock_guard lock(mutex_);
  return now_;
}

bool VirtualClock::SleepLocked(std::unique_lock<std::mutex>& lock, Nanos deadline,
                               SleepInterrupt* interrupt) {
  const auto interrupted = [&] { return interrupt != nullptr && interrupt->Raised(); };
  if (interrupted()) return false;
  const auto self = sleepers_.insert(sleepers_.end(), Sleeper{deadline, interrupt});
  Changed();
  changed_.wait(lock, [&] { return unblocked_ || now_ >= deadline || interrupted(); });
  sleepers_.erase(self);
  Changed();
  return !interrupted();
}

void VirtualClock::SleepUntil(Nanos deadline) {
  std::unique_lock lock(mutex_);
  SleepLocked(lock, deadline, nullptr);
}

bool VirtualClock::SleepUntilInterruptible(Nanos deadline, SleepInterrupt& interrupt) {
  // Attached outside the clock's lock: Raise() holds the interrupt's lock
  // while it calls WakeInterruptedSleepers().
  interrupt.Attach(this);
  bool reached = false;
  {
    std::unique_lock lock(mutex_);
    reached = SleepLocked(lock, deadline, &interrupt);
  }
  interrupt.Attach(nullptr);
  return reached;
}

void VirtualClock::WakeInterruptedSleepers() {
  std::lock_guard lock(mutex_);
  Changed();
}

void VirtualClock::AdvanceTo(Nanos t) {
  std::lock_guard lock(mutex_);
  now_ = std::max(now_, t);
  Changed();
}

void VirtualClock::Advance(Nanos d) {
  std::lock_guard lock(mutex_);
  now_ += d;
  Changed();
}

std::size_t VirtualClock::Sleepers() const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(std::count_if(sleepers_.begin(), sleepers_.end(), [&](const Sleeper& s) {
    return s.deadline > now_ && !unblocked_ && (s.interrupt == nullptr || !s.interrupt->Raised());
  }));
}

std::optional<Nanos> VirtualClock::NextDeadline() const {
  std::lock_guard lock(mutex_);
  std::optional<Nanos> next;
  for (const Sleeper& s : sleepers_) {
    if (s.deadline > now_ && (!next || s.deadline < *next)) next = s.deadline;
  }
  return next;
}

bool VirtualClock::WaitFor(const std::function<bool()>& ready, std::chrono::milliseconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(mutex_);
  for (;;) {
    // `ready` may call Sleepers() or Now(), so it runs without the lock; the
    // generation tells whether anything changed while it ran.
    const std::uint64_t seen = generation_;
    lock.unlock();
    if (ready()) return true;
    lock.lock();
    if (!changed_.wait_until(lock, until, [&] { return generation_ != seen; })) {
      lock.unlock();
      return ready();
    }
  }
}

void VirtualClock::Notify() {
  std::lock_guard lock(mutex_);
  Changed();
}

void VirtualClock::Unblock() {
  std::lock_guard lock(mutex_);
  unblocked_ = true;
  Changed();
}

}  // namespace zlv
