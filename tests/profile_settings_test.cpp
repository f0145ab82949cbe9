#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "sim/memory_file_store.h"
#include "settings/profile_settings.h"

namespace zlv {
namespace {

constexpr char16_t kConfig[] = u"C:\\zlv\\config.ini";

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { settings.ConfigPath = kConfig; }
  void PutConfig(const std::string& text) { files.Put(kConfig, text); }
  std::string Config() { return files.Read(kConfig).value_or(""); }
  Text Value(const char16_t* section, const char16_t* key) {
    return ini.Read(kConfig, section, key, 260);
  }

  MemoryFileStore files;
  IniStore ini{files};
  SettingsModel settings{ini};
};

const char kFactoryResets[] =
    "[Init]\r\nCurConfig=3\r\nVER_SEL=1\r\n"
    "[CfgReset2]\r\nK0=1\r\nK3=15\r\nFIRE_TIME=30\r\n"
    "[CfgReset3]\r\nK0=1\r\nK3=41\r\nFIRE_TIME=33\r\n"
    "[CfgReset4]\r\nK0=1\r\nK3=24\r\nFIRE_TIME=34\r\n"
    "[CfgReset5]\r\nK0=1\r\nK3=42\r\nFIRE_TIME=35\r\n"
    "[CfgReset_EN5]\r\nK0=1\r\nK3=43\r\nFIRE_TIME=36\r\n";

TEST_F(SettingsTest, AMissingSectionGivesTheBuiltInDefaults) {
  struct Case {
    const char* name;
    std::optional<std::string> config;
    std::int32_t profile;
    bool fromReset;
  };
  const Case cases[] = {
      {"no file", std::nullopt, 1, false},
      {"a fresh file without [Init]: profile 0", "", 0, false},
      {"another profile's section only", "[Config1]\r\nK0=9\r\n", 2, false},
      {"an import file without [Config7]", "[Config1]\r\nK0=9\r\n", 7, false},
      {"a missing reset section", "[Config2]\r\nK0=9\r\n", 2, true},
  };
  ProfileSettings factory;
  ApplyBuiltInDefaults(factory);
  for (const Case& c : cases) {
    files.Remove(kConfig);
    if (c.config) PutConfig(*c.config);
    settings.profile = ProfileSettings{};
    settings.profile.MacroMode = 1;
    settings.profile.ButtonCodes[2] = 41;
    settings.LoadProfile(kConfig, c.profile, c.fromReset);
    // MacroMode has no built-in value: it reads 0, as a missing key does.
    EXPECT_EQ(settings.profile.MacroMode, 0) << c.name;
    EXPECT_TRUE(settings.profile == factory) << c.name;
  }
  settings.ChooseStartupProfile();
  EXPECT_EQ(settings.CurrentProfile, 0);
}

TEST_F(SettingsTest, ASectionThatIsThereIsReadAsItIsEvenWithoutProfileKeys) {
  // The header alone (any case) makes the section present: its missing keys
  // read 0 rather than the factory values (only the primary click and one
  // DPI stage are put back, as for any profile about to be sent).
  for (const char* config : {"[Config3]\r\nNOTE=hand edited\r\n", "[config3]\r\n"}) {
    PutConfig(config);
    settings.LoadProfile(kConfig, 3, false);
    const ProfileSettings& p = settings.profile;
    EXPECT_EQ(p.ButtonCodes[0], 1) << config;
    EXPECT_EQ(p.ButtonCodes[1], 0) << config;
    EXPECT_EQ(p.DpiStageEnabled[1], 0) << config;
    EXPECT_EQ(p.FireTime, 0) << config;
  }
}

TEST_F(SettingsTest, LoadReadsEveryKeyAndKeepsLowBitsOfNarrowFields) {
  PutConfig(
      "[Config2]\r\nK0=1\r\nK1=41\r\nK2=-3\r\nK3=14\r\nK4=6\r\nK5=0\r\n"
      "WHEEL_STATUS=1\r\nMACRO_MODE2=1\r\nDPI_LEVEL=2\r\n"
      "DPI_SET0=3\r\nDPI_SET_EN0=7\r\nDPI_SET1=257\r\nDPI_SET_EN1=0\r\n"
      "DPI_SET2=4\r\nDPI_SET_EN2=1\r\nDPI_SET3=x\r\nDPI_SET_EN3=-1\r\n"
      "LED_STATUS=260\r\nDPI_SPEED=9\r\nWHEEL_SPEED=5\r\nUSB_SPEED=3\r\nFIRE_TIME=300\r\n");
  settings.LoadProfile(kConfig, 2, false);
  const ProfileSettings& p = settings.profile;
  const int codes[] = {1, 41, -3, 14, 6, 0};
  for (int i = 0; i < kButtonCount; ++i) EXPECT_EQ(p.ButtonCodes[i], codes[i]) << i;
  EXPECT_EQ(p.WheelStatus, 1);
  EXPECT_EQ(p.MacroMode, 1);
  EXPECT_EQ(p.DpiLevel, 2);
  EXPECT_EQ(p.DpiStages[0], 3);
  EXPECT_EQ(p.DpiStages[1], 1);  // 257: low 8 bits
  EXPECT_EQ(p.DpiStages[3], 0);  // text that is not a number
  EXPECT_EQ(p.DpiStageEnabled[0], 1);  // any non-zero value enables
  EXPECT_EQ(p.DpiStageEnabled[1], 0);
  EXPECT_EQ(p.DpiStageEnabled[3], 1);
  EXPECT_EQ(p.DpiStageMarks[0], 63);
  EXPECT_EQ(p.DpiStageMarks[1], 66);
  EXPECT_EQ(p.DpiStageMarks[2], 74);
  EXPECT_EQ(p.DpiStageMarks[3], 75);
  EXPECT_EQ(p.LedMode, 3);  // 260: low 8 bits give 4, bounded to 3
  EXPECT_EQ(p.PointerSpeed, 9);
  EXPECT_EQ(p.WheelLines, 5);
  EXPECT_EQ(p.ReportRate, 3);
  EXPECT_EQ(p.FireTime, 300);

  // An enable flag of 7 is written back as 1.
  settings.SaveProfile(kConfig, 2);
  EXPECT_EQ(Value(u"Config2", u"DPI_SET_EN0"), u"1");
  EXPECT_EQ(Value(u"Config2", u"DPI_SET_EN3"), u"1");
}

TEST_F(SettingsTest, LongValuesAreCutToTheReadBufferBeforeConversion) {
  struct Case {
    const char* line;
    int expected;
  };
  // Most keys read 4 characters, the DPI stage keys 9.
  PutConfig(
      "[Config1]\r\nFIRE_TIME=0299999\r\nK1=-12345\r\nDPI_LEVEL=00029\r\n"
      "DPI_SET0=000000001234\r\nDPI_SET_EN0=000000000001\r\nDPI_SET_EN2=1\r\n");
  settings.LoadProfile(kConfig, 1, false);
  EXPECT_EQ(settings.profile.FireTime, 299);  // "0299"
  EXPECT_EQ(settings.profile.ButtonCodes[1], -123);
  EXPECT_EQ(settings.profile.DpiLevel, 2);  // "0002"
  EXPECT_EQ(settings.profile.DpiStages[0], 1);  // "000000001" of "000000001234"
  EXPECT_EQ(settings.profile.DpiStageEnabled[0], 0);  // "000000000": the 1 is cut off
}

TEST_F(SettingsTest, SaveWritesTheKeysInOrderAsOneCommit) {
  ApplyBuiltInDefaults(settings.profile);
  const int before = files.commits();
  ASSERT_TRUE(settings.SaveProfile(kConfig, 4));
  EXPECT_EQ(files.commits(), before + 1);
  EXPECT_EQ(Config(),
            "[Config4]\r\nK0=1\r\nK1=2\r\nK2=3\r\nK3=5\r\nK4=4\r\nK5=6\r\nDPI_LEVEL=0\r\n"
            "WHEEL_STATUS=0\r\nMACRO_MODE2=0\r\nDPI_SET0=0\r\nDPI_SET_EN0=1\r\nDPI_SET1=1\r\n"
            "DPI_SET_EN1=1\r\nDPI_SET2=2\r\nDPI_SET_EN2=1\r\nDPI_SET3=4\r\nDPI_SET_EN3=1\r\n"
            "LED_STATUS=0\r\nDPI_SPEED=4\r\nWHEEL_SPEED=2\r\nUSB_SPEED=2\r\nFIRE_TIME=50\r\n");
}

TEST_F(SettingsTest, SaveThenLoadGivesTheSameSettings) {
  ApplyBuiltInDefaults(settings.profile);
  settings.profile.ButtonCodes[3] = 47;
  settings.profile.MacroMode = 1;
  ChooseDpiStageValue(settings.profile, 2, 3);
  settings.profile.FireTime = 120;
  settings.profile.LedMode = 2;
  const ProfileSettings saved = settings.profile;
  settings.SaveProfile(kConfig, 7);
  settings.profile = ProfileSettings{};
  settings.LoadProfile(kConfig, 7, false);
  EXPECT_TRUE(settings.profile == saved);
}

TEST_F(SettingsTest, SingleKeySavesTouchOnlyTheirKey) {
  PutConfig("[Config3]\r\nDPI_LEVEL=0\r\nUSB_SPEED=0\r\nFIRE_TIME=77\r\n");
  settings.profile.DpiLevel = 2;
  settings.profile.ReportRate = 1;
  settings.profile.FireTime = 5;
  settings.SaveDpiLevel(kConfig, 3);
  settings.SaveUsbSpeed(kConfig, 3);
  EXPECT_EQ(Config(), "[Config3]\r\nDPI_LEVEL=2\r\nUSB_SPEED=1\r\nFIRE_TIME=77\r\n");
}

TEST_F(SettingsTest, RestoreDefaultsTakesProfileFiveFromTheLanguagesResetSection) {
  struct Case {
    std::int32_t language;
    const char16_t* profile5Key3;
    const char16_t* profile5FireTime;
  };
  for (const Case& c : {Case{1, u"43", u"36"}, Case{0, u"42", u"35"}}) {
    PutConfig(kFactoryResets);
    settings.UiLanguage = c.language;
    settings.CurrentProfile = 3;
    settings.profile.MacroMode = 1;
    ASSERT_TRUE(settings.RestoreDefaultSettings());
    EXPECT_EQ(Value(u"Config1", u"K3"), u"5");
    EXPECT_EQ(Value(u"Config1", u"FIRE_TIME"), u"50");
    EXPECT_EQ(Value(u"Config1", u"MACRO_MODE2"), u"1");  // MacroMode is kept
    EXPECT_EQ(Value(u"Config2", u"K3"), u"15");
    EXPECT_EQ(Value(u"Config3", u"K3"), u"41");
    EXPECT_EQ(Value(u"Config4", u"K3"), u"24");
    EXPECT_EQ(Value(u"Config5", u"K3"), c.profile5Key3);
    EXPECT_EQ(Value(u"Config5", u"FIRE_TIME"), c.profile5FireTime);
    // The current profile is loaded again afterwards.
    EXPECT_EQ(settings.profile.ButtonCodes[3], 41);
    EXPECT_EQ(settings.profile.FireTime, 33);
  }
}

TEST_F(SettingsTest, RestoreDefaultsReportsAFailedWrite) {
  PutConfig(kFactoryResets);
  files.SetReadOnly(kConfig, true);
  EXPECT_FALSE(settings.RestoreDefaultSettings());
  EXPECT_EQ(Config(), kFactoryResets);
}

TEST_F(SettingsTest, StartupProfileComesFromCurConfig) {
  struct Case {
    const char* config;
    std::int32_t profile;
  };
  const Case cases[] = {
      {"[Init]\r\nCurConfig=4\r\n", 4},
      {"[init]\r\n curconfig = 2 \r\n", 2},
      {"[Init]\r\nCurConfig=abc\r\n", 0},
      {"[Init]\r\nCurConfig=123456\r\n", 1234},  // four characters are read
      {"", 0},
  };
  for (const Case& c : cases) {
    PutConfig(c.config);
    settings.ChooseStartupProfile();
    EXPECT_EQ(settings.CurrentProfile, c.profile) << c.config;
  }
}

TEST_F(SettingsTest, UiLanguageFromVerSel) {
  struct Case {
    const char* config;
    std::int32_t language;
  };
  const Case cases[] = {
      {"[Init]\r\nVER_SEL=1\r\n", 1},
      {"[Init]\r\nVER_SEL=0\r\n", 0},
      {"[Init]\r\nCurConfig=1\r\n", 0},  // missing: Chinese
      {"[Init]\r\nVER_SEL=english\r\n", 0},
      {"[Init]\r\nVER_SEL=257\r\n", 1},  // low byte
  };
  for (const Case& c : cases) {
    PutConfig(c.config);
    EXPECT_EQ(ReadUiLanguage(ini, kConfig), c.language) << c.config;
  }
}

TEST(MakeSendable, LeavesAProfileThatFitsAsItIs) {
  // Edges of every range, the primary click on the last button only, and the
  // last stage as the only enabled one.
  ProfileSettings s;
  ApplyBuiltInDefaults(s);
  s.ButtonCodes = {2, 0, 53, -7, 41, 1};
  s.WheelStatus = 1;
  s.MacroMode = 9;
  s.DpiLevel = 3;
  s.DpiStages = {4, 0, 3, 4};
  s.DpiStageEnabled = {0, 0, 0, 1};
  s.LedMode = 3;
  s.PointerSpeed = 9;
  s.WheelLines = 0;
  s.ReportRate = 7;  // never sent, not bounded
  s.FireTime = 300;
  s.RecomputeDpiStageMarks();
  const ProfileSettings before = s;
  MakeSendable(s);
  EXPECT_TRUE(s == before);
  EXPECT_EQ(s.ReportRate, 7);
}

TEST(ResetSectionName, EnglishHasItsOwnProfileFive) {
  EXPECT_EQ(ResetSectionName(5, 1), u"CfgReset_EN5");
  EXPECT_EQ(ResetSectionName(5, 0), u"CfgReset5");
  EXPECT_EQ(ResetSectionName(5, 2), u"CfgReset5");
  EXPECT_EQ(ResetSectionName(4, 1), u"CfgReset4");
  EXPECT_EQ(ProfileSectionName(6), u"Config6");
}

struct StageCase {
  const char* name;
  std::array<int, 4> enabled;
  int level;
  enum { kEnable, kDisable, kChoose } op;
  int stage;
  std::array<int, 4> expectEnabled;
  int expectLevel;
};

TEST(DpiStageRules, KeepTheActiveStageEnabled) {
  const StageCase cases[] = {
      {"enabling never moves the level", {1, 0, 0, 0}, 0, StageCase::kEnable, 2, {1, 0, 1, 0}, 0},
      {"disabling another stage", {1, 1, 1, 1}, 0, StageCase::kDisable, 2, {1, 1, 0, 1}, 0},
      {"disabling the active stage moves on", {1, 1, 1, 1}, 1, StageCase::kDisable, 1, {1, 0, 1, 1}, 2},
      {"search wraps from 3 to 0", {1, 0, 0, 1}, 3, StageCase::kDisable, 3, {1, 0, 0, 0}, 0},
      {"search skips disabled stages", {0, 1, 0, 1}, 1, StageCase::kDisable, 1, {0, 0, 0, 1}, 3},
      {"the only enabled stage stays", {0, 0, 1, 0}, 2, StageCase::kDisable, 2, {0, 0, 1, 0}, 2},
      {"choosing an enabled stage", {1, 0, 1, 0}, 0, StageCase::kChoose, 2, {1, 0, 1, 0}, 2},
      {"choosing a disabled stage is refused", {1, 0, 1, 0}, 0, StageCase::kChoose, 1, {1, 0, 1, 0}, 0},
      {"a stage out of range is ignored", {1, 1, 1, 1}, 0, StageCase::kDisable, 4, {1, 1, 1, 1}, 0},
  };
  for (const StageCase& c : cases) {
    ProfileSettings s;
    for (int n = 0; n < 4; ++n) s.DpiStageEnabled[n] = static_cast<std::uint8_t>(c.enabled[n]);
    s.DpiLevel = c.level;
    switch (c.op) {
      case StageCase::kEnable: EnableDpiStage(s, c.stage); break;
      case StageCase::kDisable: DisableDpiStage(s, c.stage); break;
      case StageCase::kChoose: ChooseActiveDpiStage(s, c.stage); break;
    }
    for (int n = 0; n < 4; ++n) EXPECT_EQ(s.DpiStageEnabled[n], c.expectEnabled[n]) << c.name << " stage " << n;
    EXPECT_EQ(s.DpiLevel, c.expectLevel) << c.name;
  }
}

TEST(DpiStageRules, ChoosingAValueMovesTheStageMark) {
  ProfileSettings s;
  ApplyBuiltInDefaults(s);
  ChooseDpiStageValue(s, 3, 1);
  EXPECT_EQ(s.DpiStages[3], 1);
  EXPECT_EQ(s.DpiStageMarks[3], 76);
  ChooseDpiStageValue(s, 3, 5);  // no such value
  EXPECT_EQ(s.DpiStages[3], 1);
}

}  // namespace
}  // namespace zlv
