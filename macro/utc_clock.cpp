#include "macro/utc_clock.h"

namespace zlv {

std::int64_t MillisecondOfDay(const UtcTimeOfDay& time) {
  return ((std::int64_t{time.hour} * 60 + time.minute) * 60 + time.second) * 1000 +
         time.millisecond;
}

}  // namespace zlv
