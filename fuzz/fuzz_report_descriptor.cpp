// libFuzzer target for the report descriptor reader and the uevent line
// reader, the two things a Linux host takes from the kernel about a device
// before it opens it: any bytes are read or refused with a reason, never
// read past their end, and what is read holds together (every collection's
// lengths cover its reports; an accepted descriptor has a collection).
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/hidraw_discovery.h"
#include "device/report_descriptor.h"
#include "fuzz/fuzz_support.h"

namespace {

using zlv::fuzz::Check;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // One byte past the kernel's limit, so the refusal of longer ones is tried.
  zlv::fuzz::DefaultMaxLen(argc, argv, zlv::kMaxReportDescriptorSize + 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so a read past the end is a heap overflow.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto* copy = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const zlv::ParsedReportDescriptor d = zlv::ParseReportDescriptor(size == 0 ? nullptr : copy, size);
  Check(d.ok == d.error.empty());
  Check(!d.ok || !d.collections.empty());
  Check(d.ok || d.collections.empty());
  for (const zlv::TopLevelCollection& c : d.collections) {
    for (const zlv::ReportLayout& r : c.reports) {
      const std::uint32_t bytesOfReport = (r.bits + 7) / 8 + 1;
      const std::uint16_t length = r.kind == zlv::ReportKind::kInput    ? c.caps.inputReportByteLength
                                   : r.kind == zlv::ReportKind::kOutput ? c.caps.outputReportByteLength
                                                                        : c.caps.featureReportByteLength;
      Check(length >= bytesOfReport);
    }
  }

  // The same bytes as a uevent.
  const std::optional<zlv::HidId> id = zlv::ParseUeventHidId(bytes);
  if (id) Check(bytes.find("HID_ID=") != std::string::npos);
  return 0;
}
