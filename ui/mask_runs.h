// The shape of a skinned window cut from a mask picture: a pixel belongs to the
// window when at least one of its red, green and blue components is 100 or
// less, so the light parts of a mask are transparent. The shape is described
// as horizontal runs, ready for one region call. Portable: no OS headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/picture_geometry.h"

namespace zlv::ui {

inline constexpr int kMaskThreshold = 100;

inline constexpr bool KeepsMaskPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return red <= kMaskThreshold || green <= kMaskThreshold || blue <= kMaskThreshold;
}

// 32-bit pixels, four bytes each in memory order blue, green, red, unused (the
// layout of a 32-bit device-independent bitmap). Rows start stride bytes apart;
// a top-down picture has a positive stride, a bottom-up one a negative stride
// with data pointing at the top row.
struct PixelView {
  const std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};

// A run of kept pixels [left, right) on row y.
struct MaskRun {
  int y = 0;
  int left = 0;
  int right = 0;
  friend bool operator==(const MaskRun&, const MaskRun&) = default;
};

// The kept runs, row by row from the top, left to right within a row.
std::vector<MaskRun> MaskRuns(const PixelView& picture);

// The same pixels as rectangles: consecutive rows with identical runs share
// one band of rectangles. The result is sorted top to bottom and, within a
// band, left to right, with no two rectangles overlapping.
std::vector<PixelRect> MaskBands(const std::vector<MaskRun>& runs);

}  // namespace zlv::ui
