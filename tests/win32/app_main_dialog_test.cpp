// The main window in this process, with the templates of the built program,
// the staged data copied into a folder of its own and the virtual mouse behind
// the HID layer: start-up to the tray icon, the tray, the system menu and the
// about box, the key filter, power and device events, the window's shape, the
// owner-drawn tray menu and the keyboard capture while recording.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/gmouse_dlg_win32.h"
#include "app/shell_commands.h"
#include "app/tray_icon_win32.h"
#include "wingui/win_framework_win32.h"
#include "base/text_win32.h"
#include "device/hid_system_win32.h"
#include "device/system_settings.h"
#include "sim/virtual_hid_system.h"
#include "sim/virtual_mouse.h"
#include "resources/resource_ids.h"
#include "tests/support/fakes.h"
#include "tests/support/test_support.h"
#include "tests/win32/program_image_win32.h"
#include "ui/picture_win32.h"
#include "wingui/zlv_menu_win32.h"

namespace zlv {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

// Posted by the tests after their messages: when it arrives, everything
// posted before it has passed the loop.
constexpr UINT kProbe = WM_APP + 7;

using testing::NoLauncher;
using testing::RecordingMessages;

class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(testing::ProgramImage(), nullptr);
    win::SetResourceModule(testing::ProgramImage());
  }
  void TearDown() override { win::SetResourceModule(nullptr); }
};

// The main window with a script that runs once it is up (posted by the
// composition's ready hook as the first message of the loop), and a record
// of the key, draw and measure messages that reached it.
class ScriptedMainDialog : public CZLV_GMouseDlg {
 public:
  using CZLV_GMouseDlg::CZLV_GMouseDlg;

  std::vector<UINT> dispatched_keys;
  int draw_items = 0;
  int measure_items = 0;
  int checked_draws = 0;  // menu items drawn with a check mark
  bool probe_seen = false;
  bool visible_at_probe = false;
  std::function<void(ScriptedMainDialog&)> on_probe;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message >= WM_KEYFIRST && message <= WM_KEYLAST) dispatched_keys.push_back(message);
    if (message == WM_DRAWITEM && wParam == 0) {
      ++draw_items;
      if (reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->itemState & ODS_CHECKED) ++checked_draws;
    }
    if (message == WM_MEASUREITEM && wParam == 0) ++measure_items;
    if (message == kProbe) {
      probe_seen = true;
      visible_at_probe = IsWindowVisible(hwnd()) != FALSE;
      if (on_probe) on_probe(*this);
      return true;
    }
    return CZLV_GMouseDlg::OnMessage(message, wParam, lParam, result);
  }
};

void Post(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  PostMessageW(hwnd, message, wParam, lParam);
}
void Command(HWND hwnd, WORD id) { Post(hwnd, WM_COMMAND, MAKEWPARAM(id, 0)); }
void ExitDriver(HWND hwnd) { Command(hwnd, ID_EN_EXIT_DRIVER); }

// Whether this window's tray icon exists: modifying an icon that is not
// there fails.
bool TrayIconExists(HWND hwnd, HICON icon) {
  NOTIFYICONDATAW record = TrayIconRecord(hwnd, icon, u"probe");
  return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

using testing::PumpUntil;

// Presses and releases each key through the system's input queue, as a user would.
void PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    INPUT up = down;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(down);
    inputs.push_back(up);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

class MainDialogTest : public ProgramResources {
 protected:
  void SetUp() override {
    ProgramResources::SetUp();
    testing::StageProgramData(dir_.path());
  }
  void TearDown() override {
    EXPECT_TRUE(mouse_.ProtocolErrors().empty()) << mouse_.ProtocolErrors().front();
    ProgramResources::TearDown();
  }

  Text ExeDir() const { return FromWide(dir_.path().wstring()); }
  std::string Config() const { return testing::ReadBytes(dir_.path() / "config.ini"); }
  // Sets [Init] VER_SEL of the staged config.ini.
  void SetLanguage(int language) {
    const std::wstring path = (dir_.path() / "config.ini").wstring();
    WritePrivateProfileStringW(L"Init", L"VER_SEL", std::to_wstring(language).c_str(), path.c_str());
  }

  // The composition of a test: the virtual mouse, whose plugging and
  // unplugging reach the window as WM_DEVICECHANGE messages, and fakes for
  // the message boxes, the Windows settings and the launcher.
  AppComposition Composition(VirtualHidSystem::Options options = {}) {
    hid_ = std::make_unique<VirtualHidSystem>(mouse_, options);
    hid_->SetNotifier([](NotifyTarget window, std::uint32_t event, const DeviceBroadcast& header) {
      SendDeviceChange(window, event, header);
    });
    AppComposition composition;
    composition.hid = hid_.get();
    composition.makeTransport = [this](const DeviceLink& link) {
      return std::make_unique<VirtualHidTransport>(link, *hid_);
    };
    composition.onMainWindowReady = [](HWND window) { Post(window, kProbe); };
    composition.messages = &messages_;
    composition.system = &system_;
    composition.launcher = &launcher_;
    composition.startupTask = &startup_;
    return composition;
  }

  // Runs the main window until it ends; `script` runs at each probe.
  void Run(ScriptedMainDialog& dialog, std::function<void(ScriptedMainDialog&)> script) {
    dialog.on_probe = std::move(script);
    dialog.DoModal();
    dialog.EndRun();
  }

  std::size_t ReportCount() const { return mouse_.Log().size(); }
  std::uint8_t LastCommand() const {
    const auto log = mouse_.Log();
    return log.empty() ? 0 : log.back().bytes.at(1);
  }

  testing::TempDir dir_;
  SteadyClock clock_;
  VirtualMouse mouse_{clock_};
  std::unique_ptr<VirtualHidSystem> hid_;
  RecordingMessages messages_;
  RecordingSystemSettings system_;
  NoLauncher launcher_;
  testing::FakeStartupTask startup_;
};

TEST_F(MainDialogTest, StartsUpToTheTrayIconThenExitDriverEnds) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  std::size_t reportsAtStart = 0;
  bool trayAtStart = false, threadsRunning = false;
  std::string configAtStart;
  std::wstring title;
  Run(dialog, [&](ScriptedMainDialog& d) {
    reportsAtStart = ReportCount();
    configAtStart = Config();
    trayAtStart = d.trayIcon().Shown() && TrayIconExists(d.hwnd(), d.icon());
    threadsRunning = d.core()->ThreadsRunning();
    title = win::WindowText(d.hwnd());
    ExitDriver(d.hwnd());
  });
  EXPECT_TRUE(dialog.probe_seen);
  EXPECT_TRUE(dialog.visible_at_probe);
  EXPECT_TRUE(threadsRunning);
  EXPECT_EQ(title, L"Zelvan Gaming Mouse");
  EXPECT_TRUE(messages_.shown.empty());
  // The thirteen settings reports, and the snapshot the push writes.
  EXPECT_EQ(reportsAtStart, 13u);
  EXPECT_NE(configAtStart.find("[Config6]"), std::string::npos);
  EXPECT_TRUE(trayAtStart);

  // Exit Driver: icon gone, exit report, pointer speed 10, window destroyed.
  EXPECT_EQ(dialog.hwnd(), nullptr);
  EXPECT_FALSE(dialog.trayIcon().Shown());
  EXPECT_EQ(ReportCount(), 14u);
  EXPECT_EQ(LastCommand(), 0x20);
  EXPECT_EQ(system_.pointer_speed, 10);
  EXPECT_FALSE(dialog.core()->ThreadsRunning());
}

TEST_F(MainDialogTest, TheTrayIconComesBackWhenExplorerRestarts) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  int step = 0, addsBefore = 0, addsAfter = 0;
  bool lost = false, back = false;
  Run(dialog, [&](ScriptedMainDialog& d) {
    if (step++ == 0) {
      // Explorer ends and takes the icon with it; its next instance
      // announces the new notification area.
      NOTIFYICONDATAW record = TrayIconRecord(d.hwnd(), d.icon(), u"ZLV_GMouse");
      Shell_NotifyIconW(NIM_DELETE, &record);
      lost = !TrayIconExists(d.hwnd(), d.icon());
      addsBefore = d.trayShell().Adds();
      Post(d.hwnd(), taskbarCreated);
      Post(d.hwnd(), kProbe);
      return;
    }
    back = TrayIconExists(d.hwnd(), d.icon());
    addsAfter = d.trayShell().Adds();
    ExitDriver(d.hwnd());
  });
  EXPECT_TRUE(lost);
  EXPECT_TRUE(back) << "no icon after TaskbarCreated";
  EXPECT_EQ(addsAfter, addsBefore + 1);
}

TEST_F(MainDialogTest, WithoutTheMouseShowsThePlugInMessageAndEnds) {
  struct Case {
    int language;
    const char16_t* message;
  };
  for (const Case& c : {Case{1, u"Please plug-in【泽凡】USB Mouse"}, Case{0, u"请插入【泽凡】USB鼠标"}}) {
    SCOPED_TRACE(c.language);
    SetLanguage(c.language);
    const std::string before = Config();
    messages_.shown.clear();
    system_.pointer_speed = 14;
    VirtualHidSystem::Options options;
    options.mousePlugged = false;
    ScriptedMainDialog dialog(ExeDir(), Composition(options));
    Run(dialog, [](ScriptedMainDialog& d) { ExitDriver(d.hwnd()); });
    EXPECT_FALSE(dialog.probe_seen);  // the loop never ran
    EXPECT_EQ(dialog.hwnd(), nullptr);
    EXPECT_THAT(messages_.shown, ElementsAre(c.message));
    EXPECT_FALSE(dialog.trayIcon().Shown());
    EXPECT_EQ(system_.pointer_speed, 10);
    EXPECT_EQ(Config(), before);
    EXPECT_EQ(ReportCount(), 0u);
  }
}

TEST_F(MainDialogTest, MissingSkinFileShowsItsMessageAndEnds) {
  fs::remove_all(dir_.path() / "skins");
  const std::string before = Config();
  ScriptedMainDialog dialog(ExeDir(), Composition());
  Run(dialog, [](ScriptedMainDialog& d) { ExitDriver(d.hwnd()); });
  EXPECT_FALSE(dialog.probe_seen);
  EXPECT_EQ(dialog.hwnd(), nullptr);
  ASSERT_FALSE(messages_.shown.empty());
  EXPECT_EQ(messages_.shown.front(), u"找不到配置文件");
  EXPECT_FALSE(dialog.trayIcon().Shown());
  EXPECT_EQ(Config(), before);
  EXPECT_EQ(ReportCount(), 0u);  // the mouse was never found: no exit report either
}

TEST_F(MainDialogTest, TitleTrayTipAndTrayMenuFollowTheLanguage) {
  struct Case {
    int language;
    const wchar_t* title;
    std::vector<std::wstring> items;
  };
  const Case cases[] = {
      {1, L"Zelvan Gaming Mouse", {L"Menu_Tray", L"Show Window", L"Start with Windows", L"Exit Driver"}},
      {0, L"泽凡电竞游戏鼠标驱动", {L"托盘菜单", L"显示窗口   ", L"随Windows启动", L"关闭驱动"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    SetLanguage(c.language);
    ScriptedMainDialog dialog(ExeDir(), Composition());
    std::wstring title;
    std::vector<std::wstring> items;
    Run(dialog, [&](ScriptedMainDialog& d) {
      title = win::WindowText(d.hwnd());
      const win::CZlvMenu& menu = d.trayMenu();
      for (int i = 0; i < menu.UsedCount(); ++i) items.push_back(ToWide(menu.EntryAt(i).text));
      Command(d.hwnd(), c.language == 1 ? ID_EN_EXIT_DRIVER : ID_CN_EXIT_DRIVER);
    });
    EXPECT_EQ(title, c.title);
    EXPECT_EQ(items, c.items);
    EXPECT_EQ(dialog.hwnd(), nullptr);
  }
}

TEST_F(MainDialogTest, KeyFilterSwallowsEscapeEnterAndF10BeforeDispatch) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  bool aliveAfterKeys = false;
  int probes = 0;
  Run(dialog, [&](ScriptedMainDialog& d) {
    if (++probes == 1) {
      // Posted straight to the dialog: without the filter, IsDialogMessage
      // would turn Escape into IDCANCEL and Enter into IDOK.
      Post(d.hwnd(), WM_KEYDOWN, VK_ESCAPE);
      Post(d.hwnd(), WM_KEYDOWN, VK_RETURN);
      Post(d.hwnd(), WM_SYSKEYDOWN, VK_F10);
      Post(d.hwnd(), WM_KEYUP, VK_ESCAPE);
      Post(d.hwnd(), kProbe);
      return;
    }
    aliveAfterKeys = IsWindow(d.hwnd()) && IsWindowVisible(d.hwnd());
    ExitDriver(d.hwnd());
  });
  EXPECT_TRUE(aliveAfterKeys);
  EXPECT_THAT(dialog.dispatched_keys, ElementsAre(WM_KEYUP));
  EXPECT_EQ(LastCommand(), 0x20);  // ended through Exit Driver
}

// The same keys without the filter: a plain dialog on the same template ends
// on Escape, so the test above would notice a filter that does nothing.
TEST_F(MainDialogTest, WithoutTheFilterEscapeEndsTheDialog) {
  class Plain : public win::Dialog {
   public:
    Plain() : win::Dialog(IDD_ZLV_GMOUSE_DIALOG) {}
    bool OnInitDialog() override {
      PostMessageW(hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
      return true;
    }
  } plain;
  EXPECT_EQ(plain.DoModal(), IDCANCEL);
}

TEST_F(MainDialogTest, CloseHidesToTrayAndTheTrayBringsItBack) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  struct Step {
    const char* what;
    std::function<void(HWND)> act;
  };
  // Each way back from the tray, after a close request.
  const std::vector<Step> ways = {
      {"Show Window", [](HWND w) { Command(w, ID_EN_SHOW_WINDOW); }},
      {"显示窗口", [](HWND w) { Command(w, ID_CN_SHOW_WINDOW); }},
      {"double click", [](HWND w) { Post(w, WM_USER + 1, kTrayIconId, WM_LBUTTONDBLCLK); }},
  };
  std::vector<std::string> failures;
  std::size_t way = 0;
  int phase = 0;
  bool otherIconIgnored = false;
  Run(dialog, [&](ScriptedMainDialog& d) {
    HWND w = d.hwnd();
    if (phase == 0) {  // shown: close it
      Post(w, WM_CLOSE);
      Post(w, kProbe);
      phase = 1;
    } else if (phase == 1) {  // hidden: a notification of another icon id does nothing
      if (IsWindowVisible(w)) failures.push_back(std::string(ways[way].what) + ": not hidden");
      if (!TrayIconExists(w, d.icon())) failures.push_back(std::string(ways[way].what) + ": no icon");
      otherIconIgnored = SendMessageW(w, WM_USER + 1, 154, WM_LBUTTONDBLCLK) == 1 && !IsWindowVisible(w);
      ways[way].act(w);
      Post(w, kProbe);
      phase = 2;
    } else {
      if (!IsWindowVisible(w) || IsIconic(w)) failures.push_back(std::string(ways[way].what) + ": not back");
      if (++way == ways.size()) {
        ExitDriver(w);
        return;
      }
      phase = 0;
      Post(w, kProbe);
    }
  });
  EXPECT_THAT(failures, ::testing::IsEmpty());
  EXPECT_TRUE(otherIconIgnored);
  EXPECT_EQ(dialog.hwnd(), nullptr);
}

TEST_F(MainDialogTest, PowerBroadcastProgramsTheMouseAgain) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  std::size_t before = 0, after = 0;
  Run(dialog, [&](ScriptedMainDialog& d) {
    before = ReportCount();
    fs::remove(dir_.path() / "config.ini");
    SendMessageW(d.hwnd(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    after = ReportCount();
    ExitDriver(d.hwnd());
  });
  EXPECT_EQ(after - before, 13u);
  // The push wrote [Init], the snapshot and the profile again.
  const std::string config = Config();
  EXPECT_NE(config.find("[Config6]"), std::string::npos);
  EXPECT_NE(config.find("CurConfig"), std::string::npos);
}

TEST_F(MainDialogTest, RemovalOfTheMouseEndsTheProgramOtherDevicesDoNot) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  LRESULT otherAnswer = 0;
  bool aliveAfterOther = false;
  Run(dialog, [&](ScriptedMainDialog& d) {
    HWND w = d.hwnd();
    DeviceBroadcast other{kDeviceTypeInterface, u"\\\\?\\hid#vid_845e&pid_0001#1&2&0&0000#{4d1e55b2}"};
    otherAnswer = SendDeviceChange(reinterpret_cast<NotifyTarget>(w), kDeviceRemoveComplete, other);
    DeviceBroadcast volume{2, u""};  // not an interface broadcast
    SendDeviceChange(reinterpret_cast<NotifyTarget>(w), kDeviceRemoveComplete, volume);
    SendMessageW(w, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    aliveAfterOther = IsWindow(w) != FALSE;
    hid_->UnplugMouse();  // the removal notifications arrive as WM_DEVICECHANGE
  });
  EXPECT_EQ(otherAnswer, TRUE);
  EXPECT_TRUE(aliveAfterOther);
  EXPECT_EQ(dialog.hwnd(), nullptr);
  EXPECT_FALSE(dialog.trayIcon().Shown());
  EXPECT_EQ(system_.pointer_speed, 10);
  EXPECT_FALSE(dialog.core()->device.DevicePresent);
}

TEST_F(MainDialogTest, EraseDragIconAndSystemMenu) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  LRESULT erased = 0, dragIcon = 0, bigIcon = 0;
  std::wstring lastItem;
  UINT lastId = 0, separatorType = 0;
  Run(dialog, [&](ScriptedMainDialog& d) {
    HWND w = d.hwnd();
    HDC dc = GetDC(w);
    erased = SendMessageW(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(w, dc);
    dragIcon = SendMessageW(w, WM_QUERYDRAGICON, 0, 0);
    bigIcon = SendMessageW(w, WM_GETICON, ICON_BIG, 0);
    HMENU systemMenu = GetSystemMenu(w, FALSE);
    const int count = GetMenuItemCount(systemMenu);
    lastItem = win::MenuItemText(systemMenu, count - 1);
    lastId = GetMenuItemID(systemMenu, count - 1);
    separatorType = GetMenuState(systemMenu, static_cast<UINT>(count - 2), MF_BYPOSITION);
    ExitDriver(w);
  });
  EXPECT_EQ(erased, 1);
  EXPECT_NE(dialog.icon(), nullptr);
  EXPECT_EQ(dragIcon, reinterpret_cast<LRESULT>(dialog.icon()));
  EXPECT_EQ(bigIcon, reinterpret_cast<LRESULT>(dialog.icon()));
  EXPECT_EQ(lastItem, L"&About ZLV_GMouse...");
  EXPECT_EQ(lastId, static_cast<UINT>(IDM_ABOUTBOX));
  EXPECT_TRUE(separatorType & MF_SEPARATOR);
}

// Globals of the timer callbacks below (they take no context).
HWND g_main = nullptr;
std::function<void()> g_on_timer;

void CALLBACK RunTimerScript(HWND, UINT, UINT_PTR id, DWORD) {
  if (g_on_timer) g_on_timer();
  (void)id;
}

TEST_F(MainDialogTest, AboutBoxRunsModallyFromTheSystemMenu) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  bool ownerDisabledDuringAbout = false, ownerEnabledAfter = false, aliveAfter = false;
  std::wstring aboutCaption;
  Run(dialog, [&](ScriptedMainDialog& d) {
    g_main = d.hwnd();
    UINT_PTR timer = 0;
    g_on_timer = [&] {
      HWND about = GetLastActivePopup(g_main);
      if (about == g_main || about == nullptr) return;
      KillTimer(nullptr, timer);
      ownerDisabledDuringAbout = !IsWindowEnabled(g_main);
      aboutCaption = win::WindowText(about);
      PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    timer = SetTimer(nullptr, 0, 50, RunTimerScript);
    SendMessageW(g_main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    g_on_timer = nullptr;
    ownerEnabledAfter = IsWindowEnabled(g_main) != FALSE;
    aliveAfter = IsWindowVisible(g_main) != FALSE;
    ExitDriver(g_main);
  });
  EXPECT_TRUE(ownerDisabledDuringAbout);
  EXPECT_EQ(aboutCaption, L"About ZLV_GMouse");
  EXPECT_TRUE(ownerEnabledAfter);
  EXPECT_TRUE(aliveAfter);  // OK closed the box, not the program
}

TEST_F(MainDialogTest, EscapeAndEnterCloseTheAboutBoxButNotTheMainWindow) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  struct Case {
    const char* what;
    WORD key;
  };
  const Case cases[] = {{"Escape", VK_ESCAPE}, {"Enter", VK_RETURN}};
  std::vector<std::string> failures;
  bool mainKeysCame = false, aliveAfterKeys = false;
  std::vector<UINT> mainKeys;
  Run(dialog, [&](ScriptedMainDialog& d) {
    g_main = d.hwnd();
    for (const Case& c : cases) {
      UINT_PTR timer = 0;
      int ticks = 0;
      bool pressed = false;
      g_on_timer = [&] {
        HWND about = GetLastActivePopup(g_main);
        const bool up = about != g_main && about != nullptr && IsWindowVisible(about);
        if (!pressed && up && GetForegroundWindow() == about) {
          PressKeys({c.key});
          pressed = true;
        }
        if (++ticks < 200) return;
        // Not closed by the key within ten seconds: close it so the test goes on.
        KillTimer(nullptr, timer);
        failures.push_back(std::string(c.what) + (pressed ? ": the key did not close the about box"
                                                         : ": the about box never became active"));
        if (up) PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      };
      timer = SetTimer(nullptr, 0, 50, RunTimerScript);
      SendMessageW(g_main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);  // returns once the box is closed
      KillTimer(nullptr, timer);
      g_on_timer = nullptr;
    }
    // The same keys at the main window itself are swallowed, key-downs and
    // F10 alike; only the releases of Escape and Enter reach it.
    SetForegroundWindow(g_main);
    SetFocus(g_main);
    PumpUntil([] { return false; }, 300);  // the release of the key that closed the box
    d.dispatched_keys.clear();
    PressKeys({VK_ESCAPE, VK_RETURN, VK_F10});
    mainKeysCame = PumpUntil([&] {
      return std::count(d.dispatched_keys.begin(), d.dispatched_keys.end(), WM_KEYUP) >= 2;
    });
    PumpUntil([] { return false; }, 200);  // anything still on its way
    mainKeys = d.dispatched_keys;
    aliveAfterKeys = IsWindow(g_main) && IsWindowVisible(g_main);
    ExitDriver(g_main);
  });
  EXPECT_THAT(failures, ::testing::IsEmpty());
  EXPECT_TRUE(mainKeysCame);
  EXPECT_THAT(mainKeys, ElementsAre(WM_KEYUP, WM_KEYUP));
  EXPECT_TRUE(aliveAfterKeys);
  EXPECT_EQ(LastCommand(), 0x20);  // ended through Exit Driver, not by a key
}

TEST_F(MainDialogTest, TrayMenuIsOwnerDrawnAndItsCommandsWork) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  // Each right click on the icon opens the menu; once its items are drawn,
  // keys choose an item the way a user would.
  struct Choice {
    const char* what;
    std::vector<WORD> keys;
  };
  const Choice choices[] = {
      {"Show Window", {VK_DOWN, VK_RETURN}},
      {"Start with Windows", {VK_DOWN, VK_DOWN, VK_RETURN}},
      {"Start with Windows again", {VK_DOWN, VK_DOWN, VK_RETURN}},
      {"Exit Driver", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}},
  };
  std::size_t choice = 0;
  int drawsWhileOpen = 0, measuresWhileOpen = 0;
  bool shownByMenu = false, hiddenBefore = false;
  // At each opening: whether "Start with Windows" was checked and drawn so,
  // and whether the task existed.
  std::vector<bool> checkedAtOpen, drawnCheckedAtOpen, taskAtOpen;
  std::vector<std::string> failures;
  Run(dialog, [&](ScriptedMainDialog& d) {
    g_main = d.hwnd();
    if (choice == 0) {
      // Hidden in the tray, so "Show Window" has something to do.
      SendMessageW(g_main, WM_CLOSE, 0, 0);
      hiddenBefore = !IsWindowVisible(g_main);
    } else if (choice == 1) {
      shownByMenu = IsWindowVisible(g_main) && !IsIconic(g_main);
    } else if (choice == std::size(choices)) {
      failures.push_back("Exit Driver did not end the program");
      ExitDriver(g_main);
      return;
    }
    UINT_PTR timer = 0;
    int ticks = 0;
    bool pressed = false;
    const Choice& c = choices[choice];
    taskAtOpen.push_back(startup_.exists);
    d.checked_draws = 0;
    g_on_timer = [&] {
      if (!pressed && d.draw_items > 0) {
        drawsWhileOpen = d.draw_items;
        measuresWhileOpen = d.measure_items;
        checkedAtOpen.push_back((GetMenuState(d.trayMenu().Popup(), ID_EN_START_WITH_WINDOWS,
                                              MF_BYCOMMAND) & MF_CHECKED) != 0);
        drawnCheckedAtOpen.push_back(d.checked_draws > 0);
        std::vector<INPUT> inputs;
        for (WORD key : c.keys) {
          INPUT in{};
          in.type = INPUT_KEYBOARD;
          in.ki.wVk = key;
          inputs.push_back(in);
          in.ki.dwFlags = KEYEVENTF_KEYUP;
          inputs.push_back(in);
        }
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
        pressed = true;
      }
      if (++ticks < 200) return;
      KillTimer(nullptr, timer);
      failures.push_back(std::string(c.what) + ": the menu did not close");
      EndMenu();
    };
    timer = SetTimer(nullptr, 0, 50, RunTimerScript);
    // A right click on the icon: the pop-up is tracked until it closes, and
    // the chosen command is posted to the window.
    SendMessageW(g_main, WM_USER + 1, kTrayIconId, WM_RBUTTONUP);
    KillTimer(nullptr, timer);
    g_on_timer = nullptr;
    ++choice;
    Post(g_main, kProbe);
  });
  EXPECT_THAT(failures, ::testing::IsEmpty());
  EXPECT_GE(measuresWhileOpen, 3);
  EXPECT_GE(drawsWhileOpen, 3);
  EXPECT_TRUE(hiddenBefore);
  EXPECT_TRUE(shownByMenu);
  // The item follows the task: registered by the first choice, removed by the second.
  EXPECT_THAT(taskAtOpen, ElementsAre(false, false, true, false));
  EXPECT_EQ(checkedAtOpen, taskAtOpen);
  EXPECT_EQ(drawnCheckedAtOpen, taskAtOpen);
  EXPECT_EQ(startup_.enables, 1);
  EXPECT_EQ(startup_.disables, 1);
  // Exit Driver from the menu: icon gone, exit report, pointer speed 10.
  EXPECT_EQ(dialog.hwnd(), nullptr);
  EXPECT_FALSE(dialog.trayIcon().Shown());
  EXPECT_EQ(LastCommand(), 0x20);
  EXPECT_EQ(system_.pointer_speed, 10);
  EXPECT_THAT(messages_.shown, ::testing::IsEmpty());
}

TEST_F(MainDialogTest, StartWithWindowsThatFailsSaysSoInTheLanguage) {
  struct Case {
    int language;
    WORD command;
    const char16_t* message;
  };
  const Case cases[] = {
      {1, ID_EN_START_WITH_WINDOWS, u"The start with Windows could not be changed."},
      {0, ID_CN_START_WITH_WINDOWS, u"无法更改随Windows启动设置。"},
  };
  startup_.fail = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    SetLanguage(c.language);
    messages_.shown.clear();
    ScriptedMainDialog dialog(ExeDir(), Composition());
    int probes = 0;
    Run(dialog, [&](ScriptedMainDialog& d) {
      if (++probes == 1) {
        Command(d.hwnd(), c.command);
        Post(d.hwnd(), kProbe);
        return;
      }
      ExitDriver(d.hwnd());
    });
    EXPECT_THAT(messages_.shown, ElementsAre(Text(c.message)));
    EXPECT_FALSE(startup_.exists);
  }
}

TEST_F(MainDialogTest, WindowShapeIsTheMaskRule) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  bool equal = false, hasShape = false;
  SIZE page{};
  Run(dialog, [&](ScriptedMainDialog& d) {
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    hasShape = GetWindowRgn(d.hwnd(), shape) != ERROR;
    const ui::SkinPicture mask = ui::LoadSkinPicture(d.core()->SkinsDir + u"\\main_mask.jpg");
    ui::UniqueRegion expected = ui::MaskShape(mask);
    equal = expected && EqualRgn(shape, expected.get()) != FALSE;
    page = d.PageSize();
    DeleteObject(shape);
    ExitDriver(d.hwnd());
  });
  EXPECT_TRUE(hasShape);
  EXPECT_TRUE(equal);
  EXPECT_GT(page.cx, 0);
  EXPECT_GT(page.cy, 0);
}

TEST_F(MainDialogTest, RepaintRegionLeavesOutThreeOfTheAdvancedPagesControls) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  struct Probe {
    POINT at;
    bool inside;
  };
  std::vector<Probe> probes;
  std::vector<bool> got;
  Run(dialog, [&](ScriptedMainDialog& d) {
    const ui::SkinLayout& skin = d.core()->skin;
    auto middle = [](const ui::SkinRect& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };
    probes = {{middle(skin.NameEditRect), false},
              {middle(skin.EventListRect), false},
              {middle(skin.MacroListRect), false},
              {middle(skin.RepeatEditRect), true},  // the repeat edit is repainted over
              {POINT{2, 2}, true}};
    for (const Probe& p : probes) got.push_back(PtInRegion(d.RepaintRegion(), p.at.x, p.at.y) != FALSE);
    ExitDriver(d.hwnd());
  });
  ASSERT_EQ(got.size(), probes.size());
  for (std::size_t i = 0; i < probes.size(); ++i) EXPECT_EQ(got[i], probes[i].inside) << "probe " << i;
}

TEST_F(MainDialogTest, PaintsTheMainPagePicture) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  COLORREF onScreen = 0, inPicture = 0;
  POINT at{};
  Run(dialog, [&](ScriptedMainDialog& d) {
    HWND w = d.hwnd();
    const ui::SkinPicture face = ui::LoadSkinPicture(d.core()->SkinsDir + u"\\main_normal.jpg");
    // A point inside the shape: the middle of the page.
    at = POINT{face.Width() / 2, face.Height() / 2};
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(w);
    onScreen = GetPixel(dc, at.x, at.y);
    ReleaseDC(w, dc);
    const std::uint8_t* p = face.MutableBits() + (static_cast<std::size_t>(at.y) * static_cast<std::size_t>(face.Width()) + static_cast<std::size_t>(at.x)) * 4;
    inPicture = RGB(p[2], p[1], p[0]);
    ExitDriver(w);
  });
  EXPECT_EQ(onScreen, inPicture);
}

TEST_F(MainDialogTest, RecordingTakesKeysFromTheHookAndKeepsTheWindow) {
  ScriptedMainDialog dialog(ExeDir(), Composition());
  const std::vector<Text> names = {u"Macro 1"};
  bool recordingAfterStart = false, aliveAfterEscape = false, hookedKeysCame = false;
  int recorded = 0;
  int probes = 0;
  // The event list shows one "[↓] ..." or "[↑] ..." line per recorded event.
  auto recordedEvents = [](const ScriptedMainDialog& d) {
    const auto& lines = d.eventList().lines;
    return std::count_if(lines.begin(), lines.end(),
                         [](const Text& line) { return !line.empty() && line.front() == u'['; });
  };
  Run(dialog, [&](ScriptedMainDialog& d) {
    HWND w = d.hwnd();
    if (++probes == 1) {
      d.ToggleRecording(names, 0);
      recordingAfterStart = d.Recording();
      // Posted keys, as the hook posts them; Escape and Enter are recorded
      // (not swallowed by the key filter before the recorder) and end nothing.
      Post(w, WM_KEYDOWN, 'A');
      Post(w, WM_KEYUP, 'A');
      Post(w, WM_KEYDOWN, VK_ESCAPE);
      Post(w, WM_KEYUP, VK_ESCAPE);
      // A real keystroke through the system reaches the hook, which posts it here.
      INPUT keys[2] = {};
      keys[0].type = keys[1].type = INPUT_KEYBOARD;
      keys[0].ki.wVk = keys[1].ki.wVk = 'B';
      keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, keys, sizeof(INPUT));
      Post(w, kProbe);
      return;
    }
    // The hooked keystrokes come round through the hook and the queue.
    hookedKeysCame = PumpUntil([&] { return recordedEvents(d) >= 6; });
    aliveAfterEscape = IsWindowVisible(w) != FALSE;
    d.ToggleRecording(names, 0);
    recorded = d.core()->macros.user.slots[0].Count();
    ExitDriver(w);
  });
  EXPECT_TRUE(recordingAfterStart);
  EXPECT_TRUE(hookedKeysCame);
  EXPECT_TRUE(aliveAfterEscape);
  EXPECT_FALSE(dialog.Recording());
  EXPECT_EQ(recorded, 6);  // A, Escape and B, each pressed and released
}

// --- The window layer's other pieces ---

class FrameworkTest : public ProgramResources {};

TEST_F(FrameworkTest, ModelessDialogEndsByDestruction) {
  win::Dialog menu(IDD_FUNCTION_MENU);
  ASSERT_TRUE(menu.Create(nullptr));
  HWND hwnd = menu.hwnd();
  EXPECT_EQ(win::Dialog::FromHandle(hwnd), &menu);
  EXPECT_FALSE(IsWindowVisible(hwnd));  // the template is not visible
  menu.EndDialog(1);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(menu.hwnd(), nullptr);
  EXPECT_EQ(win::Dialog::FromHandle(hwnd), nullptr);
}

TEST_F(FrameworkTest, SystemLoopModalEndsWithTheResult) {
  class Warning : public win::Dialog {
   public:
    Warning() : win::Dialog(IDD_WARNING) {}
    bool OnInitDialog() override {
      PostMessageW(hwnd(), WM_APP, 0, 0);
      return true;
    }
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
      if (message == WM_APP) EndDialog(2);
      return message == WM_APP;
    }
  } warning;
  EXPECT_EQ(warning.DoModalSystemLoop(nullptr), 2);
  EXPECT_EQ(warning.hwnd(), nullptr);
}

// The mouse's removal reaches the program as a message sent from another
// thread, which the system hands to the window from inside the loop's
// GetMessageW; the window destroyed there must still end the modal run
// instead of leaving the loop asleep with no window (the process would keep
// running, holding the single-instance mutex).
TEST_F(FrameworkTest, ModalRunEndsWhenAnotherThreadsMessageDestroysTheWindow) {
  constexpr UINT kDestroyFromThere = WM_APP + 11;
  class Destroyed : public win::Dialog {
   public:
    Destroyed() : win::Dialog(IDD_WARNING) {}
    std::atomic<HWND> shown{nullptr};

   protected:
    bool OnInitDialog() override {
      shown = hwnd();
      return true;
    }
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
      if (message != kDestroyFromThere) return false;
      DestroyWindow();
      return true;
    }
  } dialog;

  const DWORD loopThread = GetCurrentThreadId();
  std::atomic<bool> returned{false};
  std::atomic<bool> wokenByWatchdog{false};
  std::thread sender([&] {
    for (int i = 0; i < 500 && dialog.shown == nullptr; ++i) Sleep(10);
    HWND hwnd = dialog.shown;
    if (hwnd == nullptr) return;
    Sleep(300);  // the loop is asleep in GetMessageW by now
    SendMessageW(hwnd, kDestroyFromThere, 0, 0);
    // If the loop does not wake by itself, wake it so the test can fail
    // instead of hanging.
    for (int i = 0; i < 300 && !returned; ++i) Sleep(10);
    if (!returned) {
      wokenByWatchdog = true;
      PostThreadMessageW(loopThread, WM_NULL, 0, 0);
    }
  });
  const INT_PTR result = dialog.DoModal(nullptr);
  returned = true;
  sender.join();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(dialog.hwnd(), nullptr);
  EXPECT_FALSE(wokenByWatchdog) << "the modal loop slept on after its window was destroyed";
}

class CountingListBox : public win::ListBox {
 public:
  int right_button_ups = 0;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_RBUTTONUP) {
      ++right_button_ups;
      return 0;
    }
    return DefaultProc(message, wParam, lParam);
  }
};

TEST_F(FrameworkTest, SubclassedControlsSeeTheirMessages) {
  win::Dialog host(IDD_FUNCTION_MENU);
  ASSERT_TRUE(host.Create(nullptr));
  CountingListBox list;
  win::Edit edit;
  ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_NOTIFY, RECT{0, 0, 100, 100}, host.hwnd(), 10001));
  ASSERT_TRUE(edit.Create(WS_VISIBLE, RECT{0, 100, 100, 120}, host.hwnd(), 10002));
  EXPECT_EQ(win::SubclassedControl::FromHandle(list.hwnd()), &list);
  EXPECT_EQ(GetDlgCtrlID(list.hwnd()), 10001);

  list.AddString(L"Key A");
  list.AddString(L"左键");
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetText(1), L"左键");
  list.SetCurSel(1);
  EXPECT_EQ(list.GetCurSel(), 1);
  SendMessageW(list.hwnd(), WM_RBUTTONUP, 0, 0);
  EXPECT_EQ(list.right_button_ups, 1);

  edit.SetText(L"1000");
  EXPECT_EQ(edit.GetText(), L"1000");

  // Destroying the parent destroys the controls; the objects let go of them.
  host.DestroyWindow();
  EXPECT_EQ(list.hwnd(), nullptr);
  EXPECT_EQ(edit.hwnd(), nullptr);
}

TEST_F(FrameworkTest, ContextMenuResourceBecomesOwnerDrawnKeepingIdsAndSubmenus) {
  win::CZlvMenu menu;
  ASSERT_TRUE(menu.Load(IDR_LIST_MENU_EN));
  HMENU popup = menu.Popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(menu.UsedCount(), 23);
  struct Item {
    int position;
    int id;  // -1: opens a submenu
    const wchar_t* text;
  };
  const Item items[] = {{0, -1, L"Add Forward"},
                        {1, -1, L"Add Backward"},
                        {2, ID_EN_MODIFY_DELAY, L"Modify Delay"},
                        {3, ID_EN_DELETE, L"Delete"}};
  for (const Item& item : items) {
    SCOPED_TRACE(item.position);
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID | MIIM_SUBMENU;
    ASSERT_TRUE(GetMenuItemInfoW(popup, static_cast<UINT>(item.position), TRUE, &info));
    EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
    EXPECT_EQ(info.hSubMenu != nullptr, item.id == -1);
    if (item.id != -1) {
      EXPECT_EQ(info.wID, static_cast<UINT>(item.id));
    }
    const win::CZlvMenu::Entry* entry = win::CZlvMenu::FindEntry(info.dwItemData);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->id, item.id);
    EXPECT_EQ(ToWide(entry->text), item.text);
  }
}

}  // namespace
}  // namespace zlv
