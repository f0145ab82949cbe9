#include "base/text.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace zlv
