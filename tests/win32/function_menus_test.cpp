// The function-selection menus and the warning dialog as real windows: the
// program's templates and the staged skins, driven by real pointer input
// (SendInput), checked through the settings they change, the windows they
// leave and the pixels they show.
#include "app/function_menus_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/file_store.h"
#include "base/text_win32.h"
#include "settings/ini_file.h"
#include "tests/support/fakes.h"
#include "tests/support/windows_support.h"
#include "tests/win32/program_image_win32.h"
#include "ui/function_menu.h"
#include "ui/main_paint.h"
#include "ui/picture_geometry.h"
#include "ui/picture_win32.h"
#include "ui/skin_layout.h"
#include "wingui/win_framework_win32.h"

namespace zlv {
namespace {

namespace fs = std::filesystem;

// --- Real pointer input --------------------------------------------------

void SendMouse(DWORD flags, int x = 0, int y = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = static_cast<LONG>((static_cast<std::int64_t>(x) * 65536 + w / 2) / w);
    input.mi.dy = static_cast<LONG>((static_cast<std::int64_t>(y) * 65536 + h / 2) / h);
  }
  SendInput(1, &input, sizeof(INPUT));
}
void MoveTo(POINT p) { SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, p.x, p.y); }
void Press() { SendMouse(MOUSEEVENTF_LEFTDOWN); }
void Release() { SendMouse(MOUSEEVENTF_LEFTUP); }


// Handles this thread's messages until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 2000) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done && done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 10)),
                              QS_ALLINPUT);
  }
}
void PumpFor(DWORD ms) { PumpUntil(nullptr, ms); }

// Moves the pointer and waits until it is there and the windows have seen it.
void MoveAndSettle(POINT p) {
  MoveTo(p);
  PumpUntil([&] {
    POINT at{};
    GetCursorPos(&at);
    return at.x == p.x && at.y == p.y;
  });
  PumpFor(120);
}
void ClickAt(POINT p) {
  MoveAndSettle(p);
  Press();
  PumpFor(60);
  Release();
  PumpFor(150);
}

RECT WindowRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

RECT RegionBox(HWND hwnd) {
  RECT box{};
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  if (GetWindowRgn(hwnd, region) != ERROR) GetRgnBox(region, &box);
  DeleteObject(region);
  return box;
}

// --- Pixels --------------------------------------------------------------

// The screen's pixels in a rectangle (screen coordinates).
ui::SkinPicture CaptureScreen(const RECT& r) {
  ui::SkinPicture picture = ui::SkinPicture::Blank(r.right - r.left, r.bottom - r.top);
  if (picture.Empty()) return picture;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, picture.Bitmap());
  BitBlt(memory, 0, 0, picture.Width(), picture.Height(), screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  GdiFlush();
  return picture;
}

// Mean absolute difference per component between `shot` at (sx, sy) and
// `picture` at (px, py), over a w x h block.
double MeanDifference(const ui::SkinPicture& shot, int sx, int sy, const ui::SkinPicture& picture,
                      int px, int py, int w, int h) {
  const ui::PixelView a = shot.Pixels(), b = picture.Pixels();
  double sum = 0;
  int count = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = a.data + (sy + y) * a.stride + (sx + x) * 4;
      const std::uint8_t* q = b.data + (py + y) * b.stride + (px + x) * 4;
      for (int c = 0; c < 3; ++c) sum += std::abs(int(p[c]) - int(q[c]));
      count += 3;
    }
  }
  return count > 0 ? sum / count : 1e9;
}

// Where screenshots go: the build folder, above bin/.
void SaveShot(const ui::SkinPicture& shot, const wchar_t* name) {
  const fs::path path = fs::path(testing::BinDir()).parent_path() / name;
  EXPECT_TRUE(ui::SavePicture(shot.Pixels(), FromWide(path.wstring()), ui::PictureFormat::Png))
      << path.string();
}

// --- The skins -----------------------------------------------------------

struct Skin {
  FunctionLabels labels{};
  ui::WarningLayout warning{};
};

Skin LoadSkin(const Text& exeDir, bool english) {
  DiskFileStore files;
  IniStore ini(files);
  testing::RecordingMessages messages;
  ui::SkinReader reader(ini, messages, [] {});
  const ui::SkinLayoutPaths paths = ui::LayoutPaths(ui::SkinsDir(exeDir), english ? 1 : 0);
  Skin skin;
  ui::SkinLayout layout;
  EXPECT_TRUE(reader.LoadPageLayouts(paths, layout, skin.labels));
  EXPECT_TRUE(reader.LoadWarningLayout(paths.warning, skin.warning));
  EXPECT_TRUE(messages.shown.empty());
  return skin;
}

class FunctionMenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(testing::ProgramImage(), nullptr);
    win::SetResourceModule(testing::ProgramImage());
    ASSERT_TRUE(gdiplus_.Started());
    exe_dir_ = FromWide(testing::BinDir());
    ASSERT_TRUE(fs::exists(fs::path(testing::BinDir()) / "skins" / "menu_mask.jpg"));
    skin_ = LoadSkin(exe_dir_, true);
    const ui::SkinPicture mask = Picture(u"\\menu_mask.jpg");
    item_width_ = mask.Width();
    item_height_ = mask.Height() / ui::kMenuRows;
    ASSERT_GT(item_height_, 0);
    const ui::SkinPicture subMask = Picture(u"\\advanced menu_mask.jpg");
    sub_width_ = subMask.Width();
    sub_height_ = subMask.Height() / ui::kSubmenuRowSlots;
    ASSERT_GT(sub_height_, 0);

    owner_ = CreateWindowExW(0, L"STATIC", L"menu owner", WS_POPUP | WS_VISIBLE, 700, 600, 200, 100,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner_, nullptr);
    for (int i = 0; i < kButtonCount; ++i) settings_.ButtonCodes[i] = setting::kBuiltInButtonCodes[i];
    // Park the pointer away from where the windows open.
    MoveAndSettle(POINT{1200, 1000});
  }
  void TearDown() override {
    Release();
    if (owner_ != nullptr) DestroyWindow(owner_);
    PumpFor(20);
    win::SetResourceModule(nullptr);
  }

  ui::SkinPicture Picture(TextView name) const {
    return ui::LoadSkinPicture(ui::SkinPicturePath(exe_dir_, name));
  }

  FunctionMenuContext Context(bool english = true) {
    FunctionMenuContext context;
    context.exeDir = exe_dir_;
    context.settings = &settings_;
    context.labels = &skin_.labels;
    context.userMacroNames = [this] { return macro_names_; };
    context.english = [english] { return english; };
    context.warning = &skin_.warning;
    context.choiceMade = [this] { ++choices_made_; };
    return context;
  }

  // The centre of a row of a menu window, on the screen.
  POINT RowCentre(HWND menu, int row, int width, int height) const {
    const RECT r = WindowRect(menu);
    return POINT{r.left + width / 2, r.top + (row - 1) * height + height / 2};
  }
  POINT MenuRow(const FunctionMenus& menus, int row) const {
    return RowCentre(menus.FirstLevelWindow(), row, item_width_, item_height_);
  }
  POINT SubmenuRow(const FunctionMenus& menus, int row) const {
    return RowCentre(menus.SubmenuWindow(), row, sub_width_, sub_height_);
  }

  // Which face a row of a menu shows, from the strip at its left end where
  // no text is drawn: the distance to the over face and to the normal face.
  struct RowLook {
    double toOver;
    double toNormal;
  };
  RowLook LookOfRow(HWND menu, int row, int height, TextView normal, TextView over) const {
    const RECT r = WindowRect(menu);
    const int stripWidth = 12;
    const RECT band{r.left, r.top + (row - 1) * height, r.left + stripWidth, r.top + row * height};
    const ui::SkinPicture shot = CaptureScreen(band);
    const ui::SkinPicture overFace = Picture(over), normalFace = Picture(normal);
    return {MeanDifference(shot, 0, 0, overFace, 0, (row - 1) * height, stripWidth, height),
            MeanDifference(shot, 0, 0, normalFace, 0, (row - 1) * height, stripWidth, height)};
  }

  ui::GdiplusSession gdiplus_;
  Text exe_dir_;
  Skin skin_;
  int item_width_ = 0, item_height_ = 0, sub_width_ = 0, sub_height_ = 0;
  HWND owner_ = nullptr;
  ProfileSettings settings_;
  std::vector<Text> macro_names_{u"Alpha", u"Beta", u"Gamma"};
  int choices_made_ = 0;
  const POINT corner_{100, 120};
};

TEST_F(FunctionMenusTest, OpensAtTheCornerCutToTenRowsAndARowChoosesAndCloses) {
  FunctionMenus menus(Context());
  ASSERT_TRUE(menus.Open(owner_, 2, corner_));
  ASSERT_TRUE(menus.IsOpen());
  const HWND menu = menus.FirstLevelWindow();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(win::WindowText(menu), L"MainMenuDlg");
  EXPECT_EQ(GetWindow(menu, GW_OWNER), owner_);
  EXPECT_TRUE(IsWindowVisible(menu));
  const RECT frame = WindowRect(menu);
  EXPECT_EQ(frame.left, corner_.x);
  EXPECT_EQ(frame.top, corner_.y);
  const RECT shape = RegionBox(menu);
  EXPECT_EQ(shape.right - shape.left, item_width_);
  EXPECT_EQ(shape.bottom - shape.top, item_height_ * ui::kMenuRows + 1);
  EXPECT_EQ(menus.SubmenuWindow(), nullptr);

  // The row under the pointer shows the over face, the others the normal one.
  MoveAndSettle(MenuRow(menus, 3));
  const RowLook hovered = LookOfRow(menu, 3, item_height_, u"\\menu_normal.jpg", u"\\menu_over.jpg");
  const RowLook other = LookOfRow(menu, 5, item_height_, u"\\menu_normal.jpg", u"\\menu_over.jpg");
  EXPECT_LT(hovered.toOver, 4.0);
  EXPECT_GT(hovered.toNormal, hovered.toOver + 10.0);
  EXPECT_LT(other.toNormal, 4.0);
  EXPECT_GT(other.toOver, other.toNormal + 10.0);

  Press();
  PumpFor(150);
  const RowLook pressed = LookOfRow(menu, 3, item_height_, u"\\menu_normal.jpg", u"\\menu_down.jpg");
  EXPECT_LT(pressed.toOver, 4.0) << "the pressed row shows the down face";
  Release();
  PumpUntil([&] { return !menus.IsOpen(); });
  EXPECT_EQ(settings_.ButtonCodes[2], 3);
  EXPECT_FALSE(menus.IsOpen());
  EXPECT_FALSE(IsWindow(menu));
  EXPECT_FALSE(menus.TakeChoiceDone()) << "only a submenu choice sets it";
}

TEST_F(FunctionMenusTest, FirstLevelRowsOneToSixAssignTheirCode) {
  struct Case {
    int button;
    int row;
    std::array<std::int32_t, kButtonCount> codes;
  };
  const Case cases[] = {
      {2, 1, {1, 2, 1, 5, 4, 6}},
      {4, 6, {1, 2, 3, 5, 6, 6}},
      // The primary click moves on to the next button.
      {0, 2, {2, 1, 3, 5, 4, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "button " << c.button << " row " << c.row);
    for (int i = 0; i < kButtonCount; ++i) settings_.ButtonCodes[i] = setting::kBuiltInButtonCodes[i];
    // Button 0 holds the only primary click: a second one keeps the warning
    // away while the menu opens, and goes before the choice.
    if (c.button == 0) settings_.ButtonCodes[1] = 1;
    FunctionMenus menus(Context());
    ASSERT_TRUE(menus.Open(owner_, c.button, corner_));
    settings_.ButtonCodes[1] = 2;
    ClickAt(MenuRow(menus, c.row));
    PumpUntil([&] { return !menus.IsOpen(); });
    EXPECT_FALSE(menus.IsOpen());
    for (int i = 0; i < kButtonCount; ++i) EXPECT_EQ(settings_.ButtonCodes[i], c.codes[i]) << i;
  }
}

TEST_F(FunctionMenusTest, SubmenuFollowsTheRowAndItsChoiceClosesBothMenus) {
  FunctionMenus menus(Context());
  ASSERT_TRUE(menus.Open(owner_, 2, corner_));
  const HWND menu = menus.FirstLevelWindow();

  struct Group {
    int row;
    int rows;
    int offsetRows;
  };
  const int macros = static_cast<int>(macro_names_.size());
  const Group groups[] = {{7, 6, 1}, {8, 10, -2}, {9, macros, 9 - macros}, {10, 8, 2}, {8, 10, -2}};
  HWND previous = nullptr;
  for (const Group& g : groups) {
    SCOPED_TRACE(::testing::Message() << "row " << g.row);
    MoveAndSettle(MenuRow(menus, g.row));
    const HWND sub = menus.SubmenuWindow();
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(IsWindowVisible(sub));
    EXPECT_EQ(GetWindow(sub, GW_OWNER), menu);
    if (previous != nullptr) {
      EXPECT_FALSE(IsWindow(previous)) << "the previous submenu went away";
    }
    const RECT frame = WindowRect(sub);
    EXPECT_EQ(frame.left, corner_.x + item_width_);
    EXPECT_EQ(frame.top, corner_.y + g.offsetRows * item_height_);
    const RECT shape = RegionBox(sub);
    EXPECT_EQ(shape.right - shape.left, sub_width_);
    EXPECT_EQ(shape.bottom - shape.top, g.rows * sub_height_ + 1);
    previous = sub;
  }
  // Rows 1..6 close the submenu.
  MoveAndSettle(MenuRow(menus, 4));
  EXPECT_EQ(menus.SubmenuWindow(), nullptr);
  EXPECT_FALSE(IsWindow(previous));

  MoveAndSettle(MenuRow(menus, 8));
  const HWND sub = menus.SubmenuWindow();
  ASSERT_NE(sub, nullptr);
  MoveAndSettle(SubmenuRow(menus, 2));
  const RowLook hovered =
      LookOfRow(sub, 2, sub_height_, u"\\advanced menu_normal.jpg", u"\\advanced menu_over.jpg");
  const RowLook other =
      LookOfRow(sub, 4, sub_height_, u"\\advanced menu_normal.jpg", u"\\advanced menu_over.jpg");
  EXPECT_LT(hovered.toOver, 4.0);
  EXPECT_GT(hovered.toNormal, hovered.toOver + 10.0);
  EXPECT_LT(other.toNormal, 4.0);
  EXPECT_EQ(menus.FirstLevelWindow(), menu) << "the first level stays on row 8";

  {
    // Both menus as the user sees them.
    const RECT a = WindowRect(menu), b = WindowRect(sub);
    const RECT both{a.left, std::min(a.top, b.top), b.left + sub_width_,
                    std::max(a.top + item_height_ * ui::kMenuRows + 1, b.top + 10 * sub_height_ + 1)};
    SaveShot(CaptureScreen(both), L"function_menus_en.png");
  }

  Press();
  PumpFor(60);
  Release();
  PumpUntil([&] { return !menus.IsOpen(); });
  EXPECT_EQ(settings_.ButtonCodes[2], 22);
  EXPECT_FALSE(menus.IsOpen());
  EXPECT_FALSE(IsWindow(menu));
  EXPECT_FALSE(IsWindow(sub));
  EXPECT_EQ(menus.SubmenuWindow(), nullptr);
  EXPECT_EQ(choices_made_, 1);
  EXPECT_TRUE(menus.TakeChoiceDone());
  EXPECT_FALSE(menus.TakeChoiceDone());
}

TEST_F(FunctionMenusTest, SubmenuGroupsAssignTheirCodes) {
  struct Case {
    int firstLevelRow;
    int submenuRow;
    std::int32_t code;
  };
  const Case cases[] = {{7, 1, 11}, {7, 6, 16}, {9, 3, 43}, {10, 8, 38}, {8, 10, 30}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "row " << c.firstLevelRow << "/" << c.submenuRow);
    FunctionMenus menus(Context());
    ASSERT_TRUE(menus.Open(owner_, 3, corner_));
    MoveAndSettle(MenuRow(menus, c.firstLevelRow));
    ASSERT_NE(menus.SubmenuWindow(), nullptr);
    ClickAt(SubmenuRow(menus, c.submenuRow));
    PumpUntil([&] { return !menus.IsOpen(); });
    EXPECT_FALSE(menus.IsOpen());
    EXPECT_EQ(settings_.ButtonCodes[3], c.code);
  }
}

TEST_F(FunctionMenusTest, ReleasesThatChooseNothing) {
  // A release over a row that opens a submenu, or on the first level's bottom
  // line, leaves both menus open; one on the submenu's bottom line closes
  // them without a choice.
  FunctionMenus menus(Context());
  ASSERT_TRUE(menus.Open(owner_, 2, corner_));
  const HWND menu = menus.FirstLevelWindow();
  for (int row : {7, 8, 10}) {
    ClickAt(MenuRow(menus, row));
    EXPECT_TRUE(menus.IsOpen()) << row;
    EXPECT_NE(menus.SubmenuWindow(), nullptr) << row;
    EXPECT_TRUE(IsWindowVisible(menus.SubmenuWindow())) << row;
  }
  const RECT frame = WindowRect(menu);
  ClickAt(POINT{frame.left + 5, frame.top + item_height_ * ui::kMenuRows});
  EXPECT_TRUE(menus.IsOpen());
  EXPECT_EQ(settings_.ButtonCodes[2], 3);

  MoveAndSettle(MenuRow(menus, 7));
  const RECT sub = WindowRect(menus.SubmenuWindow());
  ClickAt(POINT{sub.left + 5, sub.top + 6 * sub_height_});
  PumpUntil([&] { return !menus.IsOpen(); });
  EXPECT_FALSE(menus.IsOpen());
  EXPECT_EQ(settings_.ButtonCodes[2], 3);
  for (int i = 0; i < kButtonCount; ++i) EXPECT_EQ(settings_.ButtonCodes[i], setting::kBuiltInButtonCodes[i]);

  // A new opening highlights nothing until the pointer moves.
  ASSERT_TRUE(menus.Open(owner_, 2, corner_));
  PumpFor(150);
  for (int row : {1, 7}) {
    const RowLook look =
        LookOfRow(menus.FirstLevelWindow(), row, item_height_, u"\\menu_normal.jpg", u"\\menu_over.jpg");
    EXPECT_LT(look.toNormal, 4.0) << row;
  }
  menus.Close();
  EXPECT_FALSE(menus.IsOpen());
}

// --- The warning ---------------------------------------------------------

// The warning dialog of this thread, once it shows.
HWND FindWarning(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(
      thread,
      [](HWND hwnd, LPARAM out) -> BOOL {
        wchar_t cls[32] = {};
        GetClassNameW(hwnd, cls, 32);
        if (std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd) &&
            win::WindowText(hwnd) != L"MainMenuDlg") {
          *reinterpret_cast<HWND*>(out) = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

POINT EntryCentre(const RECT& frame, const ui::SkinEntry& e) {
  return POINT{frame.left + e.x + e.width / 2, frame.top + e.y + e.height / 2};
}

TEST_F(FunctionMenusTest, WarningComesFirstForTheOnlyPrimaryButtonAndOnlyAReleaseDecides) {
  struct Case {
    int pressOn;    // entry
    int releaseOn;  // entry
    bool opens;
  };
  const Case cases[] = {{0, 1, false}, {1, 0, true}};
  const DWORD thread = GetCurrentThreadId();
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "press " << c.pressOn << " release " << c.releaseOn);
    for (int i = 0; i < kButtonCount; ++i) settings_.ButtonCodes[i] = setting::kBuiltInButtonCodes[i];
    settings_.ButtonCodes[0] = 2;
    settings_.ButtonCodes[2] = 1;  // button 2 is the only primary click
    MoveAndSettle(POINT{1200, 1000});

    // The dialog runs modally on this thread; a helper thread acts as the user.
    std::atomic<bool> sawWarning{false}, stayedOnMessage{false}, stayedOnKeys{false};
    std::atomic<bool> placed{false}, hoverShown{false}, keysGoThere{false};
    std::thread user([&] {
      HWND warning = nullptr;
      for (int i = 0; i < 300 && warning == nullptr; ++i) {
        Sleep(10);
        warning = FindWarning(thread);
      }
      if (warning == nullptr) return;
      sawWarning = true;
      Sleep(100);
      const RECT frame = WindowRect(warning);
      placed = frame.left == corner_.x && frame.top == corner_.y;
      const auto& layout = skin_.warning;
      // A release over the message or by keys leaves the question open.
      MoveTo(EntryCentre(frame, layout[2]));
      Sleep(80);
      Press();
      Sleep(40);
      Release();
      Sleep(120);
      stayedOnMessage = IsWindowVisible(warning) != FALSE;
      keysGoThere = GetForegroundWindow() == warning;
      // Enter chooses nothing: the question has no default answer that goes on.
      testing::TapKey(VK_RETURN);
      Sleep(120);
      stayedOnKeys = IsWindowVisible(warning) != FALSE;
      MoveTo(EntryCentre(frame, layout[static_cast<std::size_t>(c.pressOn)]));
      Sleep(150);
      // The highlighted button comes from the over face.
      {
        const ui::SkinEntry& e = layout[static_cast<std::size_t>(c.pressOn)];
        const RECT strip{frame.left + e.x + 2, frame.top + e.y + 2, frame.left + e.x + 8,
                         frame.top + e.y + e.height - 2};
        const ui::SkinPicture shot = CaptureScreen(strip);
        const ui::SkinPicture over = Picture(ui::kWarningOver);
        hoverShown = MeanDifference(shot, 0, 0, over, e.x + 2, e.y + 2, 6, e.height - 4) < 4.0;
        if (c.pressOn == 0) SaveShot(CaptureScreen(frame), L"warning_en.png");
      }
      Press();
      Sleep(40);
      MoveTo(EntryCentre(frame, layout[static_cast<std::size_t>(c.releaseOn)]));
      Sleep(120);
      Release();
    });
    FunctionMenus menus(Context());
    const bool opened = menus.Open(owner_, 2, corner_);
    user.join();
    EXPECT_TRUE(sawWarning);
    EXPECT_TRUE(placed);
    EXPECT_TRUE(stayedOnMessage);
    EXPECT_TRUE(keysGoThere) << "the warning has the keyboard";
    EXPECT_TRUE(stayedOnKeys);
    EXPECT_TRUE(hoverShown);
    EXPECT_EQ(opened, c.opens);
    EXPECT_EQ(menus.IsOpen(), c.opens);
    EXPECT_EQ(FindWarning(thread), nullptr);
    EXPECT_EQ(settings_.ButtonCodes[2], 1) << "the warning itself changes nothing";
    menus.Close();
  }
}

// Opened where it would reach past the screen's corner, the warning is kept
// inside the work area; Escape and a close request answer it as its second
// button does, so it is never a question nothing can answer.
TEST_F(FunctionMenusTest, TheWarningStaysOnTheScreenAndEscapeOrCloseCancelsIt) {
  struct Case {
    const char* how;
    std::function<void(HWND)> answer;
  };
  const Case cases[] = {
      {"Escape", [](HWND) { testing::TapKey(VK_ESCAPE); }},
      {"close request", [](HWND warning) { PostMessageW(warning, WM_CLOSE, 0, 0); }},
  };
  const POINT corner{GetSystemMetrics(SM_CXSCREEN) - 40, GetSystemMetrics(SM_CYSCREEN) - 30};
  const DWORD thread = GetCurrentThreadId();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    std::atomic<bool> seen{false}, inside{false}, answered{false};
    std::thread user([&] {
      HWND warning = nullptr;
      for (int i = 0; i < 300 && warning == nullptr; ++i) {
        Sleep(10);
        warning = FindWarning(thread);
      }
      if (warning == nullptr) return;
      seen = true;
      Sleep(100);
      MONITORINFO monitor{};
      monitor.cbSize = sizeof monitor;
      GetMonitorInfoW(MonitorFromWindow(warning, MONITOR_DEFAULTTONEAREST), &monitor);
      const RECT frame = WindowRect(warning);
      const RECT work = monitor.rcWork;
      inside = frame.left >= work.left && frame.top >= work.top && frame.right <= work.right &&
               frame.bottom <= work.bottom && frame.right > frame.left;
      c.answer(warning);
      for (int i = 0; i < 100 && IsWindowVisible(warning); ++i) Sleep(10);
      answered = IsWindowVisible(warning) == FALSE;
      if (!answered) {
        // Free this test's thread: the second button, straight to the dialog.
        const ui::SkinEntry& cancel = skin_.warning[1];
        const LPARAM at = MAKELPARAM(cancel.x + cancel.width / 2, cancel.y + cancel.height / 2);
        PostMessageW(warning, WM_MOUSEMOVE, 0, at);
        PostMessageW(warning, WM_LBUTTONUP, 0, at);
      }
    });
    EXPECT_EQ(RunWarningDialog(Context(), corner), WarningResult::kCancel);
    user.join();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(inside);
    EXPECT_TRUE(answered);
  }
}

TEST_F(FunctionMenusTest, NoWarningWhenAnotherButtonHasThePrimaryClick) {
  FunctionMenus menus(Context());
  ASSERT_TRUE(menus.Open(owner_, 5, corner_));  // button 0 has code 1
  EXPECT_TRUE(menus.IsOpen());
  EXPECT_EQ(FindWarning(GetCurrentThreadId()), nullptr);
}

TEST_F(FunctionMenusTest, ChineseMenusShowAndTheWarningsSecondButtonCancels) {
  // The screenshots are for the eye: the Chinese captions need the prefix's
  // Chinese fonts.
  skin_ = LoadSkin(exe_dir_, false);
  FunctionMenus menus(Context(false));
  ASSERT_TRUE(menus.Open(owner_, 2, corner_));
  MoveAndSettle(MenuRow(menus, 10));
  ASSERT_NE(menus.SubmenuWindow(), nullptr);
  MoveAndSettle(SubmenuRow(menus, 3));
  const RECT a = WindowRect(menus.FirstLevelWindow()), b = WindowRect(menus.SubmenuWindow());
  SaveShot(CaptureScreen(RECT{a.left, a.top, b.left + sub_width_, b.top + 8 * sub_height_ + 1}),
           L"function_menus_cn.png");
  menus.Close();

  const DWORD thread = GetCurrentThreadId();
  std::thread user([&] {
    HWND warning = nullptr;
    for (int i = 0; i < 300 && warning == nullptr; ++i) {
      Sleep(10);
      warning = FindWarning(thread);
    }
    if (warning == nullptr) return;
    Sleep(100);
    const RECT frame = WindowRect(warning);
    MoveTo(EntryCentre(frame, skin_.warning[1]));
    Sleep(150);
    SaveShot(CaptureScreen(frame), L"warning_cn.png");
    Press();
    Sleep(40);
    Release();
  });
  EXPECT_EQ(RunWarningDialog(Context(false), corner_), WarningResult::kCancel);
  user.join();
}

// Each group's submenu beside the first level, as the user sees it, in both
// languages; the pictures go to the build folder.
TEST_F(FunctionMenusTest, EachSubmenuOpensBesideTheFirstLevel) {
  struct Group {
    int row;
    const char* name;
  };
  const Group groups[] = {{7, "mouse"}, {8, "multimedia"}, {9, "user-macros"}, {10, "preset-macros"}};
  for (const bool english : {true, false}) {
    skin_ = LoadSkin(exe_dir_, english);
    for (const Group& g : groups) {
      SCOPED_TRACE(::testing::Message() << (english ? "English" : "Chinese") << " row " << g.row);
      FunctionMenus menus(Context(english));
      ASSERT_TRUE(menus.Open(owner_, 2, corner_));
      MoveAndSettle(MenuRow(menus, g.row));
      const HWND sub = menus.SubmenuWindow();
      ASSERT_NE(sub, nullptr);
      EXPECT_TRUE(IsWindowVisible(sub));
      MoveAndSettle(SubmenuRow(menus, 1));
      EXPECT_EQ(menus.SubmenuWindow(), sub) << "the submenu stays while the pointer is on it";
      const RECT a = WindowRect(menus.FirstLevelWindow()), b = WindowRect(sub);
      const RECT shape = RegionBox(sub);
      const RECT both{a.left, std::min(a.top, b.top), b.left + sub_width_,
                      std::max(a.top + item_height_ * ui::kMenuRows + 1,
                               b.top + static_cast<LONG>(shape.bottom - shape.top))};
      const std::string file = std::string("function_menu_") + g.name + (english ? "_en" : "_cn") + ".png";
      SaveShot(CaptureScreen(both), std::wstring(file.begin(), file.end()).c_str());
      menus.Close();
      EXPECT_FALSE(IsWindow(sub));
    }
  }
}

}  // namespace
}  // namespace zlv
