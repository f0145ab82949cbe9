#include "demo/demo_companion.h"

#include <gtest/gtest.h>


namespace zlv::demo {
namespace {

using namespace std::chrono_literals;

std::string Narrow(const Text& text) { return ToUtf8(text); }

TEST(DemoReportLine, ShowsMillisecondsSinceTheOriginAndEveryByte) {
  struct Case {
    Nanos time;
    Nanos origin;
    std::vector<std::uint8_t> bytes;
    const char* expected;
  };
  const Case cases[] = {
      {5'000'000'123ns, 5'000'000'000ns, {7, 0x10, 1, 0, 0, 0, 0, 0}, "      0 ms  07 10 01 00 00 00 00 00"},
      {1'234'999'999ns, 0ns, {7, 0x13, 0x3f, 0x13, 0, 0, 0, 0}, "   1234 ms  07 13 3f 13 00 00 00 00"},
      // A report longer than the usual eight bytes shows whole.
      {2s, 1s, {7, 0x20, 0, 0, 0, 0, 0, 0, 0xff, 0xab}, "   1000 ms  07 20 00 00 00 00 00 00 ff ab"},
      // Earlier than the origin (a report logged before the window's clock
      // reading) is not a negative time.
      {1s, 2s, {7}, "      0 ms  07"},
      {3s, 0s, {}, "   3000 ms "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Narrow(ReportLine(LoggedReport{c.time, c.bytes}, c.origin)), c.expected);
  }
}

TEST(DemoStateSummary, FactoryStateAndAChangedState) {
  VirtualMouseState state;
  std::vector<Text> lines = StateSummary(state, 0);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(Narrow(lines[0]), "DPI stage 1 of 4: 1200 DPI (code 6), enabled: 1 2 3 4");
  EXPECT_EQ(Narrow(lines[1]), "LED code 0, wheel 0, fire time 48 ms, report rate step 2");
  EXPECT_EQ(Narrow(lines[2]), "Device function of buttons 1-6: 1 2 3 4 5 6");
  EXPECT_EQ(Narrow(lines[3]), "Keys held: none; mouse buttons held: none");
  EXPECT_EQ(Narrow(lines[4]), "Protocol errors: 0");

  state.activeStage = 2;
  state.dpiCode = {6, 7, 13, 15};
  state.enableMask = 0x05;
  state.ledCode = 7;
  state.buttonFunction = {1, 2, 3, 0, 6, 10};
  state.heldKeys = {0x04, 0xe1, 0, 0, 0, 0};
  state.mouseButtons = 0xFA;  // left and middle down
  state.exitSeen = true;
  lines = StateSummary(state, 3);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(Narrow(lines[0]), "DPI stage 3 of 4: 3200 DPI (code 13), enabled: 1 3");
  EXPECT_EQ(Narrow(lines[1]), "LED code 7, wheel 0, fire time 48 ms, report rate step 2");
  EXPECT_EQ(Narrow(lines[2]), "Device function of buttons 1-6: 1 2 3 0 6 10");
  EXPECT_EQ(Narrow(lines[3]), "Keys held: 04 e1; mouse buttons held: left middle");
  EXPECT_EQ(Narrow(lines[4]), "Protocol errors: 3; driver exit received");
}

TEST(DemoStateSummary, StageOutsideTheTableShowsNoDpi) {
  VirtualMouseState state;
  state.activeStage = 9;
  EXPECT_EQ(Narrow(StateSummary(state, 0)[0]), "DPI stage 10 of 4, enabled: 1 2 3 4");
}

TEST(DemoDpiStageButton, PrefersCycleThenUpThenDown) {
  struct Case {
    std::array<std::uint8_t, 6> functions;
    std::optional<int> expected;
  };
  const Case cases[] = {
      {{1, 2, 3, 4, 5, 6}, 6},
      {{1, 2, 12, 11, 5, 6}, 6},
      {{1, 2, 12, 11, 5, 0}, 4},
      {{12, 2, 3, 4, 5, 0}, 1},
      {{1, 2, 3, 4, 5, 0}, std::nullopt},
  };
  for (const Case& c : cases) {
    VirtualMouseState state;
    state.buttonFunction = c.functions;
    EXPECT_EQ(DpiStageButton(state), c.expected);
  }
}

TEST(DemoReportLines, KeepsTheNewestAndSaysHowManyWentFromTheTop) {
  ReportLines lines(3);
  EXPECT_EQ(lines.Add(u"a"), 0u);
  EXPECT_EQ(lines.Add(u"b"), 0u);
  EXPECT_EQ(lines.Add(u"c"), 0u);
  EXPECT_EQ(lines.Add(u"d"), 1u);
  EXPECT_EQ(lines.Lines(), (std::deque<Text>{u"b", u"c", u"d"}));
}

LoggedReport Report(int n) { return LoggedReport{Nanos{n}, {static_cast<std::uint8_t>(n)}}; }

TEST(DemoReportMailbox, WakesOncePerBatchAndBoundsTheWaitingReports) {
  ReportMailbox mailbox(3);
  EXPECT_TRUE(mailbox.Push(Report(1)));
  EXPECT_FALSE(mailbox.Push(Report(2)));  // the window has been woken already
  ReportMailbox::Batch batch = mailbox.Take();
  ASSERT_EQ(batch.reports.size(), 2u);
  EXPECT_EQ(batch.reports[0].bytes[0], 1);
  EXPECT_EQ(batch.dropped, 0u);

  EXPECT_TRUE(mailbox.Push(Report(3)));  // after a take the next push wakes again
  for (int n = 4; n <= 7; ++n) EXPECT_FALSE(mailbox.Push(Report(n)));
  batch = mailbox.Take();
  ASSERT_EQ(batch.reports.size(), 3u);
  EXPECT_EQ(batch.reports.front().bytes[0], 5);
  EXPECT_EQ(batch.reports.back().bytes[0], 7);
  EXPECT_EQ(batch.dropped, 2u);
  EXPECT_TRUE(mailbox.Take().reports.empty());
}

}  // namespace
}  // namespace zlv::demo

namespace zlv::demo {
namespace {

TEST(DemoRunSeconds, AcceptsWholeSecondsInRange) {
  const std::pair<const char16_t*, std::optional<int>> cases[] = {
      {u"5", 5},           {u" 12 ", 12},         {u"86400", 86400},      {u"0", std::nullopt},
      {u"86401", std::nullopt}, {u"", std::nullopt}, {u"-3", std::nullopt}, {u"2.5", std::nullopt},
      {u"99999999999", std::nullopt}, {u"abc", std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseRunSeconds(text), expected) << ToUtf8(text);
}

}  // namespace
}  // namespace zlv::demo
