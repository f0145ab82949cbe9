// The macro player: a thread of its own that serves the button presses the
// input reader hands over. It follows the mouse's own DPI and report-rate
// changes, plays user and constant macros through the key and mouse-button
// reports, sends consumer-control keys and starts programs.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "base/clock.h"
#include "base/worker_thread.h"
#include "device/input_reader.h"
#include "device/mouse_protocol.h"
#include "macro/macro_tables.h"
#include "macro/program_launcher.h"
#include "macro/timer_resolution.h"
#include "settings/profile_settings.h"

namespace zlv {

// Passes of a user macro: endless (10000) in hold mode; otherwise once for a
// record of mode 0 and `repeat` times (0 plays nothing) for any other mode.
inline constexpr std::uint32_t kHoldModePasses = 10000;
std::uint32_t PlayPasses(std::int32_t macroMode, std::uint8_t recordMode, std::uint16_t repeat);

// Every event is followed by its delay, but by at least this much: two
// reports of a pass never go out closer together, whatever the schedule.
inline constexpr Millis kMinEventDelay{10};
// A macro that fell this far behind its schedule (a stalled system) starts a
// new schedule from the moment it resumes instead of sending the missed
// events back to back.
inline constexpr Millis kMaxCatchUp{5};

class MacroPlayer {
 public:
  struct Links {
    SettingsModel& settings;
    MouseProtocol& protocol;
    MacroTables& macros;
    ButtonHandOver& handOver;
    Clock& clock;
    ProgramLauncher& launcher;
    TimerResolution& timerResolution;
  };
  struct Options {
    // Asks the main window to repaint with its background erased.
    std::function<void()> repaint;
    // Runs first on the player thread; the program passes the platform's
    // priority raise here (AppCore, PlatformServices::raiseWorkerPriority).
    std::function<void()> on_thread_start;
    // Runs on the player thread each time it has finished with what woke it.
    std::function<void()> on_idle;
  };

  explicit MacroPlayer(Links links);
  MacroPlayer(Links links, Options options);
  ~MacroPlayer();
  MacroPlayer(const MacroPlayer&) = delete;
  MacroPlayer& operator=(const MacroPlayer&) = delete;

  void Start();
  // Ends a playing macro at once (releasing whatever it holds down) and joins
  // the thread. Safe to call twice.
  void Stop();

  // Serves one handed-over press on the calling thread: `code` is byte 1 of
  // the report (0xF0 + hardware button), `value` its byte 2. The thread calls
  // this for each press; it reads MacroStopRequest between passes.
  void Serve(std::uint8_t code, std::uint8_t value);

  // What the thread does each time it wakes, on the calling thread: serves
  // the pending press and clears the hand-over's flags, or discards a stop
  // request that came while nothing played. False when no press was pending.
  bool ServeHandOver();

  // Nothing pending, nothing being served (tests).
  bool Idle() const;

 private:
  void Run();
  void FollowDpiStage(std::uint8_t stage);
  void FollowReportRate();
  // Plays `passes` passes of a record; false when the player was stopped.
  bool PlayRecord(const MacroTable& table, int record, std::uint32_t passes);
  // Keeps `due` on schedule unless the clock has run far past it.
  void Reanchor(Nanos& due);
  // Lets go of every key and button a stopped macro left held, at once.
  void ReleaseHeld();
  void Repaint();

  Links links_;
  Options options_;
  std::atomic<bool> busy_{false};
  // Last, so the thread is joined before the members it uses go.
  WorkerThread worker_;
};

}  // namespace zlv
