#include <gtest/gtest.h>

#include "base/long_path.h"

namespace zlv {
namespace {

TEST(LongPath, FullPathsTakeTheExtendedFormOthersStayAsTheyAre) {
  struct Case {
    const char16_t* path;
    const char16_t* extended;
  };
  const Case cases[] = {
      {u"C:\\Games\\ZLV\\config.ini", u"\\\\?\\C:\\Games\\ZLV\\config.ini"},
      {u"z:\\a", u"\\\\?\\z:\\a"},
      {u"\\\\server\\share\\config.ini", u"\\\\?\\UNC\\server\\share\\config.ini"},
      {u"\\\\?\\C:\\already", u"\\\\?\\C:\\already"},
      {u"\\\\?\\UNC\\server\\share", u"\\\\?\\UNC\\server\\share"},
      {u"\\\\.\\HID#VID_18F8", u"\\\\.\\HID#VID_18F8"},
      // Not full: the prefix would change what they name.
      {u"config.ini", u"config.ini"},
      {u"\\config.ini", u"\\config.ini"},
      {u"C:config.ini", u"C:config.ini"},
      {u"\\\\\\x", u"\\\\\\x"},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(ExtendedLengthPath(c.path), c.extended) << ToUtf8(c.path);
}

TEST(LongPath, FolderAndNameOfAPath) {
  struct Case {
    const char16_t* path;
    const char16_t* folder;
    const char16_t* name;
  };
  const Case cases[] = {
      {u"C:\\ZLV\\config.ini", u"C:\\ZLV", u"config.ini"},
      {u"C:\\config.ini", u"C:\\", u"config.ini"},
      {u"\\\\?\\C:\\config.ini", u"\\\\?\\C:\\", u"config.ini"},
      {u"\\\\?\\C:\\ZLV\\config.ini", u"\\\\?\\C:\\ZLV", u"config.ini"},
      {u"\\config.ini", u"\\", u"config.ini"},
      {u"config.ini", u"", u"config.ini"},
      {u"/tmp/zlv/config.ini", u"/tmp/zlv", u"config.ini"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOfFile(c.path), c.folder) << ToUtf8(c.path);
    EXPECT_EQ(FileNameOfPath(c.path), c.name) << ToUtf8(c.path);
  }
}

TEST(LongPath, TemporariesAreToldFromTheUsersFiles) {
  const Text temp = TemporaryPathFor(u"C:\\ZLV\\Macro_EN.dat", 0x1a4, 7);
  EXPECT_EQ(temp, u"C:\\ZLV\\Macro_EN.dat.zlvtmp1a4-7");
  EXPECT_TRUE(IsTemporaryOf(u"Macro_EN.dat", FileNameOfPath(temp)));
  EXPECT_EQ(TemporaryPattern(u"config.ini"), u"config.ini.zlvtmp*");
  struct Case {
    const char16_t* name;
    bool temporary;
  };
  const Case cases[] = {
      {u"config.ini.zlvtmp1a4-0", true},
      {u"CONFIG.INI.ZLVTMP1A4-FF", true},
      {u"config.ini", false},
      {u"config.ini.zlvtmp", false},
      {u"config.ini.zlvtmp1a4", false},
      {u"config.ini.zlvtmp1a4-", false},
      {u"config.ini.zlvtmp-3", false},
      {u"config.ini.zlvtmp1a4-0.bak", false},
      {u"config.ini.zlvtmpcopy", false},
      {u"config.ini.tmp1234_0", false},
      {u"other.ini.zlvtmp1a4-0", false},
      {u"config.ini.bak", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsTemporaryOf(u"config.ini", c.name), c.temporary) << ToUtf8(c.name);
}

}  // namespace
}  // namespace zlv
