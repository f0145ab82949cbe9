// Skin pictures decoded through GDI+, window shapes cut from masks (compared
// with a region built pixel by pixel), shapes applied to windows, bands copied
// between faces and the skin font.
#include "ui/picture_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/text_win32.h"
#include "tests/support/test_support.h"

namespace zlv::ui {
namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

// Writes a 24-bit bottom-up BMP file.
void WriteBmp(const Text& path, int width, int height, const std::function<Rgb(int, int)>& at) {
  const int rowBytes = (width * 3 + 3) & ~3;
  const std::uint32_t dataSize = static_cast<std::uint32_t>(rowBytes * height);
  std::string bytes(54 + dataSize, '\0');
  auto put16 = [&](std::size_t at16, std::uint32_t v) {
    bytes[at16] = static_cast<char>(v & 0xFF);
    bytes[at16 + 1] = static_cast<char>((v >> 8) & 0xFF);
  };
  auto put32 = [&](std::size_t at32, std::uint32_t v) {
    put16(at32, v & 0xFFFF);
    put16(at32 + 2, v >> 16);
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, 54 + dataSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  put16(26, 1);
  put16(28, 24);
  put32(34, dataSize);
  for (int y = 0; y < height; ++y) {
    const std::size_t row = 54 + static_cast<std::size_t>((height - 1 - y) * rowBytes);
    for (int x = 0; x < width; ++x) {
      const Rgb c = at(x, y);
      bytes[row + x * 3] = static_cast<char>(c.b);
      bytes[row + x * 3 + 1] = static_cast<char>(c.g);
      bytes[row + x * 3 + 2] = static_cast<char>(c.r);
    }
  }
  testing::WriteBytes(std::filesystem::path(ToWide(path)), bytes);
}

Rgb PixelAt(const PixelView& v, int x, int y) {
  const std::uint8_t* p = v.data + y * v.stride + x * 4;
  return Rgb{p[2], p[1], p[0]};
}

// The shape built as the rule is stated: the whole rectangle, with each light
// pixel removed by exclusive or, column by column.
UniqueRegion ShapeByPixels(const PixelView& v) {
  UniqueRegion shape(CreateRectRgn(0, 0, v.width, v.height));
  for (int x = 0; x < v.width; ++x) {
    for (int y = 0; y < v.height; ++y) {
      const Rgb c = PixelAt(v, x, y);
      if (c.r > 100 && c.g > 100 && c.b > 100) {
        UniqueRegion pixel(CreateRectRgn(x, y, x + 1, y + 1));
        CombineRgn(shape.get(), shape.get(), pixel.get(), RGN_XOR);
      }
    }
  }
  return shape;
}

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gdiplus_.Started());
    ClearSkinPictureCache();
  }
  GdiplusSession gdiplus_;
  testing::TempDir dir_;
};

// A 9 x 7 mask: a dark diamond on white, plus the threshold cases in row 0.
Rgb MaskPixel(int x, int y) {
  if (y == 0) {
    const Rgb row0[] = {{101, 101, 101}, {100, 255, 255}, {255, 100, 255}, {255, 255, 100},
                        {101, 255, 255}, {0, 0, 0},       {255, 255, 255}, {250, 240, 99},
                        {200, 200, 200}};
    return row0[x];
  }
  return std::abs(x - 4) + std::abs(y - 4) <= 3 ? Rgb{20, 30, 40} : Rgb{255, 255, 255};
}

TEST_F(PictureTest, BmpDecodesExactlyAndItsMaskShapeMatchesThePixelRule) {
  const Text path = dir_.File("mask.bmp");
  WriteBmp(path, 9, 7, MaskPixel);
  const SkinPicture mask = LoadSkinPicture(path);
  ASSERT_FALSE(mask.Empty());
  EXPECT_EQ(mask.Width(), 9);
  EXPECT_EQ(mask.Height(), 7);
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 9; ++x) {
      const Rgb want = MaskPixel(x, y), got = PixelAt(mask.Pixels(), x, y);
      ASSERT_TRUE(want.r == got.r && want.g == got.g && want.b == got.b) << x << "," << y;
    }
  }

  const UniqueRegion shape = MaskShape(mask);
  EXPECT_TRUE(EqualRgn(shape.get(), ShapeByPixels(mask.Pixels()).get()));
  const bool row0Kept[] = {false, true, true, true, false, true, false, true, false};
  for (int x = 0; x < 9; ++x) EXPECT_EQ(PtInRegion(shape.get(), x, 0) != 0, row0Kept[x]) << x;
  EXPECT_TRUE(PtInRegion(shape.get(), 4, 4));
  EXPECT_FALSE(PtInRegion(shape.get(), 0, 6));
}

TEST_F(PictureTest, JpegMaskWithNoisyEdgesMatchesTheRegionBuiltPerPixel) {
  // A dark disc on white with soft edges, written as a JPEG: the decoded
  // pixels carry compression noise around the edge.
  const int w = 64, h = 48;
  SkinPicture source = SkinPicture::Blank(w, h);
  ASSERT_FALSE(source.Empty());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int d2 = (x - 30) * (x - 30) + (y - 22) * (y - 22);
      const auto v = static_cast<std::uint8_t>(d2 < 300 ? 30 : d2 < 420 ? 140 : 255);
      std::uint8_t* p = source.MutableBits() + (y * w + x) * 4;
      p[0] = p[1] = p[2] = v;
    }
  }
  const Text path = dir_.File("main_mask.jpg");
  ASSERT_TRUE(SavePicture(source.Pixels(), path, PictureFormat::Jpeg, 75));
  const SkinPicture mask = LoadSkinPicture(path);
  ASSERT_EQ(mask.Width(), w);
  ASSERT_EQ(mask.Height(), h);
  const UniqueRegion byPixels = ShapeByPixels(mask.Pixels());
  const UniqueRegion shape = MaskShape(mask);
  EXPECT_TRUE(EqualRgn(shape.get(), byPixels.get()));
  EXPECT_TRUE(PtInRegion(shape.get(), 30, 22));
  EXPECT_FALSE(PtInRegion(shape.get(), 2, 2));

  // Long rectangle lists are built in pieces and merged: any piece size gives
  // the same region as one call.
  const std::vector<PixelRect> bands = MaskBands(MaskRuns(mask.Pixels()));
  ASSERT_GT(bands.size(), 10u);
  for (std::size_t piece : {std::size_t{1}, std::size_t{3}, bands.size() - 1, SIZE_MAX}) {
    EXPECT_TRUE(EqualRgn(RegionFromRects(bands, piece).get(), byPixels.get())) << piece;
  }
}

TEST_F(PictureTest, WhiteMaskIsEmptyAndBlackMaskIsTheWholeRectangle) {
  struct Case {
    const char* name;
    Rgb colour;
    int kind;
    RECT box;
  };
  const Case cases[] = {
      {"white.bmp", {255, 255, 255}, NULLREGION, {0, 0, 0, 0}},
      {"black.bmp", {0, 0, 0}, SIMPLEREGION, {0, 0, 13, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBmp(dir_.File(c.name), 13, 5, [&](int, int) { return c.colour; });
    const UniqueRegion shape = MaskShape(LoadSkinPicture(dir_.File(c.name)));
    RECT box{};
    EXPECT_EQ(GetRgnBox(shape.get(), &box), c.kind);
    EXPECT_TRUE(EqualRect(&box, &c.box));
  }
}

TEST_F(PictureTest, MissingOrUndecodableFilesGiveNoPictureAndAnEmptyShape) {
  testing::WriteBytes(dir_.path() / "broken.jpg", "\xFF\xD8\xFF\xE0 not really a JPEG");
  for (const Text& path : {dir_.File("absent.jpg"), dir_.File("broken.jpg")}) {
    const SkinPicture picture = LoadSkinPicture(path);
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_EQ(picture.Height(), 0);
    const UniqueRegion shape = MaskShape(picture);
    RECT box{};
    EXPECT_EQ(GetRgnBox(shape.get(), &box), NULLREGION);
  }
}

TEST_F(PictureTest, AChangedFileIsDecodedAgainAtTheNextLoad) {
  const Text path = dir_.File("face.bmp");
  WriteBmp(path, 4, 4, [](int, int) { return Rgb{10, 20, 30}; });
  SkinPicture first = LoadSkinPicture(path);
  ASSERT_FALSE(first.Empty());
  // Every load hands out a bitmap of its own, even from kept pixels.
  SkinPicture again = LoadSkinPicture(path);
  EXPECT_NE(again.Bitmap(), first.Bitmap());
  EXPECT_EQ(PixelAt(again.Pixels(), 3, 3).b, 30);

  // Same size, different pixels, a later write time.
  WriteBmp(path, 4, 4, [](int, int) { return Rgb{200, 150, 100}; });
  HANDLE file = CreateFileW(ToWide(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME written{};
  GetFileTime(file, nullptr, nullptr, &written);
  ULARGE_INTEGER t{{written.dwLowDateTime, written.dwHighDateTime}};
  t.QuadPart += 10'000'000;  // one second later
  written = FILETIME{t.LowPart, t.HighPart};
  SetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);

  const SkinPicture changed = LoadSkinPicture(path);
  const Rgb c = PixelAt(changed.Pixels(), 0, 0);
  EXPECT_EQ(c.r, 200);
  EXPECT_EQ(c.g, 150);
  EXPECT_EQ(c.b, 100);
  // Pictures handed out before are left as they were.
  EXPECT_EQ(PixelAt(first.Pixels(), 0, 0).r, 10);
}

TEST_F(PictureTest, ShapeAppliedToAWindowIsTheMaskShape) {
  const Text path = dir_.File("warning_mask.bmp");
  WriteBmp(path, 9, 7, MaskPixel);
  const SkinPicture mask = LoadSkinPicture(path);
  HWND window = CreateWindowExW(0, L"STATIC", L"shaped", WS_POPUP | WS_VISIBLE, 10, 10,
                                mask.Width(), mask.Height(), nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(ApplyShape(window, MaskShape(mask)));
  UniqueRegion applied(CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(GetWindowRgn(window, applied.get()), COMPLEXREGION);
  EXPECT_TRUE(EqualRgn(applied.get(), ShapeByPixels(mask.Pixels()).get()));

  ASSERT_TRUE(ApplyShape(window, RectShape(5, 3)));
  RECT box{};
  GetWindowRgn(window, applied.get());
  EXPECT_EQ(GetRgnBox(applied.get(), &box), SIMPLEREGION);
  const RECT expected{0, 0, 5, 3};
  EXPECT_TRUE(EqualRect(&box, &expected));
  DestroyWindow(window);

  EXPECT_FALSE(ApplyShape(window, RectShape(5, 3))) << "the window is gone";
  EXPECT_FALSE(ApplyShape(nullptr, UniqueRegion()));
}

TEST_F(PictureTest, CopyBandCopiesOneRectangleOfTheOverFaceOntoTheNormalFace) {
  SkinPicture normal = SkinPicture::Blank(20, 10), over = SkinPicture::Blank(20, 10);
  std::memset(normal.MutableBits(), 0x11, 20 * 10 * 4);
  std::memset(over.MutableBits(), 0xEE, 20 * 10 * 4);
  HDC target = CreateCompatibleDC(nullptr), source = CreateCompatibleDC(nullptr);
  HGDIOBJ oldTarget = SelectObject(target, normal.Bitmap());
  HGDIOBJ oldSource = SelectObject(source, over.Bitmap());
  CopyBand(target, source, 3, 2, 5, 4);
  GdiFlush();
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool inBand = x >= 3 && x < 8 && y >= 2 && y < 6;
      ASSERT_EQ(PixelAt(normal.Pixels(), x, y).g, inBand ? 0xEE : 0x11) << x << "," << y;
    }
  }
  SelectObject(target, oldTarget);
  SelectObject(source, oldSource);
  DeleteDC(target);
  DeleteDC(source);
}

TEST_F(PictureTest, SkinFontIsTenPointsInTheLanguagesFace) {
  HDC screen = GetDC(nullptr);
  const int tenPoints = -MulDiv(GetDeviceCaps(screen, LOGPIXELSY), 10, 72);
  ReleaseDC(nullptr, screen);
  struct Case {
    bool english;
    const wchar_t* face;
  };
  for (const Case& c : {Case{true, L"Consolas"}, Case{false, L"\u5B8B\u4F53"}}) {
    const UniqueFont font = SkinFont(nullptr, c.english);
    ASSERT_TRUE(font);
    LOGFONTW lf{};
    ASSERT_EQ(GetObjectW(font.get(), sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
    EXPECT_STREQ(lf.lfFaceName, c.face);
    EXPECT_EQ(lf.lfHeight, tenPoints);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
  }
}

TEST_F(PictureTest, CenteredTextInksTheMiddleOfItsBox) {
  SkinPicture face = SkinPicture::Blank(100, 40);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, face.Bitmap());
  const UniqueFont font = SkinFont(dc, true);
  HGDIOBJ oldFont = SelectObject(dc, font.get());
  CenteredText(dc, u"MMMM", PixelRect{0, 0, 100, 40}, RGB(255, 255, 255));
  GdiFlush();
  int left = 100, right = -1, top = 40, bottom = -1;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 100; ++x) {
      if (PixelAt(face.Pixels(), x, y).g > 128) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  ASSERT_GE(right, 0) << "no text drawn";
  EXPECT_NEAR((left + right) / 2.0, 49.5, 3.0);
  EXPECT_NEAR((top + bottom) / 2.0, 19.5, 4.0);
  // The background stays (transparent mode): corners untouched.
  EXPECT_EQ(PixelAt(face.Pixels(), 0, 0).g, 0);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  SelectObject(dc, oldFont);
  SelectObject(dc, old);
  DeleteDC(dc);
}

}  // namespace
}  // namespace zlv::ui
