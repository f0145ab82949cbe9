// The program's settings push: a profile loaded from config.ini goes to the
// virtual mouse and to Windows, and the files record what was applied.
#include "app/settings_push.h"

#include <gtest/gtest.h>

#include <functional>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/memory_file_store.h"
#include "sim/program_rig.h"
#include "sim/virtual_mouse.h"
#include "tests/support/test_support.h"

namespace zlv {
namespace {

constexpr char16_t kConfig[] = u"C:\\zlv\\config.ini";

// A complete profile section with the built-in values, keys in file order;
// `changes` replaces the value of a key (its text as it would stand in the file).
std::string Section(int n, const std::map<std::string, std::string>& changes = {}) {
  const std::pair<const char*, const char*> keys[] = {
      {"K0", "1"},           {"K1", "2"},           {"K2", "3"},          {"K3", "5"},
      {"K4", "4"},           {"K5", "6"},           {"DPI_LEVEL", "0"},   {"WHEEL_STATUS", "0"},
      {"MACRO_MODE2", "0"},  {"DPI_SET0", "0"},     {"DPI_SET_EN0", "1"}, {"DPI_SET1", "1"},
      {"DPI_SET_EN1", "1"},  {"DPI_SET2", "2"},     {"DPI_SET_EN2", "1"}, {"DPI_SET3", "4"},
      {"DPI_SET_EN3", "1"},  {"LED_STATUS", "0"},   {"DPI_SPEED", "4"},   {"WHEEL_SPEED", "2"},
      {"USB_SPEED", "2"},    {"FIRE_TIME", "50"},
  };
  std::string out = "[Config" + std::to_string(n) + "]\r\n";
  for (const auto& [key, value] : keys) {
    const auto changed = changes.find(key);
    out += std::string(key) + "=" + (changed != changes.end() ? changed->second : value) + "\r\n";
  }
  return out;
}

// The program's objects around a virtual mouse, on manual time.
class SettingsPushTest : public ::testing::Test, protected ProgramRig<ManualClock> {
 protected:
  void SetUp() override { settings.ConfigPath = kConfig; }
  void TearDown() override { EXPECT_TRUE(mouse.ProtocolErrors().empty()) << mouse.ProtocolErrors()[0]; }

  // Start-up: the profile named by [Init] CurConfig, then the push.
  void StartWith(const std::string& config) {
    files.Put(kConfig, config);
    LoadAndPush();
  }
  void LoadAndPush() {
    settings.ChooseStartupProfile();
    Push();
  }
  void Push() {
    mouse.ClearLog();
    PushAllSettings(settings, protocol, system, [this] { ++repaints; });
  }
  std::vector<std::string> Sent() {
    std::vector<std::string> out;
    for (const auto& r : mouse.Log()) out.push_back(HexBytes(r.bytes));
    return out;
  }
  Text Saved(const Text& section, const Text& key) { return ini.Read(kConfig, section, key, 20); }

  // What the mouse holds must leave the user a primary click and a DPI stage.
  void ExpectUsableMouse(const std::string& name) {
    const VirtualMouseState m = mouse.State();
    bool primary = false;
    for (std::uint8_t f : m.buttonFunction) primary = primary || f == 1;
    EXPECT_TRUE(primary) << name;
    EXPECT_LT(m.activeStage, 4) << name;
    EXPECT_NE((m.enableMask >> m.activeStage) & 1, 0) << name << ": active stage " << int{m.activeStage};
  }

  int repaints = 0;
};

// Files and Windows settings that log each change in one sequence with the
// reports the mouse receives.
class LoggingFiles final : public FileStore {
 public:
  explicit LoggingFiles(std::vector<std::string>& log) : log_(log) {}
  FileRead Load(TextView path) override { return files.Load(path); }
  bool Replace(TextView path, const std::string& bytes) override {
    const bool done = files.Replace(path, bytes);
    if (done) log_.push_back("file");
    return done;
  }
  MemoryFileStore files;

 private:
  std::vector<std::string>& log_;
};

class LoggingSystem final : public SystemSettings {
 public:
  explicit LoggingSystem(std::vector<std::string>& log) : log_(log) {}
  std::optional<int> PointerSpeed() override { return 10; }
  void SetPointerSpeed(int speed) override { log_.push_back("pointer " + std::to_string(speed)); }
  std::optional<int> WheelScrollLines() override { return 3; }
  void SetWheelScrollLines(int lines) override { log_.push_back("wheel " + std::to_string(lines)); }

 private:
  std::vector<std::string>& log_;
};

// A push's files and reports, logged in one sequence: the files commit, the
// mouse takes each report (its first two bytes); profile 2 of kConfig holds
// the built-in defaults.
struct LoggedPush {
  LoggedPush() {
    mouse.SetReportObserver([this](const LoggedReport& r) { log.push_back(HexBytes(r.bytes, 2)); });
    settings.ConfigPath = kConfig;
    settings.CurrentProfile = 2;
    ApplyBuiltInDefaults(settings.profile);
  }
  std::vector<std::string> log;
  LoggingFiles files{log};
  IniStore ini{files};
  SettingsModel settings{ini};
  ManualClock clock;
  VirtualMouse mouse{clock};
  VirtualMouseLink link{mouse};
  MouseProtocol protocol{link, clock};
};

TEST(SettingsPush, FilesReportsAndWindowsSettingsInTheirOrder) {
  LoggedPush rig;
  auto& [log, files, ini, settings, clock, mouse, link, protocol] = rig;
  LoggingSystem system(log);

  PushAllSettings(settings, protocol, system, [&] { log.push_back("repaint"); });
  const std::vector<std::string> expected = {
      "file",  // [Init] CurConfig
      "file",  // [Config6]
      "07 10", "07 10", "07 10", "07 10", "07 10", "07 10",  // buttons
      "07 11", "07 09", "07 09", "07 09", "07 09", "07 13",  // wheel, DPI stages, LED
      "repaint", "pointer 8", "wheel 3", "07 12",
      "file",  // [Config2]
  };
  EXPECT_EQ(log, expected);
}

// Setting the Windows pointer speed broadcasts the change, and the window
// thread takes the messages sent to it meanwhile: a power event among them
// asks for a push while this one is between its LED and fire-time reports.
// The second push must follow the first whole, not run inside it (its
// reports would land between the first push's own, each carrying bytes the
// other left in the buffer).
TEST(SettingsPush, APushAskedForDuringAPushFollowsItWhole) {
  LoggedPush rig;
  auto& [log, files, ini, settings, clock, mouse, link, protocol] = rig;
  class BroadcastingSystem final : public SystemSettings {
   public:
    explicit BroadcastingSystem(std::function<void()> broadcast) : broadcast_(std::move(broadcast)) {}
    std::optional<int> PointerSpeed() override { return 10; }
    void SetPointerSpeed(int) override {
      if (nested_++ == 0) broadcast_();
    }
    std::optional<int> WheelScrollLines() override { return std::nullopt; }
    void SetWheelScrollLines(int) override {}

   private:
    std::function<void()> broadcast_;
    int nested_ = 0;
  };
  BroadcastingSystem system([&] { PushAllSettings(settings, protocol, system, nullptr); });

  PushAllSettings(settings, protocol, system, nullptr);
  // The second push writes only what changed since the first: its reports
  // are what matters.
  std::vector<std::string> reports;
  for (const std::string& entry : log) {
    if (entry != "file") reports.push_back(entry);
  }
  const std::vector<std::string> one = {"07 10", "07 10", "07 10", "07 10", "07 10", "07 10", "07 11",
                                        "07 09", "07 09", "07 09", "07 09", "07 13", "07 12"};
  std::vector<std::string> two = one;
  two.insert(two.end(), one.begin(), one.end());
  EXPECT_EQ(reports, two);
  EXPECT_TRUE(mouse.ProtocolErrors().empty());
}

TEST_F(SettingsPushTest, WritesCurConfigTheSnapshotAndTheProfile) {
  settings.CurrentProfile = 3;
  ApplyBuiltInDefaults(settings.profile);
  settings.profile.ButtonCodes[2] = 24;
  Push();
  EXPECT_EQ(repaints, 1);
  EXPECT_EQ(mouse.Log().size(), 13u);
  const IniSnapshot file = ini.Open(kConfig);
  EXPECT_EQ(file.Read(u"Init", u"CurConfig", 5), u"3");
  for (const auto& kv : ProfileKeyValues(settings.profile)) {
    EXPECT_EQ(file.Read(u"Config6", kv.key, 20), DecimalText(kv.value)) << ToUtf8(kv.key);
    EXPECT_EQ(file.Read(u"Config3", kv.key, 20), DecimalText(kv.value)) << ToUtf8(kv.key);
  }
  EXPECT_EQ(Saved(u"Config3", u"K2"), u"24");
}

TEST_F(SettingsPushTest, WindowsSettingsAreLeftAloneWhenTheyCannotBeRead) {
  ApplyBuiltInDefaults(settings.profile);
  system.readable = false;
  Push();
  EXPECT_EQ(system.pointer_speed_sets, 0);
  EXPECT_EQ(system.wheel_lines_sets, 0);
  EXPECT_EQ(mouse.Log().size(), 13u);
}

// Hand-edited values outside what the window can set: the mouse gets the
// nearer end of the range, and the window and the next save keep that value.
TEST_F(SettingsPushTest, OutOfRangeValuesAreBoundedBeforeTheyAreSent) {
  struct Case {
    const char* key;
    const char* value;
    std::size_t report;  // index in the push
    const char* sent;
    const char16_t* saved;
  };
  const Case cases[] = {
      {"DPI_LEVEL", "9", 7, "07 09 43 68 0f 00 00 00", u"3"},
      {"DPI_LEVEL", "-2", 7, "07 09 40 68 0f 00 00 00", u"0"},
      {"FIRE_TIME", "-8", 12, "07 12 00 00 00 00 00 00", u"0"},
      {"FIRE_TIME", "9999", 12, "07 12 00 25 00 00 00 00", u"300"},
      {"LED_STATUS", "4", 11, "07 13 3f 17 0f 00 00 00", u"3"},
      {"LED_STATUS", "-1", 11, "07 13 3f 17 0f 00 00 00", u"3"},  // low 8 bits: 255
      {"DPI_SET0", "315", 7, "07 09 40 f8 0f 00 00 00", u"4"},    // low 8 bits: 59
      {"DPI_SET2", "5", 9, "07 09 40 fa 0f 00 00 00", u"4"},
      {"WHEEL_STATUS", "7", 6, "07 11 01 00 00 00 00 00", u"1"},
      {"WHEEL_STATUS", "-3", 6, "07 11 00 00 00 00 00 00", u"0"},
      // In range: sent as it stands.
      {"FIRE_TIME", "300", 12, "07 12 00 25 00 00 00 00", u"300"},
      {"DPI_LEVEL", "3", 7, "07 09 43 68 0f 00 00 00", u"3"},
      {"LED_STATUS", "2", 11, "07 13 3f 16 0f 00 00 00", u"2"},
  };
  for (const Case& c : cases) {
    const std::string name = std::string(c.key) + "=" + c.value;
    StartWith("[Init]\r\nCurConfig=1\r\n" + Section(1, {{c.key, c.value}}));
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 13u) << name;
    EXPECT_EQ(sent[c.report], c.sent) << name;
    EXPECT_EQ(Saved(u"Config1", FromUtf8(c.key)), c.saved) << name;
    EXPECT_EQ(Saved(u"Config6", FromUtf8(c.key)), c.saved) << name;
    ExpectUsableMouse(name);
  }
}

TEST_F(SettingsPushTest, OutOfRangeWindowsStepsAreBounded) {
  struct Case {
    const char* key;
    const char* value;
    int pointerSpeed;
    int wheelLines;
    const char16_t* saved;
  };
  const Case cases[] = {
      {"DPI_SPEED", "12", 18, 3, u"9"},
      {"DPI_SPEED", "-1", 18, 3, u"9"},  // low 8 bits: 255
      {"WHEEL_SPEED", "40", 8, 10, u"9"},
      {"WHEEL_SPEED", "9", 8, 10, u"9"},
      {"DPI_SPEED", "0", 1, 3, u"0"},
  };
  for (const Case& c : cases) {
    const std::string name = std::string(c.key) + "=" + c.value;
    StartWith("[Init]\r\nCurConfig=1\r\n" + Section(1, {{c.key, c.value}}));
    EXPECT_EQ(system.pointer_speed, c.pointerSpeed) << name;
    EXPECT_EQ(system.wheel_lines, c.wheelLines) << name;
    EXPECT_EQ(Saved(u"Config1", FromUtf8(c.key)), c.saved) << name;
  }
}

TEST_F(SettingsPushTest, TheLedModeShownIsTheOneSent) {
  StartWith("[Init]\r\nCurConfig=1\r\n" + Section(1, {{"LED_STATUS", "200"}}));
  EXPECT_EQ(mouse.State().ledCode, 7);
  EXPECT_EQ(protocol.AppliedLedMode(), 3);
  EXPECT_EQ(settings.profile.LedMode, 3);
}

TEST_F(SettingsPushTest, AStageValueOutOfRangeMarksAValueButtonOfItsStage) {
  StartWith("[Init]\r\nCurConfig=1\r\n" + Section(1, {{"DPI_SET0", "315"}, {"DPI_SET3", "255"}}));
  // Stage 0 owns main entries 60..64, stage 3 entries 75..79.
  EXPECT_EQ(settings.profile.DpiStageMarks[0], 64);
  EXPECT_EQ(settings.profile.DpiStageMarks[3], 79);
}

// Whatever config.ini holds, the mouse keeps a primary click and an enabled
// active DPI stage; what was corrected is shown and saved.
TEST_F(SettingsPushTest, TheMouseAlwaysKeepsAPrimaryClickAndADpiStage) {
  struct Case {
    const char* name;
    std::optional<std::string> config;  // nothing: no config.ini at all
    std::int32_t profile;               // CurrentProfile after start-up
    std::array<int, 6> codes;
    int level;
    std::array<int, 4> enabled;
    std::int32_t fireTime;
  };
  const std::array<int, 6> kFactoryCodes = {1, 2, 3, 5, 4, 6};
  const Case cases[] = {
      {"no config.ini", std::nullopt, 0, kFactoryCodes, 0, {1, 1, 1, 1}, 50},
      {"an empty config.ini", "", 0, kFactoryCodes, 0, {1, 1, 1, 1}, 50},
      {"a garbled config.ini", "\x01\x02garbage\r\n=\r\n[[", 0, kFactoryCodes, 0, {1, 1, 1, 1}, 50},
      {"the current profile's section is missing", "[Init]\r\nCurConfig=2\r\n" + Section(1), 2,
       kFactoryCodes, 0, {1, 1, 1, 1}, 50},
      {"a section without any profile key: every key reads 0", "[Init]\r\nCurConfig=1\r\n[Config1]\r\nOTHER=5\r\n", 1,
       {1, 0, 0, 0, 0, 0}, 0, {1, 0, 0, 0}, 0},
      {"a section with one key: the rest read 0",
       "[Init]\r\nCurConfig=1\r\n[Config1]\r\nFIRE_TIME=100\r\n", 1,
       {1, 0, 0, 0, 0, 0}, 0, {1, 0, 0, 0}, 100},
      {"every key, but no button on the primary click",
       "[Init]\r\nCurConfig=1\r\n" + Section(1, {{"K0", "2"}, {"K2", "41"}}), 1, {1, 2, 41, 5, 4, 6}, 0,
       {1, 1, 1, 1}, 50},
      {"all stages disabled",
       "[Init]\r\nCurConfig=1\r\n" +
           Section(1, {{"DPI_LEVEL", "2"}, {"DPI_SET_EN0", "0"}, {"DPI_SET_EN1", "0"}, {"DPI_SET_EN2", "0"},
                       {"DPI_SET_EN3", "0"}}),
       1, kFactoryCodes, 2, {0, 0, 1, 0}, 50},
      {"the active stage disabled",
       "[Init]\r\nCurConfig=1\r\n" +
           Section(1, {{"DPI_LEVEL", "1"}, {"DPI_SET_EN1", "0"}, {"DPI_SET_EN2", "0"}}),
       1, kFactoryCodes, 3, {1, 0, 0, 1}, 50},
      {"the active stage disabled, the search wraps",
       "[Init]\r\nCurConfig=1\r\n" +
           Section(1, {{"DPI_LEVEL", "3"}, {"DPI_SET_EN0", "0"}, {"DPI_SET_EN2", "0"}, {"DPI_SET_EN3", "0"}}),
       1, kFactoryCodes, 1, {0, 1, 0, 0}, 50},
      {"an active stage beyond 3 and no stage enabled",
       "[Init]\r\nCurConfig=1\r\n" +
           Section(1, {{"DPI_LEVEL", "7"}, {"DPI_SET_EN0", "0"}, {"DPI_SET_EN1", "0"}, {"DPI_SET_EN2", "0"},
                       {"DPI_SET_EN3", "0"}}),
       1, kFactoryCodes, 3, {0, 0, 0, 1}, 50},
  };
  for (const Case& c : cases) {
    files.Remove(kConfig);
    if (c.config) files.Put(kConfig, *c.config);
    LoadAndPush();
    ASSERT_EQ(mouse.Log().size(), 13u) << c.name;
    ExpectUsableMouse(c.name);
    const ProfileSettings& p = settings.profile;
    EXPECT_EQ(settings.CurrentProfile, c.profile) << c.name;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p.ButtonCodes[i], c.codes[i]) << c.name << ", button " << i;
    EXPECT_EQ(p.DpiLevel, c.level) << c.name;
    for (int n = 0; n < 4; ++n) EXPECT_EQ(p.DpiStageEnabled[n], c.enabled[n]) << c.name << ", stage " << n;
    EXPECT_EQ(p.FireTime, c.fireTime) << c.name;
    // The file heals: the section now holds what was sent.
    const Text section = ProfileSectionName(c.profile);
    EXPECT_EQ(Saved(section, u"K0"), DecimalText(c.codes[0])) << c.name;
    EXPECT_EQ(Saved(section, u"DPI_LEVEL"), DecimalText(c.level)) << c.name;
    EXPECT_EQ(Saved(section, u"DPI_SET_EN" + DecimalText(c.level)), u"1") << c.name;
  }
}

// The shipped profiles already hold a primary click and an enabled active
// stage: they are sent as they stand and their sections stay as they are.
TEST_F(SettingsPushTest, TheShippedProfilesAreSentAsTheyStand) {
  const std::string shipped = testing::ReadBytes(ToUtf8(testing::SourceFile("data/config.ini")));
  for (std::int32_t n = kFirstUserProfile; n <= kLastUserProfile; ++n) {
    files.Put(kConfig, shipped);
    settings.CurrentProfile = n;
    settings.LoadProfile(kConfig, n, false);
    Push();
    ExpectUsableMouse("profile " + std::to_string(n));
    const IniSnapshot before(IniDocument::Parse(shipped));
    const IniSnapshot after = ini.Open(kConfig);
    for (const auto& kv : ProfileKeyValues(settings.profile)) {
      const Text section = ProfileSectionName(n);
      EXPECT_EQ(after.Read(section, kv.key, 20), before.Read(section, kv.key, 20))
          << "profile " << n << " " << ToUtf8(kv.key);
    }
  }
  // Two of them byte for byte: profile 2 (DPI switching buttons, active stage
  // 1) and profile 4 (stages 2 and 3 disabled).
  files.Put(kConfig, shipped);
  settings.CurrentProfile = 2;
  settings.LoadProfile(kConfig, 2, false);
  Push();
  EXPECT_EQ(Sent(), (std::vector<std::string>{
                        "07 10 01 01 00 00 00 00", "07 10 02 02 00 00 00 00", "07 10 03 03 00 00 00 00",
                        "07 10 05 0b 00 00 00 00", "07 10 04 0c 00 00 00 00", "07 10 06 06 00 00 00 00",
                        "07 11 00 00 00 00 00 00", "07 09 41 f8 0f 00 00 00", "07 09 41 69 0f 00 00 00",
                        "07 09 41 7a 0f 00 00 00", "07 09 41 bb 0f 00 00 00", "07 13 3f 16 0f 00 00 00",
                        "07 12 00 03 00 00 00 00"}));
  settings.CurrentProfile = 4;
  settings.LoadProfile(kConfig, 4, false);
  Push();
  EXPECT_EQ(Sent(), (std::vector<std::string>{
                        "07 10 01 01 00 00 00 00", "07 10 02 02 00 00 00 00", "07 10 03 03 00 00 00 00",
                        "07 10 05 00 00 00 00 00", "07 10 04 00 00 00 00 00", "07 10 06 00 00 00 00 00",
                        "07 11 00 00 00 00 00 00", "07 09 40 68 03 00 00 00", "07 09 40 79 03 00 00 00",
                        "07 09 40 ba 03 00 00 00", "07 09 40 fb 03 00 00 00", "07 13 3f 17 03 00 00 00",
                        "07 12 00 06 00 00 00 00"}));
}

}  // namespace
}  // namespace zlv
