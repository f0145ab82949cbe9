// Text crossing the Windows API boundary.
#include "base/text_win32.h"

#include <gtest/gtest.h>
namespace zlv {
namespace {

TEST(TextWin32Test, RoundTripsEveryCodeUnitUnchanged) {
  const Text cases[] = {
      u"",
      u"config.ini",
      u"泽凡电竞游戏鼠标驱动",
      u"\U0001F5B1 mouse",                 // surrogate pair
      Text{u'a', char16_t{0xD800}, u'b'},  // lone surrogate: kept as it is
      Text{u'x', u'\0', u'y'},             // embedded NUL
  };
  for (const Text& text : cases) {
    const std::wstring wide = ToWide(text);
    ASSERT_EQ(wide.size(), text.size());
    for (size_t i = 0; i < text.size(); ++i) EXPECT_EQ(static_cast<char16_t>(wide[i]), text[i]);
    EXPECT_EQ(FromWide(wide), text);
  }
}

}  // namespace
}  // namespace zlv
