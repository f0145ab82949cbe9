#include "tools/zlvctl/zlvctl.h"

#include <ostream>
#include <string>

#include "tools/zlvctl/commands.h"
#include "zlv_version.h"

namespace zlv {

namespace zlvctl {

const char kUsage[] =
    "usage: zlvctl <command> [options]\n"
    "\n"
    "Commands:\n"
    "  reports --config FILE [--profile N]\n"
    "      Apply profile N (default: [Init] CurConfig of FILE) to the virtual mouse\n"
    "      on a scratch copy of FILE and print each feature report sent (first 8\n"
    "      bytes in hex), then the Windows pointer speed and wheel lines. Each\n"
    "      protocol error the mouse flags goes to the error stream as a line\n"
    "      starting \"protocol error:\", and the exit status is then 1.\n"
    "  demo --config FILE\n"
    "      Apply the current profile of FILE to the virtual mouse on a scratch copy\n"
    "      and print what the mouse received and the state it holds.\n"
    "  profile show --config FILE --profile N\n"
    "      Print the settings of profile N as KEY=VALUE lines.\n"
    "  profile restore-defaults --config FILE\n"
    "      Restore the factory profiles 1..5 in FILE (profile 5 in the language\n"
    "      that [Init] VER_SEL of FILE records).\n"
    "  macro list FILE\n"
    "      Print the macros of macro file FILE as the program loads them into the\n"
    "      user table, one a line: index, name, mode, repeat and event count,\n"
    "      separated by tabs.\n"
    "  macro lines FILE INDEX\n"
    "      Print the event list of macro INDEX of FILE as the advanced page shows it.\n"
    "  macro play FILE INDEX [--macro-mode 0|1] [--press-at MS]... [--release-at MS]...\n"
    "      Play record INDEX (0..11) of FILE on the virtual mouse and virtual time,\n"
    "      as the program does when a button with macro code 41 + INDEX is pressed\n"
    "      at 0 ms. --press-at presses that button again at MS ms, --release-at\n"
    "      releases it (both may be repeated). --macro-mode 0 (the default) is\n"
    "      toggle mode: a press during playback stops the macro after its current\n"
    "      pass. 1 is hold mode: the macro repeats until the release, up to 10000\n"
    "      passes. A press or release at the same moment as the player's next step\n"
    "      comes first. Prints one line per feature report sent: the time in ms\n"
    "      since the first press and the report's first 8 bytes in hex.\n"
    "  macro make DESCRIPTION OUTPUT\n"
    "      Write the macro file OUTPUT afresh from a text description of its macros\n"
    "      (format in docs/macros.md). A key the file cannot hold (one that would\n"
    "      read back as another key) is refused with exit status 2.\n"
    "  devices\n"
    "      (Linux) List the hidraw nodes: device, collections with their usage page\n"
    "      and report lengths, which the mouse's commands use and why the others\n"
    "      were skipped. Exit status 1 when the mouse is not there.\n"
    "  apply --config FILE [--profile N]\n"
    "      (Linux) Send profile N (default: [Init] CurConfig of FILE) to the mouse:\n"
    "      the reports `reports` prints, in the same order. FILE is not written.\n"
    "      The Windows pointer speed and wheel lines have no Linux equivalent and\n"
    "      are skipped. An unplug part way exits with status 1 and says which\n"
    "      reports were sent and which were not.\n"
    "  run --config FILE\n"
    "      (Linux) The host side of the mouse, until SIGTERM or SIGINT: applies the\n"
    "      current profile, then plays the macros (Macro_EN.dat or Macro_CN.dat and\n"
    "      constMacro.dat beside FILE) and multimedia keys of buttons that carry\n"
    "      them, and follows the DPI and report-rate buttons. Waits for the mouse\n"
    "      when it is not there, and applies the profile again when it comes back.\n"
    "  keyname V\n"
    "      Print the name the macro event list shows for event value V.\n"
    "  vk2usage V\n"
    "  usage2vk V\n"
    "      Translate a Windows virtual-key code to a HID keyboard usage, or back.\n"
    "      V is 0..255, in decimal or as 0x followed by hex digits.\n"
    "  startup status\n"
    "      Print \"on\" and exit with 0 when the start with Windows (the scheduled\n"
    "      task \"ZLV_GMouse\" at this user's logon) is registered, \"off\" and 3\n"
    "      when it is not. Windows only.\n"
    "  startup enable\n"
    "  startup disable\n"
    "      Register the task for ZLV_GMouse.exe beside zlvctl.exe (started with\n"
    "      --tray), or remove it. Needs administrator rights. Windows only.\n"
    "  startup xml --program PATH --user DOMAIN\\USER\n"
    "      Print the task's definition (Task Scheduler XML) for that program and\n"
    "      user.\n"
    "  --version\n"
    "      Print the version.\n"
    "  --help\n"
    "      Show this text.\n";

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

std::uint8_t ParseByteValue(const std::string& text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
  if (digits.empty() || digits.size() > 3 || digits.find_first_not_of(allowed) != std::string::npos) {
    throw UsageError("expected a value 0..255 in decimal or 0x hex, got '" + text + "'");
  }
  const unsigned long value = std::stoul(digits, nullptr, hex ? 16 : 10);
  if (value > 255) throw UsageError("value out of range 0..255: '" + text + "'");
  return static_cast<std::uint8_t>(value);
}

}  // namespace zlvctl

int RunZlvctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              FileStore& files, const HostMouse* mouse, StartupTask* startup) {
  using namespace zlvctl;
  try {
    if (args.empty()) throw UsageError("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
      out << kUsage;
      return kExitOk;
    }
    if (command == "--version" || command == "version") {
      if (args.size() > 1) throw UsageError("--version takes no arguments");
      out << "zlvctl " << ZLV_VERSION_TEXT << '\n';
      return kExitOk;
    }
    if (command == "startup") return StartupCommand(args, out, startup);
    if (command == "reports") return Reports(args, out, err, files);
    if (command == "demo") return Demo(args, out, files);
    if (command == "profile") return ProfileCommand(args, out, files);
    if (command == "macro") return MacroCommand(args, out, err, files);
    if (command == "devices" || command == "apply" || command == "run") {
      if (mouse == nullptr) throw RuntimeError(command + " talks to a real mouse through Linux's hidraw: on Windows, the program does it");
      if (command == "devices") return Devices(args, out, *mouse);
      if (command == "apply") return Apply(args, out, err, files, *mouse);
      return RunDaemon(args, out, err, files, *mouse);
    }
    if (command == "keyname" || command == "vk2usage" || command == "usage2vk") {
      return KeyCodeCommand(args, out);
    }
    throw UsageError("unknown command '" + command + "'");
  } catch (const UsageError& e) {
    err << "zlvctl: " << e.what() << "\n\n" << kUsage;
    return kExitUsage;
  } catch (const RefusedInput& e) {
    err << "zlvctl: " << e.what() << '\n';
    return kExitUsage;
  } catch (const RuntimeError& e) {
    err << "zlvctl: " << e.what() << '\n';
    return kExitRuntimeError;
  }
}

}  // namespace zlv
