#include "ui/function_menu.h"

#include <algorithm>

namespace zlv::ui {
namespace {

constexpr int kFirstSubmenuRow = 7;
constexpr int kLastSubmenuRow = 10;
constexpr int kDirectRows = 6;
constexpr int kMaxUserMacros = 12;

void AddText(std::vector<PaintStep>& steps, const PixelRect& box, Text text, PaintColour colour) {
  if (text.empty() || box.Empty()) return;
  PaintStep step;
  step.kind = PaintStep::Kind::kText;
  step.rect = box;
  step.text = std::move(text);
  step.colour = colour;
  steps.push_back(std::move(step));
}

void AddBand(std::vector<PaintStep>& steps, const PixelRect& rect, Face face) {
  if (rect.Empty()) return;
  PaintStep step;
  step.kind = PaintStep::Kind::kBand;
  step.face = face;
  step.rect = rect;
  steps.push_back(std::move(step));
}

PixelRect RowRect(const MenuGeometry& g, int row) {
  return PixelRect{0, (row - 1) * g.itemHeight, g.itemWidth, row * g.itemHeight};
}

}  // namespace

MenuPictures FirstLevelPictures() {
  return {u"\\menu_mask.jpg", u"\\menu_normal.jpg", u"\\menu_over.jpg", u"\\menu_down.jpg"};
}

MenuPictures SubmenuPictures() {
  return {u"\\advanced menu_mask.jpg", u"\\advanced menu_normal.jpg", u"\\advanced menu_over.jpg",
          u"\\advanced menu_down.jpg"};
}

MenuGeometry MenuGeometryOf(int maskWidth, int maskHeight, int rowSlots, int rows) {
  MenuGeometry g;
  g.itemWidth = std::max(maskWidth, 0);
  g.itemHeight = rowSlots > 0 ? std::max(maskHeight, 0) / rowSlots : 0;
  g.rows = std::max(rows, 0);
  return g;
}

int MenuRowAt(const MenuGeometry& g, PixelPoint point, int rowsTested) {
  for (int i = 1; i <= rowsTested; ++i) {
    const PixelRect r = RowRect(g, i);
    if (point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom) return i;
  }
  return kNoRow;
}

bool OpensSubmenu(int row) { return row >= kFirstSubmenuRow && row <= kLastSubmenuRow; }

SubmenuGroup SubmenuGroupOf(int firstLevelRow, int userMacroCount) {
  const int macros = std::clamp(userMacroCount, 0, kMaxUserMacros);
  switch (firstLevelRow) {
    case 7: return {7, 6, 11, 1};
    case 8: return {8, 10, 21, -2};
    case 9: return {9, macros, 41, 9 - macros};
    case 10: return {10, 8, 31, 2};
    default: return {};
  }
}

Text FirstLevelRowText(const FunctionLabels& labels, int row) {
  if (row < 1 || row >= static_cast<int>(labels.size())) return Text();
  return labels[static_cast<std::size_t>(row)];
}

Text SubmenuRowText(const SubmenuGroup& group, const FunctionLabels& labels,
                    const std::vector<Text>& userMacroNames, int row) {
  if (row < 1 || row > group.rows) return Text();
  if (group.firstLevelRow == 9) {
    const auto record = static_cast<std::size_t>(row - 1);
    return record < userMacroNames.size() ? userMacroNames[record] : Text();
  }
  const int label = group.firstCode + row - 1;
  if (label < 0 || label >= static_cast<int>(labels.size())) return Text();
  return labels[static_cast<std::size_t>(label)];
}

MenuChoice FirstLevelRelease(int hoverRow) {
  if (hoverRow >= 1 && hoverRow <= kDirectRows) return {true, hoverRow, true};
  return {};
}

MenuChoice SubmenuRelease(const SubmenuGroup& group, int hoverRow) {
  if (hoverRow >= 1 && hoverRow <= group.rows) return {true, group.firstCode + hoverRow - 1, true};
  return {false, 0, true};
}

std::vector<PaintStep> PlanMenu(const MenuGeometry& g, int hoverRow, bool pressed,
                                const std::vector<Text>& rowTexts) {
  std::vector<PaintStep> steps;
  if (hoverRow >= 1 && hoverRow <= g.rows) {
    AddBand(steps, RowRect(g, hoverRow), pressed ? Face::kDown : Face::kOver);
  }
  const int rows = std::min<int>(g.rows, static_cast<int>(rowTexts.size()));
  for (int i = 1; i <= rows; ++i) {
    AddText(steps, RowRect(g, i), rowTexts[static_cast<std::size_t>(i - 1)],
            i == hoverRow ? kPaintRed : kPaintWhite);
  }
  return steps;
}

PixelPoint SubmenuOrigin(const MenuGeometry& firstLevel, const SubmenuGroup& group) {
  return PixelPoint{firstLevel.itemWidth, group.offsetRows * firstLevel.itemHeight};
}

int WarningHoverAt(const WarningLayout& layout, PixelPoint point) {
  if (layout[0].Contains(point.x, point.y)) return kWarningGoOn;
  if (layout[1].Contains(point.x, point.y)) return kWarningCancel;
  return kNoRow;
}

std::vector<PaintStep> PlanWarning(const WarningLayout& layout, int hover) {
  std::vector<PaintStep> steps;
  if (hover == kWarningGoOn || hover == kWarningCancel) {
    AddBand(steps, EntryRect(layout[static_cast<std::size_t>(hover - 1)]), Face::kOver);
  }
  for (const SkinEntry& entry : layout) AddText(steps, EntryRect(entry), entry.caption, kPaintWarningText);
  return steps;
}

WarningLayout DefaultsQuestion(const WarningLayout& warning, bool english) {
  WarningLayout question = warning;
  question[0].caption = english ? u"Yes" : u"是";
  question[1].caption = english ? u"No" : u"否";
  question[2].caption = english ? u"Reset all profiles and macros?" : u"全部配置和宏恢复出厂设置？";
  return question;
}

PixelPoint KeepInside(PixelPoint corner, int width, int height, const PixelRect& workArea) {
  const auto place = [](int at, int size, int first, int end) {
    if (at + size > end) at = end - size;
    return at < first ? first : at;
  };
  return PixelPoint{place(corner.x, width, workArea.left, workArea.right),
                    place(corner.y, height, workArea.top, workArea.bottom)};
}

}  // namespace zlv::ui
