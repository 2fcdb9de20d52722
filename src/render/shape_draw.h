// One shape as vector geometry: its outline added to the current path, and its paint.
#pragma once

#include <cstdint>

#include "render/render_ctx.h"

namespace pw {

// Adds the outline of shape j of object i to the current path (an Image without repeat is drawn
// at once). Indices are assumed valid.
void buildShapePath(RenderCtx& rc, int64_t i, int64_t j);
// Sets the paint source (not for Image shapes) and paints the current path in the shape's style.
void paintShape(RenderCtx& rc, int64_t i, int64_t j);

// Shape alpha times object alpha, as painted: round(shapeAlpha * objectAlpha * 0.0039215).
int paintAlpha(int shapeAlpha, int objectAlpha);

}  // namespace pw
