#include "device/settings_reports.h"

namespace zlv {

namespace {

using protocol::Command;

std::uint8_t Low8(std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

// Report id and command, the two bytes almost every report starts with.
ReportFill Header(Command command) {
  ReportFill r;
  r.Set(protocol::kIdByte, protocol::kReportId);
  r.Set(protocol::kCommandByte, static_cast<std::uint8_t>(command));
  return r;
}

}  // namespace

void ReportFill::Set(std::size_t at, std::uint8_t value) {
  bytes[at] = value;
  written = static_cast<std::uint8_t>(written | (1u << at));
}

void ReportFill::ApplyTo(protocol::Report& buffer) const {
  for (std::size_t k = 0; k < bytes.size(); ++k) {
    if ((written >> k) & 1u) buffer[k] = bytes[k];
  }
}

ReportFill ButtonFunctionReport(int slot, ButtonFunctionCode code) {
  ReportFill r = Header(Command::kButtonFunction);
  r.Set(2, protocol::PhysicalButtonIndex[static_cast<std::size_t>(slot)]);
  r.Set(3, DeviceFunctionOf(code));
  r.needsWriteHandle = true;
  return r;
}

ReportFill WheelReport(std::int32_t wheelStatus) {
  ReportFill r = Header(Command::kWheel);
  r.Set(2, Low8(wheelStatus));
  r.Set(3, 0);
  return r;
}

ReportFill DpiStageReport(int stage, std::int32_t activeStage, std::uint8_t stageCode,
                          std::uint8_t enableMask) {
  ReportFill r = Header(Command::kDpiStage);
  r.Set(2, Low8(protocol::kDpiActiveBase + activeStage));
  r.Set(3, Low8(stageCode * 16 + protocol::kDpiStageMarker + stage));
  r.Set(4, enableMask);
  return r;
}

std::uint8_t SentLedMode(std::uint8_t ledMode) {
  return ledMode < protocol::kLedCodes.size() ? ledMode : 0;
}

ReportFill LedReport(std::uint8_t ledMode) {
  ReportFill r = Header(Command::kLed);
  r.Set(2, protocol::kLedHeader);
  r.Set(3, static_cast<std::uint8_t>(protocol::kLedBase + protocol::LedCodeOf(SentLedMode(ledMode))));
  return r;
}

ReportFill FireTimeReport(std::int32_t fireTime) {
  // Eight-millisecond units, the division rounding towards zero.
  const std::int32_t t = fireTime / 8;
  ReportFill r = Header(Command::kFireTime);
  r.Set(2, Low8(t / 256));
  r.Set(3, Low8(t % 256));
  for (std::size_t k = 4; k < protocol::kReportBytesWritten; ++k) r.Set(k, 0);
  return r;
}

ReportFill KeysReport(const std::array<std::uint8_t, 6>& keySlots) {
  ReportFill r = Header(Command::kKeys);
  for (std::size_t k = 0; k < keySlots.size(); ++k) r.Set(2 + k, keySlots[k]);
  return r;
}

ReportFill MouseButtonsReport(std::uint8_t buttonState) {
  ReportFill r = Header(Command::kMouseButtons);
  r.Set(3, buttonState);
  return r;
}

ReportFill ConsumerControlReport(std::uint16_t usage) {
  ReportFill r;
  r.Set(protocol::kCommandByte, static_cast<std::uint8_t>(Command::kConsumerControl));
  r.Set(2, static_cast<std::uint8_t>(usage >> 8));
  r.Set(3, static_cast<std::uint8_t>(usage & 0xFF));
  return r;
}

ReportFill DriverExitReport() {
  ReportFill r = Header(Command::kDriverExit);
  r.needsWriteHandle = true;
  return r;
}

SettingsReports EncodeSettings(const ProfileSettings& s) {
  SettingsReports out;
  std::size_t next = 0;
  for (int i = 0; i < kButtonCount; ++i) {
    const ButtonFunctionCode code = s.ButtonCodes[i];
    out.followUps[static_cast<std::size_t>(i)] = FollowUpOf(code);
    out.reports[next++] = ButtonFunctionReport(i, code);
  }
  out.reports[next++] = WheelReport(s.WheelStatus);

  std::uint8_t enableMask = 0;
  for (int n = 0; n < kDpiStageCount; ++n) {
    if (s.DpiStageEnabled[n] != 0) enableMask = static_cast<std::uint8_t>(enableMask | (1u << n));
  }
  const std::int32_t active = s.DpiLevel;
  for (int n = 0; n < kDpiStageCount; ++n) {
    const std::uint8_t code = protocol::DpiCodeOf(s.DpiStages[n]);
    out.dpiStageCodes[static_cast<std::size_t>(n)] = code;
    out.reports[next++] = DpiStageReport(n, active, code, enableMask);
  }

  out.ledMode = SentLedMode(s.LedMode);
  out.reports[next++] = LedReport(out.ledMode);
  out.reports[next++] = FireTimeReport(s.FireTime);
  return out;
}

std::array<protocol::Report, kSettingsReportCount> SettingsReportBytes(const SettingsReports& encoded,
                                                                       const protocol::Report& previous) {
  std::array<protocol::Report, kSettingsReportCount> out;
  protocol::Report buffer = previous;
  for (std::size_t k = 0; k < kSettingsReportCount; ++k) {
    encoded.reports[k].ApplyTo(buffer);
    out[k] = buffer;
  }
  return out;
}

}  // namespace zlv
