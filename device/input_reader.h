// The reader of the mouse's input reports. A thread of its own blocks in the
// read and turns each button announcement into the hand-over state that the
// macro player serves.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "base/clock.h"
#include "base/worker_thread.h"
#include "device/hid_transport.h"
#include "settings/profile_settings.h"

namespace zlv {

// What the reader hands to the player. The reader stores the code and the
// report's byte 2 before it raises ButtonEventPending (release), and the
// player loads the flag before the code (acquire), so the player never sees
// the flag with an old code. While ButtonEventPending is 1 the reader never
// stores a new code. The player is woken through the condition variable
// instead of polling.
struct ButtonHandOver {
  std::atomic<std::int32_t> ButtonEventPending{0};
  std::atomic<std::uint8_t> PendingButtonCode{0};
  // Byte 2 of the handed-over report (the new DPI stage of a DPI button):
  // kept with the code, since the reader may already be reading the next
  // report into its buffer while the player serves this one.
  std::atomic<std::uint8_t> PendingButtonValue{0};
  std::atomic<std::int32_t> MacroStopRequest{0};

  // Reader side.
  void HandOverPress(std::uint8_t code, std::uint8_t value);
  void RequestStop();

  // Player side: blocks until a press is pending, a stop request is set or
  // `shutdown` returns true (tested under the lock; call Wake() after setting
  // what it reads).
  void WaitForWork(const std::function<bool()>& shutdown);
  // Player side: a press is pending or a stop request is set, which is what
  // wakes the player.
  bool HasWork() const;
  void Wake();
  // Player side, when it wakes: true when a press is pending. Otherwise a
  // stop request that came while nothing played is discarded.
  bool TakeWork();
  // Player side, when a press has been served: clears the stop request, then
  // the pending flag.
  void FinishPress();

  // The reader's stores and the player's clearing each happen under the
  // lock, so a press and its release cannot fall between the player's test
  // and its clearing (a hold-mode press whose release was cleared away would
  // play until the next release).

 private:
  std::mutex mutex_;
  std::condition_variable work_;
};

// What one input report did to the hand-over.
enum class InputReportEffect : std::uint8_t {
  kNone,           // not a button event, or ignored
  kHandedOver,     // a press is now pending
  kStopRequested,  // MacroStopRequest raised
};

// Byte 1 above 0xF0 is a button event; byte 2 of 0x80 is a release. A release
// raises the stop request in hold mode (macroMode != 0). A press is handed
// over when nothing is pending; while one is, a press raises the stop request
// in toggle mode (macroMode == 0) and is ignored in hold mode. Missing bytes
// of a short report count as 0.
InputReportEffect ApplyInputReport(ButtonHandOver& handOver, std::span<const std::uint8_t> report,
                                   std::int32_t macroMode);

class InputReader {
 public:
  struct Options {
    // Runs first on the reader thread; the program passes the platform's
    // priority raise here (AppCore, PlatformServices::raiseWorkerPriority).
    std::function<void()> on_thread_start;
    // Runs on the reader thread after each report has been applied (tests).
    std::function<void()> after_report;
  };

  InputReader(HidTransport& transport, const ProfileSettings& settings, ButtonHandOver& handOver,
              Clock& clock);
  InputReader(HidTransport& transport, const ProfileSettings& settings, ButtonHandOver& handOver,
              Clock& clock, Options options);
  ~InputReader();
  InputReader(const InputReader&) = delete;
  InputReader& operator=(const InputReader&) = delete;

  void Start();
  // Cancels the blocked read and joins the thread. Safe to call twice.
  void Stop();

  // One turn of the reader thread, on the calling thread: reads one input
  // report whole and applies it to the hand-over. False when the read failed
  // (or the reader is stopping). Run single-threaded (zlvctl), call it only
  // while the transport holds a report, as the read blocks otherwise.
  bool ReadOne();

  // Reports read and applied so far (whatever their effect).
  std::uint64_t ReportsApplied() const { return reports_applied_.load(); }

  // A failed read (no device yet, or a read error) is followed by this pause
  // so a failing read does not take the processor. A successful read goes
  // straight to the next one.
  static constexpr Millis kFailedReadPause{2};

 private:
  void Run();

  HidTransport& transport_;
  const ProfileSettings& settings_;
  ButtonHandOver& hand_over_;
  Clock& clock_;
  Options options_;
  std::atomic<std::uint64_t> reports_applied_{0};
  std::vector<std::uint8_t> buffer_;
  // Last, so the thread is joined before the members it uses go.
  WorkerThread worker_;
};

}  // namespace zlv
