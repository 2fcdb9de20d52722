// Canvas refreshes during a drag. While shapes are dragged, only they change; the cache keeps a
// picture of everything drawn before the first of them (background and earlier shapes), so that
// a refresh redraws only the rectangle the moving shapes and the editing marks covered before and
// after the change, and there only the shapes (and marks and overlays) that reach into it.
//
// The pixels must be those of a full refresh, so the cache is used only when that can be shown:
// the canvas still holds the last refresh's pixels, options, view, objects, current indices and
// images are as they were, and every shape outside the moving set is unchanged. Drawing is
// redone unclipped on a scratch image (Qt's raster engine does not give clipped drawing the same
// pixels), starting from the cached picture, and only the dirty rectangle is copied to the
// canvas. Painting units are the stretches of shapes between moments when the current path is
// empty: a linked run, or shapes in the custom style, are drawn together, so a moving shape
// inside such a run redraws the whole run.
#pragma once

#include <QImage>
#include <QRect>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/editor.h"
#include "render/scene_draw.h"

namespace pw {

class ImageStore;

class DragCache {
 public:
  // Before a refresh: true when this refresh can be done by redraw(); nothing is changed yet.
  bool prepare(Editor& ed, const QImage& canvas, ImageStore& store, int mode);
  // After prepare() said yes: what the refresh's click test does during a drag (it can then only
  // clear the selection of the shapes it passes).
  void applyClickTest(Editor& ed) const;
  // After prepare() said yes and the selection has settled: brings the canvas up to date. False
  // (with the canvas untouched) when the panels changed what is drawn in between.
  bool redraw(Editor& ed, QImage& canvas, ImageStore& store);

  // A full refresh calls these in turn. beginFull decides whether it records a new picture
  // (only from the press of a drag on).
  void beginFull(Editor& ed, const QImage& canvas, const ImageStore& store, int mode);
  bool recording() const { return recording_; }
  // Goes to drawScene; with attach() before it and sceneDrawn() after it.
  ShapeFilter recorder(RenderCtx& rc, const QImage& canvas);
  void attach(VectorCanvas& vg);
  void sceneDrawn(VectorCanvas& vg);
  void marksBegin(VectorCanvas& vg);
  void marksEnd(VectorCanvas& vg);
  void endFull(const Editor& ed, const QImage& canvas, const ImageStore& store);

  bool valid() const { return valid_; }
  // Refreshes done by redraw() since the cache was made (for tests and measurements).
  int redraws() const { return redraws_; }
  // The canvas pixels the last redraw() rewrote.
  QRect lastDirty() const { return lastDirty_; }
  // The painting units it drew again there.
  int lastUnits() const { return lastUnits_; }

 private:
  struct Unit {
    QRect bounds;        // output pixels its painting can touch
    bool moving = false;
    bool opsKnown = true;  // ops_ holds each of its painting operations' pixels
    size_t firstOp = 0, opCount = 0;
  };
  // Whether the clicks of this refresh would test shapes (then a full refresh must run), and
  // the selection that the refresh leaves: current shape and selected shapes.
  bool freePress(const Editor& ed, int mode) const;
  std::vector<char> movingAfter(const Editor& ed, int mode) const;
  bool unitMayMove(const Editor& ed, int64_t i, int64_t j) const;
  int unitOf(int64_t i, int64_t j) const;
  void closeUnit();
  bool shapesUnchanged(const Editor& ed, const std::vector<char>& next) const;
  bool measureMoving(Editor& ed, ImageStore& store);
  static bool alignLike(QImage& img, std::unique_ptr<uchar[]>& mem, const QImage& canvas);
  using Clock = std::chrono::steady_clock;
  void advanceBase(Editor& ed, ImageStore& store, Clock::time_point start);

  const Editor* editor_ = nullptr;
  bool valid_ = false;
  uint64_t frame_ = 0;             // sceneFrameHash when recorded
  qint64 canvasKey_ = 0;           // the canvas image as the last refresh left it
  int64_t object_ = -1;            // the current object, which holds every moving shape
  std::vector<char> moving_;       // per shape of the current object
  std::vector<std::vector<uint64_t>> hashes_;  // per object and shape: draw hash (structure
                                               // hash for moving shapes)
  std::vector<std::vector<int>> unitOf_;       // per object and shape; -1 when not drawn
  std::vector<Unit> units_;
  std::vector<QRect> ops_;
  int cut_ = -1;                   // first moving unit: base_ holds everything before it
  QRect marks_;                    // pixels of the last editing marks
  QImage base_, scratch_;
  std::unique_ptr<uchar[]> baseMem_, scratchMem_;  // their pixels

  // Recording.
  bool recording_ = false;
  bool failed_ = false;
  bool exactCut_ = false;          // the moving shapes were known when recording began
  uint64_t beforeFrame_ = 0, beforeShapes_ = 0;
  int current_ = -1;               // unit being recorded
  int snapUnit_ = -1;              // unit at whose start base_ was taken
  QRect acc_;

  // Between prepare() and redraw().
  bool clearsSelection_ = false;
  std::vector<char> next_;
  std::vector<QRect> newBounds_;
  int redraws_ = 0;
  QRect lastDirty_;
  int lastUnits_ = 0;
};

}  // namespace pw
