// Select: a press picks a point of the current shape, or, through the click test, the shapes
// under it; a refresh in which nothing is picked clears the selection. Value 4, which no button
// chooses, picks points alone.
#include "app/tools/click_select.h"
#include "app/tools/editing_tool.h"
#include "app/tools/tool_units.h"

namespace pw {

namespace {

class PointPickTool : public EditingTool {
 protected:
  void pressShape(ToolContext& c, const ToolEvent& e, Shape& /*current*/) const override {
    pickPoint(c, e);
  }
};

class SelectTool final : public PointPickTool {
 public:
  void pickedNothing(Editor& ed) const override { setAllShapesSelected(ed, false); }
};

}  // namespace

const CanvasTool& selectTool() {
  static const SelectTool tool;
  return tool;
}

const CanvasTool& pointPickTool() {
  static const PointPickTool tool;
  return tool;
}

}  // namespace pw
