// The colour page's LED preview on virtual time: the phases of each LED
// mode, the pause after a change of the active stage, and a stop that never
// waits for a phase to run out.
#include "ui/led_preview.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "sim/virtual_clock.h"

namespace zlv::ui {
namespace {

using namespace std::chrono_literals;

class LedPreviewTest : public ::testing::Test {
 protected:
  LedPreviewTest()
      : preview(clock, LedPreview::Inputs{
                           [this] { return onColorPage.load(); },
                           [this] { return dpiLevel.load(); },
                           [this] { return mode.load(); },
                           [this] {
                             invalidations.fetch_add(1);
                             clock.Notify();
                           },
                       }) {}
  ~LedPreviewTest() override {
    preview.Stop();
    clock.Unblock();
  }

  // Lets the worker run up to its next wait and reports what it shows and
  // how long that wait is.
  struct Phase {
    int colour;
    bool dark;
    Nanos wait;
  };
  Phase NextPhase() {
    EXPECT_TRUE(clock.WaitFor([&] { return clock.Sleepers() == 1; }));
    const Phase phase{preview.Colour(), preview.Dark(), *clock.NextDeadline() - clock.Now()};
    return phase;
  }
  // The worker's end is no event of the clock: poll for it in real time.
  bool Ended() {
    for (int i = 0; i < 10000 && preview.Running(); ++i) std::this_thread::sleep_for(1ms);
    return !preview.Running();
  }
  void Step() {
    clock.AdvanceTo(*clock.NextDeadline());
  }

  VirtualClock clock;
  std::atomic<bool> onColorPage{true};
  std::atomic<std::int32_t> dpiLevel{1};
  std::atomic<std::uint8_t> mode{0};
  std::atomic<int> invalidations{0};
  LedPreview preview;
};

TEST_F(LedPreviewTest, BreathingModesAlternateGreyAndTheNextColour) {
  struct Case {
    std::uint8_t mode;
    Nanos phase;
  };
  for (const Case c : {Case{0, 1200ms}, Case{1, 800ms}}) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    mode = c.mode;
    dpiLevel = 3;
    preview.Start();
    const std::vector<std::pair<int, bool>> expected = {{0, true}, {0, false}, {1, true}, {1, false}, {2, true}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const Phase p = NextPhase();
      EXPECT_EQ(p.colour, expected[i].first);
      EXPECT_EQ(p.dark, expected[i].second);
      EXPECT_EQ(p.wait, c.phase);
      if (i + 1 < expected.size()) Step();
    }
    // Stopped in a grey phase; the next visit starts lit all the same.
    preview.Stop();
    EXPECT_FALSE(preview.Running());
  }
}

TEST_F(LedPreviewTest, SteadyModesShowTheActiveStage) {
  struct Case {
    std::uint8_t mode;
    bool dark;
  };
  for (const Case c : {Case{2, false}, Case{3, true}}) {
    mode = c.mode;
    dpiLevel = 2;
    preview.Start();
    for (int i = 0; i < 2; ++i) {
      const Phase p = NextPhase();
      EXPECT_EQ(p.colour, 2);
      EXPECT_EQ(p.dark, c.dark);
      EXPECT_EQ(p.wait, Nanos(1200ms));
      Step();
    }
    dpiLevel = 0;  // followed at the next phase, without the pause of the breathing modes
    NextPhase();
    Step();
    const Phase p = NextPhase();
    EXPECT_EQ(p.colour, 0);
    EXPECT_EQ(p.wait, Nanos(1200ms));
    preview.Stop();
  }
}

TEST_F(LedPreviewTest, NewActiveStageShowsItsColourForTwoSecondsFirst) {
  preview.Start();
  EXPECT_EQ(NextPhase().wait, Nanos(1200ms));
  dpiLevel = 3;
  Step();
  const Phase shown = NextPhase();
  EXPECT_EQ(shown.colour, 3);
  EXPECT_FALSE(shown.dark);
  EXPECT_EQ(shown.wait, Nanos(2000ms));
  Step();
  EXPECT_EQ(NextPhase().wait, Nanos(1200ms));
}

TEST_F(LedPreviewTest, StopWakesTheWaitWithoutMovingTimeAndStartRunsOneWorker) {
  preview.Start();
  NextPhase();
  preview.Start();  // already running: no second worker
  EXPECT_TRUE(clock.WaitFor([&] { return clock.Sleepers() == 1; }));
  const Nanos before = clock.Now();
  preview.Stop();
  EXPECT_FALSE(preview.Running());
  EXPECT_EQ(clock.Now(), before);
  EXPECT_EQ(clock.Sleepers(), 0u);
  // And it can be started again on the next visit of the page.
  preview.Start();
  EXPECT_TRUE(preview.Running());
  NextPhase();
}

TEST_F(LedPreviewTest, EndsAfterThePhaseOnceThePageIsLeftAndNeverStartsElsewhere) {
  preview.Start();
  NextPhase();
  onColorPage = false;
  Step();
  EXPECT_TRUE(Ended());
  preview.Stop();
  invalidations = 0;
  preview.Start();
  EXPECT_TRUE(Ended());
  EXPECT_EQ(invalidations.load(), 0);
}

TEST_F(LedPreviewTest, StageOutsideTheFourColoursShowsBlue) {
  dpiLevel = 9;
  mode = 2;
  preview.Start();
  EXPECT_EQ(NextPhase().colour, 0);
}

}  // namespace
}  // namespace zlv::ui
