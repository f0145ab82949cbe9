#include "macro/utc_clock_win32.h"

#include <windows.h>

namespace zlv {

UtcTimeOfDay SystemUtcClock::Now() {
  SYSTEMTIME time{};
  GetSystemTime(&time);
  return {time.wHour, time.wMinute, time.wSecond, time.wMilliseconds};
}

}  // namespace zlv
