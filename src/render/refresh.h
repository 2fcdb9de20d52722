// Canvas refresh with the click selection.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>

#include "core/editor.h"
#include "render/image_store.h"

namespace pw {

class DragCache;
struct DragCacheDeleter {
  void operator()(DragCache* c) const;
};

// The canvas: an ARGB32_Premultiplied image of the canvas size that the window shows, and what
// the refresh keeps between calls to redraw drags quickly (made by the first refresh).
struct CanvasSurface {
  QImage image;
  ImageStore& store;
  std::unique_ptr<DragCache, DragCacheDeleter> cache = nullptr;
  // Horizontal bands a full redraw is split into, each drawn on its own thread; 0: one for each
  // worker the thread pool has. The pixels are the same whatever the number.
  int bands = 0;
};

// Brings the canvas up to date with the model: the pixels are always those of drawing everything
// again (background, shapes, marks, overlays). During a drag, when that can be shown to change
// only the pixels around the moving shapes, only those are drawn again. mode 1 runs the click
// test at (x, y), given in the current object's user coordinates.
void refreshCanvas(Editor& ed, CanvasSurface& canvas, int64_t x, int64_t y, int mode);

// Sets `selected` of every shape of the current object.
void setAllShapesSelected(Editor& ed, uint8_t value);

}  // namespace pw
