#include "core/model.h"

namespace pw {

namespace {
template <class T>
bool inRange(int64_t i, const std::vector<T>& v) {
  return i >= 0 && i <= lastIndex(v);
}
}  // namespace

Object* currentObject(Document& doc) {
  return inRange(doc.CurrentObject, doc.Objects) ? &doc.Objects[static_cast<size_t>(doc.CurrentObject)]
                                                 : nullptr;
}

const Object* currentObject(const Document& doc) {
  return inRange(doc.CurrentObject, doc.Objects) ? &doc.Objects[static_cast<size_t>(doc.CurrentObject)]
                                                 : nullptr;
}

Shape* currentShape(Document& doc) {
  Object* o = currentObject(doc);
  if (!o || !inRange(doc.CurrentShape, o->shapes)) return nullptr;
  return &o->shapes[static_cast<size_t>(doc.CurrentShape)];
}

const Shape* currentShape(const Document& doc) {
  const Object* o = currentObject(doc);
  if (!o || !inRange(doc.CurrentShape, o->shapes)) return nullptr;
  return &o->shapes[static_cast<size_t>(doc.CurrentShape)];
}

ShapePoint* currentPoint(Document& doc) {
  Shape* s = currentShape(doc);
  if (!s || !inRange(doc.CurrentPoint, s->points)) return nullptr;
  return &s->points[static_cast<size_t>(doc.CurrentPoint)];
}

ShapeFx* currentFx(Document& doc) {
  Shape* s = currentShape(doc);
  if (!s || !inRange(doc.CurrentFx, s->fx)) return nullptr;
  return &s->fx[static_cast<size_t>(doc.CurrentFx)];
}

void setPointKind(Document& doc, bool hard) {
  Shape* s = currentShape(doc);
  if (!s || !currentPoint(doc)) return;
  const int64_t last = lastIndex(s->points);
  const int64_t i = doc.CurrentPoint;
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
