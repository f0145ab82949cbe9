#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/profile_exchange.h"
#include "base/file_dialogs.h"
#include "settings/profile_settings.h"
#include "macro/macro_file.h"
#include "macro/macro_tables.h"
#include "sim/memory_file_store.h"
#include "tests/support/fakes.h"
#include "tests/support/test_support.h"

namespace zlv {
namespace {

constexpr char16_t kExeDir[] = u"C:\\Games\\ZLV";
constexpr char16_t kConfig[] = u"C:\\Games\\ZLV\\config.ini";
constexpr char16_t kExchange[] = u"D:\\backup\\mine.ini";

using FakeFileDialogs = testing::QueuedFileDialogs;

const char kTwoProfiles[] =
    "[Init]\r\nCurConfig=3\r\nVER_SEL=1\r\n"
    "[Config1]\r\nK0=1\r\nK1=2\r\nK2=3\r\nK3=5\r\nK4=4\r\nK5=6\r\nFIRE_TIME=50\r\n"
    "DPI_LEVEL=0\r\nLED_STATUS=0\r\n"
    "[Config3]\r\nK0=1\r\nK1=2\r\nK2=3\r\nK3=41\r\nK4=24\r\nK5=6\r\nFIRE_TIME=120\r\n"
    "DPI_LEVEL=2\r\nLED_STATUS=3\r\nDPI_SPEED=7\r\n";

class ProfileExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.ConfigPath = kConfig;
    files.Put(kConfig, kTwoProfiles);
  }
  std::string File(const char16_t* path) { return files.Read(path).value_or(""); }
  void Load(std::int32_t n) {
    settings.CurrentProfile = n;
    settings.LoadProfile(kConfig, n, false);
  }

  MemoryFileStore files;
  IniStore ini{files};
  SettingsModel settings{ini};
  FakeFileDialogs dialogs;
};

TEST_F(ProfileExchangeTest, EachOperationShowsItsOwnDialogInTheProgramFolder) {
  struct Case {
    const char* name;
    ExchangeResult (*operation)(SettingsModel&, FileDialogs&, TextView);
    FileDialogKind kind;
    Text extension;
    std::uint32_t flags;
  };
  const Case cases[] = {
      {"import", ImportProfile, FileDialogKind::kOpen, u"", 5},
      {"export", ExportProfile, FileDialogKind::kSave, u"ini", 6},
  };
  for (const Case& c : cases) {
    dialogs.requests.clear();
    c.operation(settings, dialogs, kExeDir);
    ASSERT_EQ(dialogs.requests.size(), 1u) << c.name;
    const FileDialogRequest& r = dialogs.requests[0];
    EXPECT_EQ(r.kind, c.kind) << c.name;
    EXPECT_EQ(r.filter, u"All Files(*.ini)|*.ini||") << c.name;
    EXPECT_EQ(r.defaultExtension, c.extension) << c.name;
    EXPECT_EQ(r.flags, c.flags) << c.name;
    EXPECT_EQ(r.initialFolder, kExeDir) << c.name;
  }
}

TEST(FileDialogTable, MacroDialogsAskForDatFiles) {
  struct Case {
    const char* name;
    const FileDialogSpec& dialog;
    FileDialogKind kind;
    Text filter;
    Text extension;
    std::uint32_t flags;
  };
  const Case cases[] = {
      {"macro import", kMacroImportDialog, FileDialogKind::kOpen, u"All Files(*.dat)|*.dat||",
       u"", 5},
      {"macro export", kMacroExportDialog, FileDialogKind::kSave, u"All Files(*.dat)|*.dat||",
       u"dat", 6},
  };
  for (const Case& c : cases) {
    const FileDialogRequest r = MakeFileDialogRequest(c.dialog, u"E:\\z");
    EXPECT_EQ(r.kind, c.kind) << c.name;
    EXPECT_EQ(r.filter, c.filter) << c.name;
    EXPECT_EQ(r.defaultExtension, c.extension) << c.name;
    EXPECT_EQ(r.flags, c.flags) << c.name;
    EXPECT_EQ(r.initialFolder, u"E:\\z") << c.name;
  }
}

TEST(FileDialogTable, TheFilterReachesTheSystemWithNulSeparators) {
  EXPECT_EQ(NulSeparatedFilter(u"All Files(*.ini)|*.ini||"),
            Text(u"All Files(*.ini)\0*.ini\0\0", 24));
}

TEST_F(ProfileExchangeTest, CancellingChangesNothing) {
  Load(3);
  files.Put(kExchange, "[Config7]\r\nK3=15\r\n");
  const ProfileSettings before = settings.profile;
  const std::string config = File(kConfig);
  const std::string exchange = File(kExchange);
  const int commits = files.commits();

  EXPECT_FALSE(ImportProfile(settings, dialogs, kExeDir));
  EXPECT_FALSE(ExportProfile(settings, dialogs, kExeDir));

  EXPECT_EQ(dialogs.requests.size(), 2u);
  EXPECT_TRUE(settings.profile == before);
  EXPECT_EQ(settings.CurrentProfile, 3);
  EXPECT_EQ(files.commits(), commits);
  EXPECT_EQ(File(kConfig), config);
  EXPECT_EQ(File(kExchange), exchange);
}

TEST_F(ProfileExchangeTest, ExportFromProfile3ThenImportIntoProfile1MovesTheSettings) {
  Load(3);
  const ProfileSettings profile3 = settings.profile;
  const std::string config = File(kConfig);
  dialogs.answers = {Text(kExchange)};
  EXPECT_TRUE(ExportProfile(settings, dialogs, kExeDir));
  EXPECT_EQ(File(kConfig), config);
  EXPECT_NE(File(kExchange).find("[Config7]"), std::string::npos);

  Load(1);
  ASSERT_FALSE(settings.profile == profile3);
  const int commits = files.commits();
  dialogs.answers = {Text(kExchange)};
  EXPECT_TRUE(ImportProfile(settings, dialogs, kExeDir));

  // In memory only: the current profile stays 1 and nothing is written.
  EXPECT_TRUE(settings.profile == profile3);
  EXPECT_EQ(settings.CurrentProfile, 1);
  EXPECT_EQ(files.commits(), commits);
  EXPECT_EQ(File(kConfig), config);

  // Applying saves the current profile: now [Config1] holds profile 3's values.
  ASSERT_TRUE(settings.SaveProfile(kConfig, settings.CurrentProfile));
  settings.profile = ProfileSettings{};
  settings.LoadProfile(kConfig, 1, false);
  EXPECT_TRUE(settings.profile == profile3);
}

TEST_F(ProfileExchangeTest, ImportThenSwitchingProfileWithoutApplyingDiscardsTheValues) {
  files.Put(kExchange, "[Config7]\r\nK0=1\r\nK3=42\r\nFIRE_TIME=200\r\nDPI_SET_EN0=1\r\n");
  Load(1);
  const ProfileSettings profile1 = settings.profile;
  dialogs.answers = {Text(kExchange)};
  ASSERT_TRUE(ImportProfile(settings, dialogs, kExeDir));
  EXPECT_EQ(settings.profile.FireTime, 200);
  EXPECT_EQ(settings.profile.ButtonCodes[3], 42);

  Load(3);
  Load(1);
  EXPECT_TRUE(settings.profile == profile1);
}

TEST_F(ProfileExchangeTest, ExportingIntoConfigIniChangesOnlyItsTransferSection) {
  Load(3);
  dialogs.answers = {Text(kConfig)};
  ASSERT_TRUE(ExportProfile(settings, dialogs, kExeDir));
  const std::string once = File(kConfig);
  EXPECT_EQ(once.find(kTwoProfiles), 0u) << once;
  EXPECT_NE(once.find("[Config7]"), std::string::npos);

  // A second export replaces [Config7] rather than adding another.
  settings.profile.FireTime = 77;
  dialogs.answers = {Text(kConfig)};
  ASSERT_TRUE(ExportProfile(settings, dialogs, kExeDir));
  const std::string twice = File(kConfig);
  EXPECT_EQ(twice.find(kTwoProfiles), 0u) << twice;
  const std::size_t section = twice.find("[Config7]");
  ASSERT_NE(section, std::string::npos);
  EXPECT_EQ(twice.find("[Config7]", section + 1), std::string::npos);
  EXPECT_EQ(ini.Read(kConfig, u"Config7", u"FIRE_TIME", 260), u"77");
}

TEST_F(ProfileExchangeTest, AFileWithoutTheTransferSectionGivesTheFactoryProfile) {
  struct Case {
    const char* name;
    std::optional<std::string> file;
  };
  const Case cases[] = {
      {"other profiles only", std::string("[Config1]\r\nK3=41\r\nFIRE_TIME=9\r\n")},
      {"an empty file", std::string()},
      {"a name that does not exist", std::nullopt},
  };
  ProfileSettings factory;
  ApplyBuiltInDefaults(factory);
  for (const Case& c : cases) {
    files.Remove(kExchange);
    if (c.file) files.Put(kExchange, *c.file);
    Load(3);
    settings.profile.MacroMode = 1;
    dialogs.answers = {Text(kExchange)};
    ASSERT_TRUE(ImportProfile(settings, dialogs, kExeDir)) << c.name;
    EXPECT_TRUE(settings.profile == factory) << c.name;
    EXPECT_EQ(settings.profile.MacroMode, 0) << c.name;
    EXPECT_EQ(settings.CurrentProfile, 3) << c.name;
  }
}

// Profile 3 is shown before each import, so a value that matches neither it
// nor the built-in defaults can only have come from reading the file.
TEST_F(ProfileExchangeTest, ADamagedFileStillGivesAProfileTheMouseCanTake) {
  const std::string utf16OddByte = testing::Utf16Le(u"[Config7]\r\nFIRE_TIME=77\r\n") + "\x41";
  struct Case {
    const char* what;
    std::string file;
    std::int32_t fireTime;
    std::array<std::int32_t, 2> firstCodes;  // buttons 0 and 1 (profile 3 has 1 and 2)
  };
  const Case cases[] = {
      // No readable [Config7]: the built-in profile, not profile 3's values.
      {"binary", std::string("\x00\xff\xfe\x01\x80[Config7\x00K0=\xff", 17), 50, {1, 2}},
      {"values out of range",
       "[Config7]\r\nK0=2\r\nK1=3\r\nFIRE_TIME=99999999999\r\nDPI_LEVEL=-5\r\nLED_STATUS=-1\r\n"
       "DPI_SPEED=1000\r\nDPI_SET_EN0=0\r\nDPI_SET_EN1=0\r\nDPI_SET_EN2=0\r\nDPI_SET_EN3=0\r\n",
       300, {1, 3}},  // no button had the primary click: button 0 gets it
      {"cut off in a key", "[Config7]\r\nK0=1\r\nFIRE_TI", 0, {1, 0}},
      {"UTF-16 with an odd byte", utf16OddByte, 77, {1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    files.Put(kExchange, c.file);
    Load(3);
    dialogs.answers = {Text(kExchange)};
    ASSERT_TRUE(ImportProfile(settings, dialogs, kExeDir));
    const ProfileSettings& p = settings.profile;
    EXPECT_EQ(p.FireTime, c.fireTime);
    EXPECT_EQ(p.ButtonCodes[0], c.firstCodes[0]);
    EXPECT_EQ(p.ButtonCodes[1], c.firstCodes[1]);
    EXPECT_GE(p.DpiLevel, 0);
    EXPECT_LE(p.DpiLevel, 3);
    EXPECT_GE(p.LedMode, 0);
    EXPECT_LE(p.LedMode, 3);
    EXPECT_LE(p.PointerSpeed, 9);
  }
}

constexpr char16_t kUserMacros[] = u"C:\\Games\\ZLV\\Macro_EN.dat";
constexpr char16_t kMacroExchange[] = u"D:\\backup\\mine.dat";

class MacroExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    macros.user.count = 2;
    macros.user.slots[0].SetName(u"first");
    macros.user.slots[0].SetCount(1);
    macros.user.slots[0].SetEvent(0, MacroEvent{4, 1});
    macros.user.slots[1].SetName(u"second");
    ASSERT_TRUE(SaveMacroFile(ini, kUserMacros, macros.user));
  }
  std::vector<Text> Names() const {
    std::vector<Text> names;
    for (int i = 0; i < macros.user.count; ++i) names.push_back(macros.user.slots[i].Name());
    return names;
  }

  MemoryFileStore files;
  IniStore ini{files};
  testing::RecordingMessages messages;
  MacroTables macros;
  MacroEditState state;
  FakeFileDialogs dialogs;
};

TEST_F(MacroExchangeTest, ExportThenImportBringsTheMacrosBackAndLeavesTheLanguageFileAlone) {
  dialogs.answers = {Text(kMacroExchange)};
  ASSERT_TRUE(ExportMacros(ini, macros, dialogs, kExeDir));
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].defaultExtension, u"dat");
  const std::string userFile = *files.Read(kUserMacros);

  macros.user.count = 0;
  macros.user.slots[0].SetName(u"gone");
  dialogs.answers = {Text(kMacroExchange)};
  ASSERT_TRUE(ImportMacros(ini, messages, macros, state, dialogs, kExeDir));
  EXPECT_EQ(Names(), (std::vector<Text>{u"first", u"second"}));
  EXPECT_EQ(macros.user.slots[0].Event(0), (MacroEvent{4, 1}));
  EXPECT_EQ(*files.Read(kUserMacros), userFile);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MacroExchangeTest, CancelledDialogsChangeNothing) {
  const std::string userFile = *files.Read(kUserMacros);
  EXPECT_FALSE(ImportMacros(ini, messages, macros, state, dialogs, kExeDir));
  EXPECT_FALSE(ExportMacros(ini, macros, dialogs, kExeDir));
  EXPECT_EQ(Names(), (std::vector<Text>{u"first", u"second"}));
  EXPECT_FALSE(files.Read(kMacroExchange).has_value());
  EXPECT_EQ(*files.Read(kUserMacros), userFile);
}

TEST_F(MacroExchangeTest, DamagedFilesLoadWhatTheyHoldAndNoMore) {
  struct Case {
    const char* name;
    std::optional<std::string> file;
    int count;
  };
  const std::string record = "097000098000";  // "ab", the rest missing
  const Case cases[] = {
      {"empty", std::string(), 0},
      {"binary", std::string("\x00\x01\xff\xfe[Macros]\x00macroNum=\x80", 23), 0},
      {"huge count", "[Macros]\r\nmacroNum=99\r\n0=" + record + "\r\n", 12},
      {"negative count", "[Macros]\r\nmacroNum=-3\r\n0=" + record + "\r\n", 0},
      {"truncated record", "[Macros]\r\nmacroNum=1\r\n0=" + record, 1},
      {"UTF-16 with an odd byte", testing::Utf16Le(u"[Macros]\r\nmacroNum=1\r\n0=097\r\n") + "\x30", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files.Remove(kMacroExchange);
    if (c.file) files.Put(kMacroExchange, *c.file);
    messages.shown.clear();
    dialogs.answers = {Text(kMacroExchange)};
    ASSERT_TRUE(ImportMacros(ini, messages, macros, state, dialogs, kExeDir));
    EXPECT_EQ(macros.user.count, c.count);
    EXPECT_TRUE(messages.shown.empty());
    if (c.count > 0 && c.file->find("097000098") != std::string::npos) {
      EXPECT_EQ(macros.user.slots[0].Name(), u"ab");
      EXPECT_EQ(macros.user.slots[0].Count(), 0);
    }
  }
}

// A file that cannot be read whole fills nothing: the macros shown stay, so
// the next Set cannot write an emptied table over the language's file.
TEST_F(MacroExchangeTest, AFileThatCannotBeReadKeepsTheMacrosAndSaysWhy) {
  struct Case {
    const char* name;
    FileReadStatus failure;
    Text message;
  };
  const Case cases[] = {
      {"missing", FileReadStatus::kMissing, kMissingFileMessage},
      {"unreadable", FileReadStatus::kUnreadable, UnreadableMacroFileMessage(kMacroExchange, 1)},
      {"read part way", FileReadStatus::kIncomplete, UnreadableMacroFileMessage(kMacroExchange, 1)},
  };
  const std::string userFile = *files.Read(kUserMacros);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files.Remove(kMacroExchange);
    if (c.failure != FileReadStatus::kMissing) {
      files.Put(kMacroExchange, "[Macros]\r\nmacroNum=0\r\n");
      files.SetReadFailure(kMacroExchange, c.failure);
    }
    messages.shown.clear();
    dialogs.answers = {Text(kMacroExchange)};
    EXPECT_TRUE(ImportMacros(ini, messages, macros, state, dialogs, kExeDir));
    EXPECT_EQ(Names(), (std::vector<Text>{u"first", u"second"}));
    EXPECT_EQ(macros.user.slots[0].Event(0), (MacroEvent{4, 1}));
    EXPECT_EQ(messages.shown, std::vector<Text>{c.message});
    EXPECT_EQ(*files.Read(kUserMacros), userFile);
  }
}

}  // namespace
}  // namespace zlv
