// The demo's device link with its threads: the reader runs before the scan,
// the scan sets the handles under it, and the reader then stops cleanly
// while blocked in the mouse.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/clock.h"
#include "device/device_link.h"
#include "device/input_reader.h"
#include "sim/virtual_hid_system.h"
#include "sim/virtual_mouse.h"

namespace zlv {
namespace {

template <typename Condition>
bool WaitUntil(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST(HidLinkThreads, ReaderStartedBeforeTheScanPicksUpTheMouseAndStops) {
  SteadyClock clock;
  VirtualMouse mouse(clock);
  VirtualHidSystem hid(mouse);
  DeviceLink link;
  VirtualHidTransport transport(link, hid);
  ProfileSettings settings;
  settings.MacroMode = 0;
  ButtonHandOver handOver;
  InputReader reader(transport, settings, handOver, clock);
  reader.Start();
  // Spins through failed reads while the handles are 0.
  std::this_thread::sleep_for(std::chrono::milliseconds(10));

  ASSERT_TRUE(ScanDevice(link, hid, 1));
  const std::uint8_t announce[8] = {0x07, 0x10, 3, 0, 0, 0, 0, 0};
  ASSERT_TRUE(transport.SendFeatureReport(announce, sizeof announce));
  mouse.PressButton(3);

  ASSERT_TRUE(WaitUntil([&] { return reader.ReportsApplied() == 1; }));
  EXPECT_EQ(handOver.ButtonEventPending.load(), 1);
  EXPECT_EQ(handOver.PendingButtonCode.load(), 0xF3);
  // Blocked in the mouse now; stopping cancels the read and joins.
  reader.Stop();
  EXPECT_EQ(reader.ReportsApplied(), 1u);
}

}  // namespace
}  // namespace zlv
