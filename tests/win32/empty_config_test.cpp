// The program's main window started beside an empty config.ini (deleted,
// emptied or garbled by the user), with the virtual mouse behind the HID
// layer: the start-up push must leave the mouse a primary click and an
// enabled DPI stage.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "app/gmouse_dlg_win32.h"
#include "base/text_win32.h"
#include "device/system_settings.h"
#include "resources/resource_ids.h"
#include "sim/virtual_hid_system.h"
#include "sim/virtual_mouse.h"
#include "tests/support/fakes.h"
#include "tests/support/test_support.h"
#include "tests/win32/program_image_win32.h"
#include "wingui/win_framework_win32.h"

namespace zlv {
namespace {

namespace fs = std::filesystem;

TEST(EmptyConfig, TheStartUpPushKeepsThePrimaryClickAndADpiStage) {
  ASSERT_NE(testing::ProgramImage(), nullptr);
  win::SetResourceModule(testing::ProgramImage());

  testing::TempDir dir;
  testing::StageProgramData(dir.path(), /*withConfig=*/false);
  testing::WriteBytes(dir.path() / "config.ini", "");

  SteadyClock clock;
  VirtualMouse mouse(clock);
  VirtualHidSystem hid(mouse, {});
  testing::RecordingMessages messages;
  RecordingSystemSettings system;
  testing::NoLauncher launcher;
  AppComposition composition;
  composition.hid = &hid;
  composition.makeTransport = [&hid](const DeviceLink& link) {
    return std::make_unique<VirtualHidTransport>(link, hid);
  };
  // Once the window is up (after the start-up push), end the program.
  composition.onMainWindowReady = [](HWND window) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(ID_EN_EXIT_DRIVER, 0), 0);
  };
  composition.messages = &messages;
  composition.system = &system;
  composition.launcher = &launcher;

  {
    CZLV_GMouseDlg dialog(FromWide(dir.path().wstring()), composition);
    dialog.DoModal();
    dialog.EndRun();
  }
  win::SetResourceModule(nullptr);

  EXPECT_TRUE(messages.shown.empty());
  EXPECT_TRUE(mouse.ProtocolErrors().empty());
  // Thirteen settings reports, then the exit report.
  ASSERT_EQ(mouse.Log().size(), 14u);
  const VirtualMouseState s = mouse.State();
  EXPECT_EQ(s.buttonFunction[0], 1);  // hardware button 1 clicks
  EXPECT_EQ(s.buttonFunction, (std::array<std::uint8_t, 6>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(s.enableMask, 0x0F);
  EXPECT_EQ(s.activeStage, 0);
  // The file heals: profile 0 is saved with what was sent.
  const std::string config = testing::ReadBytes(dir.path() / "config.ini");
  EXPECT_NE(config.find("[Config0]\r\nK0=1\r\n"), std::string::npos) << config;
  EXPECT_NE(config.find("DPI_SET_EN0=1"), std::string::npos) << config;
}

}  // namespace
}  // namespace zlv
