// The scene on the canvas (objects in order, shapes with their effects and linked runs) and the
// editing marks of the current object; the view and object coordinate systems.
#pragma once

#include <cstdint>
#include <functional>

#include "render/render_ctx.h"

namespace pw {

// resetTransform, then the zoom.
void applyViewTransform(RenderCtx& rc);
// Composes the object's scale, rotation and offset into the coordinate system in force.
void applyObjectTransform(RenderCtx& rc, int64_t i);
// False when the object's transform (with the view) is singular: such an object draws nothing
// and is never picked.
bool objectTransformUsable(const RenderCtx& rc, int64_t i);

// Called right after a shape's outline is built and before it is painted.
using HitTest = std::function<void(int64_t i, int64_t j)>;

// Asked before shape j of object i is drawn (once it has passed every visibility rule): false
// skips the shape.
using ShapeFilter = std::function<bool(int64_t i, int64_t j)>;

// The shape loop (only while DocumentState >= kDocumentHasContent).
void drawScene(RenderCtx& rc, const HitTest& hitTest, const ShapeFilter& filter = {});
// Anchors, centre marker and selection outlines of the current object of `rc.sel`; nothing
// without a selection.
void drawMarks(RenderCtx& rc);

}  // namespace pw
