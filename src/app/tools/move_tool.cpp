// Move: a press on a point of the current shape drags that point (an anchor of a path takes its
// two controls along); a press on a shape picks it and drags it with the other selected shapes;
// an image or a text shape also moves when the press finds no point of it.
#include "app/tools/editing_tool.h"
#include "app/tools/tool_units.h"

namespace pw {

namespace {

class MoveTool final : public EditingTool {
 public:
  // The shape keeps the mouse's offset from its position.
  void grab(Shape& s, int64_t x, int64_t y) const override {
    s.startX = toI16(x - s.x);
    s.startY = toI16(y - s.y);
  }
  void hold(Object& o, const Selection& sel, int64_t x, int64_t y, bool fresh) const override {
    for (Shape& s : o.shapes)
      if (sel.isSelected(s.id)) grab(s, x, y);
    EditingTool::hold(o, sel, x, y, fresh);
  }

 protected:
  void imagePicked(ToolContext& c, const ToolEvent& e, Shape& image) const override {
    c.ed.tools.dragState = DragState::kShapes;
    grab(image, e.mx, e.my);
  }

  void pressShape(ToolContext& c, const ToolEvent& e, Shape& current) const override {
    const int64_t k = pickPoint(c, e);
    if (k >= 0) {
      beginPointDrag(c, k);
    } else if (k == kNoPoint && (current.type == kImage || current.type == kText)) {
      c.ed.tools.dragState = DragState::kShapes;
      grab(current, e.mx, e.my);
    }
  }

  void drag(ToolContext& c, const ToolEvent& e) const override {
    switch (c.ed.tools.dragState) {
      case DragState::kPoint:
        dragPoint(c, e.lx, e.ly);
        break;
      case DragState::kShapes:
        forEachDragged(c.ed, [&](Shape& s) {
          c.store(s.x, e.mx - s.startX, "Move shape");
          c.store(s.y, e.my - s.startY, "Move shape");
        });
        break;
      default:
        break;
    }
  }

 private:
  // Point k of the current shape follows the mouse from now on; a path's neighbours of k keep
  // where they were, and are selected too while Shift is held.
  static void beginPointDrag(ToolContext& c, int64_t k) {
    ToolState& ts = c.ed.tools;
    Shape& s = *c.editableShape();
    ts.dragState = DragState::kPoint;
    ShapePoint& q = pointAt(s, k);
    ts.pickedStartX = addS(q.x, s.x);
    ts.pickedStartY = addS(q.y, s.y);
    q.dragX = q.x;
    q.dragY = q.y;
    if (!isPath(s.type)) return;
    const int64_t last = lastIndex(s.points);
    ShapePoint& a = pointAt(s, prevIndex(k, last));
    ShapePoint& b = pointAt(s, nextIndex(k, last));
    ts.neighbourPrevX = addS(a.x, s.x);
    ts.neighbourPrevY = addS(a.y, s.y);
    ts.neighbourNextX = addS(b.x, s.x);
    ts.neighbourNextY = addS(b.y, s.y);
    for (const int64_t i : {prevIndex(k, last), nextIndex(k, last)}) {
      ShapePoint& n = pointAt(s, i);
      n.dragX = n.x;
      n.dragY = n.y;
      if (ts.multiSelect) c.ed.sel.selectPoint(s.id, i);
    }
  }

  static void dragPoint(ToolContext& c, int64_t lx, int64_t ly) {
    Shape& s = *c.editableShape();
    const int64_t k = c.ed.sel.point;
    const int64_t last = lastIndex(s.points);
    if (s.locked || k < 0 || k > last) return;
    const char* name = "Move point";
    if (!isPointShape(s.type)) {
      const Object* o = currentObject(c.ed.doc, c.ed.sel);
      ShapePoint& p = pointAt(s, k);
      c.store(p.x, subS(lx - s.x, o->x), name);
      c.store(p.y, subS(ly - s.y, o->y), name);
      c.ed.showPointPosition(p.x, p.y);
      return;
    }
    const bool anchor = isPath(s.type) && k % 3 == 0;
    const int64_t nbr[2] = {prevIndex(k, last), nextIndex(k, last)};
    if (!c.ed.tools.multiSelect) {
      ShapePoint& p = pointAt(s, k);
      c.store(p.x, lx - s.x, name);
      c.store(p.y, ly - s.y, name);
      c.ed.showPointPosition(p.x, p.y);
      if (anchor) {
        const int64_t dx = subS(p.x, p.dragX), dy = subS(p.y, p.dragY);
        for (int64_t i : nbr) {
          ShapePoint& n = pointAt(s, i);
          c.store(n.x, addS(n.dragX, dx), name);
          c.store(n.y, addS(n.dragY, dy), name);
        }
      }
      return;
    }
    // With Shift, every selected point keeps its offset from the mouse.
    auto follow = [&](ShapePoint& p) {
      c.store(p.x, addS(p.dragX, lx - s.startX), name);
      c.store(p.y, addS(p.dragY, ly - s.startY), name);
    };
    for (int64_t i = 0; i <= last; ++i) {
      if (!c.ed.sel.isPointSelected(s.id, i)) continue;
      ShapePoint& p = pointAt(s, i);
      follow(p);
      c.ed.showPointPosition(p.x, p.y);
    }
    if (anchor)
      for (int64_t i : nbr) follow(pointAt(s, i));
  }
};

}  // namespace

const CanvasTool& moveTool() {
  static const MoveTool tool;
  return tool;
}

}  // namespace pw
