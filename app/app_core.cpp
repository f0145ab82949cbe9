#include "app/app_core.h"

#include <mutex>

#include "app/settings_push.h"
#include "app/shell_commands.h"
#include "app/window_title.h"
#include "macro/macro_file.h"

namespace zlv {

namespace {

constexpr Millis kSettleBeforeFirstPush{5};
constexpr int kWindowsDefaultPointerSpeed = 10;

}  // namespace

Text PlugInMessage(std::int32_t uiLanguage) {
  const Text brand = u"泽凡";
  if (uiLanguage == kUiEnglish) return u"Please plug-in【" + brand + u"】USB Mouse";
  return u"请插入【" + brand + u"】USB鼠标";
}

AppCore::AppCore(PlatformServices& services, Text exeDir, StartOptions startOptions)
    : ExeDir(std::move(exeDir)),
      start(startOptions),
      platform(services),
      ini(services.files),
      settings(ini),
      transport(services.makeTransport(device)),
      protocol(*transport, services.clock) {}

AppCore::~AppCore() { StopThreads(); }

void AppCore::RequestRepaint() {
  if (MainWindowHost* host = host_.load()) host->Invalidate();
}

void AppCore::StartReader() {
  InputReader::Options readerOptions;
  readerOptions.on_thread_start = platform.workerThreadStart;
  reader_ = std::make_unique<InputReader>(*transport, settings.profile, handOver, platform.clock,
                                          readerOptions);
  reader_->Start();
}

Text AppCore::TrayTip() const {
  return Text(waiting_for_mouse_ ? WaitingTrayTip(settings.UiLanguage) : zlv::TrayTip(settings.UiLanguage));
}

void AppCore::SetWaiting(bool waiting) {
  if (waiting_for_mouse_ == waiting) return;
  waiting_for_mouse_ = waiting;
  if (MainWindowHost* host = host_.load()) host->UpdateTrayTip();
}

bool AppCore::TakeMouse() {
  MainWindowHost* host = host_.load();
  const NotifyTarget target = host != nullptr ? host->NotificationTarget() : NotifyTarget{};
  ScanDevice(device, platform.hid, target);
  device.DevicePresent = MouseUsable();
  if (!device.DevicePresent) {
    // A mouse met with a collection missing (its other interfaces are still
    // on their way): closed again, so the next arrival's scan starts afresh.
    CloseMouseHandles();
    return false;
  }
  SetWaiting(false);
  platform.clock.SleepFor(kSettleBeforeFirstPush);
  PushAllSettings(settings, protocol, platform.system, [this] { RequestRepaint(); });
  return true;
}

void AppCore::ReleaseMouse() {
  device.DevicePresent = false;
  CloseMouseHandles();
  SetWaiting(true);
}

bool AppCore::MouseUsable() const {
  return IsOpenHandle(device.HidReadHandle) && IsOpenHandle(device.HidWriteHandle);
}

void AppCore::CloseMouseHandles() {
  const bool anyOpen = device.HidReadHandle != kNoHandle || device.HidWriteHandle != kNoHandle ||
                       !device.MouseProbeHandles.empty();
  if (!anyOpen) return;
  // The reader may sit in a read on the handle about to be closed: it stops
  // first, and a new one starts once the handles are gone.
  const bool restartReader = reader_ != nullptr && threads_running_;
  if (reader_) reader_->Stop();
  protocol.WithoutSends([this] { ReleaseMouseHandles(device, platform.hid); });
  if (restartReader) {
    transport->ResumeReads();
    StartReader();
  }
}

bool AppCore::Initialise(MainWindowHost& host) {
  host_ = &host;

  // The worker threads come first; they only wait until the mouse reports.
  handOver.ButtonEventPending = 0;
  handOver.MacroStopRequest = 0;
  StartReader();
  MacroPlayer::Links links{settings, protocol, macros, handOver, platform.clock, platform.launcher,
                           platform.timerResolution};
  MacroPlayer::Options playerOptions;
  playerOptions.repaint = [this] { RequestRepaint(); };
  playerOptions.on_thread_start = platform.workerThreadStart;
  player_ = std::make_unique<MacroPlayer>(links, playerOptions);
  player_->Start();
  threads_running_ = true;
  Mark(StartupStep::kThreads);

  host.AddAboutMenuItem();
  host.SetBigIcon();

  settings.ConfigPath = ExeDir + u"\\config.ini";
  settings.UiLanguage = ReadUiLanguage(ini, settings.ConfigPath);
  settings.ChooseStartupProfile();
  host.SetTitle(MainWindowTitle(settings.UiLanguage));
  SkinsDir = ExeDir + u"\\skins";
  Mark(StartupStep::kSettings);

  ui::SkinReader skinReader(ini, platform.messages, [this] { ShutDownDriver(); });
  const ui::SkinLayoutPaths paths = ui::LayoutPaths(SkinsDir, settings.UiLanguage);
  if (!skinReader.LoadPageLayouts(paths, skin, functionLabels)) return false;
  host.AllocateAdvancedControls();
  if (!skinReader.LoadWarningLayout(paths.warning, warning)) return false;
  Mark(StartupStep::kSkinLayouts);

  host.ApplyWindowShape(SkinsDir + u"\\main_mask.jpg");
  Mark(StartupStep::kWindowShape);

  const MacroFileLocations locations{ExeDir, SkinsDir};
  MacroFilePath = UserMacroFilePath(locations, settings.UiLanguage);
  // Each load takes the macro lock only to store the records: a missing file's
  // message box is shown with the lock free.
  LoadMacroFile(ini, platform.messages, MacroFilePath, macros, macroState, settings.UiLanguage);
  LoadConstMacroFile(ini, platform.messages, ConstMacroFilePath(locations), macros);
  functionMenuOpen = false;
  Mark(StartupStep::kMacroFiles);

  host.LoadMenus(settings.UiLanguage);
  Mark(StartupStep::kMenus);

  device.DevicePresent = ScanDevice(device, platform.hid, host.NotificationTarget());
  Mark(StartupStep::kScan);
  if (start.tray && !MouseUsable()) {
    // Started at logon, perhaps before the mouse is there: wait for it in the
    // tray. Its path is not known yet, so every HID arrival is heard.
    device.DevicePresent = false;
    CloseMouseHandles();
    platform.hid.RegisterNotifications(host.NotificationTarget());
    waiting_for_mouse_ = true;
    host.AddTrayIcon();
    return true;
  }
  if (!device.DevicePresent) {
    platform.messages.Show(PlugInMessage(settings.UiLanguage));
    ShutDownDriver();
    return false;
  }

  platform.clock.SleepFor(kSettleBeforeFirstPush);
  PushAllSettings(settings, protocol, platform.system, [this] { RequestRepaint(); });
  Mark(StartupStep::kPush);
  host.AddTrayIcon();
  Mark(StartupStep::kTrayIcon);
  return true;
}

bool AppCore::SwitchUiLanguage(std::int32_t language) {
  MainWindowHost* host = host_.load();
  settings.UiLanguage = language == kUiEnglish ? kUiEnglish : 0;
  WriteUiLanguage(ini, settings.ConfigPath, settings.UiLanguage);

  ui::SkinReader skinReader(ini, platform.messages, [this] { ShutDownDriver(); });
  const ui::SkinLayoutPaths paths = ui::LayoutPaths(SkinsDir, settings.UiLanguage);
  if (!skinReader.LoadAllLayouts(paths, skin, functionLabels, warning)) return false;

  MacroFilePath = UserMacroFilePath(MacroFileLocations{ExeDir, SkinsDir}, settings.UiLanguage);
  // The file is read, and a missing one reported, with the macro lock free; a
  // macro playing meanwhile goes on from the records as they stand.
  LoadMacroFile(ini, platform.messages, MacroFilePath, macros, macroState, settings.UiLanguage);
  if (host == nullptr) return true;
  host->UserMacrosReplaced();
  host->LoadMenus(settings.UiLanguage);
  host->SetTitle(MainWindowTitle(settings.UiLanguage));
  return true;
}

void AppCore::ShutDownDriver() {
  // A removal is announced once per registration of the mouse's interfaces;
  // the program ends on the first.
  if (shut_down_) return;
  shut_down_ = true;
  MainWindowHost* host = host_.load();
  if (host != nullptr) host->RemoveTrayIcon();
  if (transport->WriteHandleUsable()) protocol.DriverExitCommand();
  if (platform.system.PointerSpeed()) platform.system.SetPointerSpeed(kWindowsDefaultPointerSpeed);
  if (host != nullptr) host->DestroyWindow();
}

void AppCore::OnPowerBroadcast() {
  // Only a running program programs the mouse: not while start-up still
  // shows a message (no mouse, a missing file), nor once it has ended.
  if (!device.DevicePresent || shut_down_) return;
  PushAllSettings(settings, protocol, platform.system, [this] { RequestRepaint(); });
}

DeviceChange AppCore::OnDeviceChange(std::uint32_t event, const DeviceBroadcast* header) {
  MainWindowHost* host = host_.load();
  const NotifyTarget target = host != nullptr ? host->NotificationTarget() : NotifyTarget{};
  if (start.tray) {
    if (shut_down_ || !threads_running_) return DeviceChange::kIgnored;
    const bool matches = header != nullptr && MatchesRecordedInterface(device, *header);
    switch (DecideTrayDeviceChange(device.DevicePresent, event, header, matches)) {
      case TrayDeviceAction::kTakeMouse:
        return TakeMouse() ? DeviceChange::kRescanned : DeviceChange::kIgnored;
      case TrayDeviceAction::kReleaseMouse:
        ReleaseMouse();
        return DeviceChange::kIgnored;
      case TrayDeviceAction::kIgnore:
        return DeviceChange::kIgnored;
    }
  }
  return HandleDeviceChange(device, platform.hid, target, event, header, [this] { ShutDownDriver(); });
}

void AppCore::StopThreads() {
  // The reader may sit in a blocking read: cancel it before joining.
  if (player_) player_->Stop();
  if (reader_) reader_->Stop();
  threads_running_ = false;
  host_ = nullptr;
}

}  // namespace zlv
