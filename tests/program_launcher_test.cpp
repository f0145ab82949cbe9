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

}  // namespace
}  // namespace zlv
