// Geometry shared by the skinned windows: where skin pictures lie, the plain
// rectangle shape, and where centred skin text starts. Portable: no OS headers.
#pragma once

#include "base/text.h"

namespace zlv::ui {

// A rectangle in pixels; right and bottom are exclusive, as in the window system.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct PixelPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// "<exeDir>\skins"; exeDir has no trailing backslash.
Text SkinsDir(TextView exeDir);
// The skins folder followed by a picture name that begins with a backslash,
// for example "\main_mask.jpg".
Text SkinPicturePath(TextView exeDir, TextView name);

// The shape of a plain window of the given size: (0, 0, width, height).
PixelRect RectShapeRect(int width, int height);

// The rectangle (left, top, width, height) as edges.
PixelRect BandRect(int left, int top, int width, int height);

// Where text of the given extent starts when centred in a rectangle; each half
// is an integer division rounded toward zero, so text wider than the
// rectangle starts left of it.
PixelPoint CenteredTextOrigin(const PixelRect& box, int textWidth, int textHeight);

}  // namespace zlv::ui
