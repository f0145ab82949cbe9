// Everything the program tells the mouse: the one feature-report buffer, the
// settings push, the key and mouse-button reports of the macro player, the
// consumer-control report and the exit command.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>

#include "base/clock.h"
#include "base/relaxed.h"
#include "device/hid_transport.h"
#include "device/protocol.h"
#include "device/system_settings.h"
#include "settings/function_codes.h"
#include "settings/profile_settings.h"

namespace zlv {

enum class KeyAction : std::uint8_t { kPress = 1, kRelease = 2 };

class MouseProtocol {
 public:
  using Report = std::array<std::uint8_t, protocol::kReportBufferSize>;

  MouseProtocol(HidTransport& transport, Clock& clock) : transport_(transport), clock_(clock) {}

  // Window thread. Saves the applied snapshot, sends the thirteen settings
  // reports back to back, applies the Windows pointer speed and wheel lines
  // and saves the current profile.
  void PushAllSettings(SettingsModel& settings, SystemSettings& system,
                       const std::function<void()>& invalidateWindow);

  // Macro player thread. `action` 1 presses, 2 releases; any other value sends
  // the state unchanged. Codes 0xF0..0xF2 are the mouse buttons.
  void SendKeyEvent(std::uint8_t code, std::uint8_t action);
  // Waits 10 ms, releases the mouse buttons, waits 10 ms, releases every key.
  void ReleaseAll();
  void SendConsumerControl(std::uint16_t usage);
  void DriverExitCommand();

  // Follow-up flags of the last push, read by the macro player.
  FollowUp FollowUpOfSlot(int slot) const;
  // DPI code last sent per stage, and the LED mode last sent (painter).
  std::array<std::uint8_t, kDpiStageCount> DpiStageCodes() const;
  std::uint8_t AppliedLedMode() const { return applied_led_mode_; }

  // What the host holds down through the mouse.
  std::array<std::uint8_t, 6> KeySlots() const;
  std::uint8_t MouseButtonState() const;

  // A copy of the report buffer as it stands.
  Report LastReport() const;

 private:
  // Fills and sends one report as a unit, so the two threads that send never
  // mix the bytes of two reports. Bytes `fill` leaves alone keep the values of
  // the report sent before, whichever thread sent it.
  template <typename Fill>
  void Send(bool testsWriteHandle, Fill&& fill);
  void SendKeysLocked();
  void SendMouseButtonsLocked();

  HidTransport& transport_;
  Clock& clock_;
  mutable std::mutex mutex_;  // guards report_, key_slots_, mouse_buttons_
  Report report_{};
  std::array<std::uint8_t, 6> key_slots_{};
  std::uint8_t mouse_buttons_ = protocol::kAllButtonsReleased;

  std::array<Relaxed<std::uint8_t>, kButtonCount> follow_ups_{};
  std::array<Relaxed<std::uint8_t>, kDpiStageCount> dpi_stage_codes_{};
  Relaxed<std::uint8_t> applied_led_mode_;
};

// The Windows pointer speed (1..20) for a PointerSpeed step.
int WindowsPointerSpeed(std::uint8_t pointerSpeed);
// The Windows wheel scroll lines for a WheelLines step.
int WindowsWheelLines(std::uint8_t wheelLines);

}  // namespace zlv
