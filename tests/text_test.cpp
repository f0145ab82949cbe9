#include "base/text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zlv {
namespace {

// Lookups keyed by FoldedCase must find exactly what EqualsIgnoreCase matches.
TEST(FoldedCase, EqualExactlyWhenEqualIgnoringCase) {
  for (char16_t a = 0; a < 0x180; ++a) {
    for (char16_t b = 0; b < 0x180; ++b) {
      const Text x(1, a);
      const Text y(1, b);
      ASSERT_EQ(FoldedCase(x) == FoldedCase(y), EqualsIgnoreCase(x, y))
          << static_cast<int>(a) << " " << static_cast<int>(b);
    }
  }
}

struct Utf8Case {
  const char* what;
  std::string bytes;
  Text text;  // FromUtf8
  bool valid;
};

// Long enough that the runs of ASCII are taken a word at a time, and with
// every kind of sequence at each position within a word.
TEST(Utf8, DecodesEverySequenceAnywhereInALongText) {
  const Utf8Case cases[] = {
      {"empty", "", u"", true},
      {"ascii", "abc", u"abc", true},
      {"two bytes", "\xC3\xA4", u"\u00E4", true},
      {"three bytes", "\xE4\xB8\xAD", u"\u4E2D", true},
      {"four bytes", "\xF0\x9F\x98\x80", u"\U0001F600", true},
      {"control and delete", std::string("\0\x7F", 2), Text(u"\0\u007F", 2), true},
      {"lone continuation", "\x80", u"\uFFFD", false},
      {"cut sequence", "\xE4\xB8", u"\uFFFD\uFFFD", false},
      {"overlong", "\xC0\xAF", u"\uFFFD\uFFFD", false},
      {"surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},
      {"invalid lead", "\xFF", u"\uFFFD", false},
  };
  for (const Utf8Case& c : cases) {
    for (std::size_t before = 0; before <= 17; ++before) {
      SCOPED_TRACE(std::string(c.what) + ", after " + std::to_string(before) + " letters");
      const std::string ascii(before, 'x');
      const std::string tail = "0123456789abcdefgh";
      const std::string bytes = ascii + c.bytes + tail;
      const Text text = Ascii(ascii) + c.text + Ascii(tail);
      EXPECT_EQ(FromUtf8(bytes), text);
      EXPECT_EQ(IsValidUtf8(bytes), c.valid);
      EXPECT_EQ(FromValidUtf8(bytes), c.valid ? std::optional<Text>(text) : std::nullopt);
      if (c.valid) {
        EXPECT_EQ(ToUtf8(text), bytes);
      }
    }
  }
}

TEST(Utf8, WritesEveryCodePointAnywhereInALongText) {
  const struct {
    const char* what;
    Text text;
    std::string bytes;
  } cases[] = {
      {"ascii", u"a", "a"},
      {"two bytes", u"\u00E4", "\xC3\xA4"},
      {"three bytes", u"\uFFFF", "\xEF\xBF\xBF"},
      {"surrogate pair", u"\U0001F600", "\xF0\x9F\x98\x80"},
      {"lone high surrogate", Text(1, char16_t{0xD800}), "\xEF\xBF\xBD"},
      {"lone low surrogate", Text(1, char16_t{0xDC00}), "\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    for (std::size_t before = 0; before <= 9; ++before) {
      SCOPED_TRACE(std::string(c.what) + ", after " + std::to_string(before) + " letters");
      const std::string ascii(before, 'x');
      EXPECT_EQ(ToUtf8(Ascii(ascii) + c.text + u"0123456789"), ascii + c.bytes + "0123456789");
    }
  }
}

TEST(Latin1, EveryByteIsItsCodePoint) {
  std::string bytes;
  Text expected;
  for (int b = 0; b < 256; ++b) {
    bytes.push_back(static_cast<char>(b));
    expected.push_back(static_cast<char16_t>(b));
  }
  EXPECT_EQ(FromLatin1(bytes), expected);
  EXPECT_EQ(FromLatin1(bytes.substr(3)), expected.substr(3));
}

// Folding a whole text folds each character as it would alone, wherever it
// lies among others.
TEST(FoldedCase, TextFoldsLikeEachCharacter) {
  Text all;
  for (char16_t c = 0; c < 0x180; ++c) all.push_back(c);
  for (std::size_t shift = 0; shift < 4; ++shift) {
    const Text text = all.substr(shift);
    const Text folded = FoldedCase(text);
    ASSERT_EQ(folded.size(), text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
      ASSERT_EQ(folded[i], FoldedCase(Text(1, text[i]))[0]) << static_cast<int>(text[i]);
    }
  }
  EXPECT_EQ(FoldedCase(u"buttonPos\nazAZ@[`{"), u"BUTTONPOS\nAZAZ@[`{");
}

}  // namespace
}  // namespace zlv
