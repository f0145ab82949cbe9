// The application object: the process's start-up and the single-instance rule.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/app_core.h"
#include "app/tray_start.h"
#include "device/device_link.h"
#include "device/hid_system.h"
#include "device/hid_transport.h"
#include "device/system_settings.h"
#include "base/message_box.h"
#include "wingui/win_framework_win32.h"
#include "base/file_dialogs.h"
#include "base/file_store.h"
#include "macro/program_launcher.h"
#include "base/text.h"
#include "app/startup_task.h"

namespace zlv {

// What the production program and the demo build differ in. Each executable's
// main file fills one (app/gmouse_main_win32.cpp, demo/demo_main_win32.cpp) and
// the application hands it to the main window. The HID layer the main window
// scans through is chosen here: the SetupDi layer for ZLV_GMouse.exe, the
// virtual mouse for ZLV_GMouse_demo.exe.
struct AppComposition {
  // The HID layer the scan goes through and the transport over the handles
  // it opens. Left empty, the main window uses the SetupDi layer and the
  // HID class driver (Win32HidSystem, Win32HidTransport).
  HidSystem* hid = nullptr;
  std::function<std::unique_ptr<HidTransport>(const DeviceLink&)> makeTransport;
  // Called once the main window exists and is initialised (the demo opens
  // its companion window here), and before the process ends.
  std::function<void(HWND mainWindow)> onMainWindowReady;
  std::function<void()> onExit;
  // Told of each start-up step as it is done (the start-up benchmark).
  std::function<void(StartupStep)> startupStep;
  // Services that tests replace; left null, the program's own: the message
  // boxes owned by the main window, SystemParametersInfoW, the disk, programs
  // started from the system folder.
  MessageBoxes* messages = nullptr;
  SystemSettings* system = nullptr;
  FileStore* files = nullptr;
  ProgramLauncher* launcher = nullptr;
  // The open and save dialogs of the profile and macro exchange; left null,
  // the system's own.
  FileDialogs* fileDialogs = nullptr;
  // The start with Windows the tray menu toggles; left null, the Task
  // Scheduler's task for this executable.
  StartupTask* startupTask = nullptr;
};

// The named mutex that marks a running instance.
inline constexpr const wchar_t* kInstanceMutexName = L"CZLV_GMouseApp";

struct InstanceMutex {
  HANDLE handle = nullptr;    // null when no mutex could be made
  bool already_existed = false;  // another instance holds it
};
InstanceMutex CreateInstanceMutex(const wchar_t* name = kInstanceMutexName);

// Shows the top-level window with this title restored (also from the tray,
// where it is hidden). False when no such window exists.
bool RestoreRunningWindow(TextView title);

// The folder of this process's executable, without a trailing backslash.
Text ModuleExeDir();

// The process's command-line arguments after the program's name.
std::vector<Text> CommandLineArguments();

class CZLV_GMouseApp : public win::App {
 public:
  explicit CZLV_GMouseApp(AppComposition composition = {});
  ~CZLV_GMouseApp() override;

  // The executable's folder: every file path is this plus a name that begins
  // with a backslash. Set once, by the constructor.
  const Text& ExeDir() const { return exe_dir_; }
  const AppComposition& composition() const { return composition_; }

 protected:
  // Single instance, common controls, then the main window as a modal
  // dialog for the whole run. Always false: the process ends afterwards.
  bool InitInstance() override;

 private:
  Text exe_dir_;
  AppComposition composition_;
  HANDLE instance_mutex_ = nullptr;  // held until the process ends
};

}  // namespace zlv
