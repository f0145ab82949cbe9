#include "wingui/skin_painter_win32.h"

#include <string>
#include <utility>

#include "base/text_win32.h"
#include "ui/picture_geometry.h"

namespace zlv::win {
namespace {

// A memory context with a bitmap selected, put back and deleted on scope exit.
class SelectedBitmap {
 public:
  SelectedBitmap(HDC compatible, HBITMAP bitmap)
      : dc_(CreateCompatibleDC(compatible)),
        old_(dc_ != nullptr && bitmap != nullptr ? SelectObject(dc_, bitmap) : nullptr) {}
  ~SelectedBitmap() {
    if (dc_ == nullptr) return;
    if (old_ != nullptr) SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  SelectedBitmap(const SelectedBitmap&) = delete;
  SelectedBitmap& operator=(const SelectedBitmap&) = delete;
  HDC dc() const { return old_ != nullptr ? dc_ : nullptr; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

void DrawBandStep(HDC target, const ui::SkinPicture& picture, const ui::PaintStep& step) {
  if (picture.Empty()) return;
  SelectedBitmap source(target, picture.Bitmap());
  if (source.dc() == nullptr) return;
  const ui::PixelRect& r = step.rect;
  // The slider thumb is copied from its own corner; every other face from the
  // same place of the page.
  const bool ownCorner = step.face == ui::Face::kDpiSlider;
  BitBlt(target, r.left, r.top, r.Width(), r.Height(), source.dc(), ownCorner ? 0 : r.left,
         ownCorner ? 0 : r.top, SRCCOPY);
}

void DrawTextStep(HDC target, const ui::PaintStep& step, const SkinFonts& fonts) {
  const std::wstring wide = ToWide(step.text);
  const HGDIOBJ oldFont = SelectObject(target, fonts.Get(step.font));
  SIZE extent{};
  GetTextExtentPoint32W(target, wide.c_str(), static_cast<int>(wide.size()), &extent);
  ui::PixelPoint at = ui::CenteredTextOrigin(step.rect, extent.cx, extent.cy);
  if (step.placement == ui::TextPlacement::kLeftInset) at.x = step.rect.left + ui::kTextLeftInset;
  SetBkMode(target, TRANSPARENT);
  SetTextColor(target, step.colour);
  TextOutW(target, at.x, at.y, wide.c_str(), static_cast<int>(wide.size()));
  SelectObject(target, oldFont);
}

}  // namespace

void FaceSet::Set(ui::Face face, ui::SkinPicture picture) {
  faces_[static_cast<std::size_t>(face)] = std::move(picture);
}

const ui::SkinPicture& FaceSet::Get(ui::Face face) const {
  return faces_[static_cast<std::size_t>(face)];
}

SIZE FaceSet::Size() const {
  const ui::SkinPicture& normal = Get(ui::Face::kNormal);
  return SIZE{normal.Width(), normal.Height()};
}

FaceSet LoadPageFaces(TextView exeDir, ui::Page page) {
  FaceSet faces;
  for (int f = 0; f < ui::kFaceCount; ++f) {
    const auto face = static_cast<ui::Face>(f);
    // Only the colour page shows the preview's own pictures.
    if ((face == ui::Face::kPreviewBlue || face == ui::Face::kPreviewGray) && page != ui::Page::kColor) continue;
    if (face == ui::Face::kDpiSlider && page != ui::Page::kMain) continue;
    faces.Set(face, ui::LoadSkinPicture(ui::SkinPicturePath(exeDir, ui::PictureNameOf(face, page))));
  }
  return faces;
}

FaceSet LoadFaces(TextView exeDir, TextView normal, TextView over, TextView down) {
  FaceSet faces;
  faces.Set(ui::Face::kNormal, ui::LoadSkinPicture(ui::SkinPicturePath(exeDir, normal)));
  faces.Set(ui::Face::kOver, ui::LoadSkinPicture(ui::SkinPicturePath(exeDir, over)));
  if (!down.empty()) faces.Set(ui::Face::kDown, ui::LoadSkinPicture(ui::SkinPicturePath(exeDir, down)));
  return faces;
}

SkinFonts::SkinFonts(bool english)
    : skin_(ui::SkinFont(nullptr, english)),
      small_(english ? ui::SkinFontOfSize(nullptr, L"Consolas", 75)
                     : ui::SkinFontOfSize(nullptr, L"\u5B8B\u4F53", 90)) {}  // 宋体

HFONT SkinFonts::Get(ui::PaintFont font) const {
  return font == ui::PaintFont::kSmall ? small_.get() : skin_.get();
}

void RunPaintPlan(HDC target, const FaceSet& faces, const std::vector<ui::PaintStep>& steps,
                  const SkinFonts& fonts) {
  for (const ui::PaintStep& step : steps) {
    if (step.kind == ui::PaintStep::Kind::kBand) {
      DrawBandStep(target, faces.Get(step.face), step);
    } else {
      DrawTextStep(target, step, fonts);
    }
  }
}

void ComposeAndShow(HDC window, SIZE size, const FaceSet& faces,
                    const std::vector<ui::PaintStep>& steps, const SkinFonts& fonts) {
  ui::SkinPicture page = ui::SkinPicture::Blank(size.cx, size.cy);
  if (page.Empty()) return;
  SelectedBitmap target(window, page.Bitmap());
  if (target.dc() == nullptr) return;
  const ui::SkinPicture& normal = faces.Get(ui::Face::kNormal);
  if (!normal.Empty()) {
    SelectedBitmap source(window, normal.Bitmap());
    if (source.dc() != nullptr) BitBlt(target.dc(), 0, 0, size.cx, size.cy, source.dc(), 0, 0, SRCCOPY);
  } else {
    const RECT all{0, 0, size.cx, size.cy};
    HBRUSH ground = CreateSolidBrush(kMissingFaceGround);
    FillRect(target.dc(), &all, ground);
    DeleteObject(ground);
  }
  RunPaintPlan(target.dc(), faces, steps, fonts);
  BitBlt(window, 0, 0, size.cx, size.cy, target.dc(), 0, 0, SRCCOPY);
}

}  // namespace zlv::win
