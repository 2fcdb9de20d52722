// The creation tools: Complex, Box, Rounded box, Circle, Line, Curve, Image and Text. A press
// creates a shape of the tool's type at the canvas-local press position (addShape, which also
// asks for an image file or inserts the template of a complex shape) and makes it current; the
// drag that follows shapes it after a rule of its type, from its anchor (startX, startY); the
// release puts the tool back to Move. The rounded box tool creates nothing.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "app/tools/editing_tool.h"
#include "app/tools/tool_units.h"
#include "core/create.h"

namespace pw {

namespace {

// How a creation drag shapes the new shape.
enum class Sizing : uint8_t {
  kKeep,      // nothing changes
  kSigned,    // w, h = mouse - anchor; negative values stay
  kAbsolute,  // w, h = |mouse - anchor|, each at least 1
  kText,      // w = |mouse - anchor| at least 1, h = |mouse - anchor|
  kEndPoint,  // the creation point follows the mouse
  kCurveEnd,  // the creation point and the two after it, 5 units apart, follow the mouse
};

// One row a shape type, in type order (the tool value minus kToolComplex).
struct Creation {
  const char* name;  // the undo step is "Create " + name
  bool creates;
  Sizing sizing;
  int64_t creationPointBack;  // the creation point: the last point index minus this
};

constexpr std::array<Creation, 8> kCreations = {{
    {"Complex", true, Sizing::kKeep, 0},
    {"Box", true, Sizing::kSigned, 0},
    {"RoundBox", false, Sizing::kSigned, 0},
    {"Circle", true, Sizing::kAbsolute, 0},
    {"Line", true, Sizing::kEndPoint, 0},
    {"Curve", true, Sizing::kCurveEnd, 2},
    {"Image", true, Sizing::kKeep, 0},
    {"Text", true, Sizing::kText, 0},
}};

// The row of a shape type; a complex shape's template may hold shapes of any type, and a type
// past the table is kept as it is.
const Creation* creationOf(uint8_t type) {
  return type < kCreations.size() ? &kCreations[type] : nullptr;
}

int16_t atLeastOne(int64_t v) { return toI16(std::max<int64_t>(std::llabs(v), 1)); }

class CreateTool final : public CanvasTool {
 public:
  explicit CreateTool(uint8_t type) : row_(kCreations[type]) {}

  void press(ToolContext& c, const ToolEvent& e) const override {
    ToolState& ts = c.ed.tools;
    // A cancelled image dialog or a missing template creates nothing and leaves the tool chosen.
    if (!row_.creates || addShape(c.ed, e.lx, e.ly) != 1) return;
    const Shape* s = currentShape(c.ed.doc, c.ed.sel);
    if (!s) return;
    const Creation* made = creationOf(s->type);
    ts.creationPoint = lastIndex(s->points) - (made ? made->creationPointBack : 0);
    ts.revertTool = true;
    c.noteShapeAdded(std::string("Create ") + row_.name);
  }

  // The current shape is the one the press created (or, for a complex shape, the template's
  // last); its own type decides.
  void move(ToolContext& c, const ToolEvent& e) const override {
    Shape* s = c.editableShape();
    if (!s || !c.ed.tools.revertTool) return;
    const Creation* made = creationOf(s->type);
    const int64_t ci = c.ed.tools.creationPoint;
    const int64_t last = lastIndex(s->points);
    switch (made ? made->sizing : Sizing::kKeep) {
      case Sizing::kKeep:
        break;
      case Sizing::kSigned:
        s->w = toI16(e.lx - s->startX);
        s->h = toI16(e.ly - s->startY);
        break;
      case Sizing::kAbsolute:
        s->w = atLeastOne(e.lx - s->startX);
        s->h = atLeastOne(e.ly - s->startY);
        break;
      case Sizing::kText:
        s->w = atLeastOne(e.lx - s->startX);
        s->h = toI16(std::llabs(e.ly - s->startY));
        break;
      case Sizing::kEndPoint:
        if (ci >= 0 && ci <= last) {
          pointAt(*s, ci).x = e.lx;
          pointAt(*s, ci).y = e.ly;
        }
        break;
      case Sizing::kCurveEnd:
        for (int64_t j = 0; j < 3; ++j) {
          if (ci + j < 0 || ci + j > last) continue;
          pointAt(*s, ci + j).x = e.lx + 5 * j - 5;
          pointAt(*s, ci + j).y = e.ly + 5 * j - 5;
        }
        break;
    }
    c.noteRedraw();
  }

  void release(ToolContext& c) const override {
    ToolState& ts = c.ed.tools;
    if (!ts.revertTool) return;
    ts.revertTool = false;
    ts.tool = kToolMove;
  }

 private:
  const Creation& row_;
};

}  // namespace

const CanvasTool& createTool(uint8_t tool) {
  static const std::array<CreateTool, 8> tools = {
      CreateTool(kComplex), CreateTool(kBox),   CreateTool(kRoundBox), CreateTool(kCircle),
      CreateTool(kLine),    CreateTool(kCurve), CreateTool(kImage),    CreateTool(kText)};
  return tools[static_cast<size_t>(tool - kToolComplex) % tools.size()];
}

}  // namespace pw
