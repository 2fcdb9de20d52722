#include "render/refresh.h"

#include <QPainter>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "render/background.h"
#include "render/draw_thread.h"
#include "render/scene_draw.h"
#include "render/vg.h"

namespace pw {

namespace {

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
  const int wanted = canvas.bands > 0 ? canvas.bands : drawingCores();
  return std::clamp(wanted, 1, most);
}

// The old picture moved and scaled to the present view over a fresh background, and the marks
// of the present view: what the canvas shows until the sharp picture is ready.
void drawPreview(const Editor& ed, CanvasSurface& canvas, const QTransform& move) {
  QImage& img = canvas.image;
  VectorCanvas vg(canvas.store);
  if (!vg.beginDrawing(img)) return;
  RenderCtx rc{ed, vg};
  vg.resetTransform();
  drawBackground(rc);
  vg.endDrawing();
  QPainter p(&img);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.setRenderHint(QPainter::SmoothPixmapTransform, move.type() > QTransform::TxTranslate);
  p.setTransform(move);
  p.drawImage(QPointF(0, 0), canvas.scene.picture());
  p.end();
  drawMarksOver(ed, img, canvas.store);
}

}  // namespace

// A sharp picture drawn in the background from a copy of what it shows.
struct SharpDraw {
  SharpDraw(const Editor& ed, ImageStore& s, const PictureLayout& l, int b)
      : doc(ed.doc), options(ed.options), view(canvasView(ed.sel, ed.options, ed.pan)), store(s),
        layout(l), bands(b) {}
  Document doc;
  sVdOptions options;
  View view;
  ImageStore store;
  PictureLayout layout;
  int bands;
  SceneCache cache;
  std::function<void()> ready;
  std::atomic<bool> cancel{false};
  std::mutex m;
  std::condition_variable cv;
  bool finished = false;

  void run() {
    cache.update(doc, options, view, layout, store, bands, &cancel);
    if (!cancel) ready();
    std::lock_guard<std::mutex> lock(m);
    finished = true;
    cv.notify_all();
  }
  bool done() {
    std::lock_guard<std::mutex> lock(m);
    return finished;
  }
  void wait() {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [this] { return finished; });
  }
};

namespace {

void cancelSharp(CanvasSurface& canvas) {
  if (!canvas.sharp) return;
  canvas.sharp->cancel = true;
  canvas.sharp.reset();
}

// A finished sharp picture becomes the canvas's when it shows the present scene, in the present
// view or, during a zoom or pan that went on meanwhile, in one the next preview can start from.
void adoptSharp(const Editor& ed, const View& view, CanvasSurface& canvas,
                const PictureLayout& layout) {
  if (!canvas.sharp || !canvas.sharp->done()) return;
  std::shared_ptr<SharpDraw> job = std::move(canvas.sharp);
  if (job->cancel) return;
  QTransform move;
  if (job->cache.drawnIn(view, layout) ||
      job->cache.otherView(ed.doc, ed.options, view, layout, canvas.store, move)) {
    std::swap(canvas.scene, job->cache);
    // Drawn from the document as it was when the job started.
    canvas.touched.all = true;
  }
}

// One sharp picture at a time: while one is drawn, the view may move on; the next starts from
// the view of the moment it is done.
void startSharp(const Editor& ed, CanvasSurface& canvas, const PictureLayout& layout) {
  if (canvas.sharp && !canvas.sharp->done()) return;
  cancelSharp(canvas);
  // On every core: the drawing threads keep one more for the refreshes that cannot wait.
  auto job = std::make_shared<SharpDraw>(ed, canvas.store, layout, bandsFor(canvas));
  job->ready = canvas.sharpReady;
  canvas.sharp = job;
  drawingPool().start([job] { job->run(); });
}

}  // namespace

namespace {

// The shapes a gesture or a panel changes in place, without a change being told until it ends:
// the current shape and the selected ones, now and at the last refresh (a press readies the
// shapes selected before it, in whatever object becomes current, then may select others).
void touchLiveShapes(const Document& doc, const Selection& sel, CanvasSurface& canvas) {
  TouchedShapes& t = canvas.touched;
  std::vector<std::pair<int64_t, int64_t>>& live = canvas.lastLive;
  if (!t.all) t.shapes.insert(t.shapes.end(), live.begin(), live.end());
  live.clear();
  live.emplace_back(sel.object, sel.shape);
  for (size_t i = 0; i < doc.Objects.size() && !sel.shapes.empty(); ++i) {
    const auto& shapes = doc.Objects[i].shapes;
    for (size_t j = 0; j < shapes.size(); ++j) {
      if (sel.isSelected(shapes[j].id)) live.emplace_back(i, j);
    }
  }
  if (!t.all) t.shapes.insert(t.shapes.end(), live.begin(), live.end());
}

}  // namespace

CanvasSurface::~CanvasSurface() {
  if (!sharp) return;
  sharp->cancel = true;
  sharp->wait();
}

void waitForSharp(CanvasSurface& canvas) {
  if (canvas.sharp) canvas.sharp->wait();
}

void drawCanvas(const Editor& state, CanvasSurface& canvas) {
  if (canvas.image.isNull()) return;
  const PictureLayout layout = PictureLayout::of(canvas.image);
  const View view = canvasView(state.sel, state.options, state.pan);
  adoptSharp(state, view, canvas, layout);
  const TouchedShapes* touched = nullptr;
  if (canvas.tracksChanges) {
    touchLiveShapes(state.doc, state.sel, canvas);
    touched = &canvas.touched;
  }
  QTransform move;
  if (canvas.sharpReady && canvas.scene.otherView(state.doc, state.options, view, layout,
                                                  canvas.store, move, touched)) {
    drawOnWorker([&] { drawPreview(state, canvas, move); });
    canvas.previewShown = true;
    startSharp(state, canvas, layout);
    return;
  }
  cancelSharp(canvas);
  canvas.previewShown = false;
  drawOnWorker([&] {
    QImage& img = canvas.image;
    if (!canvas.scene.update(state.doc, state.options, view, layout, canvas.store,
                             bandsFor(canvas), nullptr, touched))
      return;
    if (touched) canvas.touched.clear();
    std::memcpy(img.bits(), canvas.scene.picture().constBits(),
                static_cast<size_t>(img.sizeInBytes()));
    drawMarksOver(state, img, canvas.store);
  });
}

}  // namespace pw
