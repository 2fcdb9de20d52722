// What the drawing steps of one canvas refresh, export or playback picture share: the document,
// the options (background, marks, camera), the view and the open drawing layer. The steps only
// read the document.
#pragma once

#include "core/editor.h"
#include "core/view.h"
#include "render/vg.h"

namespace pw {

struct RenderCtx {
  RenderCtx(const Document& d, const sVdOptions& o, const View& v, VectorCanvas& c)
      : doc(d), options(o), view(v), vg(c) {}
  // The canvas of an editor: its own view.
  RenderCtx(const Editor& ed, VectorCanvas& c)
      : RenderCtx(ed.doc, ed.options, canvasView(ed.doc, ed.options, ed.pan), c) {}

  const Document& doc;
  const sVdOptions& options;
  const View view;
  VectorCanvas& vg;
};

}  // namespace pw
