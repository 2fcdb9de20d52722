#include "render/refresh.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/shape_drag.h"
#include "render/background.h"
#include "render/draw_thread.h"
#include "render/pick.h"
#include "render/scene_draw.h"
#include "render/vg.h"

namespace pw {

namespace {

// The press's verdict on shape j of the current object: `inside` when the press lies in the path
// holding its outline as the scene draws it. A press picks only when no drag was under way as
// the refresh began (dragFree); a multi-select press that starts a drag on the first shape it
// meets still adds every later shape under the point.
void clickTest(Editor& ed, int64_t j, bool inside, int64_t x, int64_t y, bool dragFree) {
  ToolState& ts = ed.tools;
  const bool multi = ts.multiSelect != 0;
  // Looked up afresh after each call out to the panels.
  auto shape = [&ed, j]() -> Shape* {
    Object* o = currentObject(ed.doc);
    if (!o || j < 0 || j > lastIndex(o->shapes)) return nullptr;
    return &o->shapes[static_cast<size_t>(j)];
  };
  if (dragFree && inside) {
    if (!multi) {
      setAllShapesSelected(ed, 0);
      ts.shapeHit = -1;
      ed.doc.CurrentShape = j;
      ed.refreshProperties();
      Shape* s = shape();
      if (!s) return;
      if (ts.tool == kToolMove) {
        s->startX = toI16(x - s->x);
        s->startY = toI16(y - s->y);
      } else if (ts.tool == kToolScale) {
        s->startX = toI16(x - s->w);
        s->startY = toI16(y + s->h);
      }
    } else {
      ts.dragState = 2;
    }
    if (Shape* s = shape()) s->selected = 1;
  } else if (!multi) {
    if (Shape* s = shape()) s->selected = 0;
  }
}

// After the scene: a pick (or a shape drag in progress) takes hold and records the grab
// offsets of the selected shapes; with the Select tool, a refresh that picked nothing clears
// the selection.
void settleSelection(Editor& ed, int64_t x, int64_t y) {
  ToolState& ts = ed.tools;
  Document& doc = ed.doc;
  if (ts.shapeHit == -1 || ts.dragState == 2) {
    const bool picked = ts.shapeHit == -1;
    ts.shapeHit = 1;
    ts.dragState = 2;
    ed.refreshProperties();
    if (ts.tool == kToolScale || ts.tool == kToolRotate) {
      // A shape this press picked was not readied by the tool, which only knew the shape that
      // was current before: without its start positions the drag would turn stale ones.
      Object* o = currentObject(doc);
      if (!picked || !o) return;
      for (Shape& s : o->shapes) {
        if (s.selected != 1) continue;
        beginShapeTransform(s);
        if (ts.tool == kToolRotate) s.startX = toI16(x + s.dragAngle);
      }
      return;
    }
    Object* o = currentObject(doc);
    if (!o) return;
    for (Shape& s : o->shapes) {
      if (s.selected != 1) continue;
      if (ts.tool == kToolMove) {
        s.startX = toI16(x - s.x);
        s.startY = toI16(y - s.y);
      }
      for (ShapePoint& p : s.points) {
        p.dragX = x - p.x;
        p.dragY = y - p.y;
      }
    }
  } else if (ts.shapeHit == 0 && ts.tool == kToolSelect) {
    setAllShapesSelected(ed, 0);
  }
}

}  // namespace

void setAllShapesSelected(Editor& ed, uint8_t value) {
  Object* o = currentObject(ed.doc);
  if (!o) return;
  for (Shape& s : o->shapes) s.selected = value;
}

namespace {

// The press's click test, asked before the scene is drawn: the selection, the current shape and
// the grab offsets settle as the design's test during the drawing would leave them.
void applyPress(Editor& ed, CanvasSurface& canvas, int64_t x, int64_t y, int mode) {
  if (ed.doc.DocumentState < 1 || ed.tools.revertTool != 0) return;
  if (mode == 1 && currentObject(ed.doc) && ed.tools.shapeHit != 1) {
    const bool dragFree = ed.tools.dragState == 0;
    const std::vector<PickEntry> picks =
        pickShapes(ed, canvas.store, canvas.image.size(), static_cast<double>(x),
                   static_cast<double>(y));
    for (const PickEntry& e : picks) {
      // The panels the test calls out to may have shrunk the object meanwhile.
      const Object* o = currentObject(ed.doc);
      if (!o || e.shape > lastIndex(o->shapes)) break;
      clickTest(ed, e.shape, e.inside, x, y, dragFree);
    }
  }
  settleSelection(ed, x, y);
}

// Marks and overlays over the scene picture, on the whole canvas. Never drawn in bands, they keep
// the rasterizer's own thin and dashed lines, which are far faster than their outlines: the
// outlines of ten thousand selected shapes are drawn in a few milliseconds.
void drawMarksOver(const Editor& ed, QImage& image, ImageStore& store) {
  VectorCanvas vg(store);
  if (!vg.beginDrawing(image)) return;
  RenderCtx rc{ed, vg};
  vg.resetTransform();
  applyViewTransform(rc);
  drawMarks(rc);
  drawOverlays(rc);
  vg.endDrawing();
}

// Rows per band below which a picture is not split further.
constexpr int kMinBandRows = 64;

// How many bands a full redraw of this canvas takes.
int bandsFor(const CanvasSurface& canvas) {
  const int most = std::max(1, canvas.image.height() / kMinBandRows);
  const int wanted = canvas.bands > 0 ? canvas.bands : drawingPool().maxThreadCount();
  return std::clamp(wanted, 1, most);
}

}  // namespace

void refreshCanvas(Editor& ed, CanvasSurface& canvas, int64_t x, int64_t y, int mode) {
  // A canvas that cannot be drawn on keeps everything as it was, the selection included.
  if (canvas.image.isNull()) return;
  applyPress(ed, canvas, x, y, mode);
  // Only reads the editor from here on.
  const Editor& state = ed;
  drawOnWorker([&] {
    QImage& img = canvas.image;
    if (!canvas.scene.update(state, img, canvas.store, bandsFor(canvas))) return;
    std::memcpy(img.bits(), canvas.scene.picture().constBits(),
                static_cast<size_t>(img.sizeInBytes()));
    drawMarksOver(state, img, canvas.store);
  });
}

}  // namespace pw
