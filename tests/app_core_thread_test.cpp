// Start-up and shutdown of the program with the virtual mouse behind the HID
// layer, the shipped data in memory and a fake main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/app_core.h"
#include "sim/memory_file_store.h"
#include "sim/virtual_hid_system.h"
#include "sim/virtual_mouse.h"
#include "tests/support/test_support.h"
#include "tests/support/fakes.h"

namespace zlv {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kExeDir[] = u"C:\\ZLV";

using testing::NoLauncher;
using testing::RecordingMessages;

class FakeHost final : public MainWindowHost {
 public:
  void AddAboutMenuItem() override { calls.push_back("about"); }
  void SetBigIcon() override { calls.push_back("icon"); }
  void SetTitle(TextView t) override {
    title = Text(t);
    calls.push_back("title");
  }
  void AllocateAdvancedControls() override { calls.push_back("controls"); }
  void ApplyWindowShape(TextView mask) override {
    maskPath = Text(mask);
    calls.push_back("shape");
  }
  void LoadMenus(std::int32_t) override { calls.push_back("menus"); }
  NotifyTarget NotificationTarget() override { return 0x1234; }
  void AddTrayIcon() override {
    trayIcon = true;
    calls.push_back("tray+");
    if (core != nullptr) tips.push_back(core->TrayTip());
  }
  void UpdateTrayTip() override {
    calls.push_back("tip");
    if (core != nullptr) tips.push_back(core->TrayTip());
  }
  void RemoveTrayIcon() override {
    trayIcon = false;
    calls.push_back("tray-");
  }
  void DestroyWindow() override { calls.push_back("destroy"); }
  void Invalidate() override { ++repaints; }
  void UserMacrosReplaced() override { calls.push_back("macros"); }

  std::vector<std::string> calls;
  // The tray tip at each add and each change of it.
  std::vector<Text> tips;
  const AppCore* core = nullptr;
  Text title;
  Text maskPath;
  bool trayIcon = false;
  std::atomic<int> repaints{0};
};

// The shipped data folder, loaded into memory below the program's folder.
void LoadShippedData(MemoryFileStore& files) {
  const fs::path data = fs::path(ToUtf8(testing::SourceFile("data")));
  for (const auto& entry : fs::recursive_directory_iterator(data)) {
    if (!entry.is_regular_file()) continue;
    const Text relative = fs::relative(entry.path(), data).u16string();
    files.Put(Text(kExeDir) + u"\\" + relative, testing::ReadBytes(entry.path()));
  }
}

class AppCoreTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadShippedData(files); }

  void SetConfig(const std::string& from, const std::string& to) {
    std::string config = *files.Read(Text(kExeDir) + u"\\config.ini");
    const auto at = config.find(from);
    ASSERT_NE(at, std::string::npos);
    config.replace(at, from.size(), to);
    files.Put(Text(kExeDir) + u"\\config.ini", config);
  }
  std::string Config() { return *files.Read(Text(kExeDir) + u"\\config.ini"); }

  void MakeCore(VirtualHidSystem::Options options = {}, StartOptions start = {}) {
    core.reset();
    services.reset();
    hid = std::make_unique<VirtualHidSystem>(mouse, options);
    services = std::make_unique<PlatformServices>(PlatformServices{
        files, messages, system, *hid, clock, launcher, timer,
        [this](const DeviceLink& link) { return std::make_unique<VirtualHidTransport>(link, *hid); }});
    core = std::make_unique<AppCore>(*services, kExeDir, start);
    host.core = core.get();
  }

  void TearDown() override {
    if (core) core->StopThreads();
    EXPECT_TRUE(mouse.ProtocolErrors().empty()) << mouse.ProtocolErrors().front();
  }

  SteadyClock clock;
  VirtualMouse mouse{clock};
  MemoryFileStore files;
  RecordingMessages messages;
  RecordingSystemSettings system;
  NoLauncher launcher;
  NoTimerResolution timer;
  std::unique_ptr<VirtualHidSystem> hid;
  std::unique_ptr<PlatformServices> services;
  std::unique_ptr<AppCore> core;
  FakeHost host;
};

TEST_F(AppCoreTest, StartsUpInOrderAndProgramsTheMouse) {
  MakeCore();
  ASSERT_TRUE(core->Initialise(host));
  EXPECT_EQ(host.calls, (std::vector<std::string>{"about", "icon", "title", "controls", "shape", "menus",
                                                   "tray+"}));
  EXPECT_EQ(host.title, u"Zelvan Gaming Mouse");
  EXPECT_EQ(host.maskPath, u"C:\\ZLV\\skins\\main_mask.jpg");
  EXPECT_TRUE(core->ThreadsRunning());
  EXPECT_TRUE(core->device.DevicePresent);
  EXPECT_TRUE(messages.shown.empty());

  // The thirteen settings reports reached the mouse, and the push wrote the
  // snapshot and the current profile.
  EXPECT_EQ(mouse.Log().size(), 13u);
  EXPECT_NE(Config().find("[Config6]"), std::string::npos);
  EXPECT_EQ(system.pointer_speed, 8);

  // Skins, labels and macros are loaded.
  EXPECT_FALSE(core->functionLabels[1].empty());
  EXPECT_GT(core->macros.user.count.load(), 0);
  EXPECT_GT(core->macros.constant.count.load(), 0);
  EXPECT_EQ(core->MacroFilePath, u"C:\\ZLV\\Macro_EN.dat");
}

TEST_F(AppCoreTest, AnEmptyConfigStillLeavesThePrimaryClickAndADpiStage) {
  // A deleted or emptied config.ini: no [Init], so profile 0, whose section
  // is missing. The start-up push sends the built-in profile, not zeros.
  files.Put(Text(kExeDir) + u"\\config.ini", "");
  MakeCore();
  ASSERT_TRUE(core->Initialise(host));
  ASSERT_EQ(mouse.Log().size(), 13u);
  const VirtualMouseState s = mouse.State();
  EXPECT_EQ(s.buttonFunction, (std::array<std::uint8_t, 6>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(s.enableMask, 0x0F);
  EXPECT_EQ(s.activeStage, 0);
  EXPECT_EQ(core->settings.CurrentProfile, 0);
  EXPECT_NE(Config().find("[Config0]\r\nK0=1\r\n"), std::string::npos);
}

TEST_F(AppCoreTest, WithoutTheMouseShowsThePlugInMessageAndEnds) {
  struct Case {
    const char* language;
    const char16_t* message;
  };
  for (const Case& c : {Case{"VER_SEL=1", u"Please plug-in【泽凡】USB Mouse"},
                        Case{"VER_SEL=0", u"请插入【泽凡】USB鼠标"}}) {
    SetUp();
    SetConfig("VER_SEL=1", c.language);
    const std::string before = Config();
    const int commitsBefore = files.commits();
    FakeHost localHost;
    messages.shown.clear();
    system.pointer_speed = 4;
    MakeCore({.otherDevices = true, .mousePlugged = false});
    // A power event while the message waits pushes nothing and saves nothing.
    messages.while_shown = [this] { core->OnPowerBroadcast(); };
    EXPECT_FALSE(core->Initialise(localHost));
    messages.while_shown = nullptr;
    EXPECT_EQ(messages.shown, std::vector<Text>{c.message});
    ASSERT_GE(localHost.calls.size(), 2u);
    EXPECT_EQ(localHost.calls[localHost.calls.size() - 2], "tray-");
    EXPECT_EQ(localHost.calls.back(), "destroy");
    EXPECT_FALSE(localHost.trayIcon);
    EXPECT_EQ(system.pointer_speed, 10);
    EXPECT_EQ(Config(), before);
    EXPECT_EQ(files.commits(), commitsBefore);
    EXPECT_TRUE(mouse.Log().empty());
    core->StopThreads();
  }
}

TEST_F(AppCoreTest, MissingSkinFileEndsTheProgram) {
  files.Remove(u"C:\\ZLV\\skins\\INI_EN\\skin_color_en.ini");
  MakeCore();
  EXPECT_FALSE(core->Initialise(host));
  EXPECT_EQ(messages.shown, std::vector<Text>{u"找不到配置文件"});
  EXPECT_EQ(host.calls.back(), "destroy");
  EXPECT_EQ(system.pointer_speed, 10);
}

TEST_F(AppCoreTest, PowerEventPushesAgainAndRemovalShutsDown) {
  MakeCore();
  ASSERT_TRUE(core->Initialise(host));
  mouse.ClearLog();
  core->OnPowerBroadcast();
  EXPECT_EQ(mouse.Log().size(), 13u);

  // Another device going away changes nothing.
  DeviceBroadcast other{kDeviceTypeInterface, u"\\\\?\\HID#VID_845E&PID_0001#other"};
  EXPECT_EQ(core->OnDeviceChange(kDeviceRemoveComplete, &other), DeviceChange::kIgnored);
  EXPECT_TRUE(host.trayIcon);

  DeviceBroadcast ours{kDeviceTypeInterface, core->device.DevicePath};
  EXPECT_EQ(core->OnDeviceChange(kDeviceRemoveComplete, &ours), DeviceChange::kShutDown);
  EXPECT_FALSE(host.trayIcon);
  EXPECT_EQ(host.calls.back(), "destroy");
  EXPECT_TRUE(mouse.State().exitSeen);
  EXPECT_EQ(system.pointer_speed, 10);

  // Each registration of the mouse's interfaces hears of the removal; the
  // program ends once.
  const auto shutDowns = std::count(host.calls.begin(), host.calls.end(), "destroy");
  core->OnDeviceChange(kDeviceRemoveComplete, &ours);
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "destroy"), shutDowns);
}

// Presses and releases hardware button 5 and waits for the key reports of the
// macro profile 3 gives it: the reader reads and the player plays.
bool MacroButtonTypes(VirtualMouse& mouse) {
  mouse.ClearLog();
  mouse.PressButton(5);
  mouse.ReleaseButton(5);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    for (const auto& r : mouse.Log()) {
      if (r.bytes[1] == 0x15 || r.bytes[1] == 0x16) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

TEST_F(AppCoreTest, ATrayStartWithoutTheMouseWaitsTakesItWhenPluggedInAndWaitsAgainAfterAnUnplug) {
  SetConfig("CurConfig=1", "CurConfig=3");
  const std::string before = Config();
  MakeCore({.otherDevices = true, .mousePlugged = false}, {.tray = true});
  hid->SetNotifier([this](NotifyTarget, std::uint32_t event, const DeviceBroadcast& header) {
    core->OnDeviceChange(event, &header);
  });
  ASSERT_TRUE(core->Initialise(host));
  // No message and no end: the icon says the program waits.
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_TRUE(core->WaitingForMouse());
  EXPECT_TRUE(host.trayIcon);
  EXPECT_EQ(host.tips, std::vector<Text>{u"Zelvan Gaming Mouse: waiting for the mouse"});
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "destroy"), 0);
  // Nothing is sent or saved while waiting, a power event included.
  core->OnPowerBroadcast();
  EXPECT_TRUE(mouse.Log().empty());
  EXPECT_EQ(Config(), before);

  // Another maker's device arriving is scanned for, and changes nothing.
  DeviceBroadcast other{kDeviceTypeInterface, u"\\\\?\\HID#VID_845E&PID_0001#other"};
  EXPECT_EQ(core->OnDeviceChange(kDeviceArrival, &other), DeviceChange::kIgnored);
  EXPECT_TRUE(core->WaitingForMouse());
  EXPECT_EQ(hid->OpenHandleCount(), 0u);

  for (int plug = 1; plug <= 2; ++plug) {
    SCOPED_TRACE("plug-in " + std::to_string(plug));
    mouse.ClearLog();
    hid->PlugInMouse();
    EXPECT_FALSE(core->WaitingForMouse());
    EXPECT_TRUE(core->device.DevicePresent);
    EXPECT_EQ(mouse.Log().size(), 13u);
    EXPECT_NE(Config().find("[Config6]"), std::string::npos);
    EXPECT_EQ(host.tips.back(), u"Zelvan Gaming Mouse");
    EXPECT_TRUE(MacroButtonTypes(mouse));

    hid->UnplugMouse();
    EXPECT_TRUE(core->WaitingForMouse());
    EXPECT_FALSE(core->device.DevicePresent);
    EXPECT_EQ(host.tips.back(), u"Zelvan Gaming Mouse: waiting for the mouse");
    EXPECT_TRUE(host.trayIcon);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "destroy"), 0);
    EXPECT_FALSE(mouse.State().exitSeen);
    // The mouse's handles are closed, so a re-plug opens them afresh.
    EXPECT_EQ(hid->OpenHandleCount(), 0u);
    EXPECT_EQ(core->device.HidReadHandle.load(), kNoHandle);
    EXPECT_EQ(core->device.HidWriteHandle.load(), kNoHandle);
  }

  // Exit Driver still ends it.
  core->ShutDownDriver();
  EXPECT_EQ(host.calls.back(), "destroy");
  EXPECT_FALSE(host.trayIcon);
}

TEST_F(AppCoreTest, ATrayStartWaitsInTheLanguageOfTheProgram) {
  SetConfig("VER_SEL=1", "VER_SEL=0");
  MakeCore({.otherDevices = false, .mousePlugged = false}, {.tray = true});
  ASSERT_TRUE(core->Initialise(host));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(host.tips, std::vector<Text>{u"泽凡电竞游戏鼠标驱动：等待插入鼠标"});
}

TEST_F(AppCoreTest, ATrayStartWithTheMousePushesAsAnyStart) {
  MakeCore({}, {.tray = true});
  hid->SetNotifier([this](NotifyTarget, std::uint32_t event, const DeviceBroadcast& header) {
    core->OnDeviceChange(event, &header);
  });
  ASSERT_TRUE(core->Initialise(host));
  EXPECT_EQ(host.calls, (std::vector<std::string>{"about", "icon", "title", "controls", "shape", "menus",
                                                   "tray+"}));
  EXPECT_EQ(host.tips, std::vector<Text>{u"Zelvan Gaming Mouse"});
  EXPECT_EQ(mouse.Log().size(), 13u);
  EXPECT_FALSE(core->WaitingForMouse());
  // Unplugged, it waits rather than ending.
  hid->UnplugMouse();
  EXPECT_TRUE(core->WaitingForMouse());
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "destroy"), 0);
}

TEST_F(AppCoreTest, AMacroButtonPlaysThroughTheMouse) {
  // Profile 3 of the shipped file carries user macro 1 on button slot 3
  // (hardware button 5).
  SetConfig("CurConfig=1", "CurConfig=3");
  MakeCore();
  ASSERT_TRUE(core->Initialise(host));
  ASSERT_EQ(mouse.State().buttonFunction[4], 0);
  mouse.ClearLog();
  mouse.PressButton(5);
  mouse.ReleaseButton(5);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  bool keys = false;
  while (!keys && std::chrono::steady_clock::now() < deadline) {
    for (const auto& r : mouse.Log()) keys = keys || r.bytes[1] == 0x15 || r.bytes[1] == 0x16;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(keys);
}

std::vector<Text> UserMacroNames(const AppCore& core) {
  std::vector<Text> names;
  for (int i = 0; i < core.macros.user.count; ++i) names.push_back(core.macros.user.slots[i].Name());
  return names;
}

TEST_F(AppCoreTest, TheLanguageSwitchReloadsEverythingButTouchesNeitherMouseNorProfile) {
  MakeCore();
  ASSERT_TRUE(core->Initialise(host));
  const std::vector<Text> englishMacros = UserMacroNames(*core);
  const Text englishLabel = core->functionLabels[1];
  // An edit not yet applied: the switch neither saves nor drops it.
  core->settings.profile.FireTime = 123;
  const std::string profilesBefore = Config().substr(Config().find("[Config1]"));

  struct Case {
    std::int32_t language;
    const char* verSel;
    const char16_t* title;
    const char16_t* macroFile;
  };
  for (const Case& c : {Case{0, "VER_SEL=0", u"泽凡电竞游戏鼠标驱动", u"\\Macro_CN.dat"},
                        Case{0, "VER_SEL=0", u"泽凡电竞游戏鼠标驱动", u"\\Macro_CN.dat"},
                        Case{1, "VER_SEL=1", u"Zelvan Gaming Mouse", u"\\Macro_EN.dat"}}) {
    SCOPED_TRACE(c.verSel);
    host.calls.clear();
    mouse.ClearLog();
    ASSERT_TRUE(core->SwitchUiLanguage(c.language));
    EXPECT_EQ(core->settings.UiLanguage, c.language);
    EXPECT_NE(Config().find(c.verSel), std::string::npos);
    EXPECT_EQ(host.title, c.title);
    EXPECT_EQ(core->MacroFilePath, Text(kExeDir) + c.macroFile);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"macros", "menus", "title"}));
    EXPECT_TRUE(mouse.Log().empty());
    EXPECT_EQ(core->settings.profile.FireTime, 123);
    EXPECT_EQ(Config().substr(Config().find("[Config1]")), profilesBefore);
    if (c.language == 0) {
      EXPECT_NE(UserMacroNames(*core), englishMacros);
      EXPECT_NE(core->functionLabels[1], englishLabel);
    } else {
      EXPECT_EQ(UserMacroNames(*core), englishMacros);
      EXPECT_EQ(core->functionLabels[1], englishLabel);
    }
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AppCoreTest, SwitchingTheLanguageWhileAMacroPlaysLeavesNothingHeld) {
  SetConfig("CurConfig=1", "CurConfig=3");
  MakeCore();
  ASSERT_TRUE(core->Initialise(host));
  mouse.ClearLog();
  mouse.PressButton(5);
  mouse.ReleaseButton(5);
  const auto keyReports = [this] {
    int n = 0;
    for (const auto& r : mouse.Log()) n += r.bytes[1] == 0x15 || r.bytes[1] == 0x16;
    return n;
  };
  ASSERT_TRUE(testing::WaitUntil([&] { return keyReports() > 0; }, std::chrono::seconds(10)));
  ASSERT_TRUE(core->SwitchUiLanguage(0));
  ASSERT_TRUE(core->SwitchUiLanguage(1));
  // The pass ends by itself; then the reports stop and every key is up.
  int seen = -1;
  ASSERT_TRUE(testing::WaitUntil(
      [&] {
        const int now = keyReports();
        const bool quiet = now == seen;
        seen = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return quiet;
      },
      std::chrono::seconds(20)));
  const VirtualMouseState state = mouse.State();
  EXPECT_EQ(state.heldKeys, (std::array<std::uint8_t, 6>{}));
  EXPECT_EQ(state.mouseButtons, 0xFF);
}

}  // namespace
}  // namespace zlv
