// The function-selection menus opened from a button field of the main page,
// and the warning shown before the last primary-click button is remapped:
// their rows, hit tests, groups, placement, paint plans and what a release
// chooses. The windows in app/ only carry these out. Portable: no OS headers.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "settings/function_codes.h"
#include "ui/main_paint.h"
#include "ui/picture_geometry.h"
#include "ui/skin_layout.h"

namespace zlv::ui {

inline constexpr char16_t kMenuWindowTitle[] = u"MainMenuDlg";
inline constexpr int kMenuRows = 10;          // first level
inline constexpr int kMenuHitRows = 12;       // rows the first level hit-tests
inline constexpr int kSubmenuRowSlots = 12;   // the submenu mask holds twelve row heights
inline constexpr int kMenuOpenWidth = 300;    // size the menus are moved to (cut to their shape)
inline constexpr int kMenuOpenHeight = 300;
inline constexpr int kSubmenuOpenHeight = 400;
inline constexpr int kNoRow = 255;

// The pictures of the two menus, below the skins folder.
struct MenuPictures {
  TextView mask;
  TextView normal;
  TextView over;
  TextView down;
};
MenuPictures FirstLevelPictures();
MenuPictures SubmenuPictures();

// Row sizes from the mask picture: rows of width x (mask height / slots), and
// a window one pixel taller than its rows (none for a menu without rows).
struct MenuGeometry {
  int itemWidth = 0;
  int itemHeight = 0;
  int rows = 0;
  int WindowHeight() const { return rows > 0 ? rows * itemHeight + 1 : 0; }
};
MenuGeometry MenuGeometryOf(int maskWidth, int maskHeight, int rowSlots, int rows);

// The row 1..rows whose band holds the point, or kNoRow.
int MenuRowAt(const MenuGeometry& geometry, PixelPoint point, int rowsTested);

// The group a first-level row 7..10 opens.
struct SubmenuGroup {
  int firstLevelRow = 0;
  int rows = 0;
  ButtonFunctionCode firstCode = 0;  // row r assigns firstCode + r - 1
  int offsetRows = 0;                // vertical offset in first-level item heights
};
// Nothing (rows 0) for a row that opens no submenu; userMacroCount is
// bounded to 0..12.
SubmenuGroup SubmenuGroupOf(int firstLevelRow, int userMacroCount);
bool OpensSubmenu(int firstLevelRow);

// The text of row r of the first level (label r) or of a submenu group.
Text FirstLevelRowText(const FunctionLabels& labels, int row);
Text SubmenuRowText(const SubmenuGroup& group, const FunctionLabels& labels,
                    const std::vector<Text>& userMacroNames, int row);

// What a release chooses: the first level assigns rows 1..6 and closes, any
// other row keeps it open; a submenu row assigns its code, and a submenu
// release closes both menus whether or not a row was under the pointer.
struct MenuChoice {
  bool assign = false;
  ButtonFunctionCode code = 0;
  bool close = false;
  friend bool operator==(const MenuChoice&, const MenuChoice&) = default;
};
MenuChoice FirstLevelRelease(int hoverRow);
MenuChoice SubmenuRelease(const SubmenuGroup& group, int hoverRow);

// A menu's face over its normal picture: the highlighted row from the over (or,
// while pressed, the down) picture, and the row texts centred in their rows,
// red for the highlighted row and white otherwise.
std::vector<PaintStep> PlanMenu(const MenuGeometry& geometry, int hoverRow, bool pressed,
                                const std::vector<Text>& rowTexts);

// Where the submenu opens, relative to the first level's top-left corner.
PixelPoint SubmenuOrigin(const MenuGeometry& firstLevel, const SubmenuGroup& group);

// --- The warning dialog ---
inline constexpr char16_t kWarningMask[] = u"\\warning_mask.bmp";
inline constexpr char16_t kWarningNormal[] = u"\\warning_normal.jpg";
inline constexpr char16_t kWarningOver[] = u"\\warning_over.jpg";
inline constexpr int kWarningGoOn = 1;
inline constexpr int kWarningCancel = 2;

// 1 over the first button, else 2 over the second, else kNoRow.
int WarningHoverAt(const WarningLayout& layout, PixelPoint point);
// Where a popup of `width` × `height` opens when it is asked to open at
// `corner`: moved, as little as needed, to lie inside `workArea` (its left and
// top edges win when it is larger than the area).
PixelPoint KeepInside(PixelPoint corner, int width, int height, const PixelRect& workArea);
// The question Defaults asks before it replaces every profile and the user's
// macros, in the warning dialog's pictures and button places: the first
// button restores, the second (also Escape, Enter and a close request: the
// answer taken by default) keeps everything.
WarningLayout DefaultsQuestion(const WarningLayout& warning, bool english);
// Over the normal face: the highlighted button from the over picture and the
// three captions in a light red (kPaintWarningText).
std::vector<PaintStep> PlanWarning(const WarningLayout& layout, int hover);

}  // namespace zlv::ui
