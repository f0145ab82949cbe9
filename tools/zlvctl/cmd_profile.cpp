// zlvctl profile: show a profile, restore the factory profiles.
#include <ostream>

#include "tools/zlvctl/commands.h"

namespace zlv::zlvctl {

int ProfileCommand(const std::vector<std::string>& args, std::ostream& out, FileStore& files) {
  if (args.size() < 2) throw UsageError("profile needs a subcommand: show or restore-defaults");
  const std::string& sub = args[1];
  if (sub == "show") {
    const Options options(args, 2, {"--config", "--profile"});
    const std::string path = options.Require("--config");
    const std::int32_t n = ParseProfileNumber(options.Require("--profile"));
    ReadConfig(files, path);
    IniStore ini(files);
    SettingsModel settings(ini);
    settings.UiLanguage = ReadUiLanguage(ini, FromUtf8(path));
    settings.LoadProfile(FromUtf8(path), n, false);
    for (const auto& kv : ProfileKeyValues(settings.profile)) {
      out << ToUtf8(kv.key) << '=' << kv.value << '\n';
    }
    return kExitOk;
  }
  if (sub == "restore-defaults") {
    const Options options(args, 2, {"--config"});
    const std::string path = options.Require("--config");
    ReadConfig(files, path);
    IniStore ini(files);
    SettingsModel settings(ini);
    settings.ConfigPath = FromUtf8(path);
    settings.UiLanguage = ReadUiLanguage(ini, settings.ConfigPath);
    settings.CurrentProfile =
        ParseDecimal(ini.Read(settings.ConfigPath, u"Init", u"CurConfig", 5));
    // The program ignores a failed write; here the user should hear of it.
    if (!settings.RestoreDefaultSettings()) throw RuntimeError("cannot write " + path);
    return kExitOk;
  }
  throw UsageError("unknown profile subcommand '" + sub + "'");
}

}  // namespace zlv::zlvctl
