#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/settings_push.h"
#include "sim/memory_file_store.h"
#include "device/protocol.h"
#include "sim/virtual_mouse.h"
#include "macro/macro_player.h"
#include "sim/program_rig.h"

namespace zlv {
namespace {

constexpr char16_t kConfig[] = u"C:\\zlv\\config.ini";
constexpr std::uint8_t kKeyA = 0x04;
constexpr std::uint8_t kKeyB = 0x05;

struct Step {
  std::uint8_t value;
  std::uint8_t type;
  std::uint16_t delay;
};

class FakeLauncher final : public ProgramLauncher {
 public:
  bool Launch(TextView program) override {
    launched.emplace_back(program);
    return true;
  }
  std::vector<Text> launched;
};

class CountingTimerResolution final : public TimerResolution {
 public:
  void Raise() override { ++raised; }
  void Restore() override { ++restored; }
  int raised = 0;
  int restored = 0;
};

// Single-threaded virtual time, like ManualClock, whose next wake-up can be
// made late, as a busy system's is.
class LateWakingClock final : public Clock {
 public:
  Nanos Now() override { return now_; }
  void SleepUntil(Nanos deadline) override {
    now_ = std::max(now_, deadline) + late_;
    late_ = Nanos(0);
  }
  void Advance(Nanos d) { now_ += d; }
  // The next sleep ends this long after its deadline.
  void WakeLate(Nanos late) { late_ = late; }

 private:
  Nanos now_{0};
  Nanos late_{0};
};

// Serves presses on the test thread with virtual time: every sleep of the
// player advances the clock at once, so report times are exact.
class MacroPlayerTest : public ::testing::Test, protected ProgramRig<LateWakingClock> {
 protected:
  void SetUp() override {
    settings.ConfigPath = kConfig;
    settings.CurrentProfile = 1;
    ApplyBuiltInDefaults(settings.profile);
    settings.profile.MacroMode = 0;
    mouse.SetReportObserver([this](const LoggedReport& r) {
      if (on_report) on_report(r);
    });
  }
  void TearDown() override {
    const auto errors = mouse.ProtocolErrors();
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(timer.raised, timer.restored);
  }

  // Gives button slot `slot` the code and pushes the settings, so the
  // follow-up flags are those of the push.
  void Assign(int slot, ButtonFunctionCode code) {
    settings.profile.ButtonCodes[static_cast<std::size_t>(slot)] = code;
    PushAllSettings(settings, protocol, system, nullptr);
    mouse.ClearLog();
  }
  static std::uint8_t CodeOfSlot(int slot) {
    return static_cast<std::uint8_t>(protocol::kButtonEventBase +
                                     protocol::PhysicalButtonIndex[static_cast<std::size_t>(slot)]);
  }
  void Press(int slot, std::uint8_t value = 1) { player.Serve(CodeOfSlot(slot), value); }

  static void Fill(MacroSlot& record, std::uint8_t mode, std::uint16_t repeat, const std::vector<Step>& steps) {
    record.SetMode(mode);
    record.SetRepeat(repeat);
    record.SetCount(static_cast<int>(steps.size()));
    for (std::size_t k = 0; k < steps.size(); ++k) {
      record.SetEvent(static_cast<int>(k), {steps[k].value, steps[k].type});
      record.SetDelay(static_cast<int>(k), steps[k].delay);
    }
  }

  // The reports since the last ClearLog, as "<ms> <what>".
  std::vector<std::string> Timeline() const {
    std::vector<std::string> out;
    for (const LoggedReport& r : mouse.Log()) {
      std::string line = std::to_string(std::chrono::duration_cast<Millis>(r.time - start).count()) + " ";
      switch (static_cast<protocol::Command>(r.bytes[1])) {
        case protocol::Command::kKeys: {
          line += "keys";
          bool any = false;
          for (std::size_t i = 2; i < 8; ++i) {
            if (r.bytes[i] != 0) line += " " + HexBytes({r.bytes[i]}), any = true;
          }
          if (!any) line += " -";
          break;
        }
        case protocol::Command::kMouseButtons: line += "buttons " + HexBytes({r.bytes[3]}); break;
        default: line += HexBytes(r.bytes); break;
      }
      out.push_back(line);
    }
    return out;
  }
  int KeyPressesSent(std::uint8_t key) const {
    int n = 0;
    for (const LoggedReport& r : mouse.Log()) {
      if (r.bytes[1] == static_cast<std::uint8_t>(protocol::Command::kKeys) && r.bytes[2] == key) ++n;
    }
    return n;
  }
  Text IniValue(const char16_t* key) { return ini.Read(kConfig, u"Config1", key, 64); }

  Nanos start{0};
  FakeLauncher launcher;
  CountingTimerResolution timer;
  int repaints = 0;
  std::function<void(const LoggedReport&)> on_report;
  MacroPlayer player{{settings, protocol, tables, handOver, clock, launcher, timer},
                     {[this] { ++repaints; }, nullptr, nullptr}};
};

TEST_F(MacroPlayerTest, DelaysBelowTenPlayAsTenAndTheLastDelayPrecedesTheRelease) {
  Fill(tables.user.slots[0], 0, 0,
       {{kKeyA, kEventPress, 0}, {kKeyA, kEventRelease, 9}, {kKeyB, kEventPress, 10},
        {kMouseLeftButton, kEventPress, 11}, {kKeyB, kEventRelease, 250}});
  Assign(3, codes::kFirstUserMacro);
  Press(3);
  const std::vector<std::string> expected = {
      "0 keys 04", "10 keys -", "20 keys 05", "30 buttons fe", "41 keys -",
      // The last delay, then the release of everything.
      "301 buttons ff", "311 keys -"};
  EXPECT_EQ(Timeline(), expected);
  EXPECT_EQ(timer.raised, 1);
}

TEST_F(MacroPlayerTest, LargestDelayIsKept) {
  Fill(tables.user.slots[0], 0, 0, {{kKeyA, kEventPress, 65535}});
  Assign(3, codes::kFirstUserMacro);
  Press(3);
  EXPECT_EQ(Timeline(), (std::vector<std::string>{"0 keys 04", "65545 buttons ff", "65555 keys -"}));
}

TEST(PlayPassesTest, FollowsHoldModeThenTheRecordsRule) {
  struct Case {
    std::int32_t macroMode;
    std::uint8_t mode;
    std::uint16_t repeat;
    std::uint32_t passes;
  };
  for (const Case c : {Case{0, 1, 3, 3}, Case{0, 0, 3, 1}, Case{0, 1, 0, 0}, Case{0, 7, 2, 2},
                       Case{0, 1, 65535, 65535}, Case{1, 0, 0, kHoldModePasses},
                       Case{1, 1, 3, kHoldModePasses}, Case{-1, 1, 0, kHoldModePasses}}) {
    EXPECT_EQ(PlayPasses(c.macroMode, c.mode, c.repeat), c.passes)
        << c.macroMode << " " << int{c.mode} << " " << c.repeat;
  }
}

TEST_F(MacroPlayerTest, EveryPassEndsWithTheReleaseAndFollowsTheSchedule) {
  // Mode 1, repeat 3: three passes of 30 ms event + 20 ms release.
  Fill(tables.user.slots[2], 1, 3, {{kKeyA, kEventPress, 30}});
  Assign(3, codes::kFirstUserMacro + 2);
  Press(3);
  const std::vector<std::string> expected = {
      "0 keys 04",   "40 buttons ff",  "50 keys -",    //
      "50 keys 04",  "90 buttons ff",  "100 keys -",   //
      "100 keys 04", "140 buttons ff", "150 keys -"};
  EXPECT_EQ(Timeline(), expected);
}

TEST_F(MacroPlayerTest, RepeatZeroPlaysNothing) {
  Fill(tables.user.slots[0], 1, 0, {{kKeyA, kEventPress, 30}});
  Assign(3, codes::kFirstUserMacro);
  Press(3);
  EXPECT_TRUE(mouse.Log().empty());
  EXPECT_EQ(timer.raised, 0);
}

TEST_F(MacroPlayerTest, StopRequestEndsThePlayingAfterTheCurrentPass) {
  struct Case {
    const char* name;
    std::int32_t macroMode;
    std::uint8_t mode;
    std::uint16_t repeat;
    int stopAtKeyPress;  // 0: the request is set before playing starts
    int passes;
  };
  for (const Case c : {Case{"toggle, second press in pass 2", 0, 1, 5, 2, 2},
                       Case{"hold, release in pass 3", 1, 0, 0, 3, 3},
                       Case{"hold, tap released before playing", 1, 0, 0, 0, 1},
                       Case{"toggle, mode 0 plays once anyway", 0, 0, 9, 1, 1}}) {
    SCOPED_TRACE(c.name);
    settings.profile.MacroMode = c.macroMode;
    handOver.MacroStopRequest = c.stopAtKeyPress == 0 ? 1 : 0;
    Fill(tables.user.slots[0], c.mode, c.repeat, {{kKeyA, kEventPress, 10}, {kKeyA, kEventRelease, 10}});
    Assign(3, codes::kFirstUserMacro);
    int presses = 0;
    on_report = [&](const LoggedReport& r) {
      if (r.bytes[1] == 0x15 && r.bytes[2] == kKeyA && ++presses == c.stopAtKeyPress) handOver.MacroStopRequest = 1;
    };
    Press(3);
    on_report = nullptr;
    EXPECT_EQ(KeyPressesSent(kKeyA), c.passes);
    EXPECT_EQ(mouse.State().heldKeys[0], 0);
    // Clearing the flags is the thread's part, after serving.
    EXPECT_EQ(handOver.MacroStopRequest.load(), 1);
  }
}

TEST_F(MacroPlayerTest, ConstantMacroPlaysOnceWhateverTheModes) {
  for (const std::int32_t macroMode : {0, 1}) {
    settings.profile.MacroMode = macroMode;
    Fill(tables.constant.slots[4], 1, 5, {{kKeyB, kEventPress, 10}});
    Assign(1, codes::kFirstConstMacro + 4);
    Press(1);
    EXPECT_EQ(Timeline(), (std::vector<std::string>{"0 keys 05", "20 buttons ff", "30 keys -"}))
        << "MacroMode " << macroMode;
    start = clock.Now();
  }
}

TEST_F(MacroPlayerTest, UserMacroPlaysItsRecordWhateverTheMacroCount) {
  tables.user.count = 3;
  Assign(4, 47);
  Press(4);
  // Record 6 is empty: only the release of everything.
  EXPECT_EQ(Timeline(), (std::vector<std::string>{"10 buttons ff", "20 keys -"}));

  mouse.ClearLog();
  start = clock.Now();
  Fill(tables.user.slots[6], 0, 0, {{kKeyB, kEventPress, 15}});
  Press(4);
  EXPECT_EQ(Timeline(), (std::vector<std::string>{"0 keys 05", "25 buttons ff", "35 keys -"}));
}

TEST_F(MacroPlayerTest, LateWakeUpsAreMadeUpButNeverFromTheTenMsGap) {
  struct Case {
    const char* name;
    std::uint16_t delay;    // of each of the four events
    int lateAfterReport;    // the wake-up after this report (1-based) is late
    int lateMs;
    std::vector<std::string> timeline;
  };
  const Case cases[] = {
      {"30 ms delays: the next event is back on its deadline", 30, 1, 4,
       {"0 keys 04", "34 keys -", "60 keys 05", "90 keys -", "130 buttons ff", "140 keys -"}},
      {"10 ms delays: the rest moves, no gap below 10 ms", 10, 1, 4,
       {"0 keys 04", "14 keys -", "24 keys 05", "34 keys -", "54 buttons ff", "64 keys -"}},
      {"12 ms delays: only the 2 ms of slack is made up", 12, 1, 4,
       {"0 keys 04", "16 keys -", "26 keys 05", "38 keys -", "60 buttons ff", "70 keys -"}},
      {"a stall starts a new schedule with the delays kept", 30, 3, 100,
       {"0 keys 04", "30 keys -", "60 keys 05", "190 keys -", "230 buttons ff", "240 keys -"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fill(tables.user.slots[0], 0, 0,
         {{kKeyA, kEventPress, c.delay}, {kKeyA, kEventRelease, c.delay},
          {kKeyB, kEventPress, c.delay}, {kKeyB, kEventRelease, c.delay}});
    Assign(3, codes::kFirstUserMacro);
    start = clock.Now();
    int sent = 0;
    on_report = [&](const LoggedReport&) {
      if (++sent == c.lateAfterReport) clock.WakeLate(Millis(c.lateMs));
    };
    Press(3);
    on_report = nullptr;
    EXPECT_EQ(Timeline(), c.timeline);
  }
}

TEST_F(MacroPlayerTest, DpiFollowUpTakesTheStageOfThePressAndDoesNothingElse) {
  for (const ButtonFunctionCode code : {codes::kDpiSwitch, codes::kDpiUp, codes::kDpiDown}) {
    SCOPED_TRACE(code);
    Assign(5, code);
    settings.profile.DpiLevel = 0;
    repaints = 0;
    Press(5, 2);
    EXPECT_EQ(settings.profile.DpiLevel, 2);
    EXPECT_EQ(IniValue(u"DPI_LEVEL"), u"2");
    EXPECT_EQ(repaints, 1);
    EXPECT_TRUE(mouse.Log().empty());
  }
  // A stage the mouse does not have is not taken over.
  Press(5, 4);
  EXPECT_EQ(settings.profile.DpiLevel, 2);
  EXPECT_EQ(repaints, 1);
}

TEST_F(MacroPlayerTest, ReportRateFollowUpStepsAndWraps) {
  Assign(2, codes::kReportRateSwitch);
  for (const auto& [before, after] : std::vector<std::pair<int, int>>{{0, 1}, {1, 2}, {2, 3}, {3, 0}}) {
    settings.profile.ReportRate = static_cast<std::uint8_t>(before);
    Press(2);
    EXPECT_EQ(settings.profile.ReportRate, after);
    EXPECT_EQ(IniValue(u"USB_SPEED"), DecimalText(after));
  }
  EXPECT_EQ(repaints, 4);
  EXPECT_TRUE(mouse.Log().empty());
}

TEST_F(MacroPlayerTest, ConsumerKeysSendOneReportEach) {
  const std::vector<std::pair<ButtonFunctionCode, std::string>> cases = {
      {21, "07 17 02 23"}, {24, "07 17 00 e9"}, {28, "07 17 00 e2"}, {30, "07 17 01 92"}};
  for (const auto& [code, report] : cases) {
    Assign(4, code);
    Press(4);
    ASSERT_EQ(mouse.Log().size(), 1u) << code;
    EXPECT_EQ(HexBytes(mouse.Log()[0].bytes, 4), report);
  }
  EXPECT_EQ(mouse.State().consumerUsages, (std::vector<std::uint16_t>{0x0223, 0x00E9, 0x00E2, 0x0192}));
}

TEST_F(MacroPlayerTest, ProgramCodesStartTheirProgram) {
  Assign(3, codes::kLaunchCalculator);
  Press(3);
  Assign(3, codes::kLaunchCommandPrompt);
  Press(3);
  EXPECT_EQ(launcher.launched, (std::vector<Text>{u"calc.exe", u"cmd.exe"}));
  EXPECT_TRUE(mouse.Log().empty());
}

TEST_F(MacroPlayerTest, PressesOfNoHostServedButtonAreConsumed) {
  Fill(tables.user.slots[0], 0, 0, {{kKeyA, kEventPress, 10}});
  for (int slot = 0; slot < kButtonCount; ++slot) settings.profile.ButtonCodes[static_cast<std::size_t>(slot)] = 41;
  PushAllSettings(settings, protocol, system, nullptr);
  mouse.ClearLog();
  repaints = 0;
  // 0xF7 and above name no button; 0xF0 + 0 is no button either. Any of
  // them taken for a button would play macro 41.
  const Nanos before = clock.Now();
  for (const int code : {0xF0, 0xF7, 0xFE, 0xFF}) {
    player.Serve(static_cast<std::uint8_t>(code), 1);
    EXPECT_TRUE(mouse.Log().empty()) << std::hex << code;
  }
  EXPECT_EQ(clock.Now(), before);
  EXPECT_EQ(timer.raised, 0);

  // A button with a device function the mouse carries out itself.
  ApplyBuiltInDefaults(settings.profile);
  PushAllSettings(settings, protocol, system, nullptr);
  mouse.ClearLog();
  Press(2);
  EXPECT_TRUE(mouse.Log().empty());
  EXPECT_EQ(repaints, 0);
  EXPECT_TRUE(launcher.launched.empty());
}

TEST_F(MacroPlayerTest, ButtonCodeIsReadWhenThePressIsServed) {
  // The push set no follow-up for the slot; a later change of the code in
  // the model takes effect at the next press without a push.
  Assign(3, codes::kLaunchCalculator);
  settings.profile.ButtonCodes[3] = 24;
  Press(3);
  EXPECT_TRUE(launcher.launched.empty());
  EXPECT_EQ(mouse.State().consumerUsages, (std::vector<std::uint16_t>{0x00E9}));
}

}  // namespace
}  // namespace zlv
