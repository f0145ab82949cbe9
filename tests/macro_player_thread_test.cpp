// The reader and the player on their own threads, with the virtual mouse and
// virtual time. The test moves time one sleep at a time, and only while the
// player is asleep or idle, so every run sees the same report times.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/settings_push.h"
#include "sim/memory_file_store.h"
#include "sim/virtual_clock.h"
#include "device/input_reader.h"
#include "device/protocol.h"
#include "sim/virtual_mouse.h"
#include "macro/macro_player.h"
#include "sim/program_rig.h"
#include "tests/support/fakes.h"

namespace zlv {
namespace {

constexpr char16_t kConfig[] = u"C:\\zlv\\config.ini";
constexpr std::uint8_t kKeyA = 0x04;
// Button slot 3 is hardware button 5.
constexpr int kMacroSlot = 3;
constexpr int kMacroButton = 5;

using testing::NoLauncher;

class PlayerThreadTest : public ::testing::Test, protected ProgramRig<VirtualClock> {
 protected:
  void SetUp() override {
    settings.ConfigPath = kConfig;
    settings.CurrentProfile = 1;
    ApplyBuiltInDefaults(settings.profile);
    settings.profile.MacroMode = 0;
    settings.profile.ButtonCodes[kMacroSlot] = codes::kFirstUserMacro;
    PushAllSettings(settings, protocol, system, nullptr);
    mouse.ClearLog();
    // One event with a 30 ms delay: a pass lasts 50 ms with its release.
    SetMacro(1, 100, 30);
    reader.Start();
    player.Start();
  }
  void TearDown() override {
    clock.Unblock();
    player.Stop();
    reader.Stop();
    const auto errors = mouse.ProtocolErrors();
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  void SetMacro(std::uint8_t mode, std::uint16_t repeat, std::uint16_t delay) {
    std::lock_guard lock(tables.mutex);
    MacroSlot& record = tables.user.slots[0];
    record.SetMode(mode);
    record.SetRepeat(repeat);
    record.SetCount(1);
    record.SetEvent(0, {kKeyA, kEventPress});
    record.SetDelay(0, delay);
  }

  // The user acts on the mouse; returns once the reader has taken the report in.
  void Press(int button) { Act([&] { mouse.PressButton(button); }); }
  void Release(int button) { Act([&] { mouse.ReleaseButton(button); }); }
  template <typename F>
  void Act(F&& f) {
    const std::uint64_t before = reader.ReportsApplied();
    f();
    ASSERT_TRUE(clock.WaitFor([&] { return reader.ReportsApplied() > before; }));
  }

  // Waits until the player is asleep on the clock or idle.
  bool Quiet() {
    return clock.WaitFor([&] { return clock.Sleepers() > 0 || player.Idle(); });
  }
  void WaitQuiet() { ASSERT_TRUE(Quiet()) << "the player neither sleeps nor rests"; }
  // Moves time to `t`, letting the player run through every sleep due before.
  void RunUntil(Millis t) {
    for (;;) {
      ASSERT_TRUE(Quiet()) << "the player neither sleeps nor rests";
      const auto next = clock.NextDeadline();
      if (!next || *next > t) break;
      clock.AdvanceTo(*next);
    }
    clock.AdvanceTo(t);
    WaitQuiet();
  }
  // Runs until the player is idle (a bounded number of sleeps).
  void Settle() {
    for (int step = 0; step < 10000; ++step) {
      ASSERT_TRUE(Quiet()) << "the player neither sleeps nor rests";
      if (player.Idle()) return;
      const auto next = clock.NextDeadline();
      ASSERT_TRUE(next.has_value());
      clock.AdvanceTo(*next);
    }
    FAIL() << "the player did not come to rest";
  }

  std::vector<long> KeyPressTimes() const {
    std::vector<long> out;
    for (const LoggedReport& r : mouse.Log()) {
      if (r.bytes[1] == 0x15 && r.bytes[2] == kKeyA) {
        out.push_back(static_cast<long>(std::chrono::duration_cast<Millis>(r.time).count()));
      }
    }
    return out;
  }
  long LastReportTime() const {
    return static_cast<long>(std::chrono::duration_cast<Millis>(mouse.Log().back().time).count());
  }

  NoLauncher launcher;
  NoTimerResolution timer;
  InputReader reader{link, settings.profile, handOver, clock, {nullptr, [this] { clock.Notify(); }}};
  MacroPlayer player{{settings, protocol, tables, handOver, clock, launcher, timer},
                     {nullptr, nullptr, [this] { clock.Notify(); }}};
};

TEST_F(PlayerThreadTest, ToggleModeSecondPressEndsThePassAndStartsNothing) {
  Press(kMacroButton);
  Release(kMacroButton);  // ignored in toggle mode
  RunUntil(Millis(70));   // inside pass 2
  Press(kMacroButton);
  Settle();
  EXPECT_EQ(KeyPressTimes(), (std::vector<long>{0, 50}));
  EXPECT_EQ(LastReportTime(), 100);
  EXPECT_EQ(handOver.ButtonEventPending.load(), 0);
  EXPECT_EQ(handOver.MacroStopRequest.load(), 0);

  // The next press plays again.
  RunUntil(Millis(200));
  Press(kMacroButton);
  RunUntil(Millis(210));
  EXPECT_EQ(KeyPressTimes(), (std::vector<long>{0, 50, 200}));
}

TEST_F(PlayerThreadTest, AnotherHostButtonAlsoStopsInToggleMode) {
  settings.profile.ButtonCodes[4] = 24;  // hardware button 4: volume up
  PushAllSettings(settings, protocol, system, nullptr);
  mouse.ClearLog();
  Press(kMacroButton);
  RunUntil(Millis(20));
  Press(4);
  Settle();
  EXPECT_EQ(KeyPressTimes(), (std::vector<long>{0}));
  EXPECT_TRUE(mouse.State().consumerUsages.empty());
}

TEST_F(PlayerThreadTest, HoldModeRepeatsUntilTheRelease) {
  settings.profile.MacroMode = 1;
  SetMacro(0, 0, 30);  // the record alone would play once
  Press(kMacroButton);
  RunUntil(Millis(60));
  Press(kMacroButton);  // presses during playback are ignored
  RunUntil(Millis(120));
  Release(kMacroButton);  // in pass 3
  Settle();
  EXPECT_EQ(KeyPressTimes(), (std::vector<long>{0, 50, 100}));
  EXPECT_EQ(LastReportTime(), 150);
  EXPECT_EQ(mouse.State().heldKeys[0], 0);
}

TEST_F(PlayerThreadTest, HoldModeTapPlaysOnce) {
  settings.profile.MacroMode = 1;
  Press(kMacroButton);
  Release(kMacroButton);
  Settle();
  EXPECT_EQ(KeyPressTimes(), (std::vector<long>{0}));
}

TEST_F(PlayerThreadTest, StopRequestWhileIdleIsDiscarded) {
  settings.profile.MacroMode = 1;
  Release(kMacroButton);
  Settle();
  EXPECT_EQ(handOver.MacroStopRequest.load(), 0);

  // Mode 1, repeat 3 in toggle mode: a stale request would cut it to one pass.
  settings.profile.MacroMode = 0;
  SetMacro(1, 3, 30);
  Press(kMacroButton);
  Settle();
  EXPECT_EQ(KeyPressTimes(), (std::vector<long>{0, 50, 100}));
}

TEST_F(PlayerThreadTest, DpiButtonFollowsTheStageTheMouseReports) {
  // Slot 5 keeps its default code 6: the mouse moves to stage 1 and says so.
  Press(6);
  Settle();
  EXPECT_EQ(settings.profile.DpiLevel, 1);
  EXPECT_EQ(ini.Read(kConfig, u"Config1", u"DPI_LEVEL", 16), u"1");
  EXPECT_TRUE(mouse.Log().empty());
}

TEST_F(PlayerThreadTest, ShutdownEndsAPlayingMacroAtOnceAndLetsGoOfItsKeys) {
  SetMacro(0, 0, 60000);
  Press(kMacroButton);
  WaitQuiet();
  ASSERT_EQ(mouse.State().heldKeys[0], kKeyA);
  player.Stop();  // time does not move
  EXPECT_EQ(clock.Now(), Nanos(0));
  EXPECT_EQ(mouse.State().heldKeys[0], 0);
  EXPECT_EQ(KeyPressTimes(), (std::vector<long>{0}));
}

TEST_F(PlayerThreadTest, RecordEditedWhilePlaying) {
  // The window thread rewrites the record while it plays; every event the
  // player sends is one the editor wrote whole.
  settings.profile.MacroMode = 1;
  {
    std::lock_guard lock(tables.mutex);
    tables.user.slots[0].SetCount(2);
    tables.user.slots[0].SetEvent(1, {kMouseLeftButton, kEventPress});
  }
  std::atomic<bool> editing{true};
  std::atomic<int> rounds{0};
  std::thread editor([&] {
    for (int round = 0; editing; round = ++rounds) {
      std::lock_guard lock(tables.mutex);
      MacroSlot& record = tables.user.slots[0];
      const bool b = round % 2 == 0;
      record.SetEvent(0, {static_cast<std::uint8_t>(b ? 0x05 : kKeyA), kEventPress});
      record.SetDelay(0, static_cast<std::uint16_t>(b ? 0x0100 : 0x00FF));
    }
  });
  while (rounds < 2) std::this_thread::yield();
  Press(kMacroButton);
  RunUntil(Millis(3000));
  editing = false;
  editor.join();
  Release(kMacroButton);
  Settle();

  const auto log = mouse.Log();
  int presses = 0;
  for (std::size_t i = 0; i + 1 < log.size(); ++i) {
    const bool keyPress = log[i].bytes[1] == 0x15 && log[i].bytes[2] != 0;
    if (!keyPress) continue;
    ++presses;
    // Event 0's delay is 255 or 256 ms; a torn one would read 0 (10 ms) or 511.
    const auto gap = std::chrono::duration_cast<Millis>(log[i + 1].time - log[i].time).count();
    EXPECT_TRUE(gap == 255 || gap == 256) << gap;
  }
  EXPECT_GT(presses, 5);
}

}  // namespace
}  // namespace zlv
