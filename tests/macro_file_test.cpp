#include "macro/macro_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "sim/memory_file_store.h"
#include "macro/key_codes.h"
#include "tests/support/fakes.h"

namespace zlv {
namespace {

using testing::RecordingMessages;

constexpr char16_t kFile[] = u"C:\\zlv\\Macro_EN.dat";

std::string Zeros(int groups) {
  std::string s;
  for (int i = 0; i < groups; ++i) s += "000";
  return s;
}

// The example macro: "ab", mode 1, repeat 3, A pressed then released after 100 ms.
MacroSlot ExampleMacro() {
  MacroSlot slot{};
  slot.SetName(u"ab");
  slot.SetMode(1);
  slot.SetRepeat(3);
  slot.SetCount(2);
  slot.SetEvent(0, {0x04, kEventPress});
  slot.SetDelay(0, 100);
  slot.SetEvent(1, {0x04, kEventRelease});
  slot.SetDelay(1, 30);
  return slot;
}

const std::string kExampleDigits = "097000098000" + Zeros(36) + "001003000002" +
                                   "065001100000" + "065002030000" + Zeros(253 * 4);

std::string FileWith(const std::string& macroNum, const std::vector<std::string>& records) {
  std::string text = "[Macros]\r\nmacroNum=" + macroNum + "\r\n";
  for (std::size_t i = 0; i < records.size(); ++i) {
    text += std::to_string(i) + "=" + records[i] + "\r\n";
  }
  return text;
}

class MacroFileTest : public ::testing::Test {
 protected:
  void Put(const std::string& bytes) { files.Put(kFile, bytes); }
  std::string File() { return files.Read(kFile).value_or("<missing>"); }
  void LoadUser() { LoadMacroFile(ini, messages, kFile, user, state); }
  Text Value(const std::u16string& key) { return ini.Read(kFile, kMacroSection, key, 5000); }

  MemoryFileStore files;
  IniStore ini{files};
  RecordingMessages messages;
  UserMacroTable user;
  MacroEditState state;
};

TEST_F(MacroFileTest, ExampleRecordIsWrittenDigitForDigit) {
  ASSERT_EQ(kExampleDigits.size(), kMacroRecordDigits);
  EXPECT_EQ(ToUtf8(MacroRecordText(ExampleMacro())), kExampleDigits);

  user.slots[0] = ExampleMacro();
  user.count = 1;
  ASSERT_TRUE(SaveMacroFile(ini, kFile, user));
  EXPECT_EQ(File(), "[Macros]\r\nmacroNum=1\r\n0=" + kExampleDigits + "\r\n");

  UserMacroTable loaded;
  LoadMacroFile(ini, messages, kFile, loaded, state);
  EXPECT_EQ(loaded.count, 1);
  EXPECT_EQ(loaded.slots[0].ToBytes(), ExampleMacro().ToBytes());
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MacroFileTest, SaveAndLoadGiveIdenticalRecords) {
  // Macro 0: every usage the recorder can produce, with all four event types.
  MacroSlot& keys = user.slots[0];
  keys.SetName(u"all keys");
  keys.SetCount(255);
  for (int k = 0; k < 255; ++k) {
    const auto vk = static_cast<std::uint8_t>(k + 1);
    keys.SetEvent(k, {VkToUsage(vk), static_cast<std::uint8_t>(k % 4)});
    keys.SetDelay(k, static_cast<std::uint16_t>(k * 257));
  }
  // Macro 1: mouse buttons, extreme delays and a Chinese name.
  MacroSlot& mouse = user.slots[1];
  mouse.SetName(u"连发");
  mouse.SetMode(1);
  mouse.SetRepeat(65535);
  mouse.SetCount(3);
  mouse.SetEvent(0, {kMouseLeftButton, kEventPress});
  mouse.SetEvent(1, {kMouseRightButton, kEventRelease});
  mouse.SetEvent(2, {kMouseMiddleButton, kEventPress});
  mouse.SetDelay(0, 0);
  mouse.SetDelay(1, 65535);
  user.count = 2;

  const int commitsBefore = files.commits();
  ASSERT_TRUE(SaveMacroFile(ini, kFile, user));
  EXPECT_EQ(files.commits(), commitsBefore + 1);
  EXPECT_EQ(Value(u"macroNum"), u"2");
  EXPECT_EQ(Value(u"0").size(), kMacroRecordDigits);
  EXPECT_EQ(Value(u"1").size(), kMacroRecordDigits);
  // Mouse buttons are stored as themselves; '连' is U+8FDE, low byte first.
  EXPECT_EQ(Value(u"1").substr(0, 6), u"222143");
  EXPECT_EQ(Value(u"1").substr(3 * 44, 3), u"240");
  EXPECT_EQ(Value(u"1").substr(3 * 48, 3), u"241");

  UserMacroTable loaded;
  LoadMacroFile(ini, messages, kFile, loaded, state);
  ASSERT_EQ(loaded.count, 2);
  EXPECT_EQ(loaded.slots[0].ToBytes(), keys.ToBytes());
  EXPECT_EQ(loaded.slots[1].ToBytes(), mouse.ToBytes());
  EXPECT_EQ(loaded.slots[1].Name(), u"连发");
  EXPECT_EQ(state.current_macro, 1);
  EXPECT_EQ(state.selected_line, 4);  // the last event line of macro 1
}

TEST_F(MacroFileTest, SavingFewerMacrosLeavesOlderKeysThatLoadingIgnores) {
  for (int i = 0; i < 5; ++i) user.slots[i].SetName(u"m" + DecimalText(i));
  user.count = 5;
  SaveMacroFile(ini, kFile, user);
  user.count = 3;
  SaveMacroFile(ini, kFile, user);
  EXPECT_EQ(Value(u"macroNum"), u"3");
  EXPECT_EQ(Value(u"4").size(), kMacroRecordDigits);

  UserMacroTable loaded;
  loaded.slots[3].SetName(u"keep");
  LoadMacroFile(ini, messages, kFile, loaded, state);
  EXPECT_EQ(loaded.count, 3);
  EXPECT_EQ(loaded.slots[2].Name(), u"m2");
  EXPECT_EQ(loaded.slots[3].Name(), u"keep");  // records past the count are not touched
}

TEST_F(MacroFileTest, SaveBoundsTheCountInMemory) {
  for (const int count : {-3, 40}) {
    user.count = static_cast<std::int16_t>(count);
    SaveMacroFile(ini, kFile, user);
    EXPECT_EQ(Value(u"macroNum"), count < 0 ? u"0" : u"12") << count;
    EXPECT_EQ(Value(u"12"), u"") << count;
  }
}

TEST_F(MacroFileTest, WritesIntoAnExistingFileKeepTheOtherLines) {
  Put("; exported macros\r\n[Other]\r\nx=1\r\n[Macros]\r\nmacroNum=0\r\n");
  user.slots[0] = ExampleMacro();
  user.count = 1;
  SaveMacroFile(ini, kFile, user);
  EXPECT_EQ(File(), "; exported macros\r\n[Other]\r\nx=1\r\n[Macros]\r\nmacroNum=1\r\n0=" +
                        kExampleDigits + "\r\n");
}

TEST_F(MacroFileTest, UnwritableFileIsReportedToTheCaller) {
  Put(FileWith("0", {}));
  files.SetReadOnly(kFile, true);
  user.count = 1;
  EXPECT_FALSE(SaveMacroFile(ini, kFile, user));
  EXPECT_EQ(File(), FileWith("0", {}));
}

constexpr char kBinary[] = "\x00\xff\xfe[Macros\x00]\n\x01macroNum=\x80\x02\n0=\x00\x01";

struct CountCase {
  const char* what;
  std::optional<std::string> file;  // nothing: no file
  int userCount;
  int constCount;
};

TEST_F(MacroFileTest, CountsComeFromMacroNumWithinTheTables) {
  const std::string example = ToUtf8(MacroRecordText(ExampleMacro()));
  const CountCase cases[] = {
      {"missing file", std::nullopt, 0, 0},
      {"empty file", "", 0, 0},
      {"binary", std::string(kBinary, sizeof kBinary - 1), 0, 0},
      {"no section", "macroNum=3\r\n0=" + example + "\r\n", 0, 0},
      {"two macros", FileWith("2", {example, example}), 2, 2},
      {"leading blanks", "[Macros]\r\nmacroNum=   2\r\n", 2, 2},
      {"not a number", FileWith("abc", {example}), 0, 0},
      {"negative", FileWith("-5", {example}), 0, 0},
      {"minus one", FileWith("-1", {example}), 0, 0},
      {"thirteen", FileWith("13", {example}), 12, 13},
      {"huge, cut to 2 characters", FileWith("99999", {example}), 12, 13},
      {"digits then text", FileWith("3x", {example}), 3, 3},
      {"zero", FileWith("0", {example}), 0, 0},
  };
  for (const CountCase& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.file) {
      Put(*c.file);
    } else {
      files.Remove(kFile);
    }
    messages.shown.clear();
    UserMacroTable table;
    table.count = 7;
    table.slots[0].SetName(u"before");
    table.slots[0].SetCount(3);
    state.selected_line = 9;
    LoadMacroFile(ini, messages, kFile, table, state);
    EXPECT_EQ(table.count, c.userCount);
    EXPECT_EQ(state.current_macro, c.userCount > 0 ? c.userCount - 1 : 0);
    if (c.userCount == 0) {
      EXPECT_EQ(table.slots[0].Name(), u"before");
      EXPECT_EQ(state.selected_line, 0);
    }
    EXPECT_EQ(table.slots[kBlankMacroSlot].ToBytes(), MacroSlot{}.ToBytes());

    ConstMacroTable constants;
    LoadConstMacroFile(ini, messages, kFile, constants);
    EXPECT_EQ(constants.count, c.constCount);

    const std::vector<Text> expected =
        c.file ? std::vector<Text>{} : std::vector<Text>{kMissingFileMessage, kMissingFileMessage};
    EXPECT_EQ(messages.shown, expected);
  }
}

struct RecordCase {
  const char* what;
  std::string digits;
  // Expected bytes of the record that differ from zero: offset, value.
  std::vector<std::pair<std::size_t, int>> bytes;
};

TEST_F(MacroFileTest, RecordValuesAreReadThreeDigitsAtATime) {
  const std::string example = ToUtf8(MacroRecordText(ExampleMacro()));
  std::vector<std::pair<std::size_t, int>> exampleBytes;
  const auto exampleArray = ExampleMacro().ToBytes();
  for (std::size_t i = 0; i < exampleArray.size(); ++i) {
    if (exampleArray[i] != 0) exampleBytes.emplace_back(i, exampleArray[i]);
  }
  constexpr int kGroups = static_cast<int>(kMacroSlotSize);
  const RecordCase cases[] = {
      {"empty", "", {}},
      {"one group", "097", {{0, 97}}},
      {"two digits of a group", "09712", {{0, 97}, {1, 12}}},
      {"longer than a record", example + "255255", exampleBytes},
      {"above 255 keeps the low 8 bits", "256999300", {{0, 0}, {1, 231}, {2, 44}}},
      {"text stops a group", "1x5abc", {{0, 1}}},
      {"a sign", "-01+02", {{0, 255}, {1, 2}}},
      {"an inner blank", "097 12", {{0, 97}, {1, 12}}},
      // Group 44 is event 0's value (a virtual key), 46 and 47 its delay.
      {"event value and delay",
       Zeros(43) + "002" + "065001232003",
       {{43, 2}, {44, 4}, {45, 1}, {554, 232}, {555, 3}}},
      {"mouse buttons pass through", Zeros(44) + "242002", {{44, 242}, {45, 2}}},
      // Whole records of digits, and whole records with one character that
      // is not a digit, give the same bytes.
      {"whole record: event value and delay",
       Zeros(43) + "002" + "065001232003" + Zeros(kGroups - 48),
       {{43, 2}, {44, 4}, {45, 1}, {554, 232}, {555, 3}}},
      {"whole record with a sign",
       Zeros(43) + "+02" + "065001232003" + Zeros(kGroups - 48),
       {{43, 2}, {44, 4}, {45, 1}, {554, 232}, {555, 3}}},
      {"whole record: above 255 and the last event",
       "999" + Zeros(kGroups - 3) + "007" + "255",
       {{0, 231}, {1062, 7}, {1063, 255}}},
      {"whole record ending in text", Zeros(kGroups - 1) + "25x", {{1063, 25}}},
      {"whole record with a character past '9'", Zeros(kGroups - 1) + "0:1", {}},
      {"whole record with a character before '0'", "/01" + Zeros(kGroups - 1), {}},
  };
  for (const RecordCase& c : cases) {
    SCOPED_TRACE(c.what);
    Put(FileWith("1", {c.digits}));
    user.slots[0].SetName(u"old");
    LoadUser();
    std::array<std::uint8_t, kMacroSlotSize> expected{};
    for (const auto& [offset, value] : c.bytes) expected[offset] = static_cast<std::uint8_t>(value);
    EXPECT_EQ(user.slots[0].ToBytes(), expected);
    EXPECT_EQ(MacroRecordBytes(FromUtf8(c.digits)), expected);
  }
}

TEST_F(MacroFileTest, AMissingRecordKeyLoadsAnEmptyRecord) {
  user.slots[1].SetName(u"old");
  Put(FileWith("2", {kExampleDigits}));
  LoadUser();
  EXPECT_EQ(user.count, 2);
  EXPECT_EQ(user.slots[1].ToBytes(), MacroSlot{}.ToBytes());
  EXPECT_EQ(state.current_macro, 1);
  EXPECT_EQ(state.selected_line, 0);
}

TEST_F(MacroFileTest, ReadsUtf16Files) {
  const std::string text = FileWith("1", {kExampleDigits});
  std::string utf16 = "\xff\xfe";
  for (const char c : text) {
    utf16.push_back(c);
    utf16.push_back('\0');
  }
  Put(utf16);
  LoadUser();
  EXPECT_EQ(user.count, 1);
  EXPECT_EQ(user.slots[0].ToBytes(), ExampleMacro().ToBytes());
}

TEST(MacroFilePaths, FollowTheLanguage) {
  const MacroFileLocations where{u"D:\\Programs\\ZLV", u"D:\\Programs\\ZLV\\skins"};
  const Text sep = UserMacroFilePath(where, 1).substr(where.exe_dir.size(), 1);
  ASSERT_EQ(sep, u"\\");
  EXPECT_EQ(UserMacroFilePath(where, 1), where.exe_dir + sep + u"Macro_EN.dat");
  EXPECT_EQ(UserMacroFilePath(where, 0), where.exe_dir + sep + u"Macro_CN.dat");
  EXPECT_EQ(UserMacroFilePath(where, 2), where.exe_dir + sep + u"Macro_CN.dat");
  EXPECT_EQ(ConstMacroFilePath(where), where.exe_dir + sep + u"constMacro.dat");
  EXPECT_EQ(DefaultMacroFilePath(where, 1),
            where.skins_dir + sep + u"INI_EN" + sep + u"defMacro.dat");
  EXPECT_EQ(DefaultMacroFilePath(where, 0),
            where.skins_dir + sep + u"INI_CN" + sep + u"defMacro.dat");
}

class RestoreDefaultMacrosTest : public MacroFileTest {
 protected:
  const MacroFileLocations where{u"C:\\zlv", u"C:\\zlv\\skins"};
  bool Restore(std::int32_t language) {
    return RestoreDefaultMacros(ini, messages, where, language, user, state,
                                [this] { ++refreshes; });
  }
  int refreshes = 0;
};

TEST_F(RestoreDefaultMacrosTest, LoadsTheLanguagesDefaultsAndSavesThemAsItsMacroFile) {
  MacroSlot chinese = ExampleMacro();
  chinese.SetName(u"默认");
  user.slots[0] = chinese;
  user.count = 1;
  SaveMacroFile(ini, DefaultMacroFilePath(where, 0), user);
  user.slots[0] = ExampleMacro();
  user.slots[1] = ExampleMacro();
  user.count = 2;
  SaveMacroFile(ini, DefaultMacroFilePath(where, 1), user);
  user.count = 0;

  EXPECT_TRUE(Restore(0));
  EXPECT_EQ(user.count, 1);
  EXPECT_EQ(user.slots[0].Name(), u"默认");
  EXPECT_EQ(refreshes, 1);
  EXPECT_EQ(files.Read(UserMacroFilePath(where, 0)), files.Read(DefaultMacroFilePath(where, 0)));
  EXPECT_FALSE(files.Read(UserMacroFilePath(where, 1)).has_value());

  EXPECT_TRUE(Restore(1));
  EXPECT_EQ(user.count, 2);
  EXPECT_EQ(state.current_macro, 1);
  EXPECT_EQ(files.Read(UserMacroFilePath(where, 1)), files.Read(DefaultMacroFilePath(where, 1)));
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RestoreDefaultMacrosTest, MissingDefaultsLeaveTheUsersMacrosAlone) {
  user.slots[0] = ExampleMacro();
  user.count = 1;
  SaveMacroFile(ini, UserMacroFilePath(where, 1), user);
  const auto before = files.Read(UserMacroFilePath(where, 1));

  EXPECT_FALSE(Restore(1));
  EXPECT_EQ(messages.shown, std::vector<Text>{kMissingFileMessage});
  EXPECT_EQ(user.count, 1);
  EXPECT_EQ(refreshes, 0);
  EXPECT_EQ(files.Read(UserMacroFilePath(where, 1)), before);
}

}  // namespace
}  // namespace zlv
