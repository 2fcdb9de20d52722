// What the drawing steps of one canvas refresh, export or playback picture share: the document,
// the options (background, marks, camera), the view, the selection whose marks are drawn (none
// for an export or playback picture) and the open drawing layer. The steps only read the
// document and the selection.
#pragma once

#include "core/editor.h"
#include "core/view.h"
#include "render/vg.h"

namespace pw {

struct RenderCtx {
  RenderCtx(const Document& d, const sVdOptions& o, const View& v, VectorCanvas& c,
            const Selection* s = nullptr)
      : doc(d), options(o), view(v), vg(c), sel(s) {}
  // The canvas of an editor: its own view and selection.
  RenderCtx(const Editor& ed, VectorCanvas& c)
      : RenderCtx(ed.doc, ed.options, canvasView(ed.sel, ed.options, ed.pan), c, &ed.sel) {}

  const Document& doc;
  const sVdOptions& options;
  const View view;
  VectorCanvas& vg;
  const Selection* sel;  // nullptr: no marks
};

}  // namespace pw
