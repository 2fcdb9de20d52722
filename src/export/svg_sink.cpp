#include "export/svg_sink.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainterPathStroker>
#include <QPen>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "render/image_store.h"

namespace pw {

namespace {

// Past this size a number is written in exponent form rather than with all its digits.
constexpr double kPlainLimit = 1e15;

void appendNumber(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += '0';
    return;
  }
  char buf[64];
  const bool plain = std::fabs(v) < kPlainLimit;
  const auto r = plain ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3)
                       : std::to_chars(buf, buf + sizeof buf, v);
  char* end = r.ptr;
  if (plain) {
    while (end > buf && end[-1] == '0') --end;
    if (end > buf && end[-1] == '.') --end;
  }
  std::string_view text(buf, static_cast<size_t>(end - buf));
  if (text == "-0") text = "0";
  out += text;
}

void appendPoint(std::string& out, double x, double y) {
  appendNumber(out, x);
  out += ' ';
  appendNumber(out, y);
}

// matrix(a b c d e f) of a transform's affine part.
std::string matrixOf(const QTransform& t) {
  std::string out = "matrix(";
  for (const double v : {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()}) {
    appendNumber(out, v);
    out += ' ';
  }
  out.back() = ')';
  return out;
}

std::string hexColor(const QColor& c) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "#";
  for (const int v : {c.red(), c.green(), c.blue()}) {
    out += kHex[(v >> 4) & 15];
    out += kHex[v & 15];
  }
  return out;
}

// ` name="v"`, left out when v is 1 (the default opacity).
void appendOpacity(std::string& out, const char* name, double v) {
  if (v >= 1) return;
  out += ' ';
  out += name;
  out += "=\"";
  appendNumber(out, v);
  out += '"';
}

bool finiteRect(const QRectF& r) {
  return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.right()) &&
         std::isfinite(r.bottom());
}

const char* capName(Qt::PenCapStyle c) {
  switch (c) {
    case Qt::RoundCap: return "round";
    case Qt::SquareCap: return "square";
    default: return "butt";
  }
}

const char* joinName(Qt::PenJoinStyle j) {
  switch (j) {
    case Qt::RoundJoin: return "round";
    case Qt::BevelJoin: return "bevel";
    default: return "miter";
  }
}

// Stroke attributes of a pen as the raster draws it: a pen thinner than an output pixel is drawn
// a pixel wide; the dash pattern counts in widths of the pen as given.
std::string strokeAttributes(const QPen& pen, const QTransform& xf) {
  const double scale = std::sqrt(std::abs(xf.determinant()));
  double width = pen.widthF();
  if (scale > 0 && width * scale < 1) width = 1 / scale;
  std::string out = " stroke-width=\"";
  appendNumber(out, width);
  out += "\" stroke-linecap=\"";
  out += capName(pen.capStyle());
  out += "\" stroke-linejoin=\"";
  out += joinName(pen.joinStyle());
  out += '"';
  if (pen.joinStyle() == Qt::MiterJoin) {
    out += " stroke-miterlimit=\"";
    appendNumber(out, pen.miterLimit());
    out += '"';
  }
  if (pen.style() == Qt::CustomDashLine) {
    out += " stroke-dasharray=\"";
    for (const double u : pen.dashPattern()) {
      appendNumber(out, std::max(u * pen.widthF(), 0.001));
      out += ' ';
    }
    out.back() = '"';
  }
  return out;
}

}  // namespace

std::string svgNumber(double v) {
  std::string out;
  appendNumber(out, v);
  return out;
}

std::string svgPathData(const QPainterPath& path) {
  std::string d;
  const int n = path.elementCount();
  d.reserve(static_cast<size_t>(n) * 12);
  QPointF start;
  for (int k = 0; k < n; ++k) {
    const QPainterPath::Element& e = path.elementAt(k);
    const bool lastOfFigure = k + 1 >= n || path.elementAt(k + 1).isMoveTo();
    if (e.isMoveTo()) {
      if (lastOfFigure) continue;  // a lone move draws nothing
      start = e;
      d += 'M';
      appendPoint(d, e.x, e.y);
    } else if (e.isLineTo()) {
      if (lastOfFigure && QPointF(e) == start) {
        d += 'Z';
        continue;
      }
      d += 'L';
      appendPoint(d, e.x, e.y);
    } else if (e.isCurveTo() && k + 2 < n) {
      const QPainterPath::Element& e1 = path.elementAt(k + 1);
      const QPainterPath::Element& e2 = path.elementAt(k + 2);
      d += 'C';
      appendPoint(d, e.x, e.y);
      d += ' ';
      appendPoint(d, e1.x, e1.y);
      d += ' ';
      appendPoint(d, e2.x, e2.y);
      k += 2;
      if ((k + 1 >= n || path.elementAt(k + 1).isMoveTo()) && QPointF(e2) == start) d += 'Z';
    }
  }
  return d;
}

void SvgSink::enterSystem(const QTransform& t) {
  if (inGroup_ && group_ == t) return;
  leaveSystem();
  if (t.isIdentity()) return;
  body_ += "<g transform=\"" + matrixOf(t) + "\">\n";
  inGroup_ = true;
  group_ = t;
}

void SvgSink::leaveSystem() {
  if (!inGroup_) return;
  body_ += "</g>\n";
  inGroup_ = false;
}

std::string SvgSink::imageDef(int64_t imageId, const QImage& image) {
  if (const auto it = images_.find(imageId); it != images_.end()) return it->second;
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  std::string id;
  if (image.save(&buffer, "PNG")) {
    id = "im" + std::to_string(images_.size() + 1);
    defs_ += "<image id=\"" + id + "\" width=\"" + std::to_string(image.width()) +
             "\" height=\"" + std::to_string(image.height()) +
             "\" preserveAspectRatio=\"none\" xlink:href=\"data:image/png;base64,";
    defs_ += png.toBase64().toStdString();
    defs_ += "\"/>\n";
  }
  images_.emplace(imageId, id);
  return id;
}

std::string SvgSink::patternDef(int64_t imageId, const QImage& image, double tw, double th) {
  const auto key = std::make_tuple(imageId, tw, th);
  if (const auto it = patterns_.find(key); it != patterns_.end()) return it->second;
  const std::string img = imageDef(imageId, image);
  std::string id;
  if (!img.empty()) {
    id = "pt" + std::to_string(patterns_.size() + 1);
    defs_ += "<pattern id=\"" + id + "\" patternUnits=\"userSpaceOnUse\" width=\"" +
             svgNumber(tw) + "\" height=\"" + svgNumber(th) + "\"><use xlink:href=\"#" + img +
             "\" transform=\"scale(" + svgNumber(tw / image.width()) + ' ' +
             svgNumber(th / image.height()) + ")\"/></pattern>\n";
  }
  patterns_.emplace(key, id);
  return id;
}

bool SvgSink::reachesOutput(const QRectF& r, double margin) const {
  if (output_.isEmpty()) return true;
  return finiteRect(r) && std::isfinite(margin) &&
         r.adjusted(-margin, -margin, margin, margin).intersects(output_);
}

void SvgSink::paintPath(const QPainterPath& path, const QTransform& xf, const QPen* pen,
                        const VectorCanvas::PaintSource& source) {
  if (path.isEmpty() || !finiteRect(path.controlPointRect())) return;
  // A pen reaches half its width past the path, its miters further: a generous margin.
  const double margin =
      pen ? (pen->widthF() * std::max(1.0, pen->miterLimit()) + 1) *
                    std::sqrt(std::abs(xf.determinant())) + 2
          : 2;
  if (!reachesOutput(xf.mapRect(path.controlPointRect()), margin)) return;
  const QTransform t = xf * toDoc_;
  if (!t.isInvertible()) return;
  std::string paint;  // the fill or stroke value
  double opacity = 1;
  const QImage* img = source.image ? store_.image(source.imageId) : nullptr;
  if (source.image) {
    if (!img || img->width() <= 0 || img->height() <= 0 || source.alpha <= 0) return;
    const double tw = source.tileW > 0 ? source.tileW : img->width();
    const double th = source.tileH > 0 ? source.tileH : img->height();
    opacity = source.alpha / 255.0;
    if (!source.repeat) {
      // One image at the origin, cut to what the path covers.
      const std::string im = imageDef(source.imageId, *img);
      if (im.empty()) return;
      const QPainterPath area = pen ? QPainterPathStroker(*pen).createStroke(path) : path;
      const std::string clip = "cl" + std::to_string(++clips_);
      defs_ += "<clipPath id=\"" + clip + "\"><path d=\"" + svgPathData(area) + "\"/></clipPath>\n";
      enterSystem(t);
      body_ += "<use xlink:href=\"#" + im + "\" clip-path=\"url(#" + clip + ")\" transform=\"scale(" +
               svgNumber(tw / img->width()) + ' ' + svgNumber(th / img->height()) + ")\"";
      appendOpacity(body_, "opacity", opacity);
      body_ += "/>\n";
      ++elements_;
      return;
    }
    const std::string id = patternDef(source.imageId, *img, tw, th);
    if (id.empty()) return;
    paint = "url(#" + id + ")";
  } else {
    if (source.color.alpha() == 0) return;
    paint = hexColor(source.color);
  }
  const std::string d = svgPathData(path);
  if (d.empty()) return;
  enterSystem(t);
  body_ += "<path d=\"" + d + '"';
  const double colorAlpha = source.image ? 1 : source.color.alpha() / 255.0;
  if (pen) {
    body_ += " fill=\"none\" stroke=\"" + paint + '"';
    appendOpacity(body_, "stroke-opacity", colorAlpha);
    body_ += strokeAttributes(*pen, t);
  } else {
    if (paint != "#000000") body_ += " fill=\"" + paint + '"';
    appendOpacity(body_, "fill-opacity", colorAlpha);
  }
  appendOpacity(body_, "opacity", opacity);
  body_ += "/>\n";
  ++elements_;
}

void SvgSink::paintImage(int64_t imageId, const QImage& image, const QTransform& xf,
                         double opacity) {
  if (opacity <= 0 || !reachesOutput(xf.mapRect(QRectF(image.rect())), 2)) return;
  const QTransform t = xf * toDoc_;
  if (!t.isInvertible() || !std::isfinite(t.determinant())) return;
  const std::string im = imageDef(imageId, image);
  if (im.empty()) return;
  leaveSystem();
  body_ += "<use xlink:href=\"#" + im + "\" transform=\"" + matrixOf(t) + '"';
  appendOpacity(body_, "opacity", opacity);
  body_ += "/>\n";
  ++elements_;
}

std::string SvgSink::document(int width, int height, const QRectF& viewBox) {
  leaveSystem();
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
      "version=\"1.1\" width=\"" +
      std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" viewBox=\"";
  appendPoint(out, viewBox.x(), viewBox.y());
  out += ' ';
  appendPoint(out, viewBox.width(), viewBox.height());
  // Every fill of the canvas uses the odd-even rule: linked shapes cut holes in each other.
  out += "\" fill-rule=\"evenodd\">\n";
  out.reserve(out.size() + defs_.size() + body_.size() + 32);
  if (!defs_.empty()) out += "<defs>\n" + defs_ + "</defs>\n";
  out += body_;
  out += "</svg>\n";
  return out;
}

}  // namespace pw
