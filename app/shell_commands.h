// Decisions behind the tray icon, the tray menu and the system menu; the
// Windows layer carries them out.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace zlv {

inline constexpr std::uint32_t kTrayIconId = 153;
inline constexpr std::uint32_t kTrayCallbackMessage = 0x0401;  // WM_USER + 1
inline constexpr std::uint32_t kAboutCommand = 0x10;
inline constexpr std::uint32_t kSysMinimize = 0xF020;

enum class TrayAction : std::uint8_t {
  kNone,
  kShowWindow,  // show, then restore
  kOpenMenu,    // the tray menu's pop-up at the pointer
};

struct TrayDecision {
  TrayAction action = TrayAction::kNone;
  std::intptr_t result = 0;  // what the message returns
};

// A tray notification: `iconId` is the first parameter, `mouseMessage` the second.
TrayDecision OnTrayNotification(std::uintptr_t iconId, std::uint32_t mouseMessage);

enum class MenuCommand : std::uint8_t { kNone, kShowWindow, kStartWithWindows, kExitDriver };
// The tray menu's commands in either language.
MenuCommand TrayMenuCommand(std::uint32_t commandId);

enum class SysCommandAction : std::uint8_t { kAboutBox, kMinimize, kDefault };
// The system menu's command, its low four bits ignored.
SysCommandAction OnSysCommand(std::uintptr_t command);

// The tray menu's "Start with Windows" item in the language (English 1).
std::uint32_t StartWithWindowsCommandId(std::int32_t uiLanguage);

// The tip of the tray icon when it is added.
TextView TrayTip(std::int32_t uiLanguage);

}  // namespace zlv
