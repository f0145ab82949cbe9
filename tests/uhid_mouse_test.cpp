// The emulated mouse of the guest tests: its report descriptors declare the
// collections and report lengths the host reads from the capabilities, its
// control lines are read strictly, and it answers as the virtual mouse.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/report_descriptor.h"
#include "sim/mouse_descriptors.h"
#include "tools/uhid_mouse/uhid_mouse.h"

namespace zlv::uhidmouse {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(UhidMouseTest, DescriptorsDeclareTheVendorCollectionsAtTheirLengths) {
  struct Case {
    CollectionKind kind;
    std::size_t length;
    std::uint32_t page;
  };
  for (const Case& c : {Case{CollectionKind::kInput, 8, 0xFF00}, Case{CollectionKind::kFeature, 8, 0xFF01},
                        Case{CollectionKind::kInput, 16, 0xFF00}, Case{CollectionKind::kFeature, 65, 0xFF01}}) {
    SCOPED_TRACE(c.length);
    const Bytes d = VendorCollectionDescriptor(c.kind, c.length);
    // Read as the Linux build reads a hidraw node's descriptor, which counts
    // the lengths as HidP_GetCaps does.
    const ParsedReportDescriptor p = ParseReportDescriptor(d.data(), d.size());
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_EQ(p.collections.size(), 1u);
    const TopLevelCollection& col = p.collections[0];
    EXPECT_EQ(col.usagePage, c.page);
    EXPECT_EQ(col.usage, 1u);
    const bool input = c.kind == CollectionKind::kInput;
    EXPECT_TRUE(col.HasReport(input ? ReportKind::kInput : ReportKind::kFeature, 7));
    EXPECT_EQ(input ? col.caps.inputReportByteLength : col.caps.featureReportByteLength, c.length);
    EXPECT_EQ(input ? col.caps.featureReportByteLength : col.caps.inputReportByteLength, 0u);
  }
  // At the real mouse's lengths, the emulator declares the very descriptors
  // the fake sysfs trees of the native tests give.
  EXPECT_EQ(VendorCollectionDescriptor(CollectionKind::kInput, 8), mouse_descriptors::kVendorInput);
  EXPECT_EQ(VendorCollectionDescriptor(CollectionKind::kFeature, 8), mouse_descriptors::kVendorFeature);
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
