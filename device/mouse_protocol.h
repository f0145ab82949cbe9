// Everything the program tells the mouse: the one feature-report buffer, the
// settings reports, the key and mouse-button reports of the macro player, the
// consumer-control report and the exit command. What goes into each report is
// device/settings_reports.h; this class only fills the buffer and sends.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>

#include "base/clock.h"
#include "base/relaxed.h"
#include "device/hid_transport.h"
#include "device/protocol.h"
#include "device/settings_reports.h"
#include "settings/function_codes.h"
#include "settings/profile_settings.h"

namespace zlv {

enum class KeyAction : std::uint8_t { kPress = 1, kRelease = 2 };

class MouseProtocol {
 public:
  using Report = protocol::Report;

  MouseProtocol(HidTransport& transport, Clock& clock) : transport_(transport), clock_(clock) {}

  // Window thread. Takes over what the host keeps of a settings push: the
  // follow-up flags (macro player), the DPI codes and the LED mode (painter).
  void TakeOverSettings(const SettingsReports& encoded);
  // Fills the buffer and sends one report as a unit: the macro player's
  // reports never mix with it. Bytes the report does not write keep the values
  // of the report sent before, whichever thread sent it.
  void Send(const ReportFill& report);
  // The settings reports alone, without the files and Windows settings of the
  // program's push: takes them over and sends all thirteen back to back.
  void SendSettings(const ProfileSettings& settings);

  // Macro player thread. `action` 1 presses, 2 releases; any other value sends
  // the state unchanged. Codes 0xF0..0xF2 are the mouse buttons.
  void SendKeyEvent(std::uint8_t code, std::uint8_t action);
  // Waits 10 ms, releases the mouse buttons, waits 10 ms, releases every key.
  void ReleaseAll();
  void SendConsumerControl(std::uint16_t usage);
  void DriverExitCommand();

  // Runs `whileNoSend` while no report is being filled or sent by any thread:
  // the window thread takes the mouse's handles away inside it.
  void WithoutSends(const std::function<void()>& whileNoSend);

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
  void SendLocked(const ReportFill& report);

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

}  // namespace zlv
