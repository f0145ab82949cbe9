#include "macro/key_codes.h"

#include <gtest/gtest.h>

namespace zlv {
namespace {

struct KeyCase {
  std::uint8_t vk;
  std::uint8_t usage;
};

TEST(KeyCodes, TranslatesTableKeysBothWays) {
  const KeyCase cases[] = {
      {0x41, 0x04}, {0x5A, 0x1D},  // A, Z
      {0x31, 0x1E}, {0x39, 0x26},  // 1, 9
      {0x30, 0x27},                // 0
      {0x70, 0x3A}, {0x7B, 0x45},  // F1, F12
      {0x7C, 0x68}, {0x87, 0x73},  // F13, F24
      {0x60, 0x62}, {0x61, 0x59}, {0x69, 0x61},  // numeric pad 0, 1, 9
      {0x08, 0x2A}, {0x0C, 0x9C}, {0x0D, 0x28},
      {0x29, 0x77}, {0x2B, 0x74}, {0x6C, 0x9F},
      {0xA0, 0xE1}, {0xA5, 0xE6}, {0x5C, 0xE7},
      {0xC0, 0x32},  // grave/tilde: 0x32, not the standard 0x35
      {0xDE, 0x34},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.vk));
    EXPECT_EQ(VkToUsage(c.vk), c.usage);
    EXPECT_EQ(UsageToVk(c.usage), c.vk);
  }
}

TEST(KeyCodes, OtherCodesPassThrough) {
  // Undirected shift, control and alt, a browser key, and the mouse buttons.
  const std::uint8_t vks[] = {0x00, 0x10, 0x11, 0x12, 0xA6, 0xF0, 0xF1, 0xF2, 0xFF};
  for (std::uint8_t vk : vks) {
    SCOPED_TRACE(static_cast<int>(vk));
    EXPECT_EQ(VkToUsage(vk), vk);
  }
  const std::uint8_t usages[] = {0x00, 0x35, 0x76, 0xF0, 0xF1, 0xF2, 0xFF};
  for (std::uint8_t usage : usages) {
    SCOPED_TRACE(static_cast<int>(usage));
    EXPECT_EQ(UsageToVk(usage), usage);
  }
}

TEST(KeyCodes, UsageToVkUndoesVkToUsage) {
  int translated = 0;
  for (int vk = 0; vk < 256; ++vk) {
    SCOPED_TRACE(vk);
    const std::uint8_t usage = VkToUsage(static_cast<std::uint8_t>(vk));
    EXPECT_EQ(VkToUsage(UsageToVk(usage)), usage);
    if (usage != vk) {
      ++translated;
      EXPECT_EQ(UsageToVk(usage), vk);
    }
  }
  // Every pair of the table changes the code.
  EXPECT_EQ(translated, 120);
}

}  // namespace
}  // namespace zlv
