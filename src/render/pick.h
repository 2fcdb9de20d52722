// The canvas's click test as a query: which shapes of the current object a press falls in, asked
// before anything is drawn. It walks the scene as the drawing does, building outlines without
// painting them, so that its answers are the drawing's own: a linked or custom-style outline that
// waits to be painted counts for the shapes after it, as it does in the picture.
#pragma once

#include <QSize>
#include <cstdint>
#include <vector>

#include "core/editor.h"
#include "render/image_store.h"

namespace pw {

struct PickEntry {
  int64_t shape = 0;    // index in the current object
  bool inside = false;  // the press lies in the path that holds the shape's outline
  bool operator==(const PickEntry&) const = default;
};

// Every shape of the current object that the canvas draws, in drawing order, with whether
// (x, y), in the current object's user coordinates, lies inside the path holding its outline
// (even-odd). `canvas`: the canvas size, which bounds how far long texts are laid out.
std::vector<PickEntry> pickShapes(const Editor& ed, ImageStore& store, QSize canvas, double x,
                                  double y);

}  // namespace pw
