#include "app/settings_push.h"

namespace zlv {

namespace {

bool PushOnce(SettingsModel& settings, MouseProtocol& protocol, SystemSettings& system,
              const std::function<void()>& invalidateWindow) {
  ProfileSettings& profile = settings.profile;
  MakeSendable(profile);
  settings.applied = profile;
  bool saved = settings.SaveCurrentProfileNumber();
  saved = settings.SaveProfile(settings.ConfigPath, kAppliedSnapshot) && saved;

  const SettingsReports encoded = EncodeSettings(profile);
  protocol.TakeOverSettings(encoded);
  for (std::size_t k = 0; k < kFireTimeReport; ++k) protocol.Send(encoded.reports[k]);

  if (invalidateWindow) invalidateWindow();
  if (system.PointerSpeed()) system.SetPointerSpeed(WindowsPointerSpeed(profile.PointerSpeed));
  if (system.WheelScrollLines()) system.SetWheelScrollLines(WindowsWheelLines(profile.WheelLines));

  protocol.Send(encoded.reports[kFireTimeReport]);
  return settings.SaveProfile(settings.ConfigPath, settings.CurrentProfile) && saved;
}

// Pushes run on the window thread only. Setting the Windows values
// broadcasts the change, and the thread takes the messages sent to it while
// it waits: a power event among them asks for a push inside this one. It is
// held back and run once the push under way is done.
thread_local bool t_pushing = false;
thread_local bool t_push_again = false;

}  // namespace

bool PushAllSettings(SettingsModel& settings, MouseProtocol& protocol, SystemSettings& system,
                     const std::function<void()>& invalidateWindow) {
  if (t_pushing) {
    // The push under way runs again and reports its writes.
    t_push_again = true;
    return true;
  }
  t_pushing = true;
  bool saved = true;
  do {
    t_push_again = false;
    saved = PushOnce(settings, protocol, system, invalidateWindow) && saved;
  } while (t_push_again);
  t_pushing = false;
  return saved;
}

}  // namespace zlv
