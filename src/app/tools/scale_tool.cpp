// Scale: the current and the selected shapes grow or shrink with the mouse's horizontal travel,
// by a factor of 1 + (travel / 100) about their first point; boxes, circles, images and texts
// also take the travel in both directions as their size.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/tools/editing_tool.h"
#include "app/tools/tool_units.h"
#include "core/shape_drag.h"

namespace pw {

namespace {

class ScaleTool final : public EditingTool {
 public:
  // At the press point the size is unchanged; it grows one unit per unit the mouse goes right.
  void grab(Shape& s, int64_t x, int64_t y) const override {
    s.startX = toI16(x - s.w);
    s.startY = toI16(y + s.h);
  }
  // The shapes a press picks were not readied by the press, which knew only the shape current
  // before it: their points are taken as they start.
  void hold(Object& o, const Selection& sel, int64_t /*x*/, int64_t /*y*/,
            bool fresh) const override {
    if (!fresh) return;
    for (Shape& s : o.shapes)
      if (sel.isSelected(s.id)) beginShapeTransform(s);
  }

 protected:
  void pressShape(ToolContext& c, const ToolEvent& e, Shape& /*current*/) const override {
    forEachCurrentOrSelected(c.ed, [&e](Shape& s) {
      beginShapeTransform(s);
      if (isSized(s.type)) {
        s.startX = toI16(e.mx + s.w);
        s.startY = toI16(e.my + s.h);
      } else {
        s.startX = toI16(std::llround(static_cast<double>(e.mx) + s.dragScale));
      }
    });
  }

  void drag(ToolContext& c, const ToolEvent& e) const override {
    if (c.ed.tools.dragState != DragState::kShapes) return;
    const char* name = "Scale shape";
    forEachDragged(c.ed, [&](Shape& s) {
      // The factor is the drag's memory, drawn nowhere: only a point or a size that moves makes
      // the drag an edit.
      const double scale = static_cast<double>(e.mx - s.startX) * 0.01;
      s.dragScale = scale;
      if (!s.points.empty()) {
        const double p0x = static_cast<double>(s.points[0].dragX);
        const double p0y = static_cast<double>(s.points[0].dragY);
        for (ShapePoint& p : s.points) {
          c.store(p.x, std::llround(static_cast<double>(p.dragX) * (scale + 1) - p0x * scale),
                  name);
          c.store(p.y, std::llround(static_cast<double>(p.dragY) * (scale + 1) - p0y * scale),
                  name);
        }
      }
      if (isSized(s.type)) {
        c.store(s.w, std::max<int64_t>(std::llabs(e.mx - s.startX), 1), name);
        c.store(s.h, std::max<int64_t>(std::llabs(e.my - s.startY), 1), name);
      }
    });
  }
};

}  // namespace

const CanvasTool& scaleTool() {
  static const ScaleTool tool;
  return tool;
}

}  // namespace pw
