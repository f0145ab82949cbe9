// The main window's paint plan: which bands come from which picture, which
// texts are drawn where and in what colour, and that values from a hand-edited
// file never index outside a table.
#include "ui/main_paint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace zlv::ui {
namespace {

using Kind = PaintStep::Kind;

// Every entry of every table is a 10 x 10 square of its own: main entries in
// row 0, advanced in row 100, colour in row 200, so a band's rectangle names
// its entry. The fire-time bar is 201 pixels wide.
SkinLayout TestLayout() {
  SkinLayout layout;
  auto fill = [](auto& table, int y, char16_t prefix) {
    for (std::size_t i = 0; i < table.size(); ++i) {
      const std::string digits = std::to_string(i);
      table[i] = SkinEntry{static_cast<std::int32_t>(10 * i), y, 10, 10,
                           Text(1, prefix) + Text(digits.begin(), digits.end())};
    }
  };
  fill(layout.MainEntries, 0, u'M');
  fill(layout.AdvancedEntries, 100, u'A');
  fill(layout.ColorEntries, 200, u'C');
  layout.AdvancedEntries[30] = SkinEntry{0, 300, 201, 10, u"bar"};
  return layout;
}

PixelRect Main(int i) { return PixelRect{10 * i, 0, 10 * i + 10, 10}; }
PixelRect Advanced(int i) { return PixelRect{10 * i, 100, 10 * i + 10, 110}; }
PixelRect Color(int i) { return PixelRect{10 * i, 200, 10 * i + 10, 210}; }

FunctionLabels TestLabels() {
  FunctionLabels labels;
  for (std::size_t i = 1; i < labels.size(); ++i) {
    const std::string digits = std::to_string(i);
    labels[i] = u"F" + Text(digits.begin(), digits.end());
  }
  return labels;
}

class MainPaintTest : public ::testing::Test {
 protected:
  MainPaintTest() {
    state.dpiStageEnabled = {1, 1, 1, 1};
    state.buttonCodes = {1, 2, 3, 4, 5, 6};
  }

  std::vector<PaintStep> Plan() const { return PlanPage(layout, labels, state); }

  // The faces drawn onto the rectangle, in drawing order.
  std::vector<Face> BandsOn(const PixelRect& rect) const {
    std::vector<Face> faces;
    for (const PaintStep& step : Plan()) {
      if (step.kind == Kind::kBand && step.rect == rect) faces.push_back(step.face);
    }
    return faces;
  }
  const PaintStep* TextOn(const std::vector<PaintStep>& steps, const PixelRect& rect) const {
    for (const PaintStep& step : steps) {
      if (step.kind == Kind::kText && step.rect == rect) return &step;
    }
    return nullptr;
  }

  SkinLayout layout = TestLayout();
  FunctionLabels labels = TestLabels();
  PaintState state;
};

using Faces = std::vector<Face>;

TEST_F(MainPaintTest, HoveredEntryComesFromTheOverPictureAndFromTheDownPictureWhileHeld) {
  state.hoverMain = 38;  // no special state of its own
  EXPECT_EQ(BandsOn(Main(38)), Faces{Face::kOver});
  state.buttonHeld = true;
  EXPECT_EQ(BandsOn(Main(38)), Faces{Face::kDown});
  // An entry that shows a setting is drawn over its hover: LED on (entry 36,
  // LED mode 0) stays selected under the pointer.
  state.buttonHeld = false;
  state.hoverMain = 36;
  EXPECT_EQ(BandsOn(Main(36)), (Faces{Face::kOver, Face::kDown}));
}

TEST_F(MainPaintTest, FireTimeBarKeepsItsFillWhileHeldButOtherAdvancedEntriesShowPressed) {
  state.page = Page::kAdvanced;
  state.fireTime = 150;
  state.hoverAdvanced = 30;
  state.buttonHeld = true;
  // Half of 201 pixels, remainder dropped; the whole bar is not drawn pressed.
  EXPECT_EQ(BandsOn(PixelRect{0, 300, 201, 310}), Faces{});
  EXPECT_EQ(BandsOn(PixelRect{0, 300, 100, 310}), Faces{Face::kDown});
  state.hoverAdvanced = 31;
  EXPECT_EQ(BandsOn(Advanced(31)), Faces{Face::kDown});
}

TEST_F(MainPaintTest, FireTimeBarWidthFollowsTheFireTime) {
  state.page = Page::kAdvanced;
  struct Case {
    std::int32_t fireTime;
    int filled;  // pixels; 0: no band at all
  };
  for (const Case c : {Case{0, 0}, Case{1, 0}, Case{2, 1}, Case{150, 100}, Case{299, 200},
                       Case{300, 201}, Case{-8, 0}, Case{2040, 201}}) {
    SCOPED_TRACE(c.fireTime);
    state.fireTime = c.fireTime;
    int drawn = 0;
    for (const PaintStep& step : Plan()) {
      if (step.kind == Kind::kBand && step.rect.top == 300) drawn = step.rect.Width();
    }
    EXPECT_EQ(drawn, c.filled);
  }
}

TEST_F(MainPaintTest, OnlyEnabledStageSwitchesAreDownAndTheirCaptionsRed) {
  state.dpiStageEnabled = {0, 0, 1, 0};
  state.dpiLevel = 2;
  const std::vector<PaintStep> steps = Plan();
  for (int s = 0; s < 4; ++s) {
    SCOPED_TRACE(s);
    EXPECT_EQ(BandsOn(Main(46 + s)), s == 2 ? Faces{Face::kDown} : Faces{});
    const PaintStep* caption = TextOn(steps, Main(50 + s));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->font, PaintFont::kSmall);
    EXPECT_EQ(caption->colour, s == 2 ? kPaintStageOn : kPaintStageOff);
  }
}

TEST_F(MainPaintTest, SliderThumbSitsOnEachStagesValueAndTheActiveMarkIsDown) {
  state.dpiStages = {0, 4, 2, 1};
  state.dpiLevel = 1;
  EXPECT_EQ(BandsOn(Main(60)), Faces{Face::kDpiSlider});
  EXPECT_EQ(BandsOn(Main(69)), Faces{Face::kDpiSlider});
  EXPECT_EQ(BandsOn(Main(72)), Faces{Face::kDpiSlider});
  EXPECT_EQ(BandsOn(Main(76)), Faces{Face::kDpiSlider});
  EXPECT_EQ(BandsOn(Main(61)), Faces{});
  EXPECT_EQ(BandsOn(Main(81)), Faces{Face::kDown});
  EXPECT_EQ(BandsOn(Main(80)), Faces{});
}

TEST_F(MainPaintTest, SwitchesShowTheirSetting) {
  struct Case {
    std::int32_t wheel;
    std::uint8_t led;
    int wheelDown;
    int ledDown;
  };
  for (const Case c : {Case{0, 0, 41, 36}, Case{1, 3, 42, 37}, Case{7, 2, 42, 36}}) {
    state.wheelStatus = c.wheel;
    state.ledMode = c.led;
    EXPECT_EQ(BandsOn(Main(c.wheelDown)), Faces{Face::kDown});
    EXPECT_EQ(BandsOn(Main(c.wheelDown == 41 ? 42 : 41)), Faces{});
    EXPECT_EQ(BandsOn(Main(c.ledDown)), Faces{Face::kDown});
    EXPECT_EQ(BandsOn(Main(c.ledDown == 36 ? 37 : 36)), Faces{});
  }
}

TEST_F(MainPaintTest, FunctionFieldShowsTheFunctionOrMacroNameAndLightsItsCompanion) {
  state.buttonCodes[3] = 43;
  state.userMacroNames[2] = u"combo";
  state.hoverMain = 28;
  const std::vector<PaintStep> steps = Plan();
  const PaintStep* field = TextOn(steps, Main(28));
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->text, u"combo");
  EXPECT_EQ(field->placement, TextPlacement::kLeftInset);
  EXPECT_EQ(field->colour, kPaintRed);
  const PaintStep* other = TextOn(steps, Main(25));
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->text, u"F1");
  EXPECT_EQ(other->colour, kPaintWhite);
  EXPECT_EQ(BandsOn(Main(93)), Faces{Face::kOver});
}

TEST_F(MainPaintTest, FrameEntriesFollowProfileHoverTabAndLanguage) {
  state.currentProfile = 2;  // entry 5
  state.english = false;     // entry 17
  state.page = Page::kColor; // tab 11
  state.hoverMain = 12;
  EXPECT_EQ(BandsOn(Main(5)), Faces{Face::kDown});
  EXPECT_EQ(BandsOn(Main(4)), Faces{});
  EXPECT_EQ(BandsOn(Main(11)), Faces{Face::kDown});
  EXPECT_EQ(BandsOn(Main(9)), Faces{});
  EXPECT_EQ(BandsOn(Main(17)), Faces{Face::kDown});
  EXPECT_EQ(BandsOn(Main(18)), Faces{});
  // Hovered frame entries: only the frame draws them on the colour page.
  EXPECT_EQ(BandsOn(Main(12)), Faces{Face::kOver});
  state.english = true;
  EXPECT_EQ(BandsOn(Main(18)), Faces{Face::kDown});
}

TEST_F(MainPaintTest, CaptionsDrawnPerPage) {
  struct Case {
    Page page;
    PixelRect drawn;
    PixelRect notDrawn;
  };
  for (const Case c : {Case{Page::kMain, Main(53), Main(54)},
                       Case{Page::kAdvanced, Main(19), Main(20)},
                       Case{Page::kAdvanced, Advanced(50), Color(0)},
                       Case{Page::kColor, Color(12), Advanced(0)}}) {
    state.page = c.page;
    const std::vector<PaintStep> steps = Plan();
    EXPECT_NE(TextOn(steps, c.drawn), nullptr);
    EXPECT_EQ(TextOn(steps, c.notDrawn), nullptr);
  }
  state.page = Page::kMain;
  const std::vector<PaintStep> mainSteps = Plan();
  const PaintStep* yellow = TextOn(mainSteps, Main(1));
  ASSERT_NE(yellow, nullptr);
  EXPECT_EQ(yellow->colour, kPaintYellow);
}

TEST_F(MainPaintTest, AdvancedCaptionsReplacedByTheProgramsOwn) {
  state.page = Page::kAdvanced;
  state.fireTime = 42;
  state.downLines = 3;
  state.upLines = 2;
  state.hoverAdvanced = 33;
  struct Case {
    bool recording;
    bool english;
    const char16_t* record;
  };
  for (const Case c : {Case{false, true, u"Record"}, Case{true, true, u"Stop"},
                       Case{false, false, u"录制"}, Case{true, false, u"停止"}}) {
    state.recording = c.recording;
    state.english = c.english;
    const std::vector<PaintStep> steps = Plan();
    EXPECT_EQ(TextOn(steps, Advanced(4))->text, c.record);
    EXPECT_EQ(BandsOn(Advanced(4)), c.recording ? Faces{Face::kDown} : Faces{});
    EXPECT_EQ(TextOn(steps, Advanced(33))->text, u"42ms");
    EXPECT_EQ(TextOn(steps, Advanced(33))->colour, kPaintRed);
    EXPECT_EQ(TextOn(steps, Advanced(43))->text, u"[↓]3");
    EXPECT_EQ(TextOn(steps, Advanced(44))->text, u"[↑]2");
  }
}

TEST_F(MainPaintTest, ColourPageShowsTheActiveStagesDpiAndThePreview) {
  state.page = Page::kColor;
  state.dpiLevel = 1;
  struct Dpi {
    std::uint8_t code;
    const char16_t* shown;
  };
  for (const Dpi d : {Dpi{13, u"3200"}, Dpi{11, u"2400"}, Dpi{9, u"2000"}, Dpi{7, u"1600"},
                      Dpi{6, u"1200"}, Dpi{15, u"800"}, Dpi{0, u"800"}}) {
    state.dpiStageCodes = {13, d.code, 13, 13};
    const std::vector<PaintStep> steps = Plan();
    ASSERT_NE(TextOn(steps, Color(9)), nullptr);
    EXPECT_EQ(TextOn(steps, Color(9))->text, d.shown);
  }
  struct Preview {
    int colour;
    bool dark;
    Faces faces;
  };
  for (const Preview& p : {Preview{0, false, {Face::kPreviewBlue}}, Preview{1, false, {}},
                          Preview{2, false, {Face::kOver}}, Preview{3, false, {Face::kDown}},
                          Preview{2, true, {Face::kPreviewGray}}}) {
    state.ledPreviewColor = p.colour;
    state.ledPreviewDark = p.dark;
    EXPECT_EQ(BandsOn(Color(11)), p.faces);
  }
}

TEST_F(MainPaintTest, ValuesFromAHandEditedFileNeverIndexOutsideATable) {
  // Out-of-range settings draw nothing for their rule (ASan would catch a
  // read outside a table).
  state.dpiLevel = 9;
  state.dpiStages = {5, 200, 255, 4};
  state.pointerSpeed = 99;
  state.wheelLines = 10;
  state.ledMode = 7;
  state.currentProfile = 40;
  state.buttonCodes = {-1, 9999, 53, 54, 41 + 12, 41 + 200};
  state.hoverMain = 300;
  // Every band lies on an entry of the page's table, of the frame, or on the
  // start of the fire-time bar.
  const auto onAnEntry = [&](Page page, const PixelRect& r) {
    const auto in = [&r](const auto& table) {
      return std::any_of(table.begin(), table.end(), [&r](const SkinEntry& e) { return EntryRect(e) == r; });
    };
    if (in(layout.MainEntries)) return true;
    if (page == Page::kAdvanced) return in(layout.AdvancedEntries) || (r.left == 0 && r.top == 300 && r.bottom == 310);
    return page == Page::kColor && in(layout.ColorEntries);
  };
  for (Page page : {Page::kMain, Page::kAdvanced, Page::kColor}) {
    state.page = page;
    for (const PaintStep& step : Plan()) {
      if (step.kind == Kind::kBand) {
        EXPECT_TRUE(onAnEntry(page, step.rect)) << static_cast<int>(page) << ": " << step.rect.left << "," << step.rect.top;
      }
    }
  }
  // Entries that an unbounded value would name stay as the normal picture
  // shows them: active mark 80 + 9, wheel-lines step 18 + 10, colour entry 7.
  state.page = Page::kMain;
  EXPECT_EQ(BandsOn(Main(89)), Faces{});
  EXPECT_EQ(BandsOn(Main(79)), Faces{Face::kDpiSlider});  // stage 3, value 4
  EXPECT_EQ(BandsOn(Main(60)), Faces{});
  state.page = Page::kAdvanced;
  EXPECT_EQ(BandsOn(Advanced(28)), Faces{});
  state.page = Page::kColor;
  EXPECT_EQ(BandsOn(Color(7)), Faces{});
}

TEST_F(MainPaintTest, AnEntryWithNeitherRectangleNorCaptionPaintsNothing) {
  layout.MainEntries[38] = SkinEntry{};                      // neither: nothing
  layout.MainEntries[39] = SkinEntry{390, 0, 10, 10, u""};   // a rectangle only: no text
  layout.MainEntries[40] = SkinEntry{400, 0, 0, 0, u"M40"};  // a caption only: its text
  state.hoverMain = 38;
  const std::vector<PaintStep> steps = Plan();
  const auto stepsOn = [&steps](const PixelRect& r) {
    return std::count_if(steps.begin(), steps.end(), [&r](const PaintStep& step) { return step.rect == r; });
  };
  EXPECT_EQ(stepsOn(PixelRect{0, 0, 0, 0}), 0);
  EXPECT_EQ(TextOn(steps, Main(39)), nullptr);
  const PaintStep* caption = TextOn(steps, PixelRect{400, 0, 400, 0});
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->text, u"M40");
  EXPECT_TRUE(std::none_of(steps.begin(), steps.end(), [](const PaintStep& step) {
    return step.kind == Kind::kText && step.text.empty();
  }));
}

// WCAG contrast of two colours given as 0x00BBGGRR.
double Contrast(PaintColour a, PaintColour b) {
  const auto luminance = [](PaintColour c) {
    const auto channel = [](unsigned v) {
      const double x = v / 255.0;
      return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c & 0xFF) + 0.7152 * channel((c >> 8) & 0xFF) + 0.0722 * channel((c >> 16) & 0xFF);
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The captions the program colours itself stay readable on the skin's
// grounds: the DPI panel, and the warning's buttons at the light top of
// their gradient, plain and highlighted (tools/skingen's palette).
TEST(CaptionColours, ReachFourAndAHalfToOneOnTheirGrounds) {
  constexpr PaintColour kPanel = 0x201A17;       // 23, 26, 32
  constexpr PaintColour kButtonTop = 0x423732;   // 50, 55, 66
  constexpr PaintColour kOverTop = 0x56463E;     // 62, 70, 86
  struct Case {
    const char* what;
    PaintColour text, ground;
  };
  const Case cases[] = {
      {"enabled stage", kPaintStageOn, kPanel},      {"disabled stage", kPaintStageOff, kPanel},
      {"warning on a button", kPaintWarningText, kButtonTop},
      {"warning on a highlighted button", kPaintWarningText, kOverTop},
      {"status", kPaintStatus, kPanel},              {"failure", kPaintFailure, kPanel},
      {"unapplied note", kPaintNote, kPanel},
  };
  for (const Case& c : cases) EXPECT_GE(Contrast(c.text, c.ground), 4.5) << c.what;
}

}  // namespace
}  // namespace zlv::ui
