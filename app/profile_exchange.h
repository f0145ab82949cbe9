// Carrying settings to another machine: the main page's profile import and
// export, where one profile travels as the section [Config7] of an INI file
// the user picks, and the advanced page's macro import and export, where the
// user macros travel as a macro file.
#pragma once

#include "base/file_dialogs.h"
#include "base/message_box.h"
#include "base/text.h"
#include "macro/macro_slot.h"
#include "macro/macro_tables.h"
#include "settings/ini_file.h"
#include "settings/profile_settings.h"

namespace zlv {

// Asks for a file with the open dialog (starting in `exeDir`) and loads its
// [Config7] into the in-memory profile. The current profile number, the mouse
// and config.ini are left alone: the values reach them when the user applies.
// Returns whether a file was chosen (the caller then repaints the window).
bool ImportProfile(SettingsModel& settings, FileDialogs& dialogs, TextView exeDir);

// Asks for a file with the save dialog (starting in `exeDir`) and writes the
// in-memory profile into its [Config7], keeping the file's other sections.
// Returns whether a file was chosen (the caller then repaints the window).
bool ExportProfile(SettingsModel& settings, FileDialogs& dialogs, TextView exeDir);

// Asks for a macro file with the open dialog (starting in `exeDir`) and loads
// it into the user macros, replacing those in memory; a name that names no
// file is reported as a missing file. The language's own macro file is left
// alone: the imported macros reach it with the next apply. Returns whether a
// file was chosen (the caller then rebuilds the macro list and repaints).
bool ImportMacros(IniStore& ini, MessageBoxes& messages, MacroTables& macros,
                  MacroEditState& state, FileDialogs& dialogs, TextView exeDir);

// Asks for a file with the save dialog (starting in `exeDir`) and writes the
// user macros into it. Returns whether a file was chosen.
bool ExportMacros(IniStore& ini, const MacroTables& macros, FileDialogs& dialogs,
                  TextView exeDir);

}  // namespace zlv
