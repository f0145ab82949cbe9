#include "ui/led_preview.h"

#include <utility>

namespace zlv::ui {

LedPreview::LedPreview(Clock& clock, Inputs inputs) : clock_(clock), inputs_(std::move(inputs)) {}

LedPreview::~LedPreview() { Stop(); }

void LedPreview::Start() {
  std::lock_guard lock(mutex_);
  if (running_.load(std::memory_order_acquire)) return;
  // A worker that ended on its own (the page changed under it) is joined first.
  if (thread_.joinable()) thread_.join();
  interrupt_ = std::make_unique<SleepInterrupt>();
  running_.store(true, std::memory_order_release);
  thread_ = std::thread([this, interrupt = interrupt_.get()] {
    Run(*interrupt);
    running_.store(false, std::memory_order_release);
  });
}

void LedPreview::Stop() {
  std::thread worker;
  {
    std::lock_guard lock(mutex_);
    if (interrupt_ != nullptr) interrupt_->Raise();
    worker = std::move(thread_);
  }
  if (worker.joinable()) worker.join();
  std::lock_guard lock(mutex_);
  interrupt_.reset();
}

bool LedPreview::Running() const { return running_.load(std::memory_order_acquire); }

int LedPreview::StageColour() const {
  const std::int32_t stage = inputs_.dpiLevel();
  return stage >= 0 && stage < kLedPreviewColours ? static_cast<int>(stage) : 0;
}

void LedPreview::Run(SleepInterrupt& interrupt) {
  // Each visit of the page starts lit in the active stage's colour, whatever
  // phase the last visit ended in.
  colour_.store(StageColour(), std::memory_order_relaxed);
  dark_.store(false, std::memory_order_relaxed);
  std::int32_t lastStage = inputs_.dpiLevel();
  if (!inputs_.onColorPage()) return;
  auto wait = [&](Millis time) {
    return clock_.SleepUntilInterruptible(clock_.Now() + time, interrupt);
  };
  for (;;) {
    const std::uint8_t mode = inputs_.appliedLedMode();
    const std::int32_t stage = inputs_.dpiLevel();
    if (mode == 3) {
      dark_.store(true, std::memory_order_relaxed);
      colour_.store(StageColour(), std::memory_order_relaxed);
    } else if (mode == 2) {
      dark_.store(false, std::memory_order_relaxed);
      colour_.store(StageColour(), std::memory_order_relaxed);
    } else if (stage != lastStage) {
      // The new stage's colour stays a while before the breathing goes on.
      colour_.store(StageColour(), std::memory_order_relaxed);
      dark_.store(false, std::memory_order_relaxed);
      lastStage = stage;
      inputs_.invalidate();
      if (!wait(kLedPreviewStageShown)) return;
    } else if (dark_.load(std::memory_order_relaxed)) {
      dark_.store(false, std::memory_order_relaxed);
    } else {
      dark_.store(true, std::memory_order_relaxed);
      colour_.store((colour_.load(std::memory_order_relaxed) + 1) % kLedPreviewColours,
                    std::memory_order_relaxed);
    }
    inputs_.invalidate();
    if (!wait(mode == 1 ? kLedPreviewFastPhase : kLedPreviewSlowPhase)) return;
    if (!inputs_.onColorPage()) return;
  }
}

}  // namespace zlv::ui
