// Shape effects: copies of a shape's outline, offset and scaled, painted behind or in front of it.
#pragma once

#include <cstdint>

#include "render/render_ctx.h"

namespace pw {

// Draws every active effect of shape j of object i whose depth equals `depth`, in index order.
void drawFxAtDepth(RenderCtx& rc, int64_t i, int64_t j, int depth);
void drawShapeFx(RenderCtx& rc, int64_t i, int64_t j, int64_t k);

}  // namespace pw
