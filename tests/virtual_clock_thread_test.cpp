#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "sim/virtual_clock.h"

namespace zlv {
namespace {

TEST(VirtualClockTest, SleepersWakeOnlyWhenTimeReachesTheirDeadline) {
  VirtualClock clock;
  std::vector<Nanos> woke(2);
  std::thread a([&] {
    clock.SleepUntil(Millis(30));
    woke[0] = clock.Now();
  });
  std::thread b([&] {
    clock.SleepUntil(Millis(10));
    woke[1] = clock.Now();
  });
  ASSERT_TRUE(clock.WaitFor([&] { return clock.Sleepers() == 2; }));
  EXPECT_EQ(clock.NextDeadline(), Millis(10));

  clock.AdvanceTo(Millis(20));
  b.join();
  EXPECT_EQ(clock.Sleepers(), 1u);
  EXPECT_EQ(clock.NextDeadline(), Millis(30));
  clock.AdvanceTo(Millis(30));
  a.join();
  EXPECT_EQ(woke, (std::vector<Nanos>{Millis(30), Millis(20)}));
  EXPECT_EQ(clock.Sleepers(), 0u);
}

TEST(VirtualClockTest, InterruptEndsASleepWithoutMovingTime) {
  VirtualClock clock;
  SleepInterrupt interrupt;
  bool reached = true;
  std::thread t([&] { reached = clock.SleepUntilInterruptible(Millis(1000), interrupt); });
  ASSERT_TRUE(clock.WaitFor([&] { return clock.Sleepers() == 1; }));
  interrupt.Raise();
  t.join();
  EXPECT_FALSE(reached);
  EXPECT_EQ(clock.Now(), Nanos(0));
  // A raised interrupt keeps later sleeps from starting.
  EXPECT_FALSE(clock.SleepUntilInterruptible(Millis(5), interrupt));
}

TEST(VirtualClockTest, UnblockReleasesEverySleep) {
  VirtualClock clock;
  std::thread t([&] { clock.SleepUntil(Millis(50)); });
  ASSERT_TRUE(clock.WaitFor([&] { return clock.Sleepers() == 1; }));
  clock.Unblock();
  t.join();
  clock.SleepUntil(Millis(70));
  EXPECT_EQ(clock.Now(), Nanos(0));
}

TEST(SteadyClockTest, InterruptCutsARealSleepShort) {
  SteadyClock clock;
  SleepInterrupt interrupt;
  const Nanos started = clock.Now();
  bool reached = true;
  std::thread t([&] { reached = clock.SleepUntilInterruptible(clock.Now() + std::chrono::seconds(30), interrupt); });
  interrupt.Raise();
  t.join();
  EXPECT_FALSE(reached);
  EXPECT_LT(clock.Now() - started, std::chrono::seconds(5));

  SleepInterrupt idle;
  const Nanos before = clock.Now();
  EXPECT_TRUE(clock.SleepUntilInterruptible(before + Millis(3), idle));
  EXPECT_GE(clock.Now() - before, Millis(3));
}

}  // namespace
}  // namespace zlv
