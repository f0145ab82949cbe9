// The start-up task's definition, the tray menu's toggle and zlvctl's
// startup and version commands.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/startup_task.h"
#include "sim/memory_file_store.h"
#include "tests/support/fakes.h"
#include "tools/zlvctl/commands.h"
#include "tools/zlvctl/zlvctl.h"
#include "zlv_version.h"

namespace zlv {
namespace {

using testing::FakeStartupTask;

// The text of the first element `path` ("Parent/Child/...") names, each step
// looked for inside the one before; nothing when a step is missing.
std::optional<std::string> ElementText(const std::string& xml, const std::string& path) {
  std::size_t from = 0, to = xml.size();
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = path.find('/', start);
    const std::string name = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    const std::size_t open = xml.find("<" + name, from);
    if (open == std::string::npos || open >= to) return std::nullopt;
    const std::size_t contentStart = xml.find('>', open) + 1;
    const std::size_t close = xml.find("</" + name + ">", contentStart);
    if (close == std::string::npos || close > to) return std::nullopt;
    from = contentStart;
    to = close;
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return xml.substr(from, to - from);
}

std::string Xml(const StartupTaskDefinition& task) { return ToUtf8(StartupTaskXml(task)); }

TEST(StartupTaskXmlTest, LogonOfTheUserWithHighestRightsAndNoLimits) {
  const std::string xml =
      Xml({u"DESKTOP-1\\ana", u"C:\\Program Files\\Zelvan Gaming Mouse\\ZLV_GMouse.exe"});
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-16\"?>", 0), 0u);
  struct Case {
    const char* path;
    const char* value;
  };
  const Case cases[] = {
      {"Triggers/LogonTrigger/UserId", "DESKTOP-1\\ana"},
      {"Triggers/LogonTrigger/Enabled", "true"},
      {"Triggers/LogonTrigger/Delay", "PT10S"},
      {"Principals/Principal/UserId", "DESKTOP-1\\ana"},
      {"Principals/Principal/LogonType", "InteractiveToken"},
      {"Principals/Principal/RunLevel", "HighestAvailable"},
      {"Settings/ExecutionTimeLimit", "PT0S"},
      {"Settings/DisallowStartIfOnBatteries", "false"},
      {"Settings/StopIfGoingOnBatteries", "false"},
      {"Settings/IdleSettings/StopOnIdleEnd", "false"},
      {"Settings/RunOnlyIfIdle", "false"},
      {"Settings/RunOnlyIfNetworkAvailable", "false"},
      {"Settings/MultipleInstancesPolicy", "IgnoreNew"},
      {"Settings/Enabled", "true"},
      {"Actions/Exec/Command", "\"C:\\Program Files\\Zelvan Gaming Mouse\\ZLV_GMouse.exe\""},
      {"Actions/Exec/Arguments", "--tray"},
      {"Actions/Exec/WorkingDirectory", "C:\\Program Files\\Zelvan Gaming Mouse"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ElementText(xml, c.path), std::optional<std::string>(c.value));
  }
  // The one trigger: no boot, time or event trigger besides the logon.
  const std::string triggers = *ElementText(xml, "Triggers");
  EXPECT_EQ(triggers.find("<", triggers.find("</LogonTrigger>") + 1), std::string::npos);
  // The action runs as the principal the logon trigger names.
  EXPECT_NE(xml.find("<Principal id=\"Author\">"), std::string::npos);
  EXPECT_NE(xml.find("<Actions Context=\"Author\">"), std::string::npos);
}

TEST(StartupTaskXmlTest, NamesAndPathsAreEscaped) {
  const std::string xml = Xml({u"R&D\\O'Brien <x>", u"D:\\Tools & \"Games\"\\ZLV_GMouse.exe"});
  EXPECT_EQ(ElementText(xml, "Principals/Principal/UserId"), "R&amp;D\\O'Brien &lt;x&gt;");
  EXPECT_EQ(ElementText(xml, "Actions/Exec/Command"), "\"D:\\Tools &amp; \"Games\"\\ZLV_GMouse.exe\"");
  EXPECT_EQ(ElementText(xml, "Actions/Exec/WorkingDirectory"), "D:\\Tools &amp; \"Games\"");
  // No bare ampersand or angle bracket reached the text.
  for (std::size_t at = xml.find('&'); at != std::string::npos; at = xml.find('&', at + 1)) {
    const std::string rest = xml.substr(at, 6);
    EXPECT_TRUE(rest.rfind("&amp;", 0) == 0 || rest.rfind("&lt;", 0) == 0 || rest.rfind("&gt;", 0) == 0)
        << rest;
  }
}

TEST(StartupTaskXmlTest, ChineseUserNamesPassThrough) {
  const std::string xml = Xml({u"PC\\张伟", u"C:\\游戏\\ZLV_GMouse.exe"});
  EXPECT_EQ(ElementText(xml, "Triggers/LogonTrigger/UserId"), "PC\\张伟");
  EXPECT_EQ(ElementText(xml, "Actions/Exec/WorkingDirectory"), "C:\\游戏");
}

TEST(FolderOfPathTest, EverythingBeforeTheLastSeparator) {
  struct Case {
    const char16_t* path;
    const char16_t* folder;
  };
  const Case cases[] = {
      {u"C:\\Program Files\\Zelvan Gaming Mouse\\ZLV_GMouse.exe", u"C:\\Program Files\\Zelvan Gaming Mouse"},
      {u"C:\\ZLV_GMouse.exe", u"C:"},
      {u"Z:/tmp/a/ZLV_GMouse.exe", u"Z:/tmp/a"},
      {u"ZLV_GMouse.exe", u""},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(FolderOfPath(c.path), c.folder) << ToUtf8(c.path);
}

TEST(ToggleStartupTaskTest, RemovesAnExistingTaskAndRegistersAMissingOne) {
  struct Case {
    bool exists, fail;
    StartupToggleResult result;
    bool existsAfter;
    int enables, disables;
  };
  const Case cases[] = {
      {false, false, StartupToggleResult::kEnabled, true, 1, 0},
      {true, false, StartupToggleResult::kDisabled, false, 0, 1},
      {false, true, StartupToggleResult::kFailed, false, 1, 0},
      {true, true, StartupToggleResult::kFailed, true, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.exists << c.fail);
    FakeStartupTask task;
    task.exists = c.exists;
    task.fail = c.fail;
    EXPECT_EQ(ToggleStartupTask(task), c.result);
    EXPECT_EQ(task.exists, c.existsAfter);
    EXPECT_EQ(task.enables, c.enables);
    EXPECT_EQ(task.disables, c.disables);
  }
}

// --- zlvctl ---

struct CliRun {
  int status;
  std::string out, err;
};

CliRun Zlvctl(std::vector<std::string> args, StartupTask* startup = nullptr) {
  MemoryFileStore files;
  std::ostringstream out, err;
  const int status = RunZlvctl(args, out, err, files, nullptr, startup);
  return {status, out.str(), err.str()};
}

TEST(ZlvctlVersionTest, PrintsTheProjectVersion) {
  const CliRun r = Zlvctl({"--version"});
  EXPECT_EQ(r.status, kExitOk);
  const std::string expected = "zlvctl " + std::to_string(ZLV_VERSION_MAJOR) + "." +
                               std::to_string(ZLV_VERSION_MINOR) + "." +
                               std::to_string(ZLV_VERSION_PATCH) + "\n";
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.out, std::string("zlvctl ") + ZLV_VERSION_TEXT + "\n");
  EXPECT_EQ(Zlvctl({"--version", "x"}).status, kExitUsage);
}

TEST(ZlvctlStartupTest, StatusEnableAndDisableActOnTheTask) {
  FakeStartupTask task;
  CliRun r = Zlvctl({"startup", "status"}, &task);
  EXPECT_EQ(r.status, zlvctl::kExitStartupOff);
  EXPECT_EQ(r.out, "off\n");

  EXPECT_EQ(Zlvctl({"startup", "enable"}, &task).status, kExitOk);
  EXPECT_TRUE(task.exists);
  r = Zlvctl({"startup", "status"}, &task);
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "on\n");
  // Enabling again replaces the task.
  EXPECT_EQ(Zlvctl({"startup", "enable"}, &task).status, kExitOk);
  EXPECT_EQ(task.enables, 2);

  EXPECT_EQ(Zlvctl({"startup", "disable"}, &task).status, kExitOk);
  EXPECT_FALSE(task.exists);
  EXPECT_EQ(Zlvctl({"startup", "disable"}, &task).status, kExitOk);
}

TEST(ZlvctlStartupTest, FailuresAndMisuse) {
  FakeStartupTask failing;
  failing.fail = true;
  struct Case {
    std::vector<std::string> args;
    StartupTask* task;
    int status;
    const char* err;
  };
  const Case cases[] = {
      {{"startup", "enable"}, &failing, kExitRuntimeError, "cannot register the start-up task"},
      {{"startup", "disable"}, &failing, kExitRuntimeError, "cannot remove the start-up task"},
      {{"startup", "status"}, nullptr, kExitRuntimeError, "needs the Windows Task Scheduler"},
      {{"startup"}, &failing, kExitUsage, "startup needs"},
      {{"startup", "toggle"}, &failing, kExitUsage, "unknown startup command"},
      {{"startup", "enable", "--program", "x"}, &failing, kExitUsage, "takes no options"},
      {{"startup", "xml", "--user", "a\\b"}, nullptr, kExitUsage, "missing option --program"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    const CliRun r = Zlvctl(c.args, c.task);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

TEST(ZlvctlStartupTest, XmlPrintsTheDefinition) {
  const CliRun r = Zlvctl({"startup", "xml", "--program", "C:\\Z\\ZLV_GMouse.exe", "--user", "PC\\张伟"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, ToUtf8(StartupTaskXml({u"PC\\张伟", u"C:\\Z\\ZLV_GMouse.exe"})));
}

}  // namespace
}  // namespace zlv
