// What the user has picked in the document: the current object, shape, point and effect, and the
// selected shapes and points. It is not part of the scene: a scene file does not hold it, though
// the undo history puts it back with each step and the JSON dump reports the current object and
// shape and which shapes are selected.
//
// The selected shapes are held by the shapes' runtime identities (Shape::id), not by their
// places. Shapes change places in many ways: the depth sort of "To top" and "To bottom", the
// shape list's moves, deletes, template inserts and pastes, objects reordered, deleted or merged,
// and every undo of these. A list of indices would have to follow each of them, and one missed
// would quietly select another shape; an identity goes along with its shape wherever it lands,
// and an undo that brings a shape back brings back its identity, which the selection stored
// with the step still names. An identity whose shape is gone matches nothing.
//
// A shape's selected points are held by index: they move only when points are added or
// removed, which the tools that do so tell the selection (pointErased, pointMoved).
//
// Both lists are sorted arrays: the history keeps a copy with every step, which is then one
// block copy, and a look-up is a binary search. "Select all" on the ten thousand shapes of an
// object merges one sorted run.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "core/shape_id.h"

namespace pw {

struct Shape;

struct Selection {
  int64_t object = 0;
  int64_t shape = 0;  // -1: none (an object left with its placeholder only)
  int64_t point = 0;  // -1: none
  int64_t fx = 0;
  std::vector<ShapeId> shapes;                      // the selected shapes, ascending
  std::vector<std::pair<ShapeId, int64_t>> points;  // (shape, point index), ascending
  bool operator==(const Selection&) const = default;

  bool isSelected(ShapeId s) const;
  void select(ShapeId s, bool on = true);
  // Every shape of `shapes` (an object's) selected, or none of them.
  void selectAll(const std::vector<Shape>& shapes, bool on);
  // The shapes `ids` selected, or not, at once.
  void select(const std::vector<ShapeId>& ids, bool on);

  bool isPointSelected(ShapeId s, int64_t k) const;
  void selectPoint(ShapeId s, int64_t k, bool on = true);
  // Points 0 ... count - 1 of shape s selected.
  void selectAllPoints(ShapeId s, int64_t count);
  void clearPoints(ShapeId s);
  // The selected points of shape s, ascending; and the same list given back.
  std::vector<int64_t> pointsOf(ShapeId s) const;
  void setPoints(ShapeId s, const std::vector<int64_t>& ks);
  // Point k of shape s was removed: the points after it are one place lower.
  void pointErased(ShapeId s, int64_t k);
  // Point `from` of shape s now sits at `to`, selected as it was; `from` is left unselected.
  void pointMoved(ShapeId s, int64_t from, int64_t to);
  // Shape s keeps only its first `count` points.
  void pointsTruncated(ShapeId s, int64_t count);
};

}  // namespace pw
