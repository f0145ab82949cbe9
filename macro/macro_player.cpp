#include "macro/macro_player.h"

#include <algorithm>

#include "device/protocol.h"
#include "settings/function_codes.h"

namespace zlv {

namespace {

constexpr std::uint8_t kHighestDpiStage = kDpiStageCount - 1;
constexpr std::uint8_t kHighestReportRate = 3;
// ReleaseAll waits twice this long.
constexpr Millis kReleaseWait{10};

}  // namespace

std::uint32_t PlayPasses(std::int32_t macroMode, std::uint8_t recordMode, std::uint16_t repeat) {
  if (macroMode != 0) return kHoldModePasses;
  return recordMode == 0 ? 1 : repeat;
}

MacroPlayer::MacroPlayer(Links links) : MacroPlayer(links, Options{}) {}

MacroPlayer::MacroPlayer(Links links, Options options) : links_(links), options_(std::move(options)) {}

MacroPlayer::~MacroPlayer() { Stop(); }

void MacroPlayer::Start() {
  worker_.Start(options_.on_thread_start, [this] { Run(); });
}

void MacroPlayer::Stop() {
  // An idle player waits on the hand-over, a playing one in an interruptible sleep.
  worker_.Stop([this] { links_.handOver.Wake(); });
}

bool MacroPlayer::Idle() const {
  return !busy_ && links_.handOver.ButtonEventPending.load() == 0 &&
         links_.handOver.MacroStopRequest.load() == 0;
}

void MacroPlayer::Run() {
  ButtonHandOver& handOver = links_.handOver;
  for (;;) {
    handOver.WaitForWork([this] { return worker_.Stopping(); });
    if (worker_.Stopping()) break;
    busy_ = true;
    ServeHandOver();
    busy_ = false;
    if (options_.on_idle) options_.on_idle();
  }
}

bool MacroPlayer::ServeHandOver() {
  ButtonHandOver& handOver = links_.handOver;
  if (!handOver.TakeWork()) return false;
  const std::uint8_t code = handOver.PendingButtonCode.load(std::memory_order_relaxed);
  const std::uint8_t value = handOver.PendingButtonValue.load(std::memory_order_relaxed);
  Serve(code, value);
  handOver.FinishPress();
  return true;
}

void MacroPlayer::Repaint() {
  if (options_.repaint) options_.repaint();
}

void MacroPlayer::FollowDpiStage(std::uint8_t stage) {
  // The mouse reports the stage it moved to; anything else (a damaged report)
  // would put an impossible stage into the profile and into the next push.
  if (stage > kHighestDpiStage) return;
  SettingsModel& settings = links_.settings;
  settings.profile.DpiLevel = stage;
  settings.applied.DpiLevel = stage;  // the mouse is there already
  Repaint();
  settings.SaveDpiLevel(settings.ConfigPath, settings.CurrentProfile);
}

void MacroPlayer::FollowReportRate() {
  SettingsModel& settings = links_.settings;
  const std::uint8_t rate = settings.profile.ReportRate;
  settings.profile.ReportRate = static_cast<std::uint8_t>(rate == kHighestReportRate ? 0 : rate + 1);
  settings.applied.ReportRate = settings.profile.ReportRate.load();
  Repaint();
  settings.SaveUsbSpeed(settings.ConfigPath, settings.CurrentProfile);
}

void MacroPlayer::Serve(std::uint8_t code, std::uint8_t value) {
  for (int i = 0; i < kButtonCount; ++i) {
    if (code != protocol::kButtonEventBase + protocol::PhysicalButtonIndex[static_cast<std::size_t>(i)]) {
      continue;
    }
    switch (links_.protocol.FollowUpOfSlot(i)) {
      case FollowUp::kDpiStage: FollowDpiStage(value); break;
      case FollowUp::kReportRate: FollowReportRate(); break;
      case FollowUp::kNone: break;
    }

    const HostAction action = HostActionOf(links_.settings.profile.ButtonCodes[static_cast<std::size_t>(i)]);
    switch (action.kind) {
      case HostActionKind::kUserMacro: {
        std::uint32_t passes = 0;
        {
          std::lock_guard lock(links_.macros.mutex);
          const MacroSlot& record = links_.macros.user.slots[static_cast<std::size_t>(action.index)];
          passes = PlayPasses(links_.settings.profile.MacroMode, record.Mode(), record.Repeat());
        }
        PlayRecord(links_.macros.user, action.index, passes);
        break;
      }
      case HostActionKind::kConstMacro:
        PlayRecord(links_.macros.constant, action.index, 1);
        break;
      case HostActionKind::kConsumerKey:
        links_.protocol.SendConsumerControl(action.usage);
        break;
      case HostActionKind::kLaunchProgram:
        links_.launcher.Launch(action.program);
        break;
      case HostActionKind::kNone:
        break;
    }
  }
}

void MacroPlayer::Reanchor(Nanos& due) {
  const Nanos now = links_.clock.Now();
  if (now - due > kMaxCatchUp) due = now;
}

bool MacroPlayer::PlayRecord(const MacroTable& table, int record, std::uint32_t passes) {
  if (passes == 0) return true;
  ScopedTimerResolution fineTimer(links_.timerResolution);
  Clock& clock = links_.clock;
  MouseProtocol& protocol = links_.protocol;
  const MacroSlot& slot = table.slots[static_cast<std::size_t>(record)];

  // Each event is due when the one before it was due plus its delay, so a
  // late wake-up is made up from the slack of the delays that follow and
  // does not add up. It is never made up from the minimum gap, though: the
  // next event waits at least kMinEventDelay after this one actually went
  // out, and when that is later than its due time the rest of the schedule
  // moves with it.
  Nanos due = clock.Now();
  for (std::uint32_t pass = 0; pass < passes; ++pass) {
    for (int k = 0;; ++k) {
      MacroEvent event;
      std::uint16_t delay = 0;
      {
        // The window thread may be editing the record; copy one consistent
        // step and send it without the lock.
        std::lock_guard lock(links_.macros.mutex);
        if (k >= slot.Count()) break;
        event = slot.Event(k);
        delay = slot.Delay(k);
      }
      protocol.SendKeyEvent(event.value, event.type);
      const Nanos sent = clock.Now();
      due = std::max(due + std::max(Millis(delay), kMinEventDelay), sent + kMinEventDelay);
      if (!clock.SleepUntilInterruptible(due, worker_.Interrupt())) {
        ReleaseHeld();
        return false;
      }
      Reanchor(due);
    }
    protocol.ReleaseAll();
    due += 2 * kReleaseWait;
    Reanchor(due);
    if (worker_.Stopping()) return false;
    if (links_.handOver.MacroStopRequest.load(std::memory_order_acquire) == 1) break;
  }
  return true;
}

void MacroPlayer::ReleaseHeld() {
  MouseProtocol& protocol = links_.protocol;
  for (const std::uint8_t key : protocol.KeySlots()) {
    if (key != 0) protocol.SendKeyEvent(key, static_cast<std::uint8_t>(KeyAction::kRelease));
  }
  const std::uint8_t buttons = protocol.MouseButtonState();
  for (std::uint8_t b = protocol::kLeftButton; b <= protocol::kMiddleButton; ++b) {
    const auto bit = static_cast<std::uint8_t>(1u << (b - protocol::kLeftButton));
    if ((buttons & bit) == 0) protocol.SendKeyEvent(b, static_cast<std::uint8_t>(KeyAction::kRelease));
  }
}

}  // namespace zlv
