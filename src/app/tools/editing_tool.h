// What the editing tools (Move, Select, Scale, Rotate, Add point, Delete point and the reserved
// values 4 and 6) share, and the helpers every tool file uses.
//
// An editing tool acts on the current shape. A press without one picks an image shape by its
// press rectangle; every other shape waits for the click test that follows the press
// (click_select.h). Moves act only while a shape is current, with the canvas-local and the scene
// mouse snapped to the grid step when Snap is on.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>

#include "app/tools/canvas_tool.h"

namespace pw {

class EditingTool : public CanvasTool {
 public:
  void press(ToolContext& c, const ToolEvent& e) const final;
  void move(ToolContext& c, const ToolEvent& e) const final;

 protected:
  // A press with a current shape.
  virtual void pressShape(ToolContext& /*c*/, const ToolEvent& /*e*/, Shape& /*current*/) const {}
  // A press without a current shape picked `image` by its press rectangle: it is current,
  // selected, and the press holds it.
  virtual void imagePicked(ToolContext& /*c*/, const ToolEvent& /*e*/, Shape& /*image*/) const {}
  // A move with a current shape; e is snapped.
  virtual void drag(ToolContext& /*c*/, const ToolEvent& /*e*/) const {}
};

// Point coordinates come from scene files and may hold any 64-bit value: sums saturate.
inline int64_t addS(int64_t a, int64_t b) {
  int64_t r;
  if (!__builtin_add_overflow(a, b, &r)) return r;
  return b > 0 ? INT64_MAX : INT64_MIN;
}
inline int64_t subS(int64_t a, int64_t b) {
  int64_t r;
  if (!__builtin_sub_overflow(a, b, &r)) return r;
  return b < 0 ? INT64_MAX : INT64_MIN;
}

inline bool isPath(uint8_t type) { return type == kComplex || type == kCurve; }
inline bool isPointShape(uint8_t type) { return isPath(type) || type == kLine; }
// Shapes sized by w and h rather than by their points.
inline bool isSized(uint8_t type) {
  return type == kBox || type == kRoundBox || type == kCircle || type == kImage || type == kText;
}

// In a path, the point before k and the point after it, wrapping around the last index.
inline int64_t prevIndex(int64_t k, int64_t last) { return k == 0 ? last : k - 1; }
inline int64_t nextIndex(int64_t k, int64_t last) { return k >= last ? 0 : k + 1; }
inline ShapePoint& pointAt(Shape& s, int64_t i) { return s.points[static_cast<size_t>(i)]; }

// Every shape of the current object that is current or selected.
void forEachCurrentOrSelected(Editor& ed, const std::function<void(Shape&)>& fn);
// ... of those, every one that is not locked: what a shape drag moves.
void forEachDragged(Editor& ed, const std::function<void(Shape&)>& fn);

// The point picking of the Move, Select and Delete point tools (and of value 4), on the
// current shape. Without Shift the point selection starts over; with it, the selected points
// keep their place in dragX, dragY. The first point within reach of the press becomes current
// and selected, the panels show it, and the shape keeps the canvas-local press in startX,
// startY. Returns that point's index; kNoPoint when none is within reach, kPointGone when the
// panels' refresh took it away.
inline constexpr int64_t kNoPoint = -1, kPointGone = -2;
int64_t pickPoint(ToolContext& c, const ToolEvent& e);

// Removes point k of the current shape together with its two neighbours (wrapping around the
// point array); the shape always keeps at least one point, so a shape of one point loses nothing
// and a shape of two or three points keeps one of k's neighbours. Does nothing without a current
// shape or when k is out of range. Neither redraws nor announces: the caller does. Returns true
// when points were removed. The Delete point tool and the points menu use it.
bool deletePoint(Editor& ed, int64_t k);

}  // namespace pw
