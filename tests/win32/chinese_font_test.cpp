// Chinese captions must come out as real glyphs, not boxes: the skin's
// Chinese font, and the face the menus and message boxes fall back to.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/picture_win32.h"

namespace zlv {
namespace {

// Glyphs of `text` missing from the font selected into `dc`.
int MissingGlyphs(HDC dc, const std::wstring& text) {
  std::wstring indices(text.size(), L'\0');
  const DWORD got = GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()),
                                     reinterpret_cast<WORD*>(indices.data()), GGI_MARK_NONEXISTING_GLYPHS);
  if (got == GDI_ERROR) return static_cast<int>(text.size());
  int missing = 0;
  for (wchar_t i : indices) missing += i == 0xFFFF ? 1 : 0;
  return missing;
}

TEST(ChineseFont, SkinFontHasTheChineseTexts) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  ui::UniqueFont font = ui::SkinFont(dc, /*english=*/false);
  ASSERT_TRUE(font);
  HGDIOBJ old = SelectObject(dc, font.get());
  for (const wchar_t* text : {L"泽凡电竞游戏鼠标驱动", L"显示窗口", L"关闭驱动", L"录制", L"停止",
                              L"找不到配置文件", L"请插入【泽凡】USB鼠标"}) {
    EXPECT_EQ(MissingGlyphs(dc, text), 0) << "missing glyphs in a caption";
  }
  SelectObject(dc, old);
  DeleteDC(dc);
}

// Horizontal strokes of one character drawn white on black with the font
// selected into `dc`: runs of rows where at least 60% of the ink's width is lit.
int HorizontalStrokes(HDC dc, wchar_t character) {
  constexpr int kSide = 48;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = kSide;
  info.bmiHeader.biHeight = -kSide;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return -1;
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  const RECT all{0, 0, kSide, kSide};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  TextOutW(dc, 4, 4, &character, 1);
  GdiFlush();
  const auto* pixels = static_cast<const DWORD*>(bits);
  std::vector<int> lit(kSide, 0);
  int left = kSide;
  int right = -1;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      if ((pixels[y * kSide + x] & 0xFF) < 128) continue;
      ++lit[y];
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  if (right < left) return 0;
  const int wide = (right - left + 1) * 6 / 10;
  int strokes = 0;
  for (int y = 0; y < kSide; ++y) {
    if (lit[y] >= wide && (y == 0 || lit[y - 1] < wide)) ++strokes;
  }
  return strokes;
}

// The captions' small sizes, where SimSun (and the face standing in for it)
// draws from bitmaps or hinted black-and-white outlines: a lost pixel row
// turns 主 into 土 and 三 into 二.
TEST(ChineseFont, SmallCaptionsKeepEveryStroke) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  for (int tenths : {90, 100, 110, 120}) {
    SCOPED_TRACE(::testing::Message() << tenths / 10 << " pt");
    ui::UniqueFont font = ui::SkinFontOfSize(dc, L"\u5B8B\u4F53", tenths);  // 宋体
    ASSERT_TRUE(font);
    HGDIOBJ old = SelectObject(dc, font.get());
    EXPECT_EQ(HorizontalStrokes(dc, L'\u4E3B'), 3) << "主";
    EXPECT_EQ(HorizontalStrokes(dc, L'\u4E09'), 3) << "三";
    EXPECT_EQ(HorizontalStrokes(dc, L'\u738B'), 3) << "王";
    SelectObject(dc, old);
  }
  DeleteDC(dc);
}

TEST(ChineseFont, NamedChineseFacesAreReplacedByOneThatHasTheGlyphs) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  for (const wchar_t* face : {L"宋体", L"SimSun", L"Microsoft YaHei"}) {
    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&lf);
    ASSERT_NE(font, nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    EXPECT_EQ(MissingGlyphs(dc, L"泽凡电竞游戏鼠标驱动"), 0);
    SelectObject(dc, old);
    DeleteObject(font);
  }
  DeleteDC(dc);
}

}  // namespace
}  // namespace zlv
