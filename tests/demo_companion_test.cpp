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

TEST(DemoReportLogLine, MillisecondsThenTheFirstEightBytes) {
  struct Case {
    Nanos time;
    Nanos origin;
    std::vector<std::uint8_t> bytes;
    const char* expected;
  };
  const Case cases[] = {
      {5'000'000'123ns, 5'000'000'000ns, {7, 0x10, 1, 1, 0, 0, 0, 0}, "0 07 10 01 01 00 00 00 00"},
      {1'234'999'999ns, 0ns, {7, 0x13, 0x3f, 0x13, 0xAB, 0, 0, 0xff}, "1234 07 13 3f 13 ab 00 00 ff"},
      // No padding: large times take as many digits as they need.
      {86'400s + 5ms, 0ns, {7, 0x12, 6, 0, 0, 0, 0, 0}, "86400005 07 12 06 00 00 00 00 00"},
      // Only the first eight bytes of a longer report.
      {2s, 1s, {7, 0x20, 0, 0, 0, 0, 0, 0, 0xff, 0xab}, "1000 07 20 00 00 00 00 00 00"},
      // A shorter report shows what it has; an empty one only the time.
      {3s, 0s, {7, 0x20}, "3000 07 20"},
      {3s, 0s, {}, "3000"},
      // A time before the origin is not negative.
      {1s, 2s, {7}, "0 07"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReportLogLine(LoggedReport{c.time, c.bytes}, c.origin), c.expected) << c.expected;
  }
}

TEST(DemoCompanionPlacement, BesideTheMainWindowWithoutCoveringIt) {
  using ui::PixelPoint;
  using ui::PixelRect;
  const PixelRect screen{0, 0, 1280, 1024};
  const PixelRect belowTaskbar{0, 0, 1280, 984};  // a 40-pixel taskbar at the bottom
  struct Case {
    const char* what;
    PixelRect main;
    int width;
    int height;
    PixelRect work;
    PixelPoint expected;
  };
  const Case cases[] = {
      {"right, top aligned", {0, 0, 800, 600}, 456, 650, screen, {808, 0}},
      {"right, exactly to the edge", {0, 0, 800, 600}, 472, 650, screen, {808, 0}},
      {"right, moved up to end at the work area's bottom", {0, 500, 800, 1100}, 456, 650, belowTaskbar, {808, 334}},
      {"left when the right side has no room", {600, 100, 1200, 500}, 500, 400, screen, {92, 100}},
      {"left, exactly to the edge", {600, 100, 1200, 500}, 592, 400, screen, {0, 100}},
      {"below when neither side has room", {100, 0, 900, 400}, 500, 300, screen, {100, 408}},
      {"below, moved left to end at the right edge", {700, 0, 1250, 400}, 800, 300, screen, {480, 408}},
      {"nothing fits: right-hand place pushed inside", {0, 0, 800, 600}, 566, 650, screen, {714, 0}},
      {"larger than the work area: its top-left corner", {0, 0, 800, 600}, 1400, 1100, belowTaskbar, {0, 0}},
      // A work area that does not start at the origin (taskbar on the left,
      // or a second monitor).
      {"work area offset, right", {1290, 50, 2090, 650}, 456, 650, {1280, 0, 2560, 1024}, {2098, 50}},
      {"work area offset, left would leave it", {1700, 50, 2500, 650}, 456, 650, {1280, 0, 2560, 1024}, {2104, 50}},
      {"main window partly off screen", {-200, -50, 600, 550}, 456, 650, screen, {608, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompanionPlacement(c.main, c.width, c.height, c.work), c.expected) << c.what;
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

TEST(DemoCompanionKey, DigitsHoldButtonsAndLettersActOncePerPress) {
  using Kind = CompanionKeyAction::Kind;
  constexpr KeyTransition kDown = KeyTransition::kDown;
  constexpr KeyTransition kRepeat = KeyTransition::kRepeat;
  constexpr KeyTransition kUp = KeyTransition::kUp;
  struct Case {
    std::uint32_t key;
    KeyTransition transition;
    CompanionKeyAction expected;
  };
  const Case cases[] = {
      {'1', kDown, {Kind::kPress, 1}},
      {'4', kDown, {Kind::kPress, 4}},
      {'4', kUp, {Kind::kRelease, 4}},
      {'6', kDown, {Kind::kPress, 6}},
      // The keyboard's auto-repeat of a held digit presses nothing again.
      {'4', kRepeat, {Kind::kNothing, 0}},
      // The keypad's digits (VK_NUMPAD1..6) as the top row's.
      {0x61, kDown, {Kind::kPress, 1}},
      {0x66, kUp, {Kind::kRelease, 6}},
      {'D', kDown, {Kind::kNextDpiStage, 0}},
      {'U', kDown, {Kind::kUnplug, 0}},
      {'P', kDown, {Kind::kPlugIn, 0}},
      // D, U and P act on the press only; still theirs, so the control gets none.
      {'D', kRepeat, {Kind::kNothing, 0}},
      {'D', kUp, {Kind::kNothing, 0}},
      {'U', kRepeat, {Kind::kNothing, 0}},
      {'U', kUp, {Kind::kNothing, 0}},
      {'P', kRepeat, {Kind::kNothing, 0}},
      {'P', kUp, {Kind::kNothing, 0}},
      // Next to ours: the buttons' own keys and everything else pass on.
      {'0', kDown, {}},
      {'7', kDown, {}},
      {0x60, kDown, {}},  // VK_NUMPAD0
      {0x67, kDown, {}},  // VK_NUMPAD7
      {'C', kDown, {}},
      {'E', kDown, {}},
      {0x20, kDown, {}},  // VK_SPACE, which presses the focused button
      {0x09, kDown, {}},  // VK_TAB
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompanionKey(c.key, c.transition), c.expected)
        << "key 0x" << std::hex << c.key << " transition " << static_cast<int>(c.transition);
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
