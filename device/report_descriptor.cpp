#include "device/report_descriptor.h"

#include <algorithm>
#include <array>

namespace zlv {

namespace {

// Limits of the kernel's own parser: a descriptor beyond them never reaches
// a hidraw node, so anything past them is a damaged or hostile one.
constexpr std::uint32_t kMaxReportSize = 256;      // bits of one field
constexpr std::uint32_t kMaxReportCount = 12288;   // fields of one item
constexpr std::uint32_t kMaxReportBytes = 16384;   // one report, without its id
constexpr int kMaxGlobalStack = 16;                // Push without Pop
constexpr int kMaxCollectionDepth = 64;

enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

// Main item tags.
constexpr std::uint8_t kInputTag = 0x8;
constexpr std::uint8_t kOutputTag = 0x9;
constexpr std::uint8_t kCollectionTag = 0xA;
constexpr std::uint8_t kFeatureTag = 0xB;
constexpr std::uint8_t kEndCollectionTag = 0xC;
// Global item tags.
constexpr std::uint8_t kUsagePageTag = 0x0;
constexpr std::uint8_t kReportSizeTag = 0x7;
constexpr std::uint8_t kReportIdTag = 0x8;
constexpr std::uint8_t kReportCountTag = 0x9;
constexpr std::uint8_t kPushTag = 0xA;
constexpr std::uint8_t kPopTag = 0xB;
// Local item tags.
constexpr std::uint8_t kUsageTag = 0x0;
constexpr std::uint8_t kUsageMinimumTag = 0x1;

constexpr std::uint8_t kLongItemPrefix = 0xFE;

struct GlobalState {
  std::uint16_t usagePage = 0;
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint8_t reportId = 0;
};

struct LocalState {
  bool hasUsage = false;
  std::uint32_t usage = 0;
  std::uint8_t usageSize = 0;  // bytes of the usage item: 4 carries its own page
};

std::uint32_t LittleEndian(const std::uint8_t* p, std::size_t n) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return v;
}

ParsedReportDescriptor Refuse(std::string why, std::size_t offset) {
  ParsedReportDescriptor result;
  result.error = std::move(why) + " (at byte " + std::to_string(offset) + ")";
  return result;
}

std::uint16_t ByteLength(const TopLevelCollection& c, ReportKind kind) {
  std::uint32_t longest = 0;
  bool any = false;
  for (const ReportLayout& r : c.reports) {
    if (r.kind != kind) continue;
    any = true;
    longest = std::max(longest, (r.bits + 7) / 8);
  }
  return any ? static_cast<std::uint16_t>(longest + 1) : 0;
}

}  // namespace

bool TopLevelCollection::HasReport(ReportKind kind, std::uint8_t id) const {
  return std::any_of(reports.begin(), reports.end(),
                     [&](const ReportLayout& r) { return r.kind == kind && r.id == id; });
}

bool TopLevelCollection::NumberedReports() const {
  return std::any_of(reports.begin(), reports.end(), [](const ReportLayout& r) { return r.id != 0; });
}

ParsedReportDescriptor ParseReportDescriptor(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size == 0) return Refuse("the report descriptor is empty", 0);
  if (size > kMaxReportDescriptorSize) {
    return Refuse("the report descriptor is longer than " + std::to_string(kMaxReportDescriptorSize) +
                      " bytes",
                  kMaxReportDescriptorSize);
  }

  ParsedReportDescriptor result;
  GlobalState global;
  std::array<GlobalState, kMaxGlobalStack> stack{};
  int stackDepth = 0;
  LocalState local;
  int depth = 0;

  std::size_t at = 0;
  while (at < size) {
    const std::size_t itemStart = at;
    const std::uint8_t prefix = data[at++];
    if (prefix == kLongItemPrefix) {
      // A long item: its size, its tag, then its data. No defined use; skipped.
      if (size - at < 2) return Refuse("a long item is cut off", itemStart);
      const std::size_t dataSize = data[at];
      at += 2;
      if (size - at < dataSize) return Refuse("a long item is cut off", itemStart);
      at += dataSize;
      continue;
    }
    static constexpr std::size_t kDataSizes[4] = {0, 1, 2, 4};
    const std::size_t dataSize = kDataSizes[prefix & 0x3];
    const auto type = static_cast<ItemType>((prefix >> 2) & 0x3);
    const std::uint8_t tag = prefix >> 4;
    if (size - at < dataSize) return Refuse("an item is cut off", itemStart);
    const std::uint32_t value = LittleEndian(data + at, dataSize);
    at += dataSize;

    switch (type) {
      case kMain: {
        if (tag == kCollectionTag) {
          if (depth == kMaxCollectionDepth) return Refuse("collections nest too deeply", itemStart);
          if (depth == 0) {
            TopLevelCollection c;
            if (local.hasUsage) {
              c.usagePage = local.usageSize == 4 ? static_cast<std::uint16_t>(local.usage >> 16)
                                                 : global.usagePage;
              c.usage = static_cast<std::uint16_t>(local.usage & 0xFFFF);
            } else {
              c.usagePage = global.usagePage;
            }
            result.collections.push_back(std::move(c));
          }
          ++depth;
        } else if (tag == kEndCollectionTag) {
          if (depth == 0) return Refuse("an end of collection without its collection", itemStart);
          --depth;
        } else if (tag == kInputTag || tag == kOutputTag || tag == kFeatureTag) {
          if (depth == 0) return Refuse("a report outside every collection", itemStart);
          const ReportKind kind = tag == kInputTag    ? ReportKind::kInput
                                  : tag == kOutputTag ? ReportKind::kOutput
                                                      : ReportKind::kFeature;
          TopLevelCollection& c = result.collections.back();
          auto it = std::find_if(c.reports.begin(), c.reports.end(), [&](const ReportLayout& r) {
            return r.kind == kind && r.id == global.reportId;
          });
          if (it == c.reports.end()) {
            c.reports.push_back(ReportLayout{kind, global.reportId, 0});
            it = c.reports.end() - 1;
          }
          // Both factors are bounded when they are set, so this cannot overflow.
          it->bits += global.reportSize * global.reportCount;
          if (it->bits > kMaxReportBytes * 8) return Refuse("a report is too long", itemStart);
        }
        // Other main tags are reserved: nothing to count.
        local = LocalState{};
        break;
      }
      case kGlobal:
        switch (tag) {
          case kUsagePageTag:
            global.usagePage = static_cast<std::uint16_t>(value);
            break;
          case kReportSizeTag:
            if (value > kMaxReportSize) return Refuse("a report size beyond 256 bits", itemStart);
            global.reportSize = value;
            break;
          case kReportCountTag:
            if (value > kMaxReportCount) return Refuse("a report count beyond 12288", itemStart);
            global.reportCount = value;
            break;
          case kReportIdTag:
            if (value == 0 || value > 0xFF) return Refuse("a report id outside 1..255", itemStart);
            global.reportId = static_cast<std::uint8_t>(value);
            break;
          case kPushTag:
            if (stackDepth == kMaxGlobalStack) return Refuse("too many pushes of the global state", itemStart);
            stack[static_cast<std::size_t>(stackDepth++)] = global;
            break;
          case kPopTag:
            if (stackDepth == 0) return Refuse("a pop without a push", itemStart);
            global = stack[static_cast<std::size_t>(--stackDepth)];
            break;
          default:
            break;  // logical and physical ranges, units: not needed here
        }
        break;
      case kLocal:
        // The first usage names the collection that follows.
        if ((tag == kUsageTag || tag == kUsageMinimumTag) && !local.hasUsage) {
          local.hasUsage = true;
          local.usage = value;
          local.usageSize = static_cast<std::uint8_t>(dataSize);
        }
        break;
      case kReserved:
        break;
    }
  }
  if (depth != 0) return Refuse("a collection is not closed", size);
  if (result.collections.empty()) return Refuse("the report descriptor has no collection", size);

  for (TopLevelCollection& c : result.collections) {
    c.caps.usage = c.usage;
    c.caps.usagePage = c.usagePage;
    c.caps.inputReportByteLength = ByteLength(c, ReportKind::kInput);
    c.caps.outputReportByteLength = ByteLength(c, ReportKind::kOutput);
    c.caps.featureReportByteLength = ByteLength(c, ReportKind::kFeature);
  }
  result.ok = true;
  return result;
}

}  // namespace zlv
