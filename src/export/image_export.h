// Saving the scene as a PNG image: mode 0 cuts to the drawn content, mode 1 to the camera.
#pragma once

#include <QImage>
#include <QRect>

#include "core/editor.h"
#include "render/image_store.h"

namespace pw {

// canvasW, canvasH: the canvas size in pixels. Returns true when a file was written.
bool exportImage(Editor& ed, ImageStore& store, int canvasW, int canvasH, int mode);

// The smallest rectangle holding every pixel whose alpha is above 0 (32-bit ARGB formats);
// an empty QRect when there is none.
QRect contentBounds(const QImage& img);

}  // namespace pw
