#include "ui/picture_geometry.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace zlv::ui {
namespace {

// Skin files may hold huge coordinates: sums are taken wide and clamped.
int Clamp(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

}  // namespace

Text SkinsDir(TextView exeDir) {
  Text dir(exeDir);
  dir += u"\\skins";
  return dir;
}

Text SkinPicturePath(TextView exeDir, TextView name) {
  Text path = SkinsDir(exeDir);
  path += name;
  return path;
}

PixelRect RectShapeRect(int width, int height) {
  return PixelRect{0, 0, width, height};
}

PixelRect BandRect(int left, int top, int width, int height) {
  return PixelRect{left, top, Clamp(std::int64_t{left} + width), Clamp(std::int64_t{top} + height)};
}

PixelPoint CenteredTextOrigin(const PixelRect& box, int textWidth, int textHeight) {
  const std::int64_t width = std::int64_t{box.right} - box.left;
  const std::int64_t height = std::int64_t{box.bottom} - box.top;
  return PixelPoint{Clamp(box.left + (width - textWidth) / 2),
                    Clamp(box.top + (height - textHeight) / 2)};
}

}  // namespace zlv::ui
