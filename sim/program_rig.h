// The program's objects around a virtual mouse, on the clock a test or
// benchmark chooses: the report protocol, an in-memory config.ini, the
// settings model, the macro tables and the reader/player hand-over.
// Header-only, so the benchmarks use it too.
#pragma once

#include "sim/memory_file_store.h"
#include "device/input_reader.h"
#include "device/mouse_protocol.h"
#include "device/system_settings.h"
#include "sim/virtual_mouse.h"
#include "macro/macro_tables.h"
#include "settings/ini_file.h"
#include "settings/profile_settings.h"

namespace zlv::testing {

template <typename ClockType>
struct ProgramRig {
  ClockType clock;
  VirtualMouse mouse{clock};
  VirtualMouseLink link{mouse};
  MouseProtocol protocol{link, clock};
  MemoryFileStore files;
  IniStore ini{files};
  SettingsModel settings{ini};
  RecordingSystemSettings system;
  MacroTables tables;
  ButtonHandOver handOver;
};

}  // namespace zlv::testing
