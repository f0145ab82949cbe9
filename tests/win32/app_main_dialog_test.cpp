// The window layer and the main window skeleton, run in this process with
// the templates of the built program: the modal loop's pre-translation, the
// key filter, the initialisation order and shutdown, closing to the tray.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/gmouse_dlg_win32.h"
#include "app/win_framework_win32.h"
#include "base/text_win32.h"
#include "resources/resource_ids.h"
#include "tests/support/test_support.h"
#include "tests/win32/program_image_win32.h"

namespace zlv {
namespace {

using ::testing::ElementsAre;

// Posted by the tests after their messages: when it arrives, everything
// posted before it has passed the loop.
constexpr UINT kProbe = WM_APP + 7;

class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(testing::ProgramImage(), nullptr);
    win::SetResourceModule(testing::ProgramImage());
  }
  void TearDown() override { win::SetResourceModule(nullptr); }
};

// The main window with every hook recorded. A script runs once the window is
// up (after the initialisation), posted as the first message of the loop.
class RecordingMainDialog : public CZLV_GMouseDlg {
 public:
  explicit RecordingMainDialog(Text exeDir) : CZLV_GMouseDlg(std::move(exeDir), AppComposition{}) {}

  std::vector<std::string> calls;
  std::vector<UINT> pretranslated;     // key messages the recorder step saw
  std::vector<UINT> dispatched_keys;   // key messages that reached the window
  bool mouse_present = true;
  bool skins_present = true;
  bool probe_seen = false;
  bool visible_at_probe = false;
  std::function<void(RecordingMainDialog&)> on_probe;

 protected:
  void ClearHandOverFlags() override { calls.push_back("flags"); }
  void StartWorkerThreads() override { calls.push_back("threads"); }
  void LoadSettings() override {
    calls.push_back("settings");
    CZLV_GMouseDlg::LoadSettings();
  }
  bool LoadSkinLayouts() override {
    calls.push_back("skins");
    if (!skins_present) ShutDownDriver();
    return skins_present;
  }
  void CreateAdvancedPageControls() override { calls.push_back("controls"); }
  void LoadWarningLayout() override { calls.push_back("warning"); }
  void ApplyWindowShape() override { calls.push_back("shape"); }
  void LoadMacroFiles() override { calls.push_back("macros"); }
  void ResetEditorState() override { calls.push_back("editor"); }
  void LoadMenus() override { calls.push_back("menus"); }
  bool ScanForMouse() override {
    calls.push_back("scan");
    return mouse_present;
  }
  void ShowPlugInMessage() override { calls.push_back("plug-in message"); }
  void PushAllSettings() override { calls.push_back("push"); }
  void AddTrayIcon() override {
    calls.push_back("tray+");
    // The end of a successful start: hand over to the test's script.
    if (!started_) {
      started_ = true;
      PostMessageW(hwnd(), kProbe, 0, 0);
    }
  }
  void RemoveTrayIcon() override { calls.push_back("tray-"); }
  bool FeatureCollectionOpen() override { return true; }
  void SendDriverExitCommand() override { calls.push_back("exit report"); }
  void ResetWindowsPointerSpeed() override { calls.push_back("pointer speed"); }

  RecorderVerdict PreTranslateRecorder(MSG& msg) override {
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) pretranslated.push_back(msg.message);
    return RecorderVerdict::kNotRecording;
  }

  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message >= WM_KEYFIRST && message <= WM_KEYLAST) dispatched_keys.push_back(message);
    if (message == kProbe) {
      probe_seen = true;
      visible_at_probe = IsWindowVisible(hwnd()) != FALSE;
      if (on_probe) on_probe(*this);
      return true;
    }
    return CZLV_GMouseDlg::OnMessage(message, wParam, lParam, result);
  }

 private:
  bool started_ = false;
};

void ExitDriver(HWND hwnd) { PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ID_EN_EXIT_DRIVER, 0), 0); }

class MainDialogTest : public ProgramResources {
 protected:
  testing::TempDir dir_;
  Text ExeDir() const { return FromWide(dir_.path().wstring()); }
  void WriteConfig(const std::string& text) { testing::WriteBytes(dir_.path() / "config.ini", text); }
};

TEST_F(MainDialogTest, InitialisesInOrderThenExitDriverShutsDown) {
  RecordingMainDialog dialog(ExeDir());
  dialog.on_probe = [](RecordingMainDialog& d) { ExitDriver(d.hwnd()); };
  dialog.DoModal();

  EXPECT_TRUE(dialog.probe_seen);
  EXPECT_TRUE(dialog.visible_at_probe);
  EXPECT_EQ(dialog.hwnd(), nullptr);  // destroyed, the modal run is over
  EXPECT_THAT(dialog.calls,
              ElementsAre("flags", "threads", "settings", "skins", "controls", "warning", "shape",
                          "macros", "editor", "menus", "scan", "push", "tray+",
                          // Exit Driver:
                          "tray-", "exit report", "pointer speed"));
}

TEST_F(MainDialogTest, WithoutTheMouseShowsTheMessageAndEnds) {
  RecordingMainDialog dialog(ExeDir());
  dialog.mouse_present = false;
  dialog.DoModal();  // returns: the window is destroyed during its initialisation
  EXPECT_EQ(dialog.hwnd(), nullptr);
  EXPECT_FALSE(dialog.probe_seen);
  EXPECT_THAT(dialog.calls, ElementsAre("flags", "threads", "settings", "skins", "controls",
                                        "warning", "shape", "macros", "editor", "menus", "scan",
                                        "plug-in message", "tray-", "exit report", "pointer speed"));
}

TEST_F(MainDialogTest, MissingSkinStopsTheInitialisation) {
  RecordingMainDialog dialog(ExeDir());
  dialog.skins_present = false;
  dialog.DoModal();
  EXPECT_EQ(dialog.hwnd(), nullptr);
  EXPECT_THAT(dialog.calls, ElementsAre("flags", "threads", "settings", "skins", "tray-",
                                        "exit report", "pointer speed"));
}

TEST_F(MainDialogTest, TitleFollowsTheLanguageInConfig) {
  struct Case {
    const char* config;  // nullptr: no config.ini
    const wchar_t* title;
  };
  const Case cases[] = {
      {"[Init]\r\nCurConfig=1\r\nVER_SEL=1\r\n", L"Zelvan Gaming Mouse"},
      {"[Init]\r\nCurConfig=1\r\nVER_SEL=0\r\n", L"泽凡电竞游戏鼠标驱动"},
      {"[Init]\r\nCurConfig=1\r\n", L"泽凡电竞游戏鼠标驱动"},
      {nullptr, L"泽凡电竞游戏鼠标驱动"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.config != nullptr ? c.config : "no config.ini");
    std::filesystem::remove(dir_.path() / "config.ini");
    if (c.config != nullptr) WriteConfig(c.config);
    RecordingMainDialog dialog(ExeDir());
    std::wstring title;
    dialog.on_probe = [&](RecordingMainDialog& d) {
      title = win::WindowText(d.hwnd());
      ExitDriver(d.hwnd());
    };
    dialog.DoModal();
    EXPECT_EQ(title, c.title);
  }
}

TEST_F(MainDialogTest, KeyFilterSwallowsEscapeEnterAndF10BeforeDispatch) {
  RecordingMainDialog dialog(ExeDir());
  bool aliveAfterKeys = false;
  int probes = 0;
  dialog.on_probe = [&](RecordingMainDialog& d) {
    if (++probes == 1) {
      // Posted straight to the dialog: without the filter, IsDialogMessage
      // would turn Escape into IDCANCEL and Enter into IDOK, ending it.
      PostMessageW(d.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
      PostMessageW(d.hwnd(), WM_KEYDOWN, VK_RETURN, 0);
      PostMessageW(d.hwnd(), WM_SYSKEYDOWN, VK_F10, 0);
      PostMessageW(d.hwnd(), WM_KEYUP, VK_ESCAPE, 0);
      PostMessageW(d.hwnd(), kProbe, 0, 0);
      return;
    }
    aliveAfterKeys = IsWindow(d.hwnd()) && IsWindowVisible(d.hwnd());
    ExitDriver(d.hwnd());
  };
  dialog.DoModal();
  EXPECT_TRUE(aliveAfterKeys);
  // Every key message went through the pre-translation ...
  EXPECT_THAT(dialog.pretranslated, ElementsAre(WM_KEYDOWN, WM_KEYDOWN, WM_SYSKEYDOWN, WM_KEYUP));
  // ... and only the release went on to the window.
  EXPECT_THAT(dialog.dispatched_keys, ElementsAre(WM_KEYUP));
  // The dialog ended through Exit Driver, not through Escape or Enter.
  EXPECT_EQ(dialog.calls.back(), "pointer speed");
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

TEST_F(MainDialogTest, CloseHidesToTrayAndShowWindowBringsItBack) {
  RecordingMainDialog dialog(ExeDir());
  bool hidden = false, trayAdded = false, shown = false, iconic = true;
  int probes = 0;
  dialog.on_probe = [&](RecordingMainDialog& d) {
    switch (++probes) {
      case 1:
        d.calls.clear();
        PostMessageW(d.hwnd(), WM_CLOSE, 0, 0);
        PostMessageW(d.hwnd(), kProbe, 0, 0);
        break;
      case 2:
        hidden = !IsWindowVisible(d.hwnd());
        trayAdded = d.calls == std::vector<std::string>{"tray+"};
        PostMessageW(d.hwnd(), WM_COMMAND, MAKEWPARAM(ID_CN_SHOW_WINDOW, 0), 0);
        PostMessageW(d.hwnd(), kProbe, 0, 0);
        break;
      default:
        shown = IsWindowVisible(d.hwnd()) != FALSE;
        iconic = IsIconic(d.hwnd()) != FALSE;
        PostMessageW(d.hwnd(), WM_COMMAND, MAKEWPARAM(ID_CN_EXIT_DRIVER, 0), 0);
    }
  };
  dialog.DoModal();
  EXPECT_TRUE(hidden);
  EXPECT_TRUE(trayAdded);
  EXPECT_TRUE(shown);
  EXPECT_FALSE(iconic);
  EXPECT_EQ(dialog.hwnd(), nullptr);
}

TEST_F(MainDialogTest, EraseDragIconPowerAndSystemMenu) {
  RecordingMainDialog dialog(ExeDir());
  LRESULT erased = 0, dragIcon = 0, bigIcon = 0;
  std::wstring lastItem;
  UINT lastId = 0, separatorType = 0;
  std::vector<std::string> afterPower;
  dialog.on_probe = [&](RecordingMainDialog& d) {
    HWND w = d.hwnd();
    HDC dc = GetDC(w);
    erased = SendMessageW(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(w, dc);
    dragIcon = SendMessageW(w, WM_QUERYDRAGICON, 0, 0);
    bigIcon = SendMessageW(w, WM_GETICON, ICON_BIG, 0);

    HMENU systemMenu = GetSystemMenu(w, FALSE);
    const int count = GetMenuItemCount(systemMenu);
    lastItem = win::Menu::ItemText(systemMenu, count - 1);
    lastId = GetMenuItemID(systemMenu, count - 1);
    separatorType = GetMenuState(systemMenu, static_cast<UINT>(count - 2), MF_BYPOSITION);

    d.calls.clear();
    SendMessageW(w, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    afterPower = d.calls;
    ExitDriver(w);
  };
  dialog.DoModal();
  EXPECT_EQ(erased, 1);
  EXPECT_NE(dialog.icon(), nullptr);
  EXPECT_EQ(dragIcon, reinterpret_cast<LRESULT>(dialog.icon()));
  EXPECT_EQ(bigIcon, reinterpret_cast<LRESULT>(dialog.icon()));
  EXPECT_EQ(lastItem, L"&About ZLV_GMouse...");
  EXPECT_EQ(lastId, static_cast<UINT>(IDM_ABOUTBOX));
  EXPECT_TRUE(separatorType & MF_SEPARATOR);
  EXPECT_THAT(afterPower, ElementsAre("push"));
}

TEST_F(MainDialogTest, AboutBoxRunsModallyFromTheSystemMenu) {
  RecordingMainDialog dialog(ExeDir());
  bool ownerDisabledDuringAbout = false, ownerEnabledAfter = false;
  std::wstring aboutCaption;
  dialog.on_probe = [&](RecordingMainDialog& d) {
    HWND main = d.hwnd();
    // Once the about box is up, look at it and press its OK button.
    static HWND s_main;
    static bool* s_disabled;
    static std::wstring* s_caption;
    s_main = main;
    s_disabled = &ownerDisabledDuringAbout;
    s_caption = &aboutCaption;
    SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
      HWND about = GetLastActivePopup(s_main);
      if (about == s_main || about == nullptr) return;
      KillTimer(nullptr, id);
      *s_disabled = !IsWindowEnabled(s_main);
      *s_caption = win::WindowText(about);
      PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    SendMessageW(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    ownerEnabledAfter = IsWindowEnabled(main) != FALSE;
    ExitDriver(main);
  };
  dialog.DoModal();
  EXPECT_TRUE(ownerDisabledDuringAbout);
  EXPECT_EQ(aboutCaption, L"About ZLV_GMouse");
  EXPECT_TRUE(ownerEnabledAfter);
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

TEST_F(FrameworkTest, OwnerDrawnItemsKeepIdsAndSubmenus) {
  win::Menu menu;
  ASSERT_TRUE(menu.Load(IDR_LIST_MENU_EN));
  HMENU popup = win::Menu::SubMenu(menu.handle(), 0);
  ASSERT_NE(popup, nullptr);
  static int marker = 0;
  const ULONG_PTR data = reinterpret_cast<ULONG_PTR>(&marker);
  HMENU forward = win::Menu::SubMenu(popup, 0);
  ASSERT_TRUE(win::Menu::MakeItemOwnerDrawn(popup, 0, data));   // opens a submenu
  ASSERT_TRUE(win::Menu::MakeItemOwnerDrawn(popup, 3, data));   // "Delete"
  EXPECT_EQ(win::Menu::SubMenu(popup, 0), forward);
  EXPECT_EQ(win::Menu::ItemId(popup, 0), -1);
  EXPECT_EQ(win::Menu::ItemId(popup, 3), ID_EN_DELETE);
  for (int position : {0, 3}) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    ASSERT_TRUE(GetMenuItemInfoW(popup, static_cast<UINT>(position), TRUE, &info));
    EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
    EXPECT_EQ(info.dwItemData, data);
  }
  EXPECT_EQ(win::Menu::ItemText(popup, 2), L"Modify Delay");  // untouched item keeps its text
}

}  // namespace
}  // namespace zlv
