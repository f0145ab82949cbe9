// Skin picture paths and the geometry of centred skin text.
#include "ui/picture_geometry.h"

#include <gtest/gtest.h>

#include <climits>

namespace zlv::ui {
namespace {

TEST(SkinPicturePath, NamesAreAppendedToTheSkinsFolder) {
  EXPECT_EQ(SkinPicturePath(u"C:\\Games\\ZLV", u"\\main_mask.jpg"),
            u"C:\\Games\\ZLV\\skins\\main_mask.jpg");
  EXPECT_EQ(SkinsDir(u"D:\\\u9F20\u6807"), u"D:\\\u9F20\u6807\\skins");
}

TEST(CenteredTextOrigin, HalvesRoundTowardZero) {
  struct Case {
    PixelRect box;
    int textWidth, textHeight;
    PixelPoint origin;
  };
  const Case cases[] = {
      {{10, 20, 110, 40}, 40, 14, {40, 23}},
      {{10, 20, 111, 41}, 40, 14, {40, 23}},  // odd leftovers 61 and 7 lose their half
      {{10, 20, 20, 30}, 15, 13, {8, 19}},    // text larger than the box: -5/2 = -2, -3/2 = -1
      {{0, 0, 0, 0}, 0, 0, {0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CenteredTextOrigin(c.box, c.textWidth, c.textHeight), c.origin);
  }
}

TEST(BandRect, EdgesOfHugeBandsAreClampedInsteadOfOverflowing) {
  EXPECT_EQ(BandRect(5, 6, 10, 20), (PixelRect{5, 6, 15, 26}));
  EXPECT_EQ(BandRect(INT_MAX - 1, INT_MIN, 100, -100),
            (PixelRect{INT_MAX - 1, INT_MIN, INT_MAX, INT_MIN}));
  EXPECT_EQ(RectShapeRect(533, 395), (PixelRect{0, 0, 533, 395}));
}

}  // namespace
}  // namespace zlv::ui
