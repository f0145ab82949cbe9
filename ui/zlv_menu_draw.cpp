#include "ui/zlv_menu_draw.h"

#include <cstddef>
#include <limits>

namespace zlv::ui {
namespace {

int Component(MenuColour colour, int shift) {
  return static_cast<int>((colour >> shift) & 0xFFu);
}

int GradientComponent(int shift, int k, int rows) {
  const int from = Component(kMenuGradientFrom, shift);
  const int to = Component(kMenuGradientTo, shift);
  // The conversion truncates toward zero.
  const int step = static_cast<int>(static_cast<double>(to - from) / rows);
  const long long value = from + static_cast<long long>(step) * k;
  return static_cast<int>(((value % 256) + 256) % 256);
}

}  // namespace

MenuColour MenuGradientColour(int k, int rows) {
  if (rows <= 0) return kMenuGradientFrom;
  const int red = GradientComponent(0, k, rows);
  const int green = GradientComponent(8, k, rows);
  const int blue = GradientComponent(16, k, rows);
  return static_cast<MenuColour>(red) | (static_cast<MenuColour>(green) << 8) |
         (static_cast<MenuColour>(blue) << 16);
}

std::vector<MenuDrawStep> PlanMenuItem(const PixelRect& item, bool highlighted, bool checked) {
  using Kind = MenuDrawStep::Kind;
  std::vector<MenuDrawStep> steps;
  if (!highlighted) {
    steps.push_back({Kind::Fill, item, kMenuBackground});
  } else {
    steps.push_back({Kind::Outline, item, kMenuOutlineColour});
    const PixelRect inner{item.left + 1, item.top + 1, item.right - 1, item.bottom - 1};
    const int rows = inner.Height();
    for (int k = 0; k < rows; ++k) {
      const int y = inner.top + k;
      steps.push_back({Kind::Line, PixelRect{inner.left, y, inner.right, y + 1},
                       MenuGradientColour(k, rows)});
    }
  }
  steps.push_back({Kind::Text, PixelRect{item.left + kMenuTextIndent, item.top, item.right,
                                         item.bottom},
                   kMenuTextColour});
  if (checked) {
    // An 8 by 7 mark centred in the margin's height, a pixel from the edge.
    const int top = item.top + (item.Height() - 7) / 2;
    steps.push_back({Kind::Check, PixelRect{item.left + 1, top, item.left + 9, top + 7},
                     kMenuTextColour});
  }
  return steps;
}

MenuItemSize MeasureMenuItem(TextView caption) {
  long long characters = 0;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    // A surrogate pair is one character.
    const char16_t unit = caption[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < caption.size() && caption[i + 1] >= 0xDC00 &&
        caption[i + 1] <= 0xDFFF) {
      ++i;
    }
    ++characters;
  }
  const long long width = characters * kMenuCharWidth;
  const long long most = std::numeric_limits<int>::max();
  return MenuItemSize{static_cast<int>(width < most ? width : most), kMenuItemHeight};
}

}  // namespace zlv::ui
