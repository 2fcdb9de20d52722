// What the drawing steps of one canvas refresh or export share: the editor (document, options,
// tool state) and the open drawing layer.
#pragma once

#include "core/editor.h"
#include "render/vg.h"

namespace pw {

struct RenderCtx {
  Editor& ed;
  VectorCanvas& vg;
};

}  // namespace pw
