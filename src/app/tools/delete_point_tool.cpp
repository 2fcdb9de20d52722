// Delete point: a press on a point of the current shape removes it with its two neighbours.
#include "app/tools/editing_tool.h"
#include "app/tools/tool_units.h"

namespace pw {

namespace {

class DeletePointTool final : public EditingTool {
 protected:
  void pressShape(ToolContext& c, const ToolEvent& e, Shape& /*current*/) const override {
    const int64_t k = pickPoint(c, e);
    if (k >= 0 && deletePoint(c.ed, k)) c.noteChange("Delete point");
  }
};

}  // namespace

const CanvasTool& deletePointTool() {
  static const DeletePointTool tool;
  return tool;
}

}  // namespace pw
