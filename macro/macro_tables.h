// The user and constant macro tables with the lock that keeps a record's
// fields together. The window thread holds the lock while it changes a record
// (an event with its delay, the count with the events, a whole record loaded
// from a file); the macro player holds it while it copies one step. Each byte
// is also read and written atomically by the record's accessors, but only the
// lock keeps a 16-bit delay or an event's value and type from being seen half
// old and half new.
#pragma once

#include <mutex>

#include "macro/macro_slot.h"

namespace zlv {

struct MacroTables {
  mutable std::mutex mutex;
  UserMacroTable user;
  ConstMacroTable constant;
};

}  // namespace zlv
