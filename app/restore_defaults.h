// Restoring the factory defaults: the five profiles, the user macros of the
// interface language, and a push of everything to the mouse.
#pragma once

#include <functional>

#include "base/message_box.h"
#include "device/mouse_protocol.h"
#include "device/system_settings.h"
#include "macro/macro_file.h"
#include "macro/macro_slot.h"
#include "macro/macro_tables.h"
#include "settings/profile_settings.h"

namespace zlv {

struct RestoreDefaultsContext {
  SettingsModel& settings;
  MouseProtocol& protocol;
  SystemSettings& system;
  MessageBoxes& messages;
  MacroTables& macros;
  MacroEditState& macro_state;
  MacroFileLocations locations;
  // Set only while the advanced page is shown: rebuilds the macro list and
  // repaints once the default macros are loaded.
  std::function<void()> refresh_macro_list;
  // Repaints the main window during the push.
  std::function<void()> invalidate_window;
};

// Profiles 1..5 from the built-in table and the reset sections, the current
// profile loaded again, the default macros of the language loaded and saved as
// the language's macro file, then every setting pushed to the mouse (which
// also saves the applied snapshot and the current profile). Returns whether
// every file took its writes (the mouse is pushed either way).
bool RestoreDefaults(RestoreDefaultsContext& context);

}  // namespace zlv
