#include "render/pick.h"

#include <QImage>

#include "render/shape_hash.h"
#include "render/render_ctx.h"
#include "render/scene_draw.h"

namespace pw {

namespace {

// The first shape, in drawing order, whose outline can still be in the path when the current
// object's first shape is drawn: everything after the last shape before that object whose
// drawing empties the path.
struct Start {
  int64_t object = 0, shape = 0;
};

Start pathStart(const Editor& ed) {
  const auto& objects = ed.doc.Objects;
  for (int64_t i = ed.sel.object - 1; i >= 0; --i) {
    const Object& o = objects[static_cast<size_t>(i)];
    for (int64_t j = lastIndex(o.shapes); j >= 0; --j) {
      if (shapeDrawn(ed, i, j) && shapeClearsPath(o, j)) {
        return j < lastIndex(o.shapes) ? Start{i, j + 1} : Start{i + 1, 0};
      }
    }
  }
  return {};
}

}  // namespace

std::vector<PickEntry> pickShapes(const Editor& ed, ImageStore& store, QSize canvas, double x,
                                  double y) {
  std::vector<PickEntry> found;
  const int64_t current = ed.sel.object;
  if (ed.doc.DocumentState < kDocumentHasContent || !currentObject(ed.doc, ed.sel) ||
      canvas.isEmpty())
    return found;
  // Nothing is painted on it; its size is what the outlines are laid out for.
  QImage target(canvas, QImage::Format_ARGB32_Premultiplied);
  VectorCanvas vg(store);
  if (!vg.beginDrawing(target)) return found;
  VectorCanvas::PaintWatch skip;
  skip.allow = [] { return false; };
  vg.setPaintWatch(skip);
  RenderCtx rc(ed, vg);
  const Start start = pathStart(ed);
  const HitTest test = [&](int64_t i, int64_t j) {
    if (i == current) found.push_back({j, vg.pathContains(x, y)});
  };
  drawScene(rc, test, [&](int64_t i, int64_t j) {
    if (i > current) return false;
    return i > start.object || (i == start.object && j >= start.shape);
  });
  vg.endDrawing();
  return found;
}

}  // namespace pw
