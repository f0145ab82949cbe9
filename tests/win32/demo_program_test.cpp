// ZLV_GMouse_demo.exe as a user meets it: the program comes up over the
// virtual mouse with the companion window beside it, the companion lists the
// settings sent at start-up (and, when asked, logs them to a file), and
// unplugging the mouse ends the program. Run unattended, it ends by itself and
// leaves its screenshots.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/window_title.h"
#include "base/text_win32.h"
#include "demo/demo_companion_win32.h"
#include "tests/support/test_support.h"
#include "tests/support/windows_support.h"
#include "tests/win32/program_process_win32.h"

namespace zlv {
namespace {

namespace fs = std::filesystem;

void CopyDemo(const fs::path& to) { testing::CopyProgram(to, L"ZLV_GMouse_demo.exe", /*withConfig=*/true); }

// The lines of a list box of another process.
std::vector<std::wstring> ListLines(HWND list) {
  std::vector<std::wstring> lines;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    const LRESULT got = SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    lines.push_back(text);
  }
  return lines;
}

using testing::Process;

// The program's main window (either language's title) once it shows, or null
// after five seconds.
HWND WaitForMainWindow(const Process& demo) {
  for (int i = 0; i < 100; ++i, Sleep(50)) {
    for (std::int32_t language : {kUiEnglish, 0}) {
      for (HWND w : testing::WindowsOf(demo.info.dwProcessId, ToWide(MainWindowTitle(language)))) {
        if (IsWindowVisible(w)) return w;
      }
    }
  }
  return nullptr;
}

// The lines of a text file, without their line ends.
std::vector<std::string> FileLines(const fs::path& file) {
  std::vector<std::string> lines;
  std::istringstream in(testing::ReadBytes(file));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The demo's companion window once it shows, or null when the demo ended or
// did not show it within ten seconds.
HWND WaitForCompanion(Process& demo) {
  for (int i = 0; i < 200; ++i) {
    for (HWND w = FindWindowExW(nullptr, nullptr, demo::kCompanionClass, demo::kCompanionTitle); w != nullptr;
         w = FindWindowExW(nullptr, w, demo::kCompanionClass, demo::kCompanionTitle)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid == demo.info.dwProcessId && IsWindowVisible(w)) return w;
    }
    if (demo.WaitForExit(50) != STILL_ACTIVE) return nullptr;
  }
  return nullptr;
}

// Sets an environment value for the programs this process starts.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name) {
    SetEnvironmentVariableW(name, value.c_str());
  }
  ~ScopedEnvironment() { SetEnvironmentVariableW(name_, nullptr); }

 private:
  const wchar_t* name_;
};

// The program sets the Windows pointer speed and wheel lines, which persist in
// the prefix: each test puts them back.
class DemoProgramTest : public ::testing::Test {
 private:
  testing::MouseSettingsGuard restore_;
};

TEST_F(DemoProgramTest, ComesUpWithTheCompanionAndEndsWhenTheMouseIsUnplugged) {
  testing::TempDir dir;
  CopyDemo(dir.path());
  Process demo;
  ASSERT_TRUE(demo.Start(dir.path() / L"ZLV_GMouse_demo.exe"));
  HWND companion = WaitForCompanion(demo);
  ASSERT_NE(companion, nullptr) << "no companion window";

  // The settings pushed at start-up reach the mouse and the list.
  HWND reports = GetDlgItem(companion, demo::kReportListId);
  LRESULT count = 0;
  for (int i = 0; i < 100 && count == 0; ++i, Sleep(20)) count = SendMessageW(reports, LB_GETCOUNT, 0, 0);
  EXPECT_GT(count, 0);

  PostMessageW(GetDlgItem(companion, demo::kUnplugId), BM_CLICK, 0, 0);
  EXPECT_EQ(demo.WaitForExit(10000), 0u) << "the program did not end after the unplug";
}

TEST_F(DemoProgramTest, TheCompanionStandsBesideTheMainWindowWithoutCoveringIt) {
  testing::TempDir dir;
  CopyDemo(dir.path());
  Process demo;
  ASSERT_TRUE(demo.Start(dir.path() / L"ZLV_GMouse_demo.exe"));
  HWND companion = WaitForCompanion(demo);
  ASSERT_NE(companion, nullptr) << "no companion window";
  HWND main = WaitForMainWindow(demo);
  ASSERT_NE(main, nullptr) << "no main window";

  RECT mainRect{}, companionRect{}, overlap{};
  ASSERT_TRUE(GetWindowRect(main, &mainRect));
  ASSERT_TRUE(GetWindowRect(companion, &companionRect));
  EXPECT_FALSE(IntersectRect(&overlap, &mainRect, &companionRect))
      << "main (" << mainRect.left << ", " << mainRect.top << ")-(" << mainRect.right << ", " << mainRect.bottom
      << "), companion (" << companionRect.left << ", " << companionRect.top << ")-(" << companionRect.right
      << ", " << companionRect.bottom << ")";
  // Wholly on the screen, so the user reaches all of it.
  EXPECT_GE(companionRect.left, 0);
  EXPECT_GE(companionRect.top, 0);
  EXPECT_LE(companionRect.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_LE(companionRect.bottom, GetSystemMetrics(SM_CYSCREEN));

  PostMessageW(GetDlgItem(companion, demo::kUnplugId), BM_CLICK, 0, 0);
  EXPECT_EQ(demo.WaitForExit(10000), 0u);
}

TEST_F(DemoProgramTest, TheReportLogHoldsTheStartUpPushAsItArrives) {
  testing::TempDir dir;
  CopyDemo(dir.path());
  const fs::path log = dir.path() / L"reports.log";
  // Lines are appended after what the file holds.
  testing::WriteBytes(log, "earlier run\r\n");
  ScopedEnvironment logTo(L"ZLV_DEMO_REPORT_LOG", log.wstring());
  Process demo;
  ASSERT_TRUE(demo.Start(dir.path() / L"ZLV_GMouse_demo.exe"));
  HWND companion = WaitForCompanion(demo);
  ASSERT_NE(companion, nullptr) << "no companion window";

  // The push of profile 1 of the shipped config.ini: six button functions,
  // the wheel, four DPI stages, the LED, the fire time. The lines are in the
  // file while the program runs.
  constexpr std::size_t kPushReports = 13;
  std::vector<std::string> lines;
  for (int i = 0; i < 250 && lines.size() < 1 + kPushReports; ++i, Sleep(20)) lines = FileLines(log);
  PostMessageW(GetDlgItem(companion, demo::kUnplugId), BM_CLICK, 0, 0);
  EXPECT_EQ(demo.WaitForExit(10000), 0u);

  ASSERT_GE(lines.size(), 1 + kPushReports);
  EXPECT_EQ(lines[0], "earlier run");
  const std::regex format("([0-9]+) ((?:[0-9a-f]{2} ){7}[0-9a-f]{2})");
  long long previous = 0;
  std::vector<std::string> bytes;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, format)) << "line " << i << ": " << lines[i];
    const long long ms = std::stoll(m[1].str());
    EXPECT_GE(ms, previous) << "line " << i << ": " << lines[i];
    EXPECT_LT(ms, 60000) << "not counted from the demo's start: " << lines[i];
    previous = ms;
    bytes.push_back(m[2].str());
  }
  // Report 7, then the command and its first argument.
  const char* const expectedStarts[kPushReports] = {
      "07 10 01 01", "07 10 02 02", "07 10 03 03", "07 10 05 05", "07 10 04 04", "07 10 06 06",  // K0..K5
      "07 11",                                                                                   // wheel
      "07 09", "07 09", "07 09", "07 09",                                                        // DPI stages
      "07 13", "07 12",                                                                          // LED, fire time
  };
  for (std::size_t i = 0; i < kPushReports; ++i) {
    EXPECT_EQ(bytes[i].rfind(expectedStarts[i], 0), 0u) << "report " << i << ": " << bytes[i];
  }
}

TEST_F(DemoProgramTest, AHostServedButtonClickedInTheCompanionIsServedByTheProgram) {
  testing::TempDir dir;
  CopyDemo(dir.path());
  // Profile 4 of the shipped config.ini has multimedia keys, which the
  // program sends when the mouse announces the press.
  std::string config = testing::ReadBytes(dir.path() / "config.ini");
  const std::size_t current = config.find("CurConfig=1");
  ASSERT_NE(current, std::string::npos);
  config.replace(current, 11, "CurConfig=4");
  testing::WriteBytes(dir.path() / "config.ini", config);
  Process demo;
  ASSERT_TRUE(demo.Start(dir.path() / L"ZLV_GMouse_demo.exe"));
  HWND companion = WaitForCompanion(demo);
  ASSERT_NE(companion, nullptr) << "no companion window";

  // The first button whose device function is 0 (served by the program).
  int button = 0;
  for (int i = 0; i < 100 && button == 0; ++i, Sleep(20)) {
    for (const std::wstring& line : ListLines(GetDlgItem(companion, demo::kStateListId))) {
      const std::wstring prefix = L"Device function of buttons 1-6:";
      if (line.rfind(prefix, 0) != 0) continue;
      std::wstring functions = line.substr(prefix.size());
      for (int b = 1, at = 0; b <= 6; ++b) {
        const std::size_t next = functions.find(L' ', static_cast<std::size_t>(at) + 1);
        if (std::stoi(functions.substr(static_cast<std::size_t>(at), next - static_cast<std::size_t>(at))) == 0) {
          button = b;
          break;
        }
        at = static_cast<int>(next);
      }
    }
  }
  ASSERT_NE(button, 0) << "profile 4 has no button served by the program";

  HWND reports = GetDlgItem(companion, demo::kReportListId);
  const std::size_t before = ListLines(reports).size();
  PostMessageW(GetDlgItem(companion, demo::kClickButtonId + button - 1), BM_CLICK, 0, 0);
  std::size_t after = before;
  for (int i = 0; i < 150 && after == before; ++i, Sleep(20)) after = ListLines(reports).size();
  EXPECT_GT(after, before) << "no report answered the click of button " << button;

  PostMessageW(GetDlgItem(companion, demo::kUnplugId), BM_CLICK, 0, 0);
  EXPECT_EQ(demo.WaitForExit(10000), 0u);
}

// The main window of the demo, shown or not, once it exists.
HWND FindMainWindow(const Process& demo) {
  for (int i = 0; i < 200; ++i, Sleep(50)) {
    for (std::int32_t language : {kUiEnglish, 0}) {
      const std::vector<HWND> found = testing::WindowsOf(demo.info.dwProcessId, ToWide(MainWindowTitle(language)));
      if (!found.empty()) return found.front();
    }
  }
  return nullptr;
}

// Waits until the report log holds at least `count` lines; the lines it holds.
std::vector<std::string> WaitForLogLines(const fs::path& log, std::size_t count) {
  std::vector<std::string> lines;
  for (int i = 0; i < 250 && lines.size() < count; ++i, Sleep(20)) lines = FileLines(log);
  return lines;
}

void Click(HWND companion, int id) { PostMessageW(GetDlgItem(companion, id), BM_CLICK, 0, 0); }

constexpr std::size_t kPushReports = 13;
constexpr WPARAM kShowWindowCommand = 32801;
constexpr WPARAM kExitDriverCommand = 32800;

TEST_F(DemoProgramTest, StartedWithTrayItPushesAndShowsNoWindowUntilTheTrayShowsIt) {
  testing::TempDir dir;
  CopyDemo(dir.path());
  const fs::path log = dir.path() / L"reports.log";
  ScopedEnvironment logTo(L"ZLV_DEMO_REPORT_LOG", log.wstring());
  Process demo;
  ASSERT_TRUE(demo.Start(dir.path() / L"ZLV_GMouse_demo.exe", L"--tray"));
  HWND companion = WaitForCompanion(demo);
  ASSERT_NE(companion, nullptr) << "no companion window";
  EXPECT_EQ(WaitForLogLines(log, kPushReports).size(), kPushReports) << "the start-up push";
  HWND main = FindMainWindow(demo);
  ASSERT_NE(main, nullptr);
  // Watched for a while: it never shows by itself.
  bool shown = false;
  for (int i = 0; i < 20 && !shown; ++i, Sleep(25)) shown = IsWindowVisible(main) != FALSE;
  EXPECT_FALSE(shown) << "the main window showed without the tray";

  PostMessageW(main, WM_COMMAND, kShowWindowCommand, 0);
  for (int i = 0; i < 100 && !shown; ++i, Sleep(20)) shown = IsWindowVisible(main) != FALSE;
  EXPECT_TRUE(shown) << "Show Window did not show it";

  // Unplugged, it waits; plugged in again, it pushes again.
  Click(companion, demo::kUnplugId);
  EXPECT_EQ(demo.WaitForExit(500), static_cast<DWORD>(STILL_ACTIVE)) << "the unplug ended a tray start";
  Click(companion, demo::kPlugInId);
  EXPECT_EQ(WaitForLogLines(log, 2 * kPushReports).size(), 2 * kPushReports) << "the push after the re-plug";

  PostMessageW(main, WM_COMMAND, kExitDriverCommand, 0);
  EXPECT_EQ(demo.WaitForExit(10000), 0u);
}

TEST_F(DemoProgramTest, StartedWithTrayAndNoMouseItWaitsQuietlyAndPushesOnEachPlugIn) {
  testing::TempDir dir;
  CopyDemo(dir.path());
  const fs::path log = dir.path() / L"reports.log";
  const std::string configBefore = testing::ReadBytes(dir.path() / "config.ini");
  ScopedEnvironment logTo(L"ZLV_DEMO_REPORT_LOG", log.wstring());
  ScopedEnvironment unplugged(L"ZLV_DEMO_UNPLUGGED", L"1");
  Process demo;
  ASSERT_TRUE(demo.Start(dir.path() / L"ZLV_GMouse_demo.exe", L"--tray"));
  // The companion opens once the start-up is over: no plug-in message held it.
  HWND companion = WaitForCompanion(demo);
  ASSERT_NE(companion, nullptr) << "no companion window: the start-up did not get through";
  EXPECT_TRUE(testing::WindowsOf(demo.info.dwProcessId, L"ZLV_GMouse_demo", L"#32770").empty())
      << "a message box showed";
  HWND main = FindMainWindow(demo);
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(IsWindowVisible(main));
  Sleep(200);
  EXPECT_TRUE(FileLines(log).empty()) << "reports without the mouse";
  EXPECT_EQ(testing::ReadBytes(dir.path() / "config.ini"), configBefore);

  for (std::size_t plug = 1; plug <= 2; ++plug) {
    Click(companion, demo::kPlugInId);
    const std::vector<std::string> lines = WaitForLogLines(log, plug * kPushReports);
    ASSERT_EQ(lines.size(), plug * kPushReports) << "plug-in " << plug;
    // The push starts with the first button's function.
    EXPECT_NE(lines[(plug - 1) * kPushReports].find(" 07 10 01 01 "), std::string::npos)
        << lines[(plug - 1) * kPushReports];
    Click(companion, demo::kUnplugId);
    EXPECT_EQ(demo.WaitForExit(300), static_cast<DWORD>(STILL_ACTIVE)) << "the unplug ended a tray start";
  }
  EXPECT_FALSE(IsWindowVisible(main));

  PostMessageW(main, WM_COMMAND, kExitDriverCommand, 0);
  EXPECT_EQ(demo.WaitForExit(10000), 0u);
}

TEST_F(DemoProgramTest, UnattendedRunEndsByItselfAndSavesItsScreenshots) {
  testing::TempDir dir;
  CopyDemo(dir.path());
  const fs::path screen = dir.path() / L"screen.png";
  const fs::path main = dir.path() / L"main.png";
  ScopedEnvironment seconds(L"ZLV_DEMO_SECONDS", L"1");
  ScopedEnvironment screenshot(L"ZLV_DEMO_SCREENSHOT", screen.wstring());
  ScopedEnvironment mainScreenshot(L"ZLV_DEMO_MAIN_SCREENSHOT", main.wstring());
  Process demo;
  ASSERT_TRUE(demo.Start(dir.path() / L"ZLV_GMouse_demo.exe"));
  EXPECT_EQ(demo.WaitForExit(15000), 0u);
  for (const fs::path& picture : {screen, main}) {
    ASSERT_TRUE(fs::exists(picture)) << picture.string();
    EXPECT_EQ(testing::ReadBytes(picture).substr(0, 4), "\x89PNG");
  }
}

}  // namespace
}  // namespace zlv
