#include "render/drag_cache.h"

#include <algorithm>
#include <cstring>

#include "render/background.h"
#include "render/drag_state.h"
#include "render/image_store.h"
#include "render/refresh.h"
#include "render/vg.h"

namespace pw {

namespace {

// Copies the pixels of r (inside both images, same size and format) from src to dst.
void copyRect(const QImage& src, QImage& dst, const QRect& r) {
  if (r.isEmpty()) return;
  const qsizetype bpl = dst.bytesPerLine();
  uchar* out = dst.bits();
  const uchar* in = src.constBits();
  const size_t offset = static_cast<size_t>(r.x()) * 4;
  const size_t bytes = static_cast<size_t>(r.width()) * 4;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    std::memcpy(out + y * bpl + offset, in + y * src.bytesPerLine() + offset, bytes);
  }
}

VectorCanvas::PaintWatch watching(QRect* bounds, bool measureOnly,
                                  std::vector<QRect>* ops = nullptr) {
  VectorCanvas::PaintWatch w;
  w.bounds = bounds;
  w.measureOnly = measureOnly;
  w.ops = ops;
  return w;
}

bool sameLayout(const QImage& a, const QImage& b) {
  return a.size() == b.size() && a.format() == b.format() && a.bytesPerLine() == b.bytesPerLine();
}

// Qt's blending takes different paths for pixels at different memory alignments; pictures that
// are to match pixel for pixel are drawn at the same alignment.
bool sameAlignment(const QImage& a, const QImage& b) {
  return reinterpret_cast<uintptr_t>(a.constBits()) % 64 ==
         reinterpret_cast<uintptr_t>(b.constBits()) % 64;
}

}  // namespace

// A picture drawn on in place of the canvas: same layout and memory alignment.
bool DragCache::alignLike(QImage& img, std::unique_ptr<uchar[]>& mem, const QImage& canvas) {
  if (sameLayout(img, canvas) && sameAlignment(img, canvas)) return true;
  img = QImage();
  const size_t bytes = static_cast<size_t>(canvas.sizeInBytes());
  mem = std::make_unique<uchar[]>(bytes + 64);
  const uintptr_t want = reinterpret_cast<uintptr_t>(canvas.constBits()) % 64;
  const uintptr_t have = reinterpret_cast<uintptr_t>(mem.get()) % 64;
  uchar* at = mem.get() + (want + 64 - have) % 64;
  img = QImage(at, canvas.width(), canvas.height(), canvas.bytesPerLine(), canvas.format());
  return sameLayout(img, canvas) && sameAlignment(img, canvas);
}


// --- Selection rules of the refresh ----------------------------------------------------------

bool DragCache::freePress(const Editor& ed, int mode) const {
  const ToolState& ts = ed.tools;
  const bool testing = ts.revertTool == 0 && mode == 1 && currentObject(ed.doc);
  return testing && ts.shapeHit != 1 && ts.dragState == 0;
}

std::vector<char> DragCache::movingAfter(const Editor& ed, int mode) const {
  const Object* o = currentObject(ed.doc);
  if (!o) return {};
  const ToolState& ts = ed.tools;
  const int64_t oi = ed.doc.CurrentObject;
  std::vector<char> sel(o->shapes.size(), 0);
  for (size_t j = 0; j < sel.size(); ++j) sel[j] = o->shapes[j].selected == 1 ? 1 : 0;
  // During a drag the click test only clears the selection of every shape it passes.
  if (ts.revertTool == 0 && mode == 1 && ts.shapeHit != 1 && ts.multiSelect == 0) {
    for (size_t j = 0; j < sel.size(); ++j) {
      if (shapeDrawn(ed, oi, static_cast<int64_t>(j))) sel[j] = 0;
    }
  }
  // The Select tool drops the selection after a refresh that picked nothing.
  if (ts.revertTool == 0 && !(ts.shapeHit == -1 || ts.dragState == 2) && ts.shapeHit == 0 &&
      ts.tool == kToolSelect) {
    sel.assign(sel.size(), 0);
  }
  const int64_t cs = ed.doc.CurrentShape;
  if (cs >= 0 && cs <= lastIndex(o->shapes)) sel[static_cast<size_t>(cs)] = 1;
  return sel;
}

void DragCache::applyClickTest(Editor& ed) const {
  if (!clearsSelection_) return;
  Object* o = currentObject(ed.doc);
  if (!o) return;
  for (size_t j = 0; j < o->shapes.size(); ++j) {
    if (shapeDrawn(ed, ed.doc.CurrentObject, static_cast<int64_t>(j))) o->shapes[j].selected = 0;
  }
}

// --- Recording during a full refresh ---------------------------------------------------------

void DragCache::beginFull(Editor& ed, const QImage& canvas, const ImageStore& store, int mode) {
  valid_ = false;
  recording_ = false;
  redraws_ = 0;
  const Document& doc = ed.doc;
  if (doc.DocumentState < 1 || !currentObject(doc)) return;
  const ToolState& ts = ed.tools;
  if (!(ts.dragStarted != 0 || ts.shapeHit == 1 || ts.dragState != 0 || ts.revertTool != 0)) return;
  // A pan moves the whole view at every step: no picture of the scene could be kept.
  if (ts.panMode != 0) return;
  // A press that tests the shapes learns which ones move only while it draws: the picture is
  // then taken at the start of the current object, which holds them all.
  exactCut_ = !freePress(ed, mode);
  editor_ = &ed;
  object_ = doc.CurrentObject;
  moving_ = exactCut_ ? movingAfter(ed, mode)
                      : std::vector<char>(doc.Objects[static_cast<size_t>(object_)].shapes.size());
  unitOf_.assign(doc.Objects.size(), {});
  for (size_t i = 0; i < doc.Objects.size(); ++i) unitOf_[i].assign(doc.Objects[i].shapes.size(), -1);
  units_.clear();
  ops_.clear();
  cut_ = current_ = snapUnit_ = -1;
  failed_ = false;
  acc_ = marks_ = QRect();
  // What the panels, told about the selection while the shapes are drawn, might change.
  beforeFrame_ = sceneFrameHash(ed, canvas, store, false);
  beforeShapes_ = sceneShapesHash(doc);
  recording_ = true;
}

bool DragCache::unitMayMove(const Editor& ed, int64_t i, int64_t j) const {
  if (i != object_) return false;
  const Object& o = ed.doc.Objects[static_cast<size_t>(i)];
  for (int64_t k = j; k <= lastIndex(o.shapes); ++k) {
    if (!shapeDrawn(ed, i, k)) continue;
    if (moving_[static_cast<size_t>(k)]) return true;
    if (shapeClearsPath(o, k)) return false;
  }
  return true;  // the path may run on into the next object
}

void DragCache::closeUnit() {
  if (current_ >= 0) {
    Unit& u = units_[static_cast<size_t>(current_)];
    u.bounds = acc_;
    u.opCount = ops_.size() - u.firstOp;
  }
  acc_ = QRect();
}

ShapeFilter DragCache::recorder(RenderCtx& rc, const QImage& canvas) {
  return [this, &rc, &canvas](int64_t i, int64_t j) {
    if (current_ < 0 || rc.vg.pathEmpty()) {
      closeUnit();
      units_.emplace_back();
      units_.back().firstOp = ops_.size();
      current_ = static_cast<int>(units_.size()) - 1;
      if (cut_ < 0 && (exactCut_ ? unitMayMove(*editor_, i, j) : i == object_)) {
        // Everything drawn so far: the picture a drag starts from.
        if (alignLike(base_, baseMem_, canvas)) {
          std::memcpy(base_.bits(), canvas.constBits(), static_cast<size_t>(canvas.sizeInBytes()));
          snapUnit_ = current_;
        }
      }
    }
    unitOf_[static_cast<size_t>(i)][static_cast<size_t>(j)] = current_;
    if (i == object_ && (!exactCut_ || moving_[static_cast<size_t>(j)])) {
      if (exactCut_) units_[static_cast<size_t>(current_)].moving = true;
      if (cut_ < 0) {
        if (snapUnit_ == current_) {
          cut_ = current_;
        } else {
          failed_ = true;
        }
      }
    }
    return true;
  };
}

void DragCache::attach(VectorCanvas& vg) { vg.setPaintWatch(watching(&acc_, false, &ops_)); }

void DragCache::sceneDrawn(VectorCanvas& vg) {
  closeUnit();
  current_ = -1;
  vg.setPaintWatch({});
}

void DragCache::marksBegin(VectorCanvas& vg) { vg.setPaintWatch(watching(&marks_, false)); }

void DragCache::marksEnd(VectorCanvas& vg) { vg.setPaintWatch({}); }

void DragCache::endFull(const Editor& ed, const QImage& canvas, const ImageStore& store) {
  if (!recording_) return;
  recording_ = false;
  if (failed_ || cut_ < 0) return;
  const Document& doc = ed.doc;
  if (doc.CurrentObject != object_ || doc.Objects.size() != unitOf_.size()) return;
  const Object& cur = doc.Objects[static_cast<size_t>(object_)];
  if (cur.shapes.size() != moving_.size()) return;
  if (!exactCut_) {
    // The press has picked: the moving shapes are the current and the selected ones.
    for (size_t j = 0; j < cur.shapes.size(); ++j) {
      moving_[j] = cur.shapes[j].selected == 1 || static_cast<int64_t>(j) == doc.CurrentShape;
      const int u = unitOf_[static_cast<size_t>(object_)][j];
      if (moving_[j] && u >= 0) units_[static_cast<size_t>(u)].moving = true;
    }
  }
  for (size_t j = 0; j < cur.shapes.size(); ++j) {
    // The selection is the one foreseen.
    if ((cur.shapes[j].selected == 1 || static_cast<int64_t>(j) == doc.CurrentShape) &&
        !moving_[j])
      return;
  }
  // The loop drew the shapes the present state draws (a press can change the current shape,
  // and with it the only-selected view, half-way through).
  for (size_t i = 0; i < doc.Objects.size(); ++i) {
    if (doc.Objects[i].shapes.size() != unitOf_[i].size()) return;
    for (size_t j = 0; j < unitOf_[i].size(); ++j) {
      const bool drawn = shapeDrawn(ed, static_cast<int64_t>(i), static_cast<int64_t>(j));
      if ((unitOf_[i][j] >= 0) != drawn) return;
    }
  }
  if (sceneFrameHash(ed, canvas, store, false) != beforeFrame_ ||
      sceneShapesHash(doc) != beforeShapes_)
    return;
  hashes_.assign(doc.Objects.size(), {});
  for (size_t i = 0; i < doc.Objects.size(); ++i) {
    const auto& shapes = doc.Objects[i].shapes;
    if (shapes.size() != unitOf_[i].size()) return;
    hashes_[i].resize(shapes.size());
    for (size_t j = 0; j < shapes.size(); ++j) {
      const bool mv = static_cast<int64_t>(i) == object_ && moving_[j];
      hashes_[i][j] = mv ? shapeStructureHash(shapes[j]) : shapeDrawHash(shapes[j]);
    }
  }
  frame_ = sceneFrameHash(ed, canvas, store);
  canvasKey_ = canvas.cacheKey();
  redraws_ = 0;
  valid_ = true;
}

// --- Redrawing during a drag -----------------------------------------------------------------

int DragCache::unitOf(int64_t i, int64_t j) const {
  if (i < 0 || static_cast<size_t>(i) >= unitOf_.size()) return -1;
  const auto& v = unitOf_[static_cast<size_t>(i)];
  if (j < 0 || static_cast<size_t>(j) >= v.size()) return -1;
  return v[static_cast<size_t>(j)];
}

bool DragCache::shapesUnchanged(const Editor& ed, const std::vector<char>& next) const {
  const Document& doc = ed.doc;
  if (doc.Objects.size() != hashes_.size()) return false;
  for (size_t i = 0; i < doc.Objects.size(); ++i) {
    const auto& shapes = doc.Objects[i].shapes;
    if (shapes.size() != hashes_[i].size()) return false;
    const bool cur = static_cast<int64_t>(i) == object_;
    for (size_t j = 0; j < shapes.size(); ++j) {
      if (cur && moving_[j]) {
        if (shapeStructureHash(shapes[j]) != hashes_[i][j]) return false;
      } else if (shapeDrawHash(shapes[j]) != hashes_[i][j]) {
        return false;
      }
    }
  }
  for (size_t j = 0; j < next.size(); ++j) {
    if (next[j] && !moving_[j]) return false;
  }
  return true;
}

bool DragCache::prepare(Editor& ed, const QImage& canvas, ImageStore& store, int mode) {
  if (!valid_ || editor_ != &ed || ed.doc.DocumentState < 1) return false;
  if (canvas.cacheKey() != canvasKey_ || !sameLayout(canvas, base_)) return false;
  if (ed.doc.CurrentObject != object_ || freePress(ed, mode)) return false;
  if (sceneFrameHash(ed, canvas, store) != frame_) return false;
  next_ = movingAfter(ed, mode);
  if (next_.size() != moving_.size() || !shapesUnchanged(ed, next_)) return false;
  if (!alignLike(scratch_, scratchMem_, canvas)) return false;
  if (!measureMoving(ed, store)) return false;
  const ToolState& ts = ed.tools;
  clearsSelection_ = ts.revertTool == 0 && mode == 1 && ts.shapeHit != 1 && ts.multiSelect == 0;
  return true;
}

// Where the moving units paint now, measured without painting.
bool DragCache::measureMoving(Editor& ed, ImageStore& store) {
  newBounds_.assign(units_.size(), QRect());
  VectorCanvas vg(store);
  if (!vg.beginDrawing(scratch_)) return false;
  RenderCtx rc{ed, vg};
  vg.resetTransform();
  applyViewTransform(rc);
  QRect none;
  vg.setPaintWatch(watching(&none, true));
  int cur = -1;
  bool ok = true;
  drawScene(rc, {}, [&](int64_t i, int64_t j) {
    const int u = unitOf(i, j);
    if (u < 0) {
      ok = false;
      return false;
    }
    if (!units_[static_cast<size_t>(u)].moving) return false;
    if (u != cur) {
      // A unit starts with an empty path, or the units are no longer what was recorded.
      if (!vg.pathEmpty()) ok = false;
      cur = u;
      vg.setPaintWatch(watching(&newBounds_[static_cast<size_t>(u)], true));
    }
    return true;
  });
  if (cur >= 0 && cur + 1 < static_cast<int>(units_.size()) && !vg.pathEmpty()) ok = false;
  vg.endDrawing();
  return ok;
}

// Draws the units after the picture's end onto it, up to the first moving unit, for as long as
// the refresh that started at `start` stays within a frame: the next refreshes then redraw
// fewer shapes. The picture stays exactly what a full refresh has drawn before its new end.
void DragCache::advanceBase(Editor& ed, ImageStore& store, Clock::time_point start) {
  constexpr double kFrameMs = 12;      // a refresh during a drag should fit a 60 Hz frame
  constexpr double kAtLeastMs = 2;     // and the picture should catch up at least this much
  int target = cut_;
  while (target < static_cast<int>(units_.size()) && !units_[static_cast<size_t>(target)].moving)
    ++target;
  if (target >= static_cast<int>(units_.size()) || target <= cut_) return;
  auto ms = [](Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  };
  const double limit = std::max(kFrameMs, ms(start) + kAtLeastMs);
  VectorCanvas vg(store);
  if (!vg.beginDrawing(base_)) return;
  vg.setOutlinedStrokes(true);  // as every canvas refresh draws
  RenderCtx rc{ed, vg};
  vg.resetTransform();
  applyViewTransform(rc);
  int cur = -1;
  bool stop = false, broken = false;
  drawScene(rc, {}, [&](int64_t i, int64_t j) {
    const int u = unitOf(i, j);
    if (stop || u < cut_ || u >= target) return false;
    if (u != cur) {
      if (cur >= 0 && !vg.pathEmpty()) broken = true;
      if (broken || ms(start) > limit) {
        stop = true;
        return false;
      }
      cur = u;
    }
    return true;
  });
  vg.endDrawing();
  if (broken) {
    valid_ = false;
    return;
  }
  if (cur >= 0) cut_ = cur + 1;
}

bool DragCache::redraw(Editor& ed, QImage& canvas, ImageStore& store) {
  const Clock::time_point start = Clock::now();
  // The panels were told about the selection in between: nothing they may have changed is drawn
  // from old pixels.
  if (sceneFrameHash(ed, canvas, store) != frame_) {
    valid_ = false;
    return false;
  }
  VectorCanvas vg(store);
  RenderCtx rc{ed, vg};
  if (!vg.beginDrawing(scratch_)) {
    valid_ = false;
    return false;
  }
  vg.setOutlinedStrokes(true);  // as every canvas refresh draws, here and below
  QRect marks;
  vg.setPaintWatch(watching(&marks, true));
  drawMarks(rc);
  vg.endDrawing();

  QRect dirty = marks_ | marks;
  for (size_t u = 0; u < units_.size(); ++u) {
    if (units_[u].moving) dirty |= units_[u].bounds | newBounds_[u];
  }
  dirty &= canvas.rect();
  if (!dirty.isEmpty()) {
    copyRect(base_, scratch_, dirty);
    if (!vg.beginDrawing(scratch_)) {
      valid_ = false;
      return false;
    }
    vg.resetTransform();
    applyViewTransform(rc);
    int last = -1;
    size_t op = 0;
    lastUnits_ = 0;
    // Within a unit that is drawn, operations that cannot reach the dirty rectangle are skipped.
    VectorCanvas::PaintWatch w;
    w.allow = [this, &dirty, &last, &op] {
      const Unit& un = units_[static_cast<size_t>(last)];
      if (un.moving || !un.opsKnown || op >= un.opCount) return true;
      return ops_[un.firstOp + op++].intersects(dirty);
    };
    drawScene(rc, {}, [this, &vg, &w, &dirty, &last, &op](int64_t i, int64_t j) {
      const int u = unitOf(i, j);
      if (u < cut_) return false;
      const Unit& un = units_[static_cast<size_t>(u)];
      if (!un.moving && !un.bounds.intersects(dirty)) return false;
      if (u != last) {
        ++lastUnits_;
        op = 0;
        if (last < 0) vg.setPaintWatch(w);
      }
      last = u;
      return true;
    });
    vg.setPaintWatch({});
    drawMarks(rc);
    drawOverlays(rc);
    vg.endDrawing();
    copyRect(scratch_, canvas, dirty);
  }

  for (size_t u = 0; u < units_.size(); ++u) {
    if (units_[u].moving) units_[u].bounds = newBounds_[u];
  }
  marks_ = marks;
  if (next_ != moving_) {
    // Shapes that stopped moving are held to their present drawing from now on.
    const auto& shapes = ed.doc.Objects[static_cast<size_t>(object_)].shapes;
    auto& hashes = hashes_[static_cast<size_t>(object_)];
    for (size_t j = 0; j < moving_.size(); ++j) {
      if (moving_[j] && !next_[j]) hashes[j] = shapeDrawHash(shapes[j]);
    }
    moving_ = next_;
    for (Unit& un : units_) {
      // Moving units were not measured operation by operation.
      if (un.moving) un.opsKnown = false;
      un.moving = false;
    }
    for (size_t j = 0; j < moving_.size(); ++j) {
      const int u = unitOf(object_, static_cast<int64_t>(j));
      if (moving_[j] && u >= 0) units_[static_cast<size_t>(u)].moving = true;
    }
  }
  canvasKey_ = canvas.cacheKey();
  lastDirty_ = dirty;
  if (dirty.isEmpty()) lastUnits_ = 0;
  ++redraws_;
  advanceBase(ed, store, start);
  return true;
}

}  // namespace pw
