#include "app/shell_commands.h"

#include "app/window_title.h"

namespace zlv {

namespace {
constexpr std::uint32_t kLeftDoubleClick = 0x0203;  // WM_LBUTTONDBLCLK
constexpr std::uint32_t kRightButtonUp = 0x0205;    // WM_RBUTTONUP
}  // namespace

TrayDecision OnTrayNotification(std::uintptr_t iconId, std::uint32_t mouseMessage) {
  if (iconId != kTrayIconId) return {TrayAction::kNone, 1};
  switch (mouseMessage) {
    case kLeftDoubleClick:
      return {TrayAction::kShowWindow, 0};
    case kRightButtonUp:
      return {TrayAction::kOpenMenu, 0};
    default:
      return {TrayAction::kNone, 0};
  }
}

MenuCommand TrayMenuCommand(std::uint32_t commandId) {
  switch (commandId) {
    case 32801:  // "Show Window"
    case 32837:  // "显示窗口   "
      return MenuCommand::kShowWindow;
    case 32839:  // "Start with Windows"
    case 32840:  // "随Windows启动"
      return MenuCommand::kStartWithWindows;
    case 32800:  // "Exit Driver"
    case 32838:  // "关闭驱动"
      return MenuCommand::kExitDriver;
    default:
      return MenuCommand::kNone;
  }
}

SysCommandAction OnSysCommand(std::uintptr_t command) {
  const std::uintptr_t id = command & ~std::uintptr_t{0xF};
  if (id == kAboutCommand) return SysCommandAction::kAboutBox;
  if (id == kSysMinimize) return SysCommandAction::kMinimize;
  return SysCommandAction::kDefault;
}

std::uint32_t StartWithWindowsCommandId(std::int32_t uiLanguage) {
  return uiLanguage == kUiEnglish ? 32839 : 32840;
}

TextView TrayTip(std::int32_t uiLanguage) { return MainWindowTitle(uiLanguage); }

}  // namespace zlv
