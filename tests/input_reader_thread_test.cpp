#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "sim/virtual_clock.h"
#include "device/input_reader.h"
#include "sim/virtual_mouse.h"

namespace zlv {
namespace {

// A transport whose reads fail or deliver what the test scripted, then block
// until cancelled.
class ScriptedTransport final : public HidTransport {
 public:
  // nullopt: a failed read.
  void Add(std::optional<std::vector<std::uint8_t>> read) {
    std::lock_guard lock(mutex_);
    script_.push_back(std::move(read));
    changed_.notify_all();
  }
  int Reads() const {
    std::lock_guard lock(mutex_);
    return reads_;
  }

  bool WriteHandleUsable() const override { return true; }
  std::size_t FeatureReportLength() const override { return 8; }
  bool SendFeatureReport(const std::uint8_t*, std::size_t) override { return true; }
  std::size_t InputReportLength() const override { return 8; }
  bool ReadInputReport(std::uint8_t* data, std::size_t length) override {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return cancelled_ || !script_.empty(); });
    if (cancelled_) return false;
    ++reads_;
    const auto read = std::move(script_.front());
    script_.pop_front();
    if (!read) return false;
    for (std::size_t i = 0; i < length; ++i) data[i] = i < read->size() ? (*read)[i] : 0;
    return true;
  }
  void CancelRead() override {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
  }
  void ResumeReads() override {
    std::lock_guard lock(mutex_);
    cancelled_ = false;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::optional<std::vector<std::uint8_t>>> script_;
  int reads_ = 0;
  bool cancelled_ = false;
};

class InputReaderThreadTest : public ::testing::Test {
 protected:
  InputReaderThreadTest() { settings.MacroMode = 0; }
  void WaitApplied(std::uint64_t n) {
    ASSERT_TRUE(clock.WaitFor([&] { return reader.ReportsApplied() >= n; })) << "reports applied: "
                                                                              << reader.ReportsApplied();
  }

  VirtualClock clock;
  ScriptedTransport transport;
  ProfileSettings settings;
  ButtonHandOver handOver;
  InputReader reader{transport, settings, handOver, clock, {nullptr, [this] { clock.Notify(); }}};
};

TEST_F(InputReaderThreadTest, HandsOverFromTheMouseInToggleMode) {
  VirtualMouse mouse(clock);
  VirtualMouseLink link(mouse);
  // Hardware button 3 announces its presses (device function 0).
  const std::uint8_t assign[8] = {0x07, 0x10, 3, 0, 0, 0, 0, 0};
  mouse.ReceiveFeatureReport(assign, sizeof assign);
  InputReader mouseReader(link, settings, handOver, clock, {nullptr, [&] { clock.Notify(); }});
  mouseReader.Start();

  mouse.PressButton(3);
  mouse.ReleaseButton(3);
  ASSERT_TRUE(clock.WaitFor([&] { return mouseReader.ReportsApplied() == 2; }));
  EXPECT_EQ(handOver.ButtonEventPending.load(), 1);
  EXPECT_EQ(handOver.PendingButtonCode.load(), 0xF3);
  EXPECT_EQ(handOver.MacroStopRequest.load(), 0);

  mouse.PressButton(3);
  ASSERT_TRUE(clock.WaitFor([&] { return mouseReader.ReportsApplied() == 3; }));
  EXPECT_EQ(handOver.MacroStopRequest.load(), 1);
  EXPECT_EQ(handOver.PendingButtonCode.load(), 0xF3);
  mouseReader.Stop();
}

TEST_F(InputReaderThreadTest, FailedReadsPauseAndChangeNothing) {
  settings.MacroMode = 1;
  reader.Start();
  transport.Add(std::nullopt);
  // After the failed read the reader waits 2 ms before it reads again.
  ASSERT_TRUE(clock.WaitFor([&] { return clock.Sleepers() == 1; }));
  EXPECT_EQ(clock.NextDeadline(), InputReader::kFailedReadPause);
  transport.Add(std::vector<std::uint8_t>{7, 0xF5, 1});
  transport.Add(std::vector<std::uint8_t>{7, 0xF5, 0x80});
  EXPECT_EQ(transport.Reads(), 1);
  EXPECT_EQ(reader.ReportsApplied(), 0u);

  clock.AdvanceTo(InputReader::kFailedReadPause);
  WaitApplied(2);
  // Successful reads follow each other without a pause.
  EXPECT_EQ(clock.Now(), InputReader::kFailedReadPause);
  EXPECT_EQ(handOver.ButtonEventPending.load(), 1);
  EXPECT_EQ(handOver.PendingButtonCode.load(), 0xF5);
  EXPECT_EQ(handOver.MacroStopRequest.load(), 1);
}

TEST_F(InputReaderThreadTest, StopEndsABlockedReadAndAPause) {
  reader.Start();
  transport.Add(std::vector<std::uint8_t>{7, 0xF1, 1});
  WaitApplied(1);
  reader.Stop();  // blocked in the read

  ScriptedTransport failing;
  InputReader paused(failing, settings, handOver, clock);
  paused.Start();
  failing.Add(std::nullopt);
  ASSERT_TRUE(clock.WaitFor([&] { return clock.Sleepers() == 1; }));
  paused.Stop();  // asleep after a failed read; time never moves
  EXPECT_EQ(clock.Now(), Nanos(0));
}

TEST_F(InputReaderThreadTest, ByteTwoTravelsWithItsPressNotWithLaterReports) {
  settings.MacroMode = 1;
  reader.Start();
  transport.Add(std::vector<std::uint8_t>{7, 0xF6, 2});
  transport.Add(std::vector<std::uint8_t>{7, 0xF6, 3});
  transport.Add(std::vector<std::uint8_t>{7, 0xF4, 1});
  WaitApplied(3);
  EXPECT_EQ(handOver.PendingButtonCode.load(), 0xF6);
  EXPECT_EQ(handOver.PendingButtonValue.load(), 2);
  EXPECT_EQ(handOver.MacroStopRequest.load(), 0);
}

}  // namespace
}  // namespace zlv
