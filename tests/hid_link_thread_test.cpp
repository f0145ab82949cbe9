// The demo's device link with its threads: the reader runs before the scan,
// the scan sets the handles under it, and the reader then stops cleanly
// while blocked in the mouse.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "base/clock.h"
#include "device/device_link.h"
#include "device/input_reader.h"
#include "sim/forwarding_transport.h"
#include "sim/virtual_hid_system.h"
#include "sim/virtual_mouse.h"
#include "tests/support/test_support.h"

namespace zlv {
namespace {

using testing::WaitUntil;

// The demo's transport, counting the reader's reads: how many failed, and
// whether one is under way (blocked in the mouse once the handles are set).
class CountingTransport final : public ForwardingTransport {
 public:
  using ForwardingTransport::ForwardingTransport;

  bool ReadInputReport(std::uint8_t* data, std::size_t length) override {
    ++started_;
    const bool read = ForwardingTransport::ReadInputReport(data, length);
    if (!read) ++failed_;
    ++finished_;
    return read;
  }

  int FailedReads() const { return failed_.load(); }
  bool InRead() const { return started_.load() > finished_.load(); }

 private:
  std::atomic<int> started_{0};
  std::atomic<int> finished_{0};
  std::atomic<int> failed_{0};
};

TEST(HidLinkThreads, ReaderStartedBeforeTheScanPicksUpTheMouseAndStops) {
  SteadyClock clock;
  VirtualMouse mouse(clock);
  VirtualHidSystem hid(mouse);
  DeviceLink link;
  VirtualHidTransport virtualTransport(link, hid);
  CountingTransport transport(virtualTransport);
  ProfileSettings settings;
  settings.MacroMode = 0;
  ButtonHandOver handOver;
  InputReader reader(transport, settings, handOver, clock);
  reader.Start();
  // Spins through failed reads while the handles are 0.
  ASSERT_TRUE(WaitUntil([&] { return transport.FailedReads() >= 2; }));

  ASSERT_TRUE(ScanDevice(link, hid, 1));
  const std::uint8_t announce[8] = {0x07, 0x10, 3, 0, 0, 0, 0, 0};
  ASSERT_TRUE(transport.SendFeatureReport(announce, sizeof announce));
  mouse.PressButton(3);

  ASSERT_TRUE(WaitUntil([&] { return reader.ReportsApplied() == 1; }));
  EXPECT_EQ(handOver.ButtonEventPending.load(), 1);
  EXPECT_EQ(handOver.PendingButtonCode.load(), 0xF3);
  // Blocked in the mouse now (nothing more is queued); stopping cancels the
  // read and joins.
  ASSERT_TRUE(WaitUntil([&] { return transport.InRead(); }));
  ASSERT_EQ(mouse.PendingInputReports(), 0u);
  const int failedBeforeStop = transport.FailedReads();
  reader.Stop();
  EXPECT_EQ(reader.ReportsApplied(), 1u);
  // The cancelled read is the one failure the stop adds.
  EXPECT_EQ(transport.FailedReads(), failedBeforeStop + 1);
}

}  // namespace
}  // namespace zlv
