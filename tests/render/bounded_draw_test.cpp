// Drawing work stays bounded by what can reach the image: dash patterns that would only fill the
// image many times over are drawn solid, and long texts are laid out only as far as they can be
// seen. Pictures that can show their pattern or their text are drawn exactly as before.
#include <gtest/gtest.h>

#include <QPainter>
#include <string>
#include <vector>

#include "render/image_store.h"
#include "render/path_reach.h"
#include "render/vg.h"
#include "render_fixture.h"

namespace pw {
namespace {

constexpr int64_t kInk = packRGBA(20, 40, 200, 255);

struct Stroke {
  std::vector<QPointF> points;
  double width;
  double pattern;  // dash length, or dot distance
  bool dotted;
};

// Draws `s` on a fresh 160 x 120 image, dashed (or dotted) or, with solid set, plainly.
QImage draw(const Stroke& s, bool solid, const QTransform& xf = {}) {
  test::ensureGuiApp();
  ImageStore store;
  QImage img(160, 120, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  VectorCanvas vg(store);
  EXPECT_TRUE(vg.beginDrawing(img));
  vg.scaleBy(xf.m11(), xf.m22());
  vg.moveTo(s.points[0].x(), s.points[0].y());
  for (size_t k = 1; k < s.points.size(); ++k) vg.lineTo(s.points[k].x(), s.points[k].y());
  vg.setSourceColor(kInk);
  if (solid) {
    vg.stroke(s.width, s.dotted);
  } else if (s.dotted) {
    vg.strokeDotted(s.width, s.pattern, true);
  } else {
    vg.strokeDashed(s.width, s.pattern);
  }
  vg.endDrawing();
  return img;
}

TEST(BoundedDraw, DashesThatOnlyFillTheImageAreDrawnSolid) {
  const std::vector<QPointF> zigzag{{0, 0}, {160, 120}, {0, 120}, {160, 0}};
  for (const Stroke& s : {Stroke{zigzag, 32767, 1, false}, Stroke{zigzag, 5000, 2, false}})
    EXPECT_EQ(draw(s, false), draw(s, true)) << s.width << " / " << s.pattern;
  // A scaled-up system makes the dashes wider on the image too.
  const Stroke scaled{zigzag, 400, 1, false};
  EXPECT_EQ(draw(scaled, false, QTransform::fromScale(50, 50)),
            draw(scaled, true, QTransform::fromScale(50, 50)));
  EXPECT_NE(draw(scaled, false), draw(scaled, true));
}

TEST(BoundedDraw, PatternsThatCanBeSeenKeepThem) {
  const Stroke visible[] = {
      {{{10, 10}, {150, 10}, {150, 110}}, 10, 5, false},
      {{{10, 60}, {150, 60}}, 2, 1, false},
      {{{10, 10}, {150, 110}}, 6, 12, true},
      {{{10, 10}, {150, 110}, {10, 110}, {150, 10}}, 40, 20, false},
      // Reaching far outside: only the part near the image counts.
      {{{-3000, 60}, {3000, 60}}, 4, 5, false},
  };
  for (const Stroke& s : visible) {
    const QImage dashed = draw(s, false);
    EXPECT_NE(dashed, draw(s, true)) << s.width << " / " << s.pattern;
    EXPECT_NE(dashed, QImage(dashed.size(), dashed.format()).copy()) << s.width;
  }
}

// Paths reaching far past the image are cut down before painting: the cut path stays near the
// image and paints what the whole path paints there (up to a step of edge smoothing), with the
// dash pattern in phase. A path that stays near the image is not touched.
enum class Paint { Fill, Solid, Dashed, Dotted };
constexpr double kPenWidth = 3, kDash = 7, kDotDistance = 9;

double periodOf(Paint how) {
  return how == Paint::Dashed ? 2 * kDash : how == Paint::Dotted ? kDotDistance - kPenWidth + 3e-6 : 0;
}

QImage paint(const QPainterPath& p, Paint how, const QTransform& xf, double dashOffset = 0,
            bool solidPen = false) {
  QImage img(160, 120, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::white);
  QPainter painter(&img);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setTransform(xf);
  if (how == Paint::Fill) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 40, 200));
  } else {
    QPen pen(QColor(20, 40, 200), kPenWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    if (how == Paint::Dashed) pen.setDashPattern({kDash / kPenWidth, kDash / kPenWidth});
    if (how == Paint::Dotted) {
      pen.setCapStyle(Qt::RoundCap);
      pen.setDashPattern({1e-6, (kDotDistance - kPenWidth) / kPenWidth});
    }
    pen.setDashOffset(dashOffset / kPenWidth);
    if (solidPen) pen.setStyle(Qt::SolidLine);
    painter.setPen(pen);
  }
  painter.drawPath(p);
  return img;
}

// What a patterned stroke of a long polyline shows on the image: each segment's part near the
// image painted on its own, the pattern started where the whole path has it there. (Painting the
// whole path is no reference: the rasterizer draws a pattern of over 10,000 repeats solid.)
QImage paintPatternNearImage(const QPainterPath& line, Paint how, const QTransform& xf) {
  const QRectF nearby = xf.inverted().mapRect(QRectF(-500, -500, 1160, 1120));
  QImage img(160, 120, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::white);
  double along = 0;
  for (int k = 1; k < line.elementCount(); ++k) {
    const QPointF a = line.elementAt(k - 1), b = line.elementAt(k);
    double t0 = 0, t1 = 1;
    const double d[2] = {b.x() - a.x(), b.y() - a.y()};
    const double lo[2] = {nearby.left() - a.x(), nearby.top() - a.y()};
    const double hi[2] = {nearby.right() - a.x(), nearby.bottom() - a.y()};
    for (int i = 0; i < 2; ++i) {
      if (d[i] == 0) continue;
      const double u = lo[i] / d[i], v = hi[i] / d[i];
      t0 = std::max(t0, std::min(u, v));
      t1 = std::min(t1, std::max(u, v));
    }
    const double length = std::hypot(d[0], d[1]);
    if (t0 < t1) {
      QPainterPath part(a + (b - a) * t0);
      part.lineTo(a + (b - a) * t1);
      const QImage piece = paint(part, how, xf, std::fmod(along + t0 * length, periodOf(how)));
      QPainter over(&img);
      over.setCompositionMode(QPainter::CompositionMode_Darken);
      over.drawImage(0, 0, piece);
    }
    along += length;
  }
  return img;
}

int largestDifference(const QImage& a, const QImage& b) {
  int most = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                       std::abs(qBlue(p) - qBlue(q))});
    }
  }
  return most;
}

TEST(BoundedDraw, PathsReachingFarAreCutToWhatShows) {
  test::ensureGuiApp();
  constexpr double L = 100000;  // far past the image, yet still quick to draw whole
  QPainterPath zigzag;          // crosses the image ten times, corners far outside
  zigzag.moveTo(-L, 10);
  for (int k = 1; k <= 10; ++k) zigzag.lineTo(k % 2 ? L : -L, 10 + 10 * k + (k % 3));
  QPainterPath star;  // overlapping turns: the winding counts
  star.moveTo(80, -L);
  star.lineTo(80 + L, L);
  star.lineTo(80 - L, -L / 3);
  star.lineTo(80 + L, -L / 3);
  star.lineTo(80 - L, L);
  star.closeSubpath();
  QPainterPath arcs;  // curves bulging far out and back through the image
  arcs.moveTo(-L, 30);
  arcs.cubicTo(40, -L, 120, L, L, 90);
  arcs.cubicTo(L, -L, -L, L, 20, 110);
  const QTransform turned = QTransform().rotate(30).scale(2, 0.5);
  struct Case {
    const char* name;
    QPainterPath path;
    Paint how;
    QTransform xf;
  } const cases[] = {
      {"zigzag fill", zigzag, Paint::Fill, {}},
      {"zigzag solid", zigzag, Paint::Solid, {}},
      {"zigzag solid, turned", zigzag, Paint::Solid, turned},
      {"zigzag dashed", zigzag, Paint::Dashed, {}},
      {"zigzag dotted", zigzag, Paint::Dotted, {}},
      {"zigzag dashed, turned", zigzag, Paint::Dashed, turned},
      {"star fill", star, Paint::Fill, {}},
      {"star dashed", star, Paint::Dashed, QTransform::fromScale(1.5, 1.5)},
      {"arcs fill", arcs, Paint::Fill, {}},
      {"arcs solid", arcs, Paint::Solid, {}},
  };
  for (const Case& c : cases) {
    PaintReach reach{QRectF(0, 0, 160, 120), c.xf, 0, {}};
    if (c.how != Paint::Fill) reach.penWidth = kPenWidth;
    if (c.how == Paint::Dashed) reach.dashes = {kDash, kDash};
    if (c.how == Paint::Dotted) reach.dashes = {3e-6, kDotDistance - kPenWidth};
    QPainterPath cut;
    const PathCut made = boundPathForPaint(c.path, reach, &cut);
    ASSERT_EQ(made, reach.dashes.empty() ? PathCut::kCut : PathCut::kDashes) << c.name;
    const QRectF near = c.xf.mapRect(cut.controlPointRect());
    EXPECT_LT(std::max({-near.left(), -near.top(), near.right(), near.bottom()}), 1e4) << c.name;
    const bool patterned = !reach.dashes.empty();
    const QImage whole = patterned ? paintPatternNearImage(c.path, c.how, c.xf)
                                   : paint(c.path, c.how, c.xf);
    const QImage shown = paint(cut, c.how, c.xf, 0, /*solidPen=*/patterned);
    EXPECT_LE(largestDifference(whole, shown), 4) << c.name;
  }
  // Near the image: painted as it is.
  QPainterPath near(QPointF(-3000, 10));
  near.lineTo(3000, 100);
  QPainterPath out;
  EXPECT_EQ(boundPathForPaint(near, {QRectF(0, 0, 160, 120), {}, 3, {7, 7}}, &out), PathCut::kWhole);
}

TEST(BoundedDraw, StrokeBoundsHoldTheWholeStroke) {
  // Against the outline the stroker builds: sharp and gentle corners, a turn back on itself,
  // curves, closed figures, every cap, miter and round joins.
  QPainterPath zigzag(QPointF(0, 0));
  zigzag.lineTo(100, 5);
  zigzag.lineTo(0, 10);  // nearly a turn back: the miter meets the limit
  zigzag.lineTo(50, 80);
  QPainterPath back(QPointF(10, 10));
  back.lineTo(90, 10);
  back.lineTo(10, 10);
  QPainterPath curve(QPointF(0, 50));
  curve.cubicTo(30, -40, 60, 140, 100, 50);
  curve.lineTo(100, 0);
  QPainterPath closed;
  closed.addPolygon(QPolygonF({{20, 20}, {80, 25}, {30, 90}, {20, 20}}));
  closed.closeSubpath();
  closed.addRect(120, 10, 30, 30);
  for (const QPainterPath& path : {zigzag, back, curve, closed}) {
    for (const Qt::PenCapStyle cap : {Qt::FlatCap, Qt::SquareCap, Qt::RoundCap}) {
      for (const Qt::PenJoinStyle join : {Qt::MiterJoin, Qt::RoundJoin}) {
        for (const double width : {1.0, 7.0, 30.0}) {
          QPainterPathStroker stroker;
          stroker.setWidth(width);
          stroker.setCapStyle(cap);
          stroker.setJoinStyle(join);
          stroker.setMiterLimit(10);
          const QRectF exact = stroker.createStroke(path).boundingRect();
          const QRectF found = strokeBounds(path, width, cap, join, 10);
          EXPECT_TRUE(found.contains(exact))
              << width << " cap " << cap << " join " << join << ": " << found.left() << ","
              << found.top() << " " << found.right() << "," << found.bottom() << " vs "
              << exact.left() << "," << exact.top() << " " << exact.right() << ","
              << exact.bottom();
        }
      }
    }
  }
  // Dashes along a tight ellipse, and a flat curve that doubles back on itself: the curves are
  // stroked in short pieces whose sharp bends take miters.
  QPainterPath tight;
  tight.addEllipse(QPointF(100, 60), 11, 1);
  QPainterPath cusps(QPointF(11, 0));
  cusps.cubicTo(11, 0, -13.15, 0, -14.3, 0);
  cusps.cubicTo(-10.85, 0, 8.7, 0, 11, 0);
  for (const auto& [path, dashed] : {std::pair{tight, true}, std::pair{cusps, false}}) {
    for (const double width : {1.0, 5.0, 6.0}) {
      QPainterPathStroker stroker;
      stroker.setWidth(width);
      stroker.setCapStyle(Qt::RoundCap);
      stroker.setJoinStyle(Qt::MiterJoin);
      stroker.setMiterLimit(10);
      if (dashed) stroker.setDashPattern({8 / width, 8 / width});
      const QRectF exact = stroker.createStroke(path).boundingRect();
      EXPECT_TRUE(strokeBounds(path, width, Qt::RoundCap, Qt::MiterJoin, 10).contains(exact))
          << width << (dashed ? " dashed" : " cusps");
    }
  }
  // Gentle corners add hardly more than half a width around the points.
  QPainterPath gentle(QPointF(0, 0));
  gentle.lineTo(100, 0);
  gentle.lineTo(200, 10);
  EXPECT_TRUE(QRectF(QPointF(-5.1, -5.1), QPointF(205.1, 15.1))
                  .contains(strokeBounds(gentle, 10, Qt::FlatCap, Qt::MiterJoin, 10)));
}

// Fills text as the drawing layer lays it out, and the full outline the way it was always drawn.
struct TextPair {
  QImage laidOut, full;
  int laidOutElements = 0, fullElements = 0;
};

TextPair drawText(const std::string& text, double size, QPointF at) {
  test::ensureGuiApp();
  ImageStore store;
  TextPair r;
  r.laidOut = QImage(200, 60, QImage::Format_ARGB32_Premultiplied);
  r.laidOut.fill(Qt::transparent);
  r.full = r.laidOut;
  VectorCanvas vg(store);
  EXPECT_TRUE(vg.beginDrawing(r.laidOut));
  vg.moveTo(at.x(), at.y());
  vg.setFont(0, size);
  vg.addText(text);
  r.laidOutElements = vg.path().elementCount();
  vg.setSourceColor(kInk);
  vg.fill();
  vg.endDrawing();

  QPainterPath outline = store.textOutline(0, size, text).translated(at);
  r.fullElements = outline.elementCount();
  QPainter p(&r.full);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 40, 200));
  p.drawPath(outline);
  return r;
}

TEST(BoundedDraw, LongTextsAreLaidOutOnlyAsFarAsTheyShow) {
  struct Case {
    std::string text;
    double size;
    QPointF at;
    bool cut;
  } const cases[] = {
      {std::string(3000, 'W'), 20, {5, 5}, true},
      {std::string(3000, 'i'), 12, {-500, 10}, true},  // starts left of the image
      {"Short text stays whole", 20, {5, 5}, false},
      {std::string(200, 'M'), 20, {5, 5}, false},  // at most a few hundred characters: whole
  };
  for (const Case& c : cases) {
    const TextPair r = drawText(c.text, c.size, c.at);
    EXPECT_EQ(r.laidOut, r.full) << c.text.size();
    if (c.cut) {
      EXPECT_LT(r.laidOutElements * 4, r.fullElements) << c.text.size();
    } else {
      EXPECT_EQ(r.laidOutElements, r.fullElements);
    }
  }
}

}  // namespace
}  // namespace pw
