// The mouse's vendor protocol: report ids, commands and the value codes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zlv::protocol {

inline constexpr std::uint16_t kVendorId = 0x18F8;
inline constexpr std::uint16_t kProductId = 0x1286;

// The two vendor collections: input reports arrive on the first, feature
// reports go to the second.
inline constexpr std::uint16_t kInputUsagePage = 0xFF00;
inline constexpr std::uint16_t kFeatureUsagePage = 0xFF01;
inline constexpr std::uint16_t kVendorUsage = 0x0001;

inline constexpr std::uint8_t kReportId = 0x07;
inline constexpr std::size_t kReportBufferSize = 256;
// Every report writes only bytes 0..7 of the buffer; the rest travel as they stand.
inline constexpr std::size_t kReportBytesWritten = 8;
static_assert(kReportBytesWritten <= kReportBufferSize);
using Report = std::array<std::uint8_t, kReportBufferSize>;

enum class Command : std::uint8_t {
  kDpiStage = 0x09,
  kButtonFunction = 0x10,
  kWheel = 0x11,
  kFireTime = 0x12,
  kLed = 0x13,
  kKeys = 0x15,
  kMouseButtons = 0x16,
  kConsumerControl = 0x17,
  kDriverExit = 0x20,
};

// Byte offsets inside a feature report.
inline constexpr std::size_t kIdByte = 0;
inline constexpr std::size_t kCommandByte = 1;

// Hardware button number of button slot 0..5.
inline constexpr std::array<std::uint8_t, 6> PhysicalButtonIndex = {1, 2, 3, 5, 4, 6};

// Input reports: byte 1 = 0xF0 + hardware button, byte 2 = 0x80 on release.
inline constexpr std::uint8_t kButtonEventBase = 0xF0;
inline constexpr std::uint8_t kReleaseMark = 0x80;

// Mouse-button codes of macro events.
inline constexpr std::uint8_t kLeftButton = 0xF0;
inline constexpr std::uint8_t kRightButton = 0xF1;
inline constexpr std::uint8_t kMiddleButton = 0xF2;
inline constexpr std::uint8_t kAllButtonsReleased = 0xFF;

// DPI stage byte 3 = code * 16 + 8 + stage; byte 2 = 0x40 + active stage.
inline constexpr std::uint8_t kDpiActiveBase = 0x40;
inline constexpr std::uint8_t kDpiStageMarker = 8;
inline constexpr std::uint8_t kLedHeader = 0x3F;
inline constexpr std::uint8_t kLedBase = 0x10;

// The five DPI values a stage can take, as the index stored in the profile
// (0..4), the code the mouse is sent and the DPI it stands for. One table
// serves both directions.
struct DpiValue {
  std::uint8_t code;
  int dpi;
};
inline constexpr std::array<DpiValue, 5> kDpiValues = {{
    {6, 1200},
    {7, 1600},
    {11, 2400},
    {13, 3200},
    {15, 800},
}};

// The DPI code of a stage value: the table's row, and for any other value the
// last row (800 DPI).
constexpr std::uint8_t DpiCodeOf(int value) {
  if (value < 0 || value >= static_cast<int>(kDpiValues.size())) return kDpiValues.back().code;
  return kDpiValues[static_cast<std::size_t>(value)].code;
}

// The DPI a code stands for, or 0 for a code the mouse does not know.
constexpr int DpiOfCode(std::uint8_t code) {
  for (const DpiValue& v : kDpiValues) {
    if (v.code == code) return v.dpi;
  }
  return 0;
}

// Every code names one DPI, and each fits the high nibble of the stage byte.
constexpr bool DpiCodesAreDistinctNibbles() {
  for (std::size_t i = 0; i < kDpiValues.size(); ++i) {
    if (kDpiValues[i].code > 0x0F) return false;
    for (std::size_t j = i + 1; j < kDpiValues.size(); ++j) {
      if (kDpiValues[i].code == kDpiValues[j].code) return false;
    }
  }
  return true;
}
static_assert(DpiCodesAreDistinctNibbles());

// LED effect codes of the modes 0..3. A mode outside the range (only a
// hand-edited config.ini gives one) is sent as mode 0, the factory effect.
inline constexpr std::array<std::uint8_t, 4> kLedCodes = {0, 3, 6, 7};
constexpr std::uint8_t LedCodeOf(int mode) {
  return (mode >= 0 && mode < static_cast<int>(kLedCodes.size())) ? kLedCodes[static_cast<std::size_t>(mode)]
                                                                  : kLedCodes[0];
}

}  // namespace zlv::protocol
