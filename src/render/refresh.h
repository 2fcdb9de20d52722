// Full canvas refresh with the click selection.
#pragma once

#include <QImage>
#include <cstdint>

#include "core/editor.h"
#include "render/image_store.h"

namespace pw {

// The canvas: an ARGB32_Premultiplied image of the canvas size that the window shows.
struct CanvasSurface {
  QImage image;
  ImageStore& store;
};

// Redraws the whole canvas. mode 1 runs the click test at (x, y), given in the current object's
// user coordinates.
void refreshCanvas(Editor& ed, CanvasSurface& canvas, int64_t x, int64_t y, int mode);

// Sets `selected` of every shape of the current object.
void setAllShapesSelected(Editor& ed, uint8_t value);

}  // namespace pw
