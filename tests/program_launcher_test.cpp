#include <gtest/gtest.h>

#include "macro/program_launcher.h"

namespace zlv {
namespace {

TEST(ProgramLauncherTest, OnlyBareFileNamesAreStarted) {
  for (const TextView name : {u"calc.exe", u"cmd.exe", u"my tool.exe"}) EXPECT_TRUE(IsBareProgramName(name));
  for (const TextView name : {u"", u".", u"..", u"..\\calc.exe", u"C:calc.exe", u"sub/calc.exe",
                              u"C:\\Windows\\calc.exe", u"calc.exe\" /x", u"calc\n.exe"}) {
    EXPECT_FALSE(IsBareProgramName(name)) << ToUtf8(name);
  }
}

// Only web addresses go to the shell: a file or program name handed to the
// "open" verb would run it.
TEST(ProgramLauncherTest, OnlyWebAddressesAreOpened) {
  for (const TextView address : {u"https://www.zelvan.example/", u"http://a", u"HTTPS://X.example"}) {
    EXPECT_TRUE(IsWebAddress(address)) << ToUtf8(address);
  }
  for (const TextView address : {u"", u"https://", u"http:/a", u"calc.exe", u"C:\\Windows\\calc.exe",
                                 u"file:///C:/x.exe", u"https://a\nb", u"www.zelvan.example"}) {
    EXPECT_FALSE(IsWebAddress(address)) << ToUtf8(address);
  }
}

}  // namespace
}  // namespace zlv
