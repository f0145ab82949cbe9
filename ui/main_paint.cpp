#include "ui/main_paint.h"

#include <algorithm>
#include <limits>
#include <string>

#include "ui/status_line.h"

namespace zlv::ui {
namespace {

// Where the entries of the main table sit.
constexpr int kYellowCaption = 1;
constexpr int kFirstProfileEntry = 4;  // profile n is entry n + 3
constexpr int kMainTab = 9;
constexpr int kAdvancedTab = 10;
constexpr int kColorTab = 11;
constexpr int kChineseEntry = 17;
constexpr int kEnglishEntry = 18;
constexpr int kFirstFunctionField = 25;
constexpr int kLastFunctionField = 30;
constexpr int kLedOffEntry = 36;
constexpr int kLedOnEntry = 37;
constexpr int kWheelOffEntry = 41;
constexpr int kWheelOnEntry = 42;
constexpr int kFirstStageSwitch = 46;
constexpr int kFirstStageCaption = 50;
constexpr int kFirstStageValue = 60;
constexpr int kStageValueCount = 5;
constexpr int kFirstActiveMark = 80;
constexpr int kFunctionHighlightOffset = 65;  // entries 90..95 light up with 25..30
constexpr int kMainTextSlots = 54;
constexpr int kAdvancedTextSlots = 71;
constexpr int kColorTextSlots = 33;

// The advanced table.
constexpr int kRecordEntry = 4;
constexpr int kRepeatModeEntry = 6;
constexpr int kMacroModeEntry = 7;
constexpr int kFirstPointerSpeed = 8;
constexpr int kFirstWheelLines = 18;
constexpr int kStepCount = 10;
constexpr int kFireTimeBar = 30;
constexpr int kFireTimeCaption = 33;
constexpr int kDownLinesCaption = 43;
constexpr int kUpLinesCaption = 44;
constexpr std::int32_t kMaxFireTime = 300;

// The colour table.
constexpr int kLedModeCount = 4;
constexpr int kDpiCaption = 9;
constexpr int kPreviewEntry = 11;

std::int32_t ClampToInt(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

bool InRange(std::int64_t value, std::int64_t first, std::int64_t last) {
  return value >= first && value <= last;
}

class Planner {
 public:
  Planner(const SkinLayout& layout, const FunctionLabels& labels, const PaintState& state)
      : layout_(layout), labels_(labels), state_(state) {}

  std::vector<PaintStep> Plan() {
    PageStates();
    Frame();
    Texts();
    Status();
    return std::move(steps_);
  }

 private:
  template <std::size_t N>
  void Band(const std::array<SkinEntry, N>& table, int index, Face face) {
    if (!InRange(index, 0, static_cast<int>(N) - 1)) return;
    BandRect(EntryRect(table[static_cast<std::size_t>(index)]), face);
  }
  void BandRect(const PixelRect& rect, Face face) {
    if (rect.Empty()) return;
    PaintStep step;
    step.kind = PaintStep::Kind::kBand;
    step.face = face;
    step.rect = rect;
    steps_.push_back(std::move(step));
  }
  void TextStep(const SkinEntry& entry, Text text, PaintColour colour,
                TextPlacement placement = TextPlacement::kCentred,
                PaintFont font = PaintFont::kSkin) {
    const PixelRect rect = EntryRect(entry);
    if (text.empty()) return;
    PaintStep step;
    step.kind = PaintStep::Kind::kText;
    step.rect = rect;
    step.text = std::move(text);
    step.font = font;
    step.colour = colour;
    step.placement = placement;
    steps_.push_back(std::move(step));
  }

  void Status() {
    if (state_.unapplied && InRange(state_.currentProfile, 1, 5)) {
      const PixelRect entry = EntryRect(layout_.MainEntries[static_cast<std::size_t>(kFirstProfileEntry + state_.currentProfile - 1)]);
      if (entry.Width() > kUnappliedMarkerWidth) {
        AddText(PixelRect{entry.right - kUnappliedMarkerWidth, entry.top, entry.right - 2, entry.bottom},
                kUnappliedMarker, kPaintNote, TextPlacement::kCentred, PaintFont::kSkin);
      }
    }
    const PixelRect line = StatusLineRect(layout_);
    if (state_.statusText.empty() || line.Empty()) return;
    const PaintColour colour = state_.statusFailure ? kPaintFailure
                               : state_.statusIsNote ? kPaintNote
                                                     : kPaintStatus;
    AddText(line, state_.statusText, colour, TextPlacement::kLeftInset, PaintFont::kSkin);
  }
  void AddText(const PixelRect& rect, Text text, PaintColour colour, TextPlacement placement, PaintFont font) {
    PaintStep step;
    step.kind = PaintStep::Kind::kText;
    step.rect = rect;
    step.text = std::move(text);
    step.font = font;
    step.colour = colour;
    step.placement = placement;
    steps_.push_back(std::move(step));
  }

  void PageStates() {
    switch (state_.page) {
      case Page::kMain:
        Hover(layout_.MainEntries, state_.hoverMain);
        MainStates();
        break;
      case Page::kAdvanced:
        Hover(layout_.AdvancedEntries, state_.hoverAdvanced);
        AdvancedStates();
        break;
      case Page::kColor:
        Hover(layout_.ColorEntries, state_.hoverColor);
        ColorStates();
        break;
    }
  }

  template <std::size_t N>
  void Hover(const std::array<SkinEntry, N>& table, int hovered) {
    if (hovered == kNoEntry) return;
    if (!state_.buttonHeld) {
      Band(table, hovered, Face::kOver);
      return;
    }
    // Held on the fire-time bar, the bar keeps showing its fill.
    if (state_.page == Page::kAdvanced && hovered == kFireTimeBar) return;
    Band(table, hovered, Face::kDown);
  }

  void MainStates() {
    const auto& main = layout_.MainEntries;
    if (InRange(state_.dpiLevel, 0, kDpiStageCount - 1)) {
      Band(main, kFirstActiveMark + state_.dpiLevel, Face::kDown);
    }
    for (int n = 0; n < kDpiStageCount; ++n) {
      const int value = state_.dpiStages[static_cast<std::size_t>(n)];
      if (value < kStageValueCount) {
        Band(main, kFirstStageValue + kStageValueCount * n + value, Face::kDpiSlider);
      }
      if (state_.dpiStageEnabled[static_cast<std::size_t>(n)] == 1) {
        Band(main, kFirstStageSwitch + n, Face::kDown);
      }
    }
    Band(main, state_.wheelStatus != 0 ? kWheelOnEntry : kWheelOffEntry, Face::kDown);
    Band(main, state_.ledMode == 3 ? kLedOnEntry : kLedOffEntry, Face::kDown);
    if (InRange(state_.hoverMain, kFirstFunctionField, kLastFunctionField)) {
      Band(main, state_.hoverMain + kFunctionHighlightOffset, Face::kOver);
    }
  }

  void AdvancedStates() {
    const auto& advanced = layout_.AdvancedEntries;
    if (state_.recording) Band(advanced, kRecordEntry, Face::kDown);
    if (state_.pointerSpeed < kStepCount) {
      Band(advanced, kFirstPointerSpeed + state_.pointerSpeed, Face::kDown);
    }
    if (state_.wheelLines < kStepCount) {
      Band(advanced, kFirstWheelLines + state_.wheelLines, Face::kDown);
    }
    const PixelRect bar = EntryRect(advanced[kFireTimeBar]);
    if (!bar.Empty()) {
      const std::int64_t fire = std::clamp<std::int64_t>(state_.fireTime, 0, kMaxFireTime);
      PixelRect filled = bar;
      filled.right = bar.left + static_cast<int>(fire * bar.Width() / kMaxFireTime);
      BandRect(filled, Face::kDown);
    }
    if (state_.macroMode != 0) Band(advanced, kMacroModeEntry, Face::kDown);
    if (state_.currentMacroRepeats) Band(advanced, kRepeatModeEntry, Face::kDown);
  }

  void ColorStates() {
    const auto& color = layout_.ColorEntries;
    if (state_.ledMode < kLedModeCount) Band(color, state_.ledMode, Face::kDown);
    if (state_.ledPreviewDark) {
      Band(color, kPreviewEntry, Face::kPreviewGray);
      return;
    }
    switch (state_.ledPreviewColor) {
      case 0: Band(color, kPreviewEntry, Face::kPreviewBlue); break;
      case 2: Band(color, kPreviewEntry, Face::kOver); break;
      case 3: Band(color, kPreviewEntry, Face::kDown); break;
      default: break;  // pink: the normal picture shows it
    }
  }

  int TabIndex() const {
    switch (state_.page) {
      case Page::kMain: return kMainTab;
      case Page::kAdvanced: return kAdvancedTab;
      case Page::kColor: return kColorTab;
    }
    return kMainTab;
  }

  void Frame() {
    const int tab = TabIndex();
    for (int i = 0; i < kFrameEntryCount; ++i) {
      if (InRange(state_.currentProfile, kFirstUserProfile, kLastUserProfile) &&
          i == state_.currentProfile + kFirstProfileEntry - 1) {
        Band(layout_.MainEntries, i, Face::kDown);
      } else if (i == state_.hoverMain) {
        Band(layout_.MainEntries, i, state_.buttonHeld ? Face::kDown : Face::kOver);
      } else if (i == tab || (i == kChineseEntry && !state_.english) ||
                 (i == kEnglishEntry && state_.english)) {
        Band(layout_.MainEntries, i, Face::kDown);
      }
    }
  }

  Text FunctionLabel(int button) const {
    return FunctionLabelOf(state_.buttonCodes[static_cast<std::size_t>(button)], labels_,
                           [this](int record) {
                             if (!InRange(record, 0, static_cast<int>(state_.userMacroNames.size()) - 1)) {
                               return Text();
                             }
                             return state_.userMacroNames[static_cast<std::size_t>(record)];
                           });
  }

  void Texts() {
    const auto& main = layout_.MainEntries;
    const int slots = state_.page == Page::kMain       ? kMainTextSlots
                      : state_.page == Page::kAdvanced ? kAdvancedTextSlots
                                                       : kColorTextSlots;
    for (int i = 0; i < slots; ++i) {
      const PaintColour standard = i == kYellowCaption ? kPaintYellow : kPaintWhite;
      if (state_.page == Page::kMain && InRange(i, kFirstFunctionField, kLastFunctionField)) {
        TextStep(main[static_cast<std::size_t>(i)], FunctionLabel(i - kFirstFunctionField),
                 i == state_.hoverMain ? kPaintRed : kPaintWhite, TextPlacement::kLeftInset);
      } else if (i < kFrameEntryCount || state_.page == Page::kMain) {
        const SkinEntry& entry = main[static_cast<std::size_t>(i)];
        if (state_.page == Page::kMain && i >= kFirstStageCaption) {
          const bool enabled = state_.dpiStageEnabled[static_cast<std::size_t>(i - kFirstStageCaption)] == 1;
          TextStep(entry, entry.caption, enabled ? kPaintStageOn : kPaintStageOff, TextPlacement::kCentred,
                   PaintFont::kSmall);
        } else {
          TextStep(entry, entry.caption, standard);
        }
      } else if (state_.page == Page::kAdvanced) {
        AdvancedText(i - kFrameEntryCount);
      } else {
        ColorText(i - kFrameEntryCount);
      }
    }
  }

  void AdvancedText(int a) {
    const SkinEntry& entry = layout_.AdvancedEntries[static_cast<std::size_t>(a)];
    Text caption = entry.caption;
    if (a == kRecordEntry) {
      caption = RecordCaption(state_.recording, state_.english);
    } else if (a == kDownLinesCaption) {
      caption = u"[↓]" + ToText(std::to_string(state_.downLines));
    } else if (a == kUpLinesCaption) {
      caption = u"[↑]" + ToText(std::to_string(state_.upLines));
    } else if (a == kFireTimeCaption) {
      caption = FireTimeCaption(state_.fireTime);
    }
    TextStep(entry, std::move(caption), a == state_.hoverAdvanced ? kPaintRed : kPaintWhite);
  }

  void ColorText(int a) {
    const SkinEntry& entry = layout_.ColorEntries[static_cast<std::size_t>(a)];
    if (a == kDpiCaption) {
      std::uint8_t code = 0;
      if (InRange(state_.dpiLevel, 0, kDpiStageCount - 1)) {
        code = state_.dpiStageCodes[static_cast<std::size_t>(state_.dpiLevel)];
      }
      TextStep(entry, ToText(std::to_string(DpiOfStageCode(code))), kPaintWhite);
      return;
    }
    TextStep(entry, entry.caption, kPaintWhite);
  }

  static Text ToText(const std::string& ascii) { return Text(ascii.begin(), ascii.end()); }

  const SkinLayout& layout_;
  const FunctionLabels& labels_;
  const PaintState& state_;
  std::vector<PaintStep> steps_;
};

}  // namespace

PagePictures PicturesOf(Page page) {
  switch (page) {
    case Page::kMain:
      return {u"\\main_normal.jpg", u"\\main_over.jpg", u"\\main_down.jpg"};
    case Page::kAdvanced:
      return {u"\\advanced_normal.jpg", u"\\advanced_over.jpg", u"\\advanced_down.jpg"};
    case Page::kColor:
      return {u"\\color_normal_pink.jpg", u"\\color_over_red.jpg", u"\\color_down_purple.jpg"};
  }
  return PicturesOf(Page::kMain);
}

TextView PictureNameOf(Face face, Page page) {
  const PagePictures pictures = PicturesOf(page);
  switch (face) {
    case Face::kNormal: return pictures.normal;
    case Face::kOver: return pictures.over;
    case Face::kDown: return pictures.down;
    case Face::kDpiSlider: return u"\\dpi_slider.jpg";
    case Face::kPreviewBlue: return u"\\color_over_blue.jpg";
    case Face::kPreviewGray: return u"\\color_normal_gray.jpg";
  }
  return pictures.normal;
}

void CopySettings(const ProfileSettings& settings, PaintState& state) {
  for (int b = 0; b < kButtonCount; ++b) {
    state.buttonCodes[static_cast<std::size_t>(b)] = settings.ButtonCodes[static_cast<std::size_t>(b)];
  }
  state.wheelStatus = settings.WheelStatus;
  state.macroMode = settings.MacroMode;
  state.dpiLevel = settings.DpiLevel;
  for (int n = 0; n < kDpiStageCount; ++n) {
    const auto i = static_cast<std::size_t>(n);
    state.dpiStages[i] = settings.DpiStages[i];
    state.dpiStageEnabled[i] = settings.DpiStageEnabled[i];
  }
  state.ledMode = settings.LedMode;
  state.pointerSpeed = settings.PointerSpeed;
  state.wheelLines = settings.WheelLines;
  state.fireTime = settings.FireTime;
}

std::vector<PaintStep> PlanPage(const SkinLayout& layout, const FunctionLabels& labels,
                                const PaintState& state) {
  return Planner(layout, labels, state).Plan();
}

int DpiOfStageCode(std::uint8_t code) {
  switch (code) {
    case 13: return 3200;
    case 11: return 2400;
    case 9: return 2000;
    case 7: return 1600;
    case 6: return 1200;
    default: return 800;
  }
}

Text RecordCaption(bool recording, bool english) {
  if (recording) return english ? Text(u"Stop") : Text(u"停止");
  return english ? Text(u"Record") : Text(u"录制");
}

Text FireTimeCaption(std::int32_t fireTime) {
  const std::string digits = std::to_string(fireTime);
  return Text(digits.begin(), digits.end()) + u"ms";
}

PixelRect EntryRect(const SkinEntry& entry) {
  return PixelRect{entry.x, entry.y, ClampToInt(std::int64_t{entry.x} + entry.width),
                   ClampToInt(std::int64_t{entry.y} + entry.height)};
}

}  // namespace zlv::ui
