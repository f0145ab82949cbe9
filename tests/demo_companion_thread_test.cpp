#include "demo/demo_companion.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace zlv::demo {
namespace {

LoggedReport Report(int n) { return LoggedReport{Nanos{n}, {static_cast<std::uint8_t>(n)}}; }

TEST(DemoReportMailbox, ReportsFromSeveralThreadsAllArriveWithOneWakePerTake) {
  ReportMailbox mailbox(10000);
  std::atomic<int> wakes{0};
  std::vector<std::thread> senders;
  for (int t = 0; t < 4; ++t) {
    senders.emplace_back([&] {
      for (int n = 0; n < 500; ++n) wakes += mailbox.Push(Report(n)) ? 1 : 0;
    });
  }
  for (auto& s : senders) s.join();
  EXPECT_EQ(wakes.load(), 1);
  EXPECT_EQ(mailbox.Take().reports.size(), 2000u);
}

}  // namespace
}  // namespace zlv::demo
