// The virtual HID interfaces of the demo build: the scan finds the virtual
// mouse among them, the transport reaches it through the handles the scan
// opened, and unplugging it ends the program through the removal handling.
#include <gtest/gtest.h>

#include <vector>

#include "base/clock.h"
#include "device/device_link.h"
#include "device/mouse_protocol.h"
#include "sim/virtual_hid_system.h"
#include "sim/virtual_mouse.h"

namespace zlv {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr NotifyTarget kWindow = 0x77;

class VirtualHidTest : public ::testing::Test {
 protected:
  // Delivers notifications like WM_DEVICECHANGE messages: to the handler while
  // the window exists; the shutdown destroys it.
  void ConnectWindow() {
    hid.SetNotifier([this](NotifyTarget window, std::uint32_t event, const DeviceBroadcast& header) {
      ++notifications;
      if (window != kWindow || !windowAlive) return;
      HandleDeviceChange(link, hid, window, event, &header, [this] {
        ++shutdowns;
        windowAlive = false;
      });
    });
  }

  ManualClock clock;
  VirtualMouse mouse{clock};
  VirtualHidSystem hid{mouse};
  DeviceLink link;
  VirtualHidTransport transport{link, hid};
  bool windowAlive = true;
  int notifications = 0;
  int shutdowns = 0;
};

TEST_F(VirtualHidTest, ScanFindsTheVirtualMouseBesideTheOtherDevices) {
  ASSERT_TRUE(ScanDevice(link, hid, kWindow));

  EXPECT_TRUE(IsOpenHandle(link.HidReadHandle));
  EXPECT_TRUE(IsOpenHandle(link.HidWriteHandle));
  EXPECT_EQ(link.InputCaps().usagePage, 0xFF00);
  EXPECT_EQ(link.FeatureCaps().usagePage, 0xFF01);
  const std::vector<Text> paths = hid.MousePaths();
  ASSERT_EQ(paths.size(), 4u);
  EXPECT_EQ(link.DevicePath, paths[3]);
  // The mouse's four probes and its two collections; the other devices'
  // probes were closed.
  EXPECT_EQ(hid.OpenHandleCount(), 6u);
  EXPECT_EQ(hid.RegistrationCount(), 4u);
  EXPECT_EQ(transport.FeatureReportLength(), mouse.FeatureCollection().featureReportByteLength);
  EXPECT_EQ(transport.InputReportLength(), mouse.InputCollection().inputReportByteLength);
}

TEST_F(VirtualHidTest, TransportReachesTheMouseOnlyThroughTheScannedHandles) {
  const Bytes report{7, 0x11, 1, 0, 0, 0, 0, 0};
  Bytes in(8);
  // Before the scan both handles are 0: the write handle counts as usable,
  // but sends and reads fail at once.
  EXPECT_TRUE(transport.WriteHandleUsable());
  EXPECT_FALSE(transport.SendFeatureReport(report.data(), report.size()));
  EXPECT_FALSE(transport.ReadInputReport(in.data(), in.size()));
  EXPECT_TRUE(mouse.Log().empty());

  ASSERT_TRUE(ScanDevice(link, hid, kWindow));
  EXPECT_TRUE(transport.SendFeatureReport(report.data(), report.size()));
  EXPECT_EQ(mouse.State().wheel, 1);

  mouse.QueueInputReport({7, 0xF3, 0x01});
  ASSERT_TRUE(transport.ReadInputReport(in.data(), in.size()));
  EXPECT_EQ(HexBytes(in, 3), "07 f3 01");

  // Swapped handles reach nothing: reads need the input collection, sends
  // the feature collection.
  const HidHandle read = link.HidReadHandle;
  link.HidReadHandle = link.HidWriteHandle.load();
  link.HidWriteHandle = read;
  mouse.QueueInputReport({7, 0xF3, 0x80});
  EXPECT_FALSE(transport.SendFeatureReport(report.data(), report.size()));
  EXPECT_FALSE(transport.ReadInputReport(in.data(), in.size()));
  EXPECT_EQ(mouse.Log().size(), 1u);

  link.HidWriteHandle = kInvalidHandle;
  EXPECT_FALSE(transport.WriteHandleUsable());
}

TEST_F(VirtualHidTest, SettingsPushArrivesWithoutProtocolErrors) {
  ASSERT_TRUE(ScanDevice(link, hid, kWindow));
  MouseProtocol protocol(transport, clock);
  protocol.SendKeyEvent(0x04, 1);
  protocol.SendKeyEvent(0x04, 2);
  protocol.DriverExitCommand();
  EXPECT_EQ(mouse.Log().size(), 3u);
  EXPECT_TRUE(mouse.ProtocolErrors().empty());
  EXPECT_TRUE(mouse.State().exitSeen);
}

TEST_F(VirtualHidTest, UnplugShutsDownOnceAndCutsTheLink) {
  ConnectWindow();
  ASSERT_TRUE(ScanDevice(link, hid, kWindow));

  hid.UnplugMouse();

  EXPECT_FALSE(hid.MousePlugged());
  EXPECT_FALSE(link.DevicePresent);
  EXPECT_EQ(shutdowns, 1);
  // A removal per interface of the mouse and per registration.
  EXPECT_EQ(notifications, 16);
  const Bytes report{7, 0x20, 0, 0, 0, 0, 0, 0};
  Bytes in(8);
  EXPECT_FALSE(transport.SendFeatureReport(report.data(), report.size()));
  mouse.QueueInputReport({7, 0xF3, 0x01});
  EXPECT_FALSE(transport.ReadInputReport(in.data(), in.size()));
  EXPECT_TRUE(mouse.Log().empty());

  hid.UnplugMouse();
  EXPECT_EQ(notifications, 16);
}

TEST_F(VirtualHidTest, ArrivalAfterRemovalScansAgain) {
  ConnectWindow();
  ASSERT_TRUE(ScanDevice(link, hid, kWindow));
  hid.UnplugMouse();
  ASSERT_FALSE(link.DevicePresent);
  windowAlive = true;  // a window that outlived the shutdown call

  hid.PlugInMouse();

  EXPECT_TRUE(hid.MousePlugged());
  EXPECT_TRUE(link.DevicePresent);
}

TEST(VirtualHidSystem, MouseUnpluggedAtStartIsNotFoundAndNothingStaysOpen) {
  ManualClock clock;
  VirtualMouse mouse{clock};
  VirtualHidSystem hid{mouse, {.otherDevices = true, .mousePlugged = false}};
  DeviceLink link;

  EXPECT_FALSE(ScanDevice(link, hid, kWindow));

  EXPECT_EQ(link.HidReadHandle, kNoHandle);
  EXPECT_EQ(link.HidWriteHandle, kNoHandle);
  EXPECT_EQ(hid.OpenHandleCount(), 0u);
  EXPECT_EQ(hid.RegistrationCount(), 0u);
}

}  // namespace
}  // namespace zlv
