#include "render/refresh.h"

#include <QSemaphore>
#include <QThreadPool>
#include <algorithm>
#include <vector>

#include "core/shape_drag.h"
#include "render/background.h"
#include "render/drag_cache.h"
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

// Background, scene, marks and overlays on `vg`, which is open for drawing; with `recording`,
// the drag cache records the picture as it is drawn on `canvas`.
void drawLayers(const Editor& ed, VectorCanvas& vg, DragCache* recording = nullptr,
                const QImage* canvas = nullptr) {
  vg.setOutlinedStrokes(true);
  RenderCtx rc{ed, vg};
  vg.resetTransform();
  drawBackground(rc);
  applyViewTransform(rc);
  if (ed.doc.DocumentState >= 1) {
    ShapeFilter record;
    if (recording) {
      record = recording->recorder(rc, *canvas);
      recording->attach(vg);
    }
    drawScene(rc, {}, record);
    if (recording) recording->sceneDrawn(vg);
  }
  if (recording) recording->marksBegin(vg);
  drawMarks(rc);
  if (recording) recording->marksEnd(vg);
  drawOverlays(rc);
}

// Rows per band below which a picture is not split further.
constexpr int kMinBandRows = 64;

// The canvas in horizontal bands drawn at once, each on its own thread with its own copy of the
// image store (whose caches are not shared between threads). Each band is drawn as the whole
// canvas would be, its rows written in place.
void drawInBands(const Editor& ed, CanvasSurface& canvas, int bands) {
  QImage& img = canvas.image;
  uchar* bits = img.bits();
  const int h = img.height();
  std::vector<ImageStore> stores(static_cast<size_t>(bands - 1), canvas.store);
  auto band = [&](int k) {
    // Its own image over the canvas's pixels: one painter per image at a time.
    QImage whole(bits, img.width(), h, img.bytesPerLine(), img.format());
    VectorCanvas vg(k == 0 ? canvas.store : stores[static_cast<size_t>(k - 1)]);
    if (!vg.beginDrawing(whole)) return;
    vg.setBand(h * k / bands, h * (k + 1) / bands);
    drawLayers(ed, vg);
    vg.endDrawing();
  };
  QThreadPool& pool = drawingPool();
  QSemaphore done;
  int started = 0;
  for (int k = 1; k < bands; ++k) {
    if (pool.tryStart([&band, &done, k] {
          band(k);
          done.release();
        })) {
      ++started;
    } else {
      band(k);
    }
  }
  band(0);
  done.acquire(started);
}

// How many bands a full redraw of this canvas takes.
int bandsFor(const CanvasSurface& canvas) {
  const int most = std::max(1, canvas.image.height() / kMinBandRows);
  const int wanted = canvas.bands > 0 ? canvas.bands : drawingPool().maxThreadCount();
  return std::clamp(wanted, 1, most);
}

// Draws everything; while a drag is under way the cache records what the next refreshes can
// start from. Only reads the editor: it runs on a worker.
void drawAll(Editor& ed, CanvasSurface& canvas, DragCache& cache) {
  // A background that is not opaque is laid on a clear canvas, so that the picture never depends
  // on what the canvas showed before.
  if (!canvas.image.isNull() && alphaOf(ed.options.BgColor) != 255) {
    canvas.image.fill(Qt::transparent);
  }
  const int bands = bandsFor(canvas);
  if (!cache.recording() && bands > 1) return drawInBands(ed, canvas, bands);
  VectorCanvas vg(canvas.store);
  if (!vg.beginDrawing(canvas.image)) return;
  drawLayers(ed, vg, cache.recording() ? &cache : nullptr, &canvas.image);
  vg.endDrawing();
}

void fullRefresh(Editor& ed, CanvasSurface& canvas, int64_t x, int64_t y, int mode,
                 DragCache& cache) {
  // A canvas that cannot be drawn on keeps everything as it was, the selection included.
  if (canvas.image.isNull()) return;
  // The cache decides what to record from the state before the press is applied.
  cache.beginFull(ed, canvas.image, canvas.store, mode);
  applyPress(ed, canvas, x, y, mode);
  drawOnWorker([&] { drawAll(ed, canvas, cache); });
  cache.endFull(ed, canvas.image, canvas.store);
}

}  // namespace

void DragCacheDeleter::operator()(DragCache* c) const { delete c; }

void refreshCanvas(Editor& ed, CanvasSurface& canvas, int64_t x, int64_t y, int mode) {
  if (!canvas.cache) canvas.cache.reset(new DragCache);
  DragCache& cache = *canvas.cache;
  if (cache.prepare(ed, canvas.image, canvas.store, mode)) {
    cache.applyClickTest(ed);
    if (ed.tools.revertTool == 0) settleSelection(ed, x, y);
    bool drawn = false;
    drawOnWorker([&] { drawn = cache.redraw(ed, canvas.image, canvas.store); });
    if (drawn) return;
  }
  fullRefresh(ed, canvas, x, y, mode, cache);
}

}  // namespace pw
