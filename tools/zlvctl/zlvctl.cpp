#include "tools/zlvctl/zlvctl.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>
#include <stdexcept>

#include "base/clock.h"
#include "sim/memory_file_store.h"
#include "device/input_reader.h"
#include "device/mouse_protocol.h"
#include "device/protocol.h"
#include "device/system_settings.h"
#include "sim/virtual_mouse.h"
#include "macro/key_codes.h"
#include "macro/key_names.h"
#include "macro/macro_file.h"
#include "macro/macro_player.h"
#include "macro/macro_slot.h"
#include "macro/macro_tables.h"
#include "macro/program_launcher.h"
#include "macro/timer_resolution.h"
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
    "      (format in docs/macros.md).\n"
    "  keyname V\n"
    "      Print the name the macro event list shows for event value V.\n"
    "  vk2usage V\n"
    "  usage2vk V\n"
    "      Translate a Windows virtual-key code to a HID keyboard usage, or back.\n"
    "      V is 0..255, in decimal or as 0x followed by hex digits.\n"
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

// An event value or key code on the command line: decimal or 0x-hex, 0..255.
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

int KeyCodeCommand(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() != 2) throw UsageError(args[0] + " needs exactly one value");
  const std::uint8_t v = ParseByteValue(args[1]);
  if (args[0] == "keyname") {
    out << ToUtf8(KeyNameOf(v)) << '\n';
  } else if (args[0] == "vk2usage") {
    out << int{VkToUsage(v)} << '\n';
  } else {
    out << int{UsageToVk(v)} << '\n';
  }
  return kExitOk;
}

// Reports what the loader would show the user; zlvctl checks the file first,
// so a message here means the file vanished in between.
class CollectedMessages final : public MessageBoxes {
 public:
  void Show(TextView text) override { shown.emplace_back(text); }
  std::vector<Text> shown;
};

// A macro file loaded as the program loads the user macros.
struct LoadedMacros {
  UserMacroTable table;
  MacroEditState state;
};

void LoadMacros(FileStore& files, const std::string& path, UserMacroTable& table,
                MacroEditState& state) {
  const Text file = FromUtf8(path);
  auto bytes = files.Read(file);
  if (!bytes) throw RuntimeError("cannot read " + path);
  // Load from a copy, so the file is read once.
  MemoryFileStore scratch;
  scratch.Put(file, std::move(*bytes));
  IniStore ini(scratch);
  CollectedMessages messages;
  LoadMacroFile(ini, messages, file, table, state);
  if (!messages.shown.empty()) throw RuntimeError("cannot read " + path);
}

// A name on one line of tab-separated output: control characters (possible
// only in a damaged file) become U+FFFD.
std::string OneFieldUtf8(Text text) {
  for (char16_t& c : text) {
    if (c < 0x20 || c == 0x7F) c = u'\uFFFD';
  }
  return ToUtf8(text);
}

int MacroList(const std::vector<std::string>& args, std::ostream& out, FileStore& files) {
  if (args.size() != 3) throw UsageError("macro list needs FILE");
  LoadedMacros loaded;
  LoadMacros(files, args[2], loaded.table, loaded.state);
  for (int i = 0; i < loaded.table.count; ++i) {
    const MacroSlot& slot = loaded.table.slots[static_cast<std::size_t>(i)];
    out << i << '\t' << OneFieldUtf8(slot.Name()) << '\t' << int{slot.Mode()} << '\t'
        << slot.Repeat() << '\t' << slot.Count() << '\n';
  }
  return kExitOk;
}

int MacroLines(const std::vector<std::string>& args, std::ostream& out, FileStore& files) {
  if (args.size() != 4) throw UsageError("macro lines needs FILE and INDEX");
  const std::string& indexText = args[3];
  if (indexText.empty() || indexText.size() > 4 ||
      indexText.find_first_not_of("0123456789") != std::string::npos) {
    throw UsageError("INDEX must be a number, got '" + indexText + "'");
  }
  const int index = std::stoi(indexText);
  LoadedMacros loaded;
  LoadMacros(files, args[2], loaded.table, loaded.state);
  if (index >= loaded.table.count) {
    throw RuntimeError(args[2] + " has no macro " + indexText + " (it holds " +
                       std::to_string(loaded.table.count) + ")");
  }
  EventListModel list;
  RebuildEventList(loaded.table, loaded.state, list, index);
  for (const Text& line : list.lines) out << ToUtf8(line) << '\n';
  return kExitOk;
}

// The description `macro make` reads: one statement a line, '#' starts a
// comment line.
//   macro NAME          starts a macro (the name is the rest of the line)
//   mode N              0 play once (the default), 1 play `repeat` times
//   repeat N            1..65535 (default 1)
//   press KEY DELAY     a key or mouse button pressed, then DELAY ms
//   release KEY DELAY   released, then DELAY ms
// KEY is a name as the event list shows it (A, LCONTROL, L-KEY, ...) or a
// value in 0x hex.
class DescriptionError : public RuntimeError {
 public:
  DescriptionError(const std::string& file, int line, const std::string& what)
      : RuntimeError(file + ":" + std::to_string(line) + ": " + what) {}
};

std::optional<std::uint8_t> KeyByName(const std::string& token) {
  if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
    try {
      return ParseByteValue(token);
    } catch (const UsageError&) {
      return std::nullopt;
    }
  }
  const Text name = FromUtf8(token);
  for (int v = 0; v < 256; ++v) {
    const auto value = static_cast<std::uint8_t>(v);
    if (KeyNameOf(value) == name && name != u"NON-AVAILABLE") return value;
  }
  return std::nullopt;
}

std::optional<long> SmallNumber(const std::string& token) {
  if (token.empty() || token.size() > 6 ||
      token.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stol(token);
}

UserMacroTable ParseMacroDescription(const std::string& file, const std::string& text) {
  UserMacroTable table;
  std::istringstream in(text);
  std::string raw;
  int lineNumber = 0;
  MacroSlot* macro = nullptr;
  while (std::getline(in, raw)) {
    ++lineNumber;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    const std::size_t first = raw.find_first_not_of(" \t");
    if (first == std::string::npos || raw[first] == '#') continue;
    const std::string line = raw.substr(first, raw.find_last_not_of(" \t") + 1 - first);
    std::istringstream words(line);
    std::string word;
    words >> word;
    auto fail = [&](const std::string& what) { throw DescriptionError(file, lineNumber, what); };

    if (word == "macro") {
      if (table.count >= kMaxUserMacros) fail("more than 12 macros");
      const std::size_t at = line.find_first_not_of(" \t", word.size());
      if (at == std::string::npos) fail("macro needs a name");
      const Text name = FromUtf8(line.substr(at));
      if (name.size() > static_cast<std::size_t>(kMacroNameLength)) {
        fail("name longer than 19 UTF-16 characters");
      }
      macro = &table.slots[static_cast<std::size_t>(table.count)];
      table.count = static_cast<std::int16_t>(table.count + 1);
      macro->SetName(name);
      macro->SetMode(0);
      macro->SetRepeat(1);
      continue;
    }
    if (macro == nullptr) fail("'" + word + "' before the first macro");
    std::string a;
    std::string b;
    std::string extra;
    words >> a >> b >> extra;
    if (!extra.empty()) fail("too many words");
    if (word == "mode" || word == "repeat") {
      const std::optional<long> n = SmallNumber(a);
      if (!b.empty() || !n) fail(word + " needs one number");
      if (word == "mode") {
        if (*n > 1) fail("mode must be 0 or 1");
        macro->SetMode(static_cast<std::uint8_t>(*n));
      } else {
        if (*n < 1 || *n > 65535) fail("repeat must be 1..65535");
        macro->SetRepeat(static_cast<std::uint16_t>(*n));
      }
    } else if (word == "press" || word == "release") {
      const std::optional<std::uint8_t> key = KeyByName(a);
      if (!key) fail("unknown key '" + a + "'");
      const std::optional<long> delay = SmallNumber(b);
      if (!delay || *delay > 65535) fail(word + " needs a delay of 0..65535 ms");
      const int k = macro->Count();
      if (k >= kMacroEditLimit) fail("more than 254 events");
      macro->SetEvent(k, MacroEvent{*key, word == "press" ? kEventPress : kEventRelease});
      macro->SetDelay(k, static_cast<std::uint16_t>(*delay));
      macro->SetCount(k + 1);
    } else {
      fail("unknown statement '" + word + "'");
    }
  }
  return table;
}

int MacroMake(const std::vector<std::string>& args, FileStore& files) {
  if (args.size() != 4) throw UsageError("macro make needs DESCRIPTION and OUTPUT");
  const std::string& description = args[2];
  const std::string& output = args[3];
  auto text = files.Read(FromUtf8(description));
  if (!text) throw RuntimeError("cannot read " + description);
  const UserMacroTable table = ParseMacroDescription(description, *text);
  // A fresh file: written in memory first, so no key of an older file survives.
  MemoryFileStore scratch;
  IniStore ini(scratch);
  const Text made = u"made.dat";
  SaveMacroFile(ini, made, table);
  if (!files.Replace(FromUtf8(output), scratch.Read(made).value_or(""))) {
    throw RuntimeError("cannot write " + output);
  }
  return kExitOk;
}

// --- macro play ---

// The user presses or releases the macro's button at a moment of the play.
struct ButtonAction {
  Nanos at;
  bool press;
};

// Virtual time on one thread for `macro play`. A sleep moves the clock to its
// deadline at once, but first stops at every scripted button action due by
// then and performs it. An action due at the very moment a sleep ends is
// performed before the sleeper goes on, so whatever the player does at time T
// sees the actions of T.
class ScriptedClock final : public Clock {
 public:
  Nanos Now() override { return now_; }
  void SleepUntil(Nanos deadline) override {
    while (next_ < actions_.size() && actions_[next_].at <= deadline) {
      const ButtonAction action = actions_[next_++];
      now_ = std::max(now_, action.at);
      perform_(action);
    }
    now_ = std::max(now_, deadline);
  }

  // `actions` in order of time; `perform` runs each when its time comes.
  void Script(std::vector<ButtonAction> actions, std::function<void(const ButtonAction&)> perform) {
    actions_ = std::move(actions);
    next_ = 0;
    perform_ = std::move(perform);
  }
  // The time of the next action still to come.
  std::optional<Nanos> NextAction() const {
    if (next_ >= actions_.size()) return std::nullopt;
    return actions_[next_].at;
  }

 private:
  Nanos now_{0};
  std::vector<ButtonAction> actions_;
  std::size_t next_ = 0;
  std::function<void(const ButtonAction&)> perform_;
};

// Only user macros are played here; nothing is ever started.
class NoPrograms final : public ProgramLauncher {
 public:
  bool Launch(TextView) override { return false; }
};

// The button slot that carries the macro: button index 3, hardware button 5.
constexpr int kPlaySlot = 3;
constexpr int kPlayButton = protocol::PhysicalButtonIndex[kPlaySlot];

// The player and what it talks to.
struct PlayRun {
  ScriptedClock clock;
  VirtualMouse mouse{clock};
  VirtualMouseLink link{mouse};
  MouseProtocol protocol{link, clock};
  MemoryFileStore scratch;
  IniStore ini{scratch};
  SettingsModel settings{ini};
  RecordingSystemSettings system;
  MacroTables tables;
  MacroEditState editState;
  ButtonHandOver handOver;
  NoPrograms launcher;
  NoTimerResolution timer;
  MacroPlayer player{{settings, protocol, tables, handOver, clock, launcher, timer}};

  // What the input reader does once the mouse has announced something: it
  // reads each report whole and applies it to the hand-over.
  void ReadAnnouncements() {
    std::vector<std::uint8_t> buffer(256);
    while (mouse.PendingInputReports() > 0) {
      const std::size_t length = std::min(link.InputReportLength(), buffer.size());
      std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
      if (!link.ReadInputReport(buffer.data(), length)) return;
      ApplyInputReport(handOver, std::span<const std::uint8_t>(buffer.data(), length),
                       settings.profile.MacroMode);
    }
  }

  // What the player thread does each time it wakes: serve a pending press and
  // clear the flags, or discard a stop request that came while nothing played.
  bool WorkPending() const {
    return handOver.ButtonEventPending.load() != 0 || handOver.MacroStopRequest.load() != 0;
  }
  void ServeWork() {
    if (!handOver.TakeWork()) return;
    player.Serve(handOver.PendingButtonCode.load(), handOver.PendingButtonValue.load());
    handOver.FinishPress();
  }
};

// A time on the command line: whole milliseconds, at most 12 digits (about
// 31 years, well inside the clock's range even after the longest macro).
Nanos ParsePlayTime(const std::string& option, const std::string& text) {
  if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos) {
    throw UsageError(option + " needs a time in whole milliseconds, got '" + text + "'");
  }
  return Millis(std::stoll(text));
}

int MacroPlay(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              FileStore& files) {
  if (args.size() < 4) throw UsageError("macro play needs FILE and INDEX");
  const std::string& path = args[2];
  const std::string& indexText = args[3];
  if (indexText.empty() || indexText.size() > 2 ||
      indexText.find_first_not_of("0123456789") != std::string::npos ||
      std::stoi(indexText) >= kMaxUserMacros) {
    throw UsageError("INDEX must be a number from 0 to 11, got '" + indexText + "'");
  }
  const int index = std::stoi(indexText);

  std::optional<std::int32_t> macroMode;
  // The first press starts the play at 0 ms.
  std::vector<ButtonAction> actions{{Nanos{0}, true}};
  for (std::size_t i = 4; i < args.size(); i += 2) {
    const std::string& name = args[i];
    if (name != "--macro-mode" && name != "--press-at" && name != "--release-at") {
      throw UsageError("unknown option '" + name + "'");
    }
    if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
    const std::string& value = args[i + 1];
    if (name == "--macro-mode") {
      if (macroMode) throw UsageError("--macro-mode given twice");
      if (value != "0" && value != "1") {
        throw UsageError("--macro-mode must be 0 or 1, got '" + value + "'");
      }
      macroMode = value == "1" ? 1 : 0;
    } else {
      actions.push_back({ParsePlayTime(name, value), name == "--press-at"});
    }
  }
  // Actions of the same moment keep the order they were given in, after the
  // first press.
  std::stable_sort(actions.begin(), actions.end(),
                   [](const ButtonAction& a, const ButtonAction& b) { return a.at < b.at; });

  PlayRun run;
  LoadMacros(files, path, run.tables.user, run.editState);
  if (index >= run.tables.user.count) {
    err << "zlvctl: note: " << path << " holds " << run.tables.user.count << " macros; record "
        << index << " is empty and plays only the release reports\n";
  }

  // The button gets the macro's code and the settings go to the mouse, which
  // from then on announces the button instead of acting on it itself.
  SettingsModel& settings = run.settings;
  settings.ConfigPath = u"config.ini";
  settings.CurrentProfile = 1;
  ApplyBuiltInDefaults(settings.profile);
  settings.profile.MacroMode = macroMode.value_or(0);
  settings.profile.ButtonCodes[kPlaySlot] = codes::kFirstUserMacro + index;
  run.protocol.PushAllSettings(settings, run.system, nullptr);
  if (run.mouse.State().buttonFunction[kPlayButton - 1] != 0) {
    throw RuntimeError("the virtual mouse does not announce the macro's button");
  }
  run.mouse.ClearLog();

  const Nanos origin = run.clock.Now();
  for (ButtonAction& action : actions) action.at += origin;
  run.mouse.SetReportObserver([&](const LoggedReport& report) {
    out << std::chrono::duration_cast<Millis>(report.time - origin).count() << ' '
        << HexBytes(report.bytes) << '\n';
    // The printout is the record; the mouse's own log would grow with every
    // pass of a long play.
    run.mouse.ClearLog();
  });
  run.clock.Script(std::move(actions), [&](const ButtonAction& action) {
    if (action.press) {
      run.mouse.PressButton(kPlayButton);
    } else {
      run.mouse.ReleaseButton(kPlayButton);
    }
    run.ReadAnnouncements();
  });

  // The player's loop: it wakes when the reader has handed something over;
  // the play ends once it rests with no action left to come.
  for (;;) {
    if (run.WorkPending()) {
      run.ServeWork();
      continue;
    }
    const std::optional<Nanos> next = run.clock.NextAction();
    if (!next) break;
    run.clock.SleepUntil(*next);
  }
  run.mouse.SetReportObserver(nullptr);
  return kExitOk;
}

int MacroCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 FileStore& files) {
  if (args.size() < 2) throw UsageError("macro needs a subcommand: list, lines, play or make");
  const std::string& sub = args[1];
  if (sub == "list") return MacroList(args, out, files);
  if (sub == "lines") return MacroLines(args, out, files);
  if (sub == "play") return MacroPlay(args, out, err, files);
  if (sub == "make") return MacroMake(args, files);
  throw UsageError("unknown macro subcommand '" + sub + "'");
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
    if (command == "macro") return MacroCommand(args, out, err, files);
    if (command == "keyname" || command == "vk2usage" || command == "usage2vk") {
      return KeyCodeCommand(args, out);
    }
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
