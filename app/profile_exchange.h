// The main page's profile import and export: one profile travels as the
// section [Config7] of an INI file the user picks.
#pragma once

#include "base/file_dialogs.h"
#include "base/text.h"
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

}  // namespace zlv
