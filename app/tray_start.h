// How the program starts: normally, or into the notification area (the start
// at logon passes "--tray"). A tray start shows no window until the user asks
// for it, and does without the mouse: it waits in the tray until the mouse is
// plugged in, and waits again when it is unplugged.
#pragma once

#include <cstdint>
#include <span>

#include "base/text.h"
#include "device/device_link.h"

namespace zlv {

struct StartOptions {
  bool tray = false;  // "--tray"
};

// The process's arguments after the program's own name: "--tray" (letter case
// ignored) starts in the tray; every other argument is ignored.
StartOptions ParseStartArguments(std::span<const Text> arguments);

// What a start does when another instance already runs: a normal start brings
// its window back; a tray start leaves it as it is (a start at logon must not
// pop up the window the user has hidden).
enum class SecondStartAction : std::uint8_t { kRestoreRunningWindow, kLeaveItAlone };
SecondStartAction OnSecondStart(const StartOptions& start);

// The tray tip while a tray start waits for the mouse.
TextView WaitingTrayTip(std::int32_t uiLanguage);

// What a device event does to a program started in the tray.
enum class TrayDeviceAction : std::uint8_t {
  kIgnore,
  kTakeMouse,     // scan; with both collections open, push the settings
  kReleaseMouse,  // close the mouse's handles and wait for it again
};

// While waiting (`mousePresent` false) any arrival of a device interface may
// be the mouse, whose path is not known yet: it is scanned for. While the
// mouse is there, the removal of its recorded interface (`matchesRecorded`)
// sends the program back to waiting. Everything else is ignored.
TrayDeviceAction DecideTrayDeviceChange(bool mousePresent, std::uint32_t event, const DeviceBroadcast* header,
                                        bool matchesRecorded);

}  // namespace zlv
