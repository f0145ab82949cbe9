#include "macro/macro_commands.h"

#include <gtest/gtest.h>

#include <functional>

#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "macro/macro_file.h"
#include "sim/memory_file_store.h"
#include "tests/support/fakes.h"
#include "tests/support/macro_records.h"

namespace zlv {
namespace {

using testing::RecordingMessages;

using testing::kPressA;
using testing::kReleaseA;
using testing::kPressB;
using testing::kReleaseB;
using testing::kLeftDown;
using testing::kLeftUp;
using testing::kRightDown;
using testing::kRightUp;
using testing::kMidDown;
using testing::kMidUp;

constexpr char16_t kFile[] = u"C:\\zlv\\Macro_EN.dat";

using testing::EventsOf;
using testing::Fill;

// ---------------------------------------------------------------------------
// Menu identifiers

struct MenuIdCase {
  std::uint32_t id;
  EventListChoice choice;
};

TEST(EventListChoiceOf, MapsBothLanguagesMenusToTheSameCommands) {
  using enum EventListCommand;
  const MenuIdCase cases[] = {
      // English menu.
      {32802, {kInsertBefore, kLeftDown}},
      {32803, {kInsertBefore, kLeftUp}},
      {32804, {kInsertBefore, kRightDown}},
      {32805, {kInsertBefore, kRightUp}},
      {32806, {kInsertBefore, kMidDown}},
      {32807, {kInsertBefore, kMidUp}},
      {32809, {kInsertAfter, kLeftDown}},
      {32810, {kInsertAfter, kLeftUp}},
      {32811, {kInsertAfter, kRightDown}},
      {32812, {kInsertAfter, kRightUp}},
      {32813, {kInsertAfter, kMidDown}},
      {32814, {kInsertAfter, kMidUp}},
      {32780, {kModifyDelay, {}}},
      {32781, {kDelete, {}}},
      // Chinese menu.
      {32817, {kInsertBefore, kLeftDown}},
      {32818, {kInsertBefore, kLeftUp}},
      {32820, {kInsertBefore, kRightDown}},
      {32821, {kInsertBefore, kRightUp}},
      {32823, {kInsertBefore, kMidDown}},
      {32824, {kInsertBefore, kMidUp}},
      {32829, {kInsertAfter, kLeftDown}},
      {32830, {kInsertAfter, kLeftUp}},
      {32831, {kInsertAfter, kRightDown}},
      {32832, {kInsertAfter, kRightUp}},
      {32833, {kInsertAfter, kMidDown}},
      {32834, {kInsertAfter, kMidUp}},
      {32835, {kModifyDelay, {}}},
      {32836, {kDelete, {}}},
      // Ids of other items (the tray menu, the submenu gaps) and no id.
      {0, {}},
      {32800, {}},
      {32801, {}},
      {32808, {}},
      {32819, {}},
      {32837, {}},
      {0xFFFFFFFF, {}},
  };
  for (const MenuIdCase& c : cases) {
    EXPECT_EQ(EventListChoiceOf(c.id), c.choice) << "id " << c.id;
  }
}

// ---------------------------------------------------------------------------
// Typed numbers

TEST(DelayOf, ReadsTheNumberBeforeMsAndKeepsSixteenBits) {
  const struct {
    const char16_t* text;
    std::uint16_t delay;
  } cases[] = {
      {u"250ms", 250},
      {u"250", 250},
      {u" 250", 250},
      {u"    250ms", 250},
      {u"250 ms", 250},
      {u"abc", 0},
      {u"", 0},
      {u"ms250", 0},
      {u"12ms34", 12},
      {u"-1", 65535},
      {u"70000", 4464},
      {u"65535", 65535},
      {u"65536", 0},
      {u"65786ms", 250},
      {u"99999999999", 65535},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DelayOf(c.text), c.delay) << ToUtf8(c.text);
  }
}

TEST(RepeatCountOf, CorrectsToOneThrough65535) {
  const struct {
    const char16_t* text;
    std::uint16_t count;
  } cases[] = {
      {u"0", 1},          {u"", 1},
      {u"abc", 1},        {u"-5", 1},
      {u"12", 12},        {u" 12x", 12},
      {u"65535", 65535},  {u"65536", 65535},
      {u"999999", 65535}, {u"99999999999", 65535},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RepeatCountOf(c.text), c.count) << ToUtf8(c.text);
  }
}

// ---------------------------------------------------------------------------
// Right-button release over the event list

TEST(PlanEventListMenu, FindsTheLineAndOpensOnlyInsideOnALine) {
  // The list spans (100, 200) to (300, 360), 16-pixel lines.
  const auto pointer = [](int x, int y, int topLine, int lines, int height = 16) {
    return EventListPointer{100, 200, 300, 360, x, y, topLine, height, lines};
  };
  const struct {
    EventListPointer pointer;
    int line;
    bool open;
  } cases[] = {
      {pointer(150, 200, 0, 5), 0, true},
      {pointer(150, 247, 0, 5), 2, true},
      {pointer(150, 247, 3, 5), 5, false},  // scrolled: past the last line
      {pointer(150, 247, 2, 5), 4, true},
      {pointer(150, 300, 0, 5), 6, false},    // below the last line
      {pointer(150, 300, 0, 0), 6, true},     // an empty list always opens
      {pointer(99, 210, 0, 5), 0, false},     // left of the list
      {pointer(300, 210, 0, 5), 0, false},    // right edge is outside
      {pointer(150, 360, 0, 0), 10, false},   // bottom edge is outside
      {pointer(150, 150, 0, 0), -3, false},   // above: the line is still taken
      {pointer(150, 247, 3, 5, 0), 0, true},  // no item height
  };
  for (const auto& c : cases) {
    const EventListMenuPlan plan = PlanEventListMenu(c.pointer);
    EXPECT_EQ(plan.line, c.line) << "y " << c.pointer.y << " top line " << c.pointer.top_line;
    EXPECT_EQ(plan.open_menu, c.open) << "x " << c.pointer.x << " y " << c.pointer.y;
  }
}

// ---------------------------------------------------------------------------
// The editor

class MacroEditorTest : public ::testing::Test {
 protected:
  MacroTable& user() { return tables.user; }
  MacroSlot& slot(int i) { return tables.user.slots[i]; }

  // Macros named as given, each with its number of A press/release pairs
  // filled in directly; then the macro list is rebuilt.
  void MakeMacros(const std::vector<Text>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      slot(static_cast<int>(i)).SetName(names[i]);
      slot(static_cast<int>(i)).SetRepeat(1);
    }
    user().count = static_cast<std::int16_t>(names.size());
    editor.RebuildMacroList();
  }

  // A right-click on `line` of the event list of macro `macro`.
  void RightClick(int macro, int line) {
    editor.SelectMacro(macro);
    editor.SelectEventLine(line);
    editor.TakeEditTarget(events.selected_line, macro_list.selected_line,
                          static_cast<int>(events.lines.size()));
  }

  MemoryFileStore files;
  IniStore ini{files};
  MacroTables tables;
  MacroEditState state;
  EventListModel events;
  MacroListModel macro_list;
  RecordingMessages messages;
  MacroEditor editor{tables, state, events, macro_list, messages};
};

TEST_F(MacroEditorTest, RebuildMacroListSelectsTheCurrentMacroBoundedToTheLastLine) {
  MakeMacros({u"one", u"two"});
  Fill(slot(1), {kPressA, kReleaseA});
  state.current_macro = 7;
  editor.RebuildMacroList();
  EXPECT_EQ(macro_list.lines, (std::vector<Text>{u"one", u"two"}));
  EXPECT_EQ(macro_list.selected_line, 1);
  EXPECT_EQ(state.current_macro, 1);
  EXPECT_EQ(macro_list.name_text, u"two");
  EXPECT_EQ(events.lines.size(), 3u);
}

TEST_F(MacroEditorTest, RebuildMacroListWithoutMacrosKeepsTheEventListAndEdits) {
  events.lines = {u"kept"};
  events.repeat_text = u"5";
  macro_list.lines = {u"stale"};
  macro_list.name_text = u"typed";
  editor.RebuildMacroList();
  EXPECT_TRUE(macro_list.lines.empty());
  EXPECT_EQ(macro_list.selected_line, MacroListModel::kNoLine);
  EXPECT_EQ(macro_list.name_text, u"typed");
  EXPECT_EQ(events.lines, std::vector<Text>{u"kept"});
  EXPECT_EQ(events.repeat_text, u"5");
}

TEST_F(MacroEditorTest, SelectMacroShowsItsNameAndEventsAndIgnoresOtherLines) {
  MakeMacros({u"one", u"two"});
  Fill(slot(0), {kPressA, kReleaseA, kPressB});
  slot(0).SetMode(1);
  slot(0).SetRepeat(9);
  editor.SelectMacro(0);
  EXPECT_EQ(state.current_macro, 0);
  EXPECT_EQ(macro_list.name_text, u"one");
  EXPECT_EQ(events.lines.size(), 5u);
  EXPECT_EQ(events.repeat_text, u"9");

  for (int line : {-1, 2}) {
    editor.SelectMacro(line);
    EXPECT_EQ(state.current_macro, 0) << line;
    EXPECT_EQ(macro_list.selected_line, 0) << line;
  }
}

TEST_F(MacroEditorTest, AddMacroCreatesAClearedRecordAndSelectsIt) {
  // Record 0 holds what a deleted macro left behind.
  slot(0).SetName(u"old");
  slot(0).SetMode(1);
  slot(0).SetRepeat(7);
  Fill(slot(0), {kPressA, kReleaseA});
  events.lines = {u"old line"};

  editor.AddMacro(u"first");

  EXPECT_EQ(user().count, 1);
  EXPECT_EQ(slot(0).Name(), u"first");
  EXPECT_EQ(slot(0).Mode(), 0);
  EXPECT_EQ(slot(0).Repeat(), 1);
  EXPECT_EQ(slot(0).Count(), 0);
  EXPECT_TRUE(events.lines.empty());
  EXPECT_EQ(macro_list.lines, std::vector<Text>{u"first"});
  EXPECT_EQ(macro_list.selected_line, 0);
  EXPECT_EQ(state.current_macro, 0);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MacroEditorTest, AddMacroFillsTwelveAndRefusesTheThirteenth) {
  for (int i = 0; i < kMaxUserMacros; ++i) editor.AddMacro(u"m" + DecimalText(i));
  EXPECT_EQ(user().count, 12);
  EXPECT_EQ(macro_list.lines.size(), 12u);
  EXPECT_EQ(slot(11).Name(), u"m11");
  EXPECT_EQ(macro_list.selected_line, 11);
  EXPECT_EQ(state.current_macro, 11);

  editor.AddMacro(u"m12");
  EXPECT_EQ(user().count, 12);
  EXPECT_EQ(macro_list.lines.size(), 12u);
  EXPECT_EQ(slot(kBlankMacroSlot).Name(), u"");
  EXPECT_EQ(state.current_macro, 11);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MacroEditorTest, AddMacroWithAnEmptyNameDoesNothing) {
  MakeMacros({u"one"});
  editor.AddMacro(u"");
  EXPECT_EQ(user().count, 1);
  EXPECT_EQ(macro_list.lines.size(), 1u);
}

TEST_F(MacroEditorTest, AddMacroUnderAnExistingNameSelectsThatMacro) {
  MakeMacros({u"one", u"two", u"three"});
  Fill(slot(1), {kPressA, kReleaseA});
  editor.SelectMacro(2);
  editor.AddMacro(u"two");
  EXPECT_EQ(user().count, 3);
  EXPECT_EQ(macro_list.lines.size(), 3u);
  EXPECT_EQ(macro_list.selected_line, 1);
  EXPECT_EQ(state.current_macro, 1);
  EXPECT_EQ(slot(1).Count(), 2);
}

TEST_F(MacroEditorTest, AddMacroCutsALongNameAndFindsItByTheCutName) {
  const Text longName = u"abcdefghijklmnopqrstuvwxy";  // 25 units
  editor.AddMacro(longName);
  const Text cut = u"abcdefghijklmnopqrs";
  EXPECT_EQ(slot(0).Name(), cut);
  EXPECT_EQ(macro_list.lines, std::vector<Text>{cut});

  editor.AddMacro(longName);
  EXPECT_EQ(user().count, 1);
}

TEST_F(MacroEditorTest, DeleteFirstOfThreeMovesTheOthersUpAndClearsTheFreedRecord) {
  MakeMacros({u"one", u"two", u"three"});
  Fill(slot(0), {kPressA});
  Fill(slot(1), {kPressB, kReleaseB});
  Fill(slot(2), {kPressA, kReleaseA, kPressB});
  slot(2).SetMode(1);
  slot(2).SetRepeat(5);

  editor.DeleteMacro(0);

  EXPECT_EQ(user().count, 2);
  EXPECT_EQ(slot(0).Name(), u"two");
  EXPECT_EQ(EventsOf(slot(0)), (std::vector<MacroEvent>{kPressB, kReleaseB}));
  EXPECT_EQ(slot(1).Name(), u"three");
  EXPECT_EQ(slot(1).Mode(), 1);
  EXPECT_EQ(slot(1).Repeat(), 5);
  EXPECT_EQ(EventsOf(slot(1)), (std::vector<MacroEvent>{kPressA, kReleaseA, kPressB}));
  EXPECT_EQ(slot(2).Mode(), 0);
  EXPECT_EQ(slot(2).Repeat(), 1);
  EXPECT_EQ(slot(2).Count(), 0);

  EXPECT_EQ(macro_list.lines, (std::vector<Text>{u"two", u"three"}));
  EXPECT_EQ(macro_list.selected_line, 0);
  EXPECT_EQ(macro_list.name_text, u"two");
  EXPECT_EQ(state.current_macro, 0);
  EXPECT_EQ(events.lines.size(), 3u);
}

TEST_F(MacroEditorTest, DeleteSelectsTheLineBefore) {
  MakeMacros({u"one", u"two", u"three"});
  Fill(slot(1), {kPressB});
  editor.DeleteMacro(2);
  EXPECT_EQ(user().count, 2);
  EXPECT_EQ(macro_list.selected_line, 1);
  EXPECT_EQ(state.current_macro, 1);
  EXPECT_EQ(macro_list.name_text, u"two");
  EXPECT_EQ(events.lines.size(), 1u);
  EXPECT_EQ(slot(2).Count(), 0);
}

TEST_F(MacroEditorTest, DeletingTheOnlyMacroEmptiesTheEdits) {
  MakeMacros({u"one"});
  Fill(slot(0), {kPressA, kReleaseA});
  slot(0).SetMode(1);
  slot(0).SetRepeat(4);
  editor.SelectMacro(0);
  ASSERT_TRUE(events.repeat_enabled);

  editor.DeleteMacro(0);

  EXPECT_EQ(user().count, 0);
  EXPECT_TRUE(macro_list.lines.empty());
  EXPECT_EQ(macro_list.selected_line, MacroListModel::kNoLine);
  EXPECT_EQ(macro_list.name_text, u"");
  EXPECT_EQ(events.repeat_text, u"1");
  EXPECT_FALSE(events.repeat_enabled);
  EXPECT_TRUE(events.lines.empty());
  EXPECT_EQ(slot(0).Mode(), 0);
  EXPECT_EQ(slot(0).Repeat(), 1);
  EXPECT_EQ(slot(0).Count(), 0);

  // The freed record is cleared again when a macro is added.
  editor.AddMacro(u"new");
  EXPECT_EQ(user().count, 1);
  EXPECT_EQ(slot(0).Name(), u"new");
}

TEST_F(MacroEditorTest, DeleteMacroIgnoresRecordingEmptyListAndBadSelection) {
  editor.DeleteMacro(0);
  EXPECT_EQ(user().count, 0);

  MakeMacros({u"one", u"two"});
  for (int selection : {-1, 2}) {
    editor.DeleteMacro(selection);
    EXPECT_EQ(user().count, 2) << selection;
    EXPECT_EQ(macro_list.lines.size(), 2u) << selection;
  }

  state.recording = true;
  editor.DeleteMacro(0);
  EXPECT_EQ(user().count, 2);
  EXPECT_EQ(slot(0).Name(), u"one");
}

TEST_F(MacroEditorTest, ToggleRepeatModeSwitchesTheEditAndAsksForARepaint) {
  MakeMacros({u"one"});
  slot(0).SetRepeat(12);
  editor.ToggleRepeatMode();
  EXPECT_EQ(slot(0).Mode(), 1);
  EXPECT_EQ(events.repeat_text, u"12");
  EXPECT_TRUE(events.repeat_enabled);
  EXPECT_TRUE(events.repaint_requested);

  editor.ToggleRepeatMode();
  EXPECT_EQ(slot(0).Mode(), 0);
  EXPECT_EQ(slot(0).Repeat(), 12);
  EXPECT_EQ(events.repeat_text, u"1");
  EXPECT_FALSE(events.repeat_enabled);
}

TEST_F(MacroEditorTest, ApplyRepeatCountStoresTheCorrectedCountAndWritesTheFile) {
  MakeMacros({u"one", u"two"});
  slot(1).SetMode(1);
  editor.SelectMacro(1);
  const struct {
    const char16_t* typed;
    std::uint16_t stored;
    const char16_t* shown;
  } cases[] = {
      {u"0", 1, u"1"},  {u"", 1, u"1"},     {u"999999", 65535, u"65535"},
      {u"-5", 1, u"1"}, {u"12", 12, u"12"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(editor.ApplyRepeatCount(c.typed, ini, kFile)) << ToUtf8(c.typed);
    EXPECT_EQ(events.repeat_text, c.shown) << ToUtf8(c.typed);
    EXPECT_EQ(slot(1).Repeat(), c.stored) << ToUtf8(c.typed);

    UserMacroTable saved;
    MacroEditState loadState;
    ASSERT_TRUE(LoadMacroFile(ini, messages, kFile, saved, loadState));
    EXPECT_EQ(saved.count, 2);
    EXPECT_EQ(saved.slots[1].Repeat(), c.stored) << ToUtf8(c.typed);
  }
  EXPECT_EQ(slot(0).Repeat(), 1);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MacroEditorTest, ApplyRepeatCountStoresTheCountAlsoInPlayOnceMode) {
  MakeMacros({u"one"});
  slot(0).SetRepeat(8);
  EXPECT_TRUE(editor.ApplyRepeatCount(u"1", ini, kFile));
  EXPECT_EQ(slot(0).Repeat(), 1);
}

TEST_F(MacroEditorTest, ApplyRepeatCountWithoutMacrosWritesNothing) {
  EXPECT_FALSE(editor.ApplyRepeatCount(u"5", ini, kFile));
  EXPECT_EQ(files.commits(), 0);
  EXPECT_FALSE(files.Read(kFile).has_value());
}

// The language's macro file is there but cannot be read (locked, no access):
// the macros shown are kept and reported, and nothing writes them over the
// file, also once it can be read again, until a load succeeds or the user
// adds a macro.
TEST_F(MacroEditorTest, AMacroFileThatCannotBeReadIsNotWrittenOverUntilAMacroIsAdded) {
  for (const FileReadStatus failure : {FileReadStatus::kUnreadable, FileReadStatus::kIncomplete}) {
    SCOPED_TRACE(static_cast<int>(failure));
    MakeMacros({u"one", u"two"});
    const std::string theirs = "[Macros]\r\nmacroNum=3\r\n0=1\r\n1=2\r\n2=3\r\n";
    files.Put(kFile, theirs);
    files.SetReadFailure(kFile, failure);
    messages.shown.clear();

    EXPECT_FALSE(LoadMacroFile(ini, messages, kFile, tables, state));
    EXPECT_EQ(user().count, 2);
    EXPECT_EQ(slot(1).Name(), u"two");
    EXPECT_EQ(messages.shown, std::vector<Text>{UnreadableMacroFileMessage(kFile, 1)});

    files.SetReadFailure(kFile, FileReadStatus::kOk);
    editor.RebuildMacroList();
    editor.SelectMacro(1);
    EXPECT_FALSE(editor.ApplyRepeatCount(u"4", ini, kFile));
    EXPECT_EQ(slot(1).Repeat(), 4);
    EXPECT_EQ(files.Read(kFile), theirs);

    editor.AddMacro(u"three");
    EXPECT_TRUE(editor.ApplyRepeatCount(u"2", ini, kFile));
    UserMacroTable saved;
    MacroEditState loadState;
    ASSERT_TRUE(LoadMacroFile(ini, messages, kFile, saved, loadState));
    EXPECT_EQ(saved.count, 3);
  }
}

// ---------------------------------------------------------------------------
// Context-menu commands

TEST_F(MacroEditorTest, InsertOnAnEmptyListCreatesEventZeroAndSelectsLineZero) {
  for (const EventListCommand command :
       {EventListCommand::kInsertBefore, EventListCommand::kInsertAfter}) {
    SCOPED_TRACE(static_cast<int>(command));
    slot(0).SetCount(0);
    MakeMacros({u"one"});
    // A right-click below an empty list leaves a line that does not exist.
    RightClick(0, 4);
    ASSERT_EQ(editor.event_line_count(), 0);

    EXPECT_FALSE(editor.RunCommand({command, kRightDown}));

    EXPECT_EQ(EventsOf(slot(0)), std::vector<MacroEvent>{kRightDown});
    EXPECT_EQ(slot(0).Delay(0), kDefaultEventDelay);
    EXPECT_EQ(events.lines.size(), 1u);
    if (command == EventListCommand::kInsertAfter) {
      EXPECT_EQ(state.selected_line, 0);
      EXPECT_EQ(events.selected_line, 0);
    }
  }
}

TEST_F(MacroEditorTest, InsertBeforeAndAfterARightClickedEvent) {
  const struct {
    EventListCommand command;
    int line;
    std::vector<MacroEvent> events;
  } cases[] = {
      // Line 2 is event 1; line 3 is the delay after event 1.
      {EventListCommand::kInsertBefore, 2, {kPressA, kLeftUp, kReleaseA}},
      {EventListCommand::kInsertAfter, 2, {kPressA, kReleaseA, kLeftUp}},
      {EventListCommand::kInsertBefore, 1, {kLeftUp, kPressA, kReleaseA}},
      {EventListCommand::kInsertAfter, 1, {kPressA, kLeftUp, kReleaseA}},
      {EventListCommand::kInsertAfter, 0, {kPressA, kLeftUp, kReleaseA}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("line " + std::to_string(c.line) + " command " +
                 std::to_string(static_cast<int>(c.command)));
    MakeMacros({u"one"});
    Fill(slot(0), {kPressA, kReleaseA});
    RightClick(0, c.line);

    editor.RunCommand({c.command, kLeftUp});

    EXPECT_EQ(EventsOf(slot(0)), c.events);
    EXPECT_EQ(events.lines.size(), 5u);
    // The selection follows the line down past the new event.
    EXPECT_EQ(state.selected_line, c.line + 2);
  }
}

TEST_F(MacroEditorTest, InsertAfterTheLastLineAppends) {
  MakeMacros({u"one"});
  Fill(slot(0), {kPressA, kReleaseA, kPressB});
  RightClick(0, 4);
  editor.RunCommand({EventListCommand::kInsertAfter, kMidDown});
  EXPECT_EQ(EventsOf(slot(0)), (std::vector<MacroEvent>{kPressA, kReleaseA, kPressB, kMidDown}));
  EXPECT_EQ(slot(0).Delay(2), 102);
  EXPECT_EQ(slot(0).Delay(3), kDefaultEventDelay);
  EXPECT_EQ(events.lines.size(), 7u);
}

TEST_F(MacroEditorTest, InsertActsOnTheMacroSelectedAtTheRightClick) {
  MakeMacros({u"one", u"two"});
  Fill(slot(1), {kPressB});
  RightClick(1, 0);
  editor.SelectMacro(0);
  editor.RunCommand({EventListCommand::kInsertBefore, kLeftDown});
  EXPECT_EQ(EventsOf(slot(1)), (std::vector<MacroEvent>{kLeftDown, kPressB}));
  EXPECT_EQ(slot(0).Count(), 0);
}

TEST_F(MacroEditorTest, ADelayLineDeletesTheEventBeforeIt) {
  MakeMacros({u"one"});
  Fill(slot(0), {kPressA, kReleaseA, kPressB});
  RightClick(0, 3);
  ASSERT_EQ(editor.edit_event(), 1);

  EXPECT_FALSE(editor.RunCommand({EventListCommand::kDelete, {}}));

  EXPECT_EQ(EventsOf(slot(0)), (std::vector<MacroEvent>{kPressA, kPressB}));
  EXPECT_EQ(slot(0).Delay(1), 102);
  EXPECT_EQ(state.selected_line, 1);
  EXPECT_EQ(events.lines.size(), 3u);
}

TEST_F(MacroEditorTest, AFullRecordShowsOverflowAndStaysUnchanged) {
  MakeMacros({u"one"});
  Fill(slot(0), std::vector<MacroEvent>(kMacroEditLimit, kPressA));
  const auto before = slot(0).ToBytes();
  for (const EventListCommand command :
       {EventListCommand::kInsertBefore, EventListCommand::kInsertAfter}) {
    messages.shown.clear();
    RightClick(0, 2);
    editor.RunCommand({command, kLeftDown});
    EXPECT_EQ(messages.shown, std::vector<Text>{u"Overflow!!!"});
    EXPECT_EQ(slot(0).ToBytes(), before);
    EXPECT_EQ(state.selected_line, 2);
  }
}

// Records each message box and whether another thread could have taken the
// macro lock while it was shown.
class LockProbingMessages final : public MessageBoxes {
 public:
  explicit LockProbingMessages(std::mutex& lock) : lock_(lock) {}
  void Show(TextView text) override {
    shown.emplace_back(text);
    lock_free.push_back(std::async(std::launch::async, [this] {
                          if (!lock_.try_lock()) return false;
                          lock_.unlock();
                          return true;
                        }).get());
  }
  std::vector<Text> shown;
  std::vector<bool> lock_free;

 private:
  std::mutex& lock_;
};

TEST_F(MacroEditorTest, OverflowIsShownWithoutTheLockHeld) {
  LockProbingMessages probe(tables.mutex);
  MacroEditor probed(tables, state, events, macro_list, probe);
  MakeMacros({u"one"});
  Fill(slot(0), std::vector<MacroEvent>(kMacroEditLimit, kPressA));
  probed.TakeEditTarget(0, 0, static_cast<int>(events.lines.size()));
  probed.RunCommand({EventListCommand::kInsertAfter, kLeftDown});
  EXPECT_EQ(probe.shown, std::vector<Text>{u"Overflow!!!"});
  EXPECT_EQ(probe.lock_free, std::vector<bool>{true});
}

TEST_F(MacroEditorTest, ModifyDelayOpensTheEditorOnlyOnADelayLine) {
  MakeMacros({u"one", u"two"});
  Fill(slot(0), {kPressA, kReleaseA});
  const struct {
    int macro;
    int line;
    bool edit;
  } cases[] = {
      {0, 1, true},   // the delay after event 0
      {0, 0, false},  // an event line
      {0, 2, false},
      {1, 1, false},  // empty list
  };
  for (const auto& c : cases) {
    RightClick(c.macro, c.line);
    EXPECT_EQ(editor.RunCommand({EventListCommand::kModifyDelay, {}}), c.edit)
        << c.macro << " line " << c.line;
  }
  EXPECT_EQ(EventsOf(slot(0)), (std::vector<MacroEvent>{kPressA, kReleaseA}));
}

TEST_F(MacroEditorTest, CommandsDoNothingWithoutATargetOrWhileRecording) {
  MakeMacros({u"one"});
  Fill(slot(0), {kPressA, kReleaseA});
  const auto before = slot(0).ToBytes();
  const EventListChoice choices[] = {
      {EventListCommand::kInsertBefore, kLeftDown},
      {EventListCommand::kInsertAfter, kLeftDown},
      {EventListCommand::kDelete, {}},
      {EventListCommand::kModifyDelay, {}},
  };

  editor.SelectEventLine(1);
  editor.TakeEditTarget(1, MacroListModel::kNoLine, 3);
  EXPECT_EQ(editor.edit_slot(), -1);
  for (const EventListChoice& choice : choices) EXPECT_FALSE(editor.RunCommand(choice));
  editor.CommitDelay(u"5ms");
  EXPECT_EQ(slot(0).ToBytes(), before);

  RightClick(0, 1);
  state.recording = true;
  for (const EventListChoice& choice : choices) EXPECT_FALSE(editor.RunCommand(choice));
  EXPECT_EQ(slot(0).ToBytes(), before);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MacroEditorTest, TakeEditTargetBoundsTheMacroToTheLastUserMacro) {
  editor.TakeEditTarget(7, 14, 9);
  EXPECT_EQ(editor.edit_slot(), 11);
  EXPECT_EQ(editor.edit_event(), 3);
  EXPECT_EQ(editor.event_line_count(), 9);
  editor.TakeEditTarget(-1, 3, 0);
  EXPECT_EQ(editor.edit_slot(), 3);
  EXPECT_EQ(editor.edit_event(), 0);
}

TEST_F(MacroEditorTest, CommitDelayStoresTheTypedDelayAndRebuildsTheList) {
  MakeMacros({u"one"});
  Fill(slot(0), {kPressA, kReleaseA, kPressB});
  RightClick(0, 3);
  // The commit is taken also while recording, and may come twice.
  state.recording = true;
  editor.CommitDelay(u"70000ms");
  editor.CommitDelay(u"70000ms");
  EXPECT_EQ(slot(0).Delay(1), 4464);
  EXPECT_EQ(slot(0).Delay(0), 100);
  EXPECT_EQ(events.lines[3], DelayLineText(4464));
}

TEST_F(MacroEditorTest, AnEditOutsideTheTargetsDelayLineStoresNothing) {
  MakeMacros({u"one", u"two"});
  Fill(slot(0), {kPressA, kReleaseA, kPressB});
  Fill(slot(1), {kPressB, kReleaseB});
  const auto one = slot(0).ToBytes();
  const auto two = slot(1).ToBytes();
  struct Case {
    const char* name;
    std::function<void()> setUp;
  };
  const Case cases[] = {
      // Ctrl+A on an event line opens the editor without "Modify Delay".
      {"an event line", [&] { RightClick(0, 2); }},
      // The target was taken in another macro than the one now shown.
      {"another macro", [&] {
         RightClick(0, 3);
         editor.SelectMacro(1);
         editor.SelectEventLine(1);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.setUp();
    editor.CommitDelay(u"250");
    EXPECT_EQ(slot(0).ToBytes(), one);
    EXPECT_EQ(slot(1).ToBytes(), two);
    // The list shows the current macro as it is stored.
    ASSERT_FALSE(events.lines.empty());
    EXPECT_EQ(events.lines[1], DelayLineText(100));
  }
}

TEST_F(MacroEditorTest, TheEditsChangeOnlyWhenACommandSetsThem) {
  MakeMacros({u"one", u"two"});
  Fill(slot(0), {kPressA, kReleaseA});
  slot(0).SetMode(1);
  slot(0).SetRepeat(7);
  editor.SelectMacro(0);
  EXPECT_TRUE(macro_list.name_changed);
  EXPECT_TRUE(events.repeat_changed);
  macro_list.name_changed = events.repeat_changed = false;
  // Adding leaves both edits as the user typed them.
  editor.AddMacro(u"three");
  EXPECT_FALSE(macro_list.name_changed);
  EXPECT_FALSE(events.repeat_changed);
  // Apply shows the corrected count even when it reads as before.
  editor.SelectMacro(0);
  macro_list.name_changed = events.repeat_changed = false;
  ASSERT_TRUE(editor.ApplyRepeatCount(u"0", ini, kFile));
  EXPECT_TRUE(events.repeat_changed);
  EXPECT_EQ(events.repeat_text, u"1");
}

}  // namespace
}  // namespace zlv
