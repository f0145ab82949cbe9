#include "ui/main_pointer.h"

#include <algorithm>

namespace zlv::ui {
namespace {

bool Between(int value, int first, int last) { return value >= first && value <= last; }

PointerAction Act(PointerVerb verb, int value = 0, int value2 = 0) {
  return PointerAction{verb, value, value2};
}

PointerAction PressOnMainPage(int entry) {
  switch (entry) {
    case 0: return Act(PointerVerb::kSaveProfile);
    case 10: return Act(PointerVerb::kGoToAdvanced);
    case 11: return Act(PointerVerb::kGoToColor);
    case 14: return Act(PointerVerb::kImportProfile);
    case 15: return Act(PointerVerb::kExportProfile);
    case 36: return Act(PointerVerb::kSetLedMode, 0);
    case 37: return Act(PointerVerb::kSetLedMode, 3);
    case 41: return Act(PointerVerb::kSetWheelStatus, 0);
    case 42: return Act(PointerVerb::kSetWheelStatus, 1);
    case kNoEntry: return Act(PointerVerb::kDrag);
    default: break;
  }
  if (Between(entry, 25, 30)) return Act(PointerVerb::kOpenFunctionMenu, entry - 25);
  if (Between(entry, 46, 49)) return Act(PointerVerb::kToggleDpiStage, entry - 46);
  if (Between(entry, 54, 57)) return Act(PointerVerb::kChooseActiveStage, entry - 54);
  if (Between(entry, 60, 79)) return Act(PointerVerb::kChooseStageValue, (entry - 60) / 5, (entry - 60) % 5);
  return Act(PointerVerb::kNone);
}

PointerAction PressOnAdvancedPage(const SkinLayout& layout, const Hovers& hovers, PixelPoint point) {
  if (hovers.main == 9) return Act(PointerVerb::kGoToMain);
  if (hovers.main == 11) return Act(PointerVerb::kGoToColor);
  const int a = hovers.advanced;
  switch (a) {
    case 0: return Act(PointerVerb::kImportMacros);
    case 1: return Act(PointerVerb::kExportMacros);
    case 2: return Act(PointerVerb::kAddMacro);
    case 3: return Act(PointerVerb::kDeleteMacro);
    case 4: return Act(PointerVerb::kToggleRecording);
    case 5: return Act(PointerVerb::kApplyRepeatCount);
    case 6: return Act(PointerVerb::kToggleRepeatMode);
    case 7: return Act(PointerVerb::kToggleMacroMode);
    case 30: return Act(PointerVerb::kSetFireTime, FireTimeAt(layout.AdvancedEntries[30], point.x));
    case 31: return Act(PointerVerb::kFireTimeUp);
    case 32: return Act(PointerVerb::kFireTimeDown);
    default: break;
  }
  if (Between(a, 8, 17)) return Act(PointerVerb::kSetPointerSpeed, a - 8);
  if (Between(a, 18, 27)) return Act(PointerVerb::kSetWheelLines, a - 18);
  if (a == kNoEntry && hovers.main == kNoEntry) return Act(PointerVerb::kDrag);
  return Act(PointerVerb::kNone);
}

PointerAction PressOnColorPage(const Hovers& hovers) {
  if (hovers.main == 9) return Act(PointerVerb::kGoToMain);
  if (hovers.main == 10) return Act(PointerVerb::kGoToAdvanced);
  if (Between(hovers.color, 0, 3)) return Act(PointerVerb::kSetLedMode, hovers.color);
  if (hovers.color == kNoEntry && hovers.main == kNoEntry) return Act(PointerVerb::kDrag);
  return Act(PointerVerb::kNone);
}

}  // namespace

Hovers HitAll(const SkinLayout& layout, Page page, PixelPoint point) {
  Hovers h;
  h.main = HitTest(point, layout.MainEntries,
                   page == Page::kMain ? kMainHitLastOnMainPage : kMainHitLastElsewhere);
  h.color = HitTest(point, layout.ColorEntries, kColorHitLast);
  h.advanced = HitTest(point, layout.AdvancedEntries, kAdvancedHitLast);
  return h;
}

PointerAction DecidePress(const SkinLayout& layout, Page page, const Hovers& hovers,
                          PixelPoint point) {
  switch (page) {
    case Page::kMain: return PressOnMainPage(hovers.main);
    case Page::kAdvanced: return PressOnAdvancedPage(layout, hovers, point);
    case Page::kColor: return PressOnColorPage(hovers);
  }
  return Act(PointerVerb::kNone);
}

bool PressShowsHeld(const Hovers& hovers, const PointerAction& press) {
  return hovers.Any() && press.verb != PointerVerb::kDrag;
}

PointerAction DecideRelease(const Hovers& hovers) {
  const int entry = hovers.main;
  switch (entry) {
    case 2: return Act(PointerVerb::kDropEditsAndHide);
    case 3: return Act(PointerVerb::kApply);
    case 12: return Act(PointerVerb::kMinimise);
    case 13: return Act(PointerVerb::kCloseToTray);
    case 16: return Act(PointerVerb::kRestoreDefaults);
    case 17: return Act(PointerVerb::kSwitchToChinese);
    case 18: return Act(PointerVerb::kSwitchToEnglish);
    case 19: return Act(PointerVerb::kOpenWebPage);
    default: break;
  }
  if (Between(entry, 4, 8)) return Act(PointerVerb::kChooseProfile, entry - 3);
  return Act(PointerVerb::kNone);
}

bool ApplySettingsAction(ProfileSettings& s, const PointerAction& action) {
  switch (action.verb) {
    case PointerVerb::kSetLedMode:
      s.LedMode = static_cast<std::uint8_t>(action.value);
      return true;
    case PointerVerb::kSetWheelStatus:
      s.WheelStatus = action.value;
      return true;
    case PointerVerb::kToggleDpiStage:
      if (!Between(action.value, 0, kDpiStageCount - 1)) return true;
      if (s.DpiStageEnabled[static_cast<std::size_t>(action.value)] == 0) {
        EnableDpiStage(s, action.value);
      } else {
        DisableDpiStage(s, action.value);
      }
      return true;
    case PointerVerb::kChooseActiveStage:
      ChooseActiveDpiStage(s, action.value);
      return true;
    case PointerVerb::kChooseStageValue:
      ChooseDpiStageValue(s, action.value, action.value2);
      return true;
    case PointerVerb::kToggleMacroMode:
      s.MacroMode = s.MacroMode == 0 ? 1 : 0;
      return true;
    case PointerVerb::kSetPointerSpeed:
      s.PointerSpeed = static_cast<std::uint8_t>(action.value);
      return true;
    case PointerVerb::kSetWheelLines:
      s.WheelLines = static_cast<std::uint8_t>(action.value);
      return true;
    case PointerVerb::kSetFireTime:
      s.FireTime = std::clamp<std::int32_t>(action.value, 0, kFireTimeMax);
      return true;
    case PointerVerb::kFireTimeUp:
      s.FireTime = s.FireTime < kFireTimeMax ? std::max<std::int32_t>(s.FireTime + 1, 0) : kFireTimeMax;
      return true;
    case PointerVerb::kFireTimeDown:
      s.FireTime = s.FireTime > 0 ? std::min<std::int32_t>(s.FireTime - 1, kFireTimeMax) : 0;
      return true;
    default:
      return false;
  }
}

std::int32_t FireTimeAt(const SkinEntry& bar, int x) {
  if (bar.width <= 0) return 0;
  const std::int64_t offset = std::int64_t{x} - bar.x;
  if (offset <= 0) return 0;
  const std::int64_t value = offset * kFireTimeMax / bar.width;
  return static_cast<std::int32_t>(std::min<std::int64_t>(value, kFireTimeMax));
}

}  // namespace zlv::ui
