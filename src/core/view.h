// How a drawing looks at the document: the scale, the pan and the camera, and which shapes it
// shows. The canvas builds one from the window's state; an export or a playback step builds its
// own, so nothing has to borrow the live view and put it back.
#pragma once

#include <cstdint>

#include "core/model.h"
#include "core/selection.h"
#include "settings/options.h"

namespace pw {

struct View {
  double zoom = 1;                  // output pixels per scene unit
  double shiftX = 0, shiftY = 0;    // output offset of the scene's corner (the camera's, negated)
  double originX = 0, originY = 0;  // the pan: added to every shape's place, under the objects'
                                    // own scale and rotation
  bool objectTransforms = true;     // objects drawn with their scale, rotation and offset
  int64_t onlyShape = -1;           // >= 0: in every object, only the shape of this index
  int width = 0, height = 0;        // output size in pixels, when the drawing needs to know it
};

// The pan of the canvas: where the document's origin lies, in scene units. It belongs to the
// window, not to the document: it is neither saved nor undone.
struct Pan {
  int16_t x = 0, y = 0;
  bool operator==(const Pan&) const = default;
};

// The canvas: the window's zoom and pan, and "Show only selected" (the selection's current shape).
inline View canvasView(const Selection& sel, const sVdOptions& o, const Pan& pan) {
  View v;
  v.zoom = static_cast<double>(o.Zoom) * 0.01;
  v.originX = pan.x;
  v.originY = pan.y;
  if (o.ShowOnlySel != 0) v.onlyShape = sel.shape < 0 ? INT64_MAX : sel.shape;
  return v;
}

// The camera at one unit per pixel, its corner at the image's: animation frames and playback.
inline View cameraView(const sVdOptions& o) {
  View v;
  v.shiftX = -static_cast<double>(o.CameraX);
  v.shiftY = -static_cast<double>(o.CameraY);
  return v;
}

}  // namespace pw
