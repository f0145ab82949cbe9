#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "sim/memory_file_store.h"
#include "macro/macro_file.h"
#include "macro/macro_slot.h"
#include "settings/ini_file.h"
#include "tools/zlvctl/zlvctl.h"

namespace zlv {
namespace {

constexpr std::uint8_t kKeyA = 0x04;
constexpr std::uint8_t kLeftShift = 0xE1;

struct Step {
  std::uint8_t value;
  std::uint8_t type;
  std::uint16_t delay;
};

void Fill(MacroSlot& record, const char16_t* name, std::uint8_t mode, std::uint16_t repeat,
          const std::vector<Step>& steps) {
  record.SetName(name);
  record.SetMode(mode);
  record.SetRepeat(repeat);
  record.SetCount(static_cast<int>(steps.size()));
  for (std::size_t k = 0; k < steps.size(); ++k) {
    record.SetEvent(static_cast<int>(k), {steps[k].value, steps[k].type});
    record.SetDelay(static_cast<int>(k), steps[k].delay);
  }
}

// Records 0..2 press A for 30 ms and wait 30 ms: a pass lasts 80 ms with the
// 20 ms release of everything.
class ZlvctlPlay : public ::testing::Test {
 protected:
  void SetUp() override {
    UserMacroTable table;
    const std::vector<Step> tap = {{kKeyA, kEventPress, 30}, {kKeyA, kEventRelease, 30}};
    Fill(table.slots[0], u"Once", 0, 5, tap);
    Fill(table.slots[1], u"Twice", 1, 2, tap);
    Fill(table.slots[2], u"Thrice", 1, 3, tap);
    Fill(table.slots[3], u"Short", 0, 1,
         {{kLeftShift, kEventPress, 0}, {kKeyA, kEventPress, 9}, {kKeyA, kEventRelease, 10},
          {kLeftShift, kEventRelease, 11}});
    table.count = 4;
    IniStore ini(files);
    ASSERT_TRUE(SaveMacroFile(ini, u"m.dat", table));
  }

  struct Result {
    int status;
    std::string out;
    std::string err;
  };
  Result Play(std::vector<std::string> options) {
    std::vector<std::string> args = {"macro", "play", "m.dat"};
    args.insert(args.end(), options.begin(), options.end());
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunZlvctl(args, out, err, files);
    return {status, out.str(), err.str()};
  }

  MemoryFileStore files;
};

std::string Line(long ms, const char* bytes) { return std::to_string(ms) + " " + bytes + "\n"; }

constexpr char kDownA[] = "07 15 04 00 00 00 00 00";
constexpr char kKeysUp[] = "07 15 00 00 00 00 00 00";
constexpr char kButtonsUp[] = "07 16 00 ff 00 00 00 00";

// One pass of records 0..2 starting at `t`.
std::string Pass(long t) {
  return Line(t, kDownA) + Line(t + 30, kKeysUp) + Line(t + 70, kButtonsUp) + Line(t + 80, kKeysUp);
}

TEST_F(ZlvctlPlay, PrintsEachReportWithItsTime) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    std::string out;
  };
  const Case cases[] = {
      {"mode 0 plays once whatever its repeat", {"0"}, Pass(0)},
      {"mode 1 plays its repeat count", {"1"}, Pass(0) + Pass(80)},
      {"toggle: a press in pass 2 of 3 ends the play after it",
       {"2", "--press-at", "100"}, Pass(0) + Pass(80)},
      {"toggle: a press as the last pass ends starts nothing", {"2", "--press-at", "240"},
       Pass(0) + Pass(80) + Pass(160)},
      {"toggle: releases do nothing", {"2", "--release-at", "30"}, Pass(0) + Pass(80) + Pass(160)},
      {"toggle: a press after the play plays again", {"0", "--press-at", "300", "--press-at", "200"},
       Pass(0) + Pass(200) + Pass(300)},
      {"hold: the release in pass 2 ends the play after it",
       {"0", "--macro-mode", "1", "--release-at", "100"}, Pass(0) + Pass(80)},
      {"hold: a release as pass 1 ends starts no pass 2",
       {"1", "--macro-mode", "1", "--release-at", "80"}, Pass(0)},
      {"hold: a tap plays once", {"2", "--macro-mode", "1", "--release-at", "0"}, Pass(0)},
      {"hold: presses during the play are ignored",
       {"0", "--macro-mode", "1", "--press-at", "30", "--release-at", "170"},
       Pass(0) + Pass(80) + Pass(160)},
      {"hold: a press after the play plays again until its release",
       {"0", "--macro-mode", "1", "--release-at", "10", "--press-at", "100", "--release-at", "150"},
       Pass(0) + Pass(100)},
      {"delays below 10 ms play as 10 ms",
       {"3"},
       Line(0, "07 15 e1 00 00 00 00 00") + Line(10, "07 15 e1 04 00 00 00 00") +
           Line(20, "07 15 e1 00 00 00 00 00") + Line(30, kKeysUp) + Line(51, kButtonsUp) +
           Line(61, kKeysUp)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Play(c.options);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(ZlvctlPlay, HoldModeWithoutReleasePlaysAllItsPasses) {
  const Result r = Play({"0", "--macro-mode", "1"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4 * 10000);
  EXPECT_TRUE(r.out.starts_with(Pass(0) + Pass(80)));
  EXPECT_TRUE(r.out.ends_with(Pass(9999 * 80)));
}

TEST_F(ZlvctlPlay, RecordBeyondTheFilesMacrosPlaysEmpty) {
  const Result r = Play({"11"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, Line(10, kButtonsUp) + Line(20, kKeysUp));
  EXPECT_NE(r.err.find("holds 4 macros"), std::string::npos) << r.err;
}

TEST_F(ZlvctlPlay, BadArgumentsAreUsageErrorsAndAMissingFileARuntimeError) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{"macro", "play", "m.dat"}, kExitUsage, "needs FILE and INDEX"},
      {{"macro", "play", "m.dat", "12"}, kExitUsage, "0 to 11"},
      {{"macro", "play", "m.dat", "-1"}, kExitUsage, "0 to 11"},
      {{"macro", "play", "m.dat", "x"}, kExitUsage, "0 to 11"},
      {{"macro", "play", "m.dat", ""}, kExitUsage, "0 to 11"},
      {{"macro", "play", "m.dat", "0", "--macro-mode", "2"}, kExitUsage, "0 or 1"},
      {{"macro", "play", "m.dat", "0", "--macro-mode", "0", "--macro-mode", "1"}, kExitUsage, "twice"},
      {{"macro", "play", "m.dat", "0", "--press-at", "-5"}, kExitUsage, "whole milliseconds"},
      {{"macro", "play", "m.dat", "0", "--release-at", "1.5"}, kExitUsage, "whole milliseconds"},
      {{"macro", "play", "m.dat", "0", "--press-at", "1000000000000"}, kExitUsage, "whole milliseconds"},
      {{"macro", "play", "m.dat", "0", "--press-at"}, kExitUsage, "needs a value"},
      {{"macro", "play", "m.dat", "0", "--hold"}, kExitUsage, "unknown option"},
      {{"macro", "play", "missing.dat", "0"}, kExitRuntimeError, "cannot read missing.dat"},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunZlvctl(c.args, out, err, files), c.status);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
  }
}

TEST(ZlvctlPlayUsage, TheUsageTextNamesTheCommand) {
  MemoryFileStore files;
  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(RunZlvctl({"--help"}, out, err, files), kExitOk);
  EXPECT_NE(out.str().find("macro play FILE INDEX [--macro-mode 0|1]"), std::string::npos);
}

}  // namespace
}  // namespace zlv
