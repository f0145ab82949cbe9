#include "macro/key_names.h"

#include <gtest/gtest.h>

#include "macro/key_codes.h"

namespace zlv {
namespace {

struct NameCase {
  std::uint8_t value;
  const char16_t* name;
};

TEST(KeyNameOf, NamesKeysAndMouseButtons) {
  const NameCase cases[] = {
      {0x04, u"A"},        {0x1D, u"Z"},         {0x10, u"M"},
      {0x1E, u"1"},        {0x26, u"9"},         {0x27, u"0"},
      {0x28, u"RETURN"},   {0x2C, u"SPACE"},     {0x2D, u"-"},
      {0x2E, u"+"},        {0x2F, u"[{"},        {0x30, u"]}"},
      {0x31, u"\\|"},      {0x32, u"`~"},        {0x33, u";:"},
      {0x34, u" ' "},      {0x36, u","},         {0x37, u"."},
      {0x38, u"/?"},       {0x39, u"CAPITAL"},   {0x3A, u"F1"},
      {0x43, u"F10"},      {0x45, u"F12"},       {0x46, u"SNAPSHOT"},
      {0x4E, u"NEXT"},     {0x52, u"UP"},        {0x57, u"ADD"},
      {0x59, u"NUMPAD1"},  {0x61, u"NUMPAD9"},   {0x62, u"NUMPAD0"},
      {0x63, u"DECIMAL"},  {0x65, u"APPS"},      {0x68, u"F13"},
      {0x73, u"F24"},      {0x76, u"MENU"},      {0x77, u"SELECT"},
      {0x9C, u"CLEAR"},    {0x9F, u"SEPARATOR"}, {0xE0, u"LCONTROL"},
      {0xE7, u"RWIN"},     {240, u"L-KEY"},      {241, u"R-KEY"},
      {242, u"M-KEY"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.value));
    EXPECT_EQ(KeyNameOf(c.value), c.name);
  }
}

TEST(KeyNameOf, ValuesWithoutAKeyAreNotAvailable) {
  // 0x35 is the standard grave/tilde usage, which the recorder never stores.
  const std::uint8_t values[] = {0x00, 0x03, 0x35, 0x58, 0x64, 0x66, 0x67, 0x78, 0x9B,
                                 0x9D, 0x9E, 0xA0, 0xDF, 0xE8, 0xEF, 243, 0xFF};
  for (std::uint8_t value : values) {
    SCOPED_TRACE(static_cast<int>(value));
    EXPECT_EQ(KeyNameOf(value), u"NON-AVAILABLE");
  }
}

TEST(KeyNameOf, EveryTranslatedKeyHasAName) {
  for (int vk = 0; vk < 256; ++vk) {
    const std::uint8_t usage = VkToUsage(static_cast<std::uint8_t>(vk));
    if (usage == vk) continue;
    SCOPED_TRACE(vk);
    EXPECT_NE(KeyNameOf(usage), u"NON-AVAILABLE");
  }
}

}  // namespace
}  // namespace zlv
