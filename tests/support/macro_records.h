// Building and reading macro records in the tests.
#pragma once

#include <cstdint>
#include <vector>

#include "macro/macro_slot.h"

namespace zlv::testing {

// Events the macro tests build records from.
inline constexpr MacroEvent kPressA{0x04, kEventPress};
inline constexpr MacroEvent kReleaseA{0x04, kEventRelease};
inline constexpr MacroEvent kPressB{0x05, kEventPress};
inline constexpr MacroEvent kReleaseB{0x05, kEventRelease};
inline constexpr MacroEvent kLeftDown{kMouseLeftButton, kEventPress};
inline constexpr MacroEvent kLeftUp{kMouseLeftButton, kEventRelease};
inline constexpr MacroEvent kRightDown{kMouseRightButton, kEventPress};
inline constexpr MacroEvent kRightUp{kMouseRightButton, kEventRelease};
inline constexpr MacroEvent kMidDown{kMouseMiddleButton, kEventPress};
inline constexpr MacroEvent kMidUp{kMouseMiddleButton, kEventRelease};

// Fills record `slot` with events; delay k is 100 + k.
inline void Fill(MacroSlot& slot, const std::vector<MacroEvent>& events) {
  slot.SetCount(static_cast<int>(events.size()));
  for (int k = 0; k < static_cast<int>(events.size()); ++k) {
    slot.SetEvent(k, events[k]);
    slot.SetDelay(k, static_cast<std::uint16_t>(100 + k));
  }
}

inline std::vector<MacroEvent> EventsOf(const MacroSlot& slot) {
  std::vector<MacroEvent> events;
  for (int k = 0; k < slot.Count(); ++k) events.push_back(slot.Event(k));
  return events;
}

}  // namespace zlv::testing
