#include "device/mouse_protocol.h"

#include <algorithm>

namespace zlv {

namespace {

constexpr Millis kReleaseWait{10};

}  // namespace

void MouseProtocol::SendLocked(const ReportFill& report) {
  report.ApplyTo(report_);
  if (report.needsWriteHandle && !transport_.WriteHandleUsable()) return;
  const std::size_t length = std::min(transport_.FeatureReportLength(), report_.size());
  transport_.SendFeatureReport(report_.data(), length);
}

void MouseProtocol::Send(const ReportFill& report) {
  std::lock_guard lock(mutex_);
  SendLocked(report);
}

void MouseProtocol::TakeOverSettings(const SettingsReports& encoded) {
  for (int i = 0; i < kButtonCount; ++i) {
    follow_ups_[i] = static_cast<std::uint8_t>(encoded.followUps[static_cast<std::size_t>(i)]);
  }
  for (int n = 0; n < kDpiStageCount; ++n) {
    dpi_stage_codes_[n] = encoded.dpiStageCodes[static_cast<std::size_t>(n)];
  }
  applied_led_mode_ = encoded.ledMode;
}

void MouseProtocol::SendSettings(const ProfileSettings& settings) {
  const SettingsReports encoded = EncodeSettings(settings);
  TakeOverSettings(encoded);
  for (const ReportFill& report : encoded.reports) Send(report);
}

void MouseProtocol::SendKeyEvent(std::uint8_t code, std::uint8_t action) {
  std::lock_guard lock(mutex_);
  const auto kind = static_cast<KeyAction>(action);
  if (code >= protocol::kLeftButton) {
    if (code <= protocol::kMiddleButton) {
      const auto bit = static_cast<std::uint8_t>(1u << (code - protocol::kLeftButton));
      if (kind == KeyAction::kPress) mouse_buttons_ = static_cast<std::uint8_t>(mouse_buttons_ & ~bit);
      if (kind == KeyAction::kRelease) mouse_buttons_ = static_cast<std::uint8_t>(mouse_buttons_ | bit);
    }
    SendLocked(MouseButtonsReport(mouse_buttons_));
    return;
  }
  if (kind == KeyAction::kPress) {
    const auto empty = std::find(key_slots_.begin(), key_slots_.end(), 0);
    if (empty != key_slots_.end()) *empty = code;
  } else if (kind == KeyAction::kRelease) {
    const auto held = std::find(key_slots_.begin(), key_slots_.end(), code);
    if (held != key_slots_.end()) {
      std::move(held + 1, key_slots_.end(), held);
      key_slots_.back() = 0;
    }
  }
  SendLocked(KeysReport(key_slots_));
}

void MouseProtocol::ReleaseAll() {
  clock_.SleepFor(kReleaseWait);
  {
    std::lock_guard lock(mutex_);
    mouse_buttons_ = static_cast<std::uint8_t>(mouse_buttons_ | 0x07);
    SendLocked(MouseButtonsReport(mouse_buttons_));
  }
  clock_.SleepFor(kReleaseWait);
  {
    std::lock_guard lock(mutex_);
    key_slots_.fill(0);
    SendLocked(KeysReport(key_slots_));
  }
}

void MouseProtocol::SendConsumerControl(std::uint16_t usage) { Send(ConsumerControlReport(usage)); }

void MouseProtocol::DriverExitCommand() { Send(DriverExitReport()); }

FollowUp MouseProtocol::FollowUpOfSlot(int slot) const {
  if (slot < 0 || slot >= kButtonCount) return FollowUp::kNone;
  return static_cast<FollowUp>(follow_ups_[static_cast<std::size_t>(slot)].load());
}

std::array<std::uint8_t, kDpiStageCount> MouseProtocol::DpiStageCodes() const {
  std::array<std::uint8_t, kDpiStageCount> out{};
  for (int n = 0; n < kDpiStageCount; ++n) out[n] = dpi_stage_codes_[n];
  return out;
}

std::array<std::uint8_t, 6> MouseProtocol::KeySlots() const {
  std::lock_guard lock(mutex_);
  return key_slots_;
}

std::uint8_t MouseProtocol::MouseButtonState() const {
  std::lock_guard lock(mutex_);
  return mouse_buttons_;
}

MouseProtocol::Report MouseProtocol::LastReport() const {
  std::lock_guard lock(mutex_);
  return report_;
}

void MouseProtocol::WithoutSends(const std::function<void()>& whileNoSend) {
  std::lock_guard lock(mutex_);
  if (whileNoSend) whileNoSend();
}

}  // namespace zlv
