#include "tools/zlvctl/zlvctl.h"

#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "base/clock.h"
#include "base/memory_file_store.h"
#include "device/mouse_protocol.h"
#include "device/system_settings.h"
#include "device/virtual_mouse.h"
#include "settings/ini_file.h"
#include "settings/profile_settings.h"

namespace zlv {

namespace {

constexpr char kUsage[] =
    "usage: zlvctl <command> [options]\n"
    "\n"
    "Commands:\n"
    "  reports --config FILE [--profile N]\n"
    "      Apply profile N (default: [Init] CurConfig of FILE) to the virtual mouse\n"
    "      on a scratch copy of FILE and print each feature report sent (first 8\n"
    "      bytes in hex), then the Windows pointer speed and wheel lines.\n"
    "  demo --config FILE\n"
    "      Apply the current profile of FILE to the virtual mouse on a scratch copy\n"
    "      and print what the mouse received and the state it holds.\n"
    "  profile show --config FILE --profile N\n"
    "      Print the settings of profile N as KEY=VALUE lines.\n"
    "  profile restore-defaults --config FILE\n"
    "      Restore the factory profiles 1..5 in FILE (profile 5 in the language\n"
    "      that [Init] VER_SEL of FILE records).\n"
    "  --help\n"
    "      Show this text.\n";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct RuntimeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Options of the form --name VALUE after the command words.
class Options {
 public:
  Options(const std::vector<std::string>& args, std::size_t first,
          std::initializer_list<const char*> allowed) {
    for (std::size_t i = first; i < args.size(); ++i) {
      const std::string& name = args[i];
      bool known = false;
      for (const char* a : allowed) known = known || name == a;
      if (!known) throw UsageError("unknown option '" + name + "'");
      if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
      values_[name] = args[++i];
    }
  }
  std::optional<std::string> Get(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }
  std::string Require(const std::string& name) const {
    auto v = Get(name);
    if (!v) throw UsageError("missing option " + name);
    return *v;
  }

 private:
  std::map<std::string, std::string> values_;
};

std::int32_t ParseProfileNumber(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
    throw UsageError("profile must be a number, got '" + text + "'");
  }
  return static_cast<std::int32_t>(std::stol(text));
}

std::string ReadConfig(FileStore& files, const std::string& path) {
  auto bytes = files.Read(FromUtf8(path));
  if (!bytes) throw RuntimeError("cannot read " + path);
  return *bytes;
}

// A push of one profile of a config file to a fresh virtual mouse, on a
// scratch copy of the file.
struct PushRun {
  ManualClock clock;
  VirtualMouse mouse{clock};
  VirtualMouseLink link{mouse};
  MouseProtocol protocol{link, clock};
  RecordingSystemSettings system;
  MemoryFileStore scratch;
  IniStore ini{scratch};
  SettingsModel settings{ini};

  PushRun(const std::string& configBytes, std::optional<std::int32_t> profile) {
    settings.ConfigPath = u"config.ini";
    scratch.Put(settings.ConfigPath, configBytes);
    settings.UiLanguage = ReadUiLanguage(ini, settings.ConfigPath);
    settings.ChooseStartupProfile();
    if (profile) {
      settings.CurrentProfile = *profile;
      settings.LoadProfile(settings.ConfigPath, *profile, false);
    }
    protocol.PushAllSettings(settings, system, nullptr);
  }
};

int Reports(const std::vector<std::string>& args, std::ostream& out, FileStore& files) {
  const Options options(args, 1, {"--config", "--profile"});
  const std::string config = ReadConfig(files, options.Require("--config"));
  std::optional<std::int32_t> profile;
  if (auto p = options.Get("--profile")) profile = ParseProfileNumber(*p);
  PushRun run(config, profile);
  for (const LoggedReport& report : run.mouse.Log()) out << HexBytes(report.bytes) << '\n';
  out << "pointer-speed " << run.system.pointer_speed << '\n';
  out << "wheel-lines " << run.system.wheel_lines << '\n';
  return kExitOk;
}

std::string Hex2(unsigned v) {
  return HexBytes({static_cast<std::uint8_t>(v)}, 1);
}

int Demo(const std::vector<std::string>& args, std::ostream& out, FileStore& files) {
  const Options options(args, 1, {"--config"});
  const std::string path = options.Require("--config");
  PushRun run(ReadConfig(files, path), std::nullopt);
  const VirtualMouseState s = run.mouse.State();

  out << "Applied profile " << run.settings.CurrentProfile << " of " << path
      << " to the virtual mouse (vendor 0x18f8, product 0x1286).\n\n";
  out << "Feature reports received:\n";
  for (const LoggedReport& report : run.mouse.Log()) out << "  " << HexBytes(report.bytes) << '\n';
  out << "\nThe mouse now holds:\n";
  for (int b = 0; b < kHardwareButtonCount; ++b) {
    out << "  button " << b + 1 << ": device function " << int{s.buttonFunction[static_cast<std::size_t>(b)]}
        << '\n';
  }
  for (std::size_t n = 0; n < s.dpiCode.size(); ++n) {
    out << "  DPI stage " << n << ": " << protocol::DpiOfCode(s.dpiCode[n]) << " DPI, "
        << (((s.enableMask >> n) & 1) != 0 ? "enabled" : "disabled")
        << (s.activeStage == n ? ", active" : "") << '\n';
  }
  out << "  LED code: " << int{s.ledCode} << "\n  wheel: " << int{s.wheel}
      << "\n  fire time: " << s.fireTimeUnits * 8 << " ms (" << s.fireTimeUnits << " x 8 ms)\n";
  out << "  mouse buttons byte: 0x" << Hex2(s.mouseButtons) << "\n";
  out << "\nWindows settings: pointer speed " << run.system.pointer_speed << ", wheel lines "
      << run.system.wheel_lines << "\n";
  const auto errors = run.mouse.ProtocolErrors();
  out << "Protocol errors: " << errors.size() << '\n';
  for (const auto& e : errors) out << "  " << e << '\n';
  return kExitOk;
}

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

}  // namespace

int RunZlvctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              FileStore& files) {
  try {
    if (args.empty()) throw UsageError("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
      out << kUsage;
      return kExitOk;
    }
    if (command == "reports") return Reports(args, out, files);
    if (command == "demo") return Demo(args, out, files);
    if (command == "profile") return ProfileCommand(args, out, files);
    throw UsageError("unknown command '" + command + "'");
  } catch (const UsageError& e) {
    err << "zlvctl: " << e.what() << "\n\n" << kUsage;
    return kExitUsage;
  } catch (const RuntimeError& e) {
    err << "zlvctl: " << e.what() << '\n';
    return kExitRuntimeError;
  }
}

}  // namespace zlv
