#include <gtest/gtest.h>

#include "settings/function_codes.h"

namespace zlv {
namespace {

TEST(FunctionCodes, DeviceFunctionAndFollowUpOfEachCode) {
  struct Case {
    ButtonFunctionCode code;
    std::uint8_t device;
    FollowUp followUp;
  };
  constexpr FollowUp kNo = FollowUp::kNone;
  const Case cases[] = {
      {-5, 0, kNo},  {-1, 0, kNo},  {0, 0, kNo},   {1, 1, kNo},   {2, 2, kNo},
      {3, 3, kNo},   {4, 4, kNo},   {5, 5, kNo},   {6, 6, FollowUp::kDpiStage},
      // Submenu rows are never stored; from a file they announce the press.
      {7, 0, kNo},   {8, 0, kNo},   {9, 0, kNo},   {10, 0, kNo},
      {11, 7, kNo},  {12, 8, kNo},  {13, 9, kNo},  {14, 10, FollowUp::kReportRate},
      {15, 11, FollowUp::kDpiStage}, {16, 12, FollowUp::kDpiStage}, {17, 13, kNo},
      {18, 0, kNo},  {20, 0, kNo},  {21, 0, kNo},  {30, 0, kNo},  {31, 0, kNo},
      {38, 0, kNo},  {39, 0, kNo},  {40, 0, kNo},  {41, 0, kNo},  {52, 0, kNo},
      {53, 0, kNo},  {60, 0, kNo},  {1 << 30, 0, kNo},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DeviceFunctionOf(c.code), c.device) << c.code;
    EXPECT_EQ(FollowUpOf(c.code), c.followUp) << c.code;
  }
}

TEST(FunctionCodes, HostActionOfEachRange) {
  struct Case {
    ButtonFunctionCode code;
    HostActionKind kind;
    int index;
    std::uint16_t usage;
  };
  const Case cases[] = {
      {1, HostActionKind::kNone, 0, 0},        {6, HostActionKind::kNone, 0, 0},
      {14, HostActionKind::kNone, 0, 0},       {18, HostActionKind::kNone, 0, 0},
      {20, HostActionKind::kNone, 0, 0},       {21, HostActionKind::kConsumerKey, 0, 0x0223},
      {22, HostActionKind::kConsumerKey, 0, 0x0183}, {23, HostActionKind::kConsumerKey, 0, 0x018A},
      {24, HostActionKind::kConsumerKey, 0, 0x00E9}, {25, HostActionKind::kConsumerKey, 0, 0x00EA},
      {26, HostActionKind::kConsumerKey, 0, 0x00B6}, {27, HostActionKind::kConsumerKey, 0, 0x00B5},
      {28, HostActionKind::kConsumerKey, 0, 0x00E2}, {29, HostActionKind::kConsumerKey, 0, 0x00CD},
      {30, HostActionKind::kConsumerKey, 0, 0x0192}, {31, HostActionKind::kConstMacro, 0, 0},
      {38, HostActionKind::kConstMacro, 7, 0}, {39, HostActionKind::kLaunchProgram, 0, 0},
      {40, HostActionKind::kLaunchProgram, 0, 0}, {41, HostActionKind::kUserMacro, 0, 0},
      {47, HostActionKind::kUserMacro, 6, 0},  {52, HostActionKind::kUserMacro, 11, 0},
      {53, HostActionKind::kNone, 0, 0},       {-1, HostActionKind::kNone, 0, 0},
  };
  for (const Case& c : cases) {
    const HostAction action = HostActionOf(c.code);
    EXPECT_EQ(action.kind, c.kind) << c.code;
    EXPECT_EQ(action.index, c.index) << c.code;
    EXPECT_EQ(action.usage, c.usage) << c.code;
  }
  EXPECT_EQ(Text(HostActionOf(39).program), u"calc.exe");
  EXPECT_EQ(Text(HostActionOf(40).program), u"cmd.exe");
}

TEST(FunctionCodes, LabelsComeFromTheTableOrTheMacroName) {
  FunctionLabels labels;
  for (int k = 1; k < kFunctionLabelCount; ++k) labels[k] = u"label " + DecimalText(k);
  const MacroNameOf macroName = [](int record) { return u"macro " + DecimalText(record); };
  EXPECT_EQ(FunctionLabelOf(0, labels, macroName), u"");
  EXPECT_EQ(FunctionLabelOf(1, labels, macroName), u"label 1");
  EXPECT_EQ(FunctionLabelOf(40, labels, macroName), u"label 40");
  EXPECT_EQ(FunctionLabelOf(41, labels, macroName), u"macro 0");
  EXPECT_EQ(FunctionLabelOf(47, labels, macroName), u"macro 6");
  EXPECT_EQ(FunctionLabelOf(52, labels, macroName), u"macro 11");
  // Outside the table: nothing, rather than a read past it.
  EXPECT_EQ(FunctionLabelOf(53, labels, macroName), u"");
  EXPECT_EQ(FunctionLabelOf(1000, labels, macroName), u"");
  EXPECT_EQ(FunctionLabelOf(-1, labels, macroName), u"");
}

TEST(PrimaryClickRule, KeepsOneButtonOnThePrimaryClick) {
  struct Case {
    const char* name;
    std::array<int, 6> before;
    int button;
    int code;
    std::array<int, 6> after;
  };
  const Case cases[] = {
      {"the only primary click moves to the next button", {3, 2, 1, 5, 4, 6}, 2, 3, {3, 2, 3, 1, 4, 6}},
      {"the last button takes it back", {2, 2, 3, 5, 4, 1}, 5, 41, {2, 2, 3, 5, 4, 1}},
      {"another button still has it", {1, 2, 1, 5, 4, 6}, 2, 24, {1, 2, 24, 5, 4, 6}},
      {"choosing 1 changes no other button", {1, 2, 3, 5, 4, 6}, 4, 1, {1, 2, 3, 5, 1, 6}},
      {"the next button is overwritten", {1, 2, 3, 5, 4, 6}, 0, 2, {2, 1, 3, 5, 4, 6}},
      {"an index outside 0..5 is ignored", {1, 2, 3, 5, 4, 6}, 6, 2, {1, 2, 3, 5, 4, 6}},
  };
  for (const Case& c : cases) {
    ProfileSettings s;
    for (int i = 0; i < 6; ++i) s.ButtonCodes[i] = c.before[i];
    AssignButtonFunction(s, c.button, c.code);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(s.ButtonCodes[i], c.after[i]) << c.name << ", button " << i;
  }
}

TEST(PrimaryClickRule, WarningWhenNoOtherButtonHasIt) {
  ProfileSettings s;
  ApplyBuiltInDefaults(s);
  EXPECT_TRUE(TouchesLastPrimaryClick(s, 0));
  EXPECT_FALSE(TouchesLastPrimaryClick(s, 1));
  s.ButtonCodes[4] = 1;
  EXPECT_FALSE(TouchesLastPrimaryClick(s, 0));
}

}  // namespace
}  // namespace zlv
