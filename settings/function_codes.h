// Button function codes: what each code means to the mouse and to the host,
// their labels, and the rule that keeps one button on the primary click.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "base/text.h"
#include "settings/profile_settings.h"

namespace zlv {

using ButtonFunctionCode = std::int32_t;

namespace codes {
inline constexpr ButtonFunctionCode kNone = 0;
inline constexpr ButtonFunctionCode kPrimaryClick = 1;
inline constexpr ButtonFunctionCode kDpiSwitch = 6;
inline constexpr ButtonFunctionCode kFirstSubmenuRow = 7;
inline constexpr ButtonFunctionCode kLastSubmenuRow = 10;
inline constexpr ButtonFunctionCode kFirstDeviceFunction = 11;
inline constexpr ButtonFunctionCode kReportRateSwitch = 14;
inline constexpr ButtonFunctionCode kDpiUp = 15;
inline constexpr ButtonFunctionCode kDpiDown = 16;
inline constexpr ButtonFunctionCode kLastDeviceFunction = 17;
inline constexpr ButtonFunctionCode kFirstMultimedia = 21;
inline constexpr ButtonFunctionCode kLastMultimedia = 30;
inline constexpr ButtonFunctionCode kFirstConstMacro = 31;
inline constexpr ButtonFunctionCode kLastConstMacro = 38;
inline constexpr ButtonFunctionCode kLaunchCalculator = 39;
inline constexpr ButtonFunctionCode kLaunchCommandPrompt = 40;
inline constexpr ButtonFunctionCode kFirstUserMacro = 41;
inline constexpr ButtonFunctionCode kLastUserMacro = 52;
}  // namespace codes

// The byte the mouse is sent for a code in the button-function report: the
// code for 0..6, code - 4 for 11..17, and 0 ("announce the press to the host")
// for everything else.
std::uint8_t DeviceFunctionOf(ButtonFunctionCode code);

// What the host follows after the mouse reports a press of the button.
enum class FollowUp : std::uint8_t { kNone, kDpiStage, kReportRate };
FollowUp FollowUpOf(ButtonFunctionCode code);

// What the host does itself when the mouse announces a press.
enum class HostActionKind : std::uint8_t {
  kNone,
  kUserMacro,      // index = record of the user macro table
  kConstMacro,     // index = record of the constant macro table
  kConsumerKey,    // usage = consumer-page usage
  kLaunchProgram,  // program = "calc.exe" or "cmd.exe"
};
struct HostAction {
  HostActionKind kind = HostActionKind::kNone;
  int index = 0;
  std::uint16_t usage = 0;
  const char16_t* program = nullptr;
};
HostAction HostActionOf(ButtonFunctionCode code);

// The consumer-control usage of a multimedia code (21..30).
std::optional<std::uint16_t> ConsumerUsageOf(ButtonFunctionCode code);

// Labels of codes 0..54 from the skin's FUN_STRING section; entry 0 stays empty.
inline constexpr int kFunctionLabelCount = 55;
using FunctionLabels = std::array<Text, kFunctionLabelCount>;

// The label shown for a code: the macro's name for 41..52, the label table for
// 0..40, and the empty text for any other code (only a hand-edited file gives one).
using MacroNameOf = std::function<Text(int record)>;
Text FunctionLabelOf(ButtonFunctionCode code, const FunctionLabels& labels,
                     const MacroNameOf& macroName);

// Stores a code chosen in the function menus and keeps at least one button on
// the primary click: when no button has code 1 afterwards, the next button
// (or, for the last button, the chosen one itself) gets it. Indexes outside
// 0..5 are ignored.
void AssignButtonFunction(ProfileSettings& settings, int buttonIndex, ButtonFunctionCode code);

// True when none of the other five buttons has the primary click, so the user
// is asked before the function menus open for this button.
bool TouchesLastPrimaryClick(const ProfileSettings& settings, int buttonIndex);

}  // namespace zlv
