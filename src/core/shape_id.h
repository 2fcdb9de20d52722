// A shape's identity while the program runs. It is never saved, dumped or drawn: it only lets the
// selection name a shape wherever the shape moves to (a depth sort, a list move, an object
// reorder, an undo).
#pragma once

#include <cstdint>

namespace pw {

enum class ShapeId : uint64_t {};

// An identity no shape has had before in this run. Every new shape record takes one; a copy of a
// record keeps its original's (the history's copies are the same shape), so a shape copied into
// the document as a new one (a paste) is given a fresh one.
ShapeId newShapeId();

}  // namespace pw
