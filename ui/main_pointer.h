// How the main window answers the pointer: which skin entry the pointer is
// on, what a press and a release there mean, and the edits of the settings
// that need nothing but the settings. The window forwards its pointer
// messages here and carries out the action it gets back. Portable: no OS
// headers.
#pragma once

#include <array>
#include <cstdint>

#include "settings/profile_settings.h"
#include "ui/main_paint.h"
#include "ui/picture_geometry.h"
#include "ui/skin_layout.h"

namespace zlv::ui {

// The last entry of each table that takes part in hit tests.
inline constexpr int kMainHitLastOnMainPage = 79;
inline constexpr int kMainHitLastElsewhere = 19;
inline constexpr int kAdvancedHitLast = 37;
inline constexpr int kColorHitLast = 4;

// The first entry (0..last) whose rectangle holds the point; lower indexes
// win where rectangles overlap. kNoEntry when none does.
template <std::size_t N>
int HitTest(PixelPoint point, const std::array<SkinEntry, N>& entries, int last) {
  const int end = last < static_cast<int>(N) - 1 ? last : static_cast<int>(N) - 1;
  for (int i = 0; i <= end; ++i) {
    if (entries[static_cast<std::size_t>(i)].Contains(point.x, point.y)) return i;
  }
  return kNoEntry;
}

// The entries under the pointer in the three tables, all three computed on
// every move whatever page is shown.
struct Hovers {
  int main = kNoEntry;
  int advanced = kNoEntry;
  int color = kNoEntry;
  bool Any() const { return main != kNoEntry || advanced != kNoEntry || color != kNoEntry; }
  friend bool operator==(const Hovers&, const Hovers&) = default;
};
Hovers HitAll(const SkinLayout& layout, Page page, PixelPoint point);

// What a press or a release asks for. `value` carries the entry-derived
// number the action names (a button, stage, step, mode or profile), and
// `value2` a second one (a stage's value).
enum class PointerVerb : std::uint8_t {
  kNone,
  kDrag,                // nothing hit: move the window
  // press, main page
  kSaveProfile,
  kImportProfile,
  kExportProfile,
  kOpenFunctionMenu,    // value: button 0..5
  kSetLedMode,          // value: mode
  kSetWheelStatus,      // value: 0 or 1
  kToggleDpiStage,      // value: stage
  kChooseActiveStage,   // value: stage
  kChooseStageValue,    // value: stage, value2: value 0..4
  // press, page tabs
  kGoToMain,
  kGoToAdvanced,
  kGoToColor,
  // press, advanced page
  kImportMacros,
  kExportMacros,
  kAddMacro,
  kDeleteMacro,
  kToggleRecording,
  kApplyRepeatCount,
  kToggleRepeatMode,
  kToggleMacroMode,
  kSetPointerSpeed,     // value: step 0..9
  kSetWheelLines,       // value: step 0..9
  kSetFireTime,         // value: 0..299
  kFireTimeUp,
  kFireTimeDown,
  // release, every page
  kDropEditsAndHide,    // entry 2
  kApply,               // entry 3
  kChooseProfile,       // value: profile 1..5
  kMinimise,
  kCloseToTray,
  kRestoreDefaults,
  kSwitchToChinese,
  kSwitchToEnglish,
  kOpenWebPage,
};

struct PointerAction {
  PointerVerb verb = PointerVerb::kNone;
  int value = 0;
  int value2 = 0;
  friend bool operator==(const PointerAction&, const PointerAction&) = default;
};

// A press acts on the entries the last move found; `point` is the press's
// own point (the fire-time bar reads its x).
PointerAction DecidePress(const SkinLayout& layout, Page page, const Hovers& hovers,
                          PixelPoint point);
// Whether a press draws the entry under the pointer pressed until the
// release: it hit an entry of any of the three tables and does not move the
// window. (A drag may start inside an entry of another page's table; the
// system's move loop then takes the release, which would leave the pressed
// look on.)
bool PressShowsHeld(const Hovers& hovers, const PointerAction& press);
// A release acts on the main-table entry under the pointer, on every page.
PointerAction DecideRelease(const Hovers& hovers);

// Carries out the actions that only edit the settings in memory (LED, wheel,
// DPI stages and values, macro mode, pointer speed, wheel lines, fire time).
// Returns false for every other action, leaving the settings alone.
bool ApplySettingsAction(ProfileSettings& settings, const PointerAction& action);

// The fire time for a press at x on the bar: the offset into the bar times
// 300 over its width; 0 for a bar without width.
std::int32_t FireTimeAt(const SkinEntry& bar, int x);

inline constexpr std::int32_t kFireTimeMax = 300;

}  // namespace zlv::ui
