// Edits of the current object's shapes that the menus and the panels share: deleting the current
// shape, moving it to the bottom or the top of the stack, and moving a shape's origin.
#pragma once

#include "core/editor.h"
#include "core/model.h"

namespace pw {

// Removes the current shape. The last shape of an object leaves an empty placeholder slot
// (current shape -1). Returns true when a shape was removed.
bool deleteCurrentShape(Document& doc, Selection& sel);
// The same as the step "Delete the current shape", for the menu and the shape panel alike.
bool deleteShapeStep(Editor& ed);

// The current shape goes first (bottom) or last (top) in the object's depth order; the others
// keep their order. The moved shape stays current. Returns true when the order changed.
bool shapeToBottom(Document& doc, Selection& sel);
bool shapeToTop(Document& doc, Selection& sel);

// Moves every point so that point 0 sits at (0, 0); the shape's position stays, so the drawing
// moves. Returns false for a shape without points.
bool shapeToOrigin(Shape& s);
// Moves point 0's offset into the shape's position, so the drawing stays where it is.
bool originToShape(Shape& s);

// True when some object of the document holds a shape of its own (not just the placeholder).
bool anyObjectHasShapes(const Document& doc);

}  // namespace pw
