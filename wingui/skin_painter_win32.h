// Carries out the portable paint plans (ui/main_paint.h, ui/function_menu.h)
// with GDI: the normal picture is copied into a memory picture, each band and
// text step is drawn onto it, and the result goes to the window in one copy.
// The pictures are decoded once per page and language, not at every paint.
#pragma once

#include <windows.h>

#include <array>
#include <vector>

#include "base/text.h"
#include "ui/main_paint.h"
#include "ui/picture_win32.h"

namespace zlv::win {

// The decoded pictures a skinned window is composed from, one per face.
class FaceSet {
 public:
  void Set(ui::Face face, ui::SkinPicture picture);
  const ui::SkinPicture& Get(ui::Face face) const;
  // Width and height of the normal face (0 x 0 without one).
  SIZE Size() const;

 private:
  std::array<ui::SkinPicture, ui::kFaceCount> faces_;
};

// The main window's faces of a page, below `exeDir`\skins.
FaceSet LoadPageFaces(TextView exeDir, ui::Page page);
// A menu's or dialog's faces: normal, over and (when named) down.
FaceSet LoadFaces(TextView exeDir, TextView normal, TextView over, TextView down);

// The two fonts of the skin in one language, made once.
class SkinFonts {
 public:
  explicit SkinFonts(bool english);
  HFONT Get(ui::PaintFont font) const;

 private:
  ui::UniqueFont skin_;
  ui::UniqueFont small_;
};

// Draws the steps onto `target`, a memory context that already holds the
// normal face. Steps whose picture is missing draw nothing.
void RunPaintPlan(HDC target, const FaceSet& faces, const std::vector<ui::PaintStep>& steps,
                  const SkinFonts& fonts);

// The ground a composition starts from when its normal face is missing.
inline constexpr COLORREF kMissingFaceGround = RGB(24, 30, 38);

// Composes the normal face (or, without one, kMissingFaceGround) and the steps off screen at the given size and
// copies the result to `window` at (0, 0) in one copy.
void ComposeAndShow(HDC window, SIZE size, const FaceSet& faces,
                    const std::vector<ui::PaintStep>& steps, const SkinFonts& fonts);

}  // namespace zlv::win
