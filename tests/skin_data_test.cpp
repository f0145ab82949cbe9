// The shipped skin in data/skins: both languages load without a message, and
// the rectangles of the layout files fit the pictures they are painted from.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/file_store.h"
#include "tests/support/test_support.h"
#include "ui/skin_layout.h"
#include "tests/support/fakes.h"

namespace zlv::ui {
namespace {

// The program's paths use backslashes; the native build's file system wants slashes.
class SlashFileStore final : public FileStore {
 public:
  FileRead Load(TextView path) override {
    Text p(path);
    for (char16_t& c : p) {
      if (c == u'\\') c = u'/';
    }
    return Disk().Load(p);
  }
  bool Replace(TextView, const std::string&) override { return false; }
};

using testing::RecordingMessages;

struct PictureInfo {
  int width = 0;
  int height = 0;
  int components = 0;
};

// Size and colour components from a JPEG's frame header or a BMP's info header.
std::optional<PictureInfo> ReadPictureInfo(const std::string& name) {
  SlashFileStore files;
  const std::optional<std::string> bytes = files.Read(testing::SourceFile("data/skins/" + name));
  if (!bytes) return std::nullopt;
  const std::string& b = *bytes;
  const auto u8 = [&](std::size_t i) { return i < b.size() ? static_cast<unsigned char>(b[i]) : 0; };
  if (b.size() > 26 && b[0] == 'B' && b[1] == 'M') {
    const auto le32 = [&](std::size_t i) {
      return static_cast<int>(u8(i) | u8(i + 1) << 8 | u8(i + 2) << 16 | u8(i + 3) << 24);
    };
    const int height = le32(22);
    return PictureInfo{le32(18), height < 0 ? -height : height, (u8(28) | u8(29) << 8) / 8};
  }
  if (u8(0) != 0xFF || u8(1) != 0xD8) return std::nullopt;
  std::size_t i = 2;
  while (i + 9 < b.size()) {
    if (u8(i) != 0xFF) return std::nullopt;
    const unsigned marker = u8(i + 1);
    const std::size_t length = static_cast<std::size_t>(u8(i + 2) << 8 | u8(i + 3));
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                       marker != 0xCC;
    if (frame) {
      return PictureInfo{u8(i + 7) << 8 | u8(i + 8), u8(i + 5) << 8 | u8(i + 6), u8(i + 9)};
    }
    i += 2 + length;
  }
  return std::nullopt;
}

bool Inside(const SkinEntry& e, int width, int height) {
  return e.x >= 0 && e.y >= 0 && e.width > 0 && e.height > 0 &&
         std::int64_t{e.x} + e.width <= width && std::int64_t{e.y} + e.height <= height;
}

bool Unused(const SkinEntry& e) { return e == SkinEntry{}; }

struct LoadedSkin {
  SkinLayout layout;
  FunctionLabels labels;
  WarningLayout warning;
};

class ShippedSkinTest : public ::testing::TestWithParam<int> {
 protected:
  LoadedSkin Load() {
    SlashFileStore files;
    IniStore ini(files);
    RecordingMessages messages;
    int shutdowns = 0;
    SkinReader reader(ini, messages, [&] { ++shutdowns; });
    LoadedSkin skin;
    const SkinLayoutPaths paths = LayoutPaths(testing::SourceFile("data/skins"), GetParam());
    EXPECT_TRUE(reader.LoadAllLayouts(paths, skin.layout, skin.labels, skin.warning));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(shutdowns, 0);
    return skin;
  }
};

TEST_P(ShippedSkinTest, EveryEntryAndControlLiesOnThePage) {
  const LoadedSkin skin = Load();
  const std::optional<PictureInfo> mask = ReadPictureInfo("main_mask.jpg");
  ASSERT_TRUE(mask.has_value());
  const auto check = [&](const auto& entries, const char* table) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      EXPECT_TRUE(Unused(entries[i]) || Inside(entries[i], mask->width, mask->height))
          << table << " " << i;
    }
  };
  check(skin.layout.MainEntries, "main");
  check(skin.layout.AdvancedEntries, "advanced");
  check(skin.layout.ColorEntries, "colour");
  for (const SkinRect& r : {skin.layout.RepeatEditRect, skin.layout.NameEditRect,
                            skin.layout.MacroListRect, skin.layout.EventListRect}) {
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top &&
                r.right <= mask->width && r.bottom <= mask->height);
  }
}

TEST_P(ShippedSkinTest, EntriesWithARoleAreThere) {
  const LoadedSkin skin = Load();
  const auto& main = skin.layout.MainEntries;
  // Everything the pointer acts on or painting marks on the main page.
  for (int i = 0; i <= 79; ++i) {
    const bool noAction = (i >= 31 && i <= 35) || (i >= 38 && i <= 40) || (i >= 43 && i <= 45) ||
                          i == 58 || i == 59;
    if (!noAction) {
      EXPECT_FALSE(Unused(main[static_cast<std::size_t>(i)])) << "main " << i;
    }
  }
  for (int i = 80; i <= 95; ++i) {
    if (i < 84 || i >= 90) {
      EXPECT_FALSE(Unused(main[static_cast<std::size_t>(i)])) << "main " << i;
    }
  }
  for (int i = 0; i <= 33; ++i) {
    if (i != 28 && i != 29) {
      EXPECT_FALSE(Unused(skin.layout.AdvancedEntries[static_cast<std::size_t>(i)])) << i;
    }
  }
  for (int i : {0, 1, 2, 3, 9, 11}) {
    EXPECT_FALSE(Unused(skin.layout.ColorEntries[static_cast<std::size_t>(i)])) << i;
  }
  for (int k = 1; k < kFunctionLabelCount; ++k) {
    EXPECT_FALSE(skin.labels[static_cast<std::size_t>(k)].empty()) << "label " << k;
  }
  for (const SkinEntry& e : skin.warning) EXPECT_FALSE(e.caption.empty());
}

TEST_P(ShippedSkinTest, PicturesFitTheirRectangles) {
  const LoadedSkin skin = Load();
  const std::optional<PictureInfo> slider = ReadPictureInfo("dpi_slider.jpg");
  ASSERT_TRUE(slider.has_value());
  for (std::size_t i = 60; i < 80; ++i) {
    EXPECT_GE(slider->width, skin.layout.MainEntries[i].width) << i;
    EXPECT_GE(slider->height, skin.layout.MainEntries[i].height) << i;
  }
  const std::optional<PictureInfo> warningMask = ReadPictureInfo("warning_mask.bmp");
  ASSERT_TRUE(warningMask.has_value());
  for (const SkinEntry& e : skin.warning) {
    EXPECT_TRUE(Inside(e, warningMask->width, warningMask->height));
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, ShippedSkinTest, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& param) {
                           return std::string(param.param == 1 ? "English" : "Chinese");
                         });

TEST(ShippedPicturesTest, EveryPictureExistsInColourAtItsSetsSize) {
  // Pictures of one set share the size of the set's first picture.
  const std::vector<std::vector<std::string>> sets = {
      {"main_mask.jpg", "main_normal.jpg", "main_over.jpg", "main_down.jpg",
       "advanced_normal.jpg", "advanced_over.jpg", "advanced_down.jpg",
       "color_normal_pink.jpg", "color_over_red.jpg", "color_down_purple.jpg",
       "color_over_blue.jpg", "color_normal_gray.jpg"},
      {"dpi_slider.jpg"},
      {"menu_mask.jpg", "menu_normal.jpg", "menu_over.jpg", "menu_down.jpg"},
      {"advanced menu_mask.jpg", "advanced menu_normal.jpg", "advanced menu_over.jpg",
       "advanced menu_down.jpg"},
      {"warning_mask.bmp", "warning_normal.jpg", "warning_over.jpg"},
  };
  for (const auto& set : sets) {
    const std::optional<PictureInfo> first = ReadPictureInfo(set[0]);
    ASSERT_TRUE(first.has_value()) << set[0];
    for (const std::string& name : set) {
      const std::optional<PictureInfo> info = ReadPictureInfo(name);
      ASSERT_TRUE(info.has_value()) << name;
      EXPECT_EQ(info->components, 3) << name;
      EXPECT_EQ(info->width, first->width) << name;
      EXPECT_EQ(info->height, first->height) << name;
    }
  }
  // The menus show their rows inside the 300 x 300 and 300 x 400 windows they open in.
  const PictureInfo menu = *ReadPictureInfo("menu_mask.jpg");
  const PictureInfo submenu = *ReadPictureInfo("advanced menu_mask.jpg");
  EXPECT_GT(menu.height / 10, 0);
  EXPECT_LE(menu.height / 10 * 10 + 1, 300);
  EXPECT_LE(menu.width, 300);
  EXPECT_GT(submenu.height / 12, 0);
  EXPECT_LE(submenu.height / 12 * 12 + 1, 400);
  EXPECT_LE(submenu.width, 300);
}

}  // namespace
}  // namespace zlv::ui
