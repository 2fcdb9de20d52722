#include "render/vg.h"

#include <algorithm>
#include <cmath>

#include "render/image_store.h"
#include "render/path_reach.h"
#include "render/sampled_paint.h"

namespace pw {

namespace {

// Cubic Bézier approximation of a quarter ellipse.
constexpr double kKappa = 0.55228474983079334;
constexpr double kMiterLimit = 10.0;

bool usableWidth(double w) { return w > 0 && std::isfinite(w); }

// Anti-aliased edges, thin pens drawn one pixel wide and curve flattening may reach a little
// beyond the exact geometry.
constexpr int kPaintMargin = 3;
// A dash pattern is drawn solid when its dashes, each as long across the path as the pen is wide,
// would add up to more than this many pixels: every dash is filled over its whole width, and
// tens of thousands of wide ones take minutes while showing no pattern anyone could see. Normal
// patterns stay far below it (a pen of 50 with dashes of 10 on a path of 10,000 pixels: 25,000).
constexpr double kMaxDashSpan = 1 << 18;
// Texts longer than this (in characters) are laid out only as far as they can reach the image.
constexpr int kLongText = 256;

// Scale of a transform's linear part: the square root of its area factor.
double scaleOf(const QTransform& t) { return std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21())); }

// Smallest stretch of a transform's linear part (its smaller singular value).
double minStretchOf(const QTransform& t) {
  const double a = t.m11(), b = t.m12(), c = t.m21(), d = t.m22();
  const double s = a * a + b * b + c * c + d * d;
  const double det = std::abs(a * d - b * c);
  const double disc = std::sqrt(std::max(0.0, s * s / 4 - det * det));
  return std::sqrt(std::max(0.0, s / 2 - disc));
}

// Length of segment (a, b) inside r.
double lengthInside(const QRectF& r, QPointF a, QPointF b) {
  double t0 = 0, t1 = 1;
  if (!clipSegment(r, a, b, &t0, &t1)) return 0;
  return (t1 - t0) * std::hypot(b.x() - a.x(), b.y() - a.y());
}

// Length of the part of a device path that lies inside r, its curves flattened.
double visibleLength(const QPainterPath& device, const QRectF& r) {
  double total = 0;
  for (const QPolygonF& poly : device.toSubpathPolygons()) {
    for (qsizetype k = 1; k < poly.size(); ++k) total += lengthInside(r, poly[k - 1], poly[k]);
  }
  return total;
}

}  // namespace

VectorCanvas::~VectorCanvas() {
  if (painter_.isActive()) painter_.end();
}

bool VectorCanvas::beginDrawing(QImage& target) {
  if (drawing()) endDrawing();
  if (target.isNull()) return false;
  if (!painter_.begin(&target)) return false;
  target_ = &target;
  painter_.setRenderHint(QPainter::Antialiasing, true);
  painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
  xf_.reset();
  band_ = QRect();
  changedTransform();
  painterGen_ = 0;
  watch_ = PaintWatch{};
  clearPath();
  source_ = Source::Color;
  color_ = Qt::black;
  return true;
}

bool VectorCanvas::beginRecording(PaintSink& sink, int width, int height) {
  endDrawing();
  if (width <= 0 || height <= 0) return false;
  sink_ = &sink;
  sinkW_ = width;
  sinkH_ = height;
  xf_.reset();
  band_ = QRect();
  changedTransform();
  watch_ = PaintWatch{};
  clearPath();
  source_ = Source::Color;
  color_ = Qt::black;
  return true;
}

void VectorCanvas::endDrawing() {
  if (painter_.isActive()) painter_.end();
  target_ = nullptr;
  sink_ = nullptr;
  sinkW_ = sinkH_ = 0;
  clearPath();
}

void VectorCanvas::setBand(int top, int bottom) {
  if (!painter_.isActive()) return;
  band_ = QRect(0, top, outputWidth(), bottom - top);
  painter_.setClipRect(band_);
}

int VectorCanvas::outputWidth() const { return target_ ? target_->width() : sinkW_; }
int VectorCanvas::outputHeight() const { return target_ ? target_->height() : sinkH_; }

// --- Coordinate system ---------------------------------------------------------------------

void VectorCanvas::resetTransform() {
  xf_.reset();
  changedTransform();
}

void VectorCanvas::scaleBy(double sx, double sy) {
  xf_.scale(sx, sy);
  changedTransform();
}

void VectorCanvas::translateBy(double dx, double dy) {
  xf_.translate(dx, dy);
  changedTransform();
}

void VectorCanvas::rotateAbout(double x, double y, double degrees) {
  xf_.translate(x, y);
  xf_.rotate(degrees);
  xf_.translate(-x, -y);
  changedTransform();
}

// --- Path ----------------------------------------------------------------------------------

void VectorCanvas::clearPath() {
  path_.clear();
  path_.setFillRule(Qt::OddEvenFill);
  pathUser_ = true;
  pathFresh_ = true;
}

void VectorCanvas::preparePath(bool startsFigure) {
  if (pathFresh_ || (startsFigure && path_.isEmpty())) {
    // Nothing that matters is in the path yet: (re)start it in the system in force.
    if (!pathFresh_) path_.clear();
    pathUser_ = true;
    pathXf_ = xf_;
    pathGen_ = gen_;
    pathFresh_ = false;
    return;
  }
  if (!pathUser_) return;
  if (pathGen_ == gen_) return;
  if (pathXf_ == xf_) {
    pathGen_ = gen_;
    return;
  }
  // The system changed under a path in progress: keep what is there in output coordinates.
  path_ = pathXf_.map(path_);
  path_.setFillRule(Qt::OddEvenFill);
  pathUser_ = false;
}

void VectorCanvas::moveTo(double x, double y) {
  preparePath(true);
  path_.moveTo(toPath(x, y));
}

void VectorCanvas::lineTo(double x, double y) {
  preparePath(false);
  path_.lineTo(toPath(x, y));
}

void VectorCanvas::curveTo(double c1x, double c1y, double c2x, double c2y, double ex, double ey,
                           bool relative) {
  preparePath(false);
  if (relative) {
    const QPointF c = path_.currentPosition();
    path_.cubicTo(c + offsetToPath(c1x, c1y), c + offsetToPath(c2x, c2y),
                  c + offsetToPath(ex, ey));
  } else {
    path_.cubicTo(toPath(c1x, c1y), toPath(c2x, c2y), toPath(ex, ey));
  }
}

void VectorCanvas::addRect(double x, double y, double w, double h) {
  preparePath(true);
  path_.moveTo(toPath(x, y));
  path_.lineTo(toPath(x + w, y));
  path_.lineTo(toPath(x + w, y + h));
  path_.lineTo(toPath(x, y + h));
  path_.closeSubpath();
}

void VectorCanvas::addEllipse(double cx, double cy, double rx, double ry) {
  preparePath(true);
  if (rx == 0 || ry == 0) {
    // A zero-length figure: it moves the cursor and shows nothing.
    path_.moveTo(toPath(cx, cy));
    path_.lineTo(toPath(cx, cy));
    return;
  }
  const double kx = rx * kKappa, ky = ry * kKappa;
  path_.moveTo(toPath(cx + rx, cy));
  path_.cubicTo(toPath(cx + rx, cy + ky), toPath(cx + kx, cy + ry), toPath(cx, cy + ry));
  path_.cubicTo(toPath(cx - kx, cy + ry), toPath(cx - rx, cy + ky), toPath(cx - rx, cy));
  path_.cubicTo(toPath(cx - rx, cy - ky), toPath(cx - kx, cy - ry), toPath(cx, cy - ry));
  path_.cubicTo(toPath(cx + kx, cy - ry), toPath(cx + rx, cy - ky), toPath(cx + rx, cy));
  path_.closeSubpath();
}

void VectorCanvas::addCircle(double cx, double cy, double r) { addEllipse(cx, cy, r, r); }

void VectorCanvas::closeFigure() {
  if (pathFresh_) return;
  path_.closeSubpath();
}

// --- Text ----------------------------------------------------------------------------------

void VectorCanvas::setFont(int64_t fontId, double size) {
  fontId_ = fontId;
  fontSize_ = size;
}

void VectorCanvas::appendAtCursor(const QPainterPath& src) {
  preparePath(false);
  const QPointF c = path_.currentPosition();
  const int n = src.elementCount();
  for (int k = 0; k < n; ++k) {
    const QPainterPath::Element& e = src.elementAt(k);
    const QPointF p = c + offsetToPath(e.x, e.y);
    if (e.isMoveTo()) {
      path_.moveTo(p);
    } else if (e.isLineTo()) {
      path_.lineTo(p);
    } else if (e.isCurveTo() && k + 2 < n) {
      const QPainterPath::Element& e1 = src.elementAt(k + 1);
      const QPainterPath::Element& e2 = src.elementAt(k + 2);
      path_.cubicTo(p, c + offsetToPath(e1.x, e1.y), c + offsetToPath(e2.x, e2.y));
      k += 2;
    }
  }
}

double VectorCanvas::textReach() {
  if (!drawing()) return -1;
  const double stretch = minStretchOf(xf_);
  if (!(stretch > 0) || !std::isfinite(stretch)) return -1;
  preparePath(false);
  const QPointF c = path_.currentPosition();
  const QPointF origin = pathUser_ ? pathXf_.map(c) : c;
  double far = 0;
  const double w = outputWidth(), h = outputHeight();
  for (const QPointF corner : {QPointF(0, 0), QPointF(w, 0), QPointF(0, h), QPointF(w, h)})
    far = std::max(far, std::hypot(corner.x() - origin.x(), corner.y() - origin.y()));
  return far / stretch;
}

void VectorCanvas::addText(const std::string& text) {
  if (text.empty()) return;
  if (text.size() > static_cast<size_t>(kLongText)) {
    // Characters whose advance lies farther from the start than any corner of the image (with
    // room for the widest glyph) cannot reach it.
    const double reach = textReach();
    if (reach >= 0) {
      const std::string shown = store_.textPrefixWithin(fontId_, fontSize_, text, reach);
      if (shown.size() < text.size()) {
        const QPainterPath& outline = store_.textOutline(fontId_, fontSize_, shown);
        if (!outline.isEmpty()) appendAtCursor(outline);
        return;
      }
    }
  }
  const QPainterPath& outline = store_.textOutline(fontId_, fontSize_, text);
  if (outline.isEmpty()) return;
  appendAtCursor(outline);
}

double VectorCanvas::textWidth(const std::string& text) {
  return store_.textExtent(fontId_, fontSize_, text).width();
}

double VectorCanvas::textHeight(const std::string& text) {
  return store_.textExtent(fontId_, fontSize_, text).height();
}

// --- Sources -------------------------------------------------------------------------------

VectorCanvas::PaintSource VectorCanvas::paintSource() const {
  return {source_ == Source::Image, color_, srcImage_, srcAlpha_, srcTileW_, srcTileH_,
          srcRepeat_};
}

void VectorCanvas::setPaintSource(const PaintSource& s) {
  source_ = s.image ? Source::Image : Source::Color;
  color_ = s.color;
  srcImage_ = s.imageId;
  srcAlpha_ = s.alpha;
  srcTileW_ = s.tileW;
  srcTileH_ = s.tileH;
  srcRepeat_ = s.repeat;
}

void VectorCanvas::setSourceColor(int64_t rgba) {
  source_ = Source::Color;
  color_ = QColor(static_cast<int>(rgba & 255), static_cast<int>((rgba >> 8) & 255),
                  static_cast<int>((rgba >> 16) & 255), static_cast<int>((rgba >> 24) & 255));
}

void VectorCanvas::setSourceImage(int64_t imageId, int alpha, double tileW, double tileH,
                                  bool repeat) {
  source_ = Source::Image;
  srcImage_ = imageId;
  srcAlpha_ = std::clamp(alpha, 0, 255);
  srcTileW_ = tileW;
  srcTileH_ = tileH;
  srcRepeat_ = repeat;
}


void VectorCanvas::drawImage(int64_t imageId, int alpha, double w, double h) {
  const QImage* img = store_.image(imageId);
  if (!drawing() || !img || img->width() <= 0 || img->height() <= 0) return;
  // The cursor in output coordinates; the image's axes follow the system in force.
  const QPointF c = pathUser_ && !pathFresh_ ? pathXf_.map(path_.currentPosition())
                    : pathFresh_         ? xf_.map(QPointF(0, 0))
                                         : path_.currentPosition();
  QTransform m(xf_.m11(), xf_.m12(), xf_.m21(), xf_.m22(), c.x(), c.y());
  m.scale(w / img->width(), h / img->height());
  if (!m.isInvertible() || !std::isfinite(m.determinant())) return;
  if (measuring()) {
    const QRectF r = m.mapRect(QRectF(0, 0, img->width(), img->height()));
    if (!watchPaint(outputRectOf(r))) return;
  }
  if (watch_.allow && !watch_.allow()) return;
  if (sink_) return sink_->paintImage(imageId, *img, m, std::clamp(alpha, 0, 255) / 255.0);
  // A band skips what cannot reach its rows.
  const QRect area = outputRectOf(m.mapRect(QRectF(0, 0, img->width(), img->height())));
  if (!band_.isEmpty() && !area.intersects(band_)) return;
  const double opacity = std::clamp(alpha, 0, 255) / 255.0;
  paintSampled(painter_, *target_, area, band_, [&](QPainter& p) {
    p.setOpacity(opacity);
    p.setTransform(m);
    p.drawImage(QPointF(0, 0), *img);
  });
}

// --- Painting ------------------------------------------------------------------------------

QPen& VectorCanvas::strokePen(double width, Qt::PenCapStyle cap) {
  pen_.setStyle(Qt::SolidLine);
  pen_.setWidthF(width);
  pen_.setCapStyle(cap);
  pen_.setJoinStyle(Qt::MiterJoin);
  pen_.setMiterLimit(kMiterLimit);
  pen_.setDashOffset(0);
  return pen_;
}

void VectorCanvas::paintImageSource(const QPainterPath& p, const QPen* pen) {
  const QImage* img = store_.image(srcImage_);
  if (!img || img->width() <= 0 || img->height() <= 0) return;
  const double tw = srcTileW_ > 0 ? srcTileW_ : img->width();
  const double th = srcTileH_ > 0 ? srcTileH_ : img->height();
  // What the paint can touch; a pen thinner than a pixel is drawn a pixel wide.
  const double scale = scaleOf(xf_);
  QPen widened;
  const QPen* reach = pen;
  if (pen && scale > 0 && pen->widthF() * scale <= 1) {
    widened = *pen;
    widened.setWidthF(1 / scale);
    reach = &widened;
  }
  const QTransform xf = painter_.transform();
  paintSampled(painter_, *target_, paintedRect(p, reach), band_, [&](QPainter& q) {
    q.setOpacity(srcAlpha_ / 255.0);
    q.setTransform(xf);
    if (srcRepeat_) {
      // A texture brush is laid in the painter's user system, its first tile at the origin.
      QBrush brush(*img);
      brush.setTransform(QTransform::fromScale(tw / img->width(), th / img->height()));
      if (pen) {
        QPen pp(*pen);
        pp.setBrush(brush);
        q.setPen(pp);
        q.setBrush(Qt::NoBrush);
      } else {
        q.setPen(Qt::NoPen);
        q.setBrush(brush);
      }
      q.drawPath(p);
    } else {
      // One image, clipped to what the path covers.
      if (pen) {
        QPainterPathStroker stroker(*pen);
        q.setClipPath(stroker.createStroke(p));
      } else {
        q.setClipPath(p);
      }
      q.drawImage(QRectF(0, 0, tw, th), *img);
    }
  });
  painterGen_ = 0;  // restore() brought back an older transform
}

QRect VectorCanvas::outputRectOf(const QRectF& r) const {
  const QRect out(0, 0, outputWidth(), outputHeight());
  const bool finite = std::isfinite(r.left()) && std::isfinite(r.top()) &&
                      std::isfinite(r.right()) && std::isfinite(r.bottom());
  // Far outside the output, or not a number: take the whole output.
  if (!finite || std::fabs(r.left()) > 1e8 || std::fabs(r.top()) > 1e8 ||
      std::fabs(r.right()) > 1e8 || std::fabs(r.bottom()) > 1e8) {
    return out;
  }
  return r.toAlignedRect().adjusted(-kPaintMargin, -kPaintMargin, kPaintMargin, kPaintMargin) &
         out;
}

QRect VectorCanvas::paintedRect(const QPainterPath& p, const QPen* pen) const {
  QRectF r = p.controlPointRect();
  if (pen) {
    r |= strokeBounds(p, pen->widthF(), pen->capStyle(), pen->joinStyle(), pen->miterLimit());
  }
  return outputRectOf(xf_.mapRect(r));
}

PaintReach VectorCanvas::paintReach(const QPen* pen) const {
  PaintReach r;
  r.output = QRectF(0, 0, outputWidth(), outputHeight());
  r.xf = xf_;
  if (pen) {
    r.penWidth = pen->widthF();
    if (pen->style() == Qt::CustomDashLine) {
      for (const double u : pen->dashPattern()) r.dashes.push_back(u * pen->widthF());
    }
  }
  return r;
}

bool VectorCanvas::watchPaint(const QRect& r) {
  if (watch_.bounds) *watch_.bounds |= r;
  if (watch_.ops) watch_.ops->push_back(r);
  return !watch_.measureOnly;
}

void VectorCanvas::paintPath(const QPen* pen) {
  if (!drawing() || pathFresh_ || path_.isEmpty() || !xf_.isInvertible()) {
    clearPath();
    return;
  }
  QPainterPath mapped;
  const QPainterPath* p = &path_;
  if (!pathInCurrentSystem()) {
    const QTransform back = pathUser_ ? pathXf_ * xf_.inverted() : xf_.inverted();
    mapped = back.map(path_);
    mapped.setFillRule(Qt::OddEvenFill);
    p = &mapped;
  }
  // A path reaching far beyond the image is cut down to what can reach it first.
  QPainterPath bounded;
  QPen solid;
  switch (boundPathForPaint(*p, paintReach(pen), &bounded)) {
    case PathCut::kWhole:
      break;
    case PathCut::kCut:
      p = &bounded;
      break;
    case PathCut::kDashes:
      p = &bounded;
      solid = *pen;
      solid.setStyle(Qt::SolidLine);
      pen = &solid;
      break;
  }
  // A pen thinner than a pixel is drawn one pixel wide (outlined so below), and its miters reach
  // as far as that wider pen's: what it can touch is measured with the wider pen.
  const double scale = scaleOf(xf_);
  const bool hairline = pen && pen->widthF() * scale <= 1;
  QPen widened;
  const QPen* reach = pen;
  if (hairline && scale > 0) {
    widened = *pen;
    widened.setWidthF(1 / scale);
    reach = &widened;
  }
  const QRect painted = paintedRect(*p, reach);
  if ((measuring() && !watchPaint(painted)) || (watch_.allow && !watch_.allow())) {
    clearPath();
    return;
  }
  // A band skips what cannot reach its rows.
  if (!band_.isEmpty() && !painted.intersects(band_)) {
    clearPath();
    return;
  }
  if (sink_) {
    sink_->paintPath(*p, xf_, pen, paintSource());
    clearPath();
    return;
  }
  QPainterPath outline;
  if (pen && outlinedStrokes_) {
    if (hairline || pen->style() != Qt::SolidLine) {
      QPainterPathStroker stroker(*pen);
      if (hairline && scale > 0) stroker.setWidth(1 / scale);
      outline = stroker.createStroke(*p);
      p = &outline;
      pen = nullptr;
    }
  }
  if (painterGen_ != gen_) {
    painter_.setTransform(xf_);
    painterGen_ = gen_;
  }
  if (source_ == Source::Image) {
    paintImageSource(*p, pen);
  } else if (pen) {
    QPen colored(*pen);
    colored.setColor(color_);
    painter_.setPen(colored);
    painter_.setBrush(Qt::NoBrush);
    painter_.drawPath(*p);
  } else {
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(color_);
    painter_.drawPath(*p);
  }
  clearPath();
}

void VectorCanvas::fill() { paintPath(nullptr); }

void VectorCanvas::stroke(double width, bool roundEnds) {
  if (!usableWidth(width)) return clearPath();
  paintPath(&strokePen(width, roundEnds ? Qt::RoundCap : Qt::FlatCap));
}

void VectorCanvas::strokeDashed(double width, double length) {
  if (!usableWidth(width)) return clearPath();
  QPen& pen = strokePen(width, Qt::FlatCap);
  // A dash length of 0 or less has no pattern to repeat: the line is drawn solid.
  if (length > 0 && std::isfinite(length) && !tooManyDashes(width, 2 * length)) {
    const double u = length / width;  // the pen counts its pattern in pen widths
    pen.setDashPattern({u, u});
  }
  paintPath(&pen);
}

void VectorCanvas::strokeDotted(double width, double distance, bool roundEnds) {
  if (!usableWidth(width)) return clearPath();
  QPen& pen = strokePen(width, roundEnds ? Qt::RoundCap : Qt::FlatCap);
  const double gap = distance - width;
  // Dots closer than their own diameter overlap into one continuous line.
  if (gap > 0 && std::isfinite(gap) && !tooManyDashes(width, distance))
    pen.setDashPattern({0.000001, gap / width});
  paintPath(&pen);
}

bool VectorCanvas::tooManyDashes(double width, double period) const {
  if (!drawing() || pathFresh_ || path_.isEmpty()) return false;
  const double scale = scaleOf(xf_);
  if (!(scale > 0) || !std::isfinite(scale)) return false;
  const double widthPx = width * scale, periodPx = period * scale;
  // Only the dashes that can reach the image count: those within half a pen width of it.
  const double reach = widthPx / 2 + 1;
  const QRectF around =
      QRectF(0, 0, outputWidth(), outputHeight()).adjusted(-reach, -reach, reach, reach);
  const double dashes = visibleLength(path(), around) / periodPx;
  return dashes * widthPx > kMaxDashSpan;
}

const QPainterPath& VectorCanvas::path() const {
  if (!pathUser_ || pathXf_.isIdentity()) return path_;
  outPath_ = pathXf_.map(path_);
  outPath_.setFillRule(Qt::OddEvenFill);
  return outPath_;
}

bool VectorCanvas::pathContains(double x, double y) const {
  if (pathFresh_ || path_.isEmpty() || !xf_.isInvertible()) return false;
  if (pathInCurrentSystem()) return path_.contains(QPointF(x, y));
  const QPointF out = xf_.map(QPointF(x, y));
  if (!pathUser_) return path_.contains(out);
  bool ok = false;
  const QTransform back = pathXf_.inverted(&ok);
  return ok && path_.contains(back.map(out));
}

}  // namespace pw
