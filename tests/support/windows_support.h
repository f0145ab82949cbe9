// Helpers of the Windows tests for what they share with the system: whether
// they run under Wine, real keystrokes, and the Windows mouse settings the
// program changes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cwchar>

namespace zlv::testing {

inline bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A key pressed or released through the system's input queue (SendInput).
inline void SendKey(WORD virtualKey, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = virtualKey;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof(INPUT));
}
// A key pressed and released.
inline void TapKey(WORD virtualKey) {
  SendKey(virtualKey, true);
  SendKey(virtualKey, false);
}

// Sets the pointer speed where both Windows (the pointer argument) and Wine
// (the integer argument) take it from.
inline void SetPointerSpeedEverywhere(int speed, UINT flags = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) {
  SystemParametersInfoW(SPI_SETMOUSESPEED, static_cast<UINT>(speed),
                        reinterpret_cast<PVOID>(static_cast<std::intptr_t>(speed)), flags);
}

// The pointer speed stored in the user's profile (-1 when missing): another
// process's change reaches it, while this process may keep the value it read
// before.
inline int StoredPointerSpeed() {
  wchar_t value[16] = {};
  DWORD bytes = sizeof(value);
  if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Mouse", L"MouseSensitivity", RRF_RT_REG_SZ,
                   nullptr, value, &bytes) != ERROR_SUCCESS) {
    return -1;
  }
  return static_cast<int>(std::wcstol(value, nullptr, 10));
}

// Puts the pointer speed and the wheel scroll lines back when the test ends:
// the program sets both, and they persist in the user's profile (the Wine
// prefix). Under Wine the documented pointer-speed call stores 0, which would
// stay in the prefix; a stored speed outside 1..20 comes back as 10.
class MouseSettingsGuard {
 public:
  MouseSettingsGuard() : speed_(StoredPointerSpeed()) {
    if (speed_ < 1 || speed_ > 20) speed_ = 10;
    if (!SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines_, 0)) lines_ = 3;
  }
  ~MouseSettingsGuard() {
    SetPointerSpeedEverywhere(speed_);
    SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, lines_, nullptr, SPIF_UPDATEINIFILE);
  }
  MouseSettingsGuard(const MouseSettingsGuard&) = delete;
  MouseSettingsGuard& operator=(const MouseSettingsGuard&) = delete;

  int speed() const { return speed_; }

 private:
  int speed_;
  UINT lines_ = 3;
};

}  // namespace zlv::testing
