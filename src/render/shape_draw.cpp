#include "render/shape_draw.h"

#include <cmath>

#include "render/image_store.h"
#include "render/scene_draw.h"

namespace pw {

namespace {

// Drawing position of point k: view origin + shape position + point.
struct ShapePos {
  double ox, oy;
  const std::vector<ShapePoint>& pts;
  double x(int64_t k) const { return ox + static_cast<double>(pts[static_cast<size_t>(k)].x); }
  double y(int64_t k) const { return oy + static_cast<double>(pts[static_cast<size_t>(k)].y); }
};

void addImage(RenderCtx& rc, int64_t i, const Object& ob, const Shape& s, const ShapePos& p) {
  VectorCanvas& vg = rc.vg;
  const QImage* img = vg.store().image(s.imageId);
  if (!img) return;
  if (s.imageRepeat == kImageStretched) {
    vg.drawImage(s.imageId, s.alpha, s.w, s.h);
    return;
  }
  // The tiles start at the image offset, in the object's scale but without its translation.
  const ShapePoint& p0 = s.points[0];
  applyViewTransform(rc);
  vg.scaleBy(ob.w * 0.01, ob.h * 0.01);
  vg.translateBy(static_cast<double>(s.imageX) - static_cast<double>(p0.x) - s.x,
                 static_cast<double>(s.imageY) - static_cast<double>(p0.y) - s.y);
  vg.moveTo(0, 0);
  vg.addRect(p.x(0), p.y(0), s.w, s.h);
  const double tw = s.imageW > 0 ? s.imageW : img->width();
  const double th = s.imageH > 0 ? s.imageH : img->height();
  vg.setSourceImage(s.imageId, s.alpha, tw, th, true);
  applyViewTransform(rc);
  applyObjectTransform(rc, i);
}

}  // namespace

int paintAlpha(int shapeAlpha, int objectAlpha) {
  return static_cast<int>(std::lround(shapeAlpha * objectAlpha * 0.0039215));
}

void buildShapePath(RenderCtx& rc, int64_t i, int64_t j) {
  const Document& doc = rc.doc;
  const Object& ob = doc.Objects[static_cast<size_t>(i)];
  const Shape& s = ob.shapes[static_cast<size_t>(j)];
  // Every shape is placed through point 0; a shape without points has no outline.
  if (s.points.empty()) return;
  VectorCanvas& vg = rc.vg;
  const ShapePos p{rc.view.originX + s.x, rc.view.originY + s.y, s.points};
  const int64_t last = lastIndex(s.points);

  vg.moveTo(p.x(0), p.y(0));
  switch (s.type) {
    case kComplex:
      vg.moveTo(p.x(0), p.y(0));
      for (int64_t k = 0; k <= last; k += 3) {
        const int64_t a = k + 1 > last ? 0 : k + 1;
        const int64_t b = a + 1 > last ? 0 : a + 1;
        const int64_t c = b + 1 > last ? 0 : b + 1;
        vg.curveTo(p.x(a), p.y(a), p.x(b), p.y(b), p.x(c), p.y(c));
      }
      break;
    case kBox:
      vg.addRect(p.x(0), p.y(0), s.w, s.h);
      break;
    case kCircle:
      vg.addEllipse(p.x(0), p.y(0), s.w, s.h);
      break;
    case kLine:
      for (int64_t k = 0; k <= last; ++k) vg.lineTo(p.x(k), p.y(k));
      if (s.closed == 1) vg.closeFigure();
      break;
    case kCurve:
      for (int64_t k = 1; k <= last - 1; k += 3) {
        const int64_t c = k + 2 > last ? 0 : k + 2;
        vg.curveTo(p.x(k), p.y(k), p.x(k + 1), p.y(k + 1), p.x(c), p.y(c));
      }
      if (s.closed == 1) vg.closeFigure();
      break;
    case kImage:
      addImage(rc, i, ob, s, p);
      break;
    case kText:
      vg.moveTo(p.ox, p.oy);
      vg.setFont(s.fontId, s.w);
      vg.addText(s.text);
      break;
    default:  // RoundBox and unknown types: only the start point
      break;
  }
}

void paintShape(RenderCtx& rc, int64_t i, int64_t j) {
  const Object& ob = rc.doc.Objects[static_cast<size_t>(i)];
  const Shape& s = ob.shapes[static_cast<size_t>(j)];
  VectorCanvas& vg = rc.vg;
  if (s.type != kImage) {
    // Gradient and image-brush paint kinds have no extent to work with; every shape is painted in
    // its plain colour.
    const int a = paintAlpha(s.alpha, ob.alpha);
    vg.setSourceColor(packRGBA(redOf(s.color), greenOf(s.color), blueOf(s.color), a));
  }
  switch (s.style) {
    case kStyleFilled:
      vg.fill();
      break;
    case kStyleLine:
      vg.stroke(s.lineW, true);
      break;
    case kStyleDash:
      vg.strokeDashed(s.lineW, s.lineH);
      break;
    case kStyleDot:
      vg.strokeDotted(s.lineW, s.lineDist, true);
      break;
    default:  // kStyleCustom: the outline waits for the next painted path
      break;
  }
}

}  // namespace pw
