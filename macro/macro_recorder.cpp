#include "macro/macro_recorder.h"

#include <algorithm>
#include <mutex>

#include "macro/key_codes.h"

namespace zlv {

MacroRecorder::MacroRecorder(MacroTables& macros, MacroEditState& state, EventListModel& list,
                             KeyboardHook& hook, UtcClock& clock)
    : tables_(macros),
      macros_(macros.user),
      state_(state),
      list_(list),
      hook_(hook),
      clock_(clock) {}

bool MacroRecorder::Toggle(std::span<const Text> macro_names, int selection) {
  if (state_.recording) {
    Stop();
    return true;
  }
  if (macro_names.empty()) return false;
  Start(macro_names, selection);
  return true;
}

void MacroRecorder::Start(std::span<const Text> macro_names, int selection) {
  state_.recording = true;
  // Only a line of the list that names a user record can be recorded into;
  // the blank template after the last user record never is.
  const int lines = static_cast<int>(std::min<std::size_t>(macro_names.size(), kMaxUserMacros));
  const int slot = selection >= 0 && selection < lines ? selection : 0;

  held_key_count_ = 0;
  held_keys_.fill(0);
  // The previous recording may have ended on a press whose release the hook
  // never saw; remembering it would drop this recording's first press of that
  // key as if it were its auto-repeat.
  last_message_ = 0;
  last_virtual_key_ = 0;
  if (!hook_installed_) hook_installed_ = hook_.Install();

  record_slot_ = slot;
  state_.up_lines = 0;
  state_.down_lines = 0;
  recorded_count_ = 0;
  recorded_presses_ = 0;

  {
    // Emptied to the state of the blank template record.
    std::lock_guard lock(tables_.mutex);
    MacroSlot& macro = macros_.slots[slot];
    macro.AssignFrom(MacroSlot{});
    macro.SetName(macro_names[slot]);
    macro.SetMode(0);
    macro.SetRepeat(1);
  }
  state_.current_macro = slot;
  list_.repeat_text = u"1";
  list_.repeat_enabled = false;
  list_.repeat_changed = true;

  list_.lines.clear();
  list_.selected_line = EventListModel::kNoLine;
}

void MacroRecorder::Stop() {
  state_.recording = false;
  {
    std::lock_guard lock(tables_.mutex);
    macros_.slots[record_slot_].SetCount(recorded_count_);
  }
  // Whatever is installed goes, also a hook that a renewal put in place after
  // the first install had failed: a hook left behind would swallow every
  // keystroke of the desktop.
  hook_.Uninstall();
  hook_installed_ = false;
}

bool MacroRecorder::RenewHook() {
  if (!state_.recording) return false;
  const bool renewed = hook_.Renew();
  // A failed renewal keeps the hook that was in place, if any.
  if (renewed) hook_installed_ = true;
  return renewed;
}

KeyStepResult MacroRecorder::OnKeyMessage(std::uint32_t message, std::uint32_t virtual_key) {
  if (!state_.recording || !IsKeyMessage(message)) return KeyStepResult::kContinue;

  // The same message again is the auto-repeat of a held key.
  const bool repeated = message == last_message_ && virtual_key == last_virtual_key_;
  if (!repeated && recorded_count_ < kMaxRecordedEvents) {
    // Virtual keys are single bytes; presses are tracked and matched by that
    // byte, so every recorded press can be matched by its release.
    const auto key = static_cast<std::uint8_t>(virtual_key & 0xFF);
    std::uint8_t type = 0;
    if (IsKeyPressMessage(message)) {
      if (recorded_presses_ >= kMaxRecordedPresses || held_key_count_ >= held_keys_.size()) {
        return KeyStepResult::kDefaultPreTranslate;
      }
      held_keys_[held_key_count_++] = key;
      ++recorded_presses_;
      type = kEventPress;
    } else {
      const auto held_end = held_keys_.begin() + static_cast<std::ptrdiff_t>(held_key_count_);
      const auto found = std::find(held_keys_.begin(), held_end, key);
      if (found == held_end) return KeyStepResult::kDefaultPreTranslate;
      std::copy(found + 1, held_end, found);
      --held_key_count_;
      held_keys_[held_key_count_] = 0;
      type = kEventRelease;
    }

    const std::uint16_t elapsed = ElapsedMs();
    {
      std::lock_guard lock(tables_.mutex);
      MacroSlot& macro = macros_.slots[record_slot_];
      macro.SetEvent(recorded_count_, {VkToUsage(key), type});
      if (recorded_count_ > 0) {
        // The time since the previous event becomes that event's delay; the
        // new last event gets the default until a next event follows.
        macro.SetDelay(recorded_count_ - 1, elapsed);
        macro.SetDelay(recorded_count_, kDefaultEventDelay);
      }
    }
    AppendEventLines(macros_, state_, list_, record_slot_, recorded_count_);
    ++recorded_count_;
  }

  last_message_ = message;
  last_virtual_key_ = virtual_key;
  return KeyStepResult::kContinue;
}

std::uint16_t MacroRecorder::ElapsedMs() {
  const std::int64_t now = MillisecondOfDay(clock_.Now());
  std::int64_t elapsed = now - last_event_time_;
  last_event_time_ = now;
  // A negative difference means the day changed in between.
  if (elapsed < 0) elapsed += kMillisecondsPerDay;
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(elapsed, 0, 0xFFFF));
}

Text RecordControlCaption(bool recording, std::int32_t ui_language) {
  const bool english = ui_language == 1;
  if (recording) return english ? u"Stop" : u"\u505C\u6B62";
  return english ? u"Record" : u"\u5F55\u5236";
}

}  // namespace zlv
