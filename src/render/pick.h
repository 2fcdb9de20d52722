// The canvas's click test as a query: which shapes of the current object a press falls in, asked
// before anything is drawn. It walks the scene as the drawing does, building outlines without
// painting them, so that its answers are the drawing's own: a linked or custom-style outline that
// waits to be painted counts for the shapes after it, as it does in the picture.
#pragma once

#include <cstdint>
#include <vector>

#include "core/model.h"
#include "core/selection.h"
#include "core/view.h"
#include "render/image_store.h"

namespace pw {

struct PickEntry {
  int64_t shape = 0;    // index in the current object
  bool inside = false;  // the press lies in the path that holds the shape's outline
  bool operator==(const PickEntry&) const = default;
};

// Every shape of the selection's current object that `view` draws, in drawing order, with
// whether (x, y), in that object's user coordinates, lies inside the path holding its outline
// (even-odd). The view's size (the canvas's) bounds how far long texts are laid out; a view
// without one picks nothing.
std::vector<PickEntry> pick(const Document& doc, const View& view, const Selection& sel,
                            ImageStore& store, double x, double y);

}  // namespace pw
