// The canvas's picture of the scene: background and shapes, without the editing marks and
// overlays, which every refresh draws afresh over a copy of it. A refresh that changes only the
// selection, the current shape or the marks draws no shape at all; one that changes a few shapes
// draws only the rectangle their old and new pixels cover, and there only the painting units
// that reach into it; anything else (view, options, objects, canvas size, images, the way shapes
// join into runs) redraws the whole picture in bands on the drawing threads.
//
// The picture is always exactly what drawing the whole scene again would give. It has the
// canvas's memory layout and alignment, where Qt's blending takes the same paths. Partial redraws
// lay the background picture in the rectangle and draw there every unit that can reach it, in a
// band of whole rows as a full picture is drawn (a narrower clip would not give the same pixels),
// on a scratch image from which only the rectangle is copied back. A painting unit is a stretch of shapes between moments
// when the current path is empty: a linked run, or shapes in the custom style, are drawn
// together.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/editor.h"

namespace pw {

class ImageStore;

class SceneCache {
 public:
  enum class Update { kNone, kPartial, kFull };

  // Brings the picture up to date with the editor's document and view, for a canvas like
  // `canvas` (size, format, memory layout), drawing a full picture in `bands` horizontal bands.
  // Only reads the editor; runs on a drawing thread. False when nothing could be drawn.
  bool update(const Editor& ed, const QImage& canvas, ImageStore& store, int bands);
  const QImage& picture() const { return picture_; }

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
    bool opsKnown = true;  // ops_ holds each of its painting operations' pixels
    size_t firstOp = 0, opCount = 0;
  };
  bool drawFull(const Editor& ed, const QImage& canvas, ImageStore& store, int bands);
  // False when the change cannot be drawn in part; then nothing has been touched.
  bool drawPartial(const Editor& ed, ImageStore& store);
  bool measureChanged(const Editor& ed, ImageStore& store, const std::vector<char>& changed,
                      std::vector<QRect>& bounds);
  int unitOf(int64_t i, int64_t j) const;
  void recordHashes(const Document& doc);

  bool valid_ = false;
  const Editor* editor_ = nullptr;
  uint64_t key_ = 0;  // pictureKey when drawn
  std::vector<std::vector<uint64_t>> drawHash_, structureHash_;  // per object and shape
  std::vector<std::vector<int>> unitOf_;  // per object and shape; -1 when not drawn
  std::vector<Unit> units_;
  std::vector<QRect> ops_;
  QImage picture_, background_, scratch_;
  std::unique_ptr<uchar[]> pictureMem_, backgroundMem_, scratchMem_;

  Update last_ = Update::kNone;
  QRect lastDirty_;
  int lastUnits_ = 0;
  int partials_ = 0;
};

}  // namespace pw
