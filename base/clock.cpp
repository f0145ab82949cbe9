#include "base/clock.h"

#include <thread>

namespace zlv {

Nanos SteadyClock::Now() {
  return std::chrono::duration_cast<Nanos>(std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyClock::SleepUntil(Nanos deadline) {
  for (;;) {
    const Nanos now = Now();
    if (now >= deadline) return;
    std::this_thread::sleep_for(deadline - now);
  }
}

}  // namespace zlv
