#include <gtest/gtest.h>

#include "device/protocol.h"
#include "sim/virtual_mouse.h"

namespace zlv {
namespace {

using Bytes = std::vector<std::uint8_t>;

class VirtualMouseTest : public ::testing::Test {
 protected:
  void Send(Bytes bytes) { mouse.ReceiveFeatureReport(bytes.data(), bytes.size()); }
  Bytes Read() {
    Bytes out(8);
    EXPECT_TRUE(mouse.ReadInputReport(out.data(), out.size()));
    return out;
  }
  // Sets hardware button `button` to device function `function`.
  void Assign(std::uint8_t button, std::uint8_t function) { Send({7, 0x10, button, function, 0, 0, 0, 0}); }

  ManualClock clock;
  VirtualMouse mouse{clock};
};

TEST_F(VirtualMouseTest, DeclaresTheTwoVendorCollections) {
  const auto input = mouse.InputCollection();
  const auto feature = mouse.FeatureCollection();
  EXPECT_EQ(input.usagePage, 0xFF00);
  EXPECT_EQ(input.usage, 1);
  EXPECT_GT(input.inputReportByteLength, 2);
  EXPECT_EQ(feature.usagePage, 0xFF01);
  EXPECT_EQ(feature.usage, 1);
  EXPECT_GE(feature.featureReportByteLength, 8);
  int vendor = 0;
  for (const auto& c : mouse.Collections()) vendor += c.usagePage >= 0xFF00 ? 1 : 0;
  EXPECT_EQ(vendor, 2);
}

TEST_F(VirtualMouseTest, DecodesSettingsReportsIntoState) {
  Assign(5, 11);
  Send({7, 0x11, 1, 0, 0, 0, 0, 0});
  Send({7, 0x09, 0x42, 0xd9, 0x05, 0, 0, 0});
  Send({7, 0x13, 0x3f, 0x16, 0, 0, 0, 0});
  Send({7, 0x12, 0x00, 0x25, 0, 0, 0, 0});
  Send({7, 0x15, 4, 5, 0, 0, 0, 0});
  Send({7, 0x16, 0, 0xfe, 0, 0, 0, 0});
  Send({7, 0x17, 0x00, 0xe9, 0, 0, 0, 0});
  Send({7, 0x20, 0, 0, 0, 0, 0, 0});
  const VirtualMouseState s = mouse.State();
  EXPECT_EQ(s.buttonFunction[4], 11);
  EXPECT_EQ(s.wheel, 1);
  EXPECT_EQ(s.dpiCode[1], 13);
  EXPECT_EQ(s.activeStage, 2);
  EXPECT_EQ(s.enableMask, 5);
  EXPECT_EQ(s.ledCode, 6);
  EXPECT_EQ(s.fireTimeUnits, 0x25);
  EXPECT_EQ(s.heldKeys, (std::array<std::uint8_t, 6>{4, 5, 0, 0, 0, 0}));
  EXPECT_EQ(s.mouseButtons, 0xFE);
  EXPECT_EQ(s.consumerUsages, std::vector<std::uint16_t>{0xE9});
  EXPECT_TRUE(s.exitSeen);
  EXPECT_TRUE(mouse.ProtocolErrors().empty());
  EXPECT_EQ(mouse.Log().size(), 9u);
}

TEST_F(VirtualMouseTest, FlagsReportsItCannotDecode) {
  const Bytes bad[] = {
      {7, 0x10, 1, 1, 0, 0, 0},           // short
      {6, 0x10, 1, 1, 0, 0, 0, 0},        // report id
      {7, 0x33, 0, 0, 0, 0, 0, 0},        // command
      {7, 0x10, 7, 1, 0, 0, 0, 0},        // button 7
      {7, 0x10, 1, 14, 0, 0, 0, 0},       // device function 14
      {7, 0x09, 0x40, 0x6c, 0x0f, 0, 0, 0},  // stage 4
      {7, 0x09, 0x40, 0x58, 0x0f, 0, 0, 0},  // DPI code 5
      {7, 0x09, 0x49, 0x68, 0x0f, 0, 0, 0},  // active stage 9
      {7, 0x13, 0x3f, 0x14, 0, 0, 0, 0},  // LED code 4
      {7, 0x15, 4, 0, 5, 0, 0, 0},        // gap among held keys
      {7, 0x16, 0, 0x7e, 0, 0, 0, 0},     // unknown button bit
      {7, 0x12, 0, 6, 1, 0, 0, 0},        // fire time tail
  };
  for (const Bytes& b : bad) Send(b);
  EXPECT_EQ(mouse.ProtocolErrors().size(), std::size(bad));
  EXPECT_EQ(mouse.State().buttonFunction, (std::array<std::uint8_t, 6>{1, 2, 3, 4, 5, 6}));
}

TEST_F(VirtualMouseTest, AnnouncesPressesOfHostServedButtons) {
  Assign(4, 0);
  mouse.PressButton(4);
  mouse.ReleaseButton(4);
  mouse.PressButton(1);  // a click stays inside the mouse
  EXPECT_EQ(mouse.PendingInputReports(), 2u);
  EXPECT_EQ(HexBytes(Read()), "07 f4 01 00 00 00 00 00");
  EXPECT_EQ(HexBytes(Read()), "07 f4 80 00 00 00 00 00");
}

TEST_F(VirtualMouseTest, DpiButtonsMoveThroughEnabledStages) {
  Send({7, 0x09, 0x40, 0x68, 0x0d, 0, 0, 0});  // stages 0, 2 and 3 enabled, 0 active
  Assign(6, 6);
  Assign(5, 11);
  Assign(4, 12);
  struct Step {
    int button;
    std::uint8_t stage;
  };
  const Step steps[] = {{6, 2}, {6, 3}, {6, 0}, {5, 2}, {5, 3}, {5, 3}, {4, 2}, {4, 0}, {4, 0}};
  for (const Step& s : steps) {
    mouse.PressButton(s.button);
    const Bytes report = Read();
    EXPECT_EQ(report[1], 0xF0 + s.button);
    EXPECT_EQ(report[2], s.stage);
    EXPECT_EQ(mouse.State().activeStage, s.stage);
  }
}

TEST_F(VirtualMouseTest, ReportRateButtonStepsTheRate) {
  Assign(3, 10);
  for (int expected : {3, 0, 1}) {
    mouse.PressButton(3);
    EXPECT_EQ(Read()[2], expected);
  }
}

TEST_F(VirtualMouseTest, CancelledReadReturnsFalse) {
  mouse.CancelRead();
  std::uint8_t buffer[8];
  EXPECT_FALSE(mouse.ReadInputReport(buffer, sizeof buffer));
}

TEST_F(VirtualMouseTest, LogsEachReportWithTheClocksTime) {
  clock.Advance(Millis(5));
  Send({7, 0x11, 0, 0, 0, 0, 0, 0});
  clock.Advance(Millis(7));
  Send({7, 0x11, 1, 0, 0, 0, 0, 0});
  const auto log = mouse.Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].time, Millis(5));
  EXPECT_EQ(log[1].time, Millis(12));
}

}  // namespace
}  // namespace zlv
