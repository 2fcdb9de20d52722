// What a rotate or scale drag keeps of a shape when it starts.
#pragma once

#include "core/model.h"

namespace pw {

// Readies `s` for a rotate or scale drag: its points' positions at the start (dragX, dragY),
// which every step of the drag transforms, and the pivot (pivotX, pivotY) at the centre of
// their bounds, about which rotation turns (with the offset cx, cy).
void beginShapeTransform(Shape& s);

}  // namespace pw
