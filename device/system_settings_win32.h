// The pointer speed and wheel scroll lines of the Windows user, through
// SystemParametersInfoW.
#pragma once

#include <optional>

#include "device/system_settings.h"

namespace zlv {

class Win32SystemSettings final : public SystemSettings {
 public:
  std::optional<int> PointerSpeed() override;
  void SetPointerSpeed(int speed) override;
  std::optional<int> WheelScrollLines() override;
  void SetWheelScrollLines(int lines) override;
};

}  // namespace zlv
