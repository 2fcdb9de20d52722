#include "render/fx_draw.h"

namespace pw {

void drawFxAtDepth(RenderCtx& rc, int64_t i, int64_t j, int depth) {
  // Only "Back" and "Front" effects have a place in the drawing order.
  if (depth != kFxBack && depth != kFxFront) return;
  const Shape& s = rc.doc.Objects[static_cast<size_t>(i)].shapes[static_cast<size_t>(j)];
  for (size_t k = 0; k < s.fx.size(); ++k) {
    const ShapeFx& fx = s.fx[k];
    if (fx.depth == depth && fx.active == 1) drawShapeFx(rc, i, j, static_cast<int64_t>(k));
  }
}

void drawShapeFx(RenderCtx& rc, int64_t i, int64_t j, int64_t k) {
  const Document& doc = rc.doc;
  const Object& ob = doc.Objects[static_cast<size_t>(i)];
  const Shape& s = ob.shapes[static_cast<size_t>(j)];
  const ShapeFx& fx = s.fx[static_cast<size_t>(k)];
  if (s.points.empty()) return;
  VectorCanvas& vg = rc.vg;

  const double sc = static_cast<float>(fx.scale * 0.01);
  const double ox = rc.view.originX + fx.x + s.x;
  const double oy = rc.view.originY + fx.y + s.y;
  const auto& pts = s.points;
  const int64_t last = lastIndex(pts);
  auto px = [&](int64_t n) { return static_cast<double>(pts[static_cast<size_t>(n)].x); };
  auto py = [&](int64_t n) { return static_cast<double>(pts[static_cast<size_t>(n)].y); };

  vg.moveTo(ox + px(0), oy + py(0));
  switch (s.type) {
    case kComplex:
      // The outline scaled about point 0: each segment is given relative to its start point.
      vg.moveTo(ox + px(0), oy + py(0));
      for (int64_t n = 0; n <= last; n += 3) {
        const int64_t a = n + 1 > last ? 0 : n + 1;
        const int64_t b = a + 1 > last ? 0 : a + 1;
        const int64_t c = b + 1 > last ? 0 : b + 1;
        vg.curveTo((px(a) - px(n)) * sc, (py(a) - py(n)) * sc, (px(b) - px(n)) * sc,
                   (py(b) - py(n)) * sc, (px(c) - px(n)) * sc, (py(c) - py(n)) * sc, true);
      }
      break;
    case kBox:
    case kImage:
      vg.addRect(ox + px(0), oy + py(0), s.w * sc, s.h * sc);
      break;
    case kCircle:
      vg.addEllipse(ox + px(0), oy + py(0), s.w * sc, s.h * sc);
      break;
    case kText:
      vg.moveTo(ox + px(0), oy + py(0));
      vg.setFont(s.fontId, s.w);
      vg.addText(s.text);
      break;
    case kCurve:
      for (int64_t n = 1; n <= last - 1; n += 3) {
        const int64_t c = n + 2 > last ? 0 : n + 2;
        vg.curveTo(ox + px(n), oy + py(n), ox + px(n + 1), oy + py(n + 1), ox + px(c),
                   oy + py(c));
      }
      if (s.closed == 1) vg.closeFigure();
      break;
    case kLine:
      for (int64_t n = 0; n <= last; ++n) vg.lineTo(ox + px(n), oy + py(n));
      if (s.closed == 1) vg.closeFigure();
      break;
    default:  // RoundBox: only the start point
      break;
  }

  // A linked shape's effects join its outline and are painted with the next painted path.
  if (s.link != 0 && j != lastIndex(ob.shapes)) return;
  vg.setSourceColor(fx.color);
  switch (fx.type) {
    case kStyleFilled:
      vg.fill();
      break;
    case kStyleLine:
      vg.stroke(static_cast<double>(fx.width), true);
      break;
    case kStyleDash:
      vg.strokeDashed(static_cast<double>(fx.width), static_cast<double>(fx.height));
      break;
    case kStyleDot:
      vg.strokeDotted(static_cast<double>(fx.width), static_cast<double>(fx.dist), true);
      break;
    default:
      break;
  }
}

}  // namespace pw
