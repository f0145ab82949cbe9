// The real Windows mouse settings, read and changed through the program's
// settings layer. The settings live in the user's profile (the Wine prefix's
// registry under Wine), so every test puts back what it found.
#include "device/system_settings_win32.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/windows_support.h"

namespace zlv {
namespace {

// The value as the user's profile stores it (REG_SZ decimal text).
std::wstring ProfileValue(const wchar_t* key, const wchar_t* name) {
  wchar_t buffer[64] = {};
  DWORD size = sizeof(buffer);
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
      ERROR_SUCCESS) {
    return L"<missing>";
  }
  return buffer;
}

// A hidden top-level window that notes the WM_SETTINGCHANGE broadcasts it gets.
class SettingChangeWatcher {
 public:
  SettingChangeWatcher() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &SettingChangeWatcher::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, kClass, L"zlv settings watcher", WS_OVERLAPPED, 0, 0, 10, 10,
                            nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~SettingChangeWatcher() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  SettingChangeWatcher(const SettingChangeWatcher&) = delete;
  SettingChangeWatcher& operator=(const SettingChangeWatcher&) = delete;

  bool created() const { return hwnd_ != nullptr; }
  const std::vector<WPARAM>& actions() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    return actions_;
  }

 private:
  static constexpr const wchar_t* kClass = L"ZlvSettingChangeWatcher";
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_SETTINGCHANGE) {
      auto* self = reinterpret_cast<SettingChangeWatcher*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      if (self) self->actions_.push_back(wparam);
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }

  HWND hwnd_ = nullptr;
  std::vector<WPARAM> actions_;
};

class Win32SystemSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    original_speed_ = settings_.PointerSpeed();
    original_lines_ = settings_.WheelScrollLines();
    ASSERT_TRUE(original_speed_.has_value());
    ASSERT_TRUE(original_lines_.has_value());
  }

  testing::MouseSettingsGuard restore_;
  Win32SystemSettings settings_;
  std::optional<int> original_speed_;
  std::optional<int> original_lines_;
};

TEST_F(Win32SystemSettingsTest, ReadsTheCurrentValues) {
  EXPECT_GE(*original_speed_, 1);
  EXPECT_LE(*original_speed_, 20);
  // WHEEL_PAGESCROLL (one screen per notch) reads back as -1.
  EXPECT_GE(*original_lines_, -1);
}

TEST_F(Win32SystemSettingsTest, WheelLinesAreSetAndStoredInTheProfile) {
  for (int lines : {1, 7, 20, 0}) {
    SCOPED_TRACE(lines);
    settings_.SetWheelScrollLines(lines);
    EXPECT_EQ(settings_.WheelScrollLines(), lines);
    EXPECT_EQ(ProfileValue(L"Control Panel\\Desktop", L"WheelScrollLines"),
              std::to_wstring(lines));
  }
}

TEST_F(Win32SystemSettingsTest, PointerSpeedIsSetAndAnnounced) {
  const int target = *original_speed_ == 17 ? 4 : 17;
  SettingChangeWatcher watcher;
  ASSERT_TRUE(watcher.created()) << "no window (is an X display set under Wine?)";

  settings_.SetPointerSpeed(target);

  EXPECT_THAT(watcher.actions(), ::testing::Contains(WPARAM{SPI_SETMOUSESPEED}))
      << "running programs were not told about the new speed";
  if (testing::RunningUnderWine()) {
    // Wine 8 reads the speed from uiParam and stores 0 for the documented
    // call, so the value that comes back says nothing about this code; the
    // arguments themselves are checked below, at the system call.
    return;
  }
  EXPECT_EQ(settings_.PointerSpeed(), target);
}

// What each operation hands SystemParametersInfoW, recorded instead of
// carried out. A read answers with `answer`, or fails when it is empty.
struct ParametersCall {
  UINT action;
  UINT uiParam;
  std::intptr_t pvParam;  // the pointer argument itself; 0 for a read's buffer
  UINT flags;
  friend bool operator==(const ParametersCall&, const ParametersCall&) = default;
};
std::vector<ParametersCall> g_calls;
std::optional<int> g_answer;

BOOL WINAPI RecordParametersCall(UINT action, UINT uiParam, PVOID pvParam, UINT flags) {
  const bool read = action == SPI_GETMOUSESPEED || action == SPI_GETWHEELSCROLLLINES;
  g_calls.push_back({action, uiParam, read ? 0 : reinterpret_cast<std::intptr_t>(pvParam), flags});
  if (!read) return TRUE;
  if (!g_answer) return FALSE;
  if (action == SPI_GETMOUSESPEED) *static_cast<int*>(pvParam) = *g_answer;
  if (action == SPI_GETWHEELSCROLLLINES) *static_cast<UINT*>(pvParam) = static_cast<UINT>(*g_answer);
  return TRUE;
}

TEST(Win32SystemSettingsCalls, ValuesTravelInTheArgumentsWindowsReads) {
  Win32SystemSettings settings(&RecordParametersCall);
  constexpr UINT kStoreAndAnnounce = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;
  struct Case {
    const char* what;
    std::function<void()> act;
    ParametersCall expected;
  };
  const Case cases[] = {
      // The speed is the pointer argument itself, not a value behind it.
      {"speed 17", [&] { settings.SetPointerSpeed(17); }, {SPI_SETMOUSESPEED, 0, 17, kStoreAndAnnounce}},
      {"speed 10", [&] { settings.SetPointerSpeed(10); }, {SPI_SETMOUSESPEED, 0, 10, kStoreAndAnnounce}},
      {"speed 1", [&] { settings.SetPointerSpeed(1); }, {SPI_SETMOUSESPEED, 0, 1, kStoreAndAnnounce}},
      // The lines travel in the integer argument and are stored, not announced.
      {"lines 7", [&] { settings.SetWheelScrollLines(7); },
       {SPI_SETWHEELSCROLLLINES, 7, 0, SPIF_UPDATEINIFILE}},
      {"lines 0", [&] { settings.SetWheelScrollLines(0); },
       {SPI_SETWHEELSCROLLLINES, 0, 0, SPIF_UPDATEINIFILE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_calls.clear();
    c.act();
    EXPECT_THAT(g_calls, ::testing::ElementsAre(c.expected));
  }
}

TEST(Win32SystemSettingsCalls, ReadsGiveTheSystemsAnswerOrNothingWhenItFails) {
  Win32SystemSettings settings(&RecordParametersCall);
  g_answer = 13;
  EXPECT_EQ(settings.PointerSpeed(), 13);
  EXPECT_EQ(settings.WheelScrollLines(), 13);
  g_answer.reset();
  EXPECT_EQ(settings.PointerSpeed(), std::nullopt);
  EXPECT_EQ(settings.WheelScrollLines(), std::nullopt);
  g_calls.clear();
}

}  // namespace
}  // namespace zlv
