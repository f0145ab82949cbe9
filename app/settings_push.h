// The settings push: the current profile to the mouse and to Windows, with
// the files that record what was applied. Run at start-up, by the apply
// control, on power events and after restoring the defaults.
#pragma once

#include <functional>

#include "device/mouse_protocol.h"
#include "device/system_settings.h"
#include "settings/profile_settings.h"

namespace zlv {

// Window thread, in this order: makes the profile sendable (so what is sent,
// shown and saved agree), writes [Init] CurConfig and the applied snapshot
// [Config6], sends the button, wheel, DPI and LED reports, repaints, sets the
// Windows pointer speed and wheel lines (when they can be read), sends the
// fire time and saves the current profile. What was sent becomes
// `settings.applied`. Returns whether config.ini took every write (the
// reports are sent either way). A push asked for while one is under way (a
// power event taken while the Windows settings change is broadcast) runs
// once, right after it.
bool PushAllSettings(SettingsModel& settings, MouseProtocol& protocol, SystemSettings& system,
                     const std::function<void()>& invalidateWindow);

}  // namespace zlv
