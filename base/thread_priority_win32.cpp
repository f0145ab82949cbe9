#include "base/thread_priority_win32.h"

#include <windows.h>

namespace zlv {

bool RaiseCurrentThreadToHighestPriority() {
  return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST) != FALSE;
}

}  // namespace zlv
