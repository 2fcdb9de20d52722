#include "app/tools/editing_tool.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "app/tools/tool_units.h"

namespace pw {

namespace {

constexpr int64_t kPickSquare = 3;       // half side of the point-picking square
constexpr int64_t kPickDistanceSq = 36;  // squared pick distance (6 units)

bool pointHit(int64_t lx, int64_t ly, int64_t cx, int64_t cy) {
  const int64_t dx = subS(lx, cx), dy = subS(ly, cy);
  // Far-off points are rejected before squaring (and before llabs could meet INT64_MIN).
  if (dx < -6 || dx > 6 || dy < -6 || dy > 6) return false;
  if (std::llabs(dx) <= kPickSquare && std::llabs(dy) <= kPickSquare) return true;
  return dx * dx + dy * dy <= kPickDistanceSq;
}

// Integer division truncating toward zero, times the step; steps below 1 count as 1.
int64_t snapTo(int64_t v, int64_t step) {
  step = std::max<int64_t>(step, 1);
  return v / step * step;
}

// Image shapes are picked by their press rectangle, (x, y) to (x + lineW, y + lineH) borders
// included: the first one, from index 0.
Shape* pickImage(Editor& ed, const ToolEvent& e) {
  Object* o = currentObject(ed.doc, ed.sel);
  if (!o || o->hasShape == 0) return nullptr;
  for (int64_t j = 0; j <= lastIndex(o->shapes); ++j) {
    Shape& s = o->shapes[static_cast<size_t>(j)];
    if (s.type != kImage) continue;
    if (e.lx < s.x || e.lx > s.x + s.lineW || e.ly < s.y || e.ly > s.y + s.lineH) continue;
    ed.sel.shape = j;
    ed.sel.select(s.id);
    ed.tools.shapeHit = true;
    return &s;
  }
  return nullptr;
}

// Value 6: an editing tool that does nothing with the current shape.
class InertEditingTool final : public EditingTool {};

}  // namespace

void EditingTool::press(ToolContext& c, const ToolEvent& e) const {
  if (Shape* s = c.editableShape()) {
    pressShape(c, e, *s);
  } else if (Shape* image = pickImage(c.ed, e)) {
    imagePicked(c, e, *image);
  }
}

void EditingTool::move(ToolContext& c, const ToolEvent& e) const {
  if (!c.editableShape()) return;
  ToolEvent at = e;
  const sVdOptions& o = c.ed.options;
  if (o.Snap == 1) {
    at.lx = snapTo(e.lx, o.SnapX);
    at.ly = snapTo(e.ly, o.SnapY);
    at.mx = snapTo(e.mx, o.SnapX);
    at.my = snapTo(e.my, o.SnapY);
  }
  drag(c, at);
}

void forEachCurrentOrSelected(Editor& ed, const std::function<void(Shape&)>& fn) {
  Object* o = currentObject(ed.doc, ed.sel);
  if (!o) return;
  for (int64_t j = 0; j <= lastIndex(o->shapes); ++j) {
    Shape& s = o->shapes[static_cast<size_t>(j)];
    if (j == ed.sel.shape || ed.sel.isSelected(s.id)) fn(s);
  }
}

void forEachDragged(Editor& ed, const std::function<void(Shape&)>& fn) {
  forEachCurrentOrSelected(ed, [&fn](Shape& s) {
    if (!s.locked) fn(s);
  });
}

int64_t pickPoint(ToolContext& c, const ToolEvent& e) {
  Shape* s = c.editableShape();
  if (!s) return kNoPoint;
  Selection& sel = c.ed.sel;
  if (!c.ed.tools.multiSelect) {
    sel.point = -1;
    sel.clearPoints(s->id);
  } else {
    for (const int64_t k : sel.pointsOf(s->id)) {
      if (k > lastIndex(s->points)) continue;
      ShapePoint& p = pointAt(*s, k);
      p.dragX = p.x;
      p.dragY = p.y;
    }
  }
  for (int64_t k = 0; k <= lastIndex(s->points); ++k) {
    ShapePoint& p = pointAt(*s, k);
    if (!pointHit(e.lx, e.ly, addS(p.x, s->x), addS(p.y, s->y))) continue;
    sel.point = k;
    sel.selectPoint(s->id, k);
    c.ed.refreshProperties();
    s = c.editableShape();
    if (!s || k > lastIndex(s->points)) return kPointGone;
    s->startX = toI16(e.lx);
    s->startY = toI16(e.ly);
    return k;
  }
  return kNoPoint;
}

bool deletePoint(Editor& ed, int64_t k) {
  Shape* s = currentShape(ed.doc, ed.sel);
  if (!s || k < 0 || k > lastIndex(s->points)) return false;
  const int64_t last = lastIndex(s->points);
  // The point goes first, then its neighbours, as long as more than one point is left.
  std::vector<int64_t> doomed;
  for (int64_t i : {k, prevIndex(k, last), nextIndex(k, last)}) {
    if (std::find(doomed.begin(), doomed.end(), i) != doomed.end()) continue;
    if (static_cast<int64_t>(s->points.size() - doomed.size()) <= 1) break;
    doomed.push_back(i);
  }
  if (doomed.empty()) return false;
  std::sort(doomed.begin(), doomed.end(), std::greater<>());
  for (int64_t i : doomed) {
    s->points.erase(s->points.begin() + static_cast<std::ptrdiff_t>(i));
    ed.sel.pointErased(s->id, i);
  }
  return true;
}

const CanvasTool& inertEditingTool() {
  static const InertEditingTool tool;
  return tool;
}

}  // namespace pw
