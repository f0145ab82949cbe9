// The advanced page's macros end to end, with real input: a macro recorded
// from the keyboard, named, added, given a repeat count and applied reaches
// the user macro file; chosen for a button and applied, it plays through the
// virtual mouse. A delay edited in place reaches the record; the language
// switch follows everywhere and sends nothing; a profile travels through an
// exchange file.
#include "tests/win32/main_window_rig_win32.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <functional>

#include "macro/key_codes.h"

namespace zlv {
namespace {

using testing::SendKey;
using testing::TapKey;
// Types upper-case letters and digits as plain keys (letters come out in
// lower case).
void TypeKeys(const char* keys) {
  for (const char* k = keys; *k != '\0'; ++k) TapKey(static_cast<WORD>(*k));
}

std::wstring ControlText(HWND control) { return win::WindowText(control); }

int ListCount(HWND list) { return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); }

// The menu the system shows for TrackPopupMenu, once it is on screen.
HWND WaitForPopupMenu(std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (menu != nullptr && IsWindowVisible(menu)) return menu;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

// Shows macro `macro` and opens the in-place editor on its event-list line
// `line` with the context menu's "Modify Delay" (the third item, chosen with
// the keyboard). Returns the event list, or null when the editor did not open.
HWND OpenDelayEditor(CZLV_GMouseDlg& d, int macro, int line) {
  HWND macroList = d.AdvancedControl(kMacroListId);
  HWND eventList = d.AdvancedControl(kEventListId);
  if (macroList == nullptr || eventList == nullptr) return nullptr;
  SendMessageW(macroList, LB_SETCURSEL, static_cast<WPARAM>(macro), 0);
  SendMessageW(d.hwnd(), WM_COMMAND, MAKEWPARAM(kMacroListId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(macroList));
  if (ListCount(eventList) <= line) return nullptr;
  RECT item{};
  SendMessageW(eventList, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&item));
  POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ClientToScreen(eventList, &at);
  MoveTo(at);
  PumpUntil([&] {
    POINT now{};
    GetCursorPos(&now);
    return now.x == at.x && now.y == at.y;
  });
  std::thread chooser([] {
    if (WaitForPopupMenu(std::chrono::seconds(5)) == nullptr) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (int i = 0; i < 3; ++i) TapKey(VK_DOWN);
    TapKey(VK_RETURN);
  });
  SendMouse(MOUSEEVENTF_RIGHTDOWN);
  SendMouse(MOUSEEVENTF_RIGHTUP);
  const bool opened = PumpUntil([&] { return FindWindowExW(eventList, nullptr, L"Edit", nullptr) != nullptr; }, 8000);
  chooser.join();
  return opened ? eventList : nullptr;
}

// Whether any user record holds `delay` as one of its delays.
bool AnyRecordHoldsDelay(CZLV_GMouseDlg& d, std::uint16_t delay) {
  const UserMacroTable& table = d.core()->macros.user;
  for (const MacroSlot& slot : table.slots) {
    for (int k = 0; k < kMacroEventCapacity; ++k) {
      if (slot.Delay(k) == delay) return true;
    }
  }
  return false;
}

// The keys of each key report the mouse received, with its time.
struct KeyReport {
  Nanos time;
  std::array<std::uint8_t, 6> keys;
};
std::vector<KeyReport> KeyReports(const VirtualMouse& mouse) {
  std::vector<KeyReport> reports;
  for (const LoggedReport& r : mouse.Log()) {
    if (r.bytes.size() < 8 || r.bytes[1] != 0x15) continue;
    KeyReport k{r.time, {}};
    std::copy(r.bytes.begin() + 2, r.bytes.begin() + 8, k.keys.begin());
    reports.push_back(k);
  }
  return reports;
}

using MacroEditingTest = MainWindowPointerTest;

TEST_F(MacroEditingTest, ARecordedMacroReachesTheFileAndPlaysFromButton4) {
  PointerDialog dialog(ExeDir(), Composition());
  constexpr int kButton = 4;  // the field of hardware button 4
  constexpr std::size_t kMouseButton = protocol::PhysicalButtonIndex[kButton] - 1u;
  std::vector<std::string> failures;
  int slot = -1;
  MacroSlot recorded{};
  std::wstring fileRecord, fileCount;
  std::wstring nameShown, repeatShown, repeatShownAfterZero;
  ButtonFunctionCode chosen = 0;
  std::vector<KeyReport> played;
  Run(dialog, [&](PointerDialog& d) {
    if (!ClickMain(d, 10)) failures.push_back("advanced tab");
    HWND nameEdit = d.AdvancedControl(kNameEditId);
    HWND macroList = d.AdvancedControl(kMacroListId);
    HWND repeatEdit = d.AdvancedControl(kRepeatEditId);
    if (nameEdit == nullptr || macroList == nullptr || repeatEdit == nullptr) {
      failures.push_back("controls");
      return;
    }
    const int macrosBefore = ListCount(macroList);
    // Name it: the text goes into the name edit, then Add.
    SetFocus(nameEdit);
    SendMessageW(nameEdit, EM_SETSEL, 0, -1);
    TypeKeys("JUMP");
    if (!PumpUntil([&] { return ControlText(nameEdit) == L"jump"; })) failures.push_back("typing the name");
    if (!ClickAdvanced(d, 2)) failures.push_back("add");
    if (!PumpUntil([&] { return ListCount(macroList) == macrosBefore + 1; })) failures.push_back("added line");
    slot = static_cast<int>(SendMessageW(macroList, LB_GETCURSEL, 0, 0));

    // Record A and B, each pressed and released, with pauses between.
    if (!ClickAdvanced(d, 4)) failures.push_back("record");
    if (!d.Recording()) failures.push_back("recording did not start");
    for (WORD key : {WORD{'A'}, WORD{'B'}}) {
      SendKey(key, true);
      PumpFor(60);
      SendKey(key, false);
      PumpFor(40);
    }
    if (!PumpUntil([&] { return d.eventList().lines.size() == 7; })) failures.push_back("recorded lines");
    // Off the record entry and back (a click needs a move to land), soon
    // enough for the system to make it a double click.
    Hover(d, Centre(d.core()->skin.AdvancedEntries[5]));
    if (!ClickAdvanced(d, 4)) failures.push_back("stop");
    if (d.Recording()) failures.push_back("still recording");
    if (d.core()->macros.user.slots[static_cast<std::size_t>(slot)].Count() != 4) {
      failures.push_back("count after stop " + std::to_string(d.core()->macros.user.slots[static_cast<std::size_t>(slot)].Count()));
    }
    // Repeat three times, then Apply writes the file.
    if (!ClickAdvanced(d, 6)) failures.push_back("repeat mode");
    SetFocus(repeatEdit);
    SendMessageW(repeatEdit, EM_SETSEL, 0, -1);
    TypeKeys("3");
    if (!PumpUntil([&] { return ControlText(repeatEdit) == L"3"; })) {
      failures.push_back("typing the count: " + ToUtf8(FromWide(ControlText(repeatEdit))) +
                         (IsWindowEnabled(repeatEdit) ? " enabled" : " disabled") +
                         (GetFocus() == repeatEdit ? " focused" : " not focused"));
    }
    if (!ClickAdvanced(d, 5)) failures.push_back("apply count");
    nameShown = ControlText(nameEdit);
    repeatShown = ControlText(repeatEdit);
    if (slot >= 0 && slot < kMacroTableSize) {
      recorded.AssignFrom(d.core()->macros.user.slots[static_cast<std::size_t>(slot)]);
      const std::wstring file = (dir_.path() / "Macro_EN.dat").wstring();
      wchar_t buffer[4000] = {};
      GetPrivateProfileStringW(L"Macros", std::to_wstring(slot).c_str(), L"", buffer, 4000, file.c_str());
      fileRecord = buffer;
      GetPrivateProfileStringW(L"Macros", L"macroNum", L"", buffer, 4000, file.c_str());
      fileCount = buffer;
    }
    // A count of 0 is set as 1, and the edit shows what was set.
    SetFocus(repeatEdit);
    SendMessageW(repeatEdit, EM_SETSEL, 0, -1);
    TypeKeys("0");
    PumpUntil([&] { return ControlText(repeatEdit) == L"0"; });
    if (!ClickAdvanced(d, 5)) failures.push_back("apply count 0");
    repeatShownAfterZero = ControlText(repeatEdit);

    // On the main page, button 4's menu, the macros row, the new macro.
    if (!ClickMain(d, 9)) failures.push_back("main tab");
    const int itemHeight = RowHeightOf(d.core()->SkinsDir, u"\\menu_mask.jpg", ui::kMenuRows);
    const int subHeight = RowHeightOf(d.core()->SkinsDir, u"\\advanced menu_mask.jpg", ui::kSubmenuRowSlots);
    if (!ClickMain(d, 25 + kButton)) failures.push_back("field click");
    FunctionMenus& menus = *d.functionMenus();
    if (!PumpUntil([&] { return menus.IsOpen(); })) {
      failures.push_back("menu did not open");
      return;
    }
    MoveAndWait(MenuRowOnScreen(menus.FirstLevelWindow(), 9, itemHeight));
    if (!PumpUntil([&] { return menus.SubmenuWindow() != nullptr; })) {
      failures.push_back("no macro submenu");
      return;
    }
    MoveAndWait(MenuRowOnScreen(menus.SubmenuWindow(), slot + 1, subHeight));
    PumpUntil([] { return true; });
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    if (!PumpUntil([&] { return !menus.IsOpen(); })) failures.push_back("menus stayed open");
    chosen = d.core()->settings.profile.ButtonCodes[kButton];
    if (!ClickMain(d, 3)) failures.push_back("apply");
    if (!PumpUntil([&] { return mouse_.State().buttonFunction[kMouseButton] == 0; })) {
      failures.push_back("the button was not handed to the host");
    }

    // The hardware button: the player types the macro through the mouse.
    mouse_.ClearLog();
    mouse_.PressButton(static_cast<int>(kMouseButton) + 1);
    PumpUntil([&] { return KeyReports(mouse_).size() >= 4; }, 5000);
    mouse_.ReleaseButton(static_cast<int>(kMouseButton) + 1);
    PumpFor(200);
    played = KeyReports(mouse_);
  });
  EXPECT_THAT(failures, ::testing::IsEmpty());
  ASSERT_GE(slot, 0);
  EXPECT_EQ(nameShown, L"jump");
  EXPECT_EQ(repeatShown, L"3");
  EXPECT_EQ(repeatShownAfterZero, L"1");
  EXPECT_EQ(recorded.Name(), u"jump");
  EXPECT_EQ(recorded.Mode(), 1);
  EXPECT_EQ(recorded.Repeat(), 3);
  ASSERT_EQ(recorded.Count(), 4);
  const MacroEvent expected[] = {{4, kEventPress}, {4, kEventRelease}, {5, kEventPress}, {5, kEventRelease}};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(recorded.Event(k), expected[k]) << k;
  EXPECT_EQ(recorded.Delay(3), kDefaultEventDelay);
  // The file holds the record digit for digit.
  EXPECT_EQ(fileCount, std::to_wstring(slot + 1));
  EXPECT_EQ(FromWide(fileRecord), MacroRecordText(recorded));
  EXPECT_EQ(chosen, static_cast<ButtonFunctionCode>(41 + slot));

  // The first pass: A down, all up, B down, all up, each after the delay
  // recorded before it and never closer than 10 ms.
  ASSERT_GE(played.size(), 4u);
  const std::array<std::uint8_t, 6> none{};
  EXPECT_EQ(played[0].keys, (std::array<std::uint8_t, 6>{4}));
  EXPECT_EQ(played[1].keys, none);
  EXPECT_EQ(played[2].keys, (std::array<std::uint8_t, 6>{5}));
  EXPECT_EQ(played[3].keys, none);
  for (std::size_t k = 1; k < 4; ++k) {
    const double gapMs = std::chrono::duration<double, std::milli>(played[k].time - played[k - 1].time).count();
    const double wanted = std::max<double>(10, recorded.Delay(static_cast<int>(k) - 1));
    EXPECT_GE(gapMs, wanted - 1.0) << k;
    EXPECT_LT(gapMs, wanted + 60.0) << k;
  }
}

TEST_F(MacroEditingTest, ADelayEditedInPlaceWithModifyDelayAndEnterReachesTheRecord) {
  PointerDialog dialog(ExeDir(), Composition());
  std::vector<std::string> failures;
  std::uint16_t delayBefore = 0, delayAfter = 0;
  std::wstring lineAfter;
  Run(dialog, [&](PointerDialog& d) {
    if (!ClickMain(d, 10)) failures.push_back("advanced tab");
    HWND macroList = d.AdvancedControl(kMacroListId);
    HWND eventList = d.AdvancedControl(kEventListId);
    if (macroList == nullptr || eventList == nullptr) {
      failures.push_back("controls");
      return;
    }
    // The first macro, whose events show.
    SendMessageW(macroList, LB_SETCURSEL, 0, 0);
    SendMessageW(d.hwnd(), WM_COMMAND, MAKEWPARAM(kMacroListId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(macroList));
    if (ListCount(eventList) < 3) {
      failures.push_back("the first macro has no delay line");
      return;
    }
    delayBefore = d.core()->macros.user.slots[0].Delay(0);
    // Right-click line 1 (the delay after event 0); Modify Delay is the
    // third item of the menu, chosen with the keyboard: the Enter that
    // chooses it must not also close the editor it opens.
    RECT item{};
    SendMessageW(eventList, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(eventList, &at);
    MoveAndWait(at);
    std::atomic<bool> menuSeen{false};
    std::thread chooser([&] {
      if (WaitForPopupMenu(std::chrono::seconds(5)) == nullptr) return;
      menuSeen = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      for (int i = 0; i < 3; ++i) TapKey(VK_DOWN);
      TapKey(VK_RETURN);
    });
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    SendMouse(MOUSEEVENTF_RIGHTUP);
    const bool editorOpened = PumpUntil([&] {
      return FindWindowExW(eventList, nullptr, L"Edit", nullptr) != nullptr;
    }, 8000);
    chooser.join();
    if (!menuSeen) failures.push_back("no context menu");
    if (!editorOpened) {
      failures.push_back("no editor");
      return;
    }
    TypeKeys("250");
    TapKey(VK_RETURN);
    if (!PumpUntil([&] { return FindWindowExW(eventList, nullptr, L"Edit", nullptr) == nullptr; })) {
      failures.push_back("editor stayed open");
    }
    PumpFor(50);
    delayAfter = d.core()->macros.user.slots[0].Delay(0);
    wchar_t text[64] = {};
    SendMessageW(eventList, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
    lineAfter = text;
  });
  EXPECT_THAT(failures, ::testing::IsEmpty());
  EXPECT_NE(delayBefore, 250);
  EXPECT_EQ(delayAfter, 250);
  EXPECT_EQ(lineAfter, L"    250ms");
}

// A command that replaces the macro list or the records ends an open delay
// edit first, dropping it: the Enter typed afterwards stores the delay into
// no macro.
TEST_F(MacroEditingTest, CommandsThatReplaceTheMacrosEndADelayEditWithoutStoringIt) {
  struct Case {
    const char* what;
    int macro;  // the macro whose delay is edited
    std::function<bool(PointerDialog&)> command;
  };
  const Case cases[] = {
      {"delete", 0, [](PointerDialog& d) { return ClickAdvanced(d, 3); }},
      {"defaults", 4, [](PointerDialog& d) { return ClickDefaultsAndAnswer(d, true); }},
      {"language", 3, [](PointerDialog& d) { return ClickMain(d, 17); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Each case starts from the shipped files.
    fs::remove_all(dir_.path());
    fs::create_directories(dir_.path());
    testing::StageProgramData(dir_.path());
    PointerDialog dialog(ExeDir(), Composition());
    std::vector<std::string> failures;
    bool editorOpenAfter = true, stored = true;
    Run(dialog, [&](PointerDialog& d) {
      if (!ClickMain(d, 10)) failures.push_back("advanced tab");
      HWND eventList = OpenDelayEditor(d, c.macro, 1);
      if (eventList == nullptr) {
        failures.push_back("no editor");
        return;
      }
      TypeKeys("777");
      PumpFor(50);
      if (!c.command(d)) failures.push_back("command");
      PumpFor(100);
      eventList = d.AdvancedControl(kEventListId);
      editorOpenAfter = eventList != nullptr && FindWindowExW(eventList, nullptr, L"Edit", nullptr) != nullptr;
      TapKey(VK_RETURN);
      PumpFor(150);
      stored = AnyRecordHoldsDelay(d, 777);
    });
    EXPECT_THAT(failures, ::testing::IsEmpty());
    EXPECT_FALSE(editorOpenAfter);
    EXPECT_FALSE(stored);
  }
}

// Add takes the focus to the macro list before it adds: an open delay edit
// is kept, in the macro it belongs to.
TEST_F(MacroEditingTest, AddKeepsADelayBeingEditedInItsOwnMacro) {
  PointerDialog dialog(ExeDir(), Composition());
  std::vector<std::string> failures;
  std::uint16_t delay = 0;
  std::wstring added;
  Run(dialog, [&](PointerDialog& d) {
    if (!ClickMain(d, 10)) failures.push_back("advanced tab");
    HWND eventList = OpenDelayEditor(d, 0, 1);
    if (eventList == nullptr) {
      failures.push_back("no editor");
      return;
    }
    TypeKeys("333");
    PumpFor(50);
    // The name is put into the edit without taking the focus from the editor.
    SetWindowTextW(d.AdvancedControl(kNameEditId), L"fresh");
    if (!ClickAdvanced(d, 2)) failures.push_back("add");
    PumpFor(100);
    delay = d.core()->macros.user.slots[0].Delay(0);
    wchar_t line[64] = {};
    HWND macroList = d.AdvancedControl(kMacroListId);
    SendMessageW(macroList, LB_GETTEXT, static_cast<WPARAM>(ListCount(macroList) - 1), reinterpret_cast<LPARAM>(line));
    added = line;
  });
  EXPECT_THAT(failures, ::testing::IsEmpty());
  EXPECT_EQ(delay, 333);
  EXPECT_EQ(added, L"fresh");
}

// A command that replaces the records stops a recording first: keys typed
// afterwards go into no macro.
TEST_F(MacroEditingTest, CommandsThatReplaceTheMacrosStopARecordingFirst) {
  struct Case {
    const char* what;
    std::function<bool(PointerDialog&)> command;
  };
  const Case cases[] = {
      {"language", [](PointerDialog& d) { return ClickMain(d, 17); }},
      {"defaults", [](PointerDialog& d) { return ClickDefaultsAndAnswer(d, true); }},
      {"import", [](PointerDialog& d) { return ClickAdvanced(d, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Each case starts from the shipped files.
    fs::remove_all(dir_.path());
    fs::create_directories(dir_.path());
    testing::StageProgramData(dir_.path());
    file_dialogs_.answers = {FromWide((dir_.path() / "Macro_CN.dat").wstring())};
    PointerDialog dialog(ExeDir(), Composition());
    std::vector<std::string> failures;
    bool recordingAfter = true, typedIntoAMacro = true;
    Run(dialog, [&](PointerDialog& d) {
      if (!ClickMain(d, 10)) failures.push_back("advanced tab");
      HWND macroList = d.AdvancedControl(kMacroListId);
      SendMessageW(macroList, LB_SETCURSEL, 0, 0);
      SendMessageW(d.hwnd(), WM_COMMAND, MAKEWPARAM(kMacroListId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(macroList));
      if (!ClickAdvanced(d, 4) || !d.Recording()) failures.push_back("record");
      TapKey('A');
      PumpFor(80);
      if (!c.command(d)) failures.push_back("command");
      PumpFor(100);
      recordingAfter = d.Recording();
      // 'Z' is in none of the shipped macros.
      TapKey('Z');
      PumpFor(100);
      typedIntoAMacro = false;
      const UserMacroTable& table = d.core()->macros.user;
      for (int m = 0; m < table.count; ++m) {
        const MacroSlot& slot = table.slots[static_cast<std::size_t>(m)];
        for (int k = 0; k < slot.Count(); ++k) {
          if (slot.Event(k).value == VkToUsage('Z')) typedIntoAMacro = true;
        }
      }
      if (d.Recording()) ClickAdvanced(d, 4);
    });
    EXPECT_THAT(failures, ::testing::IsEmpty());
    EXPECT_FALSE(recordingAfter);
    EXPECT_FALSE(typedIntoAMacro);
  }
}

TEST_F(MacroEditingTest, TheLanguageSwitchFollowsEverywhereAndSendsNothing) {
  PointerDialog dialog(ExeDir(), Composition());
  std::vector<std::string> failures;
  struct Seen {
    std::wstring title, firstMacro, contextItem, trayItem, configValue;
    // What the page draws on the record control and on the advanced tab.
    Text recordCaption, tabCaption;
    std::int32_t language = -1;
    std::size_t reports = 99;
  };
  Seen chinese, english;
  Run(dialog, [&](PointerDialog& d) {
    if (!ClickMain(d, 10)) failures.push_back("advanced tab");
    HWND macroList = d.AdvancedControl(kMacroListId);
    const auto look = [&](Seen& seen) {
      seen.title = win::WindowText(d.hwnd());
      wchar_t line[64] = {};
      if (macroList != nullptr) SendMessageW(macroList, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
      seen.firstMacro = line;
      seen.contextItem = win::MenuItemText(d.contextMenu().Popup(), 0);
      seen.trayItem = win::MenuItemText(d.trayMenu().Popup(), 0);
      seen.configValue = ConfigValue(L"Init", L"VER_SEL");
      seen.language = d.UiLanguage();
      seen.reports = mouse_.Log().size();
      const std::vector<ui::PaintStep> steps =
          ui::PlanPage(d.core()->skin, d.core()->functionLabels, d.SnapshotPaintState());
      const auto textOn = [&steps](const ui::SkinEntry& e) {
        for (const ui::PaintStep& step : steps) {
          if (step.kind == ui::PaintStep::Kind::kText && step.rect == ui::EntryRect(e)) return step.text;
        }
        return Text();
      };
      seen.recordCaption = textOn(d.core()->skin.AdvancedEntries[4]);
      seen.tabCaption = textOn(d.core()->skin.MainEntries[10]);
    };
    mouse_.ClearLog();
    if (!ClickMain(d, 17)) failures.push_back("Chinese");
    look(chinese);
    if (!ClickMain(d, 18)) failures.push_back("English");
    look(english);
  });
  EXPECT_THAT(failures, ::testing::IsEmpty());
  EXPECT_EQ(chinese.language, 0);
  EXPECT_EQ(chinese.title, L"泽凡电竞游戏鼠标驱动");
  EXPECT_EQ(chinese.configValue, L"0");
  EXPECT_EQ(chinese.contextItem, L"项前插入    ");
  EXPECT_EQ(chinese.recordCaption, u"录制");
  EXPECT_EQ(chinese.tabCaption, u"高级");
  EXPECT_EQ(english.recordCaption, u"Record");
  EXPECT_EQ(english.tabCaption, u"Advanced");
  EXPECT_EQ(english.language, 1);
  EXPECT_EQ(english.title, L"Zelvan Gaming Mouse");
  EXPECT_EQ(english.configValue, L"1");
  EXPECT_EQ(english.contextItem, L"Add Forward");
  EXPECT_NE(chinese.trayItem, english.trayItem);
  EXPECT_NE(chinese.firstMacro, english.firstMacro);
  EXPECT_EQ(chinese.reports, 0u);
  EXPECT_EQ(english.reports, 0u);
}

// Export and Import below the macro list: the export holds the macros as
// they are in memory, the import brings them back into the list, and the
// language's own macro file is left alone by both.
TEST_F(MacroEditingTest, MacroExportAndImportCarryTheWholeSetThroughAFile) {
  const fs::path exchange = dir_.path() / "carried.dat";
  const fs::path languageFile = dir_.path() / "Macro_EN.dat";
  std::string languageBefore, languageAfter;
  {
    std::ifstream in(languageFile, std::ios::binary);
    languageBefore.assign(std::istreambuf_iterator<char>(in), {});
  }
  PointerDialog dialog(ExeDir(), Composition());
  std::vector<std::string> failures;
  std::vector<std::wstring> exported, afterDelete, imported;
  std::wstring exportedRecord0;
  Text expectedRecord0;
  Run(dialog, [&](PointerDialog& d) {
    if (!ClickMain(d, 10)) failures.push_back("advanced tab");
    HWND macroList = d.AdvancedControl(kMacroListId);
    const auto lines = [macroList] {
      std::vector<std::wstring> names;
      for (int i = 0; i < ListCount(macroList); ++i) {
        wchar_t line[64] = {};
        SendMessageW(macroList, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line));
        names.emplace_back(line);
      }
      return names;
    };
    exported = lines();
    expectedRecord0 = MacroRecordText(d.core()->macros.user.slots[0]);
    file_dialogs_.answers = {FromWide(exchange.wstring())};
    if (!ClickAdvanced(d, 1)) failures.push_back("export");
    wchar_t buffer[4000] = {};
    GetPrivateProfileStringW(L"Macros", L"0", L"", buffer, 4000, exchange.wstring().c_str());
    exportedRecord0 = buffer;
    // The first macro deleted, then the set imported again.
    SendMessageW(macroList, LB_SETCURSEL, 0, 0);
    if (!ClickAdvanced(d, 3)) failures.push_back("delete");
    afterDelete = lines();
    file_dialogs_.answers = {FromWide(exchange.wstring())};
    if (!ClickAdvanced(d, 0)) failures.push_back("import");
    imported = lines();
  });
  {
    std::ifstream in(languageFile, std::ios::binary);
    languageAfter.assign(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_THAT(failures, ::testing::IsEmpty());
  ASSERT_EQ(file_dialogs_.requests.size(), 2u);
  EXPECT_EQ(file_dialogs_.requests[0].kind, FileDialogKind::kSave);
  EXPECT_EQ(file_dialogs_.requests[0].defaultExtension, u"dat");
  EXPECT_EQ(file_dialogs_.requests[1].kind, FileDialogKind::kOpen);
  ASSERT_GE(exported.size(), 2u);
  EXPECT_EQ(FromWide(exportedRecord0), expectedRecord0);
  EXPECT_EQ(afterDelete.size(), exported.size() - 1);
  EXPECT_EQ(imported, exported);
  EXPECT_EQ(languageAfter, languageBefore);
}

TEST_F(MacroEditingTest, AProfileExportedFrom3AndImportedInto1ArrivesOnApply) {
  const std::wstring exchange = (dir_.path() / "carried.ini").wstring();
  PointerDialog dialog(ExeDir(), Composition());
  std::vector<std::string> failures;
  Run(dialog, [&](PointerDialog& d) {
    file_dialogs_.answers = {FromWide(exchange)};
    if (!ClickMain(d, 6)) failures.push_back("profile 3");
    if (!ClickMain(d, 15)) failures.push_back("export");
    if (!ClickMain(d, 4)) failures.push_back("profile 1");
    file_dialogs_.answers = {FromWide(exchange)};
    if (!ClickMain(d, 14)) failures.push_back("import");
    if (!ClickMain(d, 3)) failures.push_back("apply");
  });
  EXPECT_THAT(failures, ::testing::IsEmpty());
  ASSERT_EQ(file_dialogs_.requests.size(), 2u);
  EXPECT_EQ(file_dialogs_.requests[0].kind, FileDialogKind::kSave);
  EXPECT_EQ(file_dialogs_.requests[1].kind, FileDialogKind::kOpen);
  EXPECT_EQ(file_dialogs_.requests[0].initialFolder, ExeDir());
  // Every key of a profile section.
  for (const ProfileKeyValue& kv : ProfileKeyValues(ProfileSettings{})) {
    const std::wstring key = ToWide(kv.key);
    EXPECT_EQ(ConfigValue(L"Config1", key.c_str()), ConfigValue(L"Config3", key.c_str())) << ToUtf8(kv.key);
  }
  EXPECT_EQ(ConfigValue(L"Config1", L"K3"), L"41");  // it was 5
  EXPECT_EQ(mouse_.State().ledCode, protocol::LedCodeOf(1));
}

// A part of the screen as it is shown, windows of other threads included.
ui::SkinPicture CaptureScreen(const RECT& r) {
  ui::SkinPicture picture = ui::SkinPicture::Blank(r.right - r.left, r.bottom - r.top);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, picture.Bitmap());
  BitBlt(memory, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  GdiFlush();
  return picture;
}

// Pixels of a rectangle of the picture whose three components are all above 200:
// the white of the controls' text on their black ground.
int BrightPixels(const ui::SkinPicture& picture, const ui::SkinRect& r) {
  int bright = 0;
  for (int y = std::max(r.top, 0); y < std::min(r.bottom, picture.Height()); ++y) {
    for (int x = std::max(r.left, 0); x < std::min(r.right, picture.Width()); ++x) {
      const std::uint8_t* p = picture.MutableBits() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.Width()) + static_cast<std::size_t>(x)) * 4;
      bright += p[0] > 200 && p[1] > 200 && p[2] > 200;
    }
  }
  return bright;
}

// A macro recorded on the advanced page shows its events in both languages,
// and the event list's context menu opens over them with its submenus. With
// ZLV_PAGE_SCREENSHOTS set to a folder, both are saved there as PNGs.
TEST_F(MacroEditingTest, TheAdvancedPageShowsAMacroAndItsContextMenuInBothLanguages) {
  const char* shots = std::getenv("ZLV_PAGE_SCREENSHOTS");
  const auto save = [&](const ui::SkinPicture& shot, const std::string& name) {
    if (shots == nullptr) return;
    const std::string file = std::string(shots) + "\\" + name + ".png";
    ui::SavePicture(shot.Pixels(), FromWide(std::wstring(file.begin(), file.end())), ui::PictureFormat::Png);
  };
  std::vector<std::string> failures;
  for (int language : {1, 0}) {
    const std::string suffix = language == 1 ? "-en" : "-cn";
    SetLanguage(language);
    PointerDialog dialog(ExeDir(), Composition());
    Run(dialog, [&](PointerDialog& d) {
      const ui::SkinLayout& skin = d.core()->skin;
      ClickMain(d, 10);
      HWND macroList = d.AdvancedControl(kMacroListId);
      HWND eventList = d.AdvancedControl(kEventListId);
      if (macroList == nullptr || eventList == nullptr) {
        failures.push_back("controls" + suffix);
        return;
      }
      // A macro recorded here: "Hi" typed with the left Shift.
      HWND nameEdit = d.AdvancedControl(kNameEditId);
      SetFocus(nameEdit);
      SendMessageW(nameEdit, EM_SETSEL, 0, -1);
      TypeKeys("GREETING");
      PumpUntil([&] { return ControlText(nameEdit) == L"greeting"; });
      ClickAdvanced(d, 2);
      ClickAdvanced(d, 4);
      for (const auto& [key, down] : {std::pair<WORD, bool>{VK_LSHIFT, true}, {'H', true}, {'H', false},
                                      {VK_LSHIFT, false}, {'I', true}, {'I', false}}) {
        SendKey(key, down);
        PumpFor(40);
      }
      if (!PumpUntil([&] { return d.eventList().lines.size() == 11; })) failures.push_back("recording" + suffix);
      Hover(d, Centre(skin.MainEntries[1]));
      UpdateWindow(d.hwnd());
      PumpFor(100);
      save(Capture(d.hwnd(), d.PageSize()), "advanced-recording" + suffix);
      ClickAdvanced(d, 4);
      if (d.Recording()) failures.push_back("still recording" + suffix);
      Hover(d, Centre(skin.MainEntries[1]));
      UpdateWindow(d.hwnd());
      PumpFor(100);
      const ui::SkinPicture page = Capture(d.hwnd(), d.PageSize());
      if (ListCount(eventList) != 11 || BrightPixels(page, skin.EventListRect) < 40) {
        failures.push_back("no events shown" + suffix);
      }
      save(page, "advanced-macro" + suffix);

      // The context menu on line 0, opened down to its innermost submenu.
      RECT item{};
      SendMessageW(eventList, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
      POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
      ClientToScreen(eventList, &at);
      MoveAndWait(at);
      RECT area{};
      GetWindowRect(d.hwnd(), &area);
      // The submenus open to the right, past the window's edge.
      area.right = std::min<LONG>(area.right + 320, GetSystemMetrics(SM_CXSCREEN));
      std::atomic<bool> menuSeen{false};
      ui::SkinPicture menuShot;
      std::thread looker([&] {
        if (WaitForPopupMenu(std::chrono::seconds(5)) == nullptr) return;
        menuSeen = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        for (WORD key : {WORD{VK_DOWN}, WORD{VK_RIGHT}, WORD{VK_RIGHT}}) {
          TapKey(key);
          std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        menuShot = CaptureScreen(area);
        for (int i = 0; i < 4; ++i) TapKey(VK_ESCAPE);
      });
      SendMouse(MOUSEEVENTF_RIGHTDOWN);
      SendMouse(MOUSEEVENTF_RIGHTUP);
      PumpUntil([&] { return menuSeen.load() && FindWindowW(L"#32768", nullptr) == nullptr; }, 8000);
      looker.join();
      if (!menuSeen) failures.push_back("no context menu" + suffix);
      if (!menuShot.Empty()) save(menuShot, "context-menu" + suffix);
    });
  }
  EXPECT_THAT(failures, ::testing::IsEmpty());
}

}  // namespace
}  // namespace zlv
