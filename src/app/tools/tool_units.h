// The tool units canvasTool() hands out (canvas_tool.cpp), each defined in the file named.
#pragma once

#include <cstdint>

#include "app/tools/canvas_tool.h"

namespace pw {

const CanvasTool& moveTool();         // move_tool.cpp
const CanvasTool& selectTool();       // select_tool.cpp
const CanvasTool& pointPickTool();    // select_tool.cpp: value 4
const CanvasTool& scaleTool();        // scale_tool.cpp
const CanvasTool& rotateTool();       // rotate_tool.cpp
const CanvasTool& addPointTool();     // add_point_tool.cpp
const CanvasTool& inertEditingTool(); // editing_tool.cpp: value 6
const CanvasTool& deletePointTool();  // delete_point_tool.cpp
// create_tool.cpp: the creation tools, kToolComplex to kToolText.
const CanvasTool& createTool(uint8_t tool);

}  // namespace pw
