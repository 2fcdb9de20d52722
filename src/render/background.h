// Background (colour, checker) under the scene; grid, camera border and camera veil over it.
#pragma once

#include "render/render_ctx.h"

namespace pw {

void drawBackground(RenderCtx& rc);
void drawOverlays(RenderCtx& rc);

}  // namespace pw
