// The current canvas tool and the interaction state the canvas tools keep between mouse events.
// None of it is saved: the settings file keeps only the snap and offset choices of the tool bar
// (sVdOptions).
#pragma once

#include <cstdint>

namespace pw {

enum Tool : uint8_t {
  kToolMove = 0,
  kToolSelect = 1,
  kToolScale = 2,
  kToolRotate = 3,
  kToolReserved4 = 4,  // no button; a stored 4 picks points alone
  kToolAddPoint = 5,
  kToolReserved6 = 6,  // no button; does nothing on the canvas
  kToolDeletePoint = 7,
  kToolComplex = 8,
  kToolBox = 9,
  kToolRoundBox = 10,
  kToolCircle = 11,
  kToolLine = 12,
  kToolCurve = 13,
  kToolImage = 14,
  kToolText = 15,
};

// What the drag under way does with the mouse.
enum class DragState : uint8_t {
  kNone = 0,
  kPoint = 1,       // the current point of the current shape follows the mouse
  kShapes = 2,      // the current and the selected shapes of the current object follow it
  kPointAdded = 3,  // the press added a point; the moves do nothing
};

struct ToolState {
  uint8_t tool = kToolMove;
  DragState dragState = DragState::kNone;
  bool dragStarted = false;  // from the first press until release
  bool shapeHit = false;     // a press (or the click test after it) picked a shape; until release
  bool revertTool = false;   // the press created a shape: the release goes back to Move
  bool panMode = false;      // while Space is held
  bool multiSelect = false;  // while Shift is held (and after "Select All")
  int64_t pressX = 0, pressY = 0;
  int64_t creationPoint = 0;
  int64_t pickedStartX = 0, pickedStartY = 0;
  int64_t neighbourPrevX = 0, neighbourPrevY = 0, neighbourNextX = 0, neighbourNextY = 0;
  int64_t sceneMouseX = 0, sceneMouseY = 0;
};

}  // namespace pw
