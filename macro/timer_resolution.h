// The system timer's resolution while a macro plays. Windows wakes sleeping
// threads on its timer tick (15.6 ms by default); the player asks for 1 ms
// while it plays so the delays between events keep their length.
#pragma once

namespace zlv {

class TimerResolution {
 public:
  virtual ~TimerResolution() = default;
  // Calls nest; each Raise() is matched by one Restore().
  virtual void Raise() = 0;
  virtual void Restore() = 0;
};

// For systems whose sleeps are fine-grained already, and for tests.
class NoTimerResolution final : public TimerResolution {
 public:
  void Raise() override {}
  void Restore() override {}
};

// Raises the resolution for one scope.
class ScopedTimerResolution {
 public:
  explicit ScopedTimerResolution(TimerResolution& resolution) : resolution_(resolution) {
    resolution_.Raise();
  }
  ~ScopedTimerResolution() { resolution_.Restore(); }
  ScopedTimerResolution(const ScopedTimerResolution&) = delete;
  ScopedTimerResolution& operator=(const ScopedTimerResolution&) = delete;

 private:
  TimerResolution& resolution_;
};

}  // namespace zlv
