// Window shapes cut from mask pictures: which pixels stay, the runs per row,
// and the bands of rectangles built from them.
#include "ui/mask_runs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace zlv::ui {
namespace {

struct Rgb {
  std::uint8_t r, g, b;
};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// A top-down 32-bit picture (blue, green, red, unused per pixel).
class Picture {
 public:
  Picture(int width, int height, Rgb fill = kWhite)
      : width_(width), height_(height), bytes_(static_cast<std::size_t>(width * height) * 4) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) Set(x, y, fill);
  }
  void Set(int x, int y, Rgb c) {
    std::uint8_t* p = &bytes_[static_cast<std::size_t>((y * width_ + x) * 4)];
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
    p[3] = 0xFF;
  }
  PixelView View() const { return PixelView{bytes_.data(), width_, height_, width_ * 4}; }
  // The same rows read bottom-up: the last row in memory is the top one.
  PixelView FlippedView() const {
    return PixelView{bytes_.data() + static_cast<std::ptrdiff_t>((height_ - 1) * width_ * 4),
                     width_, height_, -static_cast<std::ptrdiff_t>(width_) * 4};
  }

 private:
  int width_, height_;
  std::vector<std::uint8_t> bytes_;
};

TEST(MaskPixelRule, APixelStaysWhenAnyComponentIsAtMostOneHundred) {
  struct Case {
    Rgb colour;
    bool kept;
  };
  const Case cases[] = {
      {{101, 101, 101}, false}, {{100, 255, 255}, true}, {{255, 100, 255}, true},
      {{255, 255, 100}, true},  {{101, 255, 255}, false}, {kWhite, false},
      {kBlack, true},           {{254, 253, 252}, false},  // light JPEG noise
      {{180, 96, 230}, true},                               // dark noise in one component
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << int{c.colour.r} << "," << int{c.colour.g} << ","
                                      << int{c.colour.b});
    EXPECT_EQ(KeepsMaskPixel(c.colour.r, c.colour.g, c.colour.b), c.kept);
    // The same pixel read from a picture (channel order matters).
    Picture one(1, 1, c.colour);
    EXPECT_EQ(MaskRuns(one.View()).size(), c.kept ? 1u : 0u);
  }
}

TEST(MaskRuns, WhiteMaskIsEmptyAndBlackMaskIsTheWholeRectangle) {
  EXPECT_TRUE(MaskRuns(Picture(7, 5, kWhite).View()).empty());

  const std::vector<MaskRun> runs = MaskRuns(Picture(7, 5, kBlack).View());
  ASSERT_EQ(runs.size(), 5u);
  for (int y = 0; y < 5; ++y) EXPECT_EQ(runs[y], (MaskRun{y, 0, 7}));
  EXPECT_EQ(MaskBands(runs), (std::vector<PixelRect>{{0, 0, 7, 5}}));
}

TEST(MaskRuns, RunsTouchingBothEdgesAndSeveralRunsInOneRow) {
  // Row 0: XX..X.   Row 1: ......   Row 2: .XXXXX
  Picture mask(6, 3);
  for (int x : {0, 1, 4}) mask.Set(x, 0, kBlack);
  for (int x = 1; x < 6; ++x) mask.Set(x, 2, Rgb{100, 200, 200});
  const std::vector<MaskRun> expected = {{0, 0, 2}, {0, 4, 5}, {2, 1, 6}};
  EXPECT_EQ(MaskRuns(mask.View()), expected);
  // Read bottom-up, the last row in memory comes first.
  EXPECT_EQ(MaskRuns(mask.FlippedView()),
            (std::vector<MaskRun>{{0, 1, 6}, {2, 0, 2}, {2, 4, 5}}));
}

TEST(MaskRuns, NoPictureGivesNoRuns) {
  EXPECT_TRUE(MaskRuns(PixelView{}).empty());
  Picture mask(3, 3, kBlack);
  PixelView zeroWide = mask.View();
  zeroWide.width = 0;
  EXPECT_TRUE(MaskRuns(zeroWide).empty());
}

TEST(MaskBands, IdenticalNeighbouringRowsShareABand) {
  const std::vector<MaskRun> runs = {
      {0, 1, 3}, {0, 5, 6},  // rows 0-1 alike
      {1, 1, 3}, {1, 5, 6},
      {2, 1, 3},             // one run fewer: new band
      {4, 1, 3},             // same runs as row 2 but row 3 is empty: new band
      {5, 0, 3},             // different left edge
  };
  const std::vector<PixelRect> expected = {
      {1, 0, 3, 2}, {5, 0, 6, 2}, {1, 2, 3, 3}, {1, 4, 3, 5}, {0, 5, 3, 6},
  };
  EXPECT_EQ(MaskBands(runs), expected);
  EXPECT_TRUE(MaskBands({}).empty());
}

// The bands of a noisy picture cover exactly the pixels the rule keeps.
TEST(MaskBands, CoverExactlyTheKeptPixelsOfANoisyPicture) {
  const int width = 37, height = 23;
  Picture mask(width, height);
  std::set<std::pair<int, int>> kept;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Mostly light with a dark blob whose edge is noisy, like a JPEG mask;
      // rows 10-14 repeat row 9 to give bands more than one row high.
      const int sy = (y >= 10 && y <= 14) ? 9 : y;
      std::mt19937 cell(static_cast<unsigned>(sy * 1000 + x));
      const bool inside = (x - 18) * (x - 18) + (sy - 11) * (sy - 11) < 80;
      const auto noise = static_cast<std::uint8_t>(cell() % 60);
      const Rgb c = inside ? Rgb{static_cast<std::uint8_t>(60 + noise), 200, 200}
                           : Rgb{200, static_cast<std::uint8_t>(195 - noise * 3 / 2), 255};
      mask.Set(x, y, c);
      if (KeepsMaskPixel(c.r, c.g, c.b)) kept.insert({x, y});
    }
  }
  const std::vector<PixelRect> bands = MaskBands(MaskRuns(mask.View()));
  std::set<std::pair<int, int>> covered;
  for (const PixelRect& r : bands) {
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        EXPECT_TRUE(covered.insert({x, y}).second) << "overlap at " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(covered, kept);
  EXPECT_LT(bands.size(), MaskRuns(mask.View()).size());
}

}  // namespace
}  // namespace zlv::ui
