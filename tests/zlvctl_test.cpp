#include <gtest/gtest.h>

#include <sstream>

#include "sim/memory_file_store.h"
#include "sim/virtual_mouse.h"
#include "tests/support/test_support.h"
#include "tools/zlvctl/commands.h"
#include "tools/zlvctl/zlvctl.h"

namespace zlv {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result RunCli(FileStore& files, std::vector<std::string> args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunZlvctl(args, out, err, files);
  return {status, out.str(), err.str()};
}

const char kConfig[] =
    "[Init]\r\nCurConfig=2\r\nVER_SEL=0\r\n"
    "[Config1]\r\nK0=1\r\nK1=2\r\nK2=3\r\nK3=5\r\nK4=4\r\nK5=6\r\nFIRE_TIME=50\r\n"
    "[Config2]\r\nK0=1\r\nK1=2\r\nK2=3\r\nK3=41\r\nK4=14\r\nK5=6\r\nDPI_LEVEL=1\r\n"
    "DPI_SET0=4\r\nDPI_SET_EN0=1\r\nDPI_SET1=0\r\nDPI_SET_EN1=1\r\nDPI_SPEED=9\r\nWHEEL_SPEED=0\r\n"
    "FIRE_TIME=100\r\n"
    "[CfgReset2]\r\nK0=1\r\nK3=15\r\n[CfgReset3]\r\nK0=1\r\n[CfgReset4]\r\nK0=1\r\n"
    "[CfgReset5]\r\nK0=1\r\nK3=42\r\n[CfgReset_EN5]\r\nK0=1\r\nK3=43\r\n";

class ZlvctlTest : public ::testing::Test {
 protected:
  void SetUp() override { files.Put(u"config.ini", kConfig); }
  MemoryFileStore files;
};

TEST_F(ZlvctlTest, ReportsOfTheCurrentProfileLeaveTheFileAlone) {
  const Result r = RunCli(files, {"reports", "--config", "config.ini"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "07 10 01 01 00 00 00 00\n07 10 02 02 00 00 00 00\n07 10 03 03 00 00 00 00\n"
            "07 10 05 00 00 00 00 00\n07 10 04 0a 00 00 00 00\n07 10 06 06 00 00 00 00\n"
            "07 11 00 00 00 00 00 00\n07 09 41 f8 03 00 00 00\n07 09 41 69 03 00 00 00\n"
            "07 09 41 6a 03 00 00 00\n07 09 41 6b 03 00 00 00\n07 13 3f 10 03 00 00 00\n"
            "07 12 00 0c 00 00 00 00\npointer-speed 18\nwheel-lines 1\n");
  EXPECT_EQ(files.Read(u"config.ini"), kConfig);
  EXPECT_EQ(files.commits(), 0);
}

TEST_F(ZlvctlTest, ReportsOfAChosenProfile) {
  const Result r = RunCli(files, {"reports", "--profile", "1", "--config", "config.ini"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 24), "07 10 01 01 00 00 00 00\n");
  EXPECT_NE(r.out.find("07 10 05 05 00 00 00 00\n"), std::string::npos);
}

// A bounded config.ini no longer makes the mouse flag anything, so the
// reports it flags are sent to it directly here.
TEST(ZlvctlReports, ProtocolErrorsGoToTheErrorStreamAndEndWithStatus1) {
  using Report = std::vector<std::uint8_t>;
  const Report wheel = {0x07, 0x11, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
  const Report otherId = {0x06, 0x11, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
  const Report noButton = {0x07, 0x10, 0x09, 0x01, 0x00, 0x00, 0x00, 0x00};
  struct Case {
    const char* name;
    std::vector<Report> sent;
    const char* out;
    const char* err;
    int status;
  };
  const Case cases[] = {
      {"clean", {wheel}, "07 11 01 00 00 00 00 00\npointer-speed 8\nwheel-lines 3\n", "", kExitOk},
      {"one flagged",
       {wheel, otherId},
       "07 11 01 00 00 00 00 00\n06 11 01 00 00 00 00 00\npointer-speed 8\nwheel-lines 3\n",
       "protocol error: report id is not 7: 06 11 01 00 00 00 00 00\n", kExitRuntimeError},
      {"two flagged",
       {noButton, wheel, otherId},
       "07 10 09 01 00 00 00 00\n07 11 01 00 00 00 00 00\n06 11 01 00 00 00 00 00\n"
       "pointer-speed 8\nwheel-lines 3\n",
       "protocol error: no such button: 07 10 09 01 00 00 00 00\n"
       "protocol error: report id is not 7: 06 11 01 00 00 00 00 00\n",
       kExitRuntimeError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManualClock clock;
    VirtualMouse mouse(clock);
    for (const Report& r : c.sent) mouse.ReceiveFeatureReport(r.data(), r.size());
    RecordingSystemSettings system;
    system.pointer_speed = 8;
    system.wheel_lines = 3;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(zlvctl::PrintReports(mouse, system, out, err), c.status);
    EXPECT_EQ(out.str(), c.out);
    EXPECT_EQ(err.str(), c.err);
  }
}

TEST_F(ZlvctlTest, ProfileShowListsTheKeysInSaveOrder) {
  const Result r = RunCli(files, {"profile", "show", "--config", "config.ini", "--profile", "2"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "K0=1\nK1=2\nK2=3\nK3=41\nK4=14\nK5=6\nDPI_LEVEL=1\nWHEEL_STATUS=0\nMACRO_MODE2=0\n"
            "DPI_SET0=4\nDPI_SET_EN0=1\nDPI_SET1=0\nDPI_SET_EN1=1\nDPI_SET2=0\nDPI_SET_EN2=0\n"
            "DPI_SET3=0\nDPI_SET_EN3=0\nLED_STATUS=0\nDPI_SPEED=9\nWHEEL_SPEED=0\nUSB_SPEED=0\n"
            "FIRE_TIME=100\n");
}

TEST_F(ZlvctlTest, RestoreDefaultsUsesTheFilesLanguage) {
  struct Case {
    const char* language;
    const char* key3;
  };
  for (const Case& c : {Case{"0", "K3=42\n"}, Case{"1", "K3=43\n"}}) {
    std::string config = kConfig;
    config.replace(config.find("VER_SEL=0"), 9, std::string("VER_SEL=") + c.language);
    files.Put(u"config.ini", config);
    ASSERT_EQ(RunCli(files, {"profile", "restore-defaults", "--config", "config.ini"}).status, 0);
    const Result show = RunCli(files, {"profile", "show", "--config", "config.ini", "--profile", "5"});
    EXPECT_NE(show.out.find(c.key3), std::string::npos) << c.language;
    const Result one = RunCli(files, {"profile", "show", "--config", "config.ini", "--profile", "1"});
    EXPECT_NE(one.out.find("K3=5\nK4=4\n"), std::string::npos);
  }
}

TEST_F(ZlvctlTest, ExitStatusTellsUsageFromRuntimeErrors) {
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {{"--help"}, 0},
      {{}, 2},
      {{"frobnicate"}, 2},
      {{"reports"}, 2},
      {{"reports", "--config"}, 2},
      {{"reports", "--config", "config.ini", "--profile", "two"}, 2},
      {{"reports", "--config", "config.ini", "--colour", "red"}, 2},
      {{"profile"}, 2},
      {{"profile", "show", "--config", "config.ini"}, 2},
      {{"reports", "--config", "missing.ini"}, 1},
      {{"profile", "show", "--config", "missing.ini", "--profile", "1"}, 1},
  };
  for (const Case& c : cases) {
    const Result r = RunCli(files, c.args);
    EXPECT_EQ(r.status, c.status) << (c.args.empty() ? "" : c.args[0]) << " " << r.err;
    if (c.status != 0) {
      EXPECT_FALSE(r.err.empty());
    }
  }
}

TEST_F(ZlvctlTest, RestoreDefaultsOnAReadOnlyFileIsARuntimeError) {
  files.SetReadOnly(u"config.ini", true);
  const Result r = RunCli(files, {"profile", "restore-defaults", "--config", "config.ini"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot write"), std::string::npos);
}

TEST(ZlvctlShippedConfig, AppliesTheFactoryProfileWithoutProtocolErrors) {
  const Result r = RunCli(Disk(), {"demo", "--config", ToUtf8(testing::SourceFile("data/config.ini"))});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Protocol errors: 0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("07 12 00 06 00 00 00 00"), std::string::npos);
}

}  // namespace
}  // namespace zlv
