#include "demo/demo_companion.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "device/protocol.h"

namespace zlv::demo {

namespace {

// Device functions of the mouse that move the DPI stage.
constexpr std::uint8_t kDeviceDpiCycle = 6;
constexpr std::uint8_t kDeviceDpiUp = 11;
constexpr std::uint8_t kDeviceDpiDown = 12;

std::string HexByte(std::uint8_t value) {
  char buffer[4];
  std::snprintf(buffer, sizeof(buffer), "%02x", value);
  return buffer;
}

}  // namespace

Text ReportLine(const LoggedReport& report, Nanos origin) {
  const Nanos since = report.time > origin ? report.time - origin : Nanos{0};
  const long long ms = std::chrono::duration_cast<Millis>(since).count();
  char stamp[32];
  std::snprintf(stamp, sizeof(stamp), "%7lld ms ", ms);
  std::string line = stamp;
  for (std::uint8_t byte : report.bytes) line += " " + HexByte(byte);
  return Ascii(line);
}

std::string ReportLogLine(const LoggedReport& report, Nanos origin) {
  const Nanos since = report.time > origin ? report.time - origin : Nanos{0};
  std::string line = std::to_string(std::chrono::duration_cast<Millis>(since).count());
  if (!report.bytes.empty()) line += ' ' + HexBytes(report.bytes, 8);
  return line;
}

std::vector<Text> StateSummary(const VirtualMouseState& state, std::size_t protocolErrors) {
  std::vector<Text> lines;
  const std::size_t stage = state.activeStage;
  std::string dpi = "DPI stage " + std::to_string(stage + 1) + " of " + std::to_string(state.dpiCode.size());
  if (stage < state.dpiCode.size()) {
    const std::uint8_t code = state.dpiCode[stage];
    dpi += ": " + std::to_string(protocol::DpiOfCode(code)) + " DPI (code " + std::to_string(code) + ")";
  }
  dpi += ", enabled:";
  for (std::size_t s = 0; s < state.dpiCode.size(); ++s) {
    if ((state.enableMask >> s) & 1U) dpi += " " + std::to_string(s + 1);
  }
  lines.push_back(Ascii(dpi));

  lines.push_back(Ascii("LED code " + std::to_string(state.ledCode) + ", wheel " + std::to_string(state.wheel) +
                        ", fire time " + std::to_string(state.fireTimeUnits * 8) + " ms, report rate step " +
                        std::to_string(state.reportRate)));

  std::string buttons = "Device function of buttons 1-6:";
  for (std::uint8_t function : state.buttonFunction) buttons += " " + std::to_string(function);
  lines.push_back(Ascii(buttons));

  std::string keys = "Keys held:";
  bool anyKey = false;
  for (std::uint8_t key : state.heldKeys) {
    if (key == 0) continue;
    keys += " " + HexByte(key);
    anyKey = true;
  }
  if (!anyKey) keys += " none";
  static constexpr const char* kButtonNames[] = {"left", "right", "middle"};
  keys += "; mouse buttons held:";
  bool anyButton = false;
  for (unsigned bit = 0; bit < 3; ++bit) {
    if ((state.mouseButtons >> bit) & 1U) continue;  // active low
    keys += " " + std::string(kButtonNames[bit]);
    anyButton = true;
  }
  if (!anyButton) keys += " none";
  lines.push_back(Ascii(keys));

  std::string errors = "Protocol errors: " + std::to_string(protocolErrors);
  if (state.exitSeen) errors += "; driver exit received";
  lines.push_back(Ascii(errors));
  return lines;
}

std::optional<int> DpiStageButton(const VirtualMouseState& state) {
  for (std::uint8_t wanted : {kDeviceDpiCycle, kDeviceDpiUp, kDeviceDpiDown}) {
    for (std::size_t b = 0; b < state.buttonFunction.size(); ++b) {
      if (state.buttonFunction[b] == wanted) return static_cast<int>(b + 1);
    }
  }
  return std::nullopt;
}

std::size_t ReportLines::Add(Text line) {
  lines_.push_back(std::move(line));
  std::size_t dropped = 0;
  while (lines_.size() > capacity_) {
    lines_.pop_front();
    ++dropped;
  }
  return dropped;
}

bool ReportMailbox::Push(LoggedReport report) {
  std::lock_guard lock(mutex_);
  waiting_.push_back(std::move(report));
  while (waiting_.size() > capacity_) {
    waiting_.pop_front();
    ++dropped_;
  }
  if (wake_pending_) return false;
  wake_pending_ = true;
  return true;
}

ReportMailbox::Batch ReportMailbox::Take() {
  std::lock_guard lock(mutex_);
  Batch batch;
  batch.reports.assign(std::make_move_iterator(waiting_.begin()), std::make_move_iterator(waiting_.end()));
  batch.dropped = dropped_;
  waiting_.clear();
  dropped_ = 0;
  wake_pending_ = false;
  return batch;
}

}  // namespace zlv::demo

namespace zlv::demo {

ui::PixelPoint CompanionPlacement(const ui::PixelRect& main, int width, int height,
                                  const ui::PixelRect& workArea) {
  // Into [low, high - size], the low edge winning when the size exceeds the range.
  auto inside = [](int at, int size, int low, int high) { return std::max(low, std::min(at, high - size)); };
  const int alignedY = inside(main.top, height, workArea.top, workArea.bottom);
  const int right = main.right + kCompanionGap;
  if (right + width <= workArea.right) return {right, alignedY};
  const int left = main.left - kCompanionGap - width;
  if (left >= workArea.left) return {left, alignedY};
  const int below = main.bottom + kCompanionGap;
  if (below + height <= workArea.bottom) return {inside(main.left, width, workArea.left, workArea.right), below};
  return {inside(right, width, workArea.left, workArea.right), alignedY};
}

CompanionKeyAction CompanionKey(std::uint32_t virtualKey, KeyTransition transition) {
  // Windows virtual-key codes: digits and letters are their ASCII capitals.
  constexpr std::uint32_t kKey1 = '1';
  constexpr std::uint32_t kKeypad1 = 0x61;  // VK_NUMPAD1
  constexpr std::uint32_t kKeyD = 'D';
  constexpr std::uint32_t kKeyU = 'U';
  constexpr std::uint32_t kKeyP = 'P';
  using Kind = CompanionKeyAction::Kind;

  int button = 0;
  if (virtualKey >= kKey1 && virtualKey < kKey1 + kHardwareButtonCount) {
    button = static_cast<int>(virtualKey - kKey1) + 1;
  } else if (virtualKey >= kKeypad1 && virtualKey < kKeypad1 + kHardwareButtonCount) {
    button = static_cast<int>(virtualKey - kKeypad1) + 1;
  }
  if (button != 0) {
    switch (transition) {
      case KeyTransition::kDown:
        return {Kind::kPress, button};
      case KeyTransition::kUp:
        return {Kind::kRelease, button};
      case KeyTransition::kRepeat:
        return {Kind::kNothing, 0};
    }
  }
  if (virtualKey != kKeyD && virtualKey != kKeyU && virtualKey != kKeyP) return {};
  if (transition != KeyTransition::kDown) return {Kind::kNothing, 0};
  if (virtualKey == kKeyD) return {Kind::kNextDpiStage, 0};
  return {virtualKey == kKeyU ? Kind::kUnplug : Kind::kPlugIn, 0};
}

std::optional<int> ParseRunSeconds(TextView value) {
  value = TrimBlanks(value);
  if (value.empty() || value.size() > 5) return std::nullopt;
  int seconds = 0;
  for (char16_t c : value) {
    if (c < u'0' || c > u'9') return std::nullopt;
    seconds = seconds * 10 + (c - u'0');
  }
  if (seconds < 1 || seconds > 86400) return std::nullopt;
  return seconds;
}

}  // namespace zlv::demo
