// Operations on the objects (layers) as the layer list and the object menu use them. Each one
// changes only the document, as a command given to ed.execute when it makes a change; redrawing
// the layer list, the panels and the canvas is the caller's business.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/editor.h"

namespace pw {

// Rows of the layer list are this many pixels high; the eye column ends at x = 25.
inline constexpr int kLayerRowHeight = 25;
inline constexpr int kLayerEyeColumn = 25;
// Longest object name the rename keeps, and how much of a name the layer list shows.
inline constexpr size_t kObjectNameMax = 20;
inline constexpr size_t kLayerListNameShown = 12;

// The first n characters of a UTF-8 string (never cuts a multi-byte character in two).
std::string utf8Prefix(const std::string& s, size_t n);

// Object shown in row `row` of the layer list: the highest index in row 0, limited to the
// existing indices.
int64_t layerRowObject(const Document& doc, int64_t row);

// A left press on the layer list at (x, y): the current shape becomes 0; right of the eye column
// the row's object becomes current, on the eye column its hidden flag flips (announced as
// "Hide the object" or "Show the object"); exactly on the column's edge nothing else happens.
// Returns true when the document changed (not for a mere selection).
bool layerListPress(Editor& ed, int x, int y);

// Deletes the current object, moving the later ones down; the last remaining object is never
// deleted. Object 0 becomes current. Returns true (and announces "Delete the current object")
// when an object was removed.
bool deleteCurrentObject(Editor& ed);

// Exchanges the current object's depth with the next object's (up, dir > 0) or the previous
// one's (down, dir < 0) and re-sorts the objects by depth. The moved object stays current at its
// new index.
// Announces "Move the object up" / "Move the object down" when the order changed.
bool moveCurrentObject(Editor& ed, int dir);

// Adds a blank object at the end of the stack and makes it current ("Add a new object").
bool addNewObject(Editor& ed);

// Flips `hidden` of object `index`. False when the index does not exist.
bool toggleObjectHidden(Editor& ed, int64_t index);

// Names the current object `answer` cut to its first 20 characters; an empty answer leaves the
// name. Announces "Rename the object" when the name changed.
bool renameCurrentObject(Editor& ed, const std::string& answer);

// Asks for a new name ("New Name", "Set the name for this object", preset to the current name)
// and applies it as renameCurrentObject does. False when cancelled or nothing changed.
bool askRenameCurrentObject(Editor& ed);

// Sets `locked` of the current object (announced "Lock the object" / "Unlock the object").
bool setCurrentObjectLocked(Editor& ed, bool locked);

// Sets `alpha` of the current object, limited to 0 ... 255 (announced "Change the object alpha").
bool setCurrentObjectAlpha(Editor& ed, int64_t alpha);

}  // namespace pw
