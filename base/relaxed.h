// A copyable value that one thread may write while another reads it.
//
// The settings model is edited on the window thread while the macro player
// reads button codes and writes the DPI stage and report rate. Each field is a
// single value and no ordering between fields is needed, so relaxed atomics are
// enough to make those accesses well defined.
#pragma once

#include <atomic>

namespace zlv {

template <typename T>
class Relaxed {
 public:
  constexpr Relaxed() noexcept : value_(T{}) {}
  constexpr Relaxed(T v) noexcept : value_(v) {}  // NOLINT(google-explicit-constructor)
  Relaxed(const Relaxed& other) noexcept : value_(other.load()) {}
  Relaxed& operator=(const Relaxed& other) noexcept {
    store(other.load());
    return *this;
  }
  Relaxed& operator=(T v) noexcept {
    store(v);
    return *this;
  }
  operator T() const noexcept { return load(); }  // NOLINT(google-explicit-constructor)
  T load() const noexcept { return value_.load(std::memory_order_relaxed); }
  void store(T v) noexcept { value_.store(v, std::memory_order_relaxed); }

 private:
  std::atomic<T> value_;
};

}  // namespace zlv
