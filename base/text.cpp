#include "base/text.h"

#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

namespace zlv {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Writes the UTF-8 bytes of `cp` at `o`; returns the end of what was written.
char* AppendUtf8(char* o, char32_t cp) {
  if (cp < 0x80) {
    *o++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *o++ = static_cast<char>(0xC0 | (cp >> 6));
    *o++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *o++ = static_cast<char>(0xE0 | (cp >> 12));
    *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *o++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *o++ = static_cast<char>(0xF0 | (cp >> 18));
    *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *o++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return o;
}

// Decodes one UTF-8 sequence at bytes[i]; returns the code point, or -1 when
// the sequence is invalid (then `length` is 1).
long DecodeUtf8(std::string_view bytes, size_t i, size_t& length) {
  const auto b0 = static_cast<unsigned char>(bytes[i]);
  length = 1;
  if (b0 < 0x80) return b0;
  size_t need;
  char32_t cp;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    need = 1; cp = b0 & 0x1F; min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    need = 2; cp = b0 & 0x0F; min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    need = 3; cp = b0 & 0x07; min = 0x10000;
  } else {
    return -1;
  }
  if (i + need >= bytes.size()) return -1;
  for (size_t k = 1; k <= need; ++k) {
    const auto b = static_cast<unsigned char>(bytes[i + k]);
    if ((b & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  length = need + 1;
  return static_cast<long>(cp);
}

// Text is mostly ASCII, so the conversions take it a 64-bit word at a time:
// eight bytes, or four UTF-16 units. A word of bytes with no high bit set is
// eight ASCII characters; a word of units with no bit above 0x7F set is four.
constexpr std::uint64_t kNonAsciiBytes = 0x8080808080808080;
constexpr std::uint64_t kNonAsciiUnits = 0xFF80FF80FF80FF80;
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

std::uint64_t LoadWord(const void* at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// The eight bytes at `in` as eight units of the same values at `out`.
void WidenWord(const char* in, char16_t* out) {
  if constexpr (kLittleEndian) {
    // Each half's four bytes spread into the four 16-bit lanes of a word.
    const auto spread = [](std::uint64_t half) {
      half = (half | (half << 16)) & 0x0000FFFF0000FFFF;
      return (half | (half << 8)) & 0x00FF00FF00FF00FF;
    };
    const std::uint64_t word = LoadWord(in);
    const std::uint64_t low = spread(word & 0xFFFFFFFF);
    const std::uint64_t high = spread(word >> 32);
    std::memcpy(out, &low, sizeof low);
    std::memcpy(out + 4, &high, sizeof high);
  } else {
    for (std::size_t k = 0; k < 8; ++k) out[k] = static_cast<unsigned char>(in[k]);
  }
}

// The four units at `in`, all below 0x100, as four bytes at `out`.
void NarrowWord(const char16_t* in, char* out) {
  if constexpr (kLittleEndian) {
    std::uint64_t word = LoadWord(in);
    word = (word | (word >> 8)) & 0x0000FFFF0000FFFF;
    const auto packed = static_cast<std::uint32_t>(word | (word >> 16));
    std::memcpy(out, &packed, sizeof packed);
  } else {
    for (std::size_t k = 0; k < 4; ++k) out[k] = static_cast<char>(in[k]);
  }
}

// Each byte as the unit of the same value; returns the end of what was written.
char16_t* WidenBytes(std::string_view bytes, char16_t* out) {
  std::size_t i = 0;
  for (; bytes.size() - i >= 8; i += 8, out += 8) WidenWord(bytes.data() + i, out);
  for (; i < bytes.size(); ++i) *out++ = static_cast<unsigned char>(bytes[i]);
  return out;
}

// Room for the units of a conversion, left uninitialised: each conversion
// writes what it keeps here, then copies it into its Text at once. Short
// texts, the most common, stay on the stack.
class UnitBuffer {
 public:
  explicit UnitBuffer(std::size_t units) {
    if (units > local_.size()) heap_ = std::make_unique_for_overwrite<char16_t[]>(units);
  }
  char16_t* get() { return heap_ ? heap_.get() : local_.data(); }

 private:
  std::array<char16_t, 256> local_;
  std::unique_ptr<char16_t[]> heap_;
};

// Decodes `bytes` into `out`, which has room for one unit per byte (no UTF-8
// sequence gives more units than it has bytes); returns the end of what was
// written. An invalid byte becomes U+FFFD, or with kStrict ends the decoding
// with nullptr.
template <bool kStrict>
char16_t* DecodeUtf8Into(std::string_view bytes, char16_t* out) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (bytes.size() - i >= 8 && (LoadWord(bytes.data() + i) & kNonAsciiBytes) == 0) {
      WidenWord(bytes.data() + i, out);
      out += 8;
      i += 8;
      continue;
    }
    std::size_t length = 1;
    const long cp = DecodeUtf8(bytes, i, length);
    if (cp < 0) {
      if constexpr (kStrict) return nullptr;
      *out++ = kReplacement;
    } else if (cp >= 0x10000) {
      const auto v = static_cast<char32_t>(cp) - 0x10000;
      *out++ = static_cast<char16_t>(0xD800 + (v >> 10));
      *out++ = static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    } else {
      *out++ = static_cast<char16_t>(cp);
    }
    i += length;
  }
  return out;
}

}  // namespace

std::string ToUtf8(TextView text) {
  // Room for the longest result: three bytes per unit (a surrogate pair's two
  // units make four bytes), trimmed to what was written at the end.
  std::string out(3 * text.size(), '\0');
  char* o = out.data();
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    if (n - i >= 4 && (LoadWord(text.data() + i) & kNonAsciiUnits) == 0) {
      NarrowWord(text.data() + i, o);
      o += 4;
      i += 4;
      continue;
    }
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    o = AppendUtf8(o, cp);
    ++i;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

Text FromUtf8(std::string_view bytes) {
  UnitBuffer units(bytes.size());
  char16_t* end = DecodeUtf8Into<false>(bytes, units.get());
  return Text(units.get(), end);
}

std::optional<Text> FromValidUtf8(std::string_view bytes) {
  UnitBuffer units(bytes.size());
  char16_t* end = DecodeUtf8Into<true>(bytes, units.get());
  if (end == nullptr) return std::nullopt;
  return Text(units.get(), end);
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (bytes.size() - i >= 8 && (LoadWord(bytes.data() + i) & kNonAsciiBytes) == 0) {
      i += 8;
      continue;
    }
    std::size_t length = 1;
    if (DecodeUtf8(bytes, i, length) < 0) return false;
    i += length;
  }
  return true;
}

Text FromLatin1(std::string_view bytes) {
  UnitBuffer units(bytes.size());
  return Text(units.get(), WidenBytes(bytes, units.get()));
}

Text Ascii(std::string_view ascii) { return FromLatin1(ascii); }

Text DecimalText(long long value) { return Ascii(std::to_string(value)); }

std::int32_t ParseDecimal(TextView text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  // Accumulate as a magnitude and stop growing once past the 32-bit range.
  constexpr long long kLimit = static_cast<long long>(std::numeric_limits<std::int32_t>::max()) + 1;
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    if (magnitude <= kLimit) magnitude = magnitude * 10 + (text[i] - u'0');
  }
  if (negative) {
    return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::min()
                               : static_cast<std::int32_t>(-magnitude);
  }
  return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::max()
                             : static_cast<std::int32_t>(magnitude);
}

namespace {

// What FoldCase gives for each character below 0x100: ASCII and Latin-1
// lower-case letters (except the division sign and y-diaeresis) as upper case.
constexpr std::array<char16_t, 0x100> kFoldedLatin1 = [] {
  std::array<char16_t, 0x100> folded{};
  for (std::size_t c = 0; c < folded.size(); ++c) {
    const bool lower = (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
    folded[c] = static_cast<char16_t>(lower ? c - 32 : c);
  }
  return folded;
}();

char16_t FoldCase(char16_t c) { return c < kFoldedLatin1.size() ? kFoldedLatin1[c] : c; }

}  // namespace

bool EqualsIgnoreCase(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

Text FoldedCase(Text text) {
  // Four units at a time while they are ASCII. In a unit u below 0x80, bit 7
  // of u + (0x80 - 'a') is set when u >= 'a', and bit 7 of u + (0x80 - 'z' - 1)
  // when u > 'z'; neither sum leaves its unit. Where the first is set and the
  // second is not, u is a lower-case letter, and that bit shifted to 0x20 is
  // what folding takes away.
  constexpr std::uint64_t kEach = 0x0001000100010001;
  char16_t* const units = text.data();
  const std::size_t n = text.size();
  std::size_t i = 0;
  for (; n - i >= 4; i += 4) {
    std::uint64_t word = LoadWord(units + i);
    if ((word & kNonAsciiUnits) != 0) {
      for (std::size_t k = i; k < i + 4; ++k) units[k] = FoldCase(units[k]);
      continue;
    }
    const std::uint64_t fromA = word + (0x80 - u'a') * kEach;
    const std::uint64_t pastZ = word + (0x80 - u'z' - 1) * kEach;
    word -= (fromA & ~pastZ & (0x80 * kEach)) >> 2;
    std::memcpy(units + i, &word, sizeof word);
  }
  for (; i < n; ++i) units[i] = FoldCase(units[i]);
  return text;
}

TextView TrimBlanks(TextView text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && (text[begin] == u' ' || text[begin] == u'\t')) ++begin;
  while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
  return text.substr(begin, end - begin);
}

}  // namespace zlv
