// Skin pictures and window shapes on Windows: pictures decoded with GDI+ into
// 32-bit device-independent bitmaps, shapes cut from mask pictures, bands
// copied between faces, and the skin's text font.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

#include "base/text.h"
#include "ui/mask_runs.h"
#include "ui/picture_geometry.h"

namespace zlv::ui {

// GDI+ for the life of the object; the application makes one at start-up and
// keeps it until it ends. Pictures load only while one is alive.
class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

  bool Started() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const {
    if (object != nullptr) DeleteObject(object);
  }
};
using UniqueRegion = std::unique_ptr<std::remove_pointer_t<HRGN>, GdiObjectDeleter>;
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

// A decoded picture: a top-down 32-bit DIB section (blue, green, red, unused
// per pixel) with its size. Owns the bitmap; an empty picture has no bitmap and
// size 0 x 0, which is what a missing or undecodable file gives.
class SkinPicture {
 public:
  SkinPicture() = default;
  ~SkinPicture();
  SkinPicture(SkinPicture&& other) noexcept;
  SkinPicture& operator=(SkinPicture&& other) noexcept;
  SkinPicture(const SkinPicture&) = delete;
  SkinPicture& operator=(const SkinPicture&) = delete;

  // A blank (black) picture of the given size; empty when the size is not
  // positive or the bitmap cannot be made.
  static SkinPicture Blank(int width, int height);

  bool Empty() const { return bitmap_ == nullptr; }
  HBITMAP Bitmap() const { return bitmap_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The pixels, for reading and writing in place (GdiFlush() first when GDI
  // has drawn into the bitmap).
  PixelView Pixels() const;
  std::uint8_t* MutableBits() const { return static_cast<std::uint8_t*>(bits_); }
  // Hands the bitmap over to the caller, who deletes it with DeleteObject.
  HBITMAP Release();

 private:
  HBITMAP bitmap_ = nullptr;
  void* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// Decodes a JPEG or BMP file (anything GDI+ reads). Decoded pixels are kept
// between calls and used again while the file's last-write time and size are
// unchanged; every call returns a bitmap of its own.
SkinPicture LoadSkinPicture(TextView path);
// Forgets the decoded pixels kept by LoadSkinPicture.
void ClearSkinPictureCache();

enum class PictureFormat { Bmp, Jpeg, Png };
// Writes pixels to a file through GDI+ (screenshots, test pictures). JPEG at
// the given quality (0-100).
bool SavePicture(const PixelView& pixels, TextView path, PictureFormat format,
                 int jpegQuality = 90);

// The window shape of a mask picture: the pixels with some component of 100
// or less, as one region in picture coordinates. Empty for an empty picture.
UniqueRegion MaskShape(const SkinPicture& mask);
UniqueRegion MaskShape(const PixelView& mask);
// A region made of the given non-overlapping rectangles, sorted top to bottom.
// Up to `piece` rectangles make one region call; longer lists are cut into
// pieces of that many, merged pairwise (region calls can cost time quadratic
// in the rectangle count: Wine's does).
inline constexpr std::size_t kRegionPiece = 64;
UniqueRegion RegionFromRects(const std::vector<PixelRect>& rects,
                             std::size_t piece = kRegionPiece);
// (0, 0, width, height).
UniqueRegion RectShape(int width, int height);
// Gives the window its shape and redraws it; the window system owns the
// region afterwards (also when the call fails, the region is released).
bool ApplyShape(HWND window, UniqueRegion shape);

// Copies the rectangle (left, top, width, height) of source onto the same
// rectangle of target: plain copy, no scaling.
void CopyBand(HDC target, HDC source, int left, int top, int width, int height);

// The skin's 10-point font for a drawing context (nullptr: the screen):
// "Consolas" for English, "宋体" for Chinese, default character set.
UniqueFont SkinFont(HDC dc, bool english);
// The skin's face of the language: "Consolas" or "宋体".
const wchar_t* SkinFontFace(bool english);
// A font of the given face and size (tenths of a point) for a drawing context
// (nullptr: the screen), default character set.
UniqueFont SkinFontOfSize(HDC dc, const wchar_t* face, int tenthsOfPoint);

// Draws text centred in box in the given colour with a transparent background,
// measured with the context's current font.
void CenteredText(HDC dc, TextView text, const PixelRect& box, COLORREF colour);

}  // namespace zlv::ui
