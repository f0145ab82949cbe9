#include "tools/uhid_mouse/uhid_mouse.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "demo/demo_companion.h"
#include "device/protocol.h"

namespace zlv::uhidmouse {

std::vector<std::uint8_t> VendorCollectionDescriptor(CollectionKind kind, std::size_t reportLength) {
  const bool input = kind == CollectionKind::kInput;
  const std::uint16_t page = input ? protocol::kInputUsagePage : protocol::kFeatureUsagePage;
  const auto count = static_cast<std::uint8_t>(std::clamp<std::size_t>(reportLength, 2, 256) - 1);
  return {
      0x06, static_cast<std::uint8_t>(page & 0xFF), static_cast<std::uint8_t>(page >> 8),  // usage page
      0x09, static_cast<std::uint8_t>(protocol::kVendorUsage),                           // usage
      0xA1, 0x01,                                                                         // application collection
      0x85, protocol::kReportId,                                                          // report id
      0x09, 0x01,                                                                         // usage
      0x15, 0x00,                                                                         // logical minimum 0
      0x26, 0xFF, 0x00,                                                                   // logical maximum 255
      0x75, 0x08,                                                                         // report size 8 bits
      0x95, count,                                                                        // report count
      static_cast<std::uint8_t>(input ? 0x81 : 0xB1), 0x02,                               // input / feature, variable
      0xC0,                                                                               // end collection
  };
}

std::optional<ControlCommand> ParseControlLine(const std::string& line) {
  std::istringstream in(line);
  std::string word;
  if (!(in >> word) || word[0] == '#') return std::nullopt;
  ControlCommand command{ControlCommand::Kind::kQuit, 0, {}};
  auto number = [&](int low, int high, std::optional<int> fallback) -> bool {
    std::string text;
    if (!(in >> text)) {
      if (!fallback) return false;
      command.number = *fallback;
      return true;
    }
    std::size_t used = 0;
    int value = 0;
    try {
      value = std::stoi(text, &used);
    } catch (...) {
      return false;
    }
    if (used != text.size() || value < low || value > high) return false;
    command.number = value;
    return true;
  };
  std::string rest;
  if (word == "press" || word == "release") {
    command.kind = word == "press" ? ControlCommand::Kind::kPress : ControlCommand::Kind::kRelease;
    if (!number(1, kHardwareButtonCount, std::nullopt)) return std::nullopt;
  } else if (word == "unplug") {
    command.kind = ControlCommand::Kind::kUnplug;
    if (!number(0, 60000, 2000)) return std::nullopt;
  } else if (word == "plug" || word == "quit") {
    command.kind = word == "plug" ? ControlCommand::Kind::kPlug : ControlCommand::Kind::kQuit;
  } else if (word == "input") {
    command.kind = ControlCommand::Kind::kInput;
    std::string hex;
    while (in >> hex) {
      if (hex.size() != 2 || !std::isxdigit(static_cast<unsigned char>(hex[0])) ||
          !std::isxdigit(static_cast<unsigned char>(hex[1]))) {
        return std::nullopt;
      }
      command.bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex, nullptr, 16)));
    }
    if (command.bytes.empty()) return std::nullopt;
  } else {
    return std::nullopt;
  }
  if (in >> rest) return std::nullopt;  // trailing words
  return command;
}

EmulatedMouse::EmulatedMouse(Clock& clock, VirtualMouse::Options options)
    : mouse_(clock, options), options_(options), origin_(clock.Now()) {
  last_feature_.assign(options.featureReportLength, 0);
  if (!last_feature_.empty()) last_feature_[0] = protocol::kReportId;
}

std::string EmulatedMouse::SetFeatureReport(const std::vector<std::uint8_t>& bytes) {
  mouse_.ReceiveFeatureReport(bytes.data(), bytes.size());
  last_feature_ = bytes;
  const std::vector<LoggedReport> log = mouse_.Log();
  return demo::ReportLogLine(log.back(), origin_);
}

std::vector<std::uint8_t> EmulatedMouse::GetFeatureReport() const { return last_feature_; }

std::vector<std::vector<std::uint8_t>> EmulatedMouse::Drain() {
  std::vector<std::vector<std::uint8_t>> reports;
  while (mouse_.PendingInputReports() > 0) {
    std::vector<std::uint8_t> report(options_.inputReportLength, 0);
    if (!mouse_.ReadInputReport(report.data(), report.size())) break;
    reports.push_back(std::move(report));
  }
  return reports;
}

std::vector<std::vector<std::uint8_t>> EmulatedMouse::Press(int button) {
  mouse_.PressButton(button);
  return Drain();
}

std::vector<std::vector<std::uint8_t>> EmulatedMouse::Release(int button) {
  mouse_.ReleaseButton(button);
  return Drain();
}

std::vector<std::vector<std::uint8_t>> EmulatedMouse::RawInput(std::vector<std::uint8_t> bytes) {
  mouse_.QueueInputReport(std::move(bytes));
  return Drain();
}

std::vector<std::string> EmulatedMouse::TakeNewErrors() {
  const std::vector<std::string> all = mouse_.ProtocolErrors();
  std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(std::min(errors_taken_, all.size())),
                                 all.end());
  errors_taken_ = all.size();
  return fresh;
}

}  // namespace zlv::uhidmouse
