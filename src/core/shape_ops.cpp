#include "core/shape_ops.h"

#include <algorithm>

namespace pw {

namespace {

void sortByDepth(std::vector<Shape>& shapes) {
  std::stable_sort(shapes.begin(), shapes.end(),
                   [](const Shape& a, const Shape& b) { return a.depth < b.depth; });
}

}  // namespace

bool anyObjectHasShapes(const Document& doc) {
  return std::any_of(doc.Objects.begin(), doc.Objects.end(),
                     [](const Object& o) { return o.hasShape > 0; });
}

bool deleteCurrentShape(Document& doc, Selection& sel) {
  Object* obj = currentObject(doc, sel);
  if (!obj || obj->hasShape <= 0) return false;
  const int64_t cur = sel.shape;
  if (cur < 0 || cur > lastIndex(obj->shapes)) return false;
  if (obj->shapes.size() > 1) {
    obj->shapes.erase(obj->shapes.begin() + cur);
    sel.shape = 0;
    return true;
  }
  // The slot that stays is a fresh placeholder: the deleted shape must not come back the next
  // time the object is drawn or saved.
  obj->shapes.assign(1, Shape{});
  obj->hasShape = 0;
  sel.shape = -1;
  sel.point = -1;
  // Other layers keep their shapes on the canvas: only a document with no shape left anywhere
  // goes back to the fresh state.
  if (!anyObjectHasShapes(doc)) doc.DocumentState = kDocumentFresh;
  return true;
}

bool deleteShapeStep(Editor& ed) {
  return ed.execute({"Delete the current shape", ChangeScope::wholeObject(ed.sel.object), 0,
                     [](Document& d, Selection& sel, ChangeScope&) {
                       return deleteCurrentShape(d, sel);
                     }});
}

bool shapeToBottom(Document& doc, Selection& sel) {
  Object* obj = currentObject(doc, sel);
  if (!obj) return false;
  const int64_t cur = sel.shape;
  if (cur <= 0 || cur > lastIndex(obj->shapes)) return false;
  obj->shapes[static_cast<size_t>(cur)].depth = -1;
  for (Shape& s : obj->shapes) ++s.depth;
  sel.shape = 0;
  sortByDepth(obj->shapes);
  return true;
}

bool shapeToTop(Document& doc, Selection& sel) {
  Object* obj = currentObject(doc, sel);
  if (!obj) return false;
  const int64_t cur = sel.shape;
  if (cur < 0 || cur >= lastIndex(obj->shapes)) return false;
  int64_t top = obj->shapes.front().depth;
  for (const Shape& s : obj->shapes) top = std::max(top, s.depth);
  obj->shapes[static_cast<size_t>(cur)].depth = top + 1;
  sel.shape = lastIndex(obj->shapes);
  sortByDepth(obj->shapes);
  return true;
}

bool shapeToOrigin(Shape& s) {
  if (s.points.empty()) return false;
  const int64_t x0 = s.points[0].x, y0 = s.points[0].y;
  for (size_t i = 1; i < s.points.size(); ++i) {
    s.points[i].x -= x0;
    s.points[i].y -= y0;
  }
  s.points[0].x = 0;
  s.points[0].y = 0;
  return true;
}

bool originToShape(Shape& s) {
  if (s.points.empty()) return false;
  const int64_t dx = s.points[0].x, dy = s.points[0].y;
  for (ShapePoint& p : s.points) {
    p.x -= dx;
    p.y -= dy;
  }
  s.x = toI16(s.x + dx);
  s.y = toI16(s.y + dy);
  return true;
}

}  // namespace pw
