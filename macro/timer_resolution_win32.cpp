#include "macro/timer_resolution_win32.h"

#include <windows.h>
#include <timeapi.h>

namespace zlv {

namespace {
constexpr UINT kPeriodMs = 1;
}  // namespace

void WinmmTimerResolution::Raise() { timeBeginPeriod(kPeriodMs); }

void WinmmTimerResolution::Restore() { timeEndPeriod(kPeriodMs); }

}  // namespace zlv
