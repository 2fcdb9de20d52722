// Saving the scene as a PNG image, cut to the drawn content or to the camera.
#pragma once

#include <QImage>
#include <QRect>

#include "core/editor.h"
#include "render/image_store.h"

namespace pw {

// What the picture is cut to: the drawn content ("Export the object as image") or the camera
// rectangle ("Export Scene (image)").
enum ImageExportMode : int { kExportContent = 0, kExportCamera = 1 };

// canvasW, canvasH: the canvas size in pixels; mode: an ImageExportMode. Returns true when a file
// was written.
bool exportImage(Editor& ed, ImageStore& store, int canvasW, int canvasH, int mode);

// The smallest rectangle holding every pixel whose alpha is above 0 (32-bit ARGB formats);
// an empty QRect when there is none.
QRect contentBounds(const QImage& img);

}  // namespace pw
