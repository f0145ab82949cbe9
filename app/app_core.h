// The application's process-wide state and the steps that bring the program
// up and take it down, independent of the window system. The main window
// (CZLV_GMouseDlg) owns one AppCore and carries out the window-side steps
// through MainWindowHost; tests drive it with a fake host.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/tray_start.h"
#include "base/message_box.h"
#include "base/clock.h"
#include "base/file_store.h"
#include "device/device_link.h"
#include "device/hid_system.h"
#include "device/hid_transport.h"
#include "device/input_reader.h"
#include "device/mouse_protocol.h"
#include "device/system_settings.h"
#include "macro/macro_player.h"
#include "macro/macro_slot.h"
#include "macro/macro_tables.h"
#include "macro/program_launcher.h"
#include "macro/timer_resolution.h"
#include "settings/function_codes.h"
#include "settings/ini_file.h"
#include "settings/profile_settings.h"
#include "ui/skin_layout.h"

namespace zlv {

// The window-side steps of start-up and shutdown.
class MainWindowHost {
 public:
  virtual ~MainWindowHost() = default;
  virtual void AddAboutMenuItem() = 0;
  virtual void SetBigIcon() = 0;
  virtual void SetTitle(TextView title) = 0;
  // Allocates the advanced page's four child controls (no windows yet).
  virtual void AllocateAdvancedControls() = 0;
  // Cuts the window to the mask picture and builds the advanced page's
  // repaint region; the mask's size becomes the page size.
  virtual void ApplyWindowShape(TextView maskPath) = 0;
  // Loads the context and tray menus in the language and makes them owner-drawn.
  virtual void LoadMenus(std::int32_t uiLanguage) = 0;
  // The window that receives device notifications.
  virtual NotifyTarget NotificationTarget() = 0;
  // Adds the tray icon with AppCore::TrayTip() as its tip.
  virtual void AddTrayIcon() = 0;
  virtual void RemoveTrayIcon() = 0;
  // AppCore::TrayTip() changed (a tray start found or lost the mouse): the
  // icon shows the new tip.
  virtual void UpdateTrayTip() = 0;
  virtual void DestroyWindow() = 0;
  // Asks for a repaint of the whole window; callable from any thread.
  virtual void Invalidate() = 0;
  // A language switch replaced the user macros: the advanced page, while it
  // is shown, rebuilds its macro list and repaints.
  virtual void UserMacrosReplaced() = 0;
};

// The marks of the start-up, in their order; each is passed when its step is
// done (the start-up benchmark times them).
enum class StartupStep : std::uint8_t {
  kDialogCreated,  // the process set up and the window made: its initialisation begins
  kWindowObjects,  // the window's own objects (hook, recorder, editor, menus, preview)
  kThreads,        // the reader and player threads
  kSettings,       // the system menu item, the icon, the language, the profile, the title
  kSkinLayouts,    // the page and warning layouts, the button labels
  kWindowShape,    // the mask picture and the window's shape
  kMacroFiles,     // the user and constant macro files
  kMenus,          // the context and tray menus
  kScan,           // the scan for the mouse
  kPush,           // the settle and the settings push
  kTrayIcon,       // the tray icon
};
inline constexpr int kStartupStepCount = 11;

// The platform services the program uses.
struct PlatformServices {
  FileStore& files;
  MessageBoxes& messages;
  SystemSettings& system;
  HidSystem& hid;
  Clock& clock;
  ProgramLauncher& launcher;
  TimerResolution& timerResolution;
  // The transport over the handles the scan opens.
  std::function<std::unique_ptr<HidTransport>(const DeviceLink&)> makeTransport;
  // Runs first on each worker thread (the input reader, the macro player):
  // the Windows program raises the thread to the highest priority there.
  std::function<void()> workerThreadStart = {};
  // Told of each start-up step as it is done; empty in the program.
  std::function<void(StartupStep)> startupStep = {};
};

// "Please plug-in【泽凡】USB Mouse" or "请插入【泽凡】USB鼠标".
Text PlugInMessage(std::int32_t uiLanguage);

class AppCore {
 public:
  AppCore(PlatformServices& platform, Text exeDir, StartOptions start = {});
  ~AppCore();
  AppCore(const AppCore&) = delete;
  AppCore& operator=(const AppCore&) = delete;

  // The main window's initialisation, in its fixed order. Returns false when
  // the program ended on the way (no mouse, missing skin file): the window has
  // been destroyed then. A tray start without the mouse shows no message: it
  // adds the tray icon, waits for the mouse and returns true.
  bool Initialise(MainWindowHost& host);
  // The one orderly end of the program.
  void ShutDownDriver();
  // Switches the running program to a language (1 English, 0 Chinese), also
  // to the one already active: VER_SEL written at once, the skin layouts and
  // button labels read again, the language's user macro file loaded (edits
  // not applied are dropped), the macro list rebuilt, both menus replaced and
  // the title set. Nothing is sent to the mouse and the profile is neither
  // loaded nor saved. Returns false when the program ended on the way (a
  // layout file is missing).
  bool SwitchUiLanguage(std::int32_t language);
  // A power event: the mouse may have lost its settings.
  void OnPowerBroadcast();
  // A device notification. After a tray start the mouse's arrival takes it
  // and pushes the settings, and its removal returns to waiting (kRescanned
  // and kIgnored); otherwise its removal ends the program.
  DeviceChange OnDeviceChange(std::uint32_t event, const DeviceBroadcast* header);
  // A tray start that waits for the mouse.
  bool WaitingForMouse() const { return waiting_for_mouse_; }
  // The tray icon's tip: the title, or while waiting for the mouse, a tip
  // that says so, in the interface language.
  Text TrayTip() const;
  // Stops and joins the worker threads (also done by the destructor).
  void StopThreads();

  bool ThreadsRunning() const { return threads_running_; }

  // Process-wide state.
  const Text ExeDir;
  const StartOptions start;
  Text SkinsDir;
  PlatformServices& platform;
  IniStore ini;
  SettingsModel settings;
  DeviceLink device;
  std::unique_ptr<HidTransport> transport;
  MouseProtocol protocol;
  ButtonHandOver handOver;
  MacroTables macros;
  MacroEditState macroState;
  FunctionLabels functionLabels;
  ui::SkinLayout skin;
  ui::WarningLayout warning;
  Text MacroFilePath;
  bool functionMenuOpen = false;

 private:
  void RequestRepaint();
  void Mark(StartupStep step) const {
    if (platform.startupStep) platform.startupStep(step);
  }
  void StartReader();
  // A tray start: scans for the mouse and, with both of its collections
  // open, pushes the settings. Otherwise what the scan opened is closed again.
  bool TakeMouse();
  // A tray start lost the mouse: its handles are closed and the program waits.
  void ReleaseMouse();
  void SetWaiting(bool waiting);
  // Both of the mouse's collections are open.
  bool MouseUsable() const;
  // Closes what the scans opened for the mouse, with the reader stopped
  // meanwhile; the reader then starts again.
  void CloseMouseHandles();

  std::atomic<MainWindowHost*> host_{nullptr};
  std::unique_ptr<InputReader> reader_;
  std::unique_ptr<MacroPlayer> player_;
  bool threads_running_ = false;
  bool waiting_for_mouse_ = false;
  bool shut_down_ = false;
};

}  // namespace zlv
