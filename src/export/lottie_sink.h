// The paintings of a recording canvas as Lottie shape items: each filled or stroked path a group
// holding its outlines ("sh"), its fill (even-odd, as the canvas fills) or stroke (width, caps,
// joins, dashes) and the coordinate system it was painted in. Images split the paintings into
// runs: a shape layer cannot hold a picture, which becomes an image layer between them.
#pragma once

#include <QImage>
#include <QTransform>
#include <cstdint>
#include <string>
#include <vector>

#include "render/vg.h"

namespace pw {

class LottieSink final : public PaintSink {
 public:
  // `outputToLocal` maps the canvas's output coordinates to the coordinates the items are
  // written in.
  explicit LottieSink(const QTransform& outputToLocal) : toLocal_(outputToLocal) {}

  void paintPath(const QPainterPath& path, const QTransform& xf, const QPen* pen,
                 const VectorCanvas::PaintSource& source) override;
  void paintImage(int64_t imageId, const QImage& image, const QTransform& xf,
                  double opacity) override;

  // Paintings in the order painted: a run of path groups, or one image.
  struct Run {
    std::vector<std::string> groups;  // each a group item, in painting order
    bool image = false;
    int64_t imageId = 0;
    QImage picture;
    QTransform xf;  // the picture's pixels -> the local coordinates
    double opacity = 1;
  };
  const std::vector<Run>& runs() const { return runs_; }
  // Paintings left out: paths painted with an image.
  int64_t skipped() const { return skipped_; }

 private:
  std::vector<Run> runs_;
  QTransform toLocal_;
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
// The rotation (degrees) and scales of the linear part of `t` when it has no shear; false
// otherwise.
bool lottieSimilarity(const QTransform& t, double& sx, double& sy, double& degrees);
// A transform item ("ty":"tr") with constant anchor (0, 0), position, scale (percent) and
// rotation (degrees).
std::string lottieStaticTransform(double px, double py, double sx, double sy, double degrees);

}  // namespace pw
