#include "device/input_reader.h"

#include <algorithm>
#include <vector>

#include "device/protocol.h"

namespace zlv {

namespace {

// The largest input report the reader takes in.
constexpr std::size_t kInputBufferSize = 256;

}  // namespace

void ButtonHandOver::HandOverPress(std::uint8_t code, std::uint8_t value) {
  std::lock_guard lock(mutex_);
  PendingButtonCode.store(code, std::memory_order_relaxed);
  PendingButtonValue.store(value, std::memory_order_relaxed);
  ButtonEventPending.store(1, std::memory_order_release);
  work_.notify_all();
}

void ButtonHandOver::RequestStop() {
  std::lock_guard lock(mutex_);
  MacroStopRequest.store(1, std::memory_order_release);
  work_.notify_all();
}

void ButtonHandOver::Wake() {
  // Taking the lock orders the notification after the player's test of the
  // flags, so a wake-up between its test and its wait is not lost.
  std::lock_guard lock(mutex_);
  work_.notify_all();
}

bool ButtonHandOver::TakeWork() {
  std::lock_guard lock(mutex_);
  if (ButtonEventPending.load(std::memory_order_acquire) != 0) return true;
  MacroStopRequest.store(0, std::memory_order_release);
  return false;
}

void ButtonHandOver::FinishPress() {
  std::lock_guard lock(mutex_);
  MacroStopRequest.store(0, std::memory_order_release);
  ButtonEventPending.store(0, std::memory_order_release);
}

void ButtonHandOver::WaitForWork(const std::function<bool()>& shutdown) {
  std::unique_lock lock(mutex_);
  work_.wait(lock, [&] { return HasWork() || shutdown(); });
}

bool ButtonHandOver::HasWork() const {
  return ButtonEventPending.load(std::memory_order_acquire) != 0 ||
         MacroStopRequest.load(std::memory_order_acquire) != 0;
}

InputReportEffect ApplyInputReport(ButtonHandOver& handOver, std::span<const std::uint8_t> report,
                                   std::int32_t macroMode) {
  const std::uint8_t code = report.size() > 1 ? report[1] : 0;
  const std::uint8_t value = report.size() > 2 ? report[2] : 0;
  if (code <= protocol::kButtonEventBase) return InputReportEffect::kNone;

  if (value == protocol::kReleaseMark) {
    if (macroMode == 0) return InputReportEffect::kNone;
    handOver.RequestStop();
    return InputReportEffect::kStopRequested;
  }
  // Only this thread raises the flag and only the player lowers it, so the
  // test and the hand-over below cannot race with another press.
  if (handOver.ButtonEventPending.load(std::memory_order_acquire) == 0) {
    handOver.HandOverPress(code, value);
    return InputReportEffect::kHandedOver;
  }
  if (macroMode == 0) {
    handOver.RequestStop();
    return InputReportEffect::kStopRequested;
  }
  return InputReportEffect::kNone;
}

InputReader::InputReader(HidTransport& transport, const ProfileSettings& settings,
                         ButtonHandOver& handOver, Clock& clock)
    : InputReader(transport, settings, handOver, clock, Options{}) {}

InputReader::InputReader(HidTransport& transport, const ProfileSettings& settings,
                         ButtonHandOver& handOver, Clock& clock, Options options)
    : transport_(transport),
      settings_(settings),
      hand_over_(handOver),
      clock_(clock),
      options_(std::move(options)),
      buffer_(kInputBufferSize) {}

InputReader::~InputReader() { Stop(); }

void InputReader::Start() {
  worker_.Start(options_.on_thread_start, [this] { Run(); });
}

void InputReader::Stop() {
  // The thread may sit in a blocking read: cancel it before joining.
  worker_.Stop([this] { transport_.CancelRead(); });
}

void InputReader::Run() {
  while (!worker_.Stopping()) {
    const bool read = ReadOne();
    if (worker_.Stopping()) break;
    if (!read) clock_.SleepUntilInterruptible(clock_.Now() + kFailedReadPause, worker_.Interrupt());
  }
}

bool InputReader::ReadOne() {
  const std::size_t length = std::min(transport_.InputReportLength(), buffer_.size());
  std::fill(buffer_.begin(), buffer_.end(), std::uint8_t{0});
  const bool read = transport_.ReadInputReport(buffer_.data(), length);
  if (!read || worker_.Stopping()) return false;
  ApplyInputReport(hand_over_, std::span<const std::uint8_t>(buffer_.data(), length), settings_.MacroMode);
  reports_applied_.fetch_add(1);
  if (options_.after_report) options_.after_report();
  return true;
}

}  // namespace zlv
