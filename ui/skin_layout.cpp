#include "ui/skin_layout.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

namespace zlv::ui {
namespace {

std::int32_t Clamp32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

bool SkinEntry::Contains(std::int64_t px, std::int64_t py) const {
  return x <= px && px < std::int64_t{x} + width && y <= py && py < std::int64_t{y} + height;
}

SkinRect SkinRect::FromEntry(const SkinEntry& entry) {
  return SkinRect{entry.x, entry.y, Clamp32(std::int64_t{entry.x} + entry.width),
                  Clamp32(std::int64_t{entry.y} + entry.height)};
}

SkinLayoutPaths LayoutPaths(TextView skinsDir, std::int32_t uiLanguage) {
  const bool english = uiLanguage == 1;
  const Text dir(skinsDir);
  if (english) {
    return {dir + u"\\INI_EN\\skin_main_en.ini", dir + u"\\INI_EN\\skin_color_en.ini",
            dir + u"\\INI_EN\\skin_advance_en.ini", dir + u"\\INI_EN\\LBWarning_en.ini"};
  }
  return {dir + u"\\INI_CN\\skin_main.ini", dir + u"\\INI_CN\\skin_color.ini",
          dir + u"\\INI_CN\\skin_advance.ini", dir + u"\\INI_CN\\LBWarning.ini"};
}

SkinValue SplitSkinValue(TextView value) {
  // One pass: every comma is counted, the first six end a field each.
  SkinValue result;
  std::size_t field = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != u',') continue;
    ++result.commas;
    if (field + 1 < result.fields.size()) {
      result.fields[field++] = Text(value.substr(start, i - start));
      start = i + 1;
    }
  }
  result.fields[field] = Text(value.substr(start));
  return result;
}

SkinEntry EntryFromFields(const SkinValue& value) {
  SkinEntry entry;
  entry.x = ParseDecimal(value.fields[0]);
  entry.y = ParseDecimal(value.fields[1]);
  entry.width = ParseDecimal(value.fields[2]);
  entry.height = ParseDecimal(value.fields[3]);
  entry.caption = value.fields[4];
  return entry;
}

std::optional<IniSnapshot> SkinReader::Open(TextView path) {
  std::optional<std::string> bytes = ini_.files().Read(path);
  if (!bytes) {
    messages_.Show(kSkinMissingFileMessage);
    if (shut_down_) shut_down_();
    return std::nullopt;
  }
  return IniSnapshot(IniDocument::Parse(*bytes));
}

SkinValue SkinReader::Read(const IniSnapshot& file, TextView section, int index) {
  const Text key = DecimalText(index);
  SkinValue value = SplitSkinValue(file.Read(section, key, kSkinValueBufferChars));
  if (value.commas > kSkinFieldCount - 1) messages_.Show(kSkinValueErrorMessage);
  return value;
}

std::optional<SkinValue> SkinReader::ReadSkinValue(TextView path, TextView section, int index) {
  const std::optional<IniSnapshot> file = Open(path);
  if (!file) return std::nullopt;
  return Read(*file, section, index);
}

template <std::size_t N>
void SkinReader::ReadEntries(const IniSnapshot& file, std::array<SkinEntry, N>& entries) {
  for (std::size_t i = 0; i < N; ++i) {
    entries[i] = EntryFromFields(Read(file, kButtonPosSection, static_cast<int>(i)));
  }
}

bool SkinReader::LoadMainLayout(TextView path, SkinLayout& layout, FunctionLabels& labels) {
  const std::optional<IniSnapshot> file = Open(path);
  if (!file) return false;
  ReadEntries(*file, layout.MainEntries);
  for (int code = 1; code < kFunctionLabelCount; ++code) {
    labels[static_cast<std::size_t>(code)] = Read(*file, kFunctionLabelSection, code).fields[0];
  }
  return true;
}

bool SkinReader::LoadColorLayout(TextView path, SkinLayout& layout) {
  const std::optional<IniSnapshot> file = Open(path);
  if (!file) return false;
  ReadEntries(*file, layout.ColorEntries);
  return true;
}

bool SkinReader::LoadAdvancedLayout(TextView path, SkinLayout& layout) {
  const std::optional<IniSnapshot> file = Open(path);
  if (!file) return false;
  ReadEntries(*file, layout.AdvancedEntries);
  const auto rect = [&](TextView section, int index) {
    return SkinRect::FromEntry(EntryFromFields(Read(*file, section, index)));
  };
  layout.RepeatEditRect = rect(kEditSection, 3);
  layout.NameEditRect = rect(kEditSection, 4);
  layout.MacroListRect = rect(kMacroDisplaySection, 1);
  layout.EventListRect = rect(kMacroDisplaySection, 2);
  return true;
}

bool SkinReader::LoadWarningLayout(TextView path, WarningLayout& warning) {
  const std::optional<IniSnapshot> file = Open(path);
  if (!file) return false;
  ReadEntries(*file, warning);
  return true;
}

bool SkinReader::LoadPageLayouts(const SkinLayoutPaths& paths, SkinLayout& layout,
                                 FunctionLabels& labels) {
  return LoadMainLayout(paths.main, layout, labels) && LoadColorLayout(paths.color, layout) &&
         LoadAdvancedLayout(paths.advance, layout);
}

bool SkinReader::LoadAllLayouts(const SkinLayoutPaths& paths, SkinLayout& layout,
                                FunctionLabels& labels, WarningLayout& warning) {
  return LoadPageLayouts(paths, layout, labels) && LoadWarningLayout(paths.warning, warning);
}

}  // namespace zlv::ui
