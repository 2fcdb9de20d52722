#include "render/shape_hash.h"

#include <QtGlobal>
#include <cmath>
#include <functional>


namespace pw {

void Hasher::add(std::string_view s) {
  add(s.size());
  add(std::hash<std::string_view>{}(s));
}

uint64_t shapeDrawHash(const Shape& s) {
  Hasher h;
  h.add(s.type);
  h.add(s.text);
  h.addSigned(s.fontId);
  h.addSigned(s.imageId);
  h.addSigned(s.imageRepeat);
  h.addSigned(s.imageW);
  h.addSigned(s.imageH);
  h.addSigned(s.imageX);
  h.addSigned(s.imageY);
  h.addSigned(s.x);
  h.addSigned(s.y);
  h.addSigned(s.w);
  h.addSigned(s.h);
  h.addSigned(s.pivotX);
  h.addSigned(s.pivotY);
  h.addSigned(s.cx);
  h.addSigned(s.cy);
  h.addSigned(s.color);
  h.add(s.paint);
  h.add(s.alpha);
  h.add(s.closed);
  h.add(s.link);
  h.add(s.hidden);
  h.add(s.style);
  h.addSigned(s.lineW);
  h.addSigned(s.lineH);
  h.addSigned(s.lineDist);
  h.add(s.points.size());
  for (const ShapePoint& p : s.points) {
    h.addSigned(p.x);
    h.addSigned(p.y);
  }
  h.add(s.fx.size());
  for (const ShapeFx& f : s.fx) {
    h.addSigned(f.x);
    h.addSigned(f.y);
    h.add(f.type);
    h.addSigned(f.color);
    h.add(f.depth);
    h.addSigned(f.width);
    h.addSigned(f.height);
    h.addSigned(f.scale);
    h.addSigned(f.dist);
    h.add(f.active);
  }
  return h.value();
}

uint64_t shapeStructureHash(const Shape& s) {
  Hasher h;
  h.add(s.type);
  h.add(s.style);
  h.add(s.link);
  h.add(s.hidden);
  h.add(s.points.empty() ? 0 : 1);
  h.add(s.fx.size());
  for (const ShapeFx& f : s.fx) {
    h.add(f.active);
    h.add(f.depth);
    h.add(f.type);
  }
  return h.value();
}

bool objectDrawn(const Editor& ed, int64_t i) {
  const auto& objects = ed.doc.Objects;
  if (i < 0 || i > lastIndex(objects)) return false;
  const Object& o = objects[static_cast<size_t>(i)];
  if (o.hidden == 1) return false;
  // The same test as the shape loop's: a singular object transform draws nothing.
  const double zoom = static_cast<double>(ed.options.Zoom) * 0.01;
  const double det = (zoom * o.w * 0.01) * (zoom * o.h * 0.01);
  return std::isfinite(det) && !qFuzzyIsNull(det);
}

bool shapeDrawn(const Editor& ed, int64_t i, int64_t j) {
  if (!objectDrawn(ed, i)) return false;
  const Object& o = ed.doc.Objects[static_cast<size_t>(i)];
  if (j < 0 || j > lastIndex(o.shapes)) return false;
  if (ed.options.ShowOnlySel != 0 && j != ed.doc.CurrentShape) return false;
  const Shape& s = o.shapes[static_cast<size_t>(j)];
  return s.hidden != 1 && !s.points.empty();
}

bool shapeClearsPath(const Object& o, int64_t j) {
  const Shape& s = o.shapes[static_cast<size_t>(j)];
  // Painted at once only when not linked to the next shape, in a painting style.
  if (!(s.link == 0 || j == lastIndex(o.shapes)) || s.style > kStyleDot) return false;
  // A front effect of an unknown kind leaves its outline for the next paint.
  for (const ShapeFx& f : s.fx) {
    if (f.active == 1 && f.depth == kFxFront && f.type > kStyleDot) return false;
  }
  return true;
}

}  // namespace pw
