// The pointer speed and wheel scroll lines of the Windows user, through
// SystemParametersInfoW.
#pragma once

#include <windows.h>

#include <optional>

#include "device/system_settings.h"

namespace zlv {

class Win32SystemSettings final : public SystemSettings {
 public:
  // The system call every operation goes through; tests put a recorder here
  // to see the arguments themselves, which Wine does not store as Windows does.
  using ParametersCall = BOOL(WINAPI*)(UINT action, UINT uiParam, PVOID pvParam, UINT flags);
  explicit Win32SystemSettings(ParametersCall call = &SystemParametersInfoW) : call_(call) {}

  std::optional<int> PointerSpeed() override;
  void SetPointerSpeed(int speed) override;
  std::optional<int> WheelScrollLines() override;
  void SetWheelScrollLines(int lines) override;

 private:
  ParametersCall call_;
};

}  // namespace zlv
