// Display names of the keys and mouse buttons a macro event can carry.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace zlv {

// The name shown in the macro event list for an event value: a HID keyboard
// usage (as produced by VkToUsage) or 240..242 for the left, right and middle
// mouse button. Values without a name give "NON-AVAILABLE".
Text KeyNameOf(std::uint8_t value);

}  // namespace zlv
