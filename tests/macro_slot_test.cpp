#include "macro/macro_slot.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/fakes.h"
#include "tests/support/macro_records.h"

namespace zlv {
namespace {

using testing::RecordingMessages;

using testing::kPressA;
using testing::kPressB;
using testing::kReleaseA;
using testing::kReleaseB;
constexpr MacroEvent kPressLeft = testing::kLeftDown;

using testing::EventsOf;
using testing::Fill;

std::vector<std::uint16_t> DelaysOf(const MacroSlot& slot) {
  std::vector<std::uint16_t> delays;
  for (int k = 0; k < slot.Count(); ++k) delays.push_back(slot.Delay(k));
  return delays;
}

TEST(MacroSlot, StoresFieldsAtTheirFileOffsets) {
  MacroSlot slot{};
  slot.SetName(u"Ab");
  slot.SetMode(1);
  slot.SetRepeat(0x1234);
  slot.SetCount(3);
  slot.SetEvent(2, {0x04, kEventRelease});
  slot.SetDelay(2, 0xABCD);
  slot.SetDelay(254, 0x0102);

  const auto bytes = slot.ToBytes();
  EXPECT_EQ(bytes[0], 'A');
  EXPECT_EQ(bytes[1], 0);
  EXPECT_EQ(bytes[2], 'b');
  EXPECT_EQ(bytes[3], 0);
  EXPECT_EQ(bytes[4], 0);
  EXPECT_EQ(bytes[40], 1);
  EXPECT_EQ(bytes[41], 0x34);
  EXPECT_EQ(bytes[42], 0x12);
  EXPECT_EQ(bytes[43], 3);
  EXPECT_EQ(bytes[44 + 4], 0x04);
  EXPECT_EQ(bytes[44 + 5], kEventRelease);
  EXPECT_EQ(bytes[554 + 4], 0xCD);
  EXPECT_EQ(bytes[554 + 5], 0xAB);
  EXPECT_EQ(bytes[1062], 0x02);
  EXPECT_EQ(bytes[1063], 0x01);

  MacroSlot copy{};
  copy.AssignBytes(bytes);
  EXPECT_EQ(copy.Name(), u"Ab");
  EXPECT_EQ(copy.Repeat(), 0x1234);
  EXPECT_EQ(copy.Count(), 3);
  EXPECT_EQ(copy.Event(2), (MacroEvent{0x04, kEventRelease}));
  EXPECT_EQ(copy.Delay(2), 0xABCD);
}

TEST(MacroSlot, NamesAreCutToNineteenUnits) {
  struct Case {
    const char16_t* given;
    const char16_t* stored;
  };
  const Case cases[] = {
      {u"", u""},
      {u"Macro 1", u"Macro 1"},
      {u"0123456789012345678", u"0123456789012345678"},
      {u"0123456789012345678XYZ", u"0123456789012345678"},
      // A surrogate pair that does not fit whole is dropped, not split.
      {u"012345678901234567\U0001F600", u"012345678901234567"},
      {u"01234567890123456\U0001F600", u"01234567890123456\U0001F600"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.given));
    MacroSlot slot{};
    slot.SetName(u"a previous longer name");
    slot.SetName(c.given);
    EXPECT_EQ(slot.Name(), c.stored);
    const auto bytes = slot.ToBytes();
    for (std::size_t i = 2 * Text(c.stored).size(); i < 40; ++i) {
      EXPECT_EQ(bytes[i], 0) << "name byte " << i;
    }
  }
}

TEST(MacroSlot, NameWithoutNullStopsAtTheField) {
  std::array<std::uint8_t, kMacroSlotSize> bytes{};
  for (std::size_t i = 0; i < 40; i += 2) bytes[i] = 'x';
  bytes[40] = 'y';  // mode, not part of the name
  MacroSlot slot{};
  slot.AssignBytes(bytes);
  EXPECT_EQ(slot.Name(), Text(20, u'x'));
}

TEST(MacroSlot, IndexesOutsideTheRecordAreIgnored) {
  MacroSlot slot{};
  slot.SetDelay(0, 77);
  slot.SetEvent(kMacroEventCapacity, {9, 9});
  slot.SetEvent(-1, {9, 9});
  slot.SetDelay(kMacroEventCapacity, 9);
  slot.SetDelay(-1, 9);
  EXPECT_EQ(slot.Delay(0), 77);
  EXPECT_EQ(slot.Event(kMacroEventCapacity), MacroEvent{});
  EXPECT_EQ(slot.Delay(-1), 0);
  EXPECT_EQ(slot.Count(), 0);
  EXPECT_EQ(slot.Mode(), 0);

  slot.SetCount(300);
  EXPECT_EQ(slot.Count(), 255);
  slot.SetCount(-4);
  EXPECT_EQ(slot.Count(), 0);
}

TEST(EventListText, EventAndDelayLines) {
  struct Case {
    MacroEvent event;
    const char16_t* line;
  };
  const Case cases[] = {
      {{0x04, kEventPress}, u"[\u2193]A"},
      {{kMouseLeftButton, kEventRelease}, u"[\u2191]L-KEY"},
      {{0x04, 0}, u"A"},
      {{0x28, 3}, u"RETURN"},
      {{0x35, kEventPress}, u"[\u2193]NON-AVAILABLE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.line));
    EXPECT_EQ(EventLineText(c.event), c.line);
  }
  EXPECT_EQ(DelayLineText(0), u"    0ms");
  EXPECT_EQ(DelayLineText(30), u"    30ms");
  EXPECT_EQ(DelayLineText(65535), u"    65535ms");
}

class MacroEditing : public ::testing::Test {
 protected:
  MacroSlot& Slot(int i) { return macros.slots[i]; }

  MacroTable macros;
  MacroEditState state;
  EventListModel list;
  RecordingMessages messages;
};

TEST_F(MacroEditing, RebuildShowsEventsWithDelaysBetweenThem) {
  Fill(Slot(2), {kPressA, kPressLeft, kReleaseA});
  Slot(2).SetMode(1);
  Slot(2).SetRepeat(7);
  state.selected_line = 2;
  list.lines = {u"old"};
  state.down_lines = 9;

  RebuildEventList(macros, state, list, 2);

  EXPECT_EQ(list.lines, (std::vector<Text>{u"[\u2193]A", u"    100ms", u"[\u2193]L-KEY",
                                            u"    101ms", u"[\u2191]A"}));
  EXPECT_EQ(state.down_lines, 2);
  EXPECT_EQ(state.up_lines, 1);
  EXPECT_EQ(list.selected_line, 2);
  EXPECT_EQ(list.repeat_text, u"7");
  EXPECT_TRUE(list.repeat_enabled);
  EXPECT_TRUE(list.repaint_requested);
}

TEST_F(MacroEditing, RepeatEditShowsCountOnlyForModeOne) {
  for (int mode : {0, 2, 255}) {
    SCOPED_TRACE(mode);
    Fill(Slot(0), {kPressA});
    Slot(0).SetMode(static_cast<std::uint8_t>(mode));
    Slot(0).SetRepeat(7);
    list.repeat_enabled = true;
    RebuildEventList(macros, state, list, 0);
    EXPECT_EQ(list.lines, std::vector<Text>{u"[\u2193]A"});
    EXPECT_EQ(list.repeat_text, u"1");
    EXPECT_FALSE(list.repeat_enabled);
  }
}

TEST_F(MacroEditing, RebuildOfEmptyMacroKeepsRepeatEdit) {
  Fill(Slot(0), {kPressA, kReleaseA});
  Slot(0).SetMode(1);
  Slot(0).SetRepeat(12);
  RebuildEventList(macros, state, list, 0);

  RebuildEventList(macros, state, list, 1);

  EXPECT_TRUE(list.lines.empty());
  EXPECT_EQ(list.selected_line, EventListModel::kNoLine);
  EXPECT_EQ(state.down_lines, 0);
  EXPECT_EQ(state.up_lines, 0);
  EXPECT_EQ(list.repeat_text, u"12");
  EXPECT_TRUE(list.repeat_enabled);
}

TEST_F(MacroEditing, SelectedLineBeyondTheListSelectsNothing) {
  Fill(Slot(0), {kPressA, kReleaseA});
  for (int line : {3, 40, -5}) {
    SCOPED_TRACE(line);
    state.selected_line = line;
    RebuildEventList(macros, state, list, 0);
    EXPECT_EQ(list.lines.size(), 3u);
    EXPECT_EQ(list.selected_line, EventListModel::kNoLine);
  }
}

TEST_F(MacroEditing, RebuildOutsideTheTableEmptiesTheList) {
  Fill(Slot(0), {kPressA});
  RebuildEventList(macros, state, list, 0);
  for (int slot : {-1, kMacroTableSize, 1000}) {
    RebuildEventList(macros, state, list, slot);
    EXPECT_TRUE(list.lines.empty());
    EXPECT_EQ(state.down_lines, 0);
  }
}

TEST_F(MacroEditing, AppendWhileRecordingFollowsTheLastLine) {
  // The recorder appends events beyond the stored count, which it sets only
  // when the recording stops.
  state.recording = true;
  state.selected_line = 0;
  Slot(3).SetEvent(0, kPressA);
  Slot(3).SetEvent(1, kReleaseA);
  Slot(3).SetDelay(0, 250);

  AppendEventLines(macros, state, list, 3, 0);
  EXPECT_EQ(list.selected_line, 0);
  AppendEventLines(macros, state, list, 3, 1);

  EXPECT_EQ(list.lines, (std::vector<Text>{u"[\u2193]A", u"    250ms", u"[\u2191]A"}));
  EXPECT_EQ(list.selected_line, 2);
  EXPECT_EQ(state.down_lines, 1);
  EXPECT_EQ(state.up_lines, 1);

  AppendEventLines(macros, state, list, 3, kMacroEventCapacity);
  AppendEventLines(macros, state, list, kMacroTableSize, 0);
  EXPECT_EQ(list.lines.size(), 3u);
}

TEST_F(MacroEditing, InsertMovesLaterEventsWithTheirDelays) {
  struct Case {
    int position;
    std::vector<MacroEvent> events;
    std::vector<std::uint16_t> delays;
  };
  const Case cases[] = {
      {0, {kPressLeft, kPressA, kPressB, kReleaseA}, {30, 100, 101, 102}},
      {1, {kPressA, kPressLeft, kPressB, kReleaseA}, {100, 30, 101, 102}},
      {3, {kPressA, kPressB, kReleaseA, kPressLeft}, {100, 101, 102, 30}},
      // Past the end or before the start: appended or put first, never
      // leaving a gap of stale events.
      {9, {kPressA, kPressB, kReleaseA, kPressLeft}, {100, 101, 102, 30}},
      {200, {kPressA, kPressB, kReleaseA, kPressLeft}, {100, 101, 102, 30}},
      {-1, {kPressLeft, kPressA, kPressB, kReleaseA}, {30, 100, 101, 102}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    Fill(Slot(1), {kPressA, kPressB, kReleaseA});
    state.selected_line = 4;

    EXPECT_TRUE(InsertEvent(macros, state, messages, 1, c.position, kPressLeft));

    EXPECT_EQ(EventsOf(Slot(1)), c.events);
    EXPECT_EQ(DelaysOf(Slot(1)), c.delays);
    EXPECT_EQ(state.selected_line, 6);
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MacroEditing, InsertStopsAtTwoHundredFiftyFourEvents) {
  Slot(0).SetCount(253);
  EXPECT_TRUE(InsertEvent(macros, state, messages, 0, 0, kPressA));
  EXPECT_EQ(Slot(0).Count(), 254);
  EXPECT_TRUE(messages.shown.empty());

  for (int count : {254, 255}) {
    SCOPED_TRACE(count);
    Slot(0).SetCount(count);
    state.selected_line = 5;
    const auto before = Slot(0).ToBytes();

    EXPECT_FALSE(InsertEvent(macros, state, messages, 0, 0, kPressB));

    EXPECT_EQ(Slot(0).ToBytes(), before);
    EXPECT_EQ(state.selected_line, 5);
  }
  EXPECT_EQ(messages.shown, (std::vector<Text>{u"Overflow!!!", u"Overflow!!!"}));
}

TEST_F(MacroEditing, InsertAndDeleteLeaveBlankTemplateAndOtherSlotsAlone) {
  Fill(Slot(kBlankMacroSlot), {});
  for (int slot : {-1, kBlankMacroSlot, kMacroTableSize, 500}) {
    SCOPED_TRACE(slot);
    EXPECT_FALSE(InsertEvent(macros, state, messages, slot, 0, kPressA));
    DeleteEvent(macros, state, list, slot, 0);
  }
  EXPECT_EQ(Slot(kBlankMacroSlot).ToBytes(), MacroSlot{}.ToBytes());
  EXPECT_EQ(state.selected_line, 0);
}

TEST_F(MacroEditing, DeleteMovesLaterEventsDownAndRebuilds) {
  struct Case {
    int position;
    int selected_before;
    std::vector<MacroEvent> events;
    std::vector<std::uint16_t> delays;
    int selected_after;
  };
  const Case cases[] = {
      {1, 3, {kPressA, kReleaseA}, {100, 102}, 1},
      {0, 2, {kPressB, kReleaseA}, {101, 102}, 0},
      {2, 4, {kPressA, kPressB}, {100, 101}, 2},
      {0, 1, {kPressB, kReleaseA}, {101, 102}, 0},
      // No such event: the record keeps all its events.
      {3, 4, {kPressA, kPressB, kReleaseA}, {100, 101, 102}, 2},
      {-1, 4, {kPressA, kPressB, kReleaseA}, {100, 101, 102}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    Fill(Slot(5), {kPressA, kPressB, kReleaseA});
    state.selected_line = c.selected_before;

    DeleteEvent(macros, state, list, 5, c.position);

    EXPECT_EQ(EventsOf(Slot(5)), c.events);
    EXPECT_EQ(DelaysOf(Slot(5)), c.delays);
    EXPECT_EQ(state.selected_line, c.selected_after);
    EXPECT_EQ(list.lines.size(), 2 * c.events.size() - 1);
    EXPECT_EQ(list.selected_line, c.selected_after);
  }
}

TEST_F(MacroEditing, DeleteFromFullRecordStaysInsideIt) {
  std::vector<MacroEvent> events(kMacroEventCapacity, kPressA);
  events.back() = kReleaseB;
  Fill(Slot(0), events);

  DeleteEvent(macros, state, list, 0, 0);

  EXPECT_EQ(Slot(0).Count(), 254);
  EXPECT_EQ(Slot(0).Event(253), kReleaseB);
  EXPECT_EQ(Slot(0).Delay(253), 354);
  EXPECT_EQ(list.lines.size(), 507u);
}

TEST_F(MacroEditing, DeleteFromEmptyMacroKeepsCountZero) {
  state.selected_line = 6;
  list.lines = {u"stale"};
  DeleteEvent(macros, state, list, 0, 0);
  EXPECT_EQ(Slot(0).Count(), 0);
  EXPECT_EQ(state.selected_line, 4);
  EXPECT_TRUE(list.lines.empty());
}

TEST_F(MacroEditing, FindMacroByNameMatchesExactly) {
  macros.count = 3;
  Slot(0).SetName(u"Jump");
  Slot(1).SetName(u"Reload");
  Slot(2).SetName(u"Reload");
  Slot(3).SetName(u"Hidden");  // beyond the count
  Slot(4).SetName(u"0123456789012345678");

  struct Case {
    const char16_t* name;
    int index;
  };
  const Case cases[] = {
      {u"Jump", 0}, {u"Reload", 1}, {u"reload", 3}, {u"Jump ", 3},
      {u"Jum", 3},  {u"Hidden", 3}, {u"", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.name));
    EXPECT_EQ(FindMacroByName(macros, c.name), c.index);
  }

  // A longer name finds the macro that holds its first 19 units.
  macros.count = 5;
  EXPECT_EQ(FindMacroByName(macros, u"0123456789012345678 and more"), 4);
}

TEST_F(MacroEditing, FindMacroByNameSearchesOnlyUserMacros) {
  // Counts from a damaged file must not reach past the user macros.
  Slot(kBlankMacroSlot).SetName(u"Template");
  const struct {
    std::int16_t count;
    int result;
  } cases[] = {{-3, 0}, {13, 12}, {500, 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    macros.count = c.count;
    EXPECT_EQ(FindMacroByName(macros, u"Template"), c.result);
  }
}

}  // namespace
}  // namespace zlv
