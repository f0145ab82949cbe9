#include "app/profile_exchange.h"

#include <optional>

#include "macro/macro_file.h"

namespace zlv {

bool ImportProfile(SettingsModel& settings, FileDialogs& dialogs, TextView exeDir) {
  const std::optional<Text> path =
      dialogs.Choose(MakeFileDialogRequest(kProfileImportDialog, exeDir));
  if (!path) return false;
  settings.LoadProfile(*path, kTransferSection, false);
  return true;
}

bool ExportProfile(SettingsModel& settings, FileDialogs& dialogs, TextView exeDir) {
  const std::optional<Text> path =
      dialogs.Choose(MakeFileDialogRequest(kProfileExportDialog, exeDir));
  if (!path) return false;
  // A failed write is not reported; the window is repainted either way.
  settings.SaveProfile(*path, kTransferSection);
  return true;
}

bool ImportMacros(IniStore& ini, MessageBoxes& messages, MacroTables& macros,
                  MacroEditState& state, FileDialogs& dialogs, TextView exeDir) {
  const std::optional<Text> path = dialogs.Choose(MakeFileDialogRequest(kMacroImportDialog, exeDir));
  if (!path) return false;
  // Read with the macro lock free (a missing file's message waits for the
  // user); the lock is taken only to store the records.
  LoadMacroFile(ini, messages, *path, macros, state);
  return true;
}

bool ExportMacros(IniStore& ini, const MacroTables& macros, FileDialogs& dialogs,
                  TextView exeDir) {
  const std::optional<Text> path = dialogs.Choose(MakeFileDialogRequest(kMacroExportDialog, exeDir));
  if (!path) return false;
  // Only the window thread changes the records, and it is here.
  SaveMacroFile(ini, *path, macros.user);
  return true;
}

}  // namespace zlv
