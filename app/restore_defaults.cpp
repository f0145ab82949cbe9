#include "app/restore_defaults.h"

#include "app/settings_push.h"

namespace zlv {

void RestoreDefaults(RestoreDefaultsContext& c) {
  // Write failures are not reported to the user; the push still happens so
  // the mouse matches what the window shows.
  c.settings.RestoreDefaultSettings();
  RestoreDefaultMacros(c.settings.ini(), c.messages, c.locations, c.settings.UiLanguage,
                       c.macros, c.macro_state, c.refresh_macro_list);
  PushAllSettings(c.settings, c.protocol, c.system, c.invalidate_window);
}

}  // namespace zlv
