// Rotate: the current and the selected shapes turn about their centre (the middle of their
// points' bounds at the press, moved by cx, cy) by a tenth of a degree per unit of the mouse's
// horizontal travel.
#include <cmath>
#include <numbers>

#include "app/tools/editing_tool.h"
#include "app/tools/tool_units.h"
#include "core/shape_drag.h"

namespace pw {

namespace {

class RotateTool final : public EditingTool {
 public:
  // The shapes a press picks were not readied by the press, which knew only the shape current
  // before it: without their start positions the drag would turn stale ones.
  void hold(Object& o, const Selection& sel, int64_t x, int64_t /*y*/,
            bool fresh) const override {
    if (!fresh) return;
    for (Shape& s : o.shapes) {
      if (!sel.isSelected(s.id)) continue;
      beginShapeTransform(s);
      s.startX = toI16(x + s.dragAngle);
    }
  }

 protected:
  void pressShape(ToolContext& c, const ToolEvent& e, Shape& /*current*/) const override {
    forEachCurrentOrSelected(c.ed, [&e](Shape& s) {
      beginShapeTransform(s);
      s.startX = toI16(e.mx + s.dragAngle);
    });
  }

  void drag(ToolContext& c, const ToolEvent& e) const override {
    if (c.ed.tools.dragState != DragState::kShapes) return;
    const char* name = "Rotate shape";
    forEachDragged(c.ed, [&](Shape& s) {
      // The angle is the drag's memory, drawn nowhere: only a point that moves makes the drag
      // an edit.
      s.dragAngle = toI16(std::llround(static_cast<double>(e.mx - s.startX) * 0.1));
      const float rad = static_cast<float>(s.dragAngle) * std::numbers::pi_v<float> / 180.0f;
      const double cs = std::cos(rad), sn = std::sin(rad);
      const double px = static_cast<double>(s.pivotX) + s.cx;
      const double py = static_cast<double>(s.pivotY) + s.cy;
      for (ShapePoint& p : s.points) {
        const double dx = static_cast<double>(p.dragX) - px;
        const double dy = static_cast<double>(p.dragY) - py;
        c.store(p.x, std::llround(px + dx * cs - dy * sn), name);
        c.store(p.y, std::llround(py + dy * cs + dx * sn), name);
      }
    });
  }
};

}  // namespace

const CanvasTool& rotateTool() {
  static const RotateTool tool;
  return tool;
}

}  // namespace pw
