// The function menus and the warning dialog: rows and hit tests, the four
// submenu groups with their codes and offsets, what a release chooses, and
// the paint plans.
#include "ui/function_menu.h"

#include <gtest/gtest.h>

namespace zlv::ui {
namespace {

// A first level from a 120 x 205 mask: rows of 20 pixels, a window of 201.
const MenuGeometry kFirst = MenuGeometryOf(120, 205, kMenuRows, kMenuRows);

TEST(FunctionMenu, GeometryFromTheMask) {
  EXPECT_EQ(kFirst.itemWidth, 120);
  EXPECT_EQ(kFirst.itemHeight, 20);
  EXPECT_EQ(kFirst.WindowHeight(), 201);
  EXPECT_EQ(MenuGeometryOf(100, 240, kSubmenuRowSlots, 6).WindowHeight(), 121);
  EXPECT_EQ(MenuGeometryOf(100, 240, kSubmenuRowSlots, 0).WindowHeight(), 0);
  EXPECT_EQ(MenuGeometryOf(0, 0, kMenuRows, kMenuRows).itemHeight, 0);  // no picture
}

TEST(FunctionMenu, RowsAreHitTestedAsBands) {
  struct Case {
    PixelPoint point;
    int row;
  };
  for (const Case c : {Case{{0, 0}, 1}, Case{{119, 19}, 1}, Case{{0, 20}, 2}, Case{{60, 199}, 10},
                       Case{{60, 200}, 11},  // the bottom pixel line: row 11, chooses nothing
                       Case{{120, 5}, kNoRow}, Case{{-1, 5}, kNoRow}, Case{{5, 240}, kNoRow}}) {
    SCOPED_TRACE(testing::Message() << c.point.x << "," << c.point.y);
    EXPECT_EQ(MenuRowAt(kFirst, c.point, kMenuHitRows), c.row);
  }
}

TEST(FunctionMenu, GroupsCodesAndOffsets) {
  struct Case {
    int row;
    int macros;
    int rows;
    int firstCode;
    int offsetRows;
  };
  for (const Case c : {Case{7, 0, 6, 11, 1}, Case{8, 0, 10, 21, -2}, Case{9, 12, 12, 41, -3},
                       Case{9, 1, 1, 41, 8}, Case{9, 0, 0, 41, 9}, Case{9, 40, 12, 41, -3},
                       Case{10, 3, 8, 31, 2}}) {
    SCOPED_TRACE(c.row);
    const SubmenuGroup g = SubmenuGroupOf(c.row, c.macros);
    EXPECT_EQ(g.rows, c.rows);
    EXPECT_EQ(g.firstCode, c.firstCode);
    EXPECT_EQ(g.offsetRows, c.offsetRows);
  }
  for (int row : {1, 6, 11, kNoRow}) EXPECT_FALSE(OpensSubmenu(row)) << row;
  // With 12 macros the submenu starts 3 rows above the first level's top;
  // with one it starts at row 9's top.
  EXPECT_EQ(SubmenuOrigin(kFirst, SubmenuGroupOf(9, 12)), (PixelPoint{120, -60}));
  EXPECT_EQ(SubmenuOrigin(kFirst, SubmenuGroupOf(9, 1)), (PixelPoint{120, 160}));
}

TEST(FunctionMenu, ReleasesChooseOnlyRealRows) {
  EXPECT_EQ(FirstLevelRelease(1), (MenuChoice{true, 1, true}));
  EXPECT_EQ(FirstLevelRelease(6), (MenuChoice{true, 6, true}));
  for (int row : {7, 10, 11, kNoRow}) EXPECT_EQ(FirstLevelRelease(row), MenuChoice{}) << row;
  const SubmenuGroup media = SubmenuGroupOf(8, 0);
  EXPECT_EQ(SubmenuRelease(media, 1), (MenuChoice{true, 21, true}));
  EXPECT_EQ(SubmenuRelease(media, 10), (MenuChoice{true, 30, true}));
  EXPECT_EQ(SubmenuRelease(media, 11), (MenuChoice{false, 0, true}));
  EXPECT_EQ(SubmenuRelease(SubmenuGroupOf(9, 3), 3), (MenuChoice{true, 43, true}));
  EXPECT_EQ(SubmenuRelease(SubmenuGroupOf(9, 3), 4), (MenuChoice{false, 0, true}));
  EXPECT_EQ(SubmenuRelease(SubmenuGroupOf(7, 0), 6), (MenuChoice{true, 16, true}));
  EXPECT_EQ(SubmenuRelease(SubmenuGroupOf(10, 0), 8), (MenuChoice{true, 38, true}));
}

TEST(FunctionMenu, RowTextsComeFromLabelsOrMacroNames) {
  FunctionLabels labels;
  labels[1] = u"Left";
  labels[12] = u"Twelve";
  labels[38] = u"Last";
  const std::vector<Text> names = {u"a", u"b"};
  EXPECT_EQ(FirstLevelRowText(labels, 1), u"Left");
  EXPECT_EQ(SubmenuRowText(SubmenuGroupOf(7, 2), labels, names, 2), u"Twelve");
  EXPECT_EQ(SubmenuRowText(SubmenuGroupOf(10, 2), labels, names, 8), u"Last");
  EXPECT_EQ(SubmenuRowText(SubmenuGroupOf(9, 2), labels, names, 2), u"b");
  EXPECT_EQ(SubmenuRowText(SubmenuGroupOf(9, 5), labels, names, 4), u"");  // no such name
  EXPECT_EQ(SubmenuRowText(SubmenuGroupOf(9, 2), labels, names, 3), u"");
}

TEST(FunctionMenu, PlanHighlightsTheHoveredRow) {
  const std::vector<Text> texts = {u"r1", u"r2", u"r3", u"r4", u"r5", u"r6", u"r7", u"r8", u"r9", u"r10"};
  struct Case {
    int hover;
    bool pressed;
    bool band;
    Face face;
  };
  for (const Case c : {Case{3, false, true, Face::kOver}, Case{3, true, true, Face::kDown},
                       Case{kNoRow, false, false, Face::kOver}, Case{11, false, false, Face::kOver}}) {
    SCOPED_TRACE(c.hover);
    const std::vector<PaintStep> steps = PlanMenu(kFirst, c.hover, c.pressed, texts);
    ASSERT_EQ(steps.size(), (c.band ? 1u : 0u) + 10u);
    if (c.band) {
      EXPECT_EQ(steps[0].face, c.face);
      EXPECT_EQ(steps[0].rect, (PixelRect{0, 40, 120, 60}));
    }
    for (const PaintStep& s : steps) {
      if (s.kind != PaintStep::Kind::kText) continue;
      EXPECT_EQ(s.colour, s.text == u"r3" && c.hover == 3 ? kPaintRed : kPaintWhite) << s.text.size();
    }
  }
}

TEST(WarningDialog, FirstButtonWinsAndOnlyButtonsAreHovered) {
  WarningLayout layout;
  layout[0] = SkinEntry{10, 10, 50, 20, u"OK"};
  layout[1] = SkinEntry{40, 10, 50, 20, u"Cancel"};  // overlaps the first
  layout[2] = SkinEntry{0, 40, 100, 20, u"Message"};
  struct Case {
    PixelPoint point;
    int hover;
  };
  for (const Case c : {Case{{10, 10}, 1}, Case{{45, 15}, 1}, Case{{60, 15}, 2}, Case{{89, 29}, 2},
                       Case{{50, 45}, kNoRow}, Case{{0, 0}, kNoRow}}) {
    EXPECT_EQ(WarningHoverAt(layout, c.point), c.hover) << c.point.x << "," << c.point.y;
  }
  const std::vector<PaintStep> steps = PlanWarning(layout, 2);
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0].face, Face::kOver);
  EXPECT_EQ(steps[0].rect, (PixelRect{40, 10, 90, 30}));
  for (std::size_t i = 1; i < 4; ++i) EXPECT_EQ(steps[i].colour, kPaintWarningText);
  EXPECT_EQ(PlanWarning(layout, kNoRow).size(), 3u);
}

TEST(WarningDialog, KeepsInsideTheWorkArea) {
  const PixelRect work{0, 0, 1280, 994};  // a task bar of 30 pixels below
  struct Case {
    const char* what;
    PixelPoint asked;
    int width, height;
    PixelPoint placed;
  };
  const Case cases[] = {
      {"inside", {100, 120}, 340, 150, {100, 120}},
      {"past the bottom", {100, 900}, 340, 150, {100, 844}},
      {"past the right", {1100, 120}, 340, 150, {940, 120}},
      {"past both", {1250, 990}, 340, 150, {940, 844}},
      {"above and left", {-50, -20}, 340, 150, {0, 0}},
      {"larger than the area", {10, 10}, 1400, 1100, {0, 0}},
      {"exactly at the edge", {940, 844}, 340, 150, {940, 844}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeepInside(c.asked, c.width, c.height, work), c.placed) << c.what;
  }
  // Another monitor's work area, left of and above the primary one.
  EXPECT_EQ(KeepInside({-100, -900}, 340, 150, PixelRect{-1920, -1080, 0, 0}), (PixelPoint{-340, -900}));
}

}  // namespace
}  // namespace zlv::ui
