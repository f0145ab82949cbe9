// The main window's pointer decisions: hit tests, what a press and a release
// mean on each page, and the setting edits they make.
#include "ui/main_pointer.h"

#include <gtest/gtest.h>

namespace zlv::ui {
namespace {

using V = PointerVerb;

// Main entries in row 0, advanced in row 100, colour in row 200, each a
// 10 x 10 square at x = 10 * index; the fire-time bar is 200 wide.
SkinLayout TestLayout() {
  SkinLayout layout;
  auto fill = [](auto& table, int y) {
    for (std::size_t i = 0; i < table.size(); ++i) {
      table[i] = SkinEntry{static_cast<std::int32_t>(10 * i), y, 10, 10, u""};
    }
  };
  fill(layout.MainEntries, 0);
  fill(layout.AdvancedEntries, 100);
  fill(layout.ColorEntries, 200);
  layout.AdvancedEntries[30] = SkinEntry{500, 300, 200, 10, u""};
  return layout;
}

TEST(MainHitTest, FirstContainingEntryWinsAndEdgesAreExclusive) {
  std::array<SkinEntry, 4> entries{};
  entries[1] = SkinEntry{10, 10, 20, 20, u""};
  entries[2] = SkinEntry{0, 0, 100, 100, u""};  // covers entry 1
  entries[3] = SkinEntry{200, 0, 10, 10, u""};
  struct Case {
    PixelPoint point;
    int last;
    int hit;
  };
  for (const Case c : {Case{{10, 10}, 3, 1}, Case{{29, 29}, 3, 1}, Case{{30, 10}, 3, 2},
                       Case{{5, 5}, 3, 2}, Case{{100, 5}, 3, kNoEntry}, Case{{205, 5}, 2, kNoEntry},
                       Case{{205, 5}, 3, 3}, Case{{205, 5}, 99, 3}, Case{{-1, 5}, 3, kNoEntry}}) {
    SCOPED_TRACE(testing::Message() << c.point.x << "," << c.point.y << " last " << c.last);
    EXPECT_EQ(HitTest(c.point, entries, c.last), c.hit);
  }
}

TEST(MainHitTest, MainTableHitRangeDependsOnThePage) {
  const SkinLayout layout = TestLayout();
  EXPECT_EQ(HitAll(layout, Page::kMain, {305, 5}).main, 30);
  EXPECT_EQ(HitAll(layout, Page::kAdvanced, {305, 5}).main, kNoEntry);
  EXPECT_EQ(HitAll(layout, Page::kMain, {805, 5}).main, kNoEntry);  // 80: never hit
  EXPECT_EQ(HitAll(layout, Page::kMain, {375, 105}).advanced, 37);
  EXPECT_EQ(HitAll(layout, Page::kMain, {385, 105}).advanced, kNoEntry);
  EXPECT_EQ(HitAll(layout, Page::kColor, {45, 205}).color, 4);
  EXPECT_EQ(HitAll(layout, Page::kColor, {55, 205}).color, kNoEntry);
}

struct PressCase {
  Page page;
  Hovers hovers;
  PointerAction action;
};

TEST(MainPress, EachPageActsOnItsOwnEntries) {
  const SkinLayout layout = TestLayout();
  constexpr int N = kNoEntry;
  const PressCase cases[] = {
      {Page::kMain, {0, N, N}, {V::kSaveProfile}},
      {Page::kMain, {9, N, N}, {V::kNone}},  // the tab of the page shown
      {Page::kMain, {10, N, N}, {V::kGoToAdvanced}},
      {Page::kMain, {11, N, N}, {V::kGoToColor}},
      {Page::kMain, {14, N, N}, {V::kImportProfile}},
      {Page::kMain, {15, N, N}, {V::kExportProfile}},
      {Page::kMain, {25, N, N}, {V::kOpenFunctionMenu, 0}},
      {Page::kMain, {30, N, N}, {V::kOpenFunctionMenu, 5}},
      {Page::kMain, {36, N, N}, {V::kSetLedMode, 0}},
      {Page::kMain, {37, N, N}, {V::kSetLedMode, 3}},
      {Page::kMain, {41, N, N}, {V::kSetWheelStatus, 0}},
      {Page::kMain, {42, N, N}, {V::kSetWheelStatus, 1}},
      {Page::kMain, {49, N, N}, {V::kToggleDpiStage, 3}},
      {Page::kMain, {56, N, N}, {V::kChooseActiveStage, 2}},
      {Page::kMain, {60, N, N}, {V::kChooseStageValue, 0, 0}},
      {Page::kMain, {73, N, N}, {V::kChooseStageValue, 2, 3}},
      {Page::kMain, {79, N, N}, {V::kChooseStageValue, 3, 4}},
      {Page::kMain, {50, N, N}, {V::kNone}},
      {Page::kMain, {N, 4, 2}, {V::kDrag}},  // other tables do not count there
      {Page::kAdvanced, {9, 4, N}, {V::kGoToMain}},
      {Page::kAdvanced, {11, N, N}, {V::kGoToColor}},
      {Page::kAdvanced, {10, N, N}, {V::kNone}},
      {Page::kAdvanced, {0, N, N}, {V::kNone}},  // save acts on the main page only
      {Page::kAdvanced, {N, 0, N}, {V::kImportMacros}},
      {Page::kAdvanced, {N, 1, N}, {V::kExportMacros}},
      {Page::kAdvanced, {N, 2, N}, {V::kAddMacro}},
      {Page::kAdvanced, {N, 3, N}, {V::kDeleteMacro}},
      {Page::kAdvanced, {N, 4, N}, {V::kToggleRecording}},
      {Page::kAdvanced, {N, 5, N}, {V::kApplyRepeatCount}},
      {Page::kAdvanced, {N, 6, N}, {V::kToggleRepeatMode}},
      {Page::kAdvanced, {N, 7, N}, {V::kToggleMacroMode}},
      {Page::kAdvanced, {N, 17, N}, {V::kSetPointerSpeed, 9}},
      {Page::kAdvanced, {N, 18, N}, {V::kSetWheelLines, 0}},
      {Page::kAdvanced, {N, 31, N}, {V::kFireTimeUp}},
      {Page::kAdvanced, {N, 32, N}, {V::kFireTimeDown}},
      {Page::kAdvanced, {N, 33, N}, {V::kNone}},
      {Page::kAdvanced, {N, N, 3}, {V::kDrag}},
      {Page::kAdvanced, {5, N, N}, {V::kNone}},  // on a frame entry: no drag
      {Page::kColor, {9, N, 2}, {V::kGoToMain}},
      {Page::kColor, {10, N, N}, {V::kGoToAdvanced}},
      {Page::kColor, {N, N, 0}, {V::kSetLedMode, 0}},
      {Page::kColor, {N, N, 3}, {V::kSetLedMode, 3}},
      {Page::kColor, {N, N, 4}, {V::kNone}},
      {Page::kColor, {N, 7, N}, {V::kDrag}},
      {Page::kColor, {13, N, N}, {V::kNone}},
  };
  for (const PressCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "page " << static_cast<int>(c.page) << " hovers "
                                    << c.hovers.main << "/" << c.hovers.advanced << "/"
                                    << c.hovers.color);
    EXPECT_EQ(DecidePress(layout, c.page, c.hovers, {0, 0}), c.action);
  }
}

TEST(MainPress, FireTimeBarTakesThePressedColumn) {
  const SkinLayout layout = TestLayout();
  const Hovers onBar{kNoEntry, 30, kNoEntry};
  struct Case {
    int x;
    int fireTime;
  };
  // The bar starts at 500 and is 200 wide: the last column gives 199 * 300 / 200.
  for (const Case c : {Case{500, 0}, Case{501, 1}, Case{600, 150}, Case{699, 298}}) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(DecidePress(layout, Page::kAdvanced, onBar, {c.x, 305}),
              (PointerAction{V::kSetFireTime, c.fireTime}));
  }
  EXPECT_EQ(FireTimeAt(SkinEntry{0, 0, 0, 10, u""}, 5), 0);
  EXPECT_EQ(FireTimeAt(SkinEntry{10, 0, 3, 10, u""}, 12), 200);
}

// The pressed look stays on until the release only where the release comes
// back to the window: not for a press that starts moving the window, also
// when it lies inside an entry of another page's table.
TEST(MainPress, OnlyAPressThatHitsAndDoesNotDragIsShownHeld) {
  const SkinLayout layout = TestLayout();
  constexpr int N = kNoEntry;
  struct Case {
    const char* what;
    Page page;
    Hovers hovers;
    bool held;
  };
  const Case cases[] = {
      {"main entry", Page::kMain, {4, N, N}, true},
      {"main entry without an action", Page::kMain, {1, N, N}, true},
      {"nothing", Page::kMain, {N, N, N}, false},
      {"main page over an advanced entry", Page::kMain, {N, 8, N}, false},
      {"main page over a colour entry", Page::kMain, {N, N, 2}, false},
      {"advanced entry", Page::kAdvanced, {N, 8, N}, true},
      {"advanced page over a colour entry", Page::kAdvanced, {N, N, 2}, false},
      {"colour entry", Page::kColor, {N, N, 2}, true},
      {"colour page over an advanced entry", Page::kColor, {N, 8, N}, false},
  };
  for (const Case& c : cases) {
    const PointerAction press = DecidePress(layout, c.page, c.hovers, PixelPoint{0, 0});
    EXPECT_EQ(PressShowsHeld(c.hovers, press), c.held) << c.what;
  }
}

TEST(MainRelease, ActsOnTheMainEntryUnderThePointerOnEveryPage) {
  struct Case {
    int entry;
    PointerAction action;
  };
  for (const Case c : {Case{2, {V::kDropEditsAndHide}}, Case{3, {V::kApply}},
                       Case{4, {V::kChooseProfile, 1}}, Case{8, {V::kChooseProfile, 5}},
                       Case{12, {V::kMinimise}}, Case{13, {V::kCloseToTray}},
                       Case{16, {V::kRestoreDefaults}}, Case{17, {V::kSwitchToChinese}},
                       Case{18, {V::kSwitchToEnglish}}, Case{19, {V::kOpenWebPage}},
                       Case{0, {V::kNone}}, Case{9, {V::kNone}}, Case{kNoEntry, {V::kNone}}}) {
    SCOPED_TRACE(c.entry);
    EXPECT_EQ(DecideRelease(Hovers{c.entry, 4, 2}), c.action);
  }
}

ProfileSettings Stages(std::array<std::uint8_t, 4> enabled, int level) {
  ProfileSettings s{};
  for (std::size_t i = 0; i < 4; ++i) s.DpiStageEnabled[i] = enabled[i];
  s.DpiLevel = level;
  return s;
}

TEST(MainSettingsEdit, DpiStageSwitchNeverLeavesTheActiveStageDisabled) {
  struct Case {
    std::array<std::uint8_t, 4> enabled;
    int level;
    int toggled;
    std::array<std::uint8_t, 4> enabledAfter;
    int levelAfter;
  };
  const Case cases[] = {
      {{0, 1, 1, 1}, 1, 1, {0, 0, 1, 1}, 2},  // active stage off: the next enabled one
      {{1, 0, 0, 1}, 3, 3, {1, 0, 0, 0}, 0},  // wraps around
      {{0, 0, 0, 1}, 3, 3, {0, 0, 0, 1}, 3},  // the only enabled stage stays on
      {{1, 1, 0, 0}, 0, 1, {1, 0, 0, 0}, 0},  // another stage: just off
      {{1, 0, 0, 0}, 0, 2, {1, 0, 1, 0}, 0},  // off: on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.toggled);
    ProfileSettings s = Stages(c.enabled, c.level);
    EXPECT_TRUE(ApplySettingsAction(s, {V::kToggleDpiStage, c.toggled}));
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(s.DpiStageEnabled[i], c.enabledAfter[i]) << i;
    EXPECT_EQ(s.DpiLevel, c.levelAfter);
  }
}

TEST(MainSettingsEdit, ActiveStageOnlyOnAnEnabledStageAndValuesMoveTheMark) {
  ProfileSettings s = Stages({1, 1, 0, 1}, 0);
  ApplySettingsAction(s, {V::kChooseActiveStage, 2});
  EXPECT_EQ(s.DpiLevel, 0);
  ApplySettingsAction(s, {V::kChooseActiveStage, 3});
  EXPECT_EQ(s.DpiLevel, 3);
  ApplySettingsAction(s, {V::kChooseStageValue, 2, 3});
  EXPECT_EQ(s.DpiStages[2], 3);
  EXPECT_EQ(s.DpiStageMarks[2], 73);
}

TEST(MainSettingsEdit, FireTimeStepsStopAtTheEnds) {
  struct Case {
    std::int32_t before;
    V verb;
    std::int32_t after;
  };
  for (const Case c : {Case{299, V::kFireTimeUp, 300}, Case{300, V::kFireTimeUp, 300},
                       Case{1, V::kFireTimeDown, 0}, Case{0, V::kFireTimeDown, 0},
                       Case{5000, V::kFireTimeDown, 300}, Case{-9, V::kFireTimeUp, 0}}) {
    ProfileSettings s{};
    s.FireTime = c.before;
    ApplySettingsAction(s, {c.verb});
    EXPECT_EQ(s.FireTime, c.after) << c.before;
  }
}

TEST(MainSettingsEdit, OtherEditsAndActionsThatAreNotEdits) {
  ProfileSettings s{};
  ApplySettingsAction(s, {V::kToggleMacroMode});
  EXPECT_EQ(s.MacroMode, 1);
  ApplySettingsAction(s, {V::kToggleMacroMode});
  EXPECT_EQ(s.MacroMode, 0);
  ApplySettingsAction(s, {V::kSetPointerSpeed, 7});
  ApplySettingsAction(s, {V::kSetWheelLines, 2});
  ApplySettingsAction(s, {V::kSetLedMode, 3});
  ApplySettingsAction(s, {V::kSetWheelStatus, 1});
  EXPECT_EQ(s.PointerSpeed, 7);
  EXPECT_EQ(s.WheelLines, 2);
  EXPECT_EQ(s.LedMode, 3);
  EXPECT_EQ(s.WheelStatus, 1);
  const ProfileSettings before = s;
  for (V verb : {V::kApply, V::kSaveProfile, V::kOpenFunctionMenu, V::kDrag, V::kChooseProfile}) {
    EXPECT_FALSE(ApplySettingsAction(s, {verb, 1}));
  }
  EXPECT_TRUE(s == before);
}

}  // namespace
}  // namespace zlv::ui
