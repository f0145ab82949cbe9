#include <gtest/gtest.h>

#include <vector>

#include "app/tray_start.h"

namespace zlv {
namespace {

TEST(StartArguments, OnlyTrayCountsAndEverythingElseIsIgnored) {
  struct Case {
    std::vector<Text> arguments;
    bool tray;
  };
  const Case cases[] = {
      {{}, false},
      {{u"--tray"}, true},
      {{u"--TRAY"}, true},
      {{u"/S", u"--tray", u"whatever"}, true},
      {{u"-tray"}, false},
      {{u"--tray=1"}, false},
      {{u"tray"}, false},
      {{u""}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseStartArguments(c.arguments).tray, c.tray) << c.arguments.size();
  }
}

TEST(StartArguments, OnlyANormalSecondStartBringsTheRunningWindowBack) {
  EXPECT_EQ(OnSecondStart(StartOptions{}), SecondStartAction::kRestoreRunningWindow);
  EXPECT_EQ(OnSecondStart(StartOptions{.tray = true}), SecondStartAction::kLeaveItAlone);
}

TEST(TrayDeviceChange, WaitingTakesAnyArrivalAndPresentLetsGoOnlyOfItsOwnRemoval) {
  const DeviceBroadcast iface{kDeviceTypeInterface, u"\\\\?\\HID#VID_18F8&PID_1286&MI_00#x"};
  const DeviceBroadcast volume{2, u""};  // DBT_DEVTYP_VOLUME
  constexpr std::uint32_t kQueryRemove = 0x8001;
  struct Case {
    bool present;
    std::uint32_t event;
    const DeviceBroadcast* header;
    bool matches;
    TrayDeviceAction action;
  };
  const Case cases[] = {
      {false, kDeviceArrival, &iface, false, TrayDeviceAction::kTakeMouse},
      {false, kDeviceArrival, &iface, true, TrayDeviceAction::kTakeMouse},
      {false, kDeviceRemoveComplete, &iface, true, TrayDeviceAction::kIgnore},
      {false, kDeviceArrival, &volume, false, TrayDeviceAction::kIgnore},
      {false, kDeviceArrival, nullptr, false, TrayDeviceAction::kIgnore},
      {true, kDeviceRemoveComplete, &iface, true, TrayDeviceAction::kReleaseMouse},
      {true, kDeviceRemoveComplete, &iface, false, TrayDeviceAction::kIgnore},  // another device
      {true, kDeviceArrival, &iface, true, TrayDeviceAction::kIgnore},
      {true, kQueryRemove, &iface, true, TrayDeviceAction::kIgnore},
      {true, kDeviceRemoveComplete, nullptr, false, TrayDeviceAction::kIgnore},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecideTrayDeviceChange(c.present, c.event, c.header, c.matches), c.action)
        << "present " << c.present << ", event 0x" << std::hex << c.event << ", header " << (c.header != nullptr)
        << ", matches " << c.matches;
  }
}

}  // namespace
}  // namespace zlv
