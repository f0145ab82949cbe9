#include "device/mouse_protocol.h"

#include <algorithm>

namespace zlv {

namespace {

using protocol::Command;

constexpr Millis kReleaseWait{10};

std::uint8_t Low8(std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

}  // namespace

template <typename Fill>
void MouseProtocol::Send(bool testsWriteHandle, Fill&& fill) {
  std::lock_guard lock(mutex_);
  fill(report_);
  if (testsWriteHandle && !transport_.WriteHandleUsable()) return;
  const std::size_t length = std::min(transport_.FeatureReportLength(), report_.size());
  transport_.SendFeatureReport(report_.data(), length);
}

void MouseProtocol::PushAllSettings(SettingsModel& settings, SystemSettings& system,
                                    const std::function<void()>& invalidateWindow) {
  settings.SaveCurrentProfileNumber();
  settings.SaveProfile(settings.ConfigPath, kAppliedSnapshot);
  const ProfileSettings& s = settings.profile;

  for (int i = 0; i < kButtonCount; ++i) {
    const ButtonFunctionCode code = s.ButtonCodes[i];
    follow_ups_[i] = static_cast<std::uint8_t>(FollowUpOf(code));
    Send(true, [&](Report& r) {
      r[0] = protocol::kReportId;
      r[1] = static_cast<std::uint8_t>(Command::kButtonFunction);
      r[2] = protocol::PhysicalButtonIndex[static_cast<std::size_t>(i)];
      r[3] = DeviceFunctionOf(code);
    });
  }

  Send(false, [&](Report& r) {
    r[0] = protocol::kReportId;
    r[1] = static_cast<std::uint8_t>(Command::kWheel);
    r[2] = Low8(s.WheelStatus);
    r[3] = 0;
  });

  std::uint8_t enableMask = 0;
  for (int n = 0; n < kDpiStageCount; ++n) {
    if (s.DpiStageEnabled[n] != 0) enableMask = static_cast<std::uint8_t>(enableMask | (1u << n));
  }
  for (int n = 0; n < kDpiStageCount; ++n) {
    const std::uint8_t code = protocol::DpiCodeOf(s.DpiStages[n]);
    dpi_stage_codes_[n] = code;
    Send(false, [&](Report& r) {
      r[0] = protocol::kReportId;
      r[1] = static_cast<std::uint8_t>(Command::kDpiStage);
      r[2] = Low8(protocol::kDpiActiveBase + s.DpiLevel);
      r[3] = Low8(code * 16 + protocol::kDpiStageMarker + n);
      r[4] = enableMask;
    });
  }

  applied_led_mode_ = s.LedMode;
  Send(false, [&](Report& r) {
    r[0] = protocol::kReportId;
    r[1] = static_cast<std::uint8_t>(Command::kLed);
    r[2] = protocol::kLedHeader;
    r[3] = static_cast<std::uint8_t>(protocol::kLedBase + protocol::LedCodeOf(s.LedMode));
  });

  if (invalidateWindow) invalidateWindow();

  if (system.PointerSpeed()) system.SetPointerSpeed(WindowsPointerSpeed(s.PointerSpeed));
  if (system.WheelScrollLines()) system.SetWheelScrollLines(WindowsWheelLines(s.WheelLines));

  const std::int32_t t = s.FireTime / 8;
  Send(false, [&](Report& r) {
    r[0] = protocol::kReportId;
    r[1] = static_cast<std::uint8_t>(Command::kFireTime);
    r[2] = Low8(t / 256);
    r[3] = Low8(t % 256);
    r[4] = r[5] = r[6] = r[7] = 0;
  });

  settings.SaveProfile(settings.ConfigPath, settings.CurrentProfile);
}

void MouseProtocol::SendKeysLocked() {
  report_[0] = protocol::kReportId;
  report_[1] = static_cast<std::uint8_t>(Command::kKeys);
  std::copy(key_slots_.begin(), key_slots_.end(), report_.begin() + 2);
  const std::size_t length = std::min(transport_.FeatureReportLength(), report_.size());
  transport_.SendFeatureReport(report_.data(), length);
}

void MouseProtocol::SendMouseButtonsLocked() {
  report_[0] = protocol::kReportId;
  report_[1] = static_cast<std::uint8_t>(Command::kMouseButtons);
  report_[3] = mouse_buttons_;
  const std::size_t length = std::min(transport_.FeatureReportLength(), report_.size());
  transport_.SendFeatureReport(report_.data(), length);
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
    SendMouseButtonsLocked();
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
  SendKeysLocked();
}

void MouseProtocol::ReleaseAll() {
  clock_.SleepFor(kReleaseWait);
  {
    std::lock_guard lock(mutex_);
    mouse_buttons_ = static_cast<std::uint8_t>(mouse_buttons_ | 0x07);
    SendMouseButtonsLocked();
  }
  clock_.SleepFor(kReleaseWait);
  {
    std::lock_guard lock(mutex_);
    key_slots_.fill(0);
    SendKeysLocked();
  }
}

void MouseProtocol::SendConsumerControl(std::uint16_t usage) {
  // Byte 0 is left as the previous report had it; it always holds the report id.
  Send(false, [&](Report& r) {
    r[1] = static_cast<std::uint8_t>(Command::kConsumerControl);
    r[2] = static_cast<std::uint8_t>(usage >> 8);
    r[3] = static_cast<std::uint8_t>(usage & 0xFF);
  });
}

void MouseProtocol::DriverExitCommand() {
  Send(true, [&](Report& r) {
    r[0] = protocol::kReportId;
    r[1] = static_cast<std::uint8_t>(Command::kDriverExit);
  });
}

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

int WindowsPointerSpeed(std::uint8_t pointerSpeed) {
  if (pointerSpeed == 0) return 1;
  if (pointerSpeed <= 8) return 2 * pointerSpeed;
  return 18;
}

int WindowsWheelLines(std::uint8_t wheelLines) { return wheelLines + 1; }

}  // namespace zlv
