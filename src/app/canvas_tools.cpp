#include "app/canvas_tools.h"

#include <QtCore/qnamespace.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "app/tools/click_select.h"

namespace pw {

SceneMouse sceneMouseOf(const Editor& ed, double px, double py) {
  double zoom = static_cast<double>(ed.options.Zoom) * 0.01;
  if (!(zoom > 0) || !std::isfinite(zoom)) zoom = 1;
  double ox = 0, oy = 0;
  if (const Object* o = currentObject(ed.doc, ed.sel)) {
    ox = static_cast<double>(o->x);
    oy = static_cast<double>(o->y);
  }
  // The canvas draws an object at zoom × (point + offset): the inverse is pixel / zoom − offset,
  // so a press lands on what is drawn under it at every zoom.
  auto conv = [zoom](double v, double offset) {
    const double r = std::round(v / zoom - offset);
    // Keeps absurd zoom and offset values inside the integer range.
    return static_cast<int64_t>(std::clamp(r, -9.0e15, 9.0e15));
  };
  return {conv(px, ox), conv(py, oy)};
}

CanvasTools::CanvasTools(Editor& ed, CanvasSurface& canvas, std::function<void()> drawn)
    : ed_(ed), canvas_(canvas), drawn_(std::move(drawn)), context_(ed) {}

void CanvasTools::handle(const CanvasInput& in) {
  ToolState& ts = ed_.tools;
  switch (in.kind) {
    case CanvasInput::kKeyDown:
      if (in.shift || in.key == Qt::Key_Shift) ts.multiSelect = true;
      if (in.key == Qt::Key_Space) ts.panMode = true;
      return;
    case CanvasInput::kKeyUp:
      if (in.key == Qt::Key_Space) ts.panMode = false;
      if (in.key == Qt::Key_Shift) ts.multiSelect = false;
      return;
    case CanvasInput::kLeftUp:
      release();
      return;
    case CanvasInput::kMove:
      if (!in.leftHeld) return;
      break;
    case CanvasInput::kLeftDown:
      // Shift held at the press counts as held, even when its key went to another control.
      if (in.shift) ts.multiSelect = true;
      break;
  }
  const bool isPress = in.kind == CanvasInput::kLeftDown;
  const SceneMouse m = sceneMouseOf(ed_, in.px, in.py);
  ts.sceneMouseX = m.x;
  ts.sceneMouseY = m.y;
  const ToolEvent e{m.x, m.y, m.x - ed_.pan.x, m.y - ed_.pan.y};
  context_.beginEvent();

  if (ts.panMode) {
    pan(isPress, m.x, m.y);
  } else if (isPress) {
    if (!ts.dragStarted) {
      ts.dragStarted = true;
      ts.dragState = DragState::kNone;
      panAnchored_ = false;
      current().press(context_, e);
    }
  } else {
    current().move(context_, e);
  }
  if (ts.dragState != DragState::kNone || ts.dragStarted || context_.eventChanged())
    refresh(m.x, m.y, true);
}

void CanvasTools::refresh(int64_t x, int64_t y, bool clickTest) {
  if (!canvas_.image.isNull()) {
    if (clickTest) {
      clickSelect(ed_, current(), canvas_.store, canvas_.image.size(), x, y);
    } else {
      settleSelection(ed_, current(), x, y);
    }
    drawCanvas(ed_, canvas_);
  }
  if (drawn_) drawn_();
}

// The view follows the mouse: the origin keeps the offset it had to the mouse at the press.
void CanvasTools::pan(bool isPress, int64_t mx, int64_t my) {
  ToolState& ts = ed_.tools;
  Pan& view = ed_.pan;
  if (isPress && !ts.dragStarted) {
    ts.dragStarted = true;
    panAnchored_ = false;
  }
  // Space pressed in the middle of a drag takes its anchor at the first panning move, so the
  // view does not jump.
  if (!panAnchored_) {
    ts.pressX = mx - view.x;
    ts.pressY = my - view.y;
    panAnchored_ = true;
  }
  view.x = toI16(mx - ts.pressX);
  view.y = toI16(my - ts.pressY);
}

void CanvasTools::release() {
  ToolState& ts = ed_.tools;
  ts.dragState = DragState::kNone;
  ts.shapeHit = false;
  ts.dragStarted = false;
  panAnchored_ = false;
  const uint8_t tool = ts.tool;
  current().release(context_);
  if (ts.tool != tool && onToolReset) onToolReset();
  std::string name;
  ChangeScope scope;
  // The drag has changed the document as it went: the step only announces it.
  if (context_.takeChange(name, scope)) ed_.execute({name, scope, 0, nullptr});
}

}  // namespace pw
