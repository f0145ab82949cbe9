// The status line in the frame, between the web entry and Cancel: for a few
// seconds it says what the last action did, or what failed and where; while
// the profile shown differs from what the mouse was last sent it says so.
// Portable: no OS headers.
#pragma once

#include <cstdint>
#include <optional>

#include "base/clock.h"
#include "base/text.h"
#include "ui/picture_geometry.h"
#include "ui/skin_layout.h"

namespace zlv::ui {

enum class StatusEvent : std::uint8_t {
  kApplied,               // sent to the mouse and saved
  kAppliedNotSaved,       // sent, but config.ini could not be written
  kSaved,
  kSaveFailed,
  kProfileExported,       // name: the file
  kProfileExportFailed,   // name: the file
  kProfileImported,
  kDefaultsRestored,
  kDefaultsNotSaved,      // restored and sent, but a file could not be written
  kMacrosSaved,           // name: the macro file
  kMacrosNotSaved,        // name: the macro file
  kMacrosExported,        // name: the file
  kMacroExportFailed,     // name: the file
  kMacrosImported,
  kMacroImportFailed,     // name: the file
  kUnappliedDropped,      // number: the profile whose edits were dropped
};

struct StatusMessage {
  Text text;
  bool failure = false;
  friend bool operator==(const StatusMessage&, const StatusMessage&) = default;
};

// The message of an event in the language (English or Chinese). `name` is a
// file path (only its last part is shown), `number` a profile.
StatusMessage StatusMessageOf(StatusEvent event, bool english, TextView name = {}, int number = 0);
// The note shown while the profile shown is not what the mouse holds.
Text UnappliedNote(bool english);

class StatusLine {
 public:
  static constexpr Nanos kShownFor = std::chrono::seconds(4);

  void Show(StatusMessage message, Nanos now);
  // What the line says at `now`: the last message for kShownFor after it was
  // shown, then the unapplied note while `unapplied` holds, else nothing.
  std::optional<StatusMessage> At(Nanos now, bool unapplied, bool english) const;

 private:
  std::optional<StatusMessage> message_;
  Nanos shown_at_{};
};

// Where the line is drawn: from 8 pixels right of main entry 19 (the web
// entry) to 8 pixels left of main entry 2 (Cancel), as tall as Cancel.
// Empty when the two entries leave no room.
PixelRect StatusLineRect(const SkinLayout& layout);

}  // namespace zlv::ui
