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

// The demo's transport, counting the reader's reads: how many failed, and
// whether one is under way (blocked in the mouse once the handles are set).
class CountingTransport final : public HidTransport {
 public:
  explicit CountingTransport(HidTransport& inner) : inner_(inner) {}

  bool WriteHandleUsable() const override { return inner_.WriteHandleUsable(); }
  std::size_t FeatureReportLength() const override { return inner_.FeatureReportLength(); }
  bool SendFeatureReport(const std::uint8_t* data, std::size_t length) override {
    return inner_.SendFeatureReport(data, length);
  }
  std::size_t InputReportLength() const override { return inner_.InputReportLength(); }
  bool ReadInputReport(std::uint8_t* data, std::size_t length) override {
    ++started_;
    const bool read = inner_.ReadInputReport(data, length);
    if (!read) ++failed_;
    ++finished_;
    return read;
  }
  void CancelRead() override { inner_.CancelRead(); }

  int FailedReads() const { return failed_.load(); }
  bool InRead() const { return started_.load() > finished_.load(); }

 private:
  HidTransport& inner_;
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
