// The vector drawing layer over QPainter. One current path made of figures, held in output
// (device) coordinates: every point given to a path operation is mapped through the user
// coordinate system in force at that moment. Painting maps the path back through the system in
// force at paint time, so stroke widths, dash lengths and image patterns are in user units.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cstdint>
#include <string>

namespace pw {

class ImageStore;

class VectorCanvas {
 public:
  explicit VectorCanvas(ImageStore& store) : store_(store) {}
  VectorCanvas(const VectorCanvas&) = delete;
  VectorCanvas& operator=(const VectorCanvas&) = delete;
  ~VectorCanvas();

  // Opens an image (32-bit with alpha) for drawing; false when it cannot be opened (null image).
  bool beginDrawing(QImage& target);
  void endDrawing();
  bool drawing() const { return painter_.isActive(); }
  int outputWidth() const;
  int outputHeight() const;

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

  void setSourceColor(int64_t rgba);
  void setSourceImage(int64_t imageId, int alpha, double tileW, double tileH, bool repeat);
  void drawImage(int64_t imageId, int alpha, double w, double h);

  void fill();
  void stroke(double width, bool roundEnds);
  void strokeDashed(double width, double length);
  void strokeDotted(double width, double distance, bool roundEnds);
  bool pathContains(double x, double y) const;

  // The current path, in output coordinates, and the cursor.
  const QPainterPath& path() const { return path_; }
  void clearPath();
  ImageStore& store() { return store_; }

 private:
  // Device point of a user point.
  QPointF map(double x, double y) const { return xf_.map(QPointF(x, y)); }
  void paintPath(const QPen* pen, bool fillIt);

  ImageStore& store_;
  QPainter painter_;
  QImage* target_ = nullptr;
  QTransform xf_;
  QPainterPath path_;
  QPointF cursor_;  // output coordinates
  bool cursorSet_ = false;
  // Paint source.
  enum class Source { Color, Image } source_ = Source::Color;
  QColor color_ = Qt::black;
  int64_t srcImage_ = 0;
  int srcAlpha_ = 255;
  double srcTileW_ = 0, srcTileH_ = 0;
  bool srcRepeat_ = false;
  // Text.
  int64_t fontId_ = 0;
  double fontSize_ = 10;
};

}  // namespace pw
