#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "sim/memory_file_store.h"
#include "macro/macro_file.h"
#include "settings/ini_file.h"
#include "tests/support/test_support.h"
#include "tools/zlvctl/zlvctl.h"

namespace zlv {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result Zlvctl(FileStore& files, const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunZlvctl(args, out, err, files);
  return {status, out.str(), err.str()};
}

std::string Shipped(const std::string& relative) { return ToUtf8(testing::SourceFile(relative)); }

TEST(ZlvctlMacro, ListsTheShippedMacroFiles) {
  struct Case {
    const char* file;
    const char* listing;
  };
  const Case cases[] = {
      {"data/constMacro.dat",
       "0\tCopy\t0\t1\t4\n1\tPaste\t0\t1\t4\n2\tCut\t0\t1\t4\n3\tUndo\t0\t1\t4\n"
       "4\tRedo\t0\t1\t4\n5\tSelect All\t0\t1\t4\n6\tDouble Click\t0\t1\t4\n"
       "7\tTriple Click\t0\t1\t6\n"},
      {"data/Macro_EN.dat",
       "0\tRapid Fire\t1\t5\t2\n1\tScreenshot\t0\t1\t2\n2\tSwitch Window\t0\t1\t4\n"
       "3\tShow Desktop\t0\t1\t4\n4\tGG Chat\t0\t1\t8\n"},
      {"data/Macro_CN.dat",
       "0\t连发\t1\t5\t2\n1\t截图\t0\t1\t2\n2\t切换窗口\t0\t1\t4\n3\t显示桌面\t0\t1\t4\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Result r = Zlvctl(Disk(), {"macro", "list", Shipped(c.file)});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, c.listing);
    EXPECT_EQ(r.err, "");
  }
}

TEST(ZlvctlMacro, PrintsTheEventListOfAShippedMacro) {
  struct Case {
    const char* file;
    const char* index;
    const char* lines;
  };
  const Case cases[] = {
      {"data/constMacro.dat", "0",
       "[↓]LCONTROL\n    30ms\n[↓]C\n    30ms\n[↑]C\n    30ms\n[↑]LCONTROL\n"},
      {"data/constMacro.dat", "6",
       "[↓]L-KEY\n    20ms\n[↑]L-KEY\n    60ms\n[↓]L-KEY\n    20ms\n[↑]L-KEY\n"},
      {"data/Macro_EN.dat", "1", "[↓]SNAPSHOT\n    30ms\n[↑]SNAPSHOT\n"},
      {"data/Macro_CN.dat", "2", "[↓]LMENU\n    30ms\n[↓]TAB\n    30ms\n[↑]TAB\n    30ms\n[↑]LMENU\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.index);
    const Result r = Zlvctl(Disk(), {"macro", "lines", Shipped(c.file), c.index});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, c.lines);
  }
}

TEST(ZlvctlMacro, ShippedFilesAreWhatTheirDescriptionsMake) {
  const testing::TempDir dir;
  struct Case {
    const char* description;
    std::vector<const char*> files;
  };
  const Case cases[] = {
      {"data/macros/constMacro.txt", {"data/constMacro.dat"}},
      {"data/macros/defMacro_EN.txt", {"data/skins/INI_EN/defMacro.dat", "data/Macro_EN.dat"}},
      {"data/macros/defMacro_CN.txt", {"data/skins/INI_CN/defMacro.dat", "data/Macro_CN.dat"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    const Text made = dir.File("made.dat");
    const Result r = Zlvctl(Disk(), {"macro", "make", Shipped(c.description), ToUtf8(made)});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    for (const char* file : c.files) {
      EXPECT_EQ(Disk().Read(testing::SourceFile(file)), Disk().Read(made)) << file;
    }
  }
}

// The shipped profiles name user macros 41.. and constant macros 31..; each
// must exist in the macro files of both languages.
TEST(ZlvctlMacro, EveryMacroTheShippedProfilesUseExists) {
  IniStore ini(Disk());
  const IniSnapshot config = ini.Open(testing::SourceFile("data/config.ini"));
  int highestUser = -1;
  int highestConst = -1;
  for (const char16_t* section : {u"Config1", u"Config2", u"Config3", u"Config4", u"Config5",
                                  u"CfgReset2", u"CfgReset3", u"CfgReset4", u"CfgReset5",
                                  u"CfgReset_EN5"}) {
    for (int k = 0; k < 6; ++k) {
      const int code = config.ReadInt(section, u"K" + DecimalText(k), 5);
      if (code >= 41 && code <= 52) highestUser = std::max(highestUser, code - 41);
      if (code >= 31 && code <= 38) highestConst = std::max(highestConst, code - 31);
    }
  }
  ASSERT_GE(highestUser, 0);
  ASSERT_GE(highestConst, 0);

  struct NoMessages : MessageBoxes {
    void Show(TextView) override { ADD_FAILURE() << "a shipped macro file is missing"; }
  } messages;
  for (const char* file : {"data/Macro_EN.dat", "data/Macro_CN.dat", "data/skins/INI_EN/defMacro.dat",
                           "data/skins/INI_CN/defMacro.dat"}) {
    UserMacroTable user;
    MacroEditState state;
    LoadMacroFile(ini, messages, testing::SourceFile(file), user, state);
    EXPECT_GT(user.count, highestUser) << file;
    for (int i = 0; i < user.count; ++i) EXPECT_GT(user.slots[i].Count(), 0) << file << " " << i;
  }
  ConstMacroTable constants;
  LoadConstMacroFile(ini, messages, testing::SourceFile("data/constMacro.dat"), constants);
  EXPECT_EQ(constants.count, 8);
  EXPECT_GT(constants.count, highestConst);
}

TEST(ZlvctlMacro, MakeReadsNamesKeysAndRepeatRules) {
  MemoryFileStore files;
  files.Put(u"d.txt",
            "# comment\n"
            "macro 宏 one\r\n"
            "  mode 1\n"
            "  repeat 300\n"
            "  press 0x04 0\n"
            "\n"
            "  release A 65535\n"
            "macro two\n"
            "press R-KEY 12\n"
            "release \\| 7\n");
  Result r = Zlvctl(files, {"macro", "make", "d.txt", "out.dat"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  r = Zlvctl(files, {"macro", "list", "out.dat"});
  EXPECT_EQ(r.out, "0\t宏 one\t1\t300\t2\n1\ttwo\t0\t1\t2\n");
  r = Zlvctl(files, {"macro", "lines", "out.dat", "0"});
  EXPECT_EQ(r.out, "[↓]A\n    0ms\n[↑]A\n");
  r = Zlvctl(files, {"macro", "lines", "out.dat", "1"});
  EXPECT_EQ(r.out, "[↓]R-KEY\n    12ms\n[↑]\\|\n");

  // Making again over a larger file leaves no key of it behind.
  files.Put(u"out.dat", "[Macros]\r\nmacroNum=5\r\n4=1\r\n");
  ASSERT_EQ(Zlvctl(files, {"macro", "make", "d.txt", "out.dat"}).status, kExitOk);
  EXPECT_EQ(files.Read(u"out.dat")->find("4="), std::string::npos);
}

TEST(ZlvctlMacro, MakeRejectsBadDescriptionsWithTheLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"press A 30\n", "d.txt:1: 'press' before the first macro"},
      {"macro a\n\npress CTRL 30\n", "d.txt:3: unknown key 'CTRL'"},
      {"macro a\npress A\n", "d.txt:2: press needs a delay of 0..65535 ms"},
      {"macro a\npress A 65536\n", "d.txt:2: press needs a delay of 0..65535 ms"},
      {"macro a\npress A 30 40\n", "d.txt:2: too many words"},
      {"macro a\nmode 2\n", "d.txt:2: mode must be 0 or 1"},
      {"macro a\nrepeat 0\n", "d.txt:2: repeat must be 1..65535"},
      {"macro a\nhold A 30\n", "d.txt:2: unknown statement 'hold'"},
      {"macro\n", "d.txt:1: macro needs a name"},
      {"macro a name of twenty chars\n", "d.txt:1: name longer than 19 UTF-16 characters"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    MemoryFileStore files;
    files.Put(u"d.txt", c.text);
    const Result r = Zlvctl(files, {"macro", "make", "d.txt", "out.dat"});
    EXPECT_EQ(r.status, kExitRuntimeError);
    EXPECT_EQ(r.err, std::string("zlvctl: ") + c.message + "\n");
    EXPECT_FALSE(files.Read(u"out.dat").has_value());
  }

  std::string many;
  for (int i = 0; i < 13; ++i) many += "macro m" + std::to_string(i) + "\n";
  std::string longMacro = "macro long\n";
  for (int i = 0; i < 255; ++i) longMacro += "press A 1\n";
  for (const auto& [text, message] : {std::pair{many, "d.txt:13: more than 12 macros"},
                                      std::pair{longMacro, "d.txt:256: more than 254 events"}}) {
    MemoryFileStore files;
    files.Put(u"d.txt", text);
    EXPECT_EQ(Zlvctl(files, {"macro", "make", "d.txt", "out.dat"}).err,
              std::string("zlvctl: ") + message + "\n");
  }
}

// The file holds keys as Windows virtual keys: a usage without a virtual key
// of its own would come back as another key, so make refuses it.
TEST(ZlvctlMacro, MakeTakesOnlyKeysThatReadBackTheSame) {
  struct Case {
    const char* key;
    const char* refusal;  // nullptr: written, and listed under `shown`
    const char* shown;
  };
  const Case cases[] = {
      {"MENU", "key 'MENU' cannot be stored in a macro file (it would read back as F7)", nullptr},
      {"0x76", "key '0x76' cannot be stored in a macro file (it would read back as F7)", nullptr},
      {"0x35", "key '0x35' cannot be stored in a macro file (it would read back as 5)", nullptr},
      {"0x64", "key '0x64' cannot be stored in a macro file (it would read back as NUMPAD4)", nullptr},
      {"F7", nullptr, "F7"},
      {"0x40", nullptr, "F7"},
      {"LMENU", nullptr, "LMENU"},
      {"0xF2", nullptr, "M-KEY"},
      {"SNAPSHOT", nullptr, "SNAPSHOT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    MemoryFileStore files;
    files.Put(u"d.txt", std::string("macro a\npress A 5\nrelease ") + c.key + " 5\n");
    const Result r = Zlvctl(files, {"macro", "make", "d.txt", "out.dat"});
    if (c.refusal != nullptr) {
      EXPECT_EQ(r.status, kExitUsage);
      EXPECT_EQ(r.err, std::string("zlvctl: d.txt:3: ") + c.refusal + "\n");
      EXPECT_FALSE(files.Read(u"out.dat").has_value());
    } else {
      ASSERT_EQ(r.status, kExitOk) << r.err;
      EXPECT_EQ(Zlvctl(files, {"macro", "lines", "out.dat", "0"}).out,
                std::string("[↓]A\n    5ms\n[↑]") + c.shown + "\n");
    }
  }
}

TEST(ZlvctlMacro, ListKeepsDamagedNamesOnOneField) {
  MemoryFileStore files;
  // A name of a tab, "a" and a line feed, without the terminating null.
  std::string record = "009000097000010000";
  record += std::string(3192 - record.size(), '0');
  files.Put(u"m.dat", "[Macros]\r\nmacroNum=1\r\n0=" + record + "\r\n");
  EXPECT_EQ(Zlvctl(files, {"macro", "list", "m.dat"}).out, "0\t\xEF\xBF\xBD" "a\xEF\xBF\xBD\t0\t0\t0\n");
}

TEST(ZlvctlMacro, KeyCodeCommands) {
  struct Case {
    std::vector<std::string> args;
    const char* out;
  };
  const Case cases[] = {
      {{"keyname", "4"}, "A\n"},
      {{"keyname", "0x04"}, "A\n"},
      {{"keyname", "0XF0"}, "L-KEY\n"},
      {{"keyname", "0"}, "NON-AVAILABLE\n"},
      {{"vk2usage", "65"}, "4\n"},
      {{"vk2usage", "0xa2"}, "224\n"},
      {{"vk2usage", "240"}, "240\n"},
      {{"usage2vk", "4"}, "65\n"},
      {{"usage2vk", "0xE0"}, "162\n"},
      {{"usage2vk", "255"}, "255\n"},
  };
  MemoryFileStore files;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const Result r = Zlvctl(files, c.args);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, c.out);
  }
}

TEST(ZlvctlMacro, ExitStatusTellsUsageFromRuntimeErrors) {
  MemoryFileStore files;
  files.Put(u"m.dat", "[Macros]\r\nmacroNum=1\r\n0=\r\n");
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {{"macro"}, kExitUsage},
      {{"macro", "frob"}, kExitUsage},
      {{"macro", "list"}, kExitUsage},
      {{"macro", "list", "m.dat", "extra"}, kExitUsage},
      {{"macro", "list", "missing.dat"}, kExitRuntimeError},
      {{"macro", "lines", "m.dat"}, kExitUsage},
      {{"macro", "lines", "m.dat", "x"}, kExitUsage},
      {{"macro", "lines", "m.dat", "-1"}, kExitUsage},
      {{"macro", "lines", "m.dat", "1"}, kExitRuntimeError},
      {{"macro", "lines", "missing.dat", "0"}, kExitRuntimeError},
      {{"macro", "make", "missing.txt", "out.dat"}, kExitRuntimeError},
      {{"keyname"}, kExitUsage},
      {{"keyname", "1", "2"}, kExitUsage},
      {{"keyname", "256"}, kExitUsage},
      {{"keyname", "0x100"}, kExitUsage},
      {{"keyname", "0x"}, kExitUsage},
      {{"vk2usage", "-1"}, kExitUsage},
      {{"usage2vk", "4a"}, kExitUsage},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    const Result r = Zlvctl(files, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("zlvctl: ", 0), 0u) << r.err;
  }
  // A macro without events prints no lines.
  const Result empty = Zlvctl(files, {"macro", "lines", "m.dat", "0"});
  EXPECT_EQ(empty.status, kExitOk);
  EXPECT_EQ(empty.out, "");
}

}  // namespace
}  // namespace zlv
