// A hover repaint of the main window: the pointer has moved onto another
// entry, the page is planned and composed, and the result is copied to the
// target. Timed per page (main, advanced, colour) two ways in one run:
//   kept     the page's decoded pictures are kept between paints, as the main
//            window keeps one FaceSet per page;
//   decoded  the page's three pictures (normal, over, down) are decoded from
//            their JPEG files at every paint, with LoadSkinPicture's own cache
//            of decoded pixels cleared first.
// A third figure, "reloaded", takes the three pictures from LoadSkinPicture's
// cache at every paint (no decoding, a copy of each into a new bitmap).
// The target is a 32-bit memory bitmap the size of the page, not the window:
// PlanPage + ComposeAndShow, then GdiFlush so the drawing is done. The extra
// pictures of the main and colour pages (slider thumb, colour preview) are in
// the kept set only, which favours the decoded figure slightly.
//
// Reads the skin below the executable's folder (bin\skins); exits non-zero
// when it is missing or a page cannot be composed.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/window_title.h"
#include "base/file_store.h"
#include "base/message_box.h"
#include "base/text.h"
#include "base/text_win32.h"
#include "settings/function_codes.h"
#include "settings/ini_file.h"
#include "ui/main_paint.h"
#include "ui/picture_geometry.h"
#include "ui/picture_win32.h"
#include "ui/skin_layout.h"
#include "wingui/skin_painter_win32.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace zlv;

constexpr double kGoal = 10.0;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

class CountingMessages final : public MessageBoxes {
 public:
  void Show(TextView) override { ++shown; }
  int shown = 0;
};

Text ExeDir() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, length);
  dir.resize(dir.find_last_of(L"\\/") == std::wstring::npos ? 0 : dir.find_last_of(L"\\/"));
  return FromWide(dir);
}

// The entries of a page whose hover draws something: a repaint moves between
// them in turn, so each paint shows another hovered entry.
std::vector<int> HoverEntries(const ui::SkinLayout& layout, const FunctionLabels& labels, ui::Page page) {
  std::vector<int> entries;
  ui::PaintState none;
  none.page = page;
  const std::size_t plain = ui::PlanPage(layout, labels, none).size();
  for (int entry = 0; entry < ui::kNoEntry; ++entry) {
    ui::PaintState state = none;
    state.hoverMain = state.hoverAdvanced = state.hoverColor = entry;
    if (ui::PlanPage(layout, labels, state).size() != plain) entries.push_back(entry);
  }
  return entries;
}

// A memory context holding a 32-bit bitmap: the paint's target.
class Target {
 public:
  Target(int width, int height) : picture_(ui::SkinPicture::Blank(width, height)) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (dc_ != nullptr && !picture_.Empty()) old_ = SelectObject(dc_, picture_.Bitmap());
  }
  ~Target() {
    if (old_ != nullptr) SelectObject(dc_, old_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;
  HDC dc() const { return old_ != nullptr ? dc_ : nullptr; }
  // Whether any pixel is other than black: something was drawn.
  bool Drawn() const {
    GdiFlush();
    const ui::PixelView v = picture_.Pixels();
    for (int y = 0; y < v.height; ++y) {
      const std::uint8_t* row = v.data + y * v.stride;
      for (int x = 0; x < v.width; ++x) {
        if (row[x * 4] != 0 || row[x * 4 + 1] != 0 || row[x * 4 + 2] != 0) return true;
      }
    }
    return false;
  }

 private:
  ui::SkinPicture picture_;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// The median rather than the mean: on a busy machine a few paints wait for
// the processor, and they would swamp the mean.
struct Timing {
  double best = 0;
  double median = 0;
};

// Times `rounds` repaints; `paint(i)` is the i-th.
template <typename Paint>
Timing Time(int rounds, Paint paint) {
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    paint(i);
    GdiFlush();
    ms.push_back(Millis(Clock::now() - start));
  }
  std::sort(ms.begin(), ms.end());
  return Timing{ms.front(), ms[ms.size() / 2]};
}

win::FaceSet StatePictures(TextView exeDir, ui::Page page) {
  const ui::PagePictures names = ui::PicturesOf(page);
  win::FaceSet faces;
  faces.Set(ui::Face::kNormal, ui::LoadSkinPicture(ui::SkinPicturePath(exeDir, names.normal)));
  faces.Set(ui::Face::kOver, ui::LoadSkinPicture(ui::SkinPicturePath(exeDir, names.over)));
  faces.Set(ui::Face::kDown, ui::LoadSkinPicture(ui::SkinPicturePath(exeDir, names.down)));
  return faces;
}

}  // namespace

int main() {
  ui::GdiplusSession gdiplus;
  if (!gdiplus.Started()) {
    std::printf("GDI+ did not start\n");
    return 1;
  }
  const Text exeDir = ExeDir();
  DiskFileStore files;
  IniStore ini(files);
  CountingMessages messages;
  ui::SkinReader reader(ini, messages, [] {});
  ui::SkinLayout layout;
  FunctionLabels labels{};
  if (!reader.LoadPageLayouts(ui::LayoutPaths(ui::SkinsDir(exeDir), kUiEnglish), layout, labels) ||
      messages.shown != 0) {
    std::printf("the skin's layout files cannot be read below %s\n", ToUtf8(exeDir).c_str());
    return 1;
  }
  const win::SkinFonts fonts(true);

  std::printf("Hover repaint of the main window (PlanPage + ComposeAndShow onto a memory bitmap)\n");
  std::printf("  %-9s %8s %22s %22s %22s %9s\n", "page", "entries", "kept (ms best/median)",
              "reloaded (ms)", "decoded (ms)", "speed-up");
  bool ok = true;
  double worst = 1e300;
  struct PageRun {
    ui::Page page;
    const char* name;
  };
  for (const PageRun& run : {PageRun{ui::Page::kMain, "main"}, PageRun{ui::Page::kAdvanced, "advanced"},
                             PageRun{ui::Page::kColor, "colour"}}) {
    ui::ClearSkinPictureCache();
    const win::FaceSet kept = win::LoadPageFaces(exeDir, run.page);
    const SIZE size = kept.Size();
    Target target(size.cx, size.cy);
    const std::vector<int> entries = HoverEntries(layout, labels, run.page);
    if (target.dc() == nullptr || kept.Get(ui::Face::kNormal).Empty() || entries.empty()) {
      std::printf("  %-9s cannot be composed (pictures or hover entries missing)\n", run.name);
      ok = false;
      continue;
    }
    ui::PaintState state;
    state.page = run.page;
    auto hover = [&](int i) {
      const int entry = entries[static_cast<std::size_t>(i) % entries.size()];
      state.hoverMain = state.hoverAdvanced = state.hoverColor = entry;
    };
    auto compose = [&](const win::FaceSet& faces) {
      win::ComposeAndShow(target.dc(), size, faces, ui::PlanPage(layout, labels, state), fonts);
    };

    // A first paint outside the timing (fonts, code paths).
    compose(kept);
    if (!target.Drawn()) {
      std::printf("  %-9s painted nothing\n", run.name);
      ok = false;
      continue;
    }
    const Timing keptTime = Time(300, [&](int i) {
      hover(i);
      compose(kept);
    });
    const Timing reloadedTime = Time(30, [&](int i) {
      hover(i);
      compose(StatePictures(exeDir, run.page));
    });
    const Timing decodedTime = Time(20, [&](int i) {
      hover(i);
      ui::ClearSkinPictureCache();
      compose(StatePictures(exeDir, run.page));
    });
    const double speedUp = decodedTime.median / keptTime.median;
    worst = std::min(worst, speedUp);
    std::printf("  %-9s %8zu %10.3f / %9.3f %10.3f / %9.3f %10.3f / %9.3f %8.1fx\n", run.name, entries.size(),
                keptTime.best, keptTime.median, reloadedTime.best, reloadedTime.median,
                decodedTime.best, decodedTime.median, speedUp);
  }
  ui::ClearSkinPictureCache();
  if (ok) {
    std::printf("  slowest page's speed-up of kept pictures over decoding at each paint (medians): %.1fx "
                "(goal: %.0fx, %s)\n",
                worst, kGoal, worst >= kGoal ? "met" : "NOT met");
  }
  return ok ? 0 : 1;
}
