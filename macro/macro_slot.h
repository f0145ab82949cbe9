// The macro record, the two macro tables, the shared editing state and the
// event list that shows one macro.
//
// A MacroSlot is stored in the macro files byte for byte, so its layout is
// fixed: it is made of bytes only, and the 16-bit values are kept low byte
// first and read and written through the accessors. The player thread reads
// the records while the window thread edits them; the accessors load and store
// each byte atomically (relaxed), so the player sees every byte either before
// or after an edit. Concurrent code must go through the accessors.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/message_box.h"
#include "base/relaxed.h"
#include "base/text.h"

namespace zlv {

inline constexpr std::size_t kMacroSlotSize = 1064;
// Event positions in a record.
inline constexpr int kMacroEventCapacity = 255;
// Editing stops one short of the capacity.
inline constexpr int kMacroEditLimit = 254;
// UTF-16 units of a name, without the terminating null.
inline constexpr int kMacroNameLength = 19;
inline constexpr int kMacroTableSize = 13;
// Records 0..11 hold the user's macros; record 12 stays blank and is the
// template that clears a record.
inline constexpr int kMaxUserMacros = 12;
inline constexpr int kBlankMacroSlot = 12;
inline constexpr std::uint16_t kDefaultEventDelay = 30;

// Event types; other values are kept and shown without a direction mark.
inline constexpr std::uint8_t kEventPress = 1;
inline constexpr std::uint8_t kEventRelease = 2;
// Event values of the mouse buttons; keys use HID keyboard usages.
inline constexpr std::uint8_t kMouseLeftButton = 240;
inline constexpr std::uint8_t kMouseRightButton = 241;
inline constexpr std::uint8_t kMouseMiddleButton = 242;

struct MacroEvent {
  std::uint8_t value = 0;
  std::uint8_t type = 0;
  friend bool operator==(const MacroEvent&, const MacroEvent&) = default;
};
static_assert(sizeof(MacroEvent) == 2);

struct MacroSlot {
  // The name as UTF-16LE with a terminating null.
  std::uint8_t name[40];
  // 0 play once; 1 play `repeat` times.
  std::uint8_t mode;
  std::uint8_t repeat[2];
  // Events in use.
  std::uint8_t count;
  MacroEvent events[kMacroEventCapacity];
  // Delay k (little-endian, milliseconds) is the wait after event k.
  std::uint8_t delays[2 * kMacroEventCapacity];

  // The stored name, up to the first null (at most 20 units when the null is
  // missing, as in a damaged file).
  Text Name() const;
  // Stores FitMacroName(name) with its null; the rest of the field is zeroed.
  void SetName(TextView name);

  std::uint8_t Mode() const;
  void SetMode(std::uint8_t mode);
  std::uint16_t Repeat() const;
  void SetRepeat(std::uint16_t repeat);
  int Count() const;
  // Clamped to 0..255.
  void SetCount(int count);

  // Event and delay k for k in 0..254; other k read as zero and are not written.
  MacroEvent Event(int k) const;
  void SetEvent(int k, MacroEvent event);
  std::uint16_t Delay(int k) const;
  void SetDelay(int k, std::uint16_t delay);

  // The whole record byte for byte, as the macro files store it.
  std::array<std::uint8_t, kMacroSlotSize> ToBytes() const;
  void AssignBytes(std::span<const std::uint8_t, kMacroSlotSize> bytes);
  // Copies another record byte by byte (for example the blank template).
  void AssignFrom(const MacroSlot& other);
};

static_assert(sizeof(MacroSlot) == kMacroSlotSize);
static_assert(alignof(MacroSlot) == 1);
static_assert(offsetof(MacroSlot, name) == 0);
static_assert(offsetof(MacroSlot, mode) == 40);
static_assert(offsetof(MacroSlot, repeat) == 41);
static_assert(offsetof(MacroSlot, count) == 43);
static_assert(offsetof(MacroSlot, events) == 44);
static_assert(offsetof(MacroSlot, delays) == 554);

// The name as a record stores it: cut to 19 units, without splitting a
// surrogate pair.
Text FitMacroName(TextView name);

// Thirteen records and the number of macros in use. Zero when created.
struct MacroTable {
  std::array<MacroSlot, kMacroTableSize> slots{};
  Relaxed<std::int16_t> count{0};
};
using UserMacroTable = MacroTable;
using ConstMacroTable = MacroTable;

// Editing state shared by the macro commands, the recorder and the painter.
struct MacroEditState {
  int current_macro = 0;
  // The event-list line selected again whenever the list is rebuilt.
  int selected_line = 0;
  // Press and release lines in the event list.
  int down_lines = 0;
  int up_lines = 0;
  bool recording = false;
  // The language's user macro file is there but its last load could not read
  // it whole: the macros shown are not what it holds, so nothing writes them
  // over it until a load succeeds or the user adds a macro.
  bool macro_file_unread = false;
};

// What the advanced page's event list and repeat edit show. The list box
// mirrors this model.
struct EventListModel {
  static constexpr int kNoLine = -1;

  std::vector<Text> lines;
  int selected_line = kNoLine;
  Text repeat_text;
  bool repeat_enabled = false;
  // Set whenever the repeat edit's text or state is set; the window clears
  // it once it has shown them, and otherwise leaves what the user typed.
  bool repeat_changed = false;
  // Set when the main window must be repainted (background erased); the
  // window clears it once it has asked for the repaint.
  bool repaint_requested = false;

  // Selects `line`, or no line when it does not exist.
  void Select(int line);
};

// "    <delay>ms".
Text DelayLineText(std::uint16_t delay);
// "[↓]" or "[↑]" for a press or release, then the key name.
Text EventLineText(MacroEvent event);

// Inserts `event` with the default delay at `position` of user record `slot`
// (0..11); a position past the last event appends. A record that already has
// 254 events is left unchanged and "Overflow!!!" is shown. Returns whether the
// event was inserted. The event list is not touched.
bool InsertEvent(MacroTable& macros, MacroEditState& state, MessageBoxes& messages,
                 int slot, int position, MacroEvent event);

// Removes event `position` of user record `slot` (0..11), moves the selected
// line up by one event and rebuilds the event list. A position that names no
// event leaves the record unchanged.
void DeleteEvent(MacroTable& macros, MacroEditState& state, EventListModel& list,
                 int slot, int position);

// Refills the event list and the repeat edit from record `slot`. A record
// without events (or a slot outside the table) empties the list and leaves
// the repeat edit as it was.
void RebuildEventList(const MacroTable& macros, MacroEditState& state,
                      EventListModel& list, int slot);

// Appends the delay line before event `index` (when index > 0) and the event's
// line, then selects the last line while recording or else the selected line.
// `index` may lie past the record's count (the recorder sets the count when it
// stops), but not past the record's 255 events.
void AppendEventLines(const MacroTable& macros, MacroEditState& state,
                      EventListModel& list, int slot, int index);

// The first user macro whose name equals FitMacroName(name) exactly, or the
// number of macros searched (the count, limited to 0..12) when none does.
int FindMacroByName(const MacroTable& macros, TextView name);

}  // namespace zlv
