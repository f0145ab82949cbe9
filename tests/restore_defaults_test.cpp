#include "app/restore_defaults.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/memory_file_store.h"
#include "sim/virtual_mouse.h"

namespace zlv {
namespace {

class NoMessages : public MessageBoxes {
 public:
  void Show(TextView text) override { shown.emplace_back(text); }
  std::vector<Text> shown;
};

// Memory files that log each commit in one sequence with the reports the
// mouse receives.
class LoggingFiles final : public FileStore {
 public:
  explicit LoggingFiles(std::vector<std::string>& log) : log_(log) {}
  std::optional<std::string> Read(TextView path) override { return files.Read(path); }
  bool Replace(TextView path, const std::string& bytes) override {
    const bool done = files.Replace(path, bytes);
    if (done) Log(path.ends_with(u"config.ini") ? "config" : "macros " + ToUtf8(path));
    return done;
  }
  void Log(const std::string& what) {
    if (log_.empty() || log_.back() != what) log_.push_back(what);
  }
  MemoryFileStore files;

 private:
  std::vector<std::string>& log_;
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
  std::vector<std::string> log;
  LoggingFiles files(log);
  IniStore ini(files);
  SettingsModel settings(ini);
  ManualClock clock;
  VirtualMouse mouse(clock);
  mouse.SetReportObserver([&](const LoggedReport&) { files.Log("report"); });
  VirtualMouseLink link(mouse);
  MouseProtocol protocol(link, clock);
  RecordingSystemSettings system;
  NoMessages messages;
  UserMacroTable macros;
  MacroEditState state;

  const MacroFileLocations where{u"C:\\zlv", u"C:\\zlv\\skins"};
  settings.ConfigPath = u"C:\\zlv\\config.ini";
  settings.UiLanguage = 0;
  settings.CurrentProfile = 3;
  files.files.Put(settings.ConfigPath, kConfig);
  files.files.Put(DefaultMacroFilePath(where, 0), kDefaultMacros);
  macros.slots[0].SetName(u"mine");
  macros.count = 1;

  RestoreDefaultsContext context{settings, protocol, system, messages, macros, state, where,
                                 [&] { files.Log("refresh"); }, nullptr};
  RestoreDefaults(context);

  const std::string userFile = "macros " + ToUtf8(UserMacroFilePath(where, 0));
  EXPECT_EQ(log, (std::vector<std::string>{"config", "refresh", userFile, "config", "report"}));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(files.Read(UserMacroFilePath(where, 0)), kDefaultMacros);
  EXPECT_EQ(macros.count, 1);
  EXPECT_EQ(macros.slots[0].Name(), u"");
  // The current profile was reloaded from its restored section and sent.
  EXPECT_EQ(settings.profile.ButtonCodes[3], 41);
  EXPECT_EQ(settings.profile.FireTime, 40);
  EXPECT_EQ(mouse.Log().size(), 13u);
  EXPECT_EQ(ini.Read(settings.ConfigPath, u"Config6", u"K3", 5), u"41");
  EXPECT_EQ(ini.Read(settings.ConfigPath, u"Config1", u"K0", 5), u"1");
  EXPECT_TRUE(mouse.ProtocolErrors().empty());
}

}  // namespace
}  // namespace zlv
