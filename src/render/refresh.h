// Canvas refresh with the click selection.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>

#include "core/editor.h"
#include "render/image_store.h"
#include "render/scene_cache.h"

namespace pw {

// The canvas: an ARGB32_Premultiplied image of the canvas size that the window shows, and the
// picture of the scene that the refresh keeps between calls.
struct CanvasSurface {
  QImage image;
  ImageStore& store;
  SceneCache scene = {};
  // Horizontal bands a full redraw is split into, each drawn on its own thread; 0: one for each
  // worker the thread pool has. The pixels are the same whatever the number.
  int bands = 0;
};

// Brings the canvas up to date with the model: the pixels are always those of drawing everything
// again (background, shapes, marks, overlays), but only the shapes whose drawing changed since
// the last refresh are drawn again, with what they overlap. mode 1 runs the click test at
// (x, y), given in the current object's user coordinates, before anything is drawn.
void refreshCanvas(Editor& ed, CanvasSurface& canvas, int64_t x, int64_t y, int mode);

// Sets `selected` of every shape of the current object.
void setAllShapesSelected(Editor& ed, uint8_t value);

}  // namespace pw
