#include "settings/function_codes.h"

namespace zlv {

namespace {

struct ConsumerKey {
  ButtonFunctionCode code;
  std::uint16_t usage;
};

// Consumer page (0x0C) usages of the multimedia codes.
constexpr ConsumerKey kConsumerKeys[] = {
    {21, 0x0223},  // AC Home
    {22, 0x0183},  // AL Consumer Control Configuration
    {23, 0x018A},  // AL Email Reader
    {24, 0x00E9},  // Volume Increment
    {25, 0x00EA},  // Volume Decrement
    {26, 0x00B6},  // Scan Previous Track
    {27, 0x00B5},  // Scan Next Track
    {28, 0x00E2},  // Mute
    {29, 0x00CD},  // Play/Pause
    {30, 0x0192},  // AL Calculator
};
static_assert(std::size(kConsumerKeys) == codes::kLastMultimedia - codes::kFirstMultimedia + 1);

bool InRange(ButtonFunctionCode code, ButtonFunctionCode first, ButtonFunctionCode last) {
  return code >= first && code <= last;
}

}  // namespace

std::uint8_t DeviceFunctionOf(ButtonFunctionCode code) {
  if (InRange(code, 0, codes::kDpiSwitch)) return static_cast<std::uint8_t>(code);
  if (InRange(code, codes::kFirstDeviceFunction, codes::kLastDeviceFunction)) {
    return static_cast<std::uint8_t>(code - 4);
  }
  return 0;
}

FollowUp FollowUpOf(ButtonFunctionCode code) {
  switch (code) {
    case codes::kDpiSwitch:
    case codes::kDpiUp:
    case codes::kDpiDown:
      return FollowUp::kDpiStage;
    case codes::kReportRateSwitch:
      return FollowUp::kReportRate;
    default:
      return FollowUp::kNone;
  }
}

std::optional<std::uint16_t> ConsumerUsageOf(ButtonFunctionCode code) {
  for (const auto& key : kConsumerKeys) {
    if (key.code == code) return key.usage;
  }
  return std::nullopt;
}

HostAction HostActionOf(ButtonFunctionCode code) {
  HostAction action;
  if (InRange(code, codes::kFirstUserMacro, codes::kLastUserMacro)) {
    action.kind = HostActionKind::kUserMacro;
    action.index = code - codes::kFirstUserMacro;
  } else if (InRange(code, codes::kFirstConstMacro, codes::kLastConstMacro)) {
    action.kind = HostActionKind::kConstMacro;
    action.index = code - codes::kFirstConstMacro;
  } else if (const auto usage = ConsumerUsageOf(code)) {
    action.kind = HostActionKind::kConsumerKey;
    action.usage = *usage;
  } else if (code == codes::kLaunchCalculator) {
    action.kind = HostActionKind::kLaunchProgram;
    action.program = u"calc.exe";
  } else if (code == codes::kLaunchCommandPrompt) {
    action.kind = HostActionKind::kLaunchProgram;
    action.program = u"cmd.exe";
  }
  return action;
}

Text FunctionLabelOf(ButtonFunctionCode code, const FunctionLabels& labels,
                     const MacroNameOf& macroName) {
  if (InRange(code, codes::kFirstUserMacro, codes::kLastUserMacro)) {
    return macroName ? macroName(code - codes::kFirstUserMacro) : Text();
  }
  if (InRange(code, 0, codes::kLaunchCommandPrompt)) return labels[static_cast<std::size_t>(code)];
  return Text();
}

void AssignButtonFunction(ProfileSettings& s, int buttonIndex, ButtonFunctionCode code) {
  if (buttonIndex < 0 || buttonIndex >= kButtonCount) return;
  s.ButtonCodes[buttonIndex] = code;
  for (int i = kButtonCount - 1; i >= 0; --i) {
    if (s.ButtonCodes[i] == codes::kPrimaryClick) return;
  }
  if (buttonIndex == kButtonCount - 1) {
    s.ButtonCodes[buttonIndex] = codes::kPrimaryClick;
  } else {
    s.ButtonCodes[buttonIndex + 1] = codes::kPrimaryClick;
  }
}

bool TouchesLastPrimaryClick(const ProfileSettings& s, int buttonIndex) {
  for (int i = 0; i < kButtonCount; ++i) {
    if (i != buttonIndex && s.ButtonCodes[i] == codes::kPrimaryClick) return false;
  }
  return true;
}

}  // namespace zlv
