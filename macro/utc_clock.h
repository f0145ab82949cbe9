// The time of day in UTC, injectable so the recorder's timing runs on virtual
// time in tests. The Windows clock reads GetSystemTime (utc_clock_win32.h).
#pragma once

#include <cstdint>

namespace zlv {

inline constexpr std::int32_t kMillisecondsPerDay = 86'400'000;

struct UtcTimeOfDay {
  int hour = 0;         // 0..23
  int minute = 0;       // 0..59
  int second = 0;       // 0..59
  int millisecond = 0;  // 0..999
};

class UtcClock {
 public:
  virtual ~UtcClock() = default;
  virtual UtcTimeOfDay Now() = 0;
};

// ((hour * 60 + minute) * 60 + second) * 1000 + millisecond, 0..86399999 for a
// valid time.
std::int64_t MillisecondOfDay(const UtcTimeOfDay& time);

}  // namespace zlv
