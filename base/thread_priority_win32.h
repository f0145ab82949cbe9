// Priorities of the program's own threads.
#pragma once

namespace zlv {

// Raises the calling thread to THREAD_PRIORITY_HIGHEST, the priority the
// input reader and the macro player run at, so a busy desktop delays neither
// the hand-over of a press nor the timing of a macro. False when the system
// refused.
bool RaiseCurrentThreadToHighestPriority();

}  // namespace zlv
