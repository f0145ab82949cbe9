// Carrying settings to another machine: the main page's profile import and
// export, where one profile travels as the section [Config7] of an INI file
// the user picks, and the advanced page's macro import and export, where the
// user macros travel as a macro file.
#pragma once

#include <cstdint>

#include "base/file_dialogs.h"
#include "base/message_box.h"
#include "base/text.h"
#include "macro/macro_slot.h"
#include "macro/macro_tables.h"
#include "settings/ini_file.h"
#include "settings/profile_settings.h"

namespace zlv {

// What an exchange did: nothing (the dialog was cancelled), its transfer, or
// a transfer that failed (the file could not be written, or read whole).
struct ExchangeResult {
  enum class Outcome : std::uint8_t { kCancelled, kDone, kFailed };
  Outcome outcome = Outcome::kCancelled;
  Text path;  // the file chosen
  // Whether a file was chosen.
  explicit operator bool() const { return outcome != Outcome::kCancelled; }
};

// Asks for a file with the open dialog (starting in `exeDir`) and loads its
// [Config7] into the in-memory profile. The current profile number, the mouse
// and config.ini are left alone: the values reach them when the user applies.
// A file was chosen when the result is true (the caller then repaints the window).
ExchangeResult ImportProfile(SettingsModel& settings, FileDialogs& dialogs, TextView exeDir);

// Asks for a file with the save dialog (starting in `exeDir`) and writes the
// in-memory profile into its [Config7], keeping the file's other sections.
// A file was chosen when the result is true (the caller then repaints the
// window); it failed when the file could not be written.
ExchangeResult ExportProfile(SettingsModel& settings, FileDialogs& dialogs, TextView exeDir);

// Asks for a macro file with the open dialog (starting in `exeDir`) and loads
// it into the user macros, replacing those in memory. A name that names no
// file is reported as a missing file, one that could not be read whole as
// unreadable (in `uiLanguage`); both fail and leave the macros in memory as
// they were. The language's own macro file is left alone: the imported
// macros reach it with the next apply. A file was chosen when the result is
// true (the caller then rebuilds the macro list and repaints).
ExchangeResult ImportMacros(IniStore& ini, MessageBoxes& messages, MacroTables& macros,
                            MacroEditState& state, FileDialogs& dialogs, TextView exeDir,
                            std::int32_t uiLanguage = 1);

// Asks for a file with the save dialog (starting in `exeDir`) and writes the
// user macros into it. A file was chosen when the result is true; it failed
// when the file could not be written.
ExchangeResult ExportMacros(IniStore& ini, const MacroTables& macros, FileDialogs& dialogs,
                  TextView exeDir);

}  // namespace zlv
