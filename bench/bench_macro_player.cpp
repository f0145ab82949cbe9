// Timing of the input reader and the macro player on real threads and the
// real clock, each beside the simple design it replaces:
//  (a) hand-over latency: from the virtual mouse queuing a button's input
//      report to the first feature report of its macro; the player woken by
//      the hand-over against a player that polls every 2 ms;
//  (b) playback timing of a 100-event macro with 30 ms delays: deadline
//      scheduling against a plain sleep after each event.
//
// Usage: bench_macro_player [--presses N]   (default 1000)
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/settings_push.h"
#include "base/clock.h"
#include "sim/memory_file_store.h"
#include "device/input_reader.h"
#include "device/protocol.h"
#include "sim/virtual_mouse.h"
#include "macro/macro_player.h"
#include "sim/program_rig.h"
#include "tests/support/fakes.h"

namespace zlv {
namespace {

constexpr int kMacroSlot = 3;    // hardware button 5
constexpr int kMacroButton = 5;
constexpr std::uint8_t kKeyA = 0x04;

double Ms(Nanos d) { return static_cast<double>(d.count()) / 1e6; }

using testing::NoLauncher;

// The program's objects around a virtual mouse on the real clock.
struct Rig : ProgramRig<SteadyClock> {
  Rig() {
    settings.ConfigPath = u"bench-config.ini";
    settings.CurrentProfile = 1;
    ApplyBuiltInDefaults(settings.profile);
    settings.profile.MacroMode = 0;
    settings.profile.ButtonCodes[kMacroSlot] = codes::kFirstUserMacro;
    PushAllSettings(settings, protocol, system, nullptr);
    mouse.ClearLog();
    mouse.SetReportObserver([this](const LoggedReport& r) {
      std::lock_guard lock(mutex);
      if (first_report == Nanos(0)) first_report = r.time;
      reported.notify_all();
    });
  }
  void SetMacro(const std::vector<MacroEvent>& events, std::uint16_t delay) {
    std::lock_guard lock(tables.mutex);
    MacroSlot& record = tables.user.slots[0];
    record.SetMode(0);
    record.SetCount(static_cast<int>(events.size()));
    for (std::size_t k = 0; k < events.size(); ++k) {
      record.SetEvent(static_cast<int>(k), events[k]);
      record.SetDelay(static_cast<int>(k), delay);
    }
  }

  NoLauncher launcher;
  NoTimerResolution timer;
  // Time of the first report since it was last reset.
  std::mutex mutex;
  std::condition_variable reported;
  Nanos first_report{0};
};

struct Stats {
  double median = 0;
  double p99 = 0;
  double max = 0;
};

Stats Summarise(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const auto at = [&](double q) { return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))]; };
  return {at(0.5), at(0.99), v.back()};
}

// Presses the macro button `presses` times, each after the previous press was
// served, and returns the latency of each.
std::vector<double> MeasurePresses(Rig& rig, int presses, const std::function<bool()>& idle) {
  std::vector<double> latencies;
  latencies.reserve(static_cast<std::size_t>(presses));
  for (int i = 0; i < presses; ++i) {
    while (!idle()) std::this_thread::sleep_for(Millis(1));
    // A varying pause, so presses do not fall into step with a polling period.
    std::this_thread::sleep_for(std::chrono::microseconds(200 + (i * 337) % 1900));
    {
      std::lock_guard lock(rig.mutex);
      rig.first_report = Nanos(0);
    }
    const Nanos pressed = rig.clock.Now();
    rig.mouse.PressButton(kMacroButton);
    {
      // Blocking here, the measuring thread takes no processor from the two
      // it measures; the time comes from the report itself.
      std::unique_lock lock(rig.mutex);
      rig.reported.wait(lock, [&] { return rig.first_report != Nanos(0); });
      latencies.push_back(Ms(rig.first_report - pressed));
    }
    while (rig.mouse.PendingInputReports() != 0 || rig.handOver.ButtonEventPending.load() != 0) {
      std::this_thread::sleep_for(Millis(1));
    }
    rig.mouse.ReleaseButton(kMacroButton);
  }
  while (!idle()) std::this_thread::sleep_for(Millis(1));
  return latencies;
}

Stats WokenHandOver(int presses) {
  Rig rig;
  rig.SetMacro({{kKeyA, kEventPress}}, 0);
  InputReader reader(rig.link, rig.settings.profile, rig.handOver, rig.clock);
  MacroPlayer player({rig.settings, rig.protocol, rig.tables, rig.handOver, rig.clock, rig.launcher, rig.timer});
  reader.Start();
  player.Start();
  const auto latencies = MeasurePresses(rig, presses, [&] { return player.Idle(); });
  player.Stop();
  reader.Stop();
  return Summarise(latencies);
}

// The simple design: the player looks at the flags every 2 ms.
Stats PolledHandOver(int presses) {
  Rig rig;
  rig.SetMacro({{kKeyA, kEventPress}}, 0);
  InputReader reader(rig.link, rig.settings.profile, rig.handOver, rig.clock);
  MacroPlayer serving({rig.settings, rig.protocol, rig.tables, rig.handOver, rig.clock, rig.launcher, rig.timer});
  std::atomic<bool> stop{false};
  std::atomic<bool> busy{false};
  std::thread poller([&] {
    ButtonHandOver& h = rig.handOver;
    while (!stop) {
      if (h.ButtonEventPending.load(std::memory_order_acquire) != 0) {
        busy = true;
        serving.Serve(h.PendingButtonCode.load(), h.PendingButtonValue.load());
      }
      h.ButtonEventPending = 0;
      h.MacroStopRequest = 0;
      busy = false;
      rig.clock.SleepFor(Millis(2));
    }
  });
  reader.Start();
  const auto latencies = MeasurePresses(rig, presses, [&] {
    return !busy && rig.handOver.ButtonEventPending.load() == 0;
  });
  stop = true;
  poller.join();
  reader.Stop();
  return Summarise(latencies);
}

// The floor the machine sets: the same two wake-ups (reader, then player)
// with bare condition variables and nothing else.
Stats TwoWakeUpsFloor(int presses) {
  SteadyClock clock;
  std::mutex m;
  std::condition_variable cv1, cv2, done;
  int stage = 0;  // 1: wake the first thread, 2: the second, 3: finished
  bool quit = false;
  Nanos woke{0};
  std::thread second([&] {
    std::unique_lock lock(m);
    for (;;) {
      cv2.wait(lock, [&] { return stage == 2 || quit; });
      if (quit) return;
      woke = clock.Now();
      stage = 3;
      done.notify_all();
    }
  });
  std::thread first([&] {
    std::unique_lock lock(m);
    for (;;) {
      cv1.wait(lock, [&] { return stage == 1 || quit; });
      if (quit) return;
      stage = 2;
      cv2.notify_all();
    }
  });
  std::vector<double> latencies;
  for (int i = 0; i < presses; ++i) {
    // The same rest as between two macro presses: the macro's 30 ms, then the pause.
    std::this_thread::sleep_for(Millis(30) + std::chrono::microseconds(200 + (i * 337) % 1900));
    std::unique_lock lock(m);
    const Nanos started = clock.Now();
    stage = 1;
    cv1.notify_all();
    done.wait(lock, [&] { return stage == 3; });
    latencies.push_back(Ms(woke - started));
    stage = 0;
  }
  {
    std::lock_guard lock(m);
    quit = true;
  }
  cv1.notify_all();
  cv2.notify_all();
  first.join();
  second.join();
  return Summarise(latencies);
}

struct Playback {
  double total_ms = 0;
  double expected_ms = 0;
  double worst_late_ms = 0;
  double median_late_ms = 0;
  // The shortest time between two reports: the mouse gets at least 10 ms.
  double min_gap_ms = 0;
};

// Each report against its due time: event k at 30k ms after the first, the
// two release reports 10 and 20 ms after the last event's delay.
Playback Analyse(const std::vector<LoggedReport>& log, int events, int delay) {
  Playback p;
  if (log.empty()) return p;
  const Nanos t0 = log.front().time;
  std::vector<double> late;
  for (std::size_t i = 0; i < log.size(); ++i) {
    const long dueMs = static_cast<long>(i) < events ? static_cast<long>(i) * delay
                                                     : static_cast<long>(events) * delay +
                                                           10 * static_cast<long>(i - static_cast<std::size_t>(events) + 1);
    late.push_back(Ms(log[i].time - t0 - Millis(dueMs)));
    p.worst_late_ms = std::max(p.worst_late_ms, late.back());
    const double gap = i > 0 ? Ms(log[i].time - log[i - 1].time) : 1e9;
    p.min_gap_ms = i == 1 ? gap : std::min(p.min_gap_ms, gap);
  }
  p.median_late_ms = Summarise(late).median;
  p.total_ms = Ms(log.back().time - t0);
  p.expected_ms = events * delay + 20.0;
  return p;
}

std::vector<MacroEvent> HundredEvents() {
  std::vector<MacroEvent> events;
  for (int k = 0; k < 100; ++k) events.push_back({kKeyA, static_cast<std::uint8_t>(k % 2 == 0 ? 1 : 2)});
  return events;
}

Playback DeadlinePlayback() {
  Rig rig;
  rig.SetMacro(HundredEvents(), 30);
  MacroPlayer player({rig.settings, rig.protocol, rig.tables, rig.handOver, rig.clock, rig.launcher, rig.timer});
  player.Serve(static_cast<std::uint8_t>(protocol::kButtonEventBase + kMacroButton), 1);
  return Analyse(rig.mouse.Log(), 100, 30);
}

Playback SleepPerEventPlayback() {
  Rig rig;
  for (const MacroEvent& e : HundredEvents()) {
    rig.protocol.SendKeyEvent(e.value, e.type);
    rig.clock.SleepFor(Millis(30));
  }
  rig.protocol.ReleaseAll();
  return Analyse(rig.mouse.Log(), 100, 30);
}

int Main(int argc, char** argv) {
  int presses = 1000;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--presses") == 0) presses = std::max(10, std::atoi(argv[i + 1]));
  }

  std::printf("Hand-over latency, %d presses (input report queued -> first macro report)\n", presses);
  std::printf("  %-28s %10s %10s %10s\n", "", "median ms", "p99 ms", "max ms");
  const Stats woken = WokenHandOver(presses);
  std::printf("  %-28s %10.3f %10.3f %10.3f\n", "woken player (ours)", woken.median, woken.p99, woken.max);
  const Stats polled = PolledHandOver(presses);
  std::printf("  %-28s %10.3f %10.3f %10.3f\n", "player polling every 2 ms", polled.median, polled.p99, polled.max);
  const Stats floor = TwoWakeUpsFloor(presses);
  std::printf("  %-28s %10.3f %10.3f %10.3f\n", "floor: two bare wake-ups", floor.median, floor.p99, floor.max);

  std::printf("\nPlayback, 100 events with 30 ms delays + release (due %.0f ms)\n", 100 * 30 + 20.0);
  std::printf("  %-28s %10s %10s %14s %14s %12s\n", "", "total ms", "error ms", "median late ms", "worst late ms",
              "min gap ms");
  const Playback ours = DeadlinePlayback();
  std::printf("  %-28s %10.3f %10.3f %14.3f %14.3f %12.3f\n", "deadlines (ours)", ours.total_ms,
              ours.total_ms - ours.expected_ms, ours.median_late_ms, ours.worst_late_ms, ours.min_gap_ms);
  const Playback plain = SleepPerEventPlayback();
  std::printf("  %-28s %10.3f %10.3f %14.3f %14.3f %12.3f\n", "sleep after each event", plain.total_ms,
              plain.total_ms - plain.expected_ms, plain.median_late_ms, plain.worst_late_ms, plain.min_gap_ms);

  const bool ok = woken.p99 < 0.2 && ours.worst_late_ms < 1.0 && std::abs(ours.total_ms - ours.expected_ms) < 2.0 &&
                  ours.min_gap_ms >= 10.0;
  std::printf("\nGoals (hand-over p99 < 0.2 ms, no event > 1 ms late, total error < 2 ms, gaps >= 10 ms): %s\n",
              ok ? "met" : "NOT met");
  return 0;
}

}  // namespace
}  // namespace zlv

int main(int argc, char** argv) { return zlv::Main(argc, argv); }
