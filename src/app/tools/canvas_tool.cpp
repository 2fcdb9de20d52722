#include "app/tools/canvas_tool.h"

#include <utility>
#include <vector>

#include "app/tools/editing_tool.h"
#include "app/tools/tool_units.h"

namespace pw {

namespace {

// Tool values no button chooses.
class InertTool final : public CanvasTool {
 public:
  void press(ToolContext& /*c*/, const ToolEvent& /*e*/) const override {}
};

// The current shape and the selected shapes of the current object: what an edit of a drag
// that adds no shape may have touched.
ChangeScope touchedShapes(const Document& doc, const Selection& sel) {
  const Object* o = currentObject(doc, sel);
  if (!o) return {};
  std::vector<int64_t> touched;
  if (sel.shape >= 0 && sel.shape <= lastIndex(o->shapes)) touched.push_back(sel.shape);
  for (int64_t j = 0; j <= lastIndex(o->shapes); ++j)
    if (j != sel.shape && sel.isSelected(o->shapes[static_cast<size_t>(j)].id))
      touched.push_back(j);
  return ChangeScope::shapesOf(sel.object, std::move(touched));
}

}  // namespace

Shape* ToolContext::editableShape() const {
  Object* o = currentObject(ed.doc, ed.sel);
  if (!o || o->hasShape == 0) return nullptr;
  return currentShape(ed.doc, ed.sel);
}

void ToolContext::noteChange(const std::string& name) {
  eventChanged_ = true;
  if (!changed_) changeName_ = name;
  changed_ = true;
}

void ToolContext::noteShapeAdded(const std::string& name) {
  // A new shape is what the drag did, whatever was noted before it.
  eventChanged_ = true;
  changeName_ = name;
  changed_ = true;
  shapeAdded_ = true;
}

bool ToolContext::takeChange(std::string& name, ChangeScope& scope) {
  if (!changed_) return false;
  name = std::move(changeName_);
  scope = shapeAdded_ ? ChangeScope::wholeObject(ed.sel.object) : touchedShapes(ed.doc, ed.sel);
  changeName_.clear();
  changed_ = false;
  shapeAdded_ = false;
  return true;
}

void CanvasTool::hold(Object& o, const Selection& sel, int64_t x, int64_t y,
                      bool /*fresh*/) const {
  for (Shape& s : o.shapes) {
    if (!sel.isSelected(s.id)) continue;
    for (ShapePoint& p : s.points) {
      p.dragX = subS(x, p.x);
      p.dragY = subS(y, p.y);
    }
  }
}

const CanvasTool& canvasTool(uint8_t tool) {
  static const InertTool inert;
  switch (tool) {
    case kToolMove: return moveTool();
    case kToolSelect: return selectTool();
    case kToolScale: return scaleTool();
    case kToolRotate: return rotateTool();
    case kToolReserved4: return pointPickTool();
    case kToolAddPoint: return addPointTool();
    case kToolReserved6: return inertEditingTool();
    case kToolDeletePoint: return deletePointTool();
    default: break;
  }
  if (tool >= kToolComplex && tool <= kToolText) return createTool(tool);
  return inert;
}

}  // namespace pw
