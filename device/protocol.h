// The mouse's vendor protocol: report ids, commands and the value codes.
#pragma once

#include <array>
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

// The DPI code of a stage value: 0..3 give 1200, 1600, 2400, 3200 DPI, any
// other value 800 DPI.
constexpr std::uint8_t DpiCodeOf(int value) {
  switch (value) {
    case 0: return 6;
    case 1: return 7;
    case 2: return 11;
    case 3: return 13;
    default: return 15;
  }
}

// The DPI a code stands for, or 0 for a code the mouse does not know.
constexpr int DpiOfCode(std::uint8_t code) {
  switch (code) {
    case 6: return 1200;
    case 7: return 1600;
    case 11: return 2400;
    case 13: return 3200;
    case 15: return 800;
    default: return 0;
  }
}

// LED effect codes of the modes 0..3. A mode outside the range (only a
// hand-edited config.ini gives one) is sent as mode 0, the factory effect.
inline constexpr std::array<std::uint8_t, 4> kLedCodes = {0, 3, 6, 7};
constexpr std::uint8_t LedCodeOf(int mode) {
  return (mode >= 0 && mode < static_cast<int>(kLedCodes.size())) ? kLedCodes[static_cast<std::size_t>(mode)]
                                                                  : kLedCodes[0];
}

}  // namespace zlv::protocol
