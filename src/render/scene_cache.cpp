#include "render/scene_cache.h"

#include <QThreadPool>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/background.h"
#include "render/draw_thread.h"
#include "render/image_store.h"
#include "render/scene_draw.h"
#include "render/shape_hash.h"
#include "render/vg.h"

namespace pw {

namespace {

// A partial redraw bigger than this share of the picture is drawn in full instead: in bands,
// that is faster.
constexpr double kMostPartialShare = 1.0 / 3.0;
// Pictures taken between units during a full drawing: at most this many, in at most this much
// memory, and none for scenes of fewer shapes than this.
constexpr int kMostSteps = 8;
constexpr size_t kStepMemory = size_t{64} << 20;
constexpr size_t kFewestShapesForSteps = 64;

// Copies the pixels of r (inside both images, same layout) from src to dst.
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

void addDouble(Hasher& h, double d) {
  uint64_t bits = 0;
  std::memcpy(&bits, &d, sizeof bits);
  h.add(bits);
}

// The zoom and pan of a view.
uint64_t viewKey(const View& v) {
  Hasher h;
  for (double d : {v.zoom, v.shiftX, v.shiftY, v.originX, v.originY}) addDouble(h, d);
  return h.value();
}

// What the picture is drawn from besides the shapes and the zoom and pan: the background, the
// object records, the canvas and the images.
uint64_t contentKey(const Document& d, const sVdOptions& opt, const View& v,
                    const PictureLayout& canvas, const ImageStore& store) {
  Hasher h;
  h.add(v.objectTransforms ? 1 : 0);
  h.addSigned(v.onlyShape);
  h.addSigned(opt.BgColor);
  h.addSigned(opt.BgImg);
  h.addSigned(d.DocumentState);
  h.add(d.Objects.size());
  for (const Object& ob : d.Objects) {
    h.add(objectDrawHash(ob));
    h.add(ob.shapes.size());
  }
  h.addSigned(canvas.width);
  h.addSigned(canvas.height);
  h.addSigned(canvas.format);
  h.addSigned(canvas.bytesPerLine);
  h.add(canvas.alignment);
  h.add(store.generation());
  return h.value();
}

uint64_t pictureKey(uint64_t content, const View& v) {
  Hasher h;
  h.add(content);
  h.add(viewKey(v));
  return h.value();
}

// Where the picture of view v puts the user point (0, 0) of object i, and its axes.
QTransform objectPlacement(const Document& doc, const sVdOptions& opt, const View& v,
                           ImageStore& store, int64_t i) {
  VectorCanvas vg(store);
  RenderCtx rc{doc, opt, v, vg};
  applyViewTransform(rc);
  applyObjectTransform(rc, i);
  // Shapes are placed at the pan's origin within the object.
  return QTransform::fromTranslate(v.originX, v.originY) * vg.transform();
}

bool fuzzyEqual(const QTransform& a, const QTransform& b) {
  const double m[2][6] = {{a.m11(), a.m12(), a.m21(), a.m22(), a.dx(), a.dy()},
                          {b.m11(), b.m12(), b.m21(), b.m22(), b.dx(), b.dy()}};
  for (int k = 0; k < 6; ++k) {
    if (std::abs(m[0][k] - m[1][k]) > 1e-6 * std::max(1.0, std::abs(m[0][k]))) return false;
  }
  return true;
}

// Qt's blending takes different paths for pixels at different memory alignments: a picture that
// is to match the canvas pixel for pixel has its layout and alignment.
bool alignLike(QImage& img, std::unique_ptr<uchar[]>& mem, const PictureLayout& canvas) {
  if (!img.isNull() && PictureLayout::of(img) == canvas) return true;
  img = QImage();
  if (canvas.width <= 0 || canvas.height <= 0) return false;
  const size_t bytes =
      static_cast<size_t>(canvas.bytesPerLine) * static_cast<size_t>(canvas.height);
  mem = std::make_unique<uchar[]>(bytes + PictureLayout::kAlign);
  const uintptr_t have = reinterpret_cast<uintptr_t>(mem.get()) % PictureLayout::kAlign;
  uchar* at = mem.get() + (canvas.alignment + PictureLayout::kAlign - have) % PictureLayout::kAlign;
  img = QImage(at, canvas.width, canvas.height, canvas.bytesPerLine, canvas.format);
  return PictureLayout::of(img) == canvas;
}

VectorCanvas::PaintWatch watching(QRect* bounds, bool measureOnly,
                                  std::vector<QRect>* ops = nullptr) {
  VectorCanvas::PaintWatch w;
  w.bounds = bounds;
  w.measureOnly = measureOnly;
  w.ops = ops;
  return w;
}

// Runs band(k) for k in 0 .. bands - 1 at once on the drawing threads, band 0 on this one.
template <class Band>
void runBands(int bands, const Band& band) {
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

}  // namespace

int SceneCache::unitOf(int64_t i, int64_t j) const {
  if (i < 0 || static_cast<size_t>(i) >= unitOf_.size()) return -1;
  const auto& v = unitOf_[static_cast<size_t>(i)];
  if (j < 0 || static_cast<size_t>(j) >= v.size()) return -1;
  return v[static_cast<size_t>(j)];
}

void SceneCache::recordHashes(const Document& doc) {
  drawHash_.assign(doc.Objects.size(), {});
  structureHash_.assign(doc.Objects.size(), {});
  for (size_t i = 0; i < doc.Objects.size(); ++i) {
    for (const Shape& s : doc.Objects[i].shapes) {
      drawHash_[i].push_back(shapeDrawHash(s));
      structureHash_[i].push_back(shapeStructureHash(s));
    }
  }
}

PictureLayout PictureLayout::of(const QImage& img) {
  PictureLayout l;
  l.width = img.width();
  l.height = img.height();
  l.bytesPerLine = img.bytesPerLine();
  l.format = img.format();
  l.alignment = reinterpret_cast<uintptr_t>(img.constBits()) % kAlign;
  return l;
}

bool SceneCache::update(const Document& doc, const sVdOptions& opt, const View& view,
                        const PictureLayout& canvas, ImageStore& store, int bands,
                        const std::atomic<bool>* cancel, const TouchedShapes* touched) {
  lastDirty_ = QRect();
  lastUnits_ = 0;
  const Source src{doc, opt, view};
  const uint64_t content = contentKey(doc, opt, view, canvas, store);
  const uint64_t key = pictureKey(content, view);
  if (valid_ && key == key_ && drawPartial(src, store, touched)) return true;
  key_ = key;
  content_ = content;
  view_ = view;
  layout_ = canvas;
  partials_ = 0;
  last_ = Update::kFull;
  valid_ = drawFull(src, canvas, store, bands, cancel);
  return valid_;
}

bool SceneCache::drawnIn(const View& view, const PictureLayout& canvas) const {
  return valid_ && viewKey(view) == viewKey(view_) && canvas == layout_;
}

bool SceneCache::sameShapes(const Document& doc, const TouchedShapes* touched) const {
  std::vector<std::pair<size_t, size_t>> edited;
  std::vector<uint64_t> hashes;
  return editedShapes(doc, touched, edited, hashes) && edited.empty();
}

bool SceneCache::editedShapes(const Document& doc, const TouchedShapes* touched,
                              std::vector<std::pair<size_t, size_t>>& edited,
                              std::vector<uint64_t>& hashes) const {
  if (doc.Objects.size() != drawHash_.size()) return false;
  for (size_t i = 0; i < doc.Objects.size(); ++i) {
    if (doc.Objects[i].shapes.size() != drawHash_[i].size()) return false;
  }
  const auto check = [&](size_t i, size_t j) {
    const Shape& s = doc.Objects[i].shapes[j];
    const uint64_t hash = shapeDrawHash(s);
    if (hash == drawHash_[i][j]) return true;
    // A shape that joins or leaves a run, or starts or stops being drawn, changes the units.
    if (shapeStructureHash(s) != structureHash_[i][j]) return false;
    edited.emplace_back(i, j);
    hashes.push_back(hash);
    return true;
  };
  if (!touched || touched->all) {
    for (size_t i = 0; i < doc.Objects.size(); ++i) {
      for (size_t j = 0; j < drawHash_[i].size(); ++j) {
        if (!check(i, j)) return false;
      }
    }
    return true;
  }
  std::vector<std::pair<size_t, size_t>> named;
  named.reserve(touched->shapes.size());
  for (const auto& [oi, sj] : touched->shapes) {
    if (oi < 0 || sj < 0 || oi > lastIndex(doc.Objects)) continue;
    const auto i = static_cast<size_t>(oi), j = static_cast<size_t>(sj);
    if (j < drawHash_[i].size()) named.emplace_back(i, j);
  }
  std::sort(named.begin(), named.end());
  named.erase(std::unique(named.begin(), named.end()), named.end());
  for (const auto& [i, j] : named) {
    if (!check(i, j)) return false;
  }
  if (checkTouches) {
    std::vector<std::pair<size_t, size_t>> all;
    std::vector<uint64_t> allHashes;
    if (!editedShapes(doc, nullptr, all, allHashes)) {
      ++missedTouches;
      return false;
    }
    for (const auto& e : all) {
      if (!std::binary_search(named.begin(), named.end(), e)) ++missedTouches;
    }
  }
  return true;
}

bool SceneCache::otherView(const Document& doc, const sVdOptions& opt, const View& now,
                           const PictureLayout& canvas, ImageStore& store, QTransform& move,
                           const TouchedShapes* touched) const {
  if (!valid_ || contentKey(doc, opt, now, canvas, store) != content_) return false;
  if (viewKey(now) == viewKey(view_) || !(view_.zoom > 0) || !(now.zoom > 0)) return false;
  if (!sameShapes(doc, touched)) return false;
  bool first = true;
  for (int64_t i = 0; i <= lastIndex(doc.Objects); ++i) {
    const Object& o = doc.Objects[static_cast<size_t>(i)];
    if (o.hidden == 1 || o.shapes.empty()) continue;
    const QTransform before = objectPlacement(doc, opt, view_, store, i);
    if (!before.isInvertible()) continue;  // drawn nowhere
    const QTransform m = before.inverted() * objectPlacement(doc, opt, now, store, i);
    if (first) {
      move = m;
      first = false;
    } else if (!fuzzyEqual(m, move)) {
      return false;
    }
  }
  if (first) move = QTransform::fromScale(now.zoom / view_.zoom, now.zoom / view_.zoom);
  return true;
}

bool SceneCache::drawFull(const Source& src, const PictureLayout& canvas, ImageStore& store,
                          int bands, const std::atomic<bool>* cancel) {
  const Document& doc = src.doc;
  if (!alignLike(picture_, pictureMem_, canvas) ||
      !alignLike(background_, backgroundMem_, canvas))
    return false;
  // A background that is not opaque is laid on a clear picture.
  picture_.fill(Qt::transparent);
  units_.clear();
  ops_.clear();
  unitOf_.assign(doc.Objects.size(), {});
  for (size_t i = 0; i < doc.Objects.size(); ++i)
    unitOf_[i].assign(doc.Objects[i].shapes.size(), -1);
  recordHashes(doc);

  // The shape ordinal each object starts at, and the steps spread evenly over the shapes.
  std::vector<size_t> firstOrdinal(doc.Objects.size() + 1, 0);
  for (size_t i = 0; i < doc.Objects.size(); ++i)
    firstOrdinal[i + 1] = firstOrdinal[i] + doc.Objects[i].shapes.size();
  const size_t total = firstOrdinal.back();
  const size_t bytes = static_cast<size_t>(picture_.sizeInBytes());
  const size_t stepCount =
      total < kFewestShapesForSteps ? 0 : std::min<size_t>(kMostSteps, kStepMemory / bytes);
  steps_.resize(stepCount);
  for (size_t k = 0; k < stepCount; ++k) {
    steps_[k].ordinal = (k + 1) * total / (stepCount + 1);
    steps_[k].unit = -1;
    if (!alignLike(steps_[k].image, steps_[k].mem, canvas)) steps_.resize(k);
  }

  const int w = picture_.width(), h = picture_.height();
  const qsizetype bpl = picture_.bytesPerLine();
  // Each band with its own copy of the image store, whose caches are not shared between threads.
  std::vector<ImageStore> stores(static_cast<size_t>(bands - 1), store);
  int current = -1;
  QRect acc;
  auto closeUnit = [this, &current, &acc] {
    if (current >= 0) {
      Unit& u = units_[static_cast<size_t>(current)];
      u.bounds = acc;
      u.opCount = ops_.size() - u.firstOp;
    }
    acc = QRect();
  };
  auto band = [&](int k) {
    // Its own image over the picture's pixels: one painter per image at a time.
    QImage whole(picture_.bits(), w, h, bpl, picture_.format());
    VectorCanvas vg(k == 0 ? store : stores[static_cast<size_t>(k - 1)]);
    if (!vg.beginDrawing(whole)) return;
    const int top = h * k / bands, bottom = h * (k + 1) / bands;
    if (bands > 1) vg.setBand(top, bottom);
    vg.setOutlinedStrokes(true);
    RenderCtx rc{src.doc, src.options, src.view, vg};
    vg.resetTransform();
    drawBackground(rc);
    std::memcpy(background_.bits() + top * bpl, picture_.constBits() + top * bpl,
                static_cast<size_t>((bottom - top) * bpl));
    applyViewTransform(rc);
    auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
    // Every band takes its rows of each step at the same moment: the first shape at or after
    // the step's ordinal that starts a unit. Returns the steps taken now.
    size_t next = 0;
    auto takeSteps = [&](int64_t i, int64_t j) {
      const size_t ordinal = firstOrdinal[static_cast<size_t>(i)] + static_cast<size_t>(j);
      const size_t from = next;
      while (next < steps_.size() && steps_[next].ordinal <= ordinal) {
        std::memcpy(steps_[next].image.bits() + top * bpl, picture_.constBits() + top * bpl,
                    static_cast<size_t>((bottom - top) * bpl));
        ++next;
      }
      return std::make_pair(from, next);
    };
    if (k != 0) {
      drawScene(rc, {}, [&](int64_t i, int64_t j) {
        if (vg.pathEmpty()) takeSteps(i, j);
        return !cancelled();
      });
      vg.endDrawing();
      return;
    }
    // Band 0 measures every painting operation, wherever it lies, and notes the units.
    vg.setPaintWatch(watching(&acc, false, &ops_));
    drawScene(rc, {}, [&](int64_t i, int64_t j) {
      const bool starts = vg.pathEmpty();
      if (starts) {
        const auto [from, to] = takeSteps(i, j);
        for (size_t n = from; n < to; ++n) steps_[n].unit = static_cast<int>(units_.size());
      }
      if (cancelled()) return false;
      if (current < 0 || starts) {
        closeUnit();
        units_.emplace_back();
        units_.back().firstOp = ops_.size();
        units_.back().source = vg.paintSource();
        current = static_cast<int>(units_.size()) - 1;
      }
      unitOf_[static_cast<size_t>(i)][static_cast<size_t>(j)] = current;
      return true;
    });
    closeUnit();
    vg.endDrawing();
  };
  runBands(bands, band);
  return !(cancel && cancel->load());
}

bool SceneCache::measureChanged(const Source& src, ImageStore& store, std::vector<char>& changed,
                                std::vector<QRect>& bounds) {
  bounds.assign(units_.size(), QRect());
  std::vector<VectorCanvas::PaintSource> sources(units_.size());
  VectorCanvas vg(store);
  // Measured only: nothing is painted.
  if (!vg.beginDrawing(picture_)) return false;
  RenderCtx rc{src.doc, src.options, src.view, vg};
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
    const size_t k = static_cast<size_t>(u);
    // Right after a changed unit, one that would start from another source paints differently.
    if (u != cur && cur >= 0 && u == cur + 1 && vg.paintSource() != units_[k].source)
      changed[k] = 1;
    if (!changed[k]) return false;
    if (u != cur) {
      // A unit starts with an empty path, or the units are no longer what was recorded.
      if (!vg.pathEmpty()) ok = false;
      // After an unchanged unit, it starts as it did.
      if (u != cur + 1) vg.setPaintSource(units_[k].source);
      sources[k] = vg.paintSource();
      cur = u;
      vg.setPaintWatch(watching(&bounds[k], true));
    }
    return true;
  });
  if (cur >= 0 && cur + 1 < static_cast<int>(units_.size()) && !vg.pathEmpty()) ok = false;
  vg.endDrawing();
  if (!ok) return false;
  for (size_t u = 0; u < units_.size(); ++u) {
    if (changed[u]) units_[u].source = sources[u];
  }
  return true;
}

bool SceneCache::drawPartial(const Source& src, ImageStore& store,
                             const TouchedShapes* touched) {
  std::vector<char> changed(units_.size(), 0);
  std::vector<std::pair<size_t, size_t>> edited;
  std::vector<uint64_t> newHashes;
  if (!editedShapes(src.doc, touched, edited, newHashes)) return false;
  for (const auto& [i, j] : edited) {
    const int u = unitOf_[i][j];
    if (u >= 0) changed[static_cast<size_t>(u)] = 1;
  }
  last_ = Update::kNone;
  if (edited.empty()) return true;
  std::vector<QRect> bounds;
  if (!measureChanged(src, store, changed, bounds)) return false;
  QRect dirty;
  for (size_t u = 0; u < units_.size(); ++u) {
    if (changed[u]) dirty |= units_[u].bounds | bounds[u];
  }
  dirty &= picture_.rect();
  const double share = static_cast<double>(dirty.width()) * dirty.height() /
                       (static_cast<double>(picture_.width()) * picture_.height());
  if (share > kMostPartialShare) return false;

  // The first changed unit, and the last step taken before it.
  const int firstChanged =
      static_cast<int>(std::find(changed.begin(), changed.end(), 1) - changed.begin());
  const Step* from = nullptr;
  for (const Step& st : steps_) {
    if (st.unit >= 0 && st.unit <= firstChanged) from = &st;
  }
  const int start = from ? from->unit : 0;
  if (!dirty.isEmpty()) {
    // Drawn as a band of whole rows (where clipping gives exactly the pixels of the whole
    // picture) on a scratch image, of which only the rectangle is copied back.
    if (!alignLike(scratch_, scratchMem_, PictureLayout::of(picture_))) return false;
    copyRect(from ? from->image : background_, scratch_, dirty);
    VectorCanvas vg(store);
    if (!vg.beginDrawing(scratch_)) return false;
    vg.setBand(dirty.top(), dirty.bottom() + 1);
    vg.setOutlinedStrokes(true);  // as every full picture is drawn
    RenderCtx rc{src.doc, src.options, src.view, vg};
    vg.resetTransform();
    applyViewTransform(rc);
    int last = -1;
    size_t op = 0;
    // Within a unit that is drawn, operations that cannot reach the dirty rectangle are skipped.
    VectorCanvas::PaintWatch w;
    w.allow = [this, &changed, &dirty, &last, &op] {
      const Unit& un = units_[static_cast<size_t>(last)];
      if (changed[static_cast<size_t>(last)] || !un.opsKnown || op >= un.opCount) return true;
      return ops_[un.firstOp + op++].intersects(dirty);
    };
    drawScene(rc, {}, [&](int64_t i, int64_t j) {
      const int u = unitOf(i, j);
      if (u < start) return false;
      const size_t k = static_cast<size_t>(u);
      if (!changed[k] && !units_[k].bounds.intersects(dirty)) return false;
      if (u != last) {
        ++lastUnits_;
        op = 0;
        if (last < 0) vg.setPaintWatch(w);
        // After a unit not drawn here, it starts from the source it started with.
        if (u != last + 1) vg.setPaintSource(units_[k].source);
      }
      last = u;
      return true;
    });
    vg.endDrawing();
    copyRect(scratch_, picture_, dirty);
  }
  // Steps taken after a changed unit hold its old pixels.
  for (Step& st : steps_) {
    if (st.unit > firstChanged) st.unit = -1;
  }
  for (size_t u = 0; u < units_.size(); ++u) {
    if (!changed[u]) continue;
    units_[u].bounds = bounds[u];
    units_[u].opsKnown = false;  // measured as a whole only
  }
  for (size_t k = 0; k < edited.size(); ++k) {
    drawHash_[edited[k].first][edited[k].second] = newHashes[k];
  }
  last_ = Update::kPartial;
  lastDirty_ = dirty;
  ++partials_;
  return true;
}

}  // namespace pw
