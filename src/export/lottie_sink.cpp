#include "export/lottie_sink.h"

#include <QPen>
#include <algorithm>
#include <cmath>

#include "export/svg_sink.h"
#include "render/image_store.h"

namespace pw {

namespace {

// Shortest dash written, in the pen's units.
constexpr double kMinDash = 0.1;

void appendPoint(std::string& out, double x, double y) {
  out += '[';
  out += lottieNumber(x);
  out += ',';
  out += lottieNumber(y);
  out += ']';
}

// One subpath: its vertices with the in and out tangents (relative to the vertex).
struct Contour {
  std::vector<QPointF> v, in, out;
  bool closed = false;
};

void appendContour(std::string& out, Contour& c) {
  if (c.v.empty()) return;
  // A figure that ends on its start is closed: the last vertex merges into the first.
  if (c.v.size() > 2 && c.v.back() == c.v.front()) {
    c.in.front() = c.in.back();
    c.v.pop_back();
    c.in.pop_back();
    c.out.pop_back();
    c.closed = true;
  }
  if (!out.empty()) out += ',';
  out += R"({"ty":"sh","ks":{"a":0,"k":{"c":)";
  out += c.closed ? "true" : "false";
  for (const auto* list : {&c.v, &c.in, &c.out}) {
    out += list == &c.v ? ",\"v\":[" : list == &c.in ? ",\"i\":[" : ",\"o\":[";
    for (size_t k = 0; k < list->size(); ++k) {
      if (k > 0) out += ',';
      appendPoint(out, (*list)[k].x(), (*list)[k].y());
    }
    out += ']';
  }
  out += "}}}";
}

std::string colorArray(const QColor& c) {
  std::string out = "[";
  out += lottieNumber(c.redF()) + ',' + lottieNumber(c.greenF()) + ',' + lottieNumber(c.blueF());
  return out + ",1]";
}

std::string constant(const std::string& k) { return R"({"a":0,"k":)" + k + '}'; }

int capCode(Qt::PenCapStyle c) {
  switch (c) {
    case Qt::RoundCap: return 2;
    case Qt::SquareCap: return 3;
    default: return 1;
  }
}

int joinCode(Qt::PenJoinStyle j) {
  switch (j) {
    case Qt::RoundJoin: return 2;
    case Qt::BevelJoin: return 3;
    default: return 1;
  }
}

// The rotation and scales of the linear part of `t` when it has no shear (its columns stay
// perpendicular); false otherwise.
bool similarity(const QTransform& t, double& sx, double& sy, double& degrees) {
  const double a = t.m11(), b = t.m12(), c = t.m21(), d = t.m22();
  sx = std::hypot(a, b);
  if (!(sx > 0) || !std::isfinite(sx)) return false;
  const double theta = std::atan2(b, a);
  sy = (a * d - b * c) / sx;
  const double ec = -sy * std::sin(theta), ed = sy * std::cos(theta);
  const double tol = 1e-9 * std::max({1.0, std::abs(c), std::abs(d)});
  if (std::abs(ec - c) > tol || std::abs(ed - d) > tol) return false;
  degrees = theta * 180 / M_PI;
  return std::isfinite(sy) && std::isfinite(degrees);
}

// The dash items ("d") of a dashed pen: its pattern counts in widths of the pen as given.
std::string dashArray(const QPen& pen, double penScale) {
  std::string style = ",\"d\":[";
  QList<qreal> dashes = pen.dashPattern();
  for (qreal& u : dashes) u *= pen.widthF();
  // Players skip dashes of (almost) no length, which round caps make dots: such a dash is
  // given a tenth of a unit, taken from the gap after it so the period stays.
  for (qsizetype k = 0; k + 1 < dashes.size(); k += 2) {
    const double add = kMinDash - dashes[k];
    if (add > 0 && dashes[k + 1] > add) {
      dashes[k] += add;
      dashes[k + 1] -= add;
    }
  }
  for (qsizetype k = 0; k < dashes.size(); ++k) {
    style += k % 2 == 0 ? R"({"n":"d","v":)" : R"({"n":"g","v":)";
    style += constant(lottieNumber(std::max(dashes[k], 0.001) * penScale));
    style += "},";
  }
  return style + R"({"n":"o","v":)" +
         constant(lottieNumber(pen.dashOffset() * pen.widthF() * penScale)) + "}]";
}

}  // namespace

std::string lottieNumber(double v) { return svgNumber(v); }

std::string lottiePathItems(const QPainterPath& path) {
  std::string out;
  Contour c;
  for (int k = 0; k < path.elementCount(); ++k) {
    const QPainterPath::Element e = path.elementAt(k);
    if (e.isMoveTo()) {
      appendContour(out, c);
      c = Contour{};
      c.v.push_back(e);
      c.in.emplace_back();
      c.out.emplace_back();
    } else if (e.isLineTo()) {
      if (c.v.empty()) c.v.emplace_back(), c.in.emplace_back(), c.out.emplace_back();
      c.v.push_back(e);
      c.in.emplace_back();
      c.out.emplace_back();
    } else if (e.isCurveTo() && k + 2 < path.elementCount()) {
      if (c.v.empty()) c.v.emplace_back(), c.in.emplace_back(), c.out.emplace_back();
      const QPointF c1 = e, c2 = path.elementAt(k + 1), end = path.elementAt(k + 2);
      c.out.back() = c1 - c.v.back();
      c.v.push_back(end);
      c.in.push_back(c2 - end);
      c.out.emplace_back();
      k += 2;
    }
  }
  appendContour(out, c);
  return out;
}

std::string lottieStaticTransform(double px, double py, double sx, double sy, double degrees) {
  std::string out = R"({"ty":"tr","a":{"a":0,"k":[0,0]},"p":)";
  out += constant('[' + lottieNumber(px) + ',' + lottieNumber(py) + ']');
  out += ",\"s\":" + constant('[' + lottieNumber(sx) + ',' + lottieNumber(sy) + ']');
  out += ",\"r\":" + constant(lottieNumber(degrees));
  out += R"(,"o":{"a":0,"k":100}})";
  return out;
}

std::string LottieSink::groupOf(const QPainterPath& path, const QTransform& xf, const QPen* pen,
                                const QColor& color, int alpha) const {
  const QTransform t = xf * toLocal_;
  // The path stays in the system it was painted in when the group's transform can say it
  // (pens and dashes then keep their units); otherwise it is mapped and the pen scaled.
  double sx = 1, sy = 1, degrees = 0;
  const bool kept = similarity(t, sx, sy, degrees);
  const QPainterPath shown = kept ? path : t.map(path);
  const double penScale = kept ? 1 : std::sqrt(std::abs(t.determinant()));
  const std::string items = lottiePathItems(shown);
  if (items.empty()) return {};
  const double opacity = alpha * 100.0 / 255;
  std::string style;
  if (!pen) {
    style = R"({"ty":"fl","r":2,"c":)" + constant(colorArray(color)) +
            ",\"o\":" + constant(lottieNumber(opacity)) + '}';
  } else {
    // A pen thinner than an output pixel is drawn a pixel wide, as the raster draws it.
    const double outScale = std::sqrt(std::abs(xf.determinant()));
    double width = pen->widthF();
    if (outScale > 0 && width * outScale < 1) width = 1 / outScale;
    style = R"({"ty":"st","c":)" + constant(colorArray(color)) +
            ",\"o\":" + constant(lottieNumber(opacity)) +
            ",\"w\":" + constant(lottieNumber(width * penScale)) +
            ",\"lc\":" + std::to_string(capCode(pen->capStyle())) +
            ",\"lj\":" + std::to_string(joinCode(pen->joinStyle())) +
            ",\"ml\":" + lottieNumber(pen->miterLimit());
    if (pen->style() == Qt::CustomDashLine) style += dashArray(*pen, penScale);
    style += '}';
  }
  const std::string tr = kept ? lottieStaticTransform(t.dx(), t.dy(), sx * 100, sy * 100, degrees)
                              : lottieStaticTransform(0, 0, 100, 100, 0);
  return R"({"ty":"gr","it":[)" + items + ',' + style + ',' + tr + "]}";
}

void LottieSink::paintPath(const QPainterPath& path, const QTransform& xf, const QPen* pen,
                           const VectorCanvas::PaintSource& source) {
  if (source.image) return paintTiles(path, xf, pen, source);
  std::string group = groupOf(path, xf, pen, source.color, source.alpha);
  if (group.empty()) return;
  if (runs_.empty() || runs_.back().image) runs_.emplace_back();
  runs_.back().groups.push_back(std::move(group));
}

void LottieSink::paintTiles(const QPainterPath& path, const QTransform& xf, const QPen* pen,
                            const VectorCanvas::PaintSource& source) {
  const QImage* img = store_.image(source.imageId);
  // What the raster would not paint either.
  if (!img || img->width() <= 0 || img->height() <= 0 || source.alpha <= 0 || path.isEmpty())
    return;
  const double tw = source.tileW > 0 ? source.tileW : img->width();
  const double th = source.tileH > 0 ? source.tileH : img->height();
  // What the paint can reach: the path, widened by the pen.
  QRectF area = path.controlPointRect();
  if (pen) {
    const double reach = pen->widthF() * std::max(1.0, pen->miterLimit()) + 1;
    area.adjust(-reach, -reach, reach, reach);
  }
  std::string matte = groupOf(path, xf, pen, Qt::black, 255);
  if (matte.empty() || area.isEmpty()) return;
  if (!(tw > 0 && th > 0 && std::isfinite(tw) && std::isfinite(th)) ||
      !std::isfinite(area.width()) || !std::isfinite(area.height())) {
    ++skipped_;
    return;
  }
  Run run;
  run.image = true;
  run.imageId = source.imageId;
  run.picture = *img;
  run.xf = xf * toLocal_;
  run.opacity = source.alpha / 255.0;
  run.matte = std::move(matte);
  run.area = area;
  run.tileW = tw;
  run.tileH = th;
  runs_.push_back(std::move(run));
}

void LottieSink::paintImage(int64_t imageId, const QImage& image, const QTransform& xf,
                            double opacity) {
  Run run;
  run.image = true;
  run.imageId = imageId;
  run.picture = image;
  run.xf = xf * toLocal_;
  run.opacity = opacity;
  runs_.push_back(std::move(run));
}

std::string lottieItems(const std::vector<std::string>& groups) {
  std::string out;
  for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
    if (!out.empty()) out += ',';
    out += *it;
  }
  return out;
}

bool lottiePlacement(const QTransform& m, LottiePose& inner, LottiePose& outer, bool& sheared) {
  inner = outer = LottiePose{};
  sheared = false;
  if (!std::isfinite(m.dx()) || !std::isfinite(m.dy())) return false;
  if (similarity(m, inner.sx, inner.sy, inner.degrees)) {
    inner.x = m.dx();
    inner.y = m.dy();
    return true;
  }
  inner = LottiePose{};
  // In column form the linear part is [[a c] [b d]].
  const double a = m.m11(), b = m.m12(), c = m.m21(), d = m.m22();
  const double e = (a + d) / 2, f = (a - d) / 2, g = (b + c) / 2, h = (b - c) / 2;
  const double q = std::hypot(e, h), r = std::hypot(f, g);
  const double a1 = std::atan2(g, f), a2 = std::atan2(h, e);
  outer.x = m.dx();
  outer.y = m.dy();
  outer.sx = q + r;
  outer.sy = q - r;
  outer.degrees = (a2 + a1) / 2 * 180 / M_PI;
  inner.degrees = (a2 - a1) / 2 * 180 / M_PI;
  sheared = true;
  return std::isfinite(outer.sx) && std::isfinite(outer.sy) && std::abs(outer.sy) > 0 &&
         std::isfinite(outer.degrees) && std::isfinite(inner.degrees);
}

}  // namespace pw
