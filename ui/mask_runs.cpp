#include "ui/mask_runs.h"

#include <cstddef>

namespace zlv::ui {

std::vector<MaskRun> MaskRuns(const PixelView& picture) {
  std::vector<MaskRun> runs;
  if (picture.data == nullptr || picture.width <= 0 || picture.height <= 0) return runs;
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = picture.data + static_cast<std::ptrdiff_t>(y) * picture.stride;
    int x = 0;
    while (x < picture.width) {
      while (x < picture.width) {
        const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * 4;
        if (KeepsMaskPixel(p[2], p[1], p[0])) break;
        ++x;
      }
      if (x == picture.width) break;
      const int left = x;
      while (x < picture.width) {
        const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * 4;
        if (!KeepsMaskPixel(p[2], p[1], p[0])) break;
        ++x;
      }
      runs.push_back(MaskRun{y, left, x});
    }
  }
  return runs;
}

std::vector<PixelRect> MaskBands(const std::vector<MaskRun>& runs) {
  std::vector<PixelRect> rects;
  // The rectangles of the band being grown start at bandStart.
  std::size_t bandStart = 0;
  std::size_t i = 0;
  while (i < runs.size()) {
    const int y = runs[i].y;
    std::size_t end = i;
    while (end < runs.size() && runs[end].y == y) ++end;
    const std::size_t count = end - i;
    bool extends = false;
    if (rects.size() - bandStart == count && bandStart < rects.size() &&
        rects[bandStart].bottom == y) {
      extends = true;
      for (std::size_t k = 0; k < count; ++k) {
        const PixelRect& r = rects[bandStart + k];
        if (r.left != runs[i + k].left || r.right != runs[i + k].right) {
          extends = false;
          break;
        }
      }
    }
    if (extends) {
      for (std::size_t k = 0; k < count; ++k) rects[bandStart + k].bottom = y + 1;
    } else {
      bandStart = rects.size();
      for (std::size_t k = i; k < end; ++k) {
        rects.push_back(PixelRect{runs[k].left, y, runs[k].right, y + 1});
      }
    }
    i = end;
  }
  return rects;
}

}  // namespace zlv::ui
