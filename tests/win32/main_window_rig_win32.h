// The main window run in the test process over the virtual mouse, driven by
// the system's pointer (SendInput) at the centres of skin entries taken from
// the loaded layout: the fixture the window tests share.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/gmouse_dlg_win32.h"
#include "base/file_dialogs.h"
#include "app/shell_commands.h"
#include "base/text_win32.h"
#include "device/protocol.h"
#include "device/system_settings.h"
#include "macro/macro_file.h"
#include "macro/macro_slot.h"
#include "resources/resource_ids.h"
#include "sim/virtual_hid_system.h"
#include "sim/virtual_mouse.h"
#include "tests/support/fakes.h"
#include "tests/support/test_support.h"
#include "tests/support/windows_support.h"
#include "tests/win32/program_image_win32.h"
#include "settings/function_codes.h"
#include "ui/function_menu.h"
#include "ui/main_pointer.h"
#include "ui/picture_win32.h"
#include "wingui/win_framework_win32.h"

namespace zlv {
namespace {

namespace fs = std::filesystem;

constexpr UINT kProbe = WM_APP + 7;
// Where the window is put for the tests: clear of Wine's tray window at the
// screen's top-left corner.
constexpr POINT kWindowPlace{200, 150};

class RecordingLauncher final : public ProgramLauncher {
 public:
  bool Launch(TextView) override { return false; }
  bool OpenAddress(TextView address) override {
    opened.emplace_back(address);
    return true;
  }
  std::vector<Text> opened;
};

class PointerDialog : public CZLV_GMouseDlg {
 public:
  using CZLV_GMouseDlg::CZLV_GMouseDlg;

  int moves = 0, presses = 0, releases = 0, paints = 0;
  std::function<void(PointerDialog&)> on_probe;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == kProbe) {
      if (on_probe) on_probe(*this);
      return true;
    }
    const bool handled = CZLV_GMouseDlg::OnMessage(message, wParam, lParam, result);
    if (message == WM_MOUSEMOVE) ++moves;
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) ++presses;
    if (message == WM_LBUTTONUP) ++releases;
    if (message == WM_PAINT) ++paints;
    return handled;
  }
};

using testing::PumpFor;
using testing::PumpUntil;

// Pointer input through the system's input queue.
inline void SendMouse(DWORD flags, POINT screen = {}) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = MulDiv(screen.x, 65535, w - 1);
    in.mi.dy = MulDiv(screen.y, 65535, h - 1);
  }
  SendInput(1, &in, sizeof(INPUT));
}
inline void MoveTo(POINT screen) { SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen); }

inline POINT Centre(const ui::SkinEntry& e) { return POINT{e.x + e.width / 2, e.y + e.height / 2}; }

// Mean absolute difference of the colour components of `rect` in two pictures
// of the same size (0..255).
inline double MeanDifference(const ui::SkinPicture& a, const ui::SkinPicture& b, const ui::SkinEntry& rect) {
  double sum = 0;
  long count = 0;
  for (int y = rect.y; y < rect.y + rect.height; ++y) {
    for (int x = rect.x; x < rect.x + rect.width; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(a.Width()) + static_cast<std::size_t>(x)) * 4;
      const std::size_t bt = (static_cast<std::size_t>(y) * static_cast<std::size_t>(b.Width()) + static_cast<std::size_t>(x)) * 4;
      for (int c = 0; c < 3; ++c) sum += std::abs(int{a.MutableBits()[at + c]} - int{b.MutableBits()[bt + c]});
      count += 3;
    }
  }
  return count == 0 ? 0 : sum / static_cast<double>(count);
}

// The client area as the window shows it.
inline ui::SkinPicture Capture(HWND window, SIZE size) {
  ui::SkinPicture picture = ui::SkinPicture::Blank(size.cx, size.cy);
  HDC source = GetDC(window);
  HDC memory = CreateCompatibleDC(source);
  HGDIOBJ old = SelectObject(memory, picture.Bitmap());
  BitBlt(memory, 0, 0, size.cx, size.cy, source, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(window, source);
  GdiFlush();
  return picture;
}

// The centre of row `row` of a menu window on the screen, rows `rowHeight`
// tall from the window's top.
inline POINT MenuRowOnScreen(HWND menu, int row, int rowHeight) {
  RECT r{};
  GetWindowRect(menu, &r);
  return POINT{r.left + 20, r.top + (row - 1) * rowHeight + rowHeight / 2};
}
// Moves the pointer and waits until the system has it there.
inline bool MoveAndWait(POINT screen) {
  MoveTo(screen);
  return PumpUntil([&] {
    POINT at{};
    GetCursorPos(&at);
    return at.x == screen.x && at.y == screen.y;
  });
}
inline int RowHeightOf(const Text& skinsDir, const char16_t* mask, int slots) {
  const ui::SkinPicture picture = ui::LoadSkinPicture(skinsDir + Text(mask));
  return picture.Height() / slots;
}

// A part of the screen as it is shown, windows of other threads included.
inline ui::SkinPicture CaptureScreenRect(const RECT& r) {
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

// A dialog of the window's thread other than the main window and the
// function menu: the warning, or the question in its style.
inline HWND FindWarning(DWORD thread, HWND main) {
  struct Search {
    HWND main;
    HWND found;
  } search{main, nullptr};
  EnumThreadWindows(
      thread,
      [](HWND hwnd, LPARAM out) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(out);
        wchar_t cls[32] = {};
        GetClassNameW(hwnd, cls, 32);
        if (hwnd != s.main && std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd) &&
            win::WindowText(hwnd) != L"MainMenuDlg") {
          s.found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

using testing::QueuedFileDialogs;

class MainWindowPointerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(testing::ProgramImage(), nullptr);
    win::SetResourceModule(testing::ProgramImage());
    testing::StageProgramData(dir_.path());
  }
  void TearDown() override {
    EXPECT_TRUE(mouse_.ProtocolErrors().empty()) << mouse_.ProtocolErrors().front();
    win::SetResourceModule(nullptr);
  }

  Text ExeDir() const { return FromWide(dir_.path().wstring()); }
  std::wstring ConfigPath() const { return (dir_.path() / "config.ini").wstring(); }
  std::wstring ConfigValue(const wchar_t* section, const wchar_t* key) const {
    wchar_t value[64] = {};
    GetPrivateProfileStringW(section, key, L"?", value, 64, ConfigPath().c_str());
    return value;
  }
  void SetLanguage(int language) {
    WritePrivateProfileStringW(L"Init", L"VER_SEL", std::to_wstring(language).c_str(), ConfigPath().c_str());
  }

  AppComposition Composition() {
    hid_ = std::make_unique<VirtualHidSystem>(mouse_, VirtualHidSystem::Options{});
    AppComposition composition;
    composition.hid = hid_.get();
    composition.makeTransport = [this](const DeviceLink& link) {
      return std::make_unique<VirtualHidTransport>(link, *hid_);
    };
    composition.onMainWindowReady = [](HWND window) { PostMessageW(window, kProbe, 0, 0); };
    composition.messages = &messages_;
    composition.system = &system_;
    composition.launcher = &launcher_;
    composition.fileDialogs = &file_dialogs_;
    return composition;
  }

  // Runs the window: placed, shown in front, then `script`; Exit Driver ends it.
  void Run(PointerDialog& dialog, std::function<void(PointerDialog&)> script) {
    dialog.on_probe = [script = std::move(script)](PointerDialog& d) {
      SetWindowPos(d.hwnd(), HWND_TOPMOST, kWindowPlace.x, kWindowPlace.y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
      SetForegroundWindow(d.hwnd());
      PumpFor(100);
      script(d);
      PostMessageW(d.hwnd(), WM_COMMAND, MAKEWPARAM(ID_EN_EXIT_DRIVER, 0), 0);
    };
    dialog.DoModal();
    dialog.EndRun();
  }

  // The screen point of a client point.
  static POINT OnScreen(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return client;
  }
  // Moves the pointer onto a client point and waits until the window has
  // taken the move.
  static bool Hover(PointerDialog& d, POINT client) {
    const int before = d.moves;
    MoveTo(OnScreen(d.hwnd(), client));
    return PumpUntil([&] { return d.moves > before; }) && PumpUntil([] { return true; });
  }
  static bool Click(PointerDialog& d, POINT client) {
    if (!Hover(d, client)) return false;
    const int released = d.releases;
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    return PumpUntil([&] { return d.releases > released; });
  }
  static bool ClickMain(PointerDialog& d, int entry) {
    const ui::SkinEntry& e = d.core()->skin.MainEntries[static_cast<std::size_t>(entry)];
    if (e.width <= 0 || e.height <= 0) return false;
    return Click(d, Centre(e));
  }
  static bool ClickAdvanced(PointerDialog& d, int entry) {
    const ui::SkinEntry& e = d.core()->skin.AdvancedEntries[static_cast<std::size_t>(entry)];
    if (e.width <= 0 || e.height <= 0) return false;
    return Click(d, Centre(e));
  }

  // Clicks Defaults and answers its question with real pointer input: its
  // first button (yes) or its second. Returns whether the question showed
  // and was answered by the click. With `shot`, the question as it showed.
  static bool ClickDefaultsAndAnswer(PointerDialog& d, bool yes, ui::SkinPicture* shot = nullptr) {
    const DWORD thread = GetCurrentThreadId();
    const HWND main = d.hwnd();
    const ui::WarningLayout layout = d.core()->warning;
    std::atomic<bool> seen{false}, answered{false};
    std::thread user([&] {
      HWND question = nullptr;
      for (int i = 0; i < 1000 && question == nullptr; ++i) {
        Sleep(10);
        question = FindWarning(thread, main);
      }
      if (question == nullptr) return;
      seen = true;
      Sleep(150);
      RECT frame{};
      GetWindowRect(question, &frame);
      if (shot != nullptr) *shot = CaptureScreenRect(frame);
      const ui::SkinEntry& button = layout[yes ? 0 : 1];
      const POINT at{frame.left + button.x + button.width / 2, frame.top + button.y + button.height / 2};
      MoveTo(at);
      for (int i = 0; i < 300; ++i) {
        POINT now{};
        GetCursorPos(&now);
        if (now.x == at.x && now.y == at.y) break;
        Sleep(10);
      }
      SendMouse(MOUSEEVENTF_LEFTDOWN);
      SendMouse(MOUSEEVENTF_LEFTUP);
      for (int i = 0; i < 500 && IsWindow(question) && IsWindowVisible(question); ++i) Sleep(10);
      answered = !IsWindow(question) || !IsWindowVisible(question);
      if (!answered) {
        const LPARAM client = MAKELPARAM(button.x + button.width / 2, button.y + button.height / 2);
        PostMessageW(question, WM_MOUSEMOVE, 0, client);
        PostMessageW(question, WM_LBUTTONUP, 0, client);
      }
    });
    const bool clicked = ClickMain(d, 16);
    user.join();
    return clicked && seen && answered;
  }

  testing::TempDir dir_;
  SteadyClock clock_;
  VirtualMouse mouse_{clock_};
  std::unique_ptr<VirtualHidSystem> hid_;
  testing::RecordingMessages messages_;
  RecordingSystemSettings system_;
  RecordingLauncher launcher_;
  QueuedFileDialogs file_dialogs_;
  testing::MouseSettingsGuard mouse_settings_;
};

}  // namespace
}  // namespace zlv
