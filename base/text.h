// UTF-16 text helpers shared by every subsystem. Portable: no OS headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zlv {

// All user-visible and file text is UTF-16; conversion to wchar_t happens only
// at the Windows API boundary (see base/text_win32.h).
using Text = std::u16string;
using TextView = std::u16string_view;

// UTF-8 <-> UTF-16. Invalid input never throws: bad UTF-8 bytes become U+FFFD,
// lone surrogates are encoded as U+FFFD.
std::string ToUtf8(TextView text);
Text FromUtf8(std::string_view bytes);
// Latin-1 (each byte is one code point), used for 8-bit files that are not UTF-8.
Text FromLatin1(std::string_view bytes);
// True when the bytes form valid UTF-8.
bool IsValidUtf8(std::string_view bytes);
// FromUtf8 of bytes that form valid UTF-8; nothing when they do not. One pass
// over the bytes, where IsValidUtf8 then FromUtf8 takes two.
std::optional<Text> FromValidUtf8(std::string_view bytes);

// Text from ASCII literals and numbers.
Text Ascii(std::string_view ascii);
// "%d" of a value.
Text DecimalText(long long value);

// The program's one decimal conversion: leading blanks skipped, optional sign,
// then digits up to the first other character; no digits gives 0. Numbers out
// of the 32-bit range saturate at INT32_MIN / INT32_MAX.
std::int32_t ParseDecimal(TextView text);

// Case-insensitive equality as the INI files need it (ASCII and Latin-1 letters).
bool EqualsIgnoreCase(TextView a, TextView b);
// The text with the letters EqualsIgnoreCase ignores the case of folded: two
// texts are equal ignoring case exactly when their folded forms are equal.
Text FoldedCase(Text text);

// Blanks (space, tab) removed from both ends.
TextView TrimBlanks(TextView text);

}  // namespace zlv
