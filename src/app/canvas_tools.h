// The canvas tools: what a left press, a drag and the release do with the current tool, the
// Space (pan) and Shift (multi-select) keys, and point deletion.
//
// Life of a drag: press (LeftDown) -> any number of moves with the left button held (Move) ->
// release (LeftUp). Each handled press or move ends with a canvas refresh, whose click test
// settles the selection. A whole drag that changed the document is announced once, on release,
// through Editor::documentChanged.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/editor.h"

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

class CanvasTools {
 public:
  // refresh(x, y, mode) redraws the canvas; mode 1 runs the click test at (x, y), given in the
  // current object's user coordinates.
  using Refresh = std::function<void(int64_t x, int64_t y, int mode)>;
  CanvasTools(Editor& ed, Refresh refresh);

  void handle(const CanvasInput& in);

 private:
  Editor& ed_;
  Refresh refresh_;
  bool changed_ = false;      // the current drag has changed the document
  std::string changeName_;    // how that change is announced
};

// Removes point k of the current shape together with its two neighbours (wrapping around the
// point array); the shape always keeps at least one point. Does nothing without a current shape
// or when k is out of range. Returns true when points were removed.
bool deletePoint(Editor& ed, int64_t k);

}  // namespace pw
