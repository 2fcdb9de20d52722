// The canvas tools: what a left press, a drag and the release do with the current tool, the
// Space (pan) and Shift (multi-select) keys, and point deletion.
//
// Life of a drag: press (LeftDown) -> any number of moves with the left button held (Move) ->
// release (LeftUp). Each handled press or move ends with a canvas refresh, whose click test
// settles the selection. A whole drag that changed the document is announced once, on release,
// as one command given to Editor::execute.
//
// Coordinates: the canvas reports device pixels (px, py). The scene mouse (MX, MY) is
// round((px - object x) / zoom factor), round((py - object y) / zoom factor) for the current
// object's offset; canvas-local (LX, LY) is the scene mouse minus the view origin. A point's
// canvas position is its x, y plus its shape's x, y.
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

// Scene mouse position of a canvas pixel, as the tools compute it.
struct SceneMouse {
  int64_t x = 0, y = 0;
};
SceneMouse sceneMouseOf(const Editor& ed, double px, double py);

class CanvasTools {
 public:
  // refresh(x, y, mode) redraws the canvas; mode 1 runs the click test at (x, y), given in the
  // current object's user coordinates.
  using Refresh = std::function<void(int64_t x, int64_t y, int mode)>;
  CanvasTools(Editor& ed, Refresh refresh);

  void handle(const CanvasInput& in);

  // Called after a release has put the tool back to Move (after a creation), so that the tool
  // bar can show the Move button pressed.
  std::function<void()> onToolReset;

  // True while a press has not been released yet.
  bool dragging() const { return ed_.tools.dragStarted != 0; }

 private:
  void keyDown(const CanvasInput& in);
  void keyUp(const CanvasInput& in);
  void pan(bool press, int64_t mx, int64_t my);
  void press(int64_t mx, int64_t my, int64_t lx, int64_t ly);
  void pressEditing(int64_t mx, int64_t my, int64_t lx, int64_t ly);
  void pressImagePick(int64_t mx, int64_t my, int64_t lx, int64_t ly);
  void pressAddPoint(int64_t lx, int64_t ly);
  void pressTransform(int64_t mx, int64_t my);
  void pressPointPick(int64_t mx, int64_t my, int64_t lx, int64_t ly);
  void pressCreate(int64_t lx, int64_t ly);
  void drag(int64_t mx, int64_t my, int64_t lx, int64_t ly);
  void dragPoint(int64_t lx, int64_t ly);
  void dragShapes(int64_t mx, int64_t my);
  void dragCreation(int64_t lx, int64_t ly);
  void release();

  // The current shape when the current object really holds shapes (an empty object's
  // placeholder is not one); nullptr otherwise.
  Shape* editableShape();
  // Records that the current drag changed the document; the first name given is announced.
  void noteChange(const char* name);
  // Stores v into a field, noting a change when the value differs.
  template <class T>
  void store(T& field, int64_t v, const char* name);

  Editor& ed_;
  Refresh refresh_;
  bool changed_ = false;       // the current drag has changed the document
  std::string changeName_;     // how that change is announced
  bool eventChanged_ = false;  // the event being handled changed something
  bool panAnchored_ = false;   // the pan of this drag has its press position
};

// Removes point k of the current shape together with its two neighbours (wrapping around the
// point array); the shape always keeps at least one point, so a shape of one point loses nothing
// and a shape of two or three points keeps one of k's neighbours. Does nothing without a current
// shape or when k is out of range. Neither redraws nor announces: the caller does. Returns true
// when points were removed.
bool deletePoint(Editor& ed, int64_t k);

}  // namespace pw
