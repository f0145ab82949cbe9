#include "base/worker_thread.h"

#include <utility>

namespace zlv {

WorkerThread::~WorkerThread() { Stop(); }

void WorkerThread::Start(std::function<void()> on_start, std::function<void()> body) {
  if (thread_.joinable() || Stopping()) return;
  thread_ = std::thread([start = std::move(on_start), run = std::move(body)] {
    if (start) start();
    run();
  });
}

void WorkerThread::Stop(const std::function<void()>& wake) {
  stopping_.store(true, std::memory_order_release);
  interrupt_.Raise();
  if (wake) wake();
  if (thread_.joinable()) thread_.join();
}

}  // namespace zlv
