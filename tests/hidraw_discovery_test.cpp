// Finding the mouse's hidraw nodes in a sysfs tree of the test's own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/hidraw_discovery.h"
#include "device/protocol.h"
#include "sim/mouse_descriptors.h"
#include "sim/virtual_hidraw.h"
#include "tests/support/test_support.h"

namespace zlv {
namespace {

namespace md = mouse_descriptors;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kVendor = protocol::kVendorId;
constexpr std::uint16_t kProduct = protocol::kProductId;

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(HidrawUevent, ReadsTheBusVendorAndProductOfHidId) {
  struct Case {
    const char* uevent;
    bool found;
    HidId id;
  };
  const Case cases[] = {
      {"DRIVER=hid-generic\nHID_ID=0003:000018F8:00001286\nHID_NAME=x\n", true, {3, 0x18F8, 0x1286}},
      {"HID_ID=0005:0000046d:0000b01a", true, {5, 0x046D, 0xB01A}},  // no final newline, lower case
      {"HID_NAME=x\n", false, {}},
      {"HID_ID=0003:000018F8\n", false, {}},
      {"HID_ID=0003:0001000018F8:00001286\n", false, {}},  // vendor too long
      {"HID_ID=0003:0001FFFF:00001286\n", false, {}},      // beyond 16 bits
      {"HID_ID=0003:00zz18F8:00001286\n", false, {}},
      {"XHID_ID=0003:000018F8:00001286\n", false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.uevent);
    const std::optional<HidId> id = ParseUeventHidId(c.uevent);
    ASSERT_EQ(id.has_value(), c.found);
    if (!id) continue;
    EXPECT_EQ(id->bus, c.id.bus);
    EXPECT_EQ(id->vendorId, c.id.vendorId);
    EXPECT_EQ(id->productId, c.id.productId);
  }
}

class HidrawDiscoveryTest : public ::testing::Test {
 protected:
  void Node(const std::string& name, std::uint16_t vendor, std::uint16_t product, const Bytes& descriptor) {
    WriteFakeHidrawNode(dir.path(), name, vendor, product, descriptor);
  }
  std::vector<HidrawNode> List() { return ListHidrawNodes(dir.path(), "/dev"); }

  testing::TempDir dir;
};

TEST_F(HidrawDiscoveryTest, ChoosesTheVendorCollectionsAmongOtherDevicesAndCollections) {
  Node("hidraw0", 0x046D, 0xC52B, md::kStandardMouse);  // another maker's mouse
  Node("hidraw1", kVendor, kProduct, md::kStandardMouse);
  Node("hidraw2", kVendor, kProduct, md::kVendorInput);
  Node("hidraw10", kVendor, kProduct, md::kVendorFeature);  // after hidraw2, not before
  std::vector<HidrawNode> nodes = List();
  ASSERT_EQ(nodes.size(), 4u);
  EXPECT_EQ(nodes[3].name, "hidraw10");
  EXPECT_EQ(nodes[3].devnode, "/dev/hidraw10");

  const MouseCollections chosen = ChooseMouseCollections(nodes);
  ASSERT_TRUE(chosen.Found()) << chosen.problem;
  EXPECT_EQ(chosen.input->node, 2u);
  EXPECT_EQ(chosen.feature->node, 3u);
  EXPECT_NE(nodes[0].skipped.find("another device (vendor 046d, product c52b)"), std::string::npos);
  EXPECT_NE(nodes[1].skipped.find("none of the mouse's vendor collections"), std::string::npos);
  EXPECT_TRUE(nodes[2].skipped.empty());
  EXPECT_TRUE(nodes[3].skipped.empty());
}

TEST_F(HidrawDiscoveryTest, OneNodeMayCarryBothVendorCollections) {
  Node("hidraw4", kVendor, kProduct, Join({md::kStandardMouse, md::kVendorInput, md::kVendorFeature}));
  std::vector<HidrawNode> nodes = List();
  const MouseCollections chosen = ChooseMouseCollections(nodes);
  ASSERT_TRUE(chosen.Found()) << chosen.problem;
  EXPECT_EQ(chosen.input->collection, 1u);
  EXPECT_EQ(chosen.feature->collection, 2u);
  EXPECT_EQ(nodes[0].descriptor.collections[2].caps.featureReportByteLength, 8);
}

TEST_F(HidrawDiscoveryTest, TheFirstOfTwoMiceIsTaken) {
  Node("hidraw0", kVendor, kProduct, md::kVendorInput);
  Node("hidraw1", kVendor, kProduct, md::kVendorFeature);
  Node("hidraw2", kVendor, kProduct, md::kVendorInput);
  Node("hidraw3", kVendor, kProduct, md::kVendorFeature);
  std::vector<HidrawNode> nodes = List();
  const MouseCollections chosen = ChooseMouseCollections(nodes);
  ASSERT_TRUE(chosen.Found());
  EXPECT_EQ(chosen.input->node, 0u);
  EXPECT_EQ(chosen.feature->node, 1u);
}

// What a user is told when the mouse's nodes cannot be used.
TEST_F(HidrawDiscoveryTest, SaysWhyTheMouseWasNotTaken) {
  Bytes featureWithoutReport7 = md::kVendorFeature;
  featureWithoutReport7[8] = 0x08;  // report id 8 instead of 7
  struct Case {
    const char* name;
    std::vector<std::pair<std::uint16_t, Bytes>> nodes;  // vendor, descriptor
    const char* problem;
    const char* skipped;  // of the last node
  };
  const std::vector<Case> cases = {
      {"nothing plugged in", {}, "no Zelvan mouse found: is it plugged in?", nullptr},
      {"only other devices", {{0x046D, md::kStandardMouse}}, "no Zelvan mouse found", "another device"},
      {"no feature collection", {{kVendor, md::kVendorInput}}, "feature collection (usage page 0xff01) was not found",
       nullptr},
      {"feature collection without report 7",
       {{kVendor, md::kVendorInput}, {kVendor, featureWithoutReport7}},
       "takes no feature report 7", "no feature report 7"},
      {"no input collection", {{kVendor, md::kVendorFeature}}, "input collection (usage page 0xff00) was not found",
       nullptr},
      {"missing descriptor", {{kVendor, md::kVendorInput}, {kVendor, {}}}, "was not found", "cannot be read"},
      {"refused descriptor", {{kVendor, md::kVendorInput}, {kVendor, {0xA1, 0x01}}}, "was not found",
       "refused: a collection is not closed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir tree;
    int n = 0;
    for (const auto& [vendor, descriptor] : c.nodes) {
      WriteFakeHidrawNode(tree.path(), "hidraw" + std::to_string(n++), vendor, kProduct, descriptor);
    }
    std::vector<HidrawNode> nodes = ListHidrawNodes(tree.path(), "/dev");
    const MouseCollections chosen = ChooseMouseCollections(nodes);
    EXPECT_FALSE(chosen.Found());
    EXPECT_NE(chosen.problem.find(c.problem), std::string::npos) << chosen.problem;
    if (c.skipped != nullptr) {
      ASSERT_FALSE(nodes.empty());
      EXPECT_NE(nodes.back().skipped.find(c.skipped), std::string::npos) << nodes.back().skipped;
    }
  }
}

TEST_F(HidrawDiscoveryTest, ANodeWithoutUeventIsListedAsSkipped) {
  std::filesystem::create_directories(dir.path() / "class" / "hidraw" / "hidraw0" / "device");
  const std::vector<HidrawNode> nodes = List();
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_NE(nodes[0].skipped.find("no HID_ID"), std::string::npos);
}

}  // namespace
}  // namespace zlv
