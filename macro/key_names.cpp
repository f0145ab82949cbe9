#include "macro/key_names.h"

#include <array>
#include <string_view>

namespace zlv {

namespace {

constexpr std::u16string_view kNoName = u"NON-AVAILABLE";

struct NamedKey {
  std::uint8_t value;
  std::u16string_view name;
};

// Keys with a fixed name. Letters, digits, function keys and numeric-pad
// digits are ranges and are formatted in KeyNameOf.
constexpr std::array kNamedKeys = {
    NamedKey{0x27, u"0"},
    NamedKey{0x28, u"RETURN"},
    NamedKey{0x29, u"ESCAPE"},
    NamedKey{0x2A, u"BACK"},
    NamedKey{0x2B, u"TAB"},
    NamedKey{0x2C, u"SPACE"},
    NamedKey{0x2D, u"-"},
    NamedKey{0x2E, u"+"},
    NamedKey{0x2F, u"[{"},
    NamedKey{0x30, u"]}"},
    NamedKey{0x31, u"\\|"},
    NamedKey{0x32, u"`~"},
    NamedKey{0x33, u";:"},
    NamedKey{0x34, u" ' "},
    NamedKey{0x36, u","},
    NamedKey{0x37, u"."},
    NamedKey{0x38, u"/?"},
    NamedKey{0x39, u"CAPITAL"},
    NamedKey{0x46, u"SNAPSHOT"},
    NamedKey{0x47, u"SCROLL"},
    NamedKey{0x48, u"PAUSE"},
    NamedKey{0x49, u"INSERT"},
    NamedKey{0x4A, u"HOME"},
    NamedKey{0x4B, u"PRIOR"},
    NamedKey{0x4C, u"DELETE"},
    NamedKey{0x4D, u"END"},
    NamedKey{0x4E, u"NEXT"},
    NamedKey{0x4F, u"RIGHT"},
    NamedKey{0x50, u"LEFT"},
    NamedKey{0x51, u"DOWN"},
    NamedKey{0x52, u"UP"},
    NamedKey{0x53, u"NUMLOCK"},
    NamedKey{0x54, u"DIVIDE"},
    NamedKey{0x55, u"MULTIPLY"},
    NamedKey{0x56, u"SUBTRACT"},
    NamedKey{0x57, u"ADD"},
    NamedKey{0x62, u"NUMPAD0"},
    NamedKey{0x63, u"DECIMAL"},
    NamedKey{0x65, u"APPS"},
    NamedKey{0x74, u"EXECUTE"},
    NamedKey{0x75, u"HELP"},
    NamedKey{0x76, u"MENU"},
    NamedKey{0x77, u"SELECT"},
    NamedKey{0x9C, u"CLEAR"},
    NamedKey{0x9F, u"SEPARATOR"},
    NamedKey{0xE0, u"LCONTROL"},
    NamedKey{0xE1, u"LSHIFT"},
    NamedKey{0xE2, u"LMENU"},
    NamedKey{0xE3, u"LWIN"},
    NamedKey{0xE4, u"RCONTROL"},
    NamedKey{0xE5, u"RSHIFT"},
    NamedKey{0xE6, u"RMENU"},
    NamedKey{0xE7, u"RWIN"},
    NamedKey{0xF0, u"L-KEY"},
    NamedKey{0xF1, u"R-KEY"},
    NamedKey{0xF2, u"M-KEY"},
};

// Value inside [first, last]: its offset from first, else -1.
constexpr int OffsetIn(std::uint8_t value, std::uint8_t first, std::uint8_t last) {
  return value >= first && value <= last ? value - first : -1;
}

}  // namespace

Text KeyNameOf(std::uint8_t value) {
  if (int i = OffsetIn(value, 0x04, 0x1D); i >= 0) {
    return Text(1, static_cast<char16_t>(u'A' + i));
  }
  if (int i = OffsetIn(value, 0x1E, 0x26); i >= 0) return DecimalText(1 + i);
  if (int i = OffsetIn(value, 0x3A, 0x45); i >= 0) return u"F" + DecimalText(1 + i);
  if (int i = OffsetIn(value, 0x68, 0x73); i >= 0) return u"F" + DecimalText(13 + i);
  if (int i = OffsetIn(value, 0x59, 0x61); i >= 0) return u"NUMPAD" + DecimalText(1 + i);
  for (const NamedKey& key : kNamedKeys) {
    if (key.value == value) return Text(key.name);
  }
  return Text(kNoName);
}

}  // namespace zlv
