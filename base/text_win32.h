// Conversion between the program's UTF-16 text and the wide strings of the
// Windows API. On Windows wchar_t is a 16-bit UTF-16 code unit, so both
// directions copy code units unchanged (lone surrogates included).
#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be a UTF-16 code unit");

namespace zlv {

inline std::wstring ToWide(TextView text) {
  return std::wstring(text.begin(), text.end());
}

inline Text FromWide(std::wstring_view wide) {
  return Text(wide.begin(), wide.end());
}

}  // namespace zlv
