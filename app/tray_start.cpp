#include "app/tray_start.h"

#include "app/startup_task.h"
#include "app/window_title.h"

namespace zlv {

StartOptions ParseStartArguments(std::span<const Text> arguments) {
  StartOptions start;
  for (const Text& argument : arguments) {
    if (EqualsIgnoreCase(argument, kTrayStartArgument)) start.tray = true;
  }
  return start;
}

SecondStartAction OnSecondStart(const StartOptions& start) {
  return start.tray ? SecondStartAction::kLeaveItAlone : SecondStartAction::kRestoreRunningWindow;
}

TextView WaitingTrayTip(std::int32_t uiLanguage) {
  if (uiLanguage == kUiEnglish) return u"Zelvan Gaming Mouse: waiting for the mouse";
  return u"泽凡电竞游戏鼠标驱动：等待插入鼠标";
}

TrayDeviceAction DecideTrayDeviceChange(bool mousePresent, std::uint32_t event, const DeviceBroadcast* header,
                                        bool matchesRecorded) {
  if (header == nullptr || header->deviceType != kDeviceTypeInterface) return TrayDeviceAction::kIgnore;
  if (!mousePresent) return event == kDeviceArrival ? TrayDeviceAction::kTakeMouse : TrayDeviceAction::kIgnore;
  if (event == kDeviceRemoveComplete && matchesRecorded) return TrayDeviceAction::kReleaseMouse;
  return TrayDeviceAction::kIgnore;
}

}  // namespace zlv
