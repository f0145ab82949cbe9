#include <gtest/gtest.h>

#include "device/mouse_protocol.h"
#include "device/settings_reports.h"
#include "device/system_settings.h"
#include "sim/virtual_mouse.h"

namespace zlv {
namespace {

// The settings reports as the mouse receives them. The program's push (files,
// Windows settings, bounding) is tested in settings_push_test.cpp; here the
// profile is encoded exactly as given.
class ProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override { ApplyBuiltInDefaults(profile); }
  void TearDown() override { EXPECT_TRUE(mouse.ProtocolErrors().empty()) << mouse.ProtocolErrors()[0]; }

  void Push() {
    mouse.ClearLog();
    protocol.SendSettings(profile);
  }
  std::vector<std::string> Sent() {
    std::vector<std::string> out;
    for (const auto& r : mouse.Log()) out.push_back(HexBytes(r.bytes));
    return out;
  }
  std::string LastSent() {
    const auto log = mouse.Log();
    return log.empty() ? "" : HexBytes(log.back().bytes);
  }

  ManualClock clock;
  VirtualMouse mouse{clock};
  VirtualMouseLink link{mouse};
  MouseProtocol protocol{link, clock};
  ProfileSettings profile;
};

TEST_F(ProtocolTest, DefaultSettingsGiveTheFactoryReports) {
  Push();
  const std::vector<std::string> expected = {
      "07 10 01 01 00 00 00 00", "07 10 02 02 00 00 00 00", "07 10 03 03 00 00 00 00",
      "07 10 05 05 00 00 00 00", "07 10 04 04 00 00 00 00", "07 10 06 06 00 00 00 00",
      "07 11 00 00 00 00 00 00", "07 09 40 68 0f 00 00 00", "07 09 40 79 0f 00 00 00",
      "07 09 40 ba 0f 00 00 00", "07 09 40 fb 0f 00 00 00",
      // Byte 4 still holds the enable mask of the last DPI report.
      "07 13 3f 10 0f 00 00 00", "07 12 00 06 00 00 00 00",
  };
  EXPECT_EQ(Sent(), expected);
  const VirtualMouseState s = mouse.State();
  EXPECT_EQ(s.dpiCode, (std::array<std::uint8_t, 4>{6, 7, 11, 15}));
  EXPECT_EQ(protocol.DpiStageCodes(), (std::array<std::uint8_t, 4>{6, 7, 11, 15}));
}

TEST_F(ProtocolTest, UnwrittenBytesCarryOverFromTheReportBefore) {
  // A key report fills bytes 2..7; the wheel report that follows a push
  // writes only bytes 0..3.
  protocol.SendKeyEvent(0x04, 1);
  protocol.SendKeyEvent(0x05, 1);
  protocol.SendKeyEvent(0x06, 1);
  protocol.SendKeyEvent(0x07, 1);
  protocol.SendKeyEvent(0x08, 1);
  Push();
  EXPECT_EQ(Sent()[0], "07 10 01 01 06 07 08 00");
  EXPECT_EQ(Sent()[6], "07 11 00 00 06 07 08 00");
}

TEST_F(ProtocolTest, PushEncodesEveryField) {
  ProfileSettings& p = profile;
  p.ButtonCodes[0] = 14;
  p.ButtonCodes[1] = 47;
  p.ButtonCodes[3] = 15;
  p.WheelStatus = 1;
  p.DpiLevel = 2;
  p.DpiStages = {3, 4, 1, 0};
  p.DpiStageEnabled = {1, 0, 1, 0};
  p.LedMode = 3;
  p.FireTime = 300;
  Push();
  const auto sent = Sent();
  EXPECT_EQ(sent[0], "07 10 01 0a 00 00 00 00");
  EXPECT_EQ(sent[1], "07 10 02 00 00 00 00 00");
  EXPECT_EQ(sent[3], "07 10 05 0b 00 00 00 00");
  EXPECT_EQ(sent[6], "07 11 01 00 00 00 00 00");
  EXPECT_EQ(sent[7], "07 09 42 d8 05 00 00 00");
  EXPECT_EQ(sent[8], "07 09 42 f9 05 00 00 00");
  EXPECT_EQ(sent[9], "07 09 42 7a 05 00 00 00");
  EXPECT_EQ(sent[10], "07 09 42 6b 05 00 00 00");
  EXPECT_EQ(sent[11], "07 13 3f 17 05 00 00 00");
  EXPECT_EQ(sent[12], "07 12 00 25 00 00 00 00");
  EXPECT_EQ(protocol.FollowUpOfSlot(0), FollowUp::kReportRate);
  EXPECT_EQ(protocol.FollowUpOfSlot(3), FollowUp::kDpiStage);
  EXPECT_EQ(protocol.FollowUpOfSlot(1), FollowUp::kNone);
  EXPECT_EQ(protocol.AppliedLedMode(), 3);
}

TEST_F(ProtocolTest, FollowUpFlagsAreRecomputedOnEveryPush) {
  profile.ButtonCodes[5] = 6;
  Push();
  EXPECT_EQ(protocol.FollowUpOfSlot(5), FollowUp::kDpiStage);
  profile.ButtonCodes[5] = 24;
  Push();
  EXPECT_EQ(protocol.FollowUpOfSlot(5), FollowUp::kNone);
}

TEST_F(ProtocolTest, FireTimeIsSentInEightMillisecondUnits) {
  struct Case {
    std::int32_t fireTime;
    const char* report;
  };
  const Case cases[] = {
      {0, "07 12 00 00 00 00 00 00"},    {7, "07 12 00 00 00 00 00 00"},
      {50, "07 12 00 06 00 00 00 00"},   {300, "07 12 00 25 00 00 00 00"},
      {2048, "07 12 01 00 00 00 00 00"}, {-8, "07 12 00 ff 00 00 00 00"},
  };
  for (const Case& c : cases) {
    profile.FireTime = c.fireTime;
    Push();
    EXPECT_EQ(LastSent(), c.report) << c.fireTime;
  }
}

TEST_F(ProtocolTest, LedModeOutsideTheTableSendsTheFactoryEffect) {
  struct Case {
    std::uint8_t mode;
    std::uint8_t code;
    std::uint8_t applied;  // what the colour page animates
  };
  for (const Case& c : {Case{0, 0, 0}, Case{1, 3, 1}, Case{2, 6, 2}, Case{3, 7, 3}, Case{4, 0, 0},
                        Case{255, 0, 0}}) {
    profile.LedMode = c.mode;
    Push();
    EXPECT_EQ(mouse.State().ledCode, c.code) << int{c.mode};
    EXPECT_EQ(protocol.AppliedLedMode(), c.applied) << int{c.mode};
  }
}

TEST(WindowsMouseSettings, PointerSpeedAndWheelLinesOfEachStep) {
  struct Case {
    std::uint8_t step;
    int speed;
    int lines;
  };
  for (const Case& c : {Case{0, 1, 1}, Case{1, 2, 2}, Case{4, 8, 5}, Case{8, 16, 9}, Case{9, 18, 10},
                        Case{200, 18, 201}}) {
    EXPECT_EQ(WindowsPointerSpeed(c.step), c.speed) << int{c.step};
    EXPECT_EQ(WindowsWheelLines(c.step), c.lines) << int{c.step};
  }
}

TEST_F(ProtocolTest, ButtonReportsNeedAUsableWriteHandle) {
  link.write_handle_usable = false;
  Push();
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 7u);  // wheel, four DPI stages, LED, fire time
  EXPECT_EQ(sent[0].substr(0, 5), "07 11");
  protocol.DriverExitCommand();
  EXPECT_EQ(Sent().size(), 7u);
  EXPECT_FALSE(mouse.State().exitSeen);
  link.write_handle_usable = true;
  protocol.DriverExitCommand();
  EXPECT_TRUE(mouse.State().exitSeen);
}

TEST_F(ProtocolTest, KeySlotsFillInOrderAndCloseUpOnRelease) {
  struct Step {
    std::uint8_t code;
    std::uint8_t action;
    const char* report;
  };
  const Step steps[] = {
      {0x04, 1, "07 15 04 00 00 00 00 00"},
      {0x05, 1, "07 15 04 05 00 00 00 00"},
      {0x04, 1, "07 15 04 05 04 00 00 00"},  // a held key is added again
      {0x04, 2, "07 15 05 04 00 00 00 00"},  // the first one goes
      {0x09, 2, "07 15 05 04 00 00 00 00"},  // not held: unchanged
      {0x06, 3, "07 15 05 04 00 00 00 00"},  // unknown action: unchanged
      {0x06, 1, "07 15 05 04 06 00 00 00"},
      {0x07, 1, "07 15 05 04 06 07 00 00"},
      {0x08, 1, "07 15 05 04 06 07 08 00"},
      {0x09, 1, "07 15 05 04 06 07 08 09"},
      {0x0a, 1, "07 15 05 04 06 07 08 09"},  // a seventh key finds no slot
      {0x09, 2, "07 15 05 04 06 07 08 00"},
  };
  for (const Step& s : steps) {
    protocol.SendKeyEvent(s.code, s.action);
    EXPECT_EQ(LastSent(), s.report) << int{s.code} << "/" << int{s.action};
  }
}

TEST_F(ProtocolTest, MouseButtonsAreActiveLow) {
  struct Step {
    std::uint8_t code;
    std::uint8_t action;
    std::uint8_t state;
  };
  const Step steps[] = {
      {0xF0, 1, 0xFE}, {0xF0, 2, 0xFF}, {0xF1, 1, 0xFD}, {0xF2, 1, 0xF9},
      {0xF3, 1, 0xF9},  // no such button: state unchanged, still sent
      {0xFF, 2, 0xF9}, {0xF1, 7, 0xF9}, {0xF1, 2, 0xFB},
  };
  for (const Step& s : steps) {
    protocol.SendKeyEvent(s.code, s.action);
    ASSERT_FALSE(mouse.Log().empty());
    EXPECT_EQ(mouse.Log().back().bytes[1], 0x16);
    EXPECT_EQ(mouse.Log().back().bytes[3], s.state) << int{s.code} << "/" << int{s.action};
    EXPECT_EQ(protocol.MouseButtonState(), s.state);
  }
}

TEST_F(ProtocolTest, ReleaseAllWaitsThenReleasesButtonsThenKeys) {
  protocol.SendKeyEvent(0xF1, 1);
  protocol.SendKeyEvent(0x2C, 1);
  mouse.ClearLog();
  const Nanos start = clock.Now();
  protocol.ReleaseAll();
  const auto log = mouse.Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(HexBytes(log[0].bytes).substr(0, 11), "07 16 2c ff");  // byte 2 carried over
  EXPECT_EQ(log[0].time - start, Millis(10));
  EXPECT_EQ(HexBytes(log[1].bytes), "07 15 00 00 00 00 00 00");
  EXPECT_EQ(log[1].time - start, Millis(20));
  EXPECT_EQ(mouse.State().mouseButtons, 0xFF);
}

TEST_F(ProtocolTest, ConsumerReportWritesOnlyCommandAndUsage) {
  // Six held keys fill bytes 2..7; the consumer report overwrites 2 and 3 only.
  for (std::uint8_t key = 0x04; key <= 0x09; ++key) protocol.SendKeyEvent(key, 1);
  protocol.SendConsumerControl(0x0223);
  EXPECT_EQ(LastSent(), "07 17 02 23 06 07 08 09");
  EXPECT_EQ(mouse.State().consumerUsages, std::vector<std::uint16_t>{0x0223});
}

TEST_F(ProtocolTest, ReportsTakeTheFeatureCollectionsLength) {
  ManualClock clock2;
  VirtualMouse wide(clock2, {.inputReportLength = 8, .featureReportLength = 65});
  VirtualMouseLink wideLink(wide);
  MouseProtocol wideProtocol(wideLink, clock2);
  wideProtocol.SendSettings(profile);
  for (const auto& r : wide.Log()) EXPECT_EQ(r.bytes.size(), 65u);
  EXPECT_TRUE(wide.ProtocolErrors().empty());
}

TEST(SettingsEncoding, ReportsFollowThePreviousBufferWithoutSendingAnything) {
  ProfileSettings profile;
  ApplyBuiltInDefaults(profile);
  profile.ButtonCodes[2] = 16;
  profile.DpiStageEnabled[1] = 0;
  // What a held key left in the buffer, and a byte beyond the eight reports write.
  MouseProtocol::Report previous{};
  const std::uint8_t keys[] = {0x07, 0x15, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
  std::copy(std::begin(keys), std::end(keys), previous.begin());
  previous[8] = 0xAA;

  const SettingsReports encoded = EncodeSettings(profile);
  const auto reports = SettingsReportBytes(encoded, previous);
  const char* const expected[kSettingsReportCount] = {
      "07 10 01 01 06 07 08 09 aa", "07 10 02 02 06 07 08 09 aa", "07 10 03 0c 06 07 08 09 aa",
      "07 10 05 05 06 07 08 09 aa", "07 10 04 04 06 07 08 09 aa", "07 10 06 06 06 07 08 09 aa",
      "07 11 00 00 06 07 08 09 aa", "07 09 40 68 0d 07 08 09 aa", "07 09 40 79 0d 07 08 09 aa",
      "07 09 40 ba 0d 07 08 09 aa", "07 09 40 fb 0d 07 08 09 aa", "07 13 3f 10 0d 07 08 09 aa",
      "07 12 00 06 00 00 00 00 aa",
  };
  for (std::size_t k = 0; k < kSettingsReportCount; ++k) {
    EXPECT_EQ(HexBytes(std::vector<std::uint8_t>(reports[k].begin(), reports[k].end()), 9), expected[k])
        << "report " << k;
    EXPECT_EQ(encoded.reports[k].needsWriteHandle, k < 6) << "report " << k;
  }
  EXPECT_EQ(encoded.followUps[2], FollowUp::kDpiStage);
  EXPECT_EQ(encoded.followUps[0], FollowUp::kNone);
  EXPECT_EQ(encoded.dpiStageCodes, (std::array<std::uint8_t, 4>{6, 7, 11, 15}));
}

TEST(DpiValues, CodesAndDpiBothWays) {
  struct Case {
    int value;
    std::uint8_t code;
    int dpi;
  };
  for (const Case& c : {Case{0, 6, 1200}, Case{1, 7, 1600}, Case{2, 11, 2400}, Case{3, 13, 3200},
                        Case{4, 15, 800}}) {
    EXPECT_EQ(protocol::DpiCodeOf(c.value), c.code) << c.value;
    EXPECT_EQ(protocol::DpiOfCode(c.code), c.dpi) << c.value;
  }
  // Any other stage value is sent as 800 DPI; unknown codes name no DPI.
  EXPECT_EQ(protocol::DpiCodeOf(5), 15);
  EXPECT_EQ(protocol::DpiCodeOf(-1), 15);
  EXPECT_EQ(protocol::DpiOfCode(0), 0);
  EXPECT_EQ(protocol::DpiOfCode(8), 0);
}

}  // namespace
}  // namespace zlv
