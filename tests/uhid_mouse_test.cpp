// The emulated mouse of the guest tests: its report descriptors declare the
// collections and report lengths the host reads from the capabilities, its
// control lines are read strictly, and it answers as the virtual mouse.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "tools/uhid_mouse/uhid_mouse.h"

namespace zlv::uhidmouse {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What a HID parser reads from a descriptor of one collection: the usage
// page, the usage of the collection, its report id and the byte length of
// its input and feature reports (the id included, as HidP_GetCaps gives it).
struct Parsed {
  std::uint32_t usagePage = 0;
  std::uint32_t usage = 0;
  std::uint32_t reportId = 0;
  std::size_t inputLength = 0;
  std::size_t featureLength = 0;
  int depth = 0;
};

Parsed Parse(const Bytes& d) {
  Parsed p;
  std::uint32_t size = 0, count = 0, localUsage = 0;
  std::size_t inputBits = 0, featureBits = 0;
  for (std::size_t i = 0; i < d.size();) {
    const std::uint8_t prefix = d[i];
    const std::size_t n = (prefix & 3) == 3 ? 4 : (prefix & 3);
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < n; ++k) value |= static_cast<std::uint32_t>(d.at(i + 1 + k)) << (8 * k);
    switch (prefix & 0xFC) {
      case 0x04: p.usagePage = value; break;
      case 0x08: localUsage = value; break;
      case 0xA0: if (p.depth++ == 0) p.usage = localUsage; break;
      case 0xC0: --p.depth; break;
      case 0x84: p.reportId = value; break;
      case 0x74: size = value; break;
      case 0x94: count = value; break;
      case 0x80: inputBits += size * count; break;
      case 0xB0: featureBits += size * count; break;
      default: break;
    }
    i += 1 + n;
  }
  const std::size_t id = p.reportId != 0 ? 1 : 0;
  p.inputLength = inputBits ? inputBits / 8 + id : 0;
  p.featureLength = featureBits ? featureBits / 8 + id : 0;
  return p;
}

TEST(UhidMouseTest, DescriptorsDeclareTheVendorCollectionsAtTheirLengths) {
  struct Case {
    CollectionKind kind;
    std::size_t length;
    std::uint32_t page;
  };
  for (const Case& c : {Case{CollectionKind::kInput, 8, 0xFF00}, Case{CollectionKind::kFeature, 8, 0xFF01},
                        Case{CollectionKind::kInput, 16, 0xFF00}, Case{CollectionKind::kFeature, 65, 0xFF01}}) {
    const Parsed p = Parse(VendorCollectionDescriptor(c.kind, c.length));
    SCOPED_TRACE(c.length);
    EXPECT_EQ(p.usagePage, c.page);
    EXPECT_EQ(p.usage, 1u);
    EXPECT_EQ(p.reportId, 7u);
    EXPECT_EQ(p.depth, 0);
    EXPECT_EQ(c.kind == CollectionKind::kInput ? p.inputLength : p.featureLength, c.length);
    EXPECT_EQ(c.kind == CollectionKind::kInput ? p.featureLength : p.inputLength, 0u);
  }
}

TEST(UhidMouseTest, ControlLines) {
  using K = ControlCommand::Kind;
  struct Case {
    const char* line;
    std::optional<K> kind;
    int number;
    Bytes bytes;
  };
  const Case cases[] = {
      {"press 1", K::kPress, 1, {}},
      {"release 6", K::kRelease, 6, {}},
      {"  press 3  ", K::kPress, 3, {}},
      {"unplug", K::kUnplug, 2000, {}},
      {"unplug 0", K::kUnplug, 0, {}},
      {"plug", K::kPlug, 0, {}},
      {"quit", K::kQuit, 0, {}},
      {"input 07 f5 01", K::kInput, 0, {0x07, 0xF5, 0x01}},
      // Not understood: no button 0 or 7, numbers with tails, odd hex, extra words.
      {"press 0", std::nullopt, 0, {}},
      {"press 7", std::nullopt, 0, {}},
      {"press", std::nullopt, 0, {}},
      {"press 2x", std::nullopt, 0, {}},
      {"unplug -1", std::nullopt, 0, {}},
      {"input", std::nullopt, 0, {}},
      {"input 7 f5", std::nullopt, 0, {}},
      {"input 07 g5", std::nullopt, 0, {}},
      {"plug now", std::nullopt, 0, {}},
      {"hover 1", std::nullopt, 0, {}},
      {"", std::nullopt, 0, {}},
      {"# press 1", std::nullopt, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::optional<ControlCommand> got = ParseControlLine(c.line);
    ASSERT_EQ(got.has_value(), c.kind.has_value());
    if (!got) continue;
    EXPECT_EQ(got->kind, *c.kind);
    EXPECT_EQ(got->number, c.number);
    EXPECT_EQ(got->bytes, c.bytes);
  }
}

TEST(UhidMouseTest, AnswersAsTheVirtualMouse) {
  ManualClock clock;
  EmulatedMouse mouse(clock, VirtualMouse::Options{16, 8});
  // Before any report a GET_REPORT gives the id and zeros.
  EXPECT_EQ(mouse.GetFeatureReport(), (Bytes{7, 0, 0, 0, 0, 0, 0, 0}));

  clock.Advance(Millis(1234));
  EXPECT_EQ(mouse.SetFeatureReport({7, 0x10, 5, 0, 0, 0, 0, 0}), "1234 07 10 05 00 00 00 00 00");
  EXPECT_EQ(mouse.GetFeatureReport(), (Bytes{7, 0x10, 5, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(mouse.TakeNewErrors().empty());

  // Button 5 is now host-served: press and release are announced at the input length.
  Bytes press(16, 0), release(16, 0);
  press[0] = release[0] = 7;
  press[1] = release[1] = 0xF5;
  press[2] = 0x01;
  release[2] = 0x80;
  EXPECT_EQ(mouse.Press(5), std::vector<Bytes>{press});
  EXPECT_EQ(mouse.Release(5), std::vector<Bytes>{release});
  // Button 1 clicks inside the mouse: nothing on the vendor collection.
  EXPECT_TRUE(mouse.Press(1).empty());

  // A report the mouse cannot take is flagged once.
  mouse.SetFeatureReport({7, 0x10, 9, 1, 0, 0, 0, 0});
  mouse.SetFeatureReport({7, 0x11, 1, 0});
  EXPECT_EQ(mouse.TakeNewErrors().size(), 2u);
  EXPECT_TRUE(mouse.TakeNewErrors().empty());
}

}  // namespace
}  // namespace zlv::uhidmouse
