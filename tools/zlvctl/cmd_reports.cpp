// zlvctl reports: the feature reports a profile of a config file makes.
#include <optional>
#include <ostream>

#include "app/settings_push.h"
#include "tools/zlvctl/commands.h"

namespace zlv::zlvctl {

void LoadScratchProfile(MemoryFileStore& files, IniStore& ini, SettingsModel& settings,
                        const std::string& configBytes, std::optional<std::int32_t> profile) {
  settings.ConfigPath = u"config.ini";
  files.Put(settings.ConfigPath, configBytes);
  settings.UiLanguage = ReadUiLanguage(ini, settings.ConfigPath);
  settings.ChooseStartupProfile();
  if (profile) {
    settings.CurrentProfile = *profile;
    settings.LoadProfile(settings.ConfigPath, *profile, false);
  }
}

PushRun::PushRun(const std::string& configBytes, std::optional<std::int32_t> profile) {
  LoadScratchProfile(files, ini, settings, configBytes, profile);
  PushAllSettings(settings, protocol, system, nullptr);
}

int PrintReports(const VirtualMouse& mouse, const RecordingSystemSettings& system,
                 std::ostream& out, std::ostream& err) {
  for (const LoggedReport& report : mouse.Log()) out << HexBytes(report.bytes) << '\n';
  out << "pointer-speed " << system.pointer_speed << '\n';
  out << "wheel-lines " << system.wheel_lines << '\n';
  const std::vector<std::string> errors = mouse.ProtocolErrors();
  for (const std::string& e : errors) err << "protocol error: " << e << '\n';
  return errors.empty() ? kExitOk : kExitRuntimeError;
}

int Reports(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            FileStore& files) {
  const Options options(args, 1, {"--config", "--profile"});
  const std::string config = ReadConfig(files, options.Require("--config"));
  std::optional<std::int32_t> profile;
  if (auto p = options.Get("--profile")) profile = ParseProfileNumber(*p);
  PushRun run(config, profile);
  return PrintReports(run.mouse, run.system, out, err);
}

}  // namespace zlv::zlvctl
