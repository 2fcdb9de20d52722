#include "core/shape_drag.h"

#include <algorithm>
#include <cstdint>

namespace pw {

void beginShapeTransform(Shape& s) {
  if (s.points.empty()) return;
  int64_t x0 = s.points[0].x, x1 = x0, y0 = s.points[0].y, y1 = y0;
  for (ShapePoint& p : s.points) {
    p.dragX = p.x;
    p.dragY = p.y;
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  const auto mid = [](int64_t a, int64_t b) {
    const __int128 m = (static_cast<__int128>(a) + b) / 2;
    return static_cast<int16_t>(std::clamp<__int128>(m, INT16_MIN, INT16_MAX));
  };
  s.pivotX = mid(x0, x1);
  s.pivotY = mid(y0, y1);
}

}  // namespace pw
