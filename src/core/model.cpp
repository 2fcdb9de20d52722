#include "core/model.h"

#include <atomic>

namespace pw {

namespace {
template <class T>
bool inRange(int64_t i, const std::vector<T>& v) {
  return i >= 0 && i <= lastIndex(v);
}
}  // namespace

ShapeId newShapeId() {
  static std::atomic<uint64_t> last{0};
  return static_cast<ShapeId>(last.fetch_add(1, std::memory_order_relaxed) + 1);
}

Object* currentObject(Document& doc, const Selection& sel) {
  return inRange(sel.object, doc.Objects) ? &doc.Objects[static_cast<size_t>(sel.object)] : nullptr;
}

const Object* currentObject(const Document& doc, const Selection& sel) {
  return inRange(sel.object, doc.Objects) ? &doc.Objects[static_cast<size_t>(sel.object)] : nullptr;
}

Shape* currentShape(Document& doc, const Selection& sel) {
  Object* o = currentObject(doc, sel);
  if (!o || !inRange(sel.shape, o->shapes)) return nullptr;
  return &o->shapes[static_cast<size_t>(sel.shape)];
}

const Shape* currentShape(const Document& doc, const Selection& sel) {
  const Object* o = currentObject(doc, sel);
  if (!o || !inRange(sel.shape, o->shapes)) return nullptr;
  return &o->shapes[static_cast<size_t>(sel.shape)];
}

ShapePoint* currentPoint(Document& doc, const Selection& sel) {
  Shape* s = currentShape(doc, sel);
  if (!s || !inRange(sel.point, s->points)) return nullptr;
  return &s->points[static_cast<size_t>(sel.point)];
}

ShapeFx* currentFx(Document& doc, const Selection& sel) {
  Shape* s = currentShape(doc, sel);
  if (!s || !inRange(sel.fx, s->fx)) return nullptr;
  return &s->fx[static_cast<size_t>(sel.fx)];
}

void setPointKind(Document& doc, const Selection& sel, bool hard) {
  Shape* s = currentShape(doc, sel);
  if (!s || !currentPoint(doc, sel)) return;
  const int64_t last = lastIndex(s->points);
  const int64_t i = sel.point;
  const int64_t prev = i == 0 ? last : i - 1;
  const int64_t next = i == last ? 0 : i + 1;
  const ShapePoint& p = s->points[static_cast<size_t>(i)];
  const int64_t px = p.x, py = p.y;
  ShapePoint& a = s->points[static_cast<size_t>(prev)];
  ShapePoint& b = s->points[static_cast<size_t>(next)];
  if (hard) {
    a.x = px; a.y = py; a.hard = 1;
    b.x = px; b.y = py; b.hard = 1;
  } else {
    a.x = px + 20; a.y = py; a.hard = 0;
    b.x = px - 20; b.y = py; b.hard = 0;
  }
}

}  // namespace pw
