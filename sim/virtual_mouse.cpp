#include "sim/virtual_mouse.h"

#include <algorithm>
#include <cstdio>

#include "device/protocol.h"

namespace zlv {

namespace {

using protocol::Command;

// Device functions the mouse acts on itself and announces to the host.
constexpr std::uint8_t kAnnounceOnly = 0;
constexpr std::uint8_t kDpiCycle = 6;
constexpr std::uint8_t kReportRateStep = 10;
constexpr std::uint8_t kDpiUp = 11;
constexpr std::uint8_t kDpiDown = 12;
constexpr std::uint8_t kLastDeviceFunction = 13;
constexpr std::uint8_t kPressMark = 0x01;

bool KnownDpiCode(std::uint8_t code) { return protocol::DpiOfCode(code) != 0; }

bool KnownLedByte(std::uint8_t b) {
  for (std::uint8_t code : protocol::kLedCodes) {
    if (b == protocol::kLedBase + code) return true;
  }
  return false;
}

}  // namespace

VirtualMouse::VirtualMouse(Clock& clock) : VirtualMouse(clock, Options{}) {}

VirtualMouse::VirtualMouse(Clock& clock, Options options) : clock_(clock), options_(options) {}

std::vector<HidCollectionCaps> VirtualMouse::Collections() const {
  return {
      {0x0002, 0x0001, 5, 0, 0},  // generic desktop mouse
      {0x0001, 0x000C, 3, 0, 0},  // consumer control
      InputCollection(),
      FeatureCollection(),
  };
}

HidCollectionCaps VirtualMouse::InputCollection() const {
  return {protocol::kVendorUsage, protocol::kInputUsagePage, options_.inputReportLength, 0, 0};
}

HidCollectionCaps VirtualMouse::FeatureCollection() const {
  return {protocol::kVendorUsage, protocol::kFeatureUsagePage, 0, 0, options_.featureReportLength};
}

void VirtualMouse::ReceiveFeatureReport(const std::uint8_t* data, std::size_t length) {
  std::function<void(const LoggedReport&)> observer;
  LoggedReport entry{clock_.Now(), std::vector<std::uint8_t>(data, data + length)};
  {
    std::lock_guard lock(mutex_);
    log_.push_back(entry);
    DecodeLocked(entry.bytes);
    observer = observer_;
  }
  if (observer) observer(entry);
}

void VirtualMouse::ErrorLocked(const std::vector<std::uint8_t>& r, const std::string& what) {
  errors_.push_back(what + ": " + HexBytes(r, r.size()));
}

void VirtualMouse::DecodeLocked(const std::vector<std::uint8_t>& r) {
  if (r.size() != options_.featureReportLength) {
    ErrorLocked(r, "report length " + std::to_string(r.size()) + ", expected " +
                       std::to_string(options_.featureReportLength));
    return;
  }
  if (r.size() < 8) {
    ErrorLocked(r, "report shorter than 8 bytes");
    return;
  }
  if (r[0] != protocol::kReportId) {
    ErrorLocked(r, "report id is not 7");
    return;
  }
  switch (static_cast<Command>(r[1])) {
    case Command::kButtonFunction:
      if (r[2] < 1 || r[2] > kHardwareButtonCount) return ErrorLocked(r, "no such button");
      if (r[3] > kLastDeviceFunction) return ErrorLocked(r, "no such device function");
      state_.buttonFunction[r[2] - 1u] = r[3];
      return;
    case Command::kWheel:
      if (r[3] != 0) return ErrorLocked(r, "wheel byte 3 is not 0");
      state_.wheel = r[2];
      return;
    case Command::kDpiStage: {
      const int stage = (r[3] & 0x0F) - protocol::kDpiStageMarker;
      const auto code = static_cast<std::uint8_t>(r[3] >> 4);
      const int active = r[2] - protocol::kDpiActiveBase;
      if (stage < 0 || stage > 3) return ErrorLocked(r, "no such DPI stage");
      if (!KnownDpiCode(code)) return ErrorLocked(r, "unknown DPI code");
      if (active < 0 || active > 3) return ErrorLocked(r, "active DPI stage out of range");
      if ((r[4] & 0xF0) != 0) return ErrorLocked(r, "DPI enable mask has more than four stages");
      state_.dpiCode[static_cast<std::size_t>(stage)] = code;
      state_.activeStage = static_cast<std::uint8_t>(active);
      state_.enableMask = r[4];
      return;
    }
    case Command::kFireTime:
      if (r[4] != 0 || r[5] != 0 || r[6] != 0 || r[7] != 0) {
        return ErrorLocked(r, "fire time bytes 4..7 are not 0");
      }
      state_.fireTimeUnits = static_cast<std::uint16_t>(r[2] << 8 | r[3]);
      return;
    case Command::kLed:
      if (r[2] != protocol::kLedHeader || !KnownLedByte(r[3])) return ErrorLocked(r, "unknown LED effect");
      state_.ledCode = static_cast<std::uint8_t>(r[3] - protocol::kLedBase);
      return;
    case Command::kKeys: {
      bool gap = false;
      for (std::size_t i = 2; i < 8; ++i) {
        if (r[i] == 0) gap = true;
        else if (gap) return ErrorLocked(r, "held keys have a gap");
        if (r[i] >= protocol::kLeftButton) return ErrorLocked(r, "mouse button code in the key report");
      }
      std::copy(r.begin() + 2, r.begin() + 8, state_.heldKeys.begin());
      return;
    }
    case Command::kMouseButtons:
      if ((r[3] & 0xF8) != 0xF8) return ErrorLocked(r, "unknown mouse buttons pressed");
      state_.mouseButtons = r[3];
      return;
    case Command::kConsumerControl:
      state_.consumerUsages.push_back(static_cast<std::uint16_t>(r[2] << 8 | r[3]));
      return;
    case Command::kDriverExit:
      state_.exitSeen = true;
      return;
  }
  ErrorLocked(r, "unknown command");
}

std::uint8_t VirtualMouse::NextEnabledStageLocked(int direction, bool wrap) const {
  int stage = state_.activeStage;
  for (int step = 0; step < 4; ++step) {
    stage += direction;
    if (stage < 0 || stage > 3) {
      if (!wrap) return state_.activeStage;
      stage = (stage + 4) % 4;
    }
    if ((state_.enableMask >> stage) & 1) return static_cast<std::uint8_t>(stage);
  }
  return state_.activeStage;
}

void VirtualMouse::AnnounceLocked(std::uint8_t button, std::uint8_t value) {
  std::vector<std::uint8_t> report(std::max<std::size_t>(options_.inputReportLength, 3), 0);
  report[0] = protocol::kReportId;
  report[1] = static_cast<std::uint8_t>(protocol::kButtonEventBase + button);
  report[2] = value;
  input_.push_back(std::move(report));
  input_ready_.notify_all();
}

void VirtualMouse::PressButton(int hardwareButton) {
  if (hardwareButton < 1 || hardwareButton > kHardwareButtonCount) return;
  std::lock_guard lock(mutex_);
  const auto button = static_cast<std::uint8_t>(hardwareButton);
  switch (state_.buttonFunction[static_cast<std::size_t>(hardwareButton - 1)]) {
    case kAnnounceOnly:
      return AnnounceLocked(button, kPressMark);
    case kDpiCycle:
      state_.activeStage = NextEnabledStageLocked(+1, true);
      return AnnounceLocked(button, state_.activeStage);
    case kDpiUp:
      state_.activeStage = NextEnabledStageLocked(+1, false);
      return AnnounceLocked(button, state_.activeStage);
    case kDpiDown:
      state_.activeStage = NextEnabledStageLocked(-1, false);
      return AnnounceLocked(button, state_.activeStage);
    case kReportRateStep:
      state_.reportRate = static_cast<std::uint8_t>((state_.reportRate + 1) % 4);
      return AnnounceLocked(button, state_.reportRate);
    default:
      return;  // clicks and other functions stay inside the mouse
  }
}

void VirtualMouse::ReleaseButton(int hardwareButton) {
  if (hardwareButton < 1 || hardwareButton > kHardwareButtonCount) return;
  std::lock_guard lock(mutex_);
  switch (state_.buttonFunction[static_cast<std::size_t>(hardwareButton - 1)]) {
    case kAnnounceOnly:
    case kDpiCycle:
    case kDpiUp:
    case kDpiDown:
    case kReportRateStep:
      return AnnounceLocked(static_cast<std::uint8_t>(hardwareButton), protocol::kReleaseMark);
    default:
      return;
  }
}

void VirtualMouse::QueueInputReport(std::vector<std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  input_.push_back(std::move(report));
  input_ready_.notify_all();
}

bool VirtualMouse::ReadInputReport(std::uint8_t* data, std::size_t length) {
  std::unique_lock lock(mutex_);
  input_ready_.wait(lock, [&] { return cancelled_ || !input_.empty(); });
  if (cancelled_) return false;
  const std::vector<std::uint8_t> report = std::move(input_.front());
  input_.pop_front();
  std::fill(data, data + length, std::uint8_t{0});
  std::copy_n(report.begin(), std::min(length, report.size()), data);
  return true;
}

void VirtualMouse::CancelRead() {
  std::lock_guard lock(mutex_);
  cancelled_ = true;
  input_ready_.notify_all();
}

void VirtualMouse::ResumeReads() {
  std::lock_guard lock(mutex_);
  cancelled_ = false;
}

std::size_t VirtualMouse::PendingInputReports() const {
  std::lock_guard lock(mutex_);
  return input_.size();
}

VirtualMouseState VirtualMouse::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

std::vector<LoggedReport> VirtualMouse::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

std::vector<std::string> VirtualMouse::ProtocolErrors() const {
  std::lock_guard lock(mutex_);
  return errors_;
}

void VirtualMouse::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

void VirtualMouse::SetReportObserver(std::function<void(const LoggedReport&)> observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

std::size_t VirtualMouseLink::FeatureReportLength() const {
  return mouse_.FeatureCollection().featureReportByteLength;
}

bool VirtualMouseLink::SendFeatureReport(const std::uint8_t* data, std::size_t length) {
  mouse_.ReceiveFeatureReport(data, length);
  return true;
}

std::size_t VirtualMouseLink::InputReportLength() const {
  return mouse_.InputCollection().inputReportByteLength;
}

bool VirtualMouseLink::ReadInputReport(std::uint8_t* data, std::size_t length) {
  return mouse_.ReadInputReport(data, length);
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count && i < bytes.size(); ++i) {
    char cell[4];
    std::snprintf(cell, sizeof cell, "%02x", bytes[i]);
    if (!out.empty()) out += ' ';
    out += cell;
  }
  return out;
}

}  // namespace zlv
