// zlvctl devices and apply against a sysfs tree of the test's own and hidraw
// nodes answered by the virtual mouse.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "device/protocol.h"
#include "sim/memory_file_store.h"
#include "sim/mouse_descriptors.h"
#include "sim/virtual_hidraw.h"
#include "sim/virtual_mouse.h"
#include "tests/support/test_support.h"
#include "tools/zlvctl/host_mouse.h"
#include "tools/zlvctl/zlvctl.h"

namespace zlv {
namespace {

namespace md = mouse_descriptors;

const char kConfig[] =
    "[Init]\r\nCurConfig=2\r\nVER_SEL=0\r\n"
    "[Config2]\r\nK0=1\r\nK1=2\r\nK2=3\r\nK3=41\r\nK4=14\r\nK5=6\r\nDPI_LEVEL=1\r\n"
    "DPI_SET0=4\r\nDPI_SET_EN0=1\r\nDPI_SET1=0\r\nDPI_SET_EN1=1\r\nDPI_SPEED=9\r\nWHEEL_SPEED=0\r\n"
    "FIRE_TIME=100\r\n";

// What the mouse must receive for profile 2 of kConfig (as `zlvctl reports`
// prints it).
const std::vector<std::string> kProfile2Reports = {
    "07 10 01 01 00 00 00 00", "07 10 02 02 00 00 00 00", "07 10 03 03 00 00 00 00",
    "07 10 05 00 00 00 00 00", "07 10 04 0a 00 00 00 00", "07 10 06 06 00 00 00 00",
    "07 11 00 00 00 00 00 00", "07 09 41 f8 03 00 00 00", "07 09 41 69 03 00 00 00",
    "07 09 41 6a 03 00 00 00", "07 09 41 6b 03 00 00 00", "07 13 3f 10 03 00 00 00",
    "07 12 00 0c 00 00 00 00",
};

class ZlvctlMouseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files.Put(u"config.ini", kConfig);
    WriteFakeHidrawNode(tree.path(), "hidraw0", 0x046D, 0xC52B, md::kStandardMouse, "Other Mouse");
    WriteFakeHidrawNode(tree.path(), "hidraw1", protocol::kVendorId, protocol::kProductId, md::kStandardMouse);
    WriteFakeHidrawNode(tree.path(), "hidraw2", protocol::kVendorId, protocol::kProductId, md::kVendorInput);
    WriteFakeHidrawNode(tree.path(), "hidraw3", protocol::kVendorId, protocol::kProductId, md::kVendorFeature);
    host.sysRoot = tree.path();
    host.devRoot = "/dev";
    host.clock = &clock;
    host.openIo = [this]() -> std::unique_ptr<HidrawIo> {
      auto io = std::make_unique<VirtualHidrawIo>(mouse, "/dev/hidraw3", "/dev/hidraw2");
      io->FailOpens(open_error);
      if (unplug_after > 0) io->Unplug(unplug_after);
      return io;
    };
  }

  struct Result {
    int status;
    std::string out;
    std::string err;
  };
  Result Run(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = RunZlvctl(args, out, err, files, &host);
    return {status, out.str(), err.str()};
  }
  std::vector<std::string> Received() const {
    std::vector<std::string> out;
    for (const LoggedReport& r : mouse.Log()) out.push_back(HexBytes(r.bytes));
    return out;
  }

  MemoryFileStore files;
  testing::TempDir tree;
  ManualClock clock;
  VirtualMouse mouse{clock};
  HostMouse host;
  int open_error = 0;
  std::size_t unplug_after = 0;
};

TEST_F(ZlvctlMouseTest, DevicesListsEveryNodeAndMarksTheCollectionsUsed) {
  const Result r = Run({"devices"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "/dev/hidraw0  vendor 046d product c52b  Other Mouse\n"
            "  skipped: another device (vendor 046d, product c52b)\n"
            "/dev/hidraw1  vendor 18f8 product 1286  Zelvan USB Mouse\n"
            "  collection 1: usage page 0001 usage 0002, report bytes input 4 output 0 feature 0\n"
            "  skipped: none of the mouse's vendor collections\n"
            "/dev/hidraw2  vendor 18f8 product 1286  Zelvan USB Mouse\n"
            "  collection 1: usage page ff00 usage 0001, report bytes input 8 output 0 feature 0  <- input reports\n"
            "/dev/hidraw3  vendor 18f8 product 1286  Zelvan USB Mouse\n"
            "  collection 1: usage page ff01 usage 0001, report bytes input 0 output 0 feature 8  <- feature reports\n");
}

TEST_F(ZlvctlMouseTest, DevicesWithoutTheMouseSaysSoWithStatus1) {
  RemoveFakeHidrawNode(tree.path(), "hidraw2");
  RemoveFakeHidrawNode(tree.path(), "hidraw3");
  RemoveFakeHidrawNode(tree.path(), "hidraw1");
  const Result r = Run({"devices"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("no Zelvan mouse found: is it plugged in?"), std::string::npos);
}

TEST_F(ZlvctlMouseTest, ApplySendsWhatReportsPrintsAndLeavesTheFileAlone) {
  const Result r = Run({"apply", "--config", "config.ini"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Received(), kProfile2Reports);
  EXPECT_TRUE(mouse.ProtocolErrors().empty());
  EXPECT_NE(r.out.find("applied profile 2 to /dev/hidraw3\n"), std::string::npos);
  EXPECT_NE(r.out.find("pointer speed 18 and wheel lines 1 are Windows settings with no Linux equivalent: skipped"),
            std::string::npos);
  EXPECT_EQ(files.Read(u"config.ini"), kConfig);

  const Result reports = Run({"reports", "--config", "config.ini"});
  std::string expected;
  for (const std::string& line : kProfile2Reports) expected += line + "\n";
  EXPECT_EQ(reports.out.substr(0, expected.size()), expected);
  EXPECT_EQ(r.out.substr(0, expected.size()), expected);
}

TEST_F(ZlvctlMouseTest, ApplyOfAChosenProfile) {
  files.Put(u"config.ini", std::string(kConfig) + "[Config1]\r\nK3=5\r\n");
  const Result r = Run({"apply", "--config", "config.ini", "--profile", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(Received().size(), 13u);
  EXPECT_EQ(Received()[3], "07 10 05 05 00 00 00 00");
}

TEST_F(ZlvctlMouseTest, ApplyFailuresAUserUnderstands) {
  struct Case {
    const char* name;
    int openError;
    bool removeMouse;
    const char* says;
  };
  const Case cases[] = {
      {"no access", 13, false, "permission denied on /dev/hidraw3: install the udev rule 70-zlv-gmouse.rules"},
      {"no mouse", 0, true, "zlvctl: no Zelvan mouse found: is it plugged in?\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    open_error = c.openError;
    if (c.removeMouse) {
      for (const char* node : {"hidraw1", "hidraw2", "hidraw3"}) RemoveFakeHidrawNode(tree.path(), node);
    }
    const Result r = Run({"apply", "--config", "config.ini"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_TRUE(mouse.Log().empty());
  }
}

TEST_F(ZlvctlMouseTest, AnUnplugDuringApplySaysWhatWasSentAndWhatWasNot) {
  unplug_after = 4;
  const Result r = Run({"apply", "--config", "config.ini"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the mouse was unplugged during apply: 4 of 13 reports sent"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("sent     07 10 05 00 00 00 00 00\nnot sent 07 10 04 0a 00 00 00 00\n"), std::string::npos)
      << r.err;
  EXPECT_EQ(Received().size(), 4u);
}

TEST(ZlvctlMouseCommands, RefuseWithoutAHostMouse) {
  MemoryFileStore files;
  std::ostringstream out, err;
  EXPECT_EQ(RunZlvctl({"devices"}, out, err, files), 1);
  EXPECT_NE(err.str().find("through Linux's hidraw"), std::string::npos);
}

}  // namespace
}  // namespace zlv
