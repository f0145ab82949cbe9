#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "device/input_reader.h"

namespace zlv {
namespace {

constexpr std::uint8_t kRelease = 0x80;

struct HandOverCase {
  const char* name;
  std::int32_t macroMode;
  bool pendingBefore;               // a press with code 0xF3, value 0x01 is being served
  std::vector<std::uint8_t> report;
  InputReportEffect effect;
  std::int32_t pendingAfter;
  std::uint8_t codeAfter;
  std::uint8_t valueAfter;
  std::int32_t stopAfter;
};

void PrintTo(const HandOverCase& c, std::ostream* os) { *os << c.name; }

class ApplyInputReportTest : public ::testing::TestWithParam<HandOverCase> {};

TEST_P(ApplyInputReportTest, ChangesTheHandOverAsTheModeSays) {
  const HandOverCase& c = GetParam();
  ButtonHandOver h;
  if (c.pendingBefore) h.HandOverPress(0xF3, 0x01);

  EXPECT_EQ(ApplyInputReport(h, c.report, c.macroMode), c.effect);
  EXPECT_EQ(h.ButtonEventPending.load(), c.pendingAfter);
  EXPECT_EQ(h.PendingButtonCode.load(), c.codeAfter);
  EXPECT_EQ(h.PendingButtonValue.load(), c.valueAfter);
  EXPECT_EQ(h.MacroStopRequest.load(), c.stopAfter);
}

using E = InputReportEffect;
INSTANTIATE_TEST_SUITE_P(
    Reports, ApplyInputReportTest,
    ::testing::Values(
        // Not button events: byte 1 must be above 0xF0.
        HandOverCase{"F0IsNoButton", 0, false, {7, 0xF0, 1}, E::kNone, 0, 0, 0, 0},
        HandOverCase{"LowCodeIsNoButton", 1, false, {7, 0x12, kRelease}, E::kNone, 0, 0, 0, 0},
        HandOverCase{"EmptyReport", 0, false, {}, E::kNone, 0, 0, 0, 0},
        // Toggle mode.
        HandOverCase{"TogglePressHandsOver", 0, false, {7, 0xF5, 2}, E::kHandedOver, 1, 0xF5, 2, 0},
        HandOverCase{"ToggleSecondPressStops", 0, true, {7, 0xF5, 1}, E::kStopRequested, 1, 0xF3, 1, 1},
        HandOverCase{"ToggleReleaseIgnoredIdle", 0, false, {7, 0xF3, kRelease}, E::kNone, 0, 0, 0, 0},
        HandOverCase{"ToggleReleaseIgnoredPlaying", 0, true, {7, 0xF3, kRelease}, E::kNone, 1, 0xF3, 1, 0},
        // Hold mode (any non-zero mode).
        HandOverCase{"HoldPressHandsOver", 1, false, {7, 0xF6, 3}, E::kHandedOver, 1, 0xF6, 3, 0},
        HandOverCase{"HoldSecondPressIgnored", 1, true, {7, 0xF6, 3}, E::kNone, 1, 0xF3, 1, 0},
        HandOverCase{"HoldReleaseStops", 1, true, {7, 0xF3, kRelease}, E::kStopRequested, 1, 0xF3, 1, 1},
        HandOverCase{"HoldReleaseStopsEvenIdle", 2, false, {7, 0xF4, kRelease}, E::kStopRequested, 0, 0, 0, 1},
        // A report too short to carry byte 2 counts as a press with value 0.
        HandOverCase{"ShortReportIsPress", 0, false, {7, 0xF2}, E::kHandedOver, 1, 0xF2, 0, 0}),
    [](const ::testing::TestParamInfo<HandOverCase>& param) { return param.param.name; });

TEST(ButtonHandOverTest, PlayerClearsStopOnlyWhenNothingIsPending) {
  ButtonHandOver h;
  h.RequestStop();
  EXPECT_FALSE(h.TakeWork());
  EXPECT_EQ(h.MacroStopRequest.load(), 0);

  // A tap in hold mode: press and release both arrive before the player
  // wakes. The stop request belongs to the press and must survive.
  h.HandOverPress(0xF1, 1);
  h.RequestStop();
  EXPECT_TRUE(h.TakeWork());
  EXPECT_EQ(h.MacroStopRequest.load(), 1);
  h.FinishPress();
  EXPECT_EQ(h.ButtonEventPending.load(), 0);
  EXPECT_EQ(h.MacroStopRequest.load(), 0);
}

}  // namespace
}  // namespace zlv
