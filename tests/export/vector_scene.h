// What the vector exports' tests share: shape and effect builders for small scenes, and the
// comparison of a picture an independent player drew with the frame pipeline's.
#pragma once

#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "core/model.h"

namespace pw::vectortest {

inline constexpr int64_t kRed = packRGBA(220, 30, 30, 255);
inline constexpr int64_t kBlue = packRGBA(30, 60, 220, 255);
inline constexpr int64_t kGreen = packRGBA(20, 160, 60, 255);

inline Shape shape(uint8_t type, int16_t x, int16_t y, int16_t w, int16_t h, uint8_t style,
                   int64_t color, std::vector<ShapePoint> points = {ShapePoint{}}) {
  Shape s;
  s.type = type;
  s.x = x;
  s.y = y;
  s.w = w;
  s.h = h;
  s.style = style;
  s.color = color;
  s.alpha = 255;
  s.lineW = 6;
  s.lineH = 9;
  s.lineDist = 15;
  s.points = std::move(points);
  s.fx.clear();
  return s;
}

inline ShapeFx effect(int depth, int16_t dx, int16_t dy, int16_t scale, uint8_t type,
                      int64_t color) {
  ShapeFx fx;
  fx.depth = static_cast<uint8_t>(depth);
  fx.x = dx;
  fx.y = dy;
  fx.scale = scale;
  fx.type = type;
  fx.color = color;
  fx.width = 4;
  fx.height = 6;
  fx.dist = 10;
  fx.active = 1;
  return fx;
}

// Share of pixels where any channel (premultiplied) differs by more than 24 levels.
inline double differingShare(const QImage& a, const QImage& b) {
  int64_t bad = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      if (std::abs(qRed(p) - qRed(q)) > 24 || std::abs(qGreen(p) - qGreen(q)) > 24 ||
          std::abs(qBlue(p) - qBlue(q)) > 24 || std::abs(qAlpha(p) - qAlpha(q)) > 24)
        ++bad;
    }
  }
  return static_cast<double>(bad) / (a.width() * a.height());
}

}  // namespace pw::vectortest
