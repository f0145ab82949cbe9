// The main window under real pointer input: the test moves and clicks the
// system's pointer with SendInput at the centres of skin entries (taken from
// the loaded layout) while the window runs over the virtual mouse in this
// process, then checks the settings, the mouse, config.ini, the window's
// place and state, and the painted pixels.
#include "tests/win32/main_window_rig_win32.h"

namespace zlv {
namespace {

TEST_F(MainWindowPointerTest, EditsReachTheMouseOnApplyAndTheProfileOnSave) {
  PointerDialog dialog(ExeDir(), Composition());
  struct Step {
    const char* what;
    int entry;
  };
  // Profile 2, stage 1's value 1 (entry 60 + 5 * 0 + 1), stage 3 active,
  // the LED off, the wheel reversed.
  const Step edits[] = {{"profile 2", 5}, {"stage 1 value", 61}, {"active stage 3", 56},
                        {"LED off", 37},  {"wheel reversed", 42}};
  std::vector<std::string> failures;
  VirtualMouseState beforeApply, afterApply;
  std::int32_t profile = 0;
  std::wstring savedWheelAfterApply;
  Run(dialog, [&](PointerDialog& d) {
    for (const Step& s : edits) {
      if (!ClickMain(d, s.entry)) failures.push_back(s.what);
    }
    profile = d.core()->settings.CurrentProfile;
    beforeApply = mouse_.State();
    if (!ClickMain(d, 3)) failures.push_back("apply");
    afterApply = mouse_.State();
    savedWheelAfterApply = ConfigValue(L"Config2", L"WHEEL_STATUS");
    // The wheel back to standard, then save: only the file learns of it.
    if (!ClickMain(d, 41)) failures.push_back("wheel standard");
    if (!ClickMain(d, 0)) failures.push_back("save");
  });
  EXPECT_THAT(failures, ::testing::IsEmpty());
  EXPECT_EQ(profile, 2);
  // Nothing reached the mouse before apply.
  EXPECT_NE(beforeApply.activeStage, 2);
  EXPECT_EQ(afterApply.dpiCode[0], protocol::DpiCodeOf(1));
  EXPECT_EQ(afterApply.activeStage, 2);
  EXPECT_EQ(afterApply.enableMask, 0x0F);
  EXPECT_EQ(afterApply.ledCode, protocol::LedCodeOf(3));
  EXPECT_EQ(afterApply.wheel, 1);
  EXPECT_EQ(ConfigValue(L"Init", L"CurConfig"), L"2");
  EXPECT_EQ(savedWheelAfterApply, L"1");  // apply saves the profile too
  EXPECT_EQ(ConfigValue(L"Config2", L"DPI_SET0"), L"1");
  EXPECT_EQ(ConfigValue(L"Config2", L"DPI_LEVEL"), L"2");
  EXPECT_EQ(ConfigValue(L"Config2", L"LED_STATUS"), L"3");
  EXPECT_EQ(ConfigValue(L"Config2", L"WHEEL_STATUS"), L"0");
  EXPECT_EQ(mouse_.State().wheel, 1);  // saving sends nothing
}

// The advanced page's settings by clicks: pointer speed, wheel lines, the
// fire time from its bar and its plus entry, the macro mode; Apply gives the
// mouse the fire time and Windows the pointer speed and wheel lines. Then
// Defaults brings the factory profile back and pushes it.
TEST_F(MainWindowPointerTest, AdvancedSettingsReachMouseAndWindowsOnApplyAndDefaultsRestoreThem) {
  // Profile 1 starts away from the steps chosen below, so that every choice
  // is a change.
  WritePrivateProfileStringW(L"Config1", L"DPI_SPEED", L"1", ConfigPath().c_str());
  WritePrivateProfileStringW(L"Config1", L"WHEEL_SPEED", L"5", ConfigPath().c_str());
  WritePrivateProfileStringW(L"Config1", L"FIRE_TIME", L"50", ConfigPath().c_str());
  WritePrivateProfileStringW(L"Config1", L"MACRO_MODE2", L"0", ConfigPath().c_str());
  system_.pointer_speed = 1;
  system_.wheel_lines = 1;
  PointerDialog dialog(ExeDir(), Composition());
  std::vector<std::string> failures;
  ui::Page page = ui::Page::kMain;
  int speed = -1, lines = -1, macroMode = -1, wheelBeforeDefaults = -1, wheelAfterDefaults = -1;
  std::int32_t barTime = -1, plusTime = -1, expectedBarTime = -2;
  std::uint16_t unitsBeforeApply = 0, unitsAfterApply = 0, unitsAfterDefaults = 0;
  std::uint8_t mouseWheelBeforeDefaults = 0xEE, mouseWheelAfterDefaults = 0xEE;
  int windowsSpeedBeforeApply = -1, windowsLinesBeforeApply = -1, windowsSpeedAfterApply = -1,
      windowsLinesAfterApply = -1, windowsSpeedAfterDefaults = -1, windowsLinesAfterDefaults = -1;
  int lineSetsBeforeDefaults = 0, lineSetsAfterDefaults = 0;
  std::wstring savedMacroMode;
  Run(dialog, [&](PointerDialog& d) {
    ProfileSettings& profile = d.core()->settings.profile;
    if (!ClickMain(d, 10)) failures.push_back("advanced tab");
    page = d.page();
    if (!ClickAdvanced(d, 8 + 7)) failures.push_back("pointer speed 7");
    if (!ClickAdvanced(d, 18 + 2)) failures.push_back("wheel lines 2");
    speed = profile.PointerSpeed;
    lines = profile.WheelLines;
    // Two thirds along the fire-time bar.
    const ui::SkinEntry bar = d.core()->skin.AdvancedEntries[30];
    const int x = bar.x + bar.width * 2 / 3;
    expectedBarTime = (x - bar.x) * 300 / bar.width;
    if (!Click(d, POINT{x, bar.y + bar.height / 2})) failures.push_back("fire-time bar");
    barTime = profile.FireTime;
    if (!ClickAdvanced(d, 31)) failures.push_back("fire time plus");
    plusTime = profile.FireTime;
    if (!ClickAdvanced(d, 7)) failures.push_back("macro mode");
    macroMode = profile.MacroMode;

    unitsBeforeApply = mouse_.State().fireTimeUnits;
    windowsSpeedBeforeApply = system_.pointer_speed;
    windowsLinesBeforeApply = system_.wheel_lines;
    if (!ClickMain(d, 3)) failures.push_back("apply");
    const auto wanted = static_cast<std::uint16_t>((expectedBarTime + 1) / 8);
    if (!PumpUntil([&] { return mouse_.State().fireTimeUnits == wanted; })) {
      failures.push_back("fire time on the mouse");
    }
    unitsAfterApply = mouse_.State().fireTimeUnits;
    windowsSpeedAfterApply = system_.pointer_speed;
    windowsLinesAfterApply = system_.wheel_lines;
    savedMacroMode = ConfigValue(L"Config1", L"MACRO_MODE2");

    // The wheel reversed on the main page and applied, then Defaults.
    if (!ClickMain(d, 9)) failures.push_back("main tab");
    if (!ClickMain(d, 42)) failures.push_back("wheel reversed");
    if (!ClickMain(d, 3)) failures.push_back("apply on the main page");
    if (!PumpUntil([&] { return mouse_.State().wheel == 1; })) failures.push_back("wheel on the mouse");
    wheelBeforeDefaults = profile.WheelStatus;
    mouseWheelBeforeDefaults = mouse_.State().wheel;
    lineSetsBeforeDefaults = system_.wheel_lines_sets;
    if (!ClickDefaultsAndAnswer(d, true)) failures.push_back("defaults");
    if (!PumpUntil([&] { return mouse_.State().wheel == 0 && mouse_.State().fireTimeUnits == 50 / 8; })) {
      failures.push_back("defaults on the mouse");
    }
    wheelAfterDefaults = profile.WheelStatus;
    mouseWheelAfterDefaults = mouse_.State().wheel;
    unitsAfterDefaults = mouse_.State().fireTimeUnits;
    windowsSpeedAfterDefaults = system_.pointer_speed;
    windowsLinesAfterDefaults = system_.wheel_lines;
    lineSetsAfterDefaults = system_.wheel_lines_sets;
  });
  EXPECT_THAT(failures, ::testing::IsEmpty());
  EXPECT_EQ(page, ui::Page::kAdvanced);
  EXPECT_EQ(speed, 7);
  EXPECT_EQ(lines, 2);
  EXPECT_GT(expectedBarTime, 50);
  EXPECT_EQ(barTime, expectedBarTime);
  EXPECT_EQ(plusTime, expectedBarTime + 1);
  EXPECT_EQ(macroMode, 1);
  EXPECT_EQ(savedMacroMode, L"1");
  // Nothing of it reached the mouse or Windows before Apply.
  EXPECT_EQ(unitsBeforeApply, 50 / 8);
  EXPECT_NE(windowsSpeedBeforeApply, 14);
  EXPECT_NE(windowsLinesBeforeApply, 3);
  EXPECT_EQ(unitsAfterApply, (expectedBarTime + 1) / 8);
  EXPECT_EQ(windowsSpeedAfterApply, 14);  // step 7: twice the step
  EXPECT_EQ(windowsLinesAfterApply, 3);   // step 2: one line more than the step
  // Defaults: the factory profile 1 in the window, on the mouse and in Windows.
  EXPECT_EQ(wheelBeforeDefaults, 1);
  EXPECT_EQ(mouseWheelBeforeDefaults, 1);
  EXPECT_EQ(wheelAfterDefaults, 0);
  EXPECT_EQ(mouseWheelAfterDefaults, 0);
  EXPECT_EQ(unitsAfterDefaults, 50 / 8);
  EXPECT_EQ(windowsSpeedAfterDefaults, 8);  // factory step 4
  EXPECT_EQ(windowsLinesAfterDefaults, 3);  // factory step 2
  EXPECT_GT(lineSetsAfterDefaults, lineSetsBeforeDefaults);
  EXPECT_EQ(ConfigValue(L"Config1", L"WHEEL_STATUS"), L"0");
  EXPECT_EQ(ConfigValue(L"Config1", L"FIRE_TIME"), L"50");
}

TEST_F(MainWindowPointerTest, DragOnEmptySpaceMovesTheWindow) {
  PointerDialog dialog(ExeDir(), Composition());
  RECT before{}, after{};
  bool found = false;
  Run(dialog, [&](PointerDialog& d) {
    // A point of the window's shape on no entry of any table.
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(d.hwnd(), shape);
    POINT empty{};
    for (int y = 60; y < d.PageSize().cy - 60 && !found; y += 7) {
      for (int x = 60; x < d.PageSize().cx - 60 && !found; x += 7) {
        if (PtInRegion(shape, x, y) && !ui::HitAll(d.core()->skin, d.page(), ui::PixelPoint{x, y}).Any()) {
          empty = POINT{x, y};
          found = true;
        }
      }
    }
    DeleteObject(shape);
    if (!found) return;
    Hover(d, empty);
    GetWindowRect(d.hwnd(), &before);
    // The system's move loop runs inside this thread's dispatch until the
    // release: the moves and the release come from another thread.
    const POINT start = OnScreen(d.hwnd(), empty);
    std::thread mover([start] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      for (int step = 1; step <= 4; ++step) {
        MoveTo(POINT{start.x + 10 * step, start.y + 6 * step});
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
      }
      SendMouse(MOUSEEVENTF_LEFTUP);
    });
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    PumpFor(1200);
    mover.join();
    PumpFor(100);
    GetWindowRect(d.hwnd(), &after);
  });
  ASSERT_TRUE(found);
  EXPECT_EQ(after.left - before.left, 40);
  EXPECT_EQ(after.top - before.top, 24);
}

// A drag may start on empty space of the main page that lies inside an entry
// of another page's table; the system's move loop takes the release, and no
// entry may be drawn pressed afterwards.
TEST_F(MainWindowPointerTest, ADragFromInsideAnotherPagesEntryLeavesNothingPressed) {
  PointerDialog dialog(ExeDir(), Composition());
  bool found = false, moved = false, heldAfter = true;
  double toOver = -1, toDown = -1;
  Run(dialog, [&](PointerDialog& d) {
    const ui::SkinLayout& skin = d.core()->skin;
    POINT start{};
    for (int advanced = 8; advanced <= ui::kAdvancedHitLast && !found; ++advanced) {
      const ui::SkinEntry& e = skin.AdvancedEntries[static_cast<std::size_t>(advanced)];
      for (int y = e.y + 1; y < e.y + e.height - 1 && !found; y += 2) {
        for (int x = e.x + 1; x < e.x + e.width - 1 && !found; x += 2) {
          const ui::Hovers h = ui::HitAll(skin, ui::Page::kMain, ui::PixelPoint{x, y});
          if (h.main == ui::kNoEntry && h.advanced != ui::kNoEntry) {
            start = POINT{x, y};
            found = true;
          }
        }
      }
    }
    if (!found) return;
    Hover(d, start);
    RECT before{}, after{};
    GetWindowRect(d.hwnd(), &before);
    const POINT screen = OnScreen(d.hwnd(), start);
    std::thread mover([screen] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      for (int step = 1; step <= 3; ++step) {
        MoveTo(POINT{screen.x + 10 * step, screen.y + 5 * step});
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
      }
      SendMouse(MOUSEEVENTF_LEFTUP);
    });
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    PumpFor(1000);
    mover.join();
    PumpFor(100);
    GetWindowRect(d.hwnd(), &after);
    moved = after.left != before.left;
    // Onto profile 2, which is neither current nor pressed.
    const ui::SkinEntry& profile2 = skin.MainEntries[5];
    Hover(d, Centre(profile2));
    UpdateWindow(d.hwnd());
    PumpFor(100);
    heldAfter = d.buttonHeld();
    const ui::SkinPicture shot = Capture(d.hwnd(), d.PageSize());
    const ui::SkinEntry strip{profile2.x + 2, profile2.y + 2, 6, profile2.height - 4, {}};
    toOver = MeanDifference(shot, ui::LoadSkinPicture(d.core()->SkinsDir + u"\\main_over.jpg"), strip);
    toDown = MeanDifference(shot, ui::LoadSkinPicture(d.core()->SkinsDir + u"\\main_down.jpg"), strip);
  });
  ASSERT_TRUE(found);
  EXPECT_TRUE(moved);
  EXPECT_FALSE(heldAfter);
  EXPECT_LT(toOver, toDown) << "the entry under the pointer shows the over picture";
}

TEST_F(MainWindowPointerTest, FrameEntriesActOnRelease) {
  PointerDialog dialog(ExeDir(), Composition());
  struct Case {
    const char* what;
    int entry;
    std::function<bool(PointerDialog&)> holds;
  };
  const Case cases[] = {
      {"close hides to the tray", 13,
       [](PointerDialog& d) { return !IsWindowVisible(d.hwnd()) && d.trayIcon().Shown(); }},
      {"minimise", 12, [](PointerDialog& d) { return IsIconic(d.hwnd()) != FALSE; }},
      {"web page", 19,
       [this](PointerDialog&) {
         return launcher_.opened == std::vector<Text>{Text(CZLV_GMouseDlg::kWebAddress)};
       }},
  };
  std::vector<std::string> failures;
  Run(dialog, [&](PointerDialog& d) {
    for (const Case& c : cases) {
      if (!ClickMain(d, c.entry)) failures.push_back(std::string(c.what) + ": no click");
      if (!PumpUntil([&] { return c.holds(d); }, 2000)) failures.push_back(c.what);
      if (d.hovers().main != ui::kNoEntry && c.entry != 19) failures.push_back(std::string(c.what) + ": hover kept");
      // Back on screen for the next case.
      SendMessageW(d.hwnd(), WM_COMMAND, MAKEWPARAM(ID_EN_SHOW_WINDOW, 0), 0);
      SetWindowPos(d.hwnd(), HWND_TOPMOST, kWindowPlace.x, kWindowPlace.y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
      PumpFor(100);
    }
  });
  EXPECT_THAT(failures, ::testing::IsEmpty());
}

// Defaults asks first, in the window's language and the warning's style:
// No keeps the profiles and the macros, Yes restores them. With
// ZLV_PAGE_SCREENSHOTS set to a folder, the question is saved there.
TEST_F(MainWindowPointerTest, DefaultsAsksFirstAndNoKeepsEverything) {
  const char* shots = std::getenv("ZLV_PAGE_SCREENSHOTS");
  for (int language : {1, 0}) {
    SCOPED_TRACE(language);
    SetLanguage(language);
    WritePrivateProfileStringW(L"Init", L"CurConfig", L"1", ConfigPath().c_str());
    WritePrivateProfileStringW(L"Config1", L"FIRE_TIME", L"123", ConfigPath().c_str());
    PointerDialog dialog(ExeDir(), Composition());
    bool askedNo = false, askedYes = false;
    std::int32_t fireAfterNo = -1, fireAfterYes = -1;
    std::wstring savedAfterNo, savedAfterYes;
    int macrosBefore = -1, macrosAfterNo = -1;
    Run(dialog, [&](PointerDialog& d) {
      // One macro fewer than the factory set, so a restore would show.
      ClickMain(d, 10);
      ClickAdvanced(d, 3);
      macrosBefore = d.core()->macros.user.count;
      ClickMain(d, 9);
      ui::SkinPicture shot;
      askedNo = ClickDefaultsAndAnswer(d, false, &shot);
      fireAfterNo = d.core()->settings.profile.FireTime;
      savedAfterNo = ConfigValue(L"Config1", L"FIRE_TIME");
      macrosAfterNo = d.core()->macros.user.count;
      if (shots != nullptr && !shot.Empty()) {
        const std::string file = std::string(shots) + (language == 1 ? "\\defaults-question-en.png" : "\\defaults-question-cn.png");
        ui::SavePicture(shot.Pixels(), FromWide(std::wstring(file.begin(), file.end())), ui::PictureFormat::Png);
      }
      askedYes = ClickDefaultsAndAnswer(d, true);
      fireAfterYes = d.core()->settings.profile.FireTime;
      savedAfterYes = ConfigValue(L"Config1", L"FIRE_TIME");
    });
    EXPECT_TRUE(askedNo);
    EXPECT_TRUE(askedYes);
    EXPECT_EQ(fireAfterNo, 123);
    EXPECT_EQ(savedAfterNo, L"123");
    EXPECT_EQ(macrosAfterNo, macrosBefore);
    EXPECT_EQ(fireAfterYes, 50);
    EXPECT_EQ(savedAfterYes, L"50");
  }
}

// Pixels of a rectangle of the window's picture that `is` picks.
int PixelsWhere(const ui::SkinPicture& picture, const ui::PixelRect& r,
                const std::function<bool(int red, int green, int blue)>& is) {
  int count = 0;
  for (int y = std::max(r.top, 0); y < std::min(r.bottom, picture.Height()); ++y) {
    for (int x = std::max(r.left, 0); x < std::min(r.right, picture.Width()); ++x) {
      const std::uint8_t* p = picture.MutableBits() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.Width()) + static_cast<std::size_t>(x)) * 4;
      count += is(p[2], p[1], p[0]) ? 1 : 0;
    }
  }
  return count;
}
// The disk, with writes that fail while `failing` is set.
class FailingWrites final : public FileStore {
 public:
  FileRead Load(TextView path) override { return Disk().Load(path); }
  bool Replace(TextView path, const std::string& bytes) override {
    return !failing && Disk().Replace(path, bytes);
  }
  bool failing = false;
};

bool Amber(int r, int g, int b) { return r > 200 && g > 140 && g < 230 && b < 120; }
bool Light(int r, int g, int b) { return r > 190 && g > 190 && b > 190; }
bool LightRed(int r, int g, int b) { return r > 200 && g < 160 && b < 160 && g > 60; }

// The status line and the unapplied marker, in both languages, by clicks: an
// edit marks the profile and the line says it is not applied; switching the
// profile says what was dropped; Apply clears the marker and says it was
// applied; a Save that cannot write says so in red. With ZLV_PAGE_SCREENSHOTS
// set to a folder, the window is saved there unapplied and after Apply.
TEST_F(MainWindowPointerTest, TheStatusLineAndTheMarkerSayWhatHappened) {
  const char* shots = std::getenv("ZLV_PAGE_SCREENSHOTS");
  for (int language : {1, 0}) {
    SCOPED_TRACE(language);
    const bool english = language == 1;
    const std::string suffix = english ? "-en" : "-cn";
    SetLanguage(language);
    WritePrivateProfileStringW(L"Init", L"CurConfig", L"1", ConfigPath().c_str());
    WritePrivateProfileStringW(L"Config1", L"LED_STATUS", L"0", ConfigPath().c_str());
    FailingWrites files;
    AppComposition composition = Composition();
    composition.files = &files;
    PointerDialog dialog(ExeDir(), std::move(composition));
    struct Look {
      bool unapplied = false;
      Text text;
      bool failure = false;
      int marker = 0, amberLine = 0, lightLine = 0, redLine = 0;
    };
    Look start, edited, dropped, applied, failed;
    std::vector<std::string> failures;
    Run(dialog, [&](PointerDialog& d) {
      const ui::SkinLayout& skin = d.core()->skin;
      const ui::PixelRect line = ui::StatusLineRect(skin);
      const auto look = [&](Look& l, const char* shot) {
        Hover(d, Centre(skin.MainEntries[1]));
        UpdateWindow(d.hwnd());
        PumpFor(100);
        const ui::PaintState state = d.SnapshotPaintState();
        l.unapplied = state.unapplied;
        l.text = state.statusText;
        l.failure = state.statusFailure;
        const ui::PixelRect profile = ui::EntryRect(skin.MainEntries[static_cast<std::size_t>(3 + d.core()->settings.CurrentProfile)]);
        const ui::SkinPicture picture = Capture(d.hwnd(), d.PageSize());
        l.marker = PixelsWhere(picture, ui::PixelRect{profile.right - ui::kUnappliedMarkerWidth, profile.top, profile.right, profile.bottom}, Amber);
        l.amberLine = PixelsWhere(picture, line, Amber);
        l.lightLine = PixelsWhere(picture, line, Light);
        l.redLine = PixelsWhere(picture, line, LightRed);
        if (shots != nullptr && shot != nullptr) {
          const std::string file = std::string(shots) + "\\" + shot + suffix + ".png";
          ui::SavePicture(picture.Pixels(), FromWide(std::wstring(file.begin(), file.end())), ui::PictureFormat::Png);
        }
      };
      look(start, nullptr);
      if (!ClickMain(d, 37)) failures.push_back("LED off");
      look(edited, "unapplied");
      if (!ClickMain(d, 5)) failures.push_back("profile 2");
      look(dropped, nullptr);
      if (!ClickMain(d, 4)) failures.push_back("profile 1");
      if (!ClickMain(d, 37)) failures.push_back("LED off again");
      if (!ClickMain(d, 3)) failures.push_back("apply");
      look(applied, "status");
      // A change, so the save has something to write.
      if (!ClickMain(d, 36)) failures.push_back("LED on");
      files.failing = true;
      if (!ClickMain(d, 0)) failures.push_back("save");
      look(failed, "status-failed");
      files.failing = false;
    });
    EXPECT_THAT(failures, ::testing::IsEmpty());
    EXPECT_FALSE(start.unapplied);
    EXPECT_EQ(start.marker, 0);
    EXPECT_TRUE(edited.unapplied);
    EXPECT_EQ(edited.text, ui::UnappliedNote(english));
    EXPECT_GT(edited.marker, 3) << "the profile carries the marker";
    EXPECT_GT(edited.amberLine, 20) << "the note is drawn";
    EXPECT_EQ(dropped.text, ui::StatusMessageOf(ui::StatusEvent::kUnappliedDropped, english, {}, 1).text);
    EXPECT_EQ(applied.text, ui::StatusMessageOf(ui::StatusEvent::kApplied, english).text);
    EXPECT_FALSE(applied.unapplied);
    EXPECT_EQ(applied.marker, 0);
    EXPECT_GT(applied.lightLine, 20);
    EXPECT_TRUE(failed.failure);
    EXPECT_EQ(failed.text, ui::StatusMessageOf(ui::StatusEvent::kSaveFailed, english).text);
    EXPECT_GT(failed.redLine, 20) << "a failure is drawn in red";
  }
}

TEST_F(MainWindowPointerTest, ButtonFieldOpensItsMenuBelowItAndAnotherPressClosesIt) {
  PointerDialog dialog(ExeDir(), Composition());
  bool openedByClick = false, closedByPress = false;
  RECT menu{}, window{};
  ui::SkinEntry field;
  Run(dialog, [&](PointerDialog& d) {
    // Button 1: button 0 keeps the primary click, so no warning comes first.
    field = d.core()->skin.MainEntries[26];
    ClickMain(d, 26);
    openedByClick = PumpUntil([&] { return d.functionMenus()->IsOpen(); }, 2000);
    if (HWND first = d.functionMenus()->FirstLevelWindow()) GetWindowRect(first, &menu);
    GetWindowRect(d.hwnd(), &window);
    ClickMain(d, 24);  // a caption of the main page, clear of the menu
    closedByPress = PumpUntil([&] { return !d.functionMenus()->IsOpen(); }, 2000);
  });
  EXPECT_TRUE(openedByClick);
  EXPECT_EQ(menu.left, window.left + field.x);
  EXPECT_EQ(menu.top, window.top + field.y + field.height);
  EXPECT_TRUE(closedByPress);
}

// A multimedia function chosen in a button's submenu: the field shows its
// label and Apply gives the mouse the host-served function.
TEST_F(MainWindowPointerTest, SubmenuChoiceShowsInTheFieldAndReachesTheMouseOnApply) {
  PointerDialog dialog(ExeDir(), Composition());
  // The field of hardware button 4; the fields are not in hardware order.
  constexpr int kButton = 4;
  constexpr int kField = 25 + kButton;
  constexpr std::size_t kMouseButton = protocol::PhysicalButtonIndex[kButton] - 1u;
  static_assert(kMouseButton == 3);
  constexpr ButtonFunctionCode kChosen = 22;  // multimedia row 2
  std::vector<std::string> failures;
  std::int32_t codeBefore = 0, codeAfterChoice = 0;
  std::uint8_t mouseBefore = 0xEE, mouseAfterChoice = 0xEE, mouseAfterApply = 0xEE;
  double fieldChange = 0, elsewhereChange = 1e9;
  Run(dialog, [&](PointerDialog& d) {
    const ui::SkinLayout& skin = d.core()->skin;
    const ui::SkinEntry& field = skin.MainEntries[kField];
    const int itemHeight = RowHeightOf(d.core()->SkinsDir, u"\\menu_mask.jpg", ui::kMenuRows);
    const int subHeight = RowHeightOf(d.core()->SkinsDir, u"\\advanced menu_mask.jpg", ui::kSubmenuRowSlots);
    if (itemHeight <= 0 || subHeight <= 0) {
      failures.push_back("menu pictures");
      return;
    }
    codeBefore = d.core()->settings.profile.ButtonCodes[kButton];
    mouseBefore = mouse_.State().buttonFunction[kMouseButton];
    // The field as shown with the pointer on a caption elsewhere.
    Hover(d, Centre(skin.MainEntries[24]));
    UpdateWindow(d.hwnd());
    const ui::SkinPicture before = Capture(d.hwnd(), d.PageSize());

    if (!ClickMain(d, kField)) failures.push_back("field click");
    FunctionMenus& menus = *d.functionMenus();
    if (!PumpUntil([&] { return menus.IsOpen(); })) {
      failures.push_back("menu did not open");
      return;
    }
    // Onto "Multimedia": its submenu opens beside it.
    MoveAndWait(MenuRowOnScreen(menus.FirstLevelWindow(), 8, itemHeight));
    if (!PumpUntil([&] { return menus.SubmenuWindow() != nullptr; })) {
      failures.push_back("no submenu");
      return;
    }
    MoveAndWait(MenuRowOnScreen(menus.SubmenuWindow(), 2, subHeight));
    PumpUntil([] { return true; });
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    if (!PumpUntil([&] { return !menus.IsOpen(); })) failures.push_back("menus stayed open");
    codeAfterChoice = d.core()->settings.profile.ButtonCodes[kButton];
    mouseAfterChoice = mouse_.State().buttonFunction[kMouseButton];

    Hover(d, Centre(skin.MainEntries[24]));
    UpdateWindow(d.hwnd());
    const ui::SkinPicture after = Capture(d.hwnd(), d.PageSize());
    fieldChange = MeanDifference(before, after, field);
    elsewhereChange = MeanDifference(before, after, skin.MainEntries[25 + (kButton + 1) % kButtonCount]);

    if (!ClickMain(d, 3)) failures.push_back("apply");
    PumpUntil([&] { return mouse_.State().buttonFunction[kMouseButton] == DeviceFunctionOf(kChosen); });
    mouseAfterApply = mouse_.State().buttonFunction[kMouseButton];
  });
  EXPECT_THAT(failures, ::testing::IsEmpty());
  EXPECT_NE(codeBefore, kChosen);
  EXPECT_EQ(codeAfterChoice, kChosen);
  EXPECT_NE(mouseBefore, 0);
  EXPECT_EQ(mouseAfterChoice, mouseBefore) << "nothing reaches the mouse before Apply";
  EXPECT_EQ(DeviceFunctionOf(kChosen), 0) << "multimedia keys are served by the host";
  EXPECT_EQ(mouseAfterApply, 0);
  EXPECT_GT(fieldChange, 1.0) << "the field shows the new label";
  EXPECT_LT(elsewhereChange, 0.5) << "another button's field is unchanged";
}

// The warning dialog on this thread once it shows: a dialog other than the
// main window and the menus.
TEST_F(MainWindowPointerTest, TheOnlyPrimaryButtonAsksFirstAndCancelOpensNoMenu) {
  PointerDialog dialog(ExeDir(), Composition());
  bool sawWarning = false, menuOpened = true, warningGone = false, cancelledByPointer = false;
  bool mainEnabledDuringWarning = true, mainEnabledAfter = false, heldAfter = true;
  std::array<std::int32_t, kButtonCount> codesBefore{}, codesAfter{};
  Run(dialog, [&](PointerDialog& d) {
    for (int i = 0; i < kButtonCount; ++i) codesBefore[static_cast<std::size_t>(i)] = d.core()->settings.profile.ButtonCodes[i];
    const ui::WarningLayout layout = d.core()->warning;
    const DWORD thread = GetCurrentThreadId();
    const HWND main = d.hwnd();
    // The warning runs modally inside the press; this thread acts as the user.
    std::thread user([&] {
      HWND warning = nullptr;
      for (int i = 0; i < 1000 && warning == nullptr; ++i) {
        Sleep(10);
        warning = FindWarning(thread, main);
      }
      if (warning == nullptr) return;
      sawWarning = true;
      mainEnabledDuringWarning = IsWindowEnabled(main) != FALSE;
      RECT frame{};
      GetWindowRect(warning, &frame);
      const ui::SkinEntry& cancel = layout[1];
      const POINT at{frame.left + cancel.x + cancel.width / 2, frame.top + cancel.y + cancel.height / 2};
      MoveTo(at);
      for (int i = 0; i < 300; ++i) {
        POINT now{};
        GetCursorPos(&now);
        if (now.x == at.x && now.y == at.y) break;
        Sleep(10);
      }
      // The move is queued before the button's events, so the warning knows
      // what is under the pointer when the release arrives.
      SendMouse(MOUSEEVENTF_LEFTDOWN);
      SendMouse(MOUSEEVENTF_LEFTUP);
      for (int i = 0; i < 500 && IsWindow(warning) && IsWindowVisible(warning); ++i) Sleep(10);
      cancelledByPointer = !IsWindow(warning) || !IsWindowVisible(warning);
      if (!cancelledByPointer) {
        // Answer it directly so that the window's thread gets free again.
        const LPARAM client = MAKELPARAM(cancel.x + cancel.width / 2, cancel.y + cancel.height / 2);
        PostMessageW(warning, WM_MOUSEMOVE, 0, client);
        PostMessageW(warning, WM_LBUTTONUP, 0, client);
      }
    });
    // The main window must not stay above the warning as the tests
    // otherwise keep it.
    SetWindowPos(main, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // Button 0 holds the only primary click.
    ClickMain(d, 25);
    user.join();
    PumpFor(100);
    menuOpened = d.functionMenus()->IsOpen();
    warningGone = FindWarning(thread, main) == nullptr;
    mainEnabledAfter = IsWindowEnabled(main) != FALSE;
    heldAfter = d.buttonHeld();
    for (int i = 0; i < kButtonCount; ++i) codesAfter[static_cast<std::size_t>(i)] = d.core()->settings.profile.ButtonCodes[i];
  });
  EXPECT_TRUE(sawWarning);
  EXPECT_TRUE(cancelledByPointer);
  EXPECT_TRUE(warningGone);
  EXPECT_FALSE(mainEnabledDuringWarning) << "the main window waits for the answer";
  EXPECT_TRUE(mainEnabledAfter);
  EXPECT_FALSE(heldAfter) << "the field is not left drawn pressed";
  EXPECT_FALSE(menuOpened);
  EXPECT_EQ(codesAfter, codesBefore);
  EXPECT_EQ(codesBefore[0], 1);
}

TEST_F(MainWindowPointerTest, PagesStartAndStopTheirPartsWhenEnteredAndLeft) {
  PointerDialog dialog(ExeDir(), Composition());
  struct Seen {
    ui::Page page;
    bool previewRunning;
    bool controls;
  };
  std::vector<Seen> seen;
  RECT listRect{};
  ui::SkinRect expectedList;
  int listed = -1, macros = -2;
  Run(dialog, [&](PointerDialog& d) {
    auto note = [&] {
      seen.push_back({d.page(), d.ledPreview()->Running(), IsWindow(d.AdvancedControl(10001)) != FALSE});
    };
    ClickMain(d, 11);  // colour page
    note();
    ClickMain(d, 10);  // advanced page, from the colour page
    note();
    HWND list = d.AdvancedControl(10001);
    GetWindowRect(list, &listRect);
    MapWindowPoints(nullptr, d.hwnd(), reinterpret_cast<POINT*>(&listRect), 2);
    expectedList = d.core()->skin.MacroListRect;
    listed = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    macros = d.core()->macros.user.count;
    ClickMain(d, 11);  // colour again
    note();
    ClickMain(d, 9);  // main
    note();
  });
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].page, ui::Page::kColor);
  EXPECT_TRUE(seen[0].previewRunning);
  EXPECT_EQ(seen[1].page, ui::Page::kAdvanced);
  EXPECT_FALSE(seen[1].previewRunning);
  EXPECT_TRUE(seen[1].controls);
  EXPECT_EQ(seen[2].page, ui::Page::kColor);
  EXPECT_TRUE(seen[2].previewRunning);
  EXPECT_FALSE(seen[2].controls);
  EXPECT_EQ(seen[3].page, ui::Page::kMain);
  EXPECT_FALSE(seen[3].previewRunning);
  EXPECT_FALSE(dialog.ledPreview() != nullptr && dialog.ledPreview()->Running());
  EXPECT_EQ(listRect.left, expectedList.left);
  EXPECT_EQ(listRect.top, expectedList.top);
  EXPECT_EQ(listed, macros);
}

TEST_F(MainWindowPointerTest, PaintedEntriesComeFromTheirPictures) {
  PointerDialog dialog(ExeDir(), Composition());
  double hoveredToOver = 0, hoveredToNormal = 0, selectedToDown = 0, selectedToNormal = 0;
  double captionToNormal = 0;
  Run(dialog, [&](PointerDialog& d) {
    const ui::SkinLayout& skin = d.core()->skin;
    const Text dir = d.core()->SkinsDir;
    const ui::SkinPicture normal = ui::LoadSkinPicture(dir + u"\\main_normal.jpg");
    const ui::SkinPicture over = ui::LoadSkinPicture(dir + u"\\main_over.jpg");
    const ui::SkinPicture down = ui::LoadSkinPicture(dir + u"\\main_down.jpg");
    // Hovered: the import entry (no caption drawn over most of it).
    const ui::SkinEntry& hovered = skin.MainEntries[14];
    Hover(d, Centre(hovered));
    UpdateWindow(d.hwnd());
    ui::SkinPicture shot = Capture(d.hwnd(), d.PageSize());
    hoveredToOver = MeanDifference(shot, over, hovered);
    hoveredToNormal = MeanDifference(shot, normal, hovered);
    // Selected: the current profile's entry, with the pointer elsewhere.
    const ui::SkinEntry& selected = skin.MainEntries[static_cast<std::size_t>(3 + d.core()->settings.CurrentProfile)];
    Hover(d, Centre(skin.MainEntries[24]));
    UpdateWindow(d.hwnd());
    shot = Capture(d.hwnd(), d.PageSize());
    selectedToDown = MeanDifference(shot, down, selected);
    selectedToNormal = MeanDifference(shot, normal, selected);
    captionToNormal = MeanDifference(shot, normal, skin.MainEntries[1]);
  });
  EXPECT_LT(hoveredToOver, 12.0);
  EXPECT_LT(hoveredToOver * 2, hoveredToNormal);
  EXPECT_LT(selectedToDown, 12.0);
  EXPECT_LT(selectedToDown * 2, selectedToNormal);
  EXPECT_GT(captionToNormal, 3.0);  // the caption was drawn
}

// Damaged skins: the window paints what it can and keeps working. The
// pictures' bounds are covered by the paint plan's own tests; here the window
// has to survive and still take hovers, clicks and Apply.
class DamagedSkinTest : public MainWindowPointerTest {
 protected:
  fs::path Skins() const { return dir_.path() / "skins"; }
  static void WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  static void WriteSmallPicture(const fs::path& file) {
    ui::GdiplusSession gdiplus;
    const ui::SkinPicture small = ui::SkinPicture::Blank(10, 10);
    ASSERT_TRUE(ui::SavePicture(small.Pixels(), FromWide(file.wstring()), ui::PictureFormat::Jpeg));
  }

  // Paints, hovers, then profile 2 and the wheel turned the other way than
  // the mouse has it by clicks, and Apply; returns what went wrong.
  std::vector<std::string> UseTheWindow(PointerDialog& d) {
    std::vector<std::string> failures;
    const int painted = d.paints;
    InvalidateRect(d.hwnd(), nullptr, FALSE);
    if (!PumpUntil([&] { return d.paints > painted; })) failures.push_back("no paint");
    if (!Hover(d, Centre(d.core()->skin.MainEntries[6])) || d.hovers().main != 6) failures.push_back("hover");
    const int wheel = mouse_.State().wheel == 1 ? 0 : 1;
    for (int entry : {5, 41 + wheel, 3}) {
      if (!ClickMain(d, entry)) {
        failures.push_back("click " + std::to_string(entry) + " hover " + std::to_string(d.hovers().main) +
                           " presses " + std::to_string(d.presses) + " releases " + std::to_string(d.releases));
      }
    }
    if (!IsWindow(d.hwnd())) failures.push_back("window gone");
    if (d.core()->settings.CurrentProfile != 2) failures.push_back("profile");
    if (!PumpUntil([&] { return mouse_.State().wheel == wheel; })) failures.push_back("wheel on the mouse");
    return failures;
  }
};

TEST_F(DamagedSkinTest, BadMainPicturesStillPaintAndWork) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> damage;
  };
  const std::string garbage(3000, '\x5A');
  const Case cases[] = {
      {"over and down missing",
       [](const fs::path& skins) {
         fs::remove(skins / "main_over.jpg");
         fs::remove(skins / "main_down.jpg");
       }},
      {"normal not a JPEG", [&](const fs::path& skins) { WriteBytes(skins / "main_normal.jpg", garbage); }},
      {"mask not a JPEG", [&](const fs::path& skins) { WriteBytes(skins / "main_mask.jpg", garbage); }},
      {"over empty", [](const fs::path& skins) { WriteBytes(skins / "main_over.jpg", ""); }},
      {"normal 10x10", [](const fs::path& skins) { WriteSmallPicture(skins / "main_normal.jpg"); }},
      {"over and down 10x10",
       [](const fs::path& skins) {
         WriteSmallPicture(skins / "main_over.jpg");
         WriteSmallPicture(skins / "main_down.jpg");
       }},
  };
  const fs::path pristine = dir_.path() / "pristine-skins";
  fs::copy(Skins(), pristine, fs::copy_options::recursive);
  const fs::path config = dir_.path() / "pristine-config.ini";
  fs::copy_file(dir_.path() / "config.ini", config);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(Skins());
    fs::copy(pristine, Skins(), fs::copy_options::recursive);
    fs::remove(dir_.path() / "config.ini");
    fs::copy_file(config, dir_.path() / "config.ini");
    c.damage(Skins());
    PointerDialog dialog(ExeDir(), Composition());
    std::vector<std::string> failures{"never ran"};
    Run(dialog, [&](PointerDialog& d) { failures = UseTheWindow(d); });
    EXPECT_THAT(failures, ::testing::IsEmpty());
  }
}

// Without a page's normal picture the page is still drawn: the captions and
// the over and down bands on a plain ground. Without the mask the advanced
// page still repaints its hovers.
TEST_F(DamagedSkinTest, AMissingNormalPictureOrMaskStillShowsCaptionsAndHovers) {
  struct Case {
    const char* what;
    const char* removed;
    ui::Page page;
    int hovered;  // an entry of the page's table
  };
  const Case cases[] = {
      {"main normal missing", "main_normal.jpg", ui::Page::kMain, 5},
      {"advanced normal missing", "advanced_normal.jpg", ui::Page::kAdvanced, 8},
      {"mask missing", "main_mask.jpg", ui::Page::kAdvanced, 8},
  };
  const fs::path pristine = dir_.path() / "pristine-skins";
  fs::copy(Skins(), pristine, fs::copy_options::recursive);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(Skins());
    fs::copy(pristine, Skins(), fs::copy_options::recursive);
    fs::remove(Skins() / c.removed);
    PointerDialog dialog(ExeDir(), Composition());
    int yellow = -1;
    double toOver = -1, toNormal = -1;
    Run(dialog, [&](PointerDialog& d) {
      const ui::SkinLayout& skin = d.core()->skin;
      if (c.page == ui::Page::kAdvanced) ClickMain(d, 10);
      const ui::SkinEntry& e = c.page == ui::Page::kMain
                                   ? skin.MainEntries[static_cast<std::size_t>(c.hovered)]
                                   : skin.AdvancedEntries[static_cast<std::size_t>(c.hovered)];
      Hover(d, Centre(e));
      UpdateWindow(d.hwnd());
      PumpFor(150);
      RECT client{};
      GetClientRect(d.hwnd(), &client);
      const ui::SkinPicture shot = Capture(d.hwnd(), SIZE{client.right, client.bottom});
      // The yellow caption of main entry 1 ("PROFILES").
      const ui::SkinEntry& caption = skin.MainEntries[1];
      yellow = 0;
      for (int y = caption.y; y < caption.y + caption.height; ++y) {
        for (int x = caption.x; x < caption.x + caption.width; ++x) {
          const std::uint8_t* p = shot.MutableBits() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(shot.Width()) + static_cast<std::size_t>(x)) * 4;
          yellow += p[2] > 150 && p[1] > 150 && p[0] < 110;
        }
      }
      const bool main = c.page == ui::Page::kMain;
      const ui::SkinEntry strip{e.x + 2, e.y + 2, 6, e.height - 4, {}};
      toOver = MeanDifference(shot, ui::LoadSkinPicture(d.core()->SkinsDir + (main ? u"\\main_over.jpg" : u"\\advanced_over.jpg")), strip);
      const ui::SkinPicture normal = ui::LoadSkinPicture(
          FromWide((pristine / (main ? "main_normal.jpg" : "advanced_normal.jpg")).wstring()));
      toNormal = MeanDifference(shot, normal, strip);
    });
    EXPECT_GT(yellow, 10) << "the captions are drawn";
    EXPECT_LT(toOver, 6.0) << "the hovered entry shows its over band";
    EXPECT_LT(toOver, toNormal);
  }
}

TEST_F(DamagedSkinTest, BadLayoutAndAnUnterminatedMacroNameInAField) {
  SetLanguage(1);
  // Empty, overlapping and outlying entries of the main page.
  const std::wstring layout = (Skins() / "INI_EN" / "skin_main_en.ini").wstring();
  const struct {
    const wchar_t* key;
    const wchar_t* value;
  } entries[] = {
      {L"24", L"0,0,0,0,Layout,,"},          {L"23", L"648,184,0,24,Wheel,,"},
      {L"20", L"176,74,290,100,Button functions,,"},  // over the first fields
      {L"14", L"18,318,124,30,Import,,"},    // on top of Save
      {L"21", L"700,500,5000,5000,DPI stages,,"},     // far past the picture
      {L"19", L"-40,-40,100,100,Website,,"},
  };
  for (const auto& e : entries) {
    ASSERT_TRUE(WritePrivateProfileStringW(L"BUTTONPOS", e.key, e.value, layout.c_str()));
  }
  // One user macro whose name fills its field with no terminator.
  MacroSlot slot{};
  const std::u16string full = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  static_assert(sizeof(slot.name) == 40);
  for (std::size_t i = 0; i < sizeof(slot.name) / 2; ++i) {
    slot.name[2 * i] = static_cast<std::uint8_t>(full[i]);
    slot.name[2 * i + 1] = 0;
  }
  slot.mode = 1;  // the byte after the field: not a terminator
  std::string record;
  for (char16_t unit : MacroRecordText(slot)) record.push_back(static_cast<char>(unit));
  WriteBytes(dir_.path() / "Macro_EN.dat", "[Macros]\r\nmacroNum=1\r\n0=" + record + "\r\n");

  PointerDialog dialog(ExeDir(), Composition());
  std::vector<std::string> failures{"never ran"};
  int emptyWidth = -1, overlapHeight = -1;
  Text loadedName;
  double fieldToBare = 0;
  Run(dialog, [&](PointerDialog& d) {
    const ui::SkinLayout& skin = d.core()->skin;
    emptyWidth = skin.MainEntries[24].width;
    overlapHeight = skin.MainEntries[20].height;
    {
      std::lock_guard lock(d.core()->macros.mutex);
      loadedName = d.core()->macros.user.slots[0].Name();
    }
    // Button 2 plays the macro: its field shows the name.
    d.core()->settings.profile.ButtonCodes[2] = codes::kFirstUserMacro;
    Hover(d, Centre(skin.MainEntries[1]));
    InvalidateRect(d.hwnd(), nullptr, FALSE);
    UpdateWindow(d.hwnd());
    const ui::SkinPicture shot = Capture(d.hwnd(), d.PageSize());
    const ui::SkinPicture bare = ui::LoadSkinPicture(d.core()->SkinsDir + u"\\main_normal.jpg");
    fieldToBare = MeanDifference(shot, bare, skin.MainEntries[27]);
    // Pointer over the empty, overlapping and outlying entries.
    for (int entry : {20, 21, 19}) {
      const ui::SkinEntry& e = skin.MainEntries[static_cast<std::size_t>(entry)];
      Hover(d, POINT{std::max(e.x, 0) + 10, std::max(e.y, 0) + 10});
    }
    failures = UseTheWindow(d);
  });
  EXPECT_EQ(emptyWidth, 0);
  EXPECT_EQ(overlapHeight, 100);
  EXPECT_EQ(loadedName, Text(full.substr(0, 20)));
  EXPECT_GT(fieldToBare, 1.0) << "the name is drawn";
  EXPECT_THAT(failures, ::testing::IsEmpty());
}

// Every page in both languages shows its captions. With
// ZLV_PAGE_SCREENSHOTS set to a folder, the pages are saved there as PNGs.
TEST_F(MainWindowPointerTest, EveryPageInBothLanguagesShowsCaptions) {
  const char* shots = std::getenv("ZLV_PAGE_SCREENSHOTS");
  struct PageCase {
    const char* name;
    int tab;
  };
  const PageCase pages[] = {{"main", 9}, {"advanced", 10}, {"colour", 11}, {"main-again", 9}};
  std::vector<std::string> failures;
  for (int language : {1, 0}) {
    SetLanguage(language);
    PointerDialog dialog(ExeDir(), Composition());
    Run(dialog, [&](PointerDialog& d) {
      const ui::SkinLayout& skin = d.core()->skin;
      for (const PageCase& p : pages) {
        ClickMain(d, p.tab);
        Hover(d, Centre(skin.MainEntries[1]));  // the pointer on a caption-only entry
        UpdateWindow(d.hwnd());
        PumpFor(50);
        const ui::SkinPicture shot = Capture(d.hwnd(), d.PageSize());
        const ui::SkinPicture bare = ui::LoadSkinPicture(
            d.core()->SkinsDir + Text(ui::PicturesOf(d.page()).normal));
        // The page's first caption of its own table differs from the bare picture.
        const ui::SkinEntry& caption = d.page() == ui::Page::kMain       ? skin.MainEntries[20]
                                       : d.page() == ui::Page::kAdvanced ? skin.AdvancedEntries[38]
                                                                         : skin.ColorEntries[5];
        if (MeanDifference(shot, bare, caption) < 2.0) {
          failures.push_back(std::string(p.name) + " " + std::to_string(language) + ": no caption");
        }
        if (shots != nullptr) {
          const std::string file = std::string(shots) + "\\" + p.name + (language == 1 ? "-en" : "-cn") + ".png";
          ui::SavePicture(shot.Pixels(), FromWide(std::wstring(file.begin(), file.end())), ui::PictureFormat::Png);
        }
      }
    });
  }
  EXPECT_THAT(failures, ::testing::IsEmpty());
}

}  // namespace
}  // namespace zlv
