#include "render/pick.h"

#include <QImage>
#include <QSize>

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

Start pathStart(const Document& doc, const View& view, int64_t current) {
  const auto& objects = doc.Objects;
  for (int64_t i = current - 1; i >= 0; --i) {
    const Object& o = objects[static_cast<size_t>(i)];
    for (int64_t j = lastIndex(o.shapes); j >= 0; --j) {
      if (shapeDrawn(doc, view, i, j) && shapeClearsPath(o, j)) {
        return j < lastIndex(o.shapes) ? Start{i, j + 1} : Start{i + 1, 0};
      }
    }
  }
  return {};
}

}  // namespace

std::vector<PickEntry> pick(const Document& doc, const View& view, const Selection& sel,
                            ImageStore& store, double x, double y) {
  std::vector<PickEntry> found;
  const int64_t current = sel.object;
  const QSize canvas(view.width, view.height);
  if (doc.DocumentState < kDocumentHasContent || !currentObject(doc, sel) || canvas.isEmpty())
    return found;
  // Nothing is painted on it; its size is what the outlines are laid out for.
  QImage target(canvas, QImage::Format_ARGB32_Premultiplied);
  VectorCanvas vg(store);
  if (!vg.beginDrawing(target)) return found;
  VectorCanvas::PaintWatch skip;
  skip.allow = [] { return false; };
  vg.setPaintWatch(skip);
  // The shape loop reads no option: those only colour the background and the marks.
  static const sVdOptions kNoOptions{};
  RenderCtx rc(doc, kNoOptions, view, vg, &sel);
  const Start start = pathStart(doc, view, current);
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
