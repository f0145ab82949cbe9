// The frame's status line: which events report a failure, how long a
// message stays, the unapplied note after it, and where the line and the
// unapplied marker are drawn.
#include "ui/status_line.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ui/main_paint.h"

namespace zlv::ui {
namespace {

using E = StatusEvent;

// A failed write is never reported as done, in either language.
TEST(StatusMessage, FailuresAreMarkedAndNameTheirFile) {
  struct Case {
    StatusEvent event;
    bool failure;
  };
  const Case cases[] = {
      {E::kApplied, false},          {E::kAppliedNotSaved, true},    {E::kSaved, false},
      {E::kSaveFailed, true},        {E::kProfileExported, false},   {E::kProfileExportFailed, true},
      {E::kProfileImported, false},  {E::kDefaultsRestored, false},  {E::kDefaultsNotSaved, true},
      {E::kMacrosSaved, false},      {E::kMacrosNotSaved, true},     {E::kMacrosExported, false},
      {E::kMacroExportFailed, true}, {E::kMacrosImported, false},    {E::kMacroImportFailed, true},
      {E::kUnappliedDropped, false},
  };
  for (const Case& c : cases) {
    for (bool english : {true, false}) {
      const StatusMessage m = StatusMessageOf(c.event, english, u"D:\\backup\\mine.ini", 3);
      EXPECT_EQ(m.failure, c.failure) << static_cast<int>(c.event) << " " << english;
      EXPECT_FALSE(m.text.empty());
      EXPECT_EQ(m.text.find(u"backup"), Text::npos) << "only the file's own name is shown";
    }
  }
  EXPECT_EQ(StatusMessageOf(E::kProfileExported, true, u"D:\\backup\\mine.ini").text, u"Profile exported to mine.ini");
  EXPECT_EQ(StatusMessageOf(E::kUnappliedDropped, true, {}, 3).text, u"Unapplied changes of profile 3 dropped");
  EXPECT_EQ(StatusMessageOf(E::kUnappliedDropped, false, {}, 3).text, u"配置 3 未应用的更改已放弃");
}

TEST(StatusLine, AMessageStaysFourSecondsThenTheUnappliedNoteOrNothing) {
  using std::chrono::milliseconds;
  StatusLine line;
  EXPECT_EQ(line.At(Nanos{0}, false, true), std::nullopt);
  EXPECT_EQ(line.At(Nanos{0}, true, true)->text, UnappliedNote(true));
  const Nanos shown = milliseconds(1000);
  line.Show(StatusMessage{u"Saved", false}, shown);
  struct Case {
    Nanos at;
    bool unapplied;
    std::optional<Text> text;
  };
  const Case cases[] = {
      {shown, false, Text(u"Saved")},
      {shown + milliseconds(3999), true, Text(u"Saved")},
      {shown + milliseconds(4000), false, std::nullopt},
      {shown + milliseconds(4000), true, UnappliedNote(true)},
  };
  for (const Case& c : cases) {
    const std::optional<StatusMessage> m = line.At(c.at, c.unapplied, true);
    EXPECT_EQ(m ? std::optional<Text>(m->text) : std::nullopt, c.text) << c.at.count();
  }
  EXPECT_EQ(line.At(shown + milliseconds(5000), true, false)->text, UnappliedNote(false));
}

SkinLayout FrameLayout() {
  SkinLayout layout;
  layout.MainEntries[2] = SkinEntry{556, 556, 104, 32, u"Cancel"};
  layout.MainEntries[19] = SkinEntry{38, 562, 110, 22, u"Website"};
  layout.MainEntries[5] = SkinEntry{18, 146, 124, 32, u"Profile 2"};
  return layout;
}

const PaintStep* TextAt(const std::vector<PaintStep>& steps, const PixelRect& rect) {
  const auto it = std::find_if(steps.begin(), steps.end(), [&rect](const PaintStep& s) {
    return s.kind == PaintStep::Kind::kText && s.rect == rect;
  });
  return it == steps.end() ? nullptr : &*it;
}

TEST(StatusLine, IsDrawnInTheFrameOnEveryPageInItsColour) {
  const SkinLayout layout = FrameLayout();
  const PixelRect line = StatusLineRect(layout);
  EXPECT_EQ(line, (PixelRect{156, 556, 548, 588}));
  struct Case {
    bool failure, note;
    PaintColour colour;
  };
  for (const Case c : {Case{false, false, kPaintStatus}, Case{true, false, kPaintFailure}, Case{false, true, kPaintNote}}) {
    for (Page page : {Page::kMain, Page::kAdvanced, Page::kColor}) {
      PaintState state;
      state.page = page;
      state.statusText = u"Saved";
      state.statusFailure = c.failure;
      state.statusIsNote = c.note;
      const std::vector<PaintStep> steps = PlanPage(layout, FunctionLabels{}, state);
      const PaintStep* text = TextAt(steps, line);
      ASSERT_NE(text, nullptr) << static_cast<int>(page);
      EXPECT_EQ(text->text, u"Saved");
      EXPECT_EQ(text->colour, c.colour);
      EXPECT_EQ(text->placement, TextPlacement::kLeftInset);
    }
  }
  PaintState quiet;
  EXPECT_EQ(TextAt(PlanPage(layout, FunctionLabels{}, quiet), line), nullptr);
  // Entries that leave no room between them: no line.
  SkinLayout tight = layout;
  tight.MainEntries[19].width = 520;
  EXPECT_TRUE(StatusLineRect(tight).Empty());
}

TEST(StatusLine, TheShownProfileCarriesTheMarkerWhileUnapplied) {
  const SkinLayout layout = FrameLayout();
  PaintState state;
  state.currentProfile = 2;
  const PixelRect marker{142 - kUnappliedMarkerWidth, 146, 140, 178};
  EXPECT_EQ(TextAt(PlanPage(layout, FunctionLabels{}, state), marker), nullptr);
  state.unapplied = true;
  const std::vector<PaintStep> steps = PlanPage(layout, FunctionLabels{}, state);
  const PaintStep* text = TextAt(steps, marker);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text, kUnappliedMarker);
  EXPECT_EQ(text->colour, kPaintNote);
  state.currentProfile = 9;  // a hand-edited CurConfig: no entry, no marker
  const std::vector<PaintStep> none = PlanPage(layout, FunctionLabels{}, state);
  EXPECT_TRUE(std::none_of(none.begin(), none.end(), [](const PaintStep& s) { return s.text == kUnappliedMarker; }));
}

}  // namespace
}  // namespace zlv::ui
