// Add point: a press adds a point to the current path or line. A path gains three points before
// its end point: a control, the new anchor at the press and another control; a line gains the
// press position itself, not made relative to the shape's position.
#include "app/tools/editing_tool.h"
#include "app/tools/tool_units.h"

namespace pw {

namespace {

constexpr int64_t kControlOffset = 20;  // controls of an added path point, each side

class AddPointTool final : public EditingTool {
 protected:
  void pressShape(ToolContext& c, const ToolEvent& e, Shape& s) const override {
    if (isPath(s.type)) {
      if (s.points.empty()) return;
      const int64_t n = lastIndex(s.points);
      const ShapePoint lastPoint = pointAt(s, n);
      s.points.resize(static_cast<size_t>(n + 4));
      const int64_t px = e.lx - s.x, py = e.ly - s.y;
      const int64_t xs[3] = {px - kControlOffset, px, px + kControlOffset};
      for (int64_t j = 0; j < 3; ++j) {
        ShapePoint p;
        p.x = xs[j];
        p.y = py;
        pointAt(s, n + j) = p;
      }
      pointAt(s, n + 3) = lastPoint;
      // The end point moved on with its selection; the three new points are not selected.
      Selection& sel = c.ed.sel;
      sel.selectPoint(s.id, n + 1, false);
      sel.selectPoint(s.id, n + 2, false);
      sel.pointMoved(s.id, n, n + 3);
    } else if (s.type == kLine) {
      ShapePoint p;
      p.x = e.lx;
      p.y = e.ly;
      s.points.push_back(p);
      c.ed.sel.selectPoint(s.id, lastIndex(s.points), false);
    } else {
      return;
    }
    c.ed.tools.dragState = DragState::kPointAdded;
    c.noteChange("Add point");
  }
};

}  // namespace

const CanvasTool& addPointTool() {
  static const AddPointTool tool;
  return tool;
}

}  // namespace pw
