// The canvas's picture of the scene: background and shapes, without the editing marks and
// overlays, which every refresh draws afresh over a copy of it. A refresh that changes only the
// selection, the current shape or the marks draws no shape at all; one that changes a few shapes
// draws only the rectangle their old and new pixels cover, and there only the painting units
// that reach into it; anything else (view, options, objects, canvas size, images, the way shapes
// join into runs) redraws the whole picture in bands on the drawing threads.
//
// The picture is always exactly what drawing the whole scene again would give. It has the
// canvas's memory layout and alignment, where Qt's blending takes the same paths. Partial redraws
// start from a picture of what lies below the first changed unit (the background, or one taken
// during the full drawing), and draw every later unit that can reach the rectangle, in a band of
// whole rows as a full picture is drawn (a narrower clip would not give the same pixels), on a
// scratch image from which only the rectangle is copied back. A painting unit is a stretch of
// shapes between moments when the current path is empty: a linked run, or shapes in the custom
// style, are drawn together. A unit may paint with the paint source the one before it left (an
// image shape does): each starts from the source it had in the full drawing, and one whose
// source changes with an edit before it is drawn again too.
#pragma once

#include <QImage>
#include <QRect>
#include <QTransform>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/change_scope.h"
#include "core/model.h"
#include "core/view.h"
#include "render/vg.h"
#include "settings/options.h"

namespace pw {

class ImageStore;

// The memory layout of a canvas image: a picture drawn for it gets the same, down to the
// alignment of its first pixel.
struct PictureLayout {
  static constexpr uintptr_t kAlign = 64;
  int width = 0, height = 0;
  qsizetype bytesPerLine = 0;
  QImage::Format format = QImage::Format_Invalid;
  uintptr_t alignment = 0;
  static PictureLayout of(const QImage& img);
  bool operator==(const PictureLayout&) const = default;
};

class SceneCache {
 public:
  enum class Update { kNone, kPartial, kFull };

  // Brings the picture up to date with the document as `view` shows it over the background of
  // `options`, for a canvas of layout `canvas`, drawing a full picture in `bands` horizontal
  // bands. Only reads; runs on a drawing thread. False when nothing could be drawn, or when
  // `cancel` was set during a full drawing (the picture is then forgotten). `touched`, when
  // given, names every shape whose drawing may have changed since the last update (the object
  // records are compared in full anyway); without it every shape is compared.
  bool update(const Document& doc, const sVdOptions& options, const View& view,
              const PictureLayout& canvas, ImageStore& store, int bands,
              const std::atomic<bool>* cancel = nullptr, const TouchedShapes* touched = nullptr);
  const QImage& picture() const { return picture_; }
  bool valid() const { return valid_; }
  // Whether the picture is drawn in this zoom and pan for a canvas of this layout.
  bool drawnIn(const View& view, const PictureLayout& canvas) const;

  // When the picture shows the same scene as the document and options would, only under another
  // zoom or pan, sets `move` to the mapping from its pixels to where they lie in the present
  // view, and returns true. Only when every object drawn moves alike (the pan goes through each
  // object's own scale and rotation).
  bool otherView(const Document& doc, const sVdOptions& options, const View& view,
                 const PictureLayout& canvas, ImageStore& store, QTransform& move,
                 const TouchedShapes* touched = nullptr) const;

  // For tests: when set, an update given touched shapes compares every shape as well and counts
  // the changed ones the touched shapes left out in missedTouches.
  static inline std::atomic<bool> checkTouches{false};
  static inline std::atomic<int> missedTouches{0};

  // What the last update did (for tests and measurements), the pixels a partial update rewrote
  // and the painting units it drew there.
  Update lastUpdate() const { return last_; }
  QRect lastDirty() const { return lastDirty_; }
  int lastUnits() const { return lastUnits_; }
  // Partial updates since the last full one.
  int partialUpdates() const { return partials_; }
  // Forgets the picture: the next update draws it in full.
  void clear() { valid_ = false; }

 private:
  struct Unit {
    QRect bounds;          // output pixels its painting can touch
    VectorCanvas::PaintSource source;  // the paint source as it starts
    bool opsKnown = true;  // ops_ holds each of its painting operations' pixels
    size_t firstOp = 0, opCount = 0;
  };
  // What the drawing reads.
  struct Source {
    const Document& doc;
    const sVdOptions& options;
    const View& view;
  };
  bool drawFull(const Source& src, const PictureLayout& canvas, ImageStore& store, int bands,
                const std::atomic<bool>* cancel);
  // False when the change cannot be drawn in part; then nothing has been touched.
  bool drawPartial(const Source& src, ImageStore& store, const TouchedShapes* touched);
  // The shapes whose drawing differs from the picture's: every shape, or the touched ones.
  // False when one of them changes the painting units.
  bool editedShapes(const Document& doc, const TouchedShapes* touched,
                    std::vector<std::pair<size_t, size_t>>& edited,
                    std::vector<uint64_t>& hashes) const;
  // Measures where the changed units paint now, and marks changed too the units that start
  // from a paint source the change alters; puts in their present starting sources.
  bool measureChanged(const Source& src, ImageStore& store, std::vector<char>& changed,
                      std::vector<QRect>& bounds);
  bool sameShapes(const Document& doc, const TouchedShapes* touched) const;
  int unitOf(int64_t i, int64_t j) const;
  void recordHashes(const Document& doc);

  bool valid_ = false;
  uint64_t key_ = 0;      // what the picture is drawn from besides the shapes
  uint64_t content_ = 0;  // the same without the zoom and pan
  View view_;             // the view it is drawn in
  PictureLayout layout_;  // for a canvas of this layout
  std::vector<std::vector<uint64_t>> drawHash_, structureHash_;  // per object and shape
  std::vector<std::vector<int>> unitOf_;  // per object and shape; -1 when not drawn
  std::vector<Unit> units_;
  std::vector<QRect> ops_;
  QImage picture_, background_, scratch_;
  std::unique_ptr<uchar[]> pictureMem_, backgroundMem_, scratchMem_;
  // Pictures taken during the full drawing at a few moments between units, each of everything
  // drawn before its unit: a partial redraw starts from the last one before the first changed
  // unit and draws only the units from there on. A change of an earlier unit makes it useless.
  struct Step {
    QImage image;
    std::unique_ptr<uchar[]> mem;
    size_t ordinal = 0;  // taken before the first unit that starts at this shape or later
    int unit = -1;       // the unit it was taken before; -1: not taken, or no longer true
  };
  std::vector<Step> steps_;

  Update last_ = Update::kNone;
  QRect lastDirty_;
  int lastUnits_ = 0;
  int partials_ = 0;
};

}  // namespace pw
