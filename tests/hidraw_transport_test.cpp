// The Linux transport over node calls answered by the virtual mouse: the
// settings push reaches the mouse byte for byte as through the Windows seam,
// reads give the Windows layout, and failures say what a user can do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings_push.h"
#include "device/hidraw_transport.h"
#include "sim/mouse_descriptors.h"
#include "sim/program_rig.h"
#include "sim/virtual_hidraw.h"
#include "tests/support/test_support.h"

namespace zlv {
namespace {

HidrawCollection VendorCollection(const std::string& devnode, const std::vector<std::uint8_t>& descriptor) {
  std::vector<HidrawNode> nodes(1);
  nodes[0].devnode = devnode;
  nodes[0].descriptor = ParseReportDescriptor(descriptor.data(), descriptor.size());
  return CollectionOf(nodes, NodeCollection{0, 0});
}

struct HidrawRig {
  ManualClock clock;
  VirtualMouse mouse{clock};
  VirtualHidrawIo io{mouse, "/dev/hidraw1", "/dev/hidraw0"};
  HidrawTransport transport{io, VendorCollection("/dev/hidraw1", mouse_descriptors::kVendorFeature),
                            VendorCollection("/dev/hidraw0", mouse_descriptors::kVendorInput)};
};

std::vector<std::string> LogOf(const VirtualMouse& mouse) {
  std::vector<std::string> out;
  for (const LoggedReport& r : mouse.Log()) out.push_back(HexBytes(r.bytes));
  return out;
}

TEST(HidrawTransport, ThePushReachesTheMouseAsThroughTheWindowsSeam) {
  // The same profile pushed through the virtual mouse's own link.
  ProgramRig<ManualClock> reference;
  reference.UseDefaultProfile(u"config.ini");
  reference.settings.profile.ButtonCodes[1] = 41;  // a host macro: device function 0
  PushAllSettings(reference.settings, reference.protocol, reference.system, nullptr);

  HidrawRig rig;
  std::string problem;
  ASSERT_TRUE(rig.transport.Open(problem)) << problem;
  EXPECT_EQ(rig.transport.FeatureReportLength(), 8u);
  EXPECT_EQ(rig.transport.InputReportLength(), 8u);
  MouseProtocol protocol(rig.transport, rig.clock);
  ProgramRig<ManualClock> files;  // settings and files only
  files.UseDefaultProfile(u"config.ini");
  files.settings.profile.ButtonCodes[1] = 41;
  PushAllSettings(files.settings, protocol, files.system, nullptr);

  EXPECT_EQ(LogOf(rig.mouse), LogOf(reference.mouse));
  EXPECT_EQ(LogOf(rig.mouse).size(), 13u);
  EXPECT_EQ(rig.transport.ReportsSent(), 13u);
  EXPECT_TRUE(rig.mouse.ProtocolErrors().empty());
}

TEST(HidrawTransport, ReadsGiveTheWindowsLayoutAndSkipOtherCollectionsReports) {
  HidrawRig rig;
  std::string problem;
  ASSERT_TRUE(rig.transport.Open(problem));
  rig.mouse.QueueInputReport({0x01, 0x00, 0x05, 0x05, 0, 0, 0, 0});  // the standard mouse's id
  rig.mouse.QueueInputReport({0x07, 0xF2, 0x01});
  std::vector<std::uint8_t> report(8, 0xEE);
  ASSERT_TRUE(rig.transport.ReadInputReport(report.data(), report.size()));
  EXPECT_EQ(HexBytes(report), "07 f2 01 00 00 00 00 00");
}

TEST(HidrawTransport, AnUnnumberedCollectionGetsTheZeroIdByteOnRead) {
  const std::vector<std::uint8_t> noIds = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75,
                                           0x08, 0x95, 0x03, 0x81, 0x02, 0xC0};
  ManualClock clock;
  VirtualMouse mouse(clock, VirtualMouse::Options{.inputReportLength = 3});
  VirtualHidrawIo io(mouse, "/dev/hidraw1", "/dev/hidraw0");
  HidrawTransport transport(io, VendorCollection("/dev/hidraw1", mouse_descriptors::kVendorFeature),
                            VendorCollection("/dev/hidraw0", noIds));
  std::string problem;
  ASSERT_TRUE(transport.Open(problem));
  EXPECT_EQ(transport.InputReportLength(), 4u);
  mouse.QueueInputReport({0xF3, 0x01, 0x00});
  std::vector<std::uint8_t> report(4, 0xEE);
  ASSERT_TRUE(transport.ReadInputReport(report.data(), report.size()));
  EXPECT_EQ(HexBytes(report), "00 f3 01 00");
}

TEST(HidrawTransport, OpeningFailuresSayWhatToDo) {
  struct Case {
    int error;
    const char* says;
  };
  const Case cases[] = {
      {13, "permission denied on /dev/hidraw1: install the udev rule 70-zlv-gmouse.rules"},
      {1, "permission denied"},
      {19, "the mouse was unplugged"},
      {5, "cannot open /dev/hidraw1 (error 5)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    HidrawRig rig;
    rig.io.FailOpens(c.error);
    std::string problem;
    EXPECT_FALSE(rig.transport.Open(problem));
    EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
    EXPECT_EQ(rig.io.OpenNodes(), 0u);
    EXPECT_FALSE(rig.transport.WriteHandleUsable());
  }
}

TEST(HidrawTransport, AnUnplugDuringThePushCountsWhatWasSent) {
  HidrawRig rig;
  std::string problem;
  ASSERT_TRUE(rig.transport.Open(problem));
  rig.io.Unplug(5);
  MouseProtocol protocol(rig.transport, rig.clock);
  ProfileSettings profile;
  ApplyBuiltInDefaults(profile);
  protocol.SendSettings(profile);
  EXPECT_EQ(rig.mouse.Log().size(), 5u);
  EXPECT_EQ(rig.transport.ReportsSent(), 5u);
  EXPECT_EQ(rig.transport.ReportsFailed(), 8u);
  EXPECT_EQ(rig.transport.FirstSendError(), 19);
  std::vector<std::uint8_t> report(8);
  EXPECT_FALSE(rig.transport.ReadInputReport(report.data(), report.size()));
}

}  // namespace
}  // namespace zlv
