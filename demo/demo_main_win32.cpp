// ZLV_GMouse_demo.exe: the same program over the virtual mouse, so it runs
// without the hardware. The virtual mouse's collections are listed as HID
// interfaces (with two devices of another maker), the scan finds them as it
// would the real mouse, and a companion window beside the main window plays
// the user's hand on the mouse and shows what it receives.
//
// Environment, for unattended runs (scripts/run):
//   ZLV_DEMO_SECONDS          end after this many seconds by unplugging the mouse
//   ZLV_DEMO_SCREENSHOT       just before that, save the screen as PNG here
//   ZLV_DEMO_MAIN_SCREENSHOT  and the main window alone here
//   ZLV_DEMO_REPORT_LOG       append each feature report the mouse receives to
//                             this file as it arrives ("<ms> <8 bytes in hex>")
//   ZLV_DEMO_UNPLUGGED        "1": the virtual mouse starts unplugged (the
//                             companion's "Plug in mouse" plugs it in)
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "demo/demo_companion.h"
#include "demo/demo_companion_win32.h"
#include "app/gmouse_app_win32.h"
#include "base/clock.h"
#include "base/text_win32.h"
#include "device/hid_system_win32.h"
#include "sim/virtual_hid_system.h"
#include "sim/virtual_mouse.h"

namespace {

std::wstring Environment(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::wstring();
  std::wstring value(size, L'\0');
  const DWORD got = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(got < size ? got : 0);
  return value;
}

// The unattended end: screenshots, then the unplug, which ends the program
// through its own removal handling. Should the main window still be there a
// while later, it is closed for good so the run cannot hang.
struct UnattendedEnd {
  zlv::demo::CompanionWindow* companion = nullptr;
  HWND mainWindow = nullptr;
  std::wstring screenshot;
  std::wstring mainScreenshot;
};
UnattendedEnd g_end;

// Thread timers: the system picks their ids.
UINT_PTR g_end_timer = 0;
UINT_PTR g_force_end_timer = 0;
constexpr UINT kForceEndAfterMs = 5000;
constexpr WORD kExitDriverCommand = 32800;

void CALLBACK OnEndTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (id == g_end_timer) {
    g_end_timer = 0;
    if (!g_end.screenshot.empty()) {
      const bool saved = zlv::demo::SaveWindowPicture(nullptr, zlv::FromWide(g_end.screenshot));
      OutputDebugStringW(saved ? L"demo: screenshot saved\n" : L"demo: screenshot failed\n");
    }
    if (!g_end.mainScreenshot.empty() && IsWindow(g_end.mainWindow)) {
      zlv::demo::SaveWindowPicture(g_end.mainWindow, zlv::FromWide(g_end.mainScreenshot));
    }
    if (g_end.companion != nullptr) g_end.companion->Unplug();
    // A program started with --tray waits for the mouse instead of ending:
    // its tray menu's "Exit Driver" ends it.
    if (IsWindow(g_end.mainWindow)) PostMessageW(g_end.mainWindow, WM_COMMAND, MAKEWPARAM(kExitDriverCommand, 0), 0);
    if (IsWindow(g_end.mainWindow)) g_force_end_timer = SetTimer(nullptr, 0, kForceEndAfterMs, &OnEndTimer);
  } else if (id == g_force_end_timer) {
    g_force_end_timer = 0;
    if (IsWindow(g_end.mainWindow)) DestroyWindow(g_end.mainWindow);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  zlv::SteadyClock clock;
  const zlv::Nanos start = clock.Now();
  zlv::VirtualMouse mouse(clock);
  zlv::VirtualHidSystem::Options hidOptions;
  hidOptions.mousePlugged = Environment(L"ZLV_DEMO_UNPLUGGED") != L"1";
  zlv::VirtualHidSystem hid(mouse, hidOptions);
  // Removal and arrival reach the main window as WM_DEVICECHANGE, as they
  // would from Windows for the windows registered through the scan.
  hid.SetNotifier([](zlv::NotifyTarget window, std::uint32_t event, const zlv::DeviceBroadcast& header) {
    if (IsWindow(reinterpret_cast<HWND>(window))) zlv::SendDeviceChange(window, event, header);
  });

  zlv::demo::CompanionWindow companion(mouse, hid, clock, start);
  const std::wstring reportLog = Environment(L"ZLV_DEMO_REPORT_LOG");
  if (!reportLog.empty() && !companion.LogReportsTo(zlv::FromWide(reportLog))) {
    OutputDebugStringW(L"demo: the report log cannot be opened\n");
  }
  // From the first report on, so the settings sent at start-up are listed.
  companion.Observe();

  const std::optional<int> seconds = zlv::demo::ParseRunSeconds(zlv::FromWide(Environment(L"ZLV_DEMO_SECONDS")));
  g_end.companion = &companion;
  g_end.screenshot = Environment(L"ZLV_DEMO_SCREENSHOT");
  g_end.mainScreenshot = Environment(L"ZLV_DEMO_MAIN_SCREENSHOT");

  zlv::AppComposition composition;
  composition.hid = &hid;
  composition.makeTransport = [&hid](const zlv::DeviceLink& link) -> std::unique_ptr<zlv::HidTransport> {
    return std::make_unique<zlv::VirtualHidTransport>(link, hid);
  };
  composition.onMainWindowReady = [&](HWND mainWindow) {
    g_end.mainWindow = mainWindow;
    companion.Open(mainWindow);
    if (seconds) g_end_timer = SetTimer(nullptr, 0, static_cast<UINT>(*seconds) * 1000U, &OnEndTimer);
  };
  composition.onExit = [&] {
    if (g_end_timer != 0) KillTimer(nullptr, g_end_timer);
    if (g_force_end_timer != 0) KillTimer(nullptr, g_force_end_timer);
    g_end_timer = g_force_end_timer = 0;
    companion.Close();
  };

  int result = 0;
  {
    zlv::CZLV_GMouseApp app(composition);
    result = app.Run(instance);
  }
  g_end = UnattendedEnd{};
  companion.Close();
  return result;
}
