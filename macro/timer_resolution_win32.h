// The Windows multimedia timer resolution (winmm).
#pragma once

#include "macro/timer_resolution.h"

namespace zlv {

class WinmmTimerResolution final : public TimerResolution {
 public:
  // timeBeginPeriod(1) / timeEndPeriod(1).
  void Raise() override;
  void Restore() override;
};

}  // namespace zlv
