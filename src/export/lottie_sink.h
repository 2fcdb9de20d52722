// The paintings of a recording canvas as Lottie shape items: each filled or stroked path a group
// holding its outlines ("sh"), its fill (even-odd, as the canvas fills) or stroke (width, caps,
// joins, dashes) and the coordinate system it was painted in.
#pragma once

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

  // The groups painted so far, the last painted first (Lottie lists the topmost item first),
  // comma separated; empty when nothing was painted.
  std::string items() const;
  // Paintings left out: images, and paths painted with an image.
  int64_t skipped() const { return skipped_; }
  void clear();

 private:
  std::vector<std::string> groups_;
  QTransform toLocal_;
  int64_t skipped_ = 0;
};

// A JSON number: at most three decimals, "0" for anything that is not finite.
std::string lottieNumber(double v);
// The "sh" items of a path, one per subpath, comma separated; subpaths ending on their start
// are closed.
std::string lottiePathItems(const QPainterPath& path);
// A transform item ("ty":"tr") with constant anchor (0, 0), position, scale (percent) and
// rotation (degrees).
std::string lottieStaticTransform(double px, double py, double sx, double sy, double degrees);

}  // namespace pw
