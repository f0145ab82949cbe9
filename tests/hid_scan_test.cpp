// The scan for the mouse and the device-change handling, over a HID system
// whose interfaces each test lays out.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "device/hid_system.h"

namespace zlv {
namespace {

struct FakeInterface {
  Text path;
  std::optional<HidAttributes> attributes;  // nothing: the attributes cannot be read
  std::optional<HidCollectionCaps> caps;    // nothing: the capabilities cannot be read
  bool probeFails = false;
  bool openFails = false;
};

class FakeHidSystem final : public HidSystem {
 public:
  // Interface index -> interface; indices without an entry do not exist.
  std::map<int, FakeInterface> interfaces;

  std::vector<int> asked;  // indices asked for, in order
  std::set<HidHandle> open;
  std::map<HidHandle, std::pair<Text, std::string>> opened;  // handle -> path, kind
  std::vector<HidHandle> closedInvalid;
  std::vector<NotifyTarget> registrations;
  int setsOpen = 0;
  int setsOpened = 0;

  void OpenInterfaceSet() override {
    ++setsOpen;
    ++setsOpened;
  }
  std::optional<Text> InterfacePath(int index) override {
    asked.push_back(index);
    const auto it = interfaces.find(index);
    if (it == interfaces.end()) return std::nullopt;
    return it->second.path;
  }
  void CloseInterfaceSet() override { --setsOpen; }
  HidHandle OpenProbe(const Text& path) override { return Add(path, "probe", Find(path).probeFails); }
  std::optional<HidAttributes> Attributes(HidHandle probe) override {
    if (!open.contains(probe)) return std::nullopt;
    return Find(opened[probe].first).attributes;
  }
  std::optional<HidCollectionCaps> Capabilities(HidHandle probe) override {
    if (!open.contains(probe)) return std::nullopt;
    return Find(opened[probe].first).caps;
  }
  HidHandle Open(const Text& path, HidAccess access) override {
    return Add(path, access == HidAccess::kRead ? "read" : "write", Find(path).openFails);
  }
  void Close(HidHandle handle) override {
    if (open.erase(handle) == 0) closedInvalid.push_back(handle);
  }
  void RegisterNotifications(NotifyTarget window) override { registrations.push_back(window); }

  // Paths of the open handles of one kind.
  std::vector<Text> OpenPaths(const std::string& kind) const {
    std::vector<Text> paths;
    for (HidHandle h : open) {
      if (opened.at(h).second == kind) paths.push_back(opened.at(h).first);
    }
    return paths;
  }
  Text PathOf(HidHandle handle) const {
    const auto it = opened.find(handle);
    return it == opened.end() ? Text{} : it->second.first;
  }

 private:
  const FakeInterface& Find(const Text& path) const {
    for (const auto& [index, item] : interfaces) {
      if (item.path == path) return item;
    }
    static const FakeInterface missing{{}, std::nullopt, std::nullopt, true, true};
    return missing;
  }
  HidHandle Add(const Text& path, const std::string& kind, bool fails) {
    if (fails) return kInvalidHandle;
    const HidHandle handle = next_++;
    open.insert(handle);
    opened[handle] = {path, kind};
    return handle;
  }
  HidHandle next_ = 0x10;
};

constexpr HidAttributes kMouseIds{0x18F8, 0x1286, 1};
constexpr HidAttributes kKeyboardIds{0x845E, 0x0001, 1};
// Same vendor, other product: not the mouse either.
constexpr HidAttributes kSiblingIds{0x18F8, 0x1287, 1};

constexpr HidCollectionCaps kPointer{0x0002, 0x0001, 5, 0, 0};
constexpr HidCollectionCaps kConsumer{0x0001, 0x000C, 3, 0, 0};
constexpr HidCollectionCaps kVendorIn{0x0001, 0xFF00, 9, 0, 0};
constexpr HidCollectionCaps kVendorFeature{0x0001, 0xFF01, 0, 0, 65};
// A vendor page with another usage gets no handle.
constexpr HidCollectionCaps kVendorInOtherUsage{0x0002, 0xFF00, 4, 0, 0};

FakeInterface Keyboard(const std::string& path) { return {Ascii(path), kKeyboardIds, kPointer}; }
FakeInterface Mouse(const std::string& path, HidCollectionCaps caps) { return {Ascii(path), kMouseIds, caps}; }

constexpr NotifyTarget kWindow = 0xC0DE;

TEST(HidScan, OpensOnlyTheVendorCollectionsAndStopsAfterTheSecond) {
  FakeHidSystem hid;
  hid.interfaces = {
      {0, Keyboard("kbd")},
      {1, Mouse("m-pointer", kPointer)},
      {2, Mouse("m-vendor-other", kVendorInOtherUsage)},
      {3, Mouse("m-consumer", kConsumer)},
      {4, Mouse("m-in", kVendorIn)},
      {5, {Ascii("sibling"), kSiblingIds, kVendorFeature}},
      {6, Mouse("m-feature", kVendorFeature)},
      {7, Mouse("m-late", kPointer)},
  };
  DeviceLink link;

  EXPECT_TRUE(ScanDevice(link, hid, kWindow));

  EXPECT_TRUE(link.DevicePresent);
  EXPECT_EQ(hid.asked, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(hid.PathOf(link.HidReadHandle), u"m-in");
  EXPECT_EQ(hid.PathOf(link.HidWriteHandle), u"m-feature");
  EXPECT_EQ(hid.OpenPaths("read"), std::vector<Text>{u"m-in"});
  EXPECT_EQ(hid.OpenPaths("write"), std::vector<Text>{u"m-feature"});
  EXPECT_EQ(link.InputCaps().inputReportByteLength, 9);
  EXPECT_EQ(link.FeatureCaps().featureReportByteLength, 65);
  EXPECT_EQ(link.DevicePath, u"m-feature");
  // One registration per interface of the mouse met; the other devices'
  // probes are closed, the mouse's stay open.
  EXPECT_EQ(hid.registrations, std::vector<NotifyTarget>(5, kWindow));
  EXPECT_EQ(hid.OpenPaths("probe"),
            (std::vector<Text>{u"m-pointer", u"m-vendor-other", u"m-consumer", u"m-in", u"m-feature"}));
  EXPECT_EQ(link.MouseProbeHandles.size(), 5u);
  EXPECT_TRUE(hid.closedInvalid.empty());
  EXPECT_EQ(hid.setsOpen, 0);
}

enum class Handle { kNone, kInvalid, kOpen };

Handle KindOf(HidHandle h) {
  if (h == kNoHandle) return Handle::kNone;
  return h == kInvalidHandle ? Handle::kInvalid : Handle::kOpen;
}

struct ScanCase {
  const char* name;
  std::map<int, FakeInterface> interfaces;
  bool present;
  Handle read;
  Handle write;
  int lastAsked;
};

class HidScanCases : public ::testing::TestWithParam<ScanCase> {};

TEST_P(HidScanCases, PresenceAndHandles) {
  const ScanCase& c = GetParam();
  FakeHidSystem hid;
  hid.interfaces = c.interfaces;
  DeviceLink link;

  EXPECT_EQ(ScanDevice(link, hid, kWindow), c.present);

  EXPECT_EQ(link.DevicePresent, c.present);
  EXPECT_EQ(KindOf(link.HidReadHandle), c.read);
  EXPECT_EQ(KindOf(link.HidWriteHandle), c.write);
  ASSERT_FALSE(hid.asked.empty());
  EXPECT_EQ(hid.asked.back(), c.lastAsked);
  EXPECT_EQ(hid.setsOpen, 0);
  // Whatever else is open belongs to the mouse.
  for (HidHandle h : hid.open) EXPECT_NE(hid.PathOf(h).substr(0, 1), u"k") << ToUtf8(hid.PathOf(h));
  EXPECT_TRUE(hid.closedInvalid.empty());
}

INSTANTIATE_TEST_SUITE_P(
    , HidScanCases,
    ::testing::Values(
        ScanCase{"NoHidDevices", {}, false, Handle::kNone, Handle::kNone, 99},
        ScanCase{"OtherDevicesOnly",
                 {{0, Keyboard("k0")}, {1, Keyboard("k1")}, {2, {Ascii("k-sibling"), kSiblingIds, kVendorIn}}},
                 false, Handle::kNone, Handle::kNone, 99},
        // Without its feature collection the scan runs to the end, and the
        // answer is whether the last interface that existed was the mouse's.
        ScanCase{"MouseLastWithoutFeatureCollection",
                 {{0, Keyboard("k0")}, {1, Mouse("m-in", kVendorIn)}, {5, Mouse("m-pointer", kPointer)}},
                 true, Handle::kOpen, Handle::kNone, 99},
        ScanCase{"OtherDeviceAfterTheMouse",
                 {{0, Mouse("m-in", kVendorIn)}, {1, Keyboard("k1")}}, false, Handle::kOpen, Handle::kNone, 99},
        ScanCase{"UnreadableAttributesAfterTheMouse",
                 {{0, Mouse("m-in", kVendorIn)}, {1, {Ascii("k-mute"), std::nullopt, kPointer}}},
                 false, Handle::kOpen, Handle::kNone, 99},
        ScanCase{"ProbeFailsAfterTheMouse",
                 {{0, Mouse("m-in", kVendorIn)}, {1, {Ascii("k-locked"), kKeyboardIds, kPointer, true}}},
                 false, Handle::kOpen, Handle::kNone, 99},
        // A collection that fails to open leaves the invalid value and still
        // counts as met.
        ScanCase{"InputCollectionFailsToOpen",
                 {{0, {Ascii("m-in"), kMouseIds, kVendorIn, false, true}},
                  {1, Mouse("m-feature", kVendorFeature)},
                  {2, Keyboard("k2")}},
                 true, Handle::kInvalid, Handle::kOpen, 1},
        ScanCase{"BothCollectionsFailToOpen",
                 {{3, {Ascii("m-feature"), kMouseIds, kVendorFeature, false, true}},
                  {4, {Ascii("m-in"), kMouseIds, kVendorIn, false, true}}},
                 true, Handle::kInvalid, Handle::kInvalid, 4},
        // Unreadable capabilities: the interface is the mouse's but opens nothing.
        ScanCase{"FeatureCapabilitiesUnreadable",
                 {{0, Mouse("m-in", kVendorIn)}, {1, {Ascii("m-feature"), kMouseIds, std::nullopt}}},
                 true, Handle::kOpen, Handle::kNone, 99},
        ScanCase{"VendorCollectionsBeyondIndex99",
                 {{0, Mouse("m-pointer", kPointer)}, {100, Mouse("m-in", kVendorIn)},
                  {101, Mouse("m-feature", kVendorFeature)}},
                 true, Handle::kNone, Handle::kNone, 99}),
    [](const ::testing::TestParamInfo<ScanCase>& param) { return std::string(param.param.name); });

// The mouse as a scan finds it, for the device-change tests.
class DeviceChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hid.interfaces = {
        {0, Keyboard("\\\\?\\hid#vid_845e&pid_0001#7&1&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}")},
        {1, Mouse("\\\\?\\hid#vid_18f8&pid_1286&col01#7&2&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  kPointer)},
        {2, Mouse("\\\\?\\hid#vid_18f8&pid_1286&col02#7&2&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  kVendorIn)},
        {3, Mouse("\\\\?\\hid#vid_18f8&pid_1286&col03#7&2&0&0002#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  kVendorFeature)},
    };
    ASSERT_TRUE(ScanDevice(link, hid, kWindow));
    hid.asked.clear();
  }

  DeviceChange Handle(std::uint32_t event, const DeviceBroadcast* header) {
    return HandleDeviceChange(link, hid, kWindow, event, header, [this] { ++shutdowns; });
  }

  Text PathOf(int index) const { return hid.interfaces.at(index).path; }

  FakeHidSystem hid;
  DeviceLink link;
  int shutdowns = 0;
};

Text Upper(Text text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }
  return text;
}

TEST_F(DeviceChangeTest, OnlyTheRemovalOfTheRecordedInterfaceShutsDown) {
  struct Case {
    const char* name;
    std::uint32_t event;
    std::uint32_t type;
    Text interfaceName;
    DeviceChange result;
  };
  const std::vector<Case> cases = {
      {"another device", kDeviceRemoveComplete, kDeviceTypeInterface, PathOf(0), DeviceChange::kIgnored},
      {"another interface of the mouse", kDeviceRemoveComplete, kDeviceTypeInterface, PathOf(2),
       DeviceChange::kIgnored},
      {"the path with a longer tail", kDeviceRemoveComplete, kDeviceTypeInterface, PathOf(3) + u"x",
       DeviceChange::kIgnored},
      {"another device type", kDeviceRemoveComplete, 6, PathOf(3), DeviceChange::kIgnored},
      {"query remove", 0x8001, kDeviceTypeInterface, PathOf(3), DeviceChange::kIgnored},
      {"remove pending", 0x8003, kDeviceTypeInterface, PathOf(3), DeviceChange::kIgnored},
      {"arrival while present", kDeviceArrival, kDeviceTypeInterface, PathOf(3), DeviceChange::kIgnored},
      {"the recorded interface", kDeviceRemoveComplete, kDeviceTypeInterface, PathOf(3), DeviceChange::kShutDown},
      {"the recorded interface in upper case", kDeviceRemoveComplete, kDeviceTypeInterface, Upper(PathOf(3)),
       DeviceChange::kShutDown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    link.DevicePresent = true;
    shutdowns = 0;
    const DeviceBroadcast header{c.type, c.interfaceName};
    EXPECT_EQ(Handle(c.event, &header), c.result);
    const bool shutDown = c.result == DeviceChange::kShutDown;
    EXPECT_EQ(shutdowns, shutDown ? 1 : 0);
    EXPECT_EQ(link.DevicePresent, !shutDown);
    EXPECT_TRUE(hid.asked.empty()) << "no scan";
  }
  EXPECT_EQ(Handle(kDeviceRemoveComplete, nullptr), DeviceChange::kIgnored);
}

TEST_F(DeviceChangeTest, ArrivalWhileAbsentScansAgainKeepingTheFirstHandles) {
  const HidHandle read = link.HidReadHandle;
  const HidHandle write = link.HidWriteHandle;
  const std::size_t openBefore = hid.open.size();
  const DeviceBroadcast header{kDeviceTypeInterface, Upper(PathOf(3))};
  ASSERT_EQ(Handle(kDeviceRemoveComplete, &header), DeviceChange::kShutDown);
  ASSERT_FALSE(link.DevicePresent);

  // The keyboard is gone; the mouse is back at index 1.
  hid.interfaces.erase(0);
  EXPECT_EQ(Handle(kDeviceArrival, &header), DeviceChange::kRescanned);

  EXPECT_TRUE(link.DevicePresent);
  // Both handles are still set, so the second scan ends at the mouse's first
  // interface, and it closes nothing of the first scan's.
  EXPECT_EQ(hid.asked, (std::vector<int>{0, 1}));
  EXPECT_EQ(link.HidReadHandle, read);
  EXPECT_EQ(link.HidWriteHandle, write);
  EXPECT_EQ(link.DevicePath, PathOf(1));
  EXPECT_EQ(hid.open.size(), openBefore + 1);
  EXPECT_EQ(hid.setsOpened, 2);
  EXPECT_EQ(hid.setsOpen, 0);

  // Now present: another arrival does nothing.
  hid.asked.clear();
  const DeviceBroadcast again{kDeviceTypeInterface, PathOf(1)};
  EXPECT_EQ(Handle(kDeviceArrival, &again), DeviceChange::kIgnored);
  EXPECT_TRUE(hid.asked.empty());
}

TEST_F(DeviceChangeTest, ArrivalOfAnotherInterfaceWhileAbsentIsIgnored) {
  link.DevicePresent = false;
  const DeviceBroadcast header{kDeviceTypeInterface, PathOf(2)};
  EXPECT_EQ(Handle(kDeviceArrival, &header), DeviceChange::kIgnored);
  EXPECT_TRUE(hid.asked.empty());
  EXPECT_FALSE(link.DevicePresent);
}

}  // namespace
}  // namespace zlv
