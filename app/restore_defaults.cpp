#include "app/restore_defaults.h"

#include "app/settings_push.h"

namespace zlv {

bool RestoreDefaults(RestoreDefaultsContext& c) {
  // The push happens after a failed write too, so the mouse matches what the
  // window shows; the caller says what could not be saved.
  const bool settingsSaved = c.settings.RestoreDefaultSettings();
  const bool macrosSaved = RestoreDefaultMacros(c.settings.ini(), c.messages, c.locations,
                                                c.settings.UiLanguage, c.macros, c.macro_state,
                                                c.refresh_macro_list);
  const bool pushSaved = PushAllSettings(c.settings, c.protocol, c.system, c.invalidate_window);
  return settingsSaved && macrosSaved && pushSaved;
}

}  // namespace zlv
