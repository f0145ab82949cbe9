// `zlvctl macro play` runs the reader's and the player's steps on one thread.
// Here the same plays run on the real reader and player threads with virtual
// time, and both must send the same reports at the same times. The actions
// avoid the moments the player wakes at, where the two runs order things
// differently (zlvctl takes the action first, the stepping below the player).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/settings_push.h"
#include "sim/memory_file_store.h"
#include "sim/program_rig.h"
#include "sim/virtual_clock.h"
#include "device/input_reader.h"
#include "device/protocol.h"
#include "sim/virtual_mouse.h"
#include "macro/macro_file.h"
#include "macro/macro_player.h"
#include "tools/zlvctl/zlvctl.h"
#include "tests/support/fakes.h"

namespace zlv {
namespace {

constexpr char16_t kMacroFile[] = u"m.dat";
// zlvctl puts the macro on button slot 3, hardware button 5.
constexpr int kSlot = 3;
constexpr int kButton = 5;

using testing::NoLauncher;

struct Action {
  long ms;
  bool press;
};

// The macro file: record 0 presses A for 30 ms, then waits 15 ms (a pass of
// 65 ms); mode 1, repeat 4.
void WriteMacroFile(MemoryFileStore& files) {
  UserMacroTable table;
  MacroSlot& record = table.slots[0];
  record.SetName(u"Four");
  record.SetMode(1);
  record.SetRepeat(4);
  record.SetCount(2);
  record.SetEvent(0, {0x04, kEventPress});
  record.SetDelay(0, 30);
  record.SetEvent(1, {0x04, kEventRelease});
  record.SetDelay(1, 15);
  table.count = 1;
  IniStore ini(files);
  ASSERT_TRUE(SaveMacroFile(ini, kMacroFile, table));
}

// The play on the two threads, stepped one sleep at a time, with the macro
// file of `macroFiles`.
class ThreadedPlay : ProgramRig<VirtualClock> {
 public:
  ThreadedPlay(MemoryFileStore& macroFiles, std::int32_t macroMode) {
    files.Put(kMacroFile, macroFiles.Read(kMacroFile).value_or(""));
    UseDefaultProfile(u"config.ini");
    settings.profile.MacroMode = macroMode;
    settings.profile.ButtonCodes[kSlot] = codes::kFirstUserMacro;
    struct NoMessages : MessageBoxes {
      void Show(TextView) override { ADD_FAILURE() << "macro file missing"; }
    } messages;
    MacroEditState state;
    LoadMacroFile(ini, messages, kMacroFile, tables.user, state);
    PushAllSettings(settings, protocol, system, nullptr);
    mouse.ClearLog();
    reader_.Start();
    player_.Start();
  }
  ~ThreadedPlay() {
    clock.Unblock();
    player_.Stop();
    reader_.Stop();
  }

  // zlvctl's printout of the same play.
  std::string Run(const std::vector<Action>& actions) {
    for (const Action& a : actions) {
      RunUntil(Millis(a.ms));
      const std::uint64_t before = reader_.ReportsApplied();
      if (a.press) {
        mouse.PressButton(kButton);
      } else {
        mouse.ReleaseButton(kButton);
      }
      EXPECT_TRUE(clock.WaitFor([&] { return reader_.ReportsApplied() > before; }));
    }
    Settle();
    std::ostringstream out;
    for (const LoggedReport& r : mouse.Log()) {
      out << std::chrono::duration_cast<Millis>(r.time).count() << ' ' << HexBytes(r.bytes) << '\n';
    }
    return out.str();
  }

 private:
  bool Quiet() { return clock.WaitFor([&] { return clock.Sleepers() > 0 || player_.Idle(); }); }
  void RunUntil(Millis t) {
    for (;;) {
      ASSERT_TRUE(Quiet());
      const auto next = clock.NextDeadline();
      if (!next || *next > t) break;
      clock.AdvanceTo(*next);
    }
    clock.AdvanceTo(t);
    ASSERT_TRUE(Quiet());
  }
  void Settle() {
    for (int step = 0; step < 100000; ++step) {
      ASSERT_TRUE(Quiet());
      if (player_.Idle()) return;
      const auto next = clock.NextDeadline();
      ASSERT_TRUE(next.has_value());
      clock.AdvanceTo(*next);
    }
    FAIL() << "the player did not come to rest";
  }

  NoLauncher launcher_;
  NoTimerResolution timer_;
  InputReader reader_{link, settings.profile, handOver, clock, {nullptr, [this] { clock.Notify(); }}};
  MacroPlayer player_{{settings, protocol, tables, handOver, clock, launcher_, timer_},
                      {nullptr, nullptr, [this] { clock.Notify(); }}};
};

TEST(ZlvctlPlayThreads, ZlvctlSendsWhatTheReaderAndPlayerThreadsSend) {
  struct Case {
    const char* name;
    std::int32_t macroMode;
    std::vector<Action> actions;  // after the first press at 0 ms
  };
  const Case cases[] = {
      {"toggle, all passes", 0, {{33, false}}},
      {"toggle, press in pass 2", 0, {{100, true}}},
      {"toggle, press after the play", 0, {{70, true}, {300, true}, {333, false}}},
      {"hold, release in pass 3", 1, {{50, true}, {140, false}}},
      {"hold, release then press again", 1, {{5, false}, {90, true}, {201, false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileStore files;
    WriteMacroFile(files);

    std::vector<std::string> args = {"macro", "play", "m.dat", "0", "--macro-mode",
                                     std::to_string(c.macroMode)};
    std::vector<Action> actions = {{0, true}};
    for (const Action& a : c.actions) {
      args.push_back(a.press ? "--press-at" : "--release-at");
      args.push_back(std::to_string(a.ms));
      actions.push_back(a);
    }
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(RunZlvctl(args, out, err, files), kExitOk) << err.str();

    ThreadedPlay threads(files, c.macroMode);
    const std::string expected = threads.Run(actions);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(out.str(), expected);
  }
}

}  // namespace
}  // namespace zlv
