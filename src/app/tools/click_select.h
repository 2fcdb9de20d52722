// The canvas's click selection. After every press and move the tools handle, before the canvas
// is drawn, the mouse position is tested against the shapes of the current object (the pick
// query, render/pick.h): with Shift up the last shape under the mouse becomes current and
// selected and every other shape of the object is deselected; with Shift held every shape under
// it is added to the selection and the press holds them. Then the selection settles: a pick, or
// a shape drag under way, takes hold (the shapes will follow the mouse) and the tool readies the
// selected shapes; with nothing picked, the Select tool clears the selection. A redraw asked for
// by anything but the mouse settles the selection without the test.
//
// Nothing is tested while a press holds a shape (so a drag keeps the shape it started with) or
// right after a press that created one, and nothing of the selection changes before the
// document holds shapes.
#pragma once

#include <QSize>
#include <cstdint>

#include "app/tools/canvas_tool.h"
#include "core/editor.h"
#include "render/image_store.h"

namespace pw {

// The click test at (x, y), in the current object's user coordinates, on a canvas of `canvas`
// pixels, then the settling; `tool` is the current tool's unit.
void clickSelect(Editor& ed, const CanvasTool& tool, ImageStore& store, QSize canvas, int64_t x,
                 int64_t y);
// The settling alone, with the mouse at (x, y).
void settleSelection(Editor& ed, const CanvasTool& tool, int64_t x, int64_t y);

// Selects every shape of the current object, or none of them.
void setAllShapesSelected(Editor& ed, bool selected);

}  // namespace pw
