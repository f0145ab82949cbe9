// The colour page's LED preview: a worker that lights the preview entry in
// the colour of the active DPI stage and, in the breathing modes, alternates
// it with grey, stepping through the four stage colours. It runs only while
// the colour page is shown; leaving the page or closing the program stops it
// at once (its waits are interruptible) and joins it. Portable: no OS headers.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "base/clock.h"

namespace zlv::ui {

inline constexpr int kLedPreviewColours = 4;  // 0 blue, 1 pink, 2 red, 3 purple

// The times of the preview's phases.
inline constexpr Millis kLedPreviewStageShown{2000};  // after a change of the active stage
inline constexpr Millis kLedPreviewFastPhase{800};    // LED mode 1
inline constexpr Millis kLedPreviewSlowPhase{1200};   // the other modes

class LedPreview {
 public:
  // What the preview reads on its thread; each must be safe to call there.
  struct Inputs {
    std::function<bool()> onColorPage;
    std::function<std::int32_t()> dpiLevel;
    std::function<std::uint8_t()> appliedLedMode;
    // Asks the window to repaint (posted, never painted on this thread).
    std::function<void()> invalidate;
  };

  LedPreview(Clock& clock, Inputs inputs);
  ~LedPreview();
  LedPreview(const LedPreview&) = delete;
  LedPreview& operator=(const LedPreview&) = delete;

  // Entering the colour page: starts the worker unless one runs.
  void Start();
  // Leaving the page or closing: wakes the worker from its wait and joins it.
  void Stop();
  bool Running() const;

  int Colour() const { return colour_.load(std::memory_order_relaxed); }
  bool Dark() const { return dark_.load(std::memory_order_relaxed); }

 private:
  void Run(SleepInterrupt& interrupt);
  // The active stage as a colour; a stage outside 0..3 shows blue.
  int StageColour() const;

  Clock& clock_;
  Inputs inputs_;
  std::atomic<int> colour_{0};
  std::atomic<bool> dark_{false};

  mutable std::mutex mutex_;  // guards thread_ and interrupt_
  std::thread thread_;
  std::unique_ptr<SleepInterrupt> interrupt_;
  std::atomic<bool> running_{false};
};

}  // namespace zlv::ui
