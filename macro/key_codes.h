// Translation between Windows virtual-key codes and HID keyboard usages.
//
// Recorded macros store HID usages (what the mouse sends as a keyboard); the
// macro files store virtual-key codes. Only the keys in the translation table
// change; every other code passes through unchanged in both directions, so the
// mouse-button values 240..242 survive a round trip through a file.
#pragma once

#include <cstdint>

namespace zlv {

std::uint8_t VkToUsage(std::uint8_t virtual_key);
std::uint8_t UsageToVk(std::uint8_t usage);

}  // namespace zlv
