// How an owner-drawn menu item of the program looks: a dark teal background,
// white text set 10 pixels in, and for the highlighted item a blue-to-cyan
// gradient drawn one pixel row at a time. The Windows menu class only carries
// out the steps planned here. Portable: no OS headers.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "ui/picture_geometry.h"

namespace zlv::ui {

// Colours in the window system's layout 0x00BBGGRR. Every step carries its
// own colour: the executor never relies on what the drawing context holds.
using MenuColour = std::uint32_t;

inline constexpr MenuColour kMenuBackground = 0x997800;  // red 0, green 120, blue 153
inline constexpr MenuColour kMenuTextColour = 0xFFFFFF;
// The frame of the highlighted item: the black of a menu context's default pen.
inline constexpr MenuColour kMenuOutlineColour = 0x000000;
inline constexpr MenuColour kMenuGradientFrom = 0xFF0000;  // blue
inline constexpr MenuColour kMenuGradientTo = 0xFFFF00;    // cyan
inline constexpr int kMenuTextIndent = 10;
inline constexpr int kMenuCharWidth = 8;
inline constexpr int kMenuItemHeight = 20;

struct MenuDrawStep {
  enum class Kind {
    Fill,     // fill rect with colour
    Outline,  // a 1-pixel frame in colour just inside rect
    Line,     // a 1-pixel line in colour from (rect.left, rect.top) up to rect.right
    Text,     // the caption in colour, transparent background, one line,
              // vertically centred in rect
    Check,    // a check mark in colour, two pixels thick: from the left edge
              // at half height down to the bottom a third of the way across,
              // then up to the top right corner of rect
  };
  Kind kind = Kind::Fill;
  PixelRect rect;
  MenuColour colour = 0;
  friend bool operator==(const MenuDrawStep&, const MenuDrawStep&) = default;
};

// The colour of gradient row k (0 at the top) of a gradient `rows` high. Each
// component steps by (to - from) / rows, truncated toward zero, and wraps
// modulo 256; the last row therefore falls short of the target colour.
MenuColour MenuGradientColour(int k, int rows);

// The drawing steps for one item in its rectangle. A checked item gets a
// check mark in the margin left of its caption, drawn last.
std::vector<MenuDrawStep> PlanMenuItem(const PixelRect& item, bool highlighted,
                                       bool checked = false);

struct MenuItemSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const MenuItemSize&, const MenuItemSize&) = default;
};

// 8 pixels per character of the caption, trailing spaces included, by 20.
MenuItemSize MeasureMenuItem(TextView caption);

}  // namespace zlv::ui
