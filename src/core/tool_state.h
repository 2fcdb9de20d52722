// The current canvas tool and the interaction state the canvas tools keep between mouse events.
#pragma once

#include <cstdint>

namespace pw {

enum Tool : uint8_t {
  kToolMove = 0,
  kToolSelect = 1,
  kToolScale = 2,
  kToolRotate = 3,
  kToolAddPoint = 5,
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

struct ToolState {
  uint8_t tool = kToolMove;
  uint8_t dragState = 0;     // 0 none, 1 point drag, 2 shape drag, 3 a point was just added
  uint8_t dragStarted = 0;   // 1 from the first press until release
  int8_t shapeHit = 0;       // 1 picked by a press, -1 picked during this refresh, 0 none
  uint8_t revertTool = 0;    // 2 after a press that created a shape
  uint8_t panMode = 0;       // 1 while Space is held
  uint8_t multiSelect = 0;   // 1 while Shift is held
  int64_t pressX = 0, pressY = 0;
  int64_t creationPoint = 0;
  int64_t pickedStartX = 0, pickedStartY = 0;
  int64_t neighbourPrevX = 0, neighbourPrevY = 0, neighbourNextX = 0, neighbourNextY = 0;
  int64_t sceneMouseX = 0, sceneMouseY = 0;
};

}  // namespace pw
