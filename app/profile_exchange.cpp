#include "app/profile_exchange.h"

#include <optional>

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

}  // namespace zlv
