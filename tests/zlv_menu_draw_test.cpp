// Owner-drawn menu items: the teal background, the row-by-row gradient with
// its truncated integer steps, the text position and the item sizes.
#include "ui/zlv_menu_draw.h"

#include <gtest/gtest.h>

#include <vector>

namespace zlv::ui {
namespace {

using Kind = MenuDrawStep::Kind;

int Red(MenuColour c) { return static_cast<int>(c & 0xFF); }
int Green(MenuColour c) { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(MenuColour c) { return static_cast<int>((c >> 16) & 0xFF); }

TEST(MenuItemPlan, PlainItemIsTealWithWhiteTextTenPixelsIn) {
  const PixelRect item{3, 40, 120, 60};
  const std::vector<MenuDrawStep> expected = {
      {Kind::Fill, item, 0x997800},
      {Kind::Text, PixelRect{13, 40, 120, 60}, 0xFFFFFF},
  };
  EXPECT_EQ(PlanMenuItem(item, false), expected);
  EXPECT_EQ(Red(kMenuBackground), 0);
  EXPECT_EQ(Green(kMenuBackground), 120);
  EXPECT_EQ(Blue(kMenuBackground), 153);
}

TEST(MenuItemPlan, HighlightedItemIsOutlinedThenFilledRowByRowInsideTheOutline) {
  const PixelRect item{0, 20, 100, 40};
  const std::vector<MenuDrawStep> steps = PlanMenuItem(item, true);
  ASSERT_EQ(steps.size(), 1u + 18u + 1u);
  // The outline carries its own black rather than the context's pen.
  EXPECT_EQ(steps.front(), (MenuDrawStep{Kind::Outline, item, 0x000000}));
  for (int k = 0; k < 18; ++k) {
    const MenuDrawStep& line = steps[1 + k];
    SCOPED_TRACE(k);
    EXPECT_EQ(line.kind, Kind::Line);
    EXPECT_EQ(line.rect, (PixelRect{1, 21 + k, 99, 22 + k}));
    EXPECT_EQ(Red(line.colour), 0);
    EXPECT_EQ(Green(line.colour), 14 * k);  // 255 / 18 truncated: 0, 14, ..., 238
    EXPECT_EQ(Blue(line.colour), 255);
  }
  // The text uses the full item rectangle, not the shrunk one.
  EXPECT_EQ(steps.back(), (MenuDrawStep{Kind::Text, PixelRect{10, 20, 100, 40}, 0xFFFFFF}));
}

TEST(MenuItemPlan, ItemsTooLowForAGradientGetOnlyTheOutline) {
  for (int height : {2, 1, 0}) {
    SCOPED_TRACE(height);
    const std::vector<MenuDrawStep> steps = PlanMenuItem(PixelRect{0, 0, 50, height}, true);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].kind, Kind::Outline);
    EXPECT_EQ(steps[1].kind, Kind::Text);
  }
}

TEST(MenuItemPlan, CheckedItemGetsAMarkInTheMarginAfterEverythingElse) {
  for (bool highlighted : {false, true}) {
    SCOPED_TRACE(highlighted);
    const PixelRect item{3, 40, 120, 60};
    std::vector<MenuDrawStep> steps = PlanMenuItem(item, highlighted, true);
    ASSERT_FALSE(steps.empty());
    const MenuDrawStep mark = steps.back();
    steps.pop_back();
    EXPECT_EQ(steps, PlanMenuItem(item, highlighted));
    EXPECT_EQ(mark, (MenuDrawStep{Kind::Check, PixelRect{4, 46, 12, 53}, 0xFFFFFF}));
    // The mark stays left of the caption.
    EXPECT_LE(mark.rect.right, item.left + kMenuTextIndent);
  }
}

TEST(MenuGradient, GreenStepIsTruncatedAndNeverReachesTheTarget) {
  struct Case {
    int rows;
    int k;
    int green;
  };
  const Case cases[] = {
      {18, 0, 0},   {18, 1, 14},  {18, 17, 238},  // 255 / 18 = 14.17
      {1, 0, 0},                                  // one row: the start colour only
      {2, 1, 127},                                // 127.5
      {10, 9, 225},                               // 25.5
      {255, 254, 254},                            // exactly 1
      {256, 255, 0},                              // 0.996: no change at all
      {300, 299, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "rows " << c.rows << " row " << c.k);
    const MenuColour colour = MenuGradientColour(c.k, c.rows);
    EXPECT_EQ(Green(colour), c.green);
    EXPECT_EQ(Red(colour), 0);
    EXPECT_EQ(Blue(colour), 255);
  }
}

TEST(MenuItemSize, EightPixelsPerCharacterTrailingSpacesIncludedTwentyHigh) {
  struct Case {
    Text caption;
    int width;
  };
  const Case cases[] = {
      {u"Delete", 48},
      {u"Down ", 40},
      {u"Modify Delay", 96},
      {u"\u9879\u524D\u63D2\u5165", 32},              // 项前插入
      {u"\u9879\u524D\u63D2\u5165    ", 64},          // with its four trailing spaces
      {u"", 0},
      {u"\U0001F5B1", 8},                             // one character, two code units
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.caption));
    EXPECT_EQ(MeasureMenuItem(c.caption), (MenuItemSize{c.width, 20}));
  }
}

}  // namespace
}  // namespace zlv::ui
