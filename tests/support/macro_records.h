// Building and reading macro records in the tests.
#pragma once

#include <cstdint>
#include <vector>

#include "macro/macro_slot.h"

namespace zlv::testing {

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
