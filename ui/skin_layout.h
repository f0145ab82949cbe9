// Skin layout files: where every clickable rectangle of the skinned windows
// lies, the caption drawn in it, the rectangles of the advanced page's four
// controls and the labels of the button functions. Portable: no OS headers.
//
// A layout file is an INI file; a value holds up to seven comma-separated
// fields: x, y, width, height, caption (BUTTONPOS), x, y, width, height (EDIT,
// MACRODISPLAY), or the label text alone (FUN_STRING). docs/skin.md describes
// the files and how the shipped skin is generated.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "base/message_box.h"
#include "base/text.h"
#include "settings/function_codes.h"
#include "settings/ini_file.h"

namespace zlv::ui {

inline constexpr int kMainEntryCount = 99;
inline constexpr int kAdvancedEntryCount = 51;
inline constexpr int kColorEntryCount = 13;
inline constexpr int kWarningEntryCount = 3;
// Entries 0..19 of the main table are the frame shared by all three pages.
inline constexpr int kFrameEntryCount = 20;

inline constexpr int kSkinFieldCount = 7;
// A value is read into a buffer of this many characters (so 259 count).
inline constexpr std::size_t kSkinValueBufferChars = 260;

inline constexpr char16_t kSkinMissingFileMessage[] = u"找不到配置文件";
inline constexpr char16_t kSkinValueErrorMessage[] = u"加载ini错误！";

inline constexpr char16_t kButtonPosSection[] = u"BUTTONPOS";
inline constexpr char16_t kFunctionLabelSection[] = u"FUN_STRING";
inline constexpr char16_t kEditSection[] = u"EDIT";
inline constexpr char16_t kMacroDisplaySection[] = u"MACRODISPLAY";

// One rectangle of a skin table, in client pixels, with its caption. The
// numbers are kept exactly as the file gives them (negative and huge values
// included); Contains() works in 64 bits, so no value can overflow it. A
// rectangle with a width or height of 0 or less contains no point.
struct SkinEntry {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  Text caption;

  bool Contains(std::int64_t px, std::int64_t py) const;
  friend bool operator==(const SkinEntry&, const SkinEntry&) = default;
};

// A control rectangle as edges: right = x + width, bottom = y + height,
// computed in 64 bits and clamped to the 32-bit range.
struct SkinRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  static SkinRect FromEntry(const SkinEntry& entry);
  friend bool operator==(const SkinRect&, const SkinRect&) = default;
};

// The main window's skin tables.
struct SkinLayout {
  std::array<SkinEntry, kMainEntryCount> MainEntries{};
  std::array<SkinEntry, kAdvancedEntryCount> AdvancedEntries{};
  std::array<SkinEntry, kColorEntryCount> ColorEntries{};
  SkinRect RepeatEditRect;  // control 10004
  SkinRect NameEditRect;    // control 10000
  SkinRect MacroListRect;   // control 10001
  SkinRect EventListRect;   // control 10002
};

// The warning dialog: entry 0 the first button (result 1), entry 1 the second
// button (result 2), entry 2 the message.
using WarningLayout = std::array<SkinEntry, kWarningEntryCount>;

// The layout files of a language, as full paths below the skins folder.
// Language 1 is English; every other value selects the Chinese files.
struct SkinLayoutPaths {
  Text main;
  Text color;
  Text advance;
  Text warning;
};
SkinLayoutPaths LayoutPaths(TextView skinsDir, std::int32_t uiLanguage);

// The fields of a value and the number of commas it holds. The value is split
// at its first six commas: field k is the text between comma k - 1 (or the
// start) and comma k, the text after the last comma used is the next field
// (field 6 keeps any further commas), and the fields after it are empty.
// Nothing is trimmed.
struct SkinValue {
  std::array<Text, kSkinFieldCount> fields;
  std::size_t commas = 0;
};
SkinValue SplitSkinValue(TextView value);

// The rectangle of fields 0..3 (decimal numbers, no digits giving 0) and the
// caption of field 4.
SkinEntry EntryFromFields(const SkinValue& value);

// Reads the layout files through the INI engine. Failures are reported the
// way the user sees them: a missing file shows "找不到配置文件" and then calls
// the shutdown (the program's orderly end); a value with more than six commas
// shows "加载ini错误！" and its first seven fields are used.
class SkinReader {
 public:
  using ShutDown = std::function<void()>;
  SkinReader(IniStore& ini, MessageBoxes& messages, ShutDown shutDown)
      : ini_(ini), messages_(messages), shut_down_(std::move(shutDown)) {}

  // One value of one key: the fields, or nothing when the file is missing
  // (after the message and the shutdown).
  std::optional<SkinValue> ReadSkinValue(TextView path, TextView section, int index);

  // The loaders. Each reads one file (opened once) and fills its tables; a
  // missing key leaves a zero rectangle with an empty caption. When the file
  // is missing they report it once, call the shutdown once, change nothing
  // and return false: the caller must not go on initialising.
  //
  // Main: BUTTONPOS 0..98 into MainEntries, then FUN_STRING 1..54 (field 0)
  // into labels 1..54; label 0 is not touched.
  bool LoadMainLayout(TextView path, SkinLayout& layout, FunctionLabels& labels);
  // Colour: BUTTONPOS 0..12 into ColorEntries.
  bool LoadColorLayout(TextView path, SkinLayout& layout);
  // Advanced: BUTTONPOS 0..50 into AdvancedEntries, EDIT 3 and 4 into
  // RepeatEditRect and NameEditRect, MACRODISPLAY 1 and 2 into MacroListRect
  // and EventListRect.
  bool LoadAdvancedLayout(TextView path, SkinLayout& layout);
  // Warning dialog: BUTTONPOS 0..2.
  bool LoadWarningLayout(TextView path, WarningLayout& warning);

  // The main window's start-up step that reads the page layouts: main, colour,
  // advanced, stopping at the first missing file.
  bool LoadPageLayouts(const SkinLayoutPaths& paths, SkinLayout& layout,
                       FunctionLabels& labels);
  // A language switch: the page layouts, then the warning layout.
  bool LoadAllLayouts(const SkinLayoutPaths& paths, SkinLayout& layout,
                      FunctionLabels& labels, WarningLayout& warning);

 private:
  // The parsed file, or nothing after reporting it missing.
  std::optional<IniSnapshot> Open(TextView path);
  SkinValue Read(const IniSnapshot& file, TextView section, int index);
  template <std::size_t N>
  void ReadEntries(const IniSnapshot& file, std::array<SkinEntry, N>& entries);

  IniStore& ini_;
  MessageBoxes& messages_;
  ShutDown shut_down_;
};

}  // namespace zlv::ui
