#include <gtest/gtest.h>

#include "app/shell_commands.h"

namespace zlv {
namespace {

TEST(TrayNotification, OnlyOurIconsDoubleClickAndRightClickAct) {
  struct Case {
    std::uintptr_t icon;
    std::uint32_t message;
    TrayAction action;
    std::intptr_t result;
  };
  const Case cases[] = {
      {153, 0x0203, TrayAction::kShowWindow, 0},
      {153, 0x0205, TrayAction::kOpenMenu, 0},
      {153, 0x0201, TrayAction::kNone, 0},  // a single click
      {153, 0x0200, TrayAction::kNone, 0},  // the pointer passing over
      {154, 0x0203, TrayAction::kNone, 1},  // another icon
  };
  for (const Case& c : cases) {
    const TrayDecision d = OnTrayNotification(c.icon, c.message);
    EXPECT_EQ(d.action, c.action) << c.icon << "/" << c.message;
    EXPECT_EQ(d.result, c.result) << c.icon << "/" << c.message;
  }
}

TEST(TrayMenu, CommandsOfBothLanguages) {
  EXPECT_EQ(TrayMenuCommand(32801), MenuCommand::kShowWindow);
  EXPECT_EQ(TrayMenuCommand(32837), MenuCommand::kShowWindow);
  EXPECT_EQ(TrayMenuCommand(32800), MenuCommand::kExitDriver);
  EXPECT_EQ(TrayMenuCommand(32838), MenuCommand::kExitDriver);
  EXPECT_EQ(TrayMenuCommand(32839), MenuCommand::kStartWithWindows);
  EXPECT_EQ(TrayMenuCommand(32840), MenuCommand::kStartWithWindows);
  EXPECT_EQ(TrayMenuCommand(32802), MenuCommand::kNone);
  // The item the menu checks is the one of its language.
  EXPECT_EQ(TrayMenuCommand(StartWithWindowsCommandId(1)), MenuCommand::kStartWithWindows);
  EXPECT_EQ(StartWithWindowsCommandId(1), 32839u);
  EXPECT_EQ(StartWithWindowsCommandId(0), 32840u);
}

TEST(SystemMenu, AboutAndMinimizeIgnoreTheLowBits) {
  EXPECT_EQ(OnSysCommand(0x10), SysCommandAction::kAboutBox);
  EXPECT_EQ(OnSysCommand(0x1F), SysCommandAction::kAboutBox);
  EXPECT_EQ(OnSysCommand(0xF020), SysCommandAction::kMinimize);
  EXPECT_EQ(OnSysCommand(0xF022), SysCommandAction::kMinimize);
  EXPECT_EQ(OnSysCommand(0xF060), SysCommandAction::kDefault);  // close
  EXPECT_EQ(OnSysCommand(0x20), SysCommandAction::kDefault);
}

TEST(TrayTip, IsTheTitleInTheLanguage) {
  EXPECT_EQ(TrayTip(1), u"Zelvan Gaming Mouse");
  EXPECT_EQ(TrayTip(0), u"泽凡电竞游戏鼠标驱动");
}

}  // namespace
}  // namespace zlv
