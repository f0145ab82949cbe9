// The feature reports as data: what each report writes into the one report
// buffer, and the thirteen reports of a settings push encoded from a profile.
// Nothing here sends, waits or touches a file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "device/protocol.h"
#include "settings/function_codes.h"
#include "settings/profile_settings.h"

namespace zlv {

// One report as the bytes it writes: byte k of `bytes` is written when bit k
// of `written` is set. Every other byte of the buffer keeps what the report
// before it left there.
struct ReportFill {
  std::array<std::uint8_t, protocol::kReportBytesWritten> bytes{};
  std::uint8_t written = 0;
  // Sent only while the write handle is usable (button functions, exit).
  bool needsWriteHandle = false;

  void Set(std::size_t at, std::uint8_t value);
  void ApplyTo(protocol::Report& buffer) const;
};
static_assert(protocol::kReportBytesWritten <= 8, "one bit of ReportFill::written per byte");

// The single reports. Values are encoded as given (low 8 bits where a byte
// takes them); bounding them is the settings' business.
ReportFill ButtonFunctionReport(int slot, ButtonFunctionCode code);
ReportFill WheelReport(std::int32_t wheelStatus);
ReportFill DpiStageReport(int stage, std::int32_t activeStage, std::uint8_t stageCode,
                          std::uint8_t enableMask);
ReportFill LedReport(std::uint8_t ledMode);
ReportFill FireTimeReport(std::int32_t fireTime);
ReportFill KeysReport(const std::array<std::uint8_t, 6>& keySlots);
ReportFill MouseButtonsReport(std::uint8_t buttonState);
// Writes only the command and the usage; byte 0 stays as it was.
ReportFill ConsumerControlReport(std::uint16_t usage);
ReportFill DriverExitReport();

// The LED mode whose effect LedReport(mode) carries: the mode itself for 0..3,
// the factory effect 0 for any other.
std::uint8_t SentLedMode(std::uint8_t ledMode);

// A settings push: six button functions, the wheel, four DPI stages, the LED
// and the fire time, in the order they are sent, and what the host keeps of it.
inline constexpr std::size_t kSettingsReportCount = 13;
// The fire-time report goes last, after the Windows settings are applied.
inline constexpr std::size_t kFireTimeReport = kSettingsReportCount - 1;

struct SettingsReports {
  std::array<ReportFill, kSettingsReportCount> reports;
  std::array<FollowUp, kButtonCount> followUps{};
  std::array<std::uint8_t, kDpiStageCount> dpiStageCodes{};
  std::uint8_t ledMode = 0;  // as SentLedMode gives it
};

SettingsReports EncodeSettings(const ProfileSettings& settings);

// The reports as the mouse receives them when they are sent back to back
// after `previous` (the buffer as the last report left it).
std::array<protocol::Report, kSettingsReportCount> SettingsReportBytes(const SettingsReports& encoded,
                                                                       const protocol::Report& previous);

}  // namespace zlv
