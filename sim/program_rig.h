// The program's objects around a virtual mouse, on the clock the user of the
// rig chooses: the report protocol, in-memory files, the settings model, the
// Windows settings, the macro tables and the reader/player hand-over. Tests,
// zlvctl and the benchmarks build on it; the input reader and the macro player
// (which need a launcher and a timer) are added by whoever runs them.
// Header-only, so every user picks its own clock type.
#pragma once

#include "device/input_reader.h"
#include "device/mouse_protocol.h"
#include "device/system_settings.h"
#include "macro/macro_tables.h"
#include "settings/ini_file.h"
#include "settings/profile_settings.h"
#include "sim/memory_file_store.h"
#include "sim/virtual_mouse.h"

namespace zlv {

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

  // Profile 1 of config file `configPath` (not written) with the built-in
  // defaults, as a clean start for a push.
  void UseDefaultProfile(TextView configPath) {
    settings.ConfigPath = Text(configPath);
    settings.CurrentProfile = 1;
    ApplyBuiltInDefaults(settings.profile);
  }
};

}  // namespace zlv
