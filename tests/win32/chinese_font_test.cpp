// Chinese captions must come out as real glyphs, not boxes: the skin's
// Chinese font, and the face the menus and message boxes fall back to.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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
