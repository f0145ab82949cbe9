// How the main window looks: each page is composed from the page's normal
// picture with bands copied from its over and down pictures, the DPI slider
// thumbs, the colour preview and the texts. Everything here decides; the
// window layer only carries the steps out into one memory picture and copies
// it to the window once. Portable: no OS headers.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/text.h"
#include "settings/function_codes.h"
#include "settings/profile_settings.h"
#include "ui/picture_geometry.h"
#include "ui/skin_layout.h"

namespace zlv::ui {

enum class Page : std::uint8_t { kMain = 0, kAdvanced = 1, kColor = 2 };

// Every hit or hover result uses this for "no entry".
inline constexpr int kNoEntry = 255;

// The pictures a page is composed from.
enum class Face : std::uint8_t {
  kNormal,       // the page's normal picture: the composition target
  kOver,         // the page's pointer-over picture
  kDown,         // the page's pressed / selected picture
  kDpiSlider,    // "\dpi_slider.jpg", copied from its own top-left corner
  kPreviewBlue,  // "\color_over_blue.jpg": blue colour of the LED preview
  kPreviewGray,  // "\color_normal_gray.jpg": the dark preview
};
inline constexpr int kFaceCount = 6;

// The three state pictures of a page and the extra ones, as names below the
// skins folder (each begins with a backslash).
struct PagePictures {
  TextView normal;
  TextView over;
  TextView down;
};
PagePictures PicturesOf(Page page);
TextView PictureNameOf(Face face, Page page);
inline constexpr char16_t kMaskPicture[] = u"\\main_mask.jpg";

// Colours in the window system's layout 0x00BBGGRR.
using PaintColour = std::uint32_t;
inline constexpr PaintColour kPaintRed = 0x0000FF;
inline constexpr PaintColour kPaintYellow = 0x00FFFF;
inline constexpr PaintColour kPaintWhite = 0xFFFFFF;
inline constexpr PaintColour kPaintGrey = 0x808080;
// The DPI stage captions, enabled and disabled, and the warning's captions:
// red and grey light enough to read on the dark panels and buttons (at least
// 4.5:1 against the skin's panel and button colours; pure red and mid grey
// reach about 4.4:1 on the panel and 3:1 on a button).
inline constexpr PaintColour kPaintStageOn = 0x6060FF;
inline constexpr PaintColour kPaintStageOff = 0x969696;
inline constexpr PaintColour kPaintWarningText = 0xA0A0FF;
// The status line: what was done, what failed, and the unapplied note and
// marker.
inline constexpr PaintColour kPaintStatus = 0xE0E0E0;
inline constexpr PaintColour kPaintFailure = 0x7070FF;
inline constexpr PaintColour kPaintNote = 0x40C0FF;
// Drawn at the right end of the shown profile's entry while it is unapplied.
inline constexpr char16_t kUnappliedMarker[] = u"\u2022";
inline constexpr int kUnappliedMarkerWidth = 16;

enum class PaintFont : std::uint8_t {
  kSkin,   // 10 points, "Consolas" (English) or "宋体" (Chinese)
  kSmall,  // 7.5 points "Consolas" (English) or 9 points "宋体" (Chinese)
};

enum class TextPlacement : std::uint8_t {
  kCentred,    // centred in the box (CenteredTextOrigin)
  kLeftInset,  // 5 pixels right of the box's left edge, centred vertically
};
inline constexpr int kTextLeftInset = 5;

// One drawing step. A band copies `rect` of `face` onto the same rectangle of
// the page (the slider thumb is copied from its own top-left corner instead).
// Text is measured with its font and drawn with a transparent background.
struct PaintStep {
  enum class Kind : std::uint8_t { kBand, kText };
  Kind kind = Kind::kBand;
  Face face = Face::kNormal;
  PixelRect rect;
  Text text;
  PaintFont font = PaintFont::kSkin;
  PaintColour colour = kPaintWhite;
  TextPlacement placement = TextPlacement::kCentred;
  friend bool operator==(const PaintStep&, const PaintStep&) = default;
};

// What a paint reads, copied on the window thread before planning so the plan
// never reads a value another thread is changing.
struct PaintState {
  Page page = Page::kMain;
  int hoverMain = kNoEntry;
  int hoverAdvanced = kNoEntry;
  int hoverColor = kNoEntry;
  bool buttonHeld = false;
  std::int32_t currentProfile = 1;
  bool english = true;

  std::array<std::int32_t, kButtonCount> buttonCodes{};
  std::int32_t wheelStatus = 0;
  std::int32_t macroMode = 0;
  std::int32_t dpiLevel = 0;
  std::array<std::uint8_t, kDpiStageCount> dpiStages{};
  std::array<std::uint8_t, kDpiStageCount> dpiStageEnabled{};
  std::uint8_t ledMode = 0;
  std::uint8_t pointerSpeed = 0;
  std::uint8_t wheelLines = 0;
  std::int32_t fireTime = 0;

  // The names of the user macro records (a button on code 41 + n shows name n).
  std::array<Text, 13> userMacroNames{};
  bool recording = false;
  bool currentMacroRepeats = false;  // the current macro's repeat mode is 1
  int downLines = 0;
  int upLines = 0;

  // What the mouse was last sent, and the colour preview.
  std::array<std::uint8_t, kDpiStageCount> dpiStageCodes{};
  std::uint8_t appliedLedMode = 0;
  int ledPreviewColor = 0;  // 0 blue, 1 pink, 2 red, 3 purple
  bool ledPreviewDark = false;

  // The frame's status line on every page: nothing when empty.
  Text statusText;
  bool statusFailure = false;
  bool statusIsNote = false;  // the text is the unapplied note
  // The profile shown is not what the mouse was last sent: its entry carries
  // the marker, and a status line without a message is the unapplied note.
  bool unapplied = false;
};

// The state of the settings part of PaintState from a profile.
void CopySettings(const ProfileSettings& settings, PaintState& state);

// The steps that compose the page `state.page`, in drawing order. Values that
// come from settings and index a table are bounded first: a value that names
// no entry draws nothing for that rule.
std::vector<PaintStep> PlanPage(const SkinLayout& layout, const FunctionLabels& labels,
                                const PaintState& state);

// The DPI shown on the colour page for a DPI code last sent.
int DpiOfStageCode(std::uint8_t code);

// The captions the program puts in place of the skin's.
Text RecordCaption(bool recording, bool english);
Text FireTimeCaption(std::int32_t fireTime);

// The skin entry as a pixel rectangle (edges clamped to int).
PixelRect EntryRect(const SkinEntry& entry);

}  // namespace zlv::ui
