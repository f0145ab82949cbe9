// The demo build's companion window, its decisions without the window: the
// lines it shows for the feature reports the virtual mouse receives and for
// the mouse's state, which button moves the DPI stage, and the queue that
// carries reports from the threads that send them to the window's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/text.h"
#include "sim/virtual_mouse.h"
#include "ui/picture_geometry.h"

namespace zlv::demo {

// Report lines kept in the window: older ones are dropped.
inline constexpr std::size_t kReportLinesKept = 500;

// "   1234 ms  07 10 01 00 00 00 00 00": the time since `origin` in whole
// milliseconds (right-aligned to seven places; a time before the origin shows
// as 0) and every byte of the report in hex.
Text ReportLine(const LoggedReport& report, Nanos origin);

// A line of the report log file, without its line end: the whole milliseconds
// since `origin` (0 for a time before it), a space, and the report's first
// eight bytes as zlvctl reports prints them: "1234 07 10 01 01 00 00 00 00".
std::string ReportLogLine(const LoggedReport& report, Nanos origin);

// A few lines on what the mouse holds now: the DPI stage and its DPI, the
// enabled stages, the LED code, the device function of each button, held
// keys and mouse buttons, and the protocol errors seen so far.
std::vector<Text> StateSummary(const VirtualMouseState& state, std::size_t protocolErrors);

// The hardware button (1..6) whose device function steps the DPI stage
// (cycle first, then up, then down), or nothing when no button holds one.
std::optional<int> DpiStageButton(const VirtualMouseState& state);

// The report lines of the window, newest last, at most `capacity` of them.
class ReportLines {
 public:
  explicit ReportLines(std::size_t capacity = kReportLinesKept) : capacity_(capacity) {}
  // Adds a line; the value is how many of the oldest lines were dropped to
  // make room (the window deletes as many from the top of its list).
  std::size_t Add(Text line);
  const std::deque<Text>& Lines() const { return lines_; }

 private:
  std::size_t capacity_;
  std::deque<Text> lines_;
};

// Reports on their way from other threads to the window's thread. Push may be
// called from any thread; it says when the window must be woken (once until
// the next Take), so a burst of reports costs one posted message. At most
// `capacity` reports wait: beyond that the oldest are dropped and counted.
class ReportMailbox {
 public:
  explicit ReportMailbox(std::size_t capacity = kReportLinesKept) : capacity_(capacity) {}

  // True when the caller must wake the window's thread.
  bool Push(LoggedReport report);

  struct Batch {
    std::vector<LoggedReport> reports;  // oldest first
    std::size_t dropped = 0;            // lost to the bound since the last Take
  };
  // Everything waiting; later pushes wake the window again.
  Batch Take();

 private:
  std::mutex mutex_;
  std::size_t capacity_;
  std::deque<LoggedReport> waiting_;
  std::size_t dropped_ = 0;
  bool wake_pending_ = false;
};

}  // namespace zlv::demo

namespace zlv::demo {

// Space left between the companion window and the main window.
inline constexpr int kCompanionGap = 8;

// The top-left corner of a companion window of `width` x `height` beside the
// main window `main` (screen coordinates, outer frames): to its right when it
// fits inside the work area, else to its left, else below it, aligned with the
// main window's top (or left) edge and moved back inside the work area. When
// none of those fits, the right-hand place pushed inside the work area, which
// then overlaps the main window. A companion larger than the work area keeps
// its top-left corner inside it.
ui::PixelPoint CompanionPlacement(const ui::PixelRect& main, int width, int height,
                                  const ui::PixelRect& workArea);

// The keys of the companion window while it has the keyboard focus.
inline constexpr const char* kCompanionKeysHelp =
    "Keys: 1-6 hold buttons 1-6, D next DPI stage, U unplug, P plug in";

// A key message: the first press, the keyboard's auto-repeat of a held key,
// or the release.
enum class KeyTransition { kDown, kRepeat, kUp };

struct CompanionKeyAction {
  enum class Kind {
    kPassOn,        // not one of the companion's keys: the focused control gets it
    kNothing,       // one of them, with nothing to do (auto-repeat, release of D or U)
    kPress,         // press hardware button `button` and keep it down
    kRelease,       // release hardware button `button`
    kNextDpiStage,  // as the next-stage button
    kUnplug,        // as the unplug button
    kPlugIn,        // as the plug-in button
  };
  Kind kind = Kind::kPassOn;
  int button = 0;  // 1..6 for kPress and kRelease, else 0
  bool operator==(const CompanionKeyAction&) const = default;
};

// What the key with Windows virtual-key code `virtualKey` does: 1-6 (top row
// or keypad) hold hardware buttons 1-6 from the press to the release, D steps
// the DPI stage, U unplugs the mouse and P plugs it in, each once per press.
CompanionKeyAction CompanionKey(std::uint32_t virtualKey, KeyTransition transition);

// The demo's run time limit from its environment value: whole seconds, 1 to
// 86400. Nothing (no limit) for an empty, non-numeric or out-of-range value.
std::optional<int> ParseRunSeconds(TextView value);

}  // namespace zlv::demo
