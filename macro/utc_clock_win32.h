// The system's UTC time of day (GetSystemTime).
#pragma once

#include "macro/utc_clock.h"

namespace zlv {

class SystemUtcClock final : public UtcClock {
 public:
  UtcTimeOfDay Now() override;
};

}  // namespace zlv
