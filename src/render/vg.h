// The vector drawing layer over QPainter. One current path made of figures, held in output
// (device) coordinates: every point given to a path operation is mapped through the user
// coordinate system in force at that moment. Painting maps the path back through the system in
// force at paint time, so stroke widths, dash lengths and image patterns are in user units.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRect>
#include <QTransform>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pw {

class ImageStore;
class PaintSink;
struct PaintReach;

class VectorCanvas {
 public:
  explicit VectorCanvas(ImageStore& store) : store_(store) {}
  VectorCanvas(const VectorCanvas&) = delete;
  VectorCanvas& operator=(const VectorCanvas&) = delete;
  ~VectorCanvas();

  // Opens an image (32-bit with alpha) for drawing; false when it cannot be opened (null image).
  bool beginDrawing(QImage& target);
  // Opens a width x height output whose paintings go to `sink` instead of pixels (a vector
  // file); everything else runs as when drawing an image of that size.
  bool beginRecording(PaintSink& sink, int width, int height);
  void endDrawing();
  bool drawing() const { return painter_.isActive() || sink_; }
  // Writes only rows top ... bottom - 1 of the open image; everything is drawn as on the whole
  // image. Several canvases may draw different bands of images that share their pixels at once.
  // Call right after beginDrawing.
  void setBand(int top, int bottom);
  // Strokes whose pixels the rasterizer would make depend on what is clipped (hairlines of a
  // pixel or less, and dash and dot patterns, which it lays out only near the clip) are painted
  // as the fill of their outline instead, laid out on the whole path: a band then gets exactly
  // the pixels of the whole picture. Hairlines stay a pixel wide. Kept across drawings.
  void setOutlinedStrokes(bool on) { outlinedStrokes_ = on; }
  int outputWidth() const;
  int outputHeight() const;
  // Partial redraws. With `bounds` set, every painting operation adds the output pixels it can
  // touch (a conservative rectangle) to *bounds, and with `ops` set appends them there; with
  // `measureOnly` on, nothing is painted, and paths are consumed as if they were. `allow`, when
  // set, is asked before each painting operation, in the same order: false skips it.
  struct PaintWatch {
    QRect* bounds = nullptr;
    bool measureOnly = false;
    std::vector<QRect>* ops = nullptr;
    std::function<bool()> allow;
  };
  void setPaintWatch(const PaintWatch& w) { watch_ = w; }
  // True while no outline waits in the current path to be painted.
  bool pathEmpty() const { return pathFresh_; }

  void resetTransform();
  void scaleBy(double sx, double sy);
  void translateBy(double dx, double dy);
  void rotateAbout(double x, double y, double degrees);
  const QTransform& transform() const { return xf_; }

  void moveTo(double x, double y);
  void lineTo(double x, double y);
  void curveTo(double c1x, double c1y, double c2x, double c2y, double ex, double ey,
               bool relative = false);
  void addRect(double x, double y, double w, double h);
  void addEllipse(double cx, double cy, double rx, double ry);
  void addCircle(double cx, double cy, double r);
  void closeFigure();

  void setFont(int64_t fontId, double size);
  void addText(const std::string& text);
  double textWidth(const std::string& text);
  double textHeight(const std::string& text);

  // What the next fill or stroke paints with. It carries over from one painting to the next
  // until set again: a drawing that skips shapes puts back the one they would have left.
  struct PaintSource {
    bool image = false;
    QColor color = Qt::black;
    int64_t imageId = 0;
    int alpha = 255;
    double tileW = 0, tileH = 0;
    bool repeat = false;
    bool operator==(const PaintSource&) const = default;
  };
  PaintSource paintSource() const;
  void setPaintSource(const PaintSource& s);

  void setSourceColor(int64_t rgba);
  void setSourceImage(int64_t imageId, int alpha, double tileW, double tileH, bool repeat);
  void drawImage(int64_t imageId, int alpha, double w, double h);

  void fill();
  void stroke(double width, bool roundEnds);
  void strokeDashed(double width, double length);
  void strokeDotted(double width, double distance, bool roundEnds);
  bool pathContains(double x, double y) const;

  // The current path, in output coordinates, and the cursor.
  const QPainterPath& path() const;
  void clearPath();
  ImageStore& store() { return store_; }

 private:
  // The path is held in "path space". While every point of it was given under one coordinate
  // system (the common case), path space is that user system (pathXf_ maps it to the output) and
  // painting under the same system draws the path as it is. Once the system changes in the middle
  // of a path, the path is moved to output coordinates and painting maps it back.
  void preparePath(bool startsFigure);
  // A user point (or offset) in path space; preparePath must have run for this operation.
  QPointF toPath(double x, double y) const {
    return pathUser_ ? QPointF(x, y) : xf_.map(QPointF(x, y));
  }
  QPointF offsetToPath(double dx, double dy) const {
    return pathUser_ ? QPointF(dx, dy)
                     : QPointF(xf_.m11() * dx + xf_.m21() * dy, xf_.m12() * dx + xf_.m22() * dy);
  }
  bool pathInCurrentSystem() const {
    return pathUser_ && (pathGen_ == gen_ || pathXf_ == xf_);
  }
  void changedTransform() { ++gen_; }
  // Appends `src` (user units, relative to the cursor) at the cursor.
  void appendAtCursor(const QPainterPath& src);
  // Paints the current path with the source: filled (pen == nullptr) or stroked; clears it.
  void paintPath(const QPen* pen);
  void paintImageSource(const QPainterPath& p, const QPen* pen);
  QPen& strokePen(double width, Qt::PenCapStyle cap);
  // Output pixels that painting `p` (in the system in force) with `pen` (or a fill) can touch.
  QRect paintedRect(const QPainterPath& p, const QPen* pen) const;
  // A rectangle in output coordinates, widened by the paint margin and cut to the output.
  QRect outputRectOf(const QRectF& r) const;
  // The image, the system in force and the pen, for cutting down paths that reach far.
  PaintReach paintReach(const QPen* pen) const;
  // Reports a painting operation to the watch; false when it must not paint.
  bool watchPaint(const QRect& r);
  bool measuring() const { return watch_.bounds || watch_.ops || watch_.measureOnly; }
  // True when dashes of `period` (user units) along the current path, drawn with a pen of
  // `width`, would cross the image so often that the pattern is drawn solid instead.
  bool tooManyDashes(double width, double period) const;
  // Farthest distance, in user units, from the cursor to a corner of the image; -1 when unknown.
  double textReach();

  ImageStore& store_;
  QPainter painter_;
  QImage* target_ = nullptr;
  PaintSink* sink_ = nullptr;  // beginRecording
  int sinkW_ = 0, sinkH_ = 0;
  QTransform xf_;
  QRect band_;  // setBand; empty: the whole image
  bool outlinedStrokes_ = false;
  uint64_t gen_ = 1;         // bumped on every change of xf_
  uint64_t painterGen_ = 0;  // gen_ last given to the painter
  QPainterPath path_;
  QTransform pathXf_;        // path space -> output, while pathUser_
  uint64_t pathGen_ = 0;
  bool pathUser_ = true;
  bool pathFresh_ = true;    // nothing added since the last clear
  QPen pen_;
  mutable QPainterPath outPath_;  // path() when path space is not the output
  // Paint source.
  enum class Source { Color, Image } source_ = Source::Color;
  QColor color_ = Qt::black;
  int64_t srcImage_ = 0;
  int srcAlpha_ = 255;
  double srcTileW_ = 0, srcTileH_ = 0;
  bool srcRepeat_ = false;
  PaintWatch watch_;
  // Text.
  int64_t fontId_ = 0;
  double fontSize_ = 10;
};

// What a recording canvas paints. Paths come in the user system in force at paint time (`xf`
// maps them to output coordinates), filled with the odd-even rule (pen null) or stroked with
// `pen` (width, caps, joins and dash pattern in user units), cut down to what can reach the
// output as for pixels; images come with the mapping of their pixels to output coordinates.
class PaintSink {
 public:
  virtual ~PaintSink() = default;
  virtual void paintPath(const QPainterPath& path, const QTransform& xf, const QPen* pen,
                         const VectorCanvas::PaintSource& source) = 0;
  virtual void paintImage(int64_t imageId, const QImage& image, const QTransform& xf,
                          double opacity) = 0;
};

}  // namespace pw
