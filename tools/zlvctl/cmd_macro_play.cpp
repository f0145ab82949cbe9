// zlvctl macro play: a macro played on the virtual mouse and virtual time.
#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <ostream>

#include "app/settings_push.h"
#include "base/clock.h"
#include "device/input_reader.h"
#include "device/protocol.h"
#include "settings/function_codes.h"
#include "macro/macro_player.h"
#include "macro/macro_tables.h"
#include "macro/program_launcher.h"
#include "macro/timer_resolution.h"
#include "tools/zlvctl/commands.h"

namespace zlv::zlvctl {

namespace {

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

// The program's reader and player around the virtual mouse, both run on this
// thread: the reader takes a turn whenever the mouse has announced something,
// the player whenever the hand-over would wake its thread.
struct PlayRun : ProgramRig<ScriptedClock> {
  MacroEditState editState;
  NoPrograms launcher;
  NoTimerResolution timer;
  InputReader reader{link, settings.profile, handOver, clock};
  MacroPlayer player{{settings, protocol, tables, handOver, clock, launcher, timer}};

  void ReadAnnouncements() {
    while (mouse.PendingInputReports() > 0 && reader.ReadOne()) {
    }
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

}  // namespace

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
  run.UseDefaultProfile(u"config.ini");
  settings.profile.MacroMode = macroMode.value_or(0);
  settings.profile.ButtonCodes[kPlaySlot] = codes::kFirstUserMacro + index;
  PushAllSettings(settings, run.protocol, run.system, nullptr);
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
    if (run.handOver.HasWork()) {
      run.player.ServeHandOver();
      continue;
    }
    const std::optional<Nanos> next = run.clock.NextAction();
    if (!next) break;
    run.clock.SleepUntil(*next);
  }
  run.mouse.SetReportObserver(nullptr);
  return kExitOk;
}

}  // namespace zlv::zlvctl
