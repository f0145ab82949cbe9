// Window shape of an 800 x 600 mask: the region built from horizontal runs in
// one call, beside the same region built by removing each light pixel from
// the full rectangle with an exclusive-or combine. Prints both times and the
// ratio; exits non-zero when the two regions differ.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "base/text.h"
#include "ui/mask_runs.h"
#include "ui/picture_win32.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// A skin-like mask: a dark window with rounded corners and a round cut-out on
// white, with JPEG-like noise in a band along every edge.
std::vector<std::uint8_t> MakeMask() {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kWidth) * kHeight * 4);
  std::mt19937 random(12345);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int cx = std::clamp(x, 60, kWidth - 61), cy = std::clamp(y, 60, kHeight - 61);
      const double corner = std::hypot(x - cx, y - cy);  // 0 inside the straight edges
      const double hole = std::hypot(x - 560, y - 300) - 90.0;
      const double edge = std::min(std::abs(corner - 55.0), std::abs(hole));
      bool dark = corner < 55.0 && hole > 0.0;
      std::uint8_t level = dark ? 25 : 250;
      if (edge < 3.0) level = static_cast<std::uint8_t>(60 + random() % 120);  // noisy edge
      std::uint8_t* p = &bytes[(static_cast<std::size_t>(y) * kWidth + x) * 4];
      p[0] = level;
      p[1] = static_cast<std::uint8_t>(std::min(255, level + static_cast<int>(random() % 8)));
      p[2] = level;
      p[3] = 0xFF;
    }
  }
  return bytes;
}

HRGN ShapeByPixels(const zlv::ui::PixelView& v) {
  HRGN shape = CreateRectRgn(0, 0, v.width, v.height);
  for (int x = 0; x < v.width; ++x) {
    for (int y = 0; y < v.height; ++y) {
      const std::uint8_t* p = v.data + y * v.stride + x * 4;
      if (!zlv::ui::KeepsMaskPixel(p[2], p[1], p[0])) {
        HRGN pixel = CreateRectRgn(x, y, x + 1, y + 1);
        CombineRgn(shape, shape, pixel, RGN_XOR);
        DeleteObject(pixel);
      }
    }
  }
  return shape;
}

double Millis(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Best and mean time of a region construction over some rounds; keeps the
// last region built.
struct Timing {
  double best = 1e300;
  double mean = 0;
};
template <typename Build>
Timing Time(int rounds, zlv::ui::UniqueRegion& region, Build build) {
  Timing t;
  for (int i = 0; i < rounds; ++i) {
    region.reset();
    const auto start = Clock::now();
    region = build();
    const double ms = Millis(Clock::now() - start);
    t.best = std::min(t.best, ms);
    t.mean += ms / rounds;
  }
  return t;
}

// Times the constructions on one mask; false when a region differs from the
// per-pixel one.
bool Compare(const char* name, const zlv::ui::PixelView& view) {
  const std::vector<zlv::ui::MaskRun> runs = zlv::ui::MaskRuns(view);
  const std::vector<zlv::ui::PixelRect> bands = zlv::ui::MaskBands(runs);
  std::printf("MaskShape, %s, %d x %d (%zu runs, %zu rectangles after banding)\n", name,
              view.width, view.height, runs.size(), bands.size());

  zlv::ui::UniqueRegion slow;
  const Timing perPixel = Time(3, slow, [&] { return zlv::ui::UniqueRegion(ShapeByPixels(view)); });

  bool ok = true;
  zlv::ui::UniqueRegion fast;
  const Timing shape = Time(30, fast, [&] { return zlv::ui::MaskShape(view); });
  ok &= EqualRgn(fast.get(), slow.get()) != 0;
  zlv::ui::UniqueRegion single;
  const Timing oneCall = Time(10, single, [&] {
    return zlv::ui::RegionFromRects(zlv::ui::MaskBands(zlv::ui::MaskRuns(view)), SIZE_MAX);
  });
  ok &= EqualRgn(single.get(), slow.get()) != 0;

  std::printf("  MaskShape (runs, pieces of %zu merged): %9.3f ms best, %9.3f ms mean\n",
              zlv::ui::kRegionPiece, shape.best, shape.mean);
  std::printf("  runs in a single ExtCreateRegion     : %9.3f ms best, %9.3f ms mean\n",
              oneCall.best, oneCall.mean);
  std::printf("  per-pixel XOR CombineRgn             : %9.3f ms best, %9.3f ms mean\n",
              perPixel.best, perPixel.mean);
  std::printf("  speed-up of MaskShape                : %9.1f x best, %9.1f x mean (goal: 50 x)\n",
              perPixel.best / shape.best, perPixel.mean / shape.mean);
  std::printf("  speed-up of the single call          : %9.1f x best\n",
              perPixel.best / oneCall.best);
  std::printf("  regions equal                        : %s\n", ok ? "yes" : "NO");
  return ok;
}

}  // namespace

// Arguments: mask pictures (JPEG or BMP) to time besides the generated one.
int main(int argc, char** argv) {
  bool ok = true;
  const std::vector<std::uint8_t> bytes = MakeMask();
  ok &= Compare("generated mask with noisy edges",
                zlv::ui::PixelView{bytes.data(), kWidth, kHeight, kWidth * 4});

  zlv::ui::GdiplusSession gdiplus;
  for (int i = 1; i < argc; ++i) {
    const zlv::ui::SkinPicture mask = zlv::ui::LoadSkinPicture(zlv::FromUtf8(argv[i]));
    if (mask.Empty()) {
      std::printf("%s: cannot be decoded\n", argv[i]);
      ok = false;
      continue;
    }
    ok &= Compare(argv[i], mask.Pixels());
  }
  return ok ? 0 : 1;
}
