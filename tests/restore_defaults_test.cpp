#include "app/restore_defaults.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/program_rig.h"
#include "tests/support/fakes.h"

namespace zlv {
namespace {

using testing::RecordingMessages;

// The file commits and the reports the mouse receives, in one sequence;
// repeats in a row count once.
struct EventLog {
  std::vector<std::string> entries;
  void Add(const std::string& what) {
    if (entries.empty() || entries.back() != what) entries.push_back(what);
  }
};

const char kConfig[] =
    "[Init]\r\nCurConfig=3\r\nVER_SEL=0\r\n"
    "[Config1]\r\nK0=9\r\n[Config3]\r\nK0=9\r\nK3=50\r\n"
    "[CfgReset2]\r\nK0=1\r\nK3=15\r\n[CfgReset3]\r\nK0=1\r\nK1=2\r\nK2=3\r\nK3=41\r\nK4=31\r\n"
    "K5=6\r\nDPI_SET_EN0=1\r\nFIRE_TIME=40\r\n[CfgReset4]\r\nK0=1\r\n"
    "[CfgReset5]\r\nK0=1\r\nK3=42\r\n[CfgReset_EN5]\r\nK0=1\r\nK3=43\r\n";

const std::string kDefaultMacros =
    "[Macros]\r\nmacroNum=1\r\n0=" + std::string(3192, '0') + "\r\n";

TEST(RestoreDefaults, RestoresProfilesThenMacrosThenPushesEverything) {
  ProgramRig<ManualClock> rig;
  MemoryFileStore& files = rig.files;
  SettingsModel& settings = rig.settings;
  VirtualMouse& mouse = rig.mouse;
  EventLog log;
  files.SetReplaceObserver([&](TextView path) {
    log.Add(path.ends_with(u"config.ini") ? "config" : "macros " + ToUtf8(path));
  });
  mouse.SetReportObserver([&](const LoggedReport&) { log.Add("report"); });
  RecordingMessages messages;
  UserMacroTable& macros = rig.tables.user;
  MacroEditState state;

  const MacroFileLocations where{u"C:\\zlv", u"C:\\zlv\\skins"};
  settings.ConfigPath = u"C:\\zlv\\config.ini";
  settings.UiLanguage = 0;
  settings.CurrentProfile = 3;
  files.Put(settings.ConfigPath, kConfig);
  files.Put(DefaultMacroFilePath(where, 0), kDefaultMacros);
  macros.slots[0].SetName(u"mine");
  macros.count = 1;

  RestoreDefaultsContext context{settings, rig.protocol, rig.system, messages, rig.tables, state, where,
                                 [&] { log.Add("refresh"); }, nullptr};
  RestoreDefaults(context);

  const std::string userFile = "macros " + ToUtf8(UserMacroFilePath(where, 0));
  EXPECT_EQ(log.entries, (std::vector<std::string>{"config", "refresh", userFile, "config", "report"}));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(files.Read(UserMacroFilePath(where, 0)), kDefaultMacros);
  EXPECT_EQ(macros.count, 1);
  EXPECT_EQ(macros.slots[0].Name(), u"");
  // The current profile was reloaded from its restored section and sent.
  EXPECT_EQ(settings.profile.ButtonCodes[3], 41);
  EXPECT_EQ(settings.profile.FireTime, 40);
  EXPECT_EQ(mouse.Log().size(), 13u);
  EXPECT_EQ(rig.ini.Read(settings.ConfigPath, u"Config6", u"K3", 5), u"41");
  EXPECT_EQ(rig.ini.Read(settings.ConfigPath, u"Config1", u"K0", 5), u"1");
  EXPECT_TRUE(mouse.ProtocolErrors().empty());
}

}  // namespace
}  // namespace zlv
