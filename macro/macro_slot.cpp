#include "macro/macro_slot.h"

#include <algorithm>
#include <atomic>

#include "macro/key_names.h"

namespace zlv {

namespace {

// The player thread reads records while the window thread writes them; each
// byte is one atomic access.
std::uint8_t LoadByte(const std::uint8_t& byte) {
  return std::atomic_ref<std::uint8_t>(const_cast<std::uint8_t&>(byte))
      .load(std::memory_order_relaxed);
}

void StoreByte(std::uint8_t& byte, std::uint8_t value) {
  std::atomic_ref<std::uint8_t>(byte).store(value, std::memory_order_relaxed);
}

std::uint16_t LoadLe16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(LoadByte(bytes[0]) | (LoadByte(bytes[1]) << 8));
}

void StoreLe16(std::uint8_t* bytes, std::uint16_t value) {
  StoreByte(bytes[0], static_cast<std::uint8_t>(value & 0xFF));
  StoreByte(bytes[1], static_cast<std::uint8_t>(value >> 8));
}

bool IsEventIndex(int k) { return k >= 0 && k < kMacroEventCapacity; }
bool IsTableSlot(int slot) { return slot >= 0 && slot < kMacroTableSize; }
// The blank template is never edited.
bool IsUserSlot(int slot) { return slot >= 0 && slot < kMaxUserMacros; }

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

constexpr int kNameUnits = static_cast<int>(sizeof(MacroSlot::name) / 2);

}  // namespace

Text MacroSlot::Name() const {
  Text text;
  for (int i = 0; i < kNameUnits; ++i) {
    const char16_t unit = LoadLe16(&name[2 * i]);
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

void MacroSlot::SetName(TextView new_name) {
  const Text fitted = FitMacroName(new_name);
  for (int i = 0; i < kNameUnits; ++i) {
    const char16_t unit = i < static_cast<int>(fitted.size()) ? fitted[i] : char16_t{0};
    StoreLe16(&name[2 * i], unit);
  }
}

std::uint8_t MacroSlot::Mode() const { return LoadByte(mode); }
void MacroSlot::SetMode(std::uint8_t new_mode) { StoreByte(mode, new_mode); }

std::uint16_t MacroSlot::Repeat() const { return LoadLe16(repeat); }
void MacroSlot::SetRepeat(std::uint16_t new_repeat) { StoreLe16(repeat, new_repeat); }

int MacroSlot::Count() const { return LoadByte(count); }
void MacroSlot::SetCount(int new_count) {
  StoreByte(count, static_cast<std::uint8_t>(std::clamp(new_count, 0, kMacroEventCapacity)));
}

MacroEvent MacroSlot::Event(int k) const {
  if (!IsEventIndex(k)) return {};
  return {LoadByte(events[k].value), LoadByte(events[k].type)};
}

void MacroSlot::SetEvent(int k, MacroEvent event) {
  if (!IsEventIndex(k)) return;
  StoreByte(events[k].value, event.value);
  StoreByte(events[k].type, event.type);
}

std::uint16_t MacroSlot::Delay(int k) const {
  return IsEventIndex(k) ? LoadLe16(&delays[2 * k]) : std::uint16_t{0};
}

void MacroSlot::SetDelay(int k, std::uint16_t delay) {
  if (IsEventIndex(k)) StoreLe16(&delays[2 * k], delay);
}

std::array<std::uint8_t, kMacroSlotSize> MacroSlot::ToBytes() const {
  std::array<std::uint8_t, kMacroSlotSize> bytes{};
  const auto* self = reinterpret_cast<const std::uint8_t*>(this);
  for (std::size_t i = 0; i < kMacroSlotSize; ++i) bytes[i] = LoadByte(self[i]);
  return bytes;
}

void MacroSlot::AssignBytes(std::span<const std::uint8_t, kMacroSlotSize> bytes) {
  auto* self = reinterpret_cast<std::uint8_t*>(this);
  for (std::size_t i = 0; i < kMacroSlotSize; ++i) StoreByte(self[i], bytes[i]);
}

void MacroSlot::AssignFrom(const MacroSlot& other) {
  if (&other == this) return;
  AssignBytes(other.ToBytes());
}

Text FitMacroName(TextView name) {
  std::size_t length = std::min<std::size_t>(name.size(), kMacroNameLength);
  if (length < name.size() && length > 0 && IsHighSurrogate(name[length - 1])) --length;
  return Text(name.substr(0, length));
}

void EventListModel::Select(int line) {
  selected_line = line >= 0 && line < static_cast<int>(lines.size()) ? line : kNoLine;
}

Text DelayLineText(std::uint16_t delay) { return u"    " + DecimalText(delay) + u"ms"; }

Text EventLineText(MacroEvent event) {
  Text name = KeyNameOf(event.value);
  if (event.type == kEventPress) return u"[\u2193]" + name;
  if (event.type == kEventRelease) return u"[\u2191]" + name;
  return name;
}

bool InsertEvent(MacroTable& macros, MacroEditState& state, MessageBoxes& messages,
                 int slot, int position, MacroEvent event) {
  if (!IsUserSlot(slot)) return false;
  MacroSlot& macro = macros.slots[slot];
  const int n = macro.Count();
  if (n + 1 > kMacroEditLimit) {
    messages.Show(u"Overflow!!!");
    return false;
  }
  // An event past the end would leave a gap of stale events: append instead.
  position = std::clamp(position, 0, n);
  macro.SetCount(n + 1);
  for (int i = n - 1; i >= position; --i) {
    macro.SetEvent(i + 1, macro.Event(i));
    macro.SetDelay(i + 1, macro.Delay(i));
  }
  state.selected_line += 2;
  macro.SetEvent(position, event);
  macro.SetDelay(position, kDefaultEventDelay);
  return true;
}

void DeleteEvent(MacroTable& macros, MacroEditState& state, EventListModel& list,
                 int slot, int position) {
  if (!IsUserSlot(slot)) return;
  MacroSlot& macro = macros.slots[slot];
  const int n = macro.Count();
  // Only an existing event is removed; shortening the record for any other
  // position would drop its last event.
  if (position >= 0 && position < n) {
    const int remaining = n - 1;
    for (int i = position; i < remaining; ++i) {
      macro.SetEvent(i, macro.Event(i + 1));
      macro.SetDelay(i, macro.Delay(i + 1));
    }
    macro.SetCount(remaining);
  }
  state.selected_line = state.selected_line <= 2 ? 0 : state.selected_line - 2;
  RebuildEventList(macros, state, list, slot);
}

void RebuildEventList(const MacroTable& macros, MacroEditState& state,
                      EventListModel& list, int slot) {
  list.lines.clear();
  list.selected_line = EventListModel::kNoLine;
  state.down_lines = 0;
  state.up_lines = 0;
  if (!IsTableSlot(slot)) return;
  const MacroSlot& macro = macros.slots[slot];
  const int n = macro.Count();
  if (n == 0) return;
  for (int i = 0; i < n; ++i) AppendEventLines(macros, state, list, slot, i);
  if (macro.Mode() == 1) {
    list.repeat_text = DecimalText(macro.Repeat());
    list.repeat_enabled = true;
  } else {
    list.repeat_text = u"1";
    list.repeat_enabled = false;
  }
  list.repeat_changed = true;
}

void AppendEventLines(const MacroTable& macros, MacroEditState& state,
                      EventListModel& list, int slot, int index) {
  if (!IsTableSlot(slot) || !IsEventIndex(index)) return;
  const MacroSlot& macro = macros.slots[slot];
  const MacroEvent event = macro.Event(index);
  if (index > 0) list.lines.push_back(DelayLineText(macro.Delay(index - 1)));
  if (event.type == kEventPress) ++state.down_lines;
  if (event.type == kEventRelease) ++state.up_lines;
  list.lines.push_back(EventLineText(event));
  list.repaint_requested = true;
  list.Select(state.recording ? static_cast<int>(list.lines.size()) - 1 : state.selected_line);
}

int FindMacroByName(const MacroTable& macros, TextView name) {
  const int searched = std::clamp<int>(macros.count, 0, kMaxUserMacros);
  const Text wanted = FitMacroName(name);
  for (int i = 0; i < searched; ++i) {
    if (macros.slots[i].Name() == wanted) return i;
  }
  return searched;
}

}  // namespace zlv
