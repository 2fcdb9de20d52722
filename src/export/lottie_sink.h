// The paintings of a recording canvas as Lottie shape items: each filled or stroked path a group
// holding its outlines ("sh"), its fill (even-odd, as the canvas fills) or stroke (width, caps,
// joins, dashes) and the coordinate system it was painted in. Pictures split the paintings into
// runs: a shape layer cannot hold a picture, which becomes an image layer between them; a path
// painted with a picture becomes its tiles, cut out by the path as a matte.
#pragma once

#include <QImage>
#include <QTransform>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "render/vg.h"

namespace pw {

class ImageStore;

class LottieSink final : public PaintSink {
 public:
  // `outputToLocal` maps the canvas's output coordinates to the coordinates the items are
  // written in.
  LottieSink(const QTransform& outputToLocal, ImageStore& store)
      : toLocal_(outputToLocal), store_(store) {}

  void paintPath(const QPainterPath& path, const QTransform& xf, const QPen* pen,
                 const VectorCanvas::PaintSource& source) override;
  void paintImage(int64_t imageId, const QImage& image, const QTransform& xf,
                  double opacity) override;

  // Paintings in the order painted: a run of path groups, or one picture.
  struct Run {
    std::vector<std::string> groups;  // each a group item, in painting order
    bool image = false;
    int64_t imageId = 0;
    QImage picture;
    // A placed picture: its pixels -> the local coordinates. Tiles: the system they are laid
    // in -> the local coordinates.
    QTransform xf;
    double opacity = 1;
    // A path painted with the picture: the group of the path (opaque) that cuts the tiles out,
    // what the paint can reach in the tiles' system and the tiles' size.
    std::string matte;
    QRectF area;
    double tileW = 0, tileH = 0;
  };
  const std::vector<Run>& runs() const { return runs_; }
  std::vector<Run> takeRuns() { return std::move(runs_); }
  // Paintings left out: paths painted with a picture that cannot be placed.
  int64_t skipped() const { return skipped_; }

 private:
  // The group item of `path` painted in `color` at `alpha`; empty for a path without outlines.
  std::string groupOf(const QPainterPath& path, const QTransform& xf, const QPen* pen,
                      const QColor& color, int alpha) const;
  void paintTiles(const QPainterPath& path, const QTransform& xf, const QPen* pen,
                  const VectorCanvas::PaintSource& source);

  std::vector<Run> runs_;
  QTransform toLocal_;
  ImageStore& store_;
  int64_t skipped_ = 0;
};

// The groups of a run, the last painted first (Lottie lists the topmost item first), comma
// separated.
std::string lottieItems(const std::vector<std::string>& groups);
// A JSON number: at most three decimals, "0" for anything that is not finite.
std::string lottieNumber(double v);
// The "sh" items of a path, one per subpath, comma separated; subpaths ending on their start
// are closed.
std::string lottiePathItems(const QPainterPath& path);
// A layer's position, rotation (degrees) and scales.
struct LottiePose {
  double x = 0, y = 0, degrees = 0, sx = 1, sy = 1;
};
// How a layer draws its content through `m`. Without a shear, `inner` says all of it. A shear
// takes two layers: `outer`, a null layer between the layer and its parent, holds the position,
// the scales and the rotation applied after them; `inner` the rotation applied first (the
// singular values of m: R(outer) S R(inner)). False when `m` is flat or not finite.
bool lottiePlacement(const QTransform& m, LottiePose& inner, LottiePose& outer, bool& sheared);
// A transform item ("ty":"tr") with constant anchor (0, 0), position, scale (percent) and
// rotation (degrees).
std::string lottieStaticTransform(double px, double py, double sx, double sy, double degrees);

}  // namespace pw
