#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/report_descriptor.h"
#include "sim/mouse_descriptors.h"

namespace zlv {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

ParsedReportDescriptor Parse(const Bytes& bytes) { return ParseReportDescriptor(bytes.data(), bytes.size()); }

struct Expected {
  std::uint16_t usagePage, usage, input, output, feature;
};

std::vector<Expected> Summary(const ParsedReportDescriptor& d) {
  std::vector<Expected> out;
  for (const TopLevelCollection& c : d.collections) {
    out.push_back({c.caps.usagePage, c.caps.usage, c.caps.inputReportByteLength, c.caps.outputReportByteLength,
                   c.caps.featureReportByteLength});
  }
  return out;
}

bool operator==(const Expected& a, const Expected& b) {
  return a.usagePage == b.usagePage && a.usage == b.usage && a.input == b.input && a.output == b.output &&
         a.feature == b.feature;
}

void PrintTo(const Expected& e, std::ostream* os) {
  *os << std::hex << "{page " << e.usagePage << ", usage " << e.usage << std::dec << ", in " << e.input
      << ", out " << e.output << ", feature " << e.feature << "}";
}

struct GoodCase {
  const char* name;
  Bytes bytes;
  std::vector<Expected> collections;
};

// Lengths as Windows reports them: the longest report of a kind plus the id
// byte, 0 when the collection has none of that kind.
TEST(ReportDescriptor, CountsEachTopLevelCollectionAsWindowsDoes) {
  namespace md = mouse_descriptors;
  const std::vector<GoodCase> cases = {
      {"vendor input", md::kVendorInput, {{0xFF00, 1, 8, 0, 0}}},
      {"vendor feature", md::kVendorFeature, {{0xFF01, 1, 0, 0, 8}}},
      {"standard mouse, nested physical collection", md::kStandardMouse, {{0x0001, 2, 4, 0, 0}}},
      {"three collections on one node",
       Join({md::kStandardMouse, md::kVendorInput, md::kVendorFeature}),
       {{0x0001, 2, 4, 0, 0}, {0xFF00, 1, 8, 0, 0}, {0xFF01, 1, 0, 0, 8}}},
      // Without report ids the id byte is still counted (as 0).
      {"no report id", {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02, 0xC0},
       {{0xFF00, 1, 9, 0, 0}}},
      // Two input reports: the longer one sizes the collection; bits round up.
      {"longest report of several, rounded up to bytes",
       {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x85, 0x02,
        0x75, 0x08, 0x95, 0x05, 0x81, 0x02, 0x95, 0x02, 0x91, 0x02, 0xC0},
       {{0xFF00, 1, 6, 3, 0}}},
      // A four-byte usage carries its own page.
      {"extended usage", {0x05, 0x01, 0x0B, 0x01, 0x00, 0x01, 0xFF, 0xA1, 0x01, 0x85, 0x07, 0x75, 0x08, 0x95,
                          0x07, 0xB1, 0x02, 0xC0},
       {{0xFF01, 1, 0, 0, 8}}},
      // Push and pop restore the usage page and sizes for the next collection.
      {"push and pop",
       {0x06, 0x00, 0xFF, 0x75, 0x08, 0xA4, 0x05, 0x01, 0x75, 0x10, 0x09, 0x02, 0xA1, 0x01, 0x95, 0x01, 0x81,
        0x02, 0xC0, 0xB4, 0x09, 0x01, 0xA1, 0x01, 0x95, 0x02, 0x81, 0x02, 0xC0},
       {{0x0001, 2, 3, 0, 0}, {0xFF00, 1, 3, 0, 0}}},
      // Long items have no use here and are skipped whole.
      {"long item skipped", Join({{0xFE, 0x02, 0x10, 0xAA, 0xBB}, md::kVendorInput}), {{0xFF00, 1, 8, 0, 0}}},
  };
  for (const GoodCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ParsedReportDescriptor d = Parse(c.bytes);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(Summary(d), c.collections);
  }
}

TEST(ReportDescriptor, KnowsTheReportIdsOfEachCollection) {
  const ParsedReportDescriptor d =
      Parse(Join({mouse_descriptors::kStandardMouse, mouse_descriptors::kVendorFeature}));
  ASSERT_TRUE(d.ok) << d.error;
  ASSERT_EQ(d.collections.size(), 2u);
  EXPECT_TRUE(d.collections[0].HasReport(ReportKind::kInput, 1));
  EXPECT_FALSE(d.collections[0].HasReport(ReportKind::kFeature, 7));
  EXPECT_TRUE(d.collections[1].HasReport(ReportKind::kFeature, 7));
  EXPECT_FALSE(d.collections[1].HasReport(ReportKind::kInput, 7));
  EXPECT_TRUE(d.collections[1].NumberedReports());
}

struct BadCase {
  const char* name;
  Bytes bytes;
  const char* why;  // part of the message
};

TEST(ReportDescriptor, RefusesDamagedOrHostileDescriptorsWithAReason) {
  Bytes deep;
  for (int i = 0; i < 65; ++i) deep.insert(deep.end(), {0x09, 0x01, 0xA1, 0x01});
  for (int i = 0; i < 65; ++i) deep.push_back(0xC0);
  Bytes pushes;
  for (int i = 0; i < 17; ++i) pushes.push_back(0xA4);
  Bytes huge(kMaxReportDescriptorSize + 1, 0x00);
  Bytes tooLong = {0x09, 0x01, 0xA1, 0x01, 0x75, 0xFF, 0x96, 0x00, 0x30};  // 255 bits x 12288
  for (int i = 0; i < 3; ++i) tooLong.insert(tooLong.end(), {0x81, 0x02});
  tooLong.push_back(0xC0);

  const std::vector<BadCase> cases = {
      {"empty", {}, "empty"},
      {"longer than the kernel allows", huge, "longer than"},
      {"item cut off", {0x06, 0x00}, "cut off"},
      {"four-byte item cut off", {0x09, 0x01, 0xA1, 0x01, 0x27, 0xFF, 0xFF}, "cut off"},
      {"long item cut off", {0xFE, 0x10, 0x00, 0x01}, "long item"},
      {"long item header cut off", {0xFE}, "long item"},
      {"end without collection", {0xC0}, "end of collection"},
      {"collection not closed", {0x09, 0x01, 0xA1, 0x01, 0x81, 0x02}, "not closed"},
      {"report outside every collection", {0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, "outside"},
      {"report id 0", {0x09, 0x01, 0xA1, 0x01, 0x85, 0x00, 0xC0}, "report id"},
      {"report id beyond 255", {0x09, 0x01, 0xA1, 0x01, 0x86, 0x00, 0x01, 0xC0}, "report id"},
      {"report size beyond 256 bits", {0x76, 0x01, 0x01}, "report size"},
      {"report count beyond the kernel's", {0x96, 0x01, 0x30}, "report count"},
      {"a report too long", tooLong, "too long"},
      {"collections nested too deeply", deep, "nest"},
      {"pushes beyond the stack", pushes, "push"},
      {"pop without push", {0xB4}, "pop"},
      {"no collection at all", {0x05, 0x01, 0x09, 0x02}, "no collection"},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ParsedReportDescriptor d = Parse(c.bytes);
    EXPECT_FALSE(d.ok);
    EXPECT_NE(d.error.find(c.why), std::string::npos) << d.error;
    EXPECT_TRUE(d.collections.empty());
  }
}

// A descriptor cut at every length is refused (or, cut after a collection,
// read), never read past its end (the sanitizers watch the reads of the copy, which has no spare bytes).
TEST(ReportDescriptor, EveryPrefixOfTheMouseDescriptorStaysInBounds) {
  const Bytes full = Join({mouse_descriptors::kStandardMouse, mouse_descriptors::kVendorInput});
  for (std::size_t n = 1; n < full.size(); ++n) {
    const std::vector<std::uint8_t> prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    const ParsedReportDescriptor d = ParseReportDescriptor(prefix.data(), prefix.size());
    // Before the end of the first collection nothing is whole; after it, a
    // prefix that ends between items is a descriptor with trailing items.
    if (n < mouse_descriptors::kStandardMouse.size()) {
      EXPECT_FALSE(d.ok) << "prefix of " << n << " bytes";
    }
    EXPECT_EQ(d.ok, !d.collections.empty());
  }
}

}  // namespace
}  // namespace zlv
