// The macro recorder: turns what the user types into the events and delays of
// one user macro.
//
// The record control of the advanced page toggles the recording. While it is
// on, the keyboard hook re-posts every keystroke of the desktop to the main
// window, and the main window's pre-translation hands each key message to
// OnKeyMessage, which translates the virtual key into a HID usage, pairs every
// release with a held key, measures the time since the previous event and
// appends the event to the record and to the event list.
//
// Limits of one recording:
// - at most 216 events, of which at most 108 presses, so every recorded press
//   leaves room for its release (the presses of this recording are counted,
//   whatever happens to the event list's press lines meanwhile);
// - at most 9 keys held at once. A tenth simultaneous press is not recorded
//   (and not tracked), exactly like a press beyond the 108th: its release then
//   finds no held key and is not recorded either. Every recorded press can
//   therefore still get its release.
// Releases of keys that were not recorded as pressed (for example keys held
// when the recording started) are not recorded.
//
// The record's count is written when the recording stops; while it runs the
// record keeps the count 0, so the player finds nothing to play in it.
//
// The recorder is the one owner of the keyboard hook: it installs it when a
// recording starts, renews it while one runs (RenewHook) and removes whatever
// is installed when the recording stops.
//
// Everything here runs on the window thread. Writes to the record take the
// macro tables' lock, since the player thread may read the record meanwhile.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "base/text.h"
#include "macro/keyboard_hook.h"
#include "macro/macro_slot.h"
#include "macro/macro_tables.h"
#include "macro/utc_clock.h"

namespace zlv {

inline constexpr int kMaxRecordedEvents = 216;
inline constexpr int kMaxRecordedPresses = 108;
inline constexpr int kMaxHeldKeys = 9;

// What the pre-translation does with a key message after the recorder's step.
enum class KeyStepResult {
  // Go on with the rest of the main window's pre-translation. Also the answer
  // when not recording or for a message that is not a key message.
  kContinue,
  // The message was not recorded (a press beyond a limit, or the release of a
  // key not held): hand it to the framework's default pre-translation and
  // return its result.
  kDefaultPreTranslate,
};

class MacroRecorder {
 public:
  // Records into `macros.user`. `state.recording` is the recorder's on/off
  // flag, shared with the editing commands and the painter. `list` is the
  // advanced page's event list.
  MacroRecorder(MacroTables& macros, MacroEditState& state, EventListModel& list,
                KeyboardHook& hook, UtcClock& clock);
  MacroRecorder(const MacroRecorder&) = delete;
  MacroRecorder& operator=(const MacroRecorder&) = delete;

  // The record control's action: starts a recording when none runs, else
  // stops it. The caller gives the keyboard focus to the event list first, in
  // every case.
  //
  // `macro_names` are the lines of the macro list and `selection` its selected
  // line (negative for none). Starting needs at least one line; it records into
  // the selected macro, or macro 0 when no line of the list (or no user record)
  // is selected. Starting empties that record (name from its list line, mode 0,
  // repeat 1, no events), sets the repeat edit to "1" disabled, empties the
  // event list, forgets the held keys and the previous key message and
  // installs the keyboard hook.
  // Stopping stores the number of recorded events as the record's count and
  // removes the hook, also one that only a renewal put in place. Returns
  // whether the recording state changed.
  bool Toggle(std::span<const Text> macro_names, int selection);

  // While recording, puts the keyboard hook in place again (the system drops a
  // low-level hook without notice when its procedure once took too long), or
  // installs it when installing failed at the start. Does nothing otherwise.
  // Returns whether a fresh hook is in place.
  bool RenewHook();

  // The key-message step of the main window's pre-translation, for the
  // message identifier and its first parameter (the virtual key). A message
  // equal to the previous key message is taken for the auto-repeat of a held
  // key and not recorded.
  KeyStepResult OnKeyMessage(std::uint32_t message, std::uint32_t virtual_key);

  // Milliseconds since the previous call, 0..65535, on the UTC time of day
  // (a day boundary between the calls is taken into account).
  std::uint16_t ElapsedMs();

  bool recording() const { return state_.recording; }
  int record_slot() const { return record_slot_; }
  int recorded_count() const { return recorded_count_; }
  int recorded_presses() const { return recorded_presses_; }
  // The virtual keys pressed and not yet released, in the order of pressing.
  std::span<const std::uint8_t> held_keys() const {
    return std::span<const std::uint8_t>(held_keys_).first(held_key_count_);
  }
  // Whether the recorder put a hook in place that it has not removed yet.
  bool hook_installed() const { return hook_installed_; }

 private:
  void Start(std::span<const Text> macro_names, int selection);
  void Stop();

  MacroTables& tables_;
  MacroTable& macros_;  // tables_.user
  MacroEditState& state_;
  EventListModel& list_;
  KeyboardHook& hook_;
  UtcClock& clock_;

  bool hook_installed_ = false;
  int record_slot_ = 0;
  int recorded_count_ = 0;
  int recorded_presses_ = 0;
  std::array<std::uint8_t, kMaxHeldKeys> held_keys_{};
  std::size_t held_key_count_ = 0;
  // The previous key message seen while recording (none at the start of a
  // recording).
  std::uint32_t last_message_ = 0;
  std::uint32_t last_virtual_key_ = 0;
  // Time of day (ms, UTC) of the previous ElapsedMs call; kept across
  // recordings.
  std::int64_t last_event_time_ = 0;
};

// The caption of the record control: "Stop"/"停止" while recording, else
// "Record"/"录制". `ui_language` is 1 for English, 0 for Chinese.
Text RecordControlCaption(bool recording, std::int32_t ui_language);

}  // namespace zlv
