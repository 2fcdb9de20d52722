// The paintings of a recording canvas as the elements of an SVG 1.1 document: each filled or
// stroked path a <path> with its colour, opacity, pen and the coordinate system it was painted
// in, each image a <use> of an embedded PNG, image paint a tiled <pattern>.
#pragma once

#include <QRectF>
#include <QTransform>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "render/vg.h"

namespace pw {

class ImageStore;

class SvgSink final : public PaintSink {
 public:
  // `outputToDocument` maps the canvas's output coordinates to the document's own, which the
  // file's viewBox is given in. `store` holds the images that image paint names.
  SvgSink(const ImageStore& store, const QTransform& outputToDocument)
      : store_(store), toDoc_(outputToDocument) {}

  void paintPath(const QPainterPath& path, const QTransform& xf, const QPen* pen,
                 const VectorCanvas::PaintSource& source) override;
  void paintImage(int64_t imageId, const QImage& image, const QTransform& xf,
                  double opacity) override;

  // Paintings that cannot reach `output` (in the canvas's output coordinates) are left out of
  // the file: it shows nothing else. Until set, everything is written.
  void setOutput(const QRectF& output) { output_ = output; }

  // The whole file: width x height (user units) showing `viewBox` of the document.
  std::string document(int width, int height, const QRectF& viewBox);

  // Number of painted elements so far.
  int64_t elements() const { return elements_; }

 private:
  // The id of the embedded image, added to the definitions on first use; empty when it cannot
  // be encoded.
  std::string imageDef(int64_t imageId, const QImage& image);
  // The id of a pattern tiling that image at tw x th user units.
  std::string patternDef(int64_t imageId, const QImage& image, double tw, double th);
  // Whether `r` (output coordinates), widened by `margin`, can reach the output.
  bool reachesOutput(const QRectF& r, double margin) const;
  // Puts the following elements into the system `t` (document units), opening a group when it
  // is not the identity.
  void enterSystem(const QTransform& t);
  void leaveSystem();

  const ImageStore& store_;
  QTransform toDoc_;
  QRectF output_;
  std::string defs_;
  std::string body_;
  bool inGroup_ = false;
  QTransform group_;
  std::map<int64_t, std::string> images_;
  std::map<std::tuple<int64_t, double, double>, std::string> patterns_;
  int64_t elements_ = 0;
  int clips_ = 0;
};

// A number for an SVG attribute: at most three decimals, no trailing zeros, "0" for anything
// that is not finite.
std::string svgNumber(double v);
// The path data ("M 0 0 L 10 0 ... Z") of a path; subpaths ending on their start are closed.
std::string svgPathData(const QPainterPath& path);

}  // namespace pw
