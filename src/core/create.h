// Creating the pieces of a document with their defaults and names: a new or reset document, an
// object, a shape of each type, an effect, the template shapes of a complex shape, and the image
// of an image shape.
#pragma once

#include <cstdint>
#include <string>

#include "core/editor.h"

namespace pw {

// What newDocument does with the document: keeps it, replaces it by a fresh one, or inserts the
// shapes of the template file (TemplateFileName) into the current object.
enum NewDocumentKind : int {
  kKeepDocument = 0,
  kFreshDocument = 1,
  kInsertTemplate = 2,
};

// Starts the document anew as `kind` says. `quiet` leaves the template out of a
// kInsertTemplate; `refresh` redraws the canvas after the template was read.
void newDocument(Editor& ed, NewDocumentKind kind, bool quiet, bool refresh);
// Re-initialises (offset 0) or appends (offset 1) an object and makes it current; false when
// there is no such index.
bool appendObject(Document& doc, Selection& sel, int64_t offset);
// The same, then the lists, the panels and the canvas show it (not an undo step).
void addObject(Editor& ed, int64_t offset);
// The layer, shape and effect lists, the properties and the canvas show the document anew.
void refreshViews(Editor& ed);
// Creates a shape of the current creation tool (8 to 15) at scene position (x, y).
// Returns 1 when a shape was created.
int addShape(Editor& ed, int64_t x, int64_t y);
// Fills effect n of the current shape with its defaults (the caller has created it).
void addFx(Editor& ed, int64_t n);
// The values a creation tool gives a new shape of `type` before placing it: type, colour,
// alpha, stroke sizes, size, and the line style for lines and curves. Points are the caller's.
void applyShapeDefaults(Shape& s, uint8_t type);
// The values effect n of a shape starts with.
void applyFxDefaults(ShapeFx& f, int64_t n);
// Asks for a new image for the current shape.
void changeShapeImage(Editor& ed);
// Loads an image file for a shape, reporting a missing or unreadable file. Returns the handle or 0.
// id: image number, -1 for any.
int64_t loadImageFile(Editor& ed, int64_t id, const std::string& path);
void freeImageIfValid(Editor& ed, int64_t imageId);
// After undo or redo: shapes brought back may name a font or an image that was released when it
// was replaced. Those are loaded again from the shape's own font name and style or image file
// (quietly: a file that went away leaves the handle as it is). Returns how many were reloaded.
int reloadReleasedResources(Editor& ed);
// The report of an image file that is missing (or that an image shape does not name at all).
std::string missingImageText(const std::string& path);

// File-name part of a path with every "." + extension removed ("C:/pics/photo.png" -> "photo").
std::string imageShapeName(const std::string& path);

}  // namespace pw
