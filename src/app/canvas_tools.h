// The canvas tools' dispatcher: turns the canvas's mouse and key events into tool events, pans
// the view while Space is held, follows Shift (multi-select), and hands each press, move and
// release to the unit of the current tool (tools/canvas_tool.h). After each handled press or
// move it runs the click selection (tools/click_select.h) and redraws the canvas. A whole drag
// that changed the document is announced once, on release, as one command given to
// Editor::execute.
//
// Life of a drag: press (LeftDown) -> any number of moves with the left button held (Move) ->
// release (LeftUp).
//
// Coordinates: the canvas reports device pixels (px, py). The scene mouse (MX, MY) is
// round((px - object x) / zoom factor), round((py - object y) / zoom factor) for the current
// object's offset; canvas-local (LX, LY) is the scene mouse minus the view origin. A point's
// canvas position is its x, y plus its shape's x, y.
#pragma once

#include <cstdint>
#include <functional>

#include "app/tools/canvas_tool.h"
#include "core/editor.h"
#include "render/refresh.h"

namespace pw {

// One mouse or key event of the canvas, already digested.
struct CanvasInput {
  enum Kind { kKeyDown, kKeyUp, kLeftDown, kMove, kLeftUp };
  Kind kind = kMove;
  double px = 0, py = 0;  // mouse position in device pixels of the canvas
  bool leftHeld = false;  // for kMove: the left button is down
  int key = 0;            // for key events: a Qt::Key value
  bool shift = false;     // the Shift modifier is down
};

// Scene mouse position of a canvas pixel, as the tools compute it.
struct SceneMouse {
  int64_t x = 0, y = 0;
};
SceneMouse sceneMouseOf(const Editor& ed, double px, double py);

class CanvasTools {
 public:
  // The tools draw on `canvas` (whose image the owner keeps at the canvas's size); `drawn` is
  // called after each refresh, to show the image.
  CanvasTools(Editor& ed, CanvasSurface& canvas, std::function<void()> drawn);

  void handle(const CanvasInput& in);

  // Brings the canvas up to date: the click selection at (x, y), in the current object's user
  // coordinates (with the click test when `clickTest`, as after a mouse event; without it the
  // selection only settles, as after any other change), then the drawing. A canvas that cannot
  // be drawn on keeps everything as it was, the selection included.
  void refresh(int64_t x, int64_t y, bool clickTest);

  // The unit of the current tool.
  const CanvasTool& current() const { return canvasTool(ed_.tools.tool); }

  // Called after a release has put back another tool (Move, after a creation), so that the tool
  // bar can show its button pressed.
  std::function<void()> onToolReset;

  // True while a press has not been released yet.
  bool dragging() const { return ed_.tools.dragStarted; }

 private:
  void pan(bool press, int64_t mx, int64_t my);
  void release();

  Editor& ed_;
  CanvasSurface& canvas_;
  std::function<void()> drawn_;
  ToolContext context_;
  bool panAnchored_ = false;  // the pan of this drag has its press position
};

}  // namespace pw
