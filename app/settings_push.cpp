#include "app/settings_push.h"

namespace zlv {

void PushAllSettings(SettingsModel& settings, MouseProtocol& protocol, SystemSettings& system,
                     const std::function<void()>& invalidateWindow) {
  ProfileSettings& profile = settings.profile;
  MakeSendable(profile);
  settings.SaveCurrentProfileNumber();
  settings.SaveProfile(settings.ConfigPath, kAppliedSnapshot);

  const SettingsReports encoded = EncodeSettings(profile);
  protocol.TakeOverSettings(encoded);
  for (std::size_t k = 0; k < kFireTimeReport; ++k) protocol.Send(encoded.reports[k]);

  if (invalidateWindow) invalidateWindow();
  if (system.PointerSpeed()) system.SetPointerSpeed(WindowsPointerSpeed(profile.PointerSpeed));
  if (system.WheelScrollLines()) system.SetWheelScrollLines(WindowsWheelLines(profile.WheelLines));

  protocol.Send(encoded.reports[kFireTimeReport]);
  settings.SaveProfile(settings.ConfigPath, settings.CurrentProfile);
}

}  // namespace zlv
