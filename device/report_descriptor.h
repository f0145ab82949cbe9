// A HID report descriptor read the way the host needs it: its top-level
// collections, each with its usage page and usage, the report ids it uses
// and the byte lengths of its input, output and feature reports. The lengths
// are counted as Windows counts them in a collection's capabilities: the
// longest report of the kind plus one byte for the report id, which is there
// (as 0) even when the collection has no ids.
//
// The descriptor comes from the device (a kernel attribute or an ioctl), so
// it is outside input: anything malformed is refused with a message, and the
// parser never reads past the end of what it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/hid_transport.h"

namespace zlv {

// The kernel never hands out a descriptor longer than this.
inline constexpr std::size_t kMaxReportDescriptorSize = 4096;

enum class ReportKind : std::uint8_t { kInput, kOutput, kFeature };

struct ReportLayout {
  ReportKind kind = ReportKind::kInput;
  std::uint8_t id = 0;       // 0: the collection uses no report ids
  std::uint32_t bits = 0;    // data bits of the report, without the id byte
};

struct TopLevelCollection {
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
  std::vector<ReportLayout> reports;
  // The usage, usage page and report byte lengths, as capabilities.
  HidCollectionCaps caps;

  bool HasReport(ReportKind kind, std::uint8_t id) const;
  // True when the collection's reports carry an id byte on the wire.
  bool NumberedReports() const;
};

struct ParsedReportDescriptor {
  bool ok = false;
  // Why the descriptor was refused (empty when ok).
  std::string error;
  std::vector<TopLevelCollection> collections;
};

ParsedReportDescriptor ParseReportDescriptor(const std::uint8_t* data, std::size_t size);

}  // namespace zlv
