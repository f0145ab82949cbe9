// A worker thread with its stop request, as the input reader and the macro
// player run them: started once, asked to stop, joined before what it uses is
// destroyed.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "base/clock.h"

namespace zlv {

class WorkerThread {
 public:
  WorkerThread() = default;
  // Stops and joins the thread (with no wake-up beyond the interrupt).
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs `on_start` (when given), then `body`, on a new thread. `on_start` is
  // where a platform adjusts the thread itself (its priority). Does nothing
  // while the thread runs or once it was stopped.
  void Start(std::function<void()> on_start, std::function<void()> body);

  // Makes Stopping() true and raises Interrupt(), which cuts the thread's
  // interruptible sleeps short; then runs `wake`, which ends whatever else the
  // thread may be blocked in (a read, a condition variable), and joins. Safe
  // to call twice and before Start; never from the thread itself.
  void Stop(const std::function<void()>& wake = {});

  bool Stopping() const { return stopping_.load(std::memory_order_acquire); }
  // Sleeps of the thread that a stop shall cut short wait on this.
  SleepInterrupt& Interrupt() { return interrupt_; }

 private:
  std::atomic<bool> stopping_{false};
  SleepInterrupt interrupt_;
  std::thread thread_;
};

}  // namespace zlv
