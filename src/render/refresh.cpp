#include "render/refresh.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include "core/shape_drag.h"
#include "render/background.h"
#include "render/drag_cache.h"
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

// Runs a drawing job on a worker of Qt's thread pool and waits for it. Drawing from the GUI
// thread, Qt's raster engine hands every large span fill to those workers and waits for them,
// which on a small machine costs more than it saves; from a worker it fills inline. The pixels
// are the same. Runs the job here when no worker is free.
template <class Job>
void drawOnWorker(Job&& job) {
  QThreadPool* pool = QThreadPool::globalInstance();
  if (pool->contains(QThread::currentThread())) {
    job();
    return;
  }
  QSemaphore done;
  const bool started = pool->tryStart([&job, &done] {
    job();
    done.release();
  });
  if (!started) {
    job();
    return;
  }
  done.acquire();
}

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

// Draws everything; while a drag is under way the cache records what the next refreshes can
// start from. Only reads the editor: it runs on a worker.
void drawAll(Editor& ed, CanvasSurface& canvas, DragCache& cache) {
  // A background that is not opaque is laid on a clear canvas, so that the picture never depends
  // on what the canvas showed before.
  if (!canvas.image.isNull() && alphaOf(ed.options.BgColor) != 255) {
    canvas.image.fill(Qt::transparent);
  }
  VectorCanvas vg(canvas.store);
  if (!vg.beginDrawing(canvas.image)) return;
  RenderCtx rc{ed, vg};
  vg.resetTransform();
  drawBackground(rc);
  applyViewTransform(rc);

  const bool recording = cache.recording();
  if (ed.doc.DocumentState >= 1) {
    ShapeFilter record;
    if (recording) {
      record = cache.recorder(rc, canvas.image);
      cache.attach(vg);
    }
    drawScene(rc, {}, record);
    if (recording) cache.sceneDrawn(vg);
  }

  if (recording) cache.marksBegin(vg);
  drawMarks(rc);
  if (recording) cache.marksEnd(vg);
  drawOverlays(rc);
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
