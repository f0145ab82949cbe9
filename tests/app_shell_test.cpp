// The portable rules of the application shell: the executable's folder, the
// main window's key filter and its title.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/exe_dir.h"
#include "app/key_filter.h"
#include "app/window_title.h"

namespace zlv {
namespace {

TEST(ExeDirTest, CutsBeforeTheLastBackslash) {
  struct Case {
    TextView path;
    TextView dir;
  };
  const Case cases[] = {
      {u"C:\\Games\\ZLV\\ZLV_GMouse.exe", u"C:\\Games\\ZLV"},
      {u"C:\\ZLV_GMouse.exe", u"C:"},
      {u"\\\\server\\share\\泽凡\\ZLV_GMouse.exe", u"\\\\server\\share\\泽凡"},
      // A forward slash is not a separator here.
      {u"C:\\a/b/ZLV_GMouse.exe", u"C:"},
      {u"C:/a/b/ZLV_GMouse.exe", u""},
      // No backslash at all: no folder, names are used as they are.
      {u"ZLV_GMouse.exe", u""},
      {u"", u""},
      // A trailing backslash leaves the folder without it.
      {u"C:\\dir\\", u"C:\\dir"},
      {u"\\ZLV_GMouse.exe", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExeDirFromModulePath(c.path), Text(c.dir)) << ToUtf8(c.path);
  }
}

TEST(KeyFilterTest, SwallowsEscapeEnterAndF10Only) {
  constexpr std::uint32_t kKeyDown = 0x0100, kKeyUp = 0x0101, kChar = 0x0102,
                          kSysKeyDown = 0x0104, kSysKeyUp = 0x0105, kTimer = 0x0113,
                          kMouseMove = 0x0200;
  struct Case {
    std::uint32_t message;
    std::uintptr_t wParam;
    bool swallowed;
  };
  const Case cases[] = {
      {kKeyDown, 0x1B, true},     // Escape would end the dialog
      {kKeyDown, 0x0D, true},     // Enter would press the default button
      {kKeyUp, 0x1B, false},      // the releases reach the edit boxes
      {kKeyUp, 0x0D, false},
      {kChar, 0x1B, false},
      {kChar, 0x0D, false},
      {kSysKeyDown, 0x0D, false},  // Alt+Enter
      {kSysKeyDown, 0x79, true},   // F10 opens the system menu
      {kSysKeyUp, 0x79, true},
      {kKeyDown, 0x79, true},
      {kKeyUp, 0x79, true},
      {kChar, 0x79, false},        // 'y' typed into a macro name
      {kTimer, 0x79, false},       // other messages with the same number
      {kMouseMove, 0x79, false},   // buttons and Ctrl held while moving
      {kKeyDown, 0x41, false},
      {kKeyDown, 0x7A, false},     // F11
      {kMouseMove, 0x1B, false},
      {kTimer, 0x0D, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SwallowedByKeyFilter(c.message, c.wParam), c.swallowed)
        << std::hex << "message 0x" << c.message << " wParam 0x" << c.wParam;
  }
}

TEST(MainWindowTitleTest, EnglishOnlyForLanguageOne) {
  EXPECT_EQ(MainWindowTitle(1), TextView(u"Zelvan Gaming Mouse"));
  EXPECT_EQ(MainWindowTitle(0), TextView(u"泽凡电竞游戏鼠标驱动"));
  // A hand-edited VER_SEL: everything but 1 is Chinese, as the other
  // language-dependent choices treat it.
  EXPECT_EQ(MainWindowTitle(2), TextView(u"泽凡电竞游戏鼠标驱动"));
  EXPECT_EQ(MainWindowTitle(-1), TextView(u"泽凡电竞游戏鼠标驱动"));
}

}  // namespace
}  // namespace zlv
