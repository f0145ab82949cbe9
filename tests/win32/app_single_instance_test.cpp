// Start-up of the real program: one instance at a time. The program is
// copied into a folder of its own with a config.ini of the language under
// test, started twice, and ended through its "Exit Driver" command.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/gmouse_app_win32.h"
#include "app/window_title.h"
#include "base/text_win32.h"
#include "resources/resource_ids.h"
#include "tests/support/test_support.h"
#include "tests/win32/program_image_win32.h"
#include "tests/win32/program_process_win32.h"

namespace zlv {
namespace {

namespace fs = std::filesystem;
using testing::CopyProgram;
using testing::Process;
using testing::WaitForWindow;
using testing::WindowsOf;

class SingleInstanceTest : public ::testing::TestWithParam<int> {};

TEST_P(SingleInstanceTest, SecondStartRestoresTheFirstWindowAndEnds) {
  const int language = GetParam();
  const std::wstring title = ToWide(MainWindowTitle(language));
  testing::TempDir dir;
  CopyProgram(dir.path(), L"ZLV_GMouse_demo.exe");
  testing::WriteBytes(dir.path() / "config.ini",
                      "[Init]\r\nCurConfig=1\r\nVER_SEL=" + std::to_string(language) + "\r\n");
  const fs::path exe = dir.path() / L"ZLV_GMouse_demo.exe";

  Process first;
  ASSERT_TRUE(first.Start(exe));
  HWND window = WaitForWindow(first.info.dwProcessId, title);
  ASSERT_NE(window, nullptr) << "the first instance shows no window titled with its language";

  // Close: the window goes to the tray.
  PostMessageW(window, WM_CLOSE, 0, 0);
  for (int i = 0; i < 500 && IsWindowVisible(window); ++i) Sleep(20);
  ASSERT_FALSE(IsWindowVisible(window));

  Process second;
  ASSERT_TRUE(second.Start(exe));
  EXPECT_EQ(second.WaitForExit(10000), 0u);
  // The restore reaches the window through its own thread: give it time
  // (up to 10 s: a loaded machine takes seconds).
  for (int i = 0; i < 500 && (!IsWindowVisible(window) || IsIconic(window)); ++i) Sleep(20);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(IsIconic(window));
  EXPECT_TRUE(WindowsOf(second.info.dwProcessId, title).empty());
  EXPECT_EQ(WindowsOf(first.info.dwProcessId, title).size(), 1u);

  // The first instance ends through Exit Driver and releases the mutex.
  const WORD exitDriver = language == kUiEnglish ? ID_EN_EXIT_DRIVER : ID_CN_EXIT_DRIVER;
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(exitDriver, 0), 0);
  EXPECT_EQ(first.WaitForExit(10000), 0u);
  const InstanceMutex again = CreateInstanceMutex();
  EXPECT_FALSE(again.already_existed);
  CloseHandle(again.handle);
}

INSTANTIATE_TEST_SUITE_P(Languages, SingleInstanceTest, ::testing::Values(1, 0),
                         [](const ::testing::TestParamInfo<int>& param) {
                           return param.param == 1 ? std::string("English") : std::string("Chinese");
                         });

// The pieces of the rule in this process: the mutex and the restore.
TEST(InstanceMutexTest, SecondCreationSeesTheFirst) {
  const wchar_t* name = L"zlv-test-instance-mutex";
  const InstanceMutex first = CreateInstanceMutex(name);
  ASSERT_NE(first.handle, nullptr);
  EXPECT_FALSE(first.already_existed);
  const InstanceMutex second = CreateInstanceMutex(name);
  EXPECT_TRUE(second.already_existed);
  CloseHandle(second.handle);
  CloseHandle(first.handle);
  const InstanceMutex third = CreateInstanceMutex(name);
  EXPECT_FALSE(third.already_existed);
  CloseHandle(third.handle);
}

TEST(RestoreRunningWindowTest, FindsTheWindowByItsTitle) {
  HWND window = CreateWindowExW(0, L"STATIC", L"泽凡电竞游戏鼠标驱动", WS_POPUP, 0, 0, 50, 50,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  ShowWindow(window, SW_MINIMIZE);
  ShowWindow(window, SW_HIDE);
  EXPECT_FALSE(RestoreRunningWindow(u"Zelvan Gaming Mouse"));
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(RestoreRunningWindow(u"泽凡电竞游戏鼠标驱动"));
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(IsIconic(window));
  DestroyWindow(window);
}

TEST(ModuleExeDirTest, IsTheFolderOfThisExecutable) {
  EXPECT_EQ(ToWide(ModuleExeDir()), testing::BinDir());
}

}  // namespace
}  // namespace zlv
