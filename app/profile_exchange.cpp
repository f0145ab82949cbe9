#include "app/profile_exchange.h"

#include <mutex>
#include <optional>

#include "macro/macro_file.h"

namespace zlv {

namespace {
ExchangeResult Result(const Text& path, bool done) {
  return {done ? ExchangeResult::Outcome::kDone : ExchangeResult::Outcome::kFailed, path};
}
}  // namespace

ExchangeResult ImportProfile(SettingsModel& settings, FileDialogs& dialogs, TextView exeDir) {
  const std::optional<Text> path =
      dialogs.Choose(MakeFileDialogRequest(kProfileImportDialog, exeDir));
  if (!path) return {};
  settings.LoadProfile(*path, kTransferSection, false);
  return Result(*path, true);
}

ExchangeResult ExportProfile(SettingsModel& settings, FileDialogs& dialogs, TextView exeDir) {
  const std::optional<Text> path =
      dialogs.Choose(MakeFileDialogRequest(kProfileExportDialog, exeDir));
  if (!path) return {};
  return Result(*path, settings.SaveProfile(*path, kTransferSection));
}

ExchangeResult ImportMacros(IniStore& ini, MessageBoxes& messages, MacroTables& macros,
                            MacroEditState& state, FileDialogs& dialogs, TextView exeDir,
                            std::int32_t uiLanguage) {
  const std::optional<Text> path = dialogs.Choose(MakeFileDialogRequest(kMacroImportDialog, exeDir));
  if (!path) return {};
  // Read with the macro lock free (a message waits for the user); the lock
  // is taken only to store the records. A file that was not read whole
  // leaves the macros as they are, so the next apply cannot write an empty
  // set over the language's file.
  const MacroFileContent content = ReadMacroFile(ini, messages, *path, kMaxUserMacros, uiLanguage);
  if (!content.found) return Result(*path, false);
  {
    std::lock_guard lock(macros.mutex);
    StoreUserMacros(content, macros.user, state);
  }
  state.macro_file_unread = false;
  return Result(*path, true);
}

ExchangeResult ExportMacros(IniStore& ini, const MacroTables& macros, FileDialogs& dialogs,
                            TextView exeDir) {
  const std::optional<Text> path = dialogs.Choose(MakeFileDialogRequest(kMacroExportDialog, exeDir));
  if (!path) return {};
  // Only the window thread changes the records, and it is here.
  return Result(*path, SaveMacroFile(ini, *path, macros.user));
}

}  // namespace zlv
