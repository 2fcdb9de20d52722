// The vector drawing layer on small images: fill rule, coordinate systems, stroke styles, text,
// image sources, and the image and font store behind it.
#include <gtest/gtest.h>

#include <QFile>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QTransform>

#include "render/image_store.h"
#include "render/vg.h"
#include "render_fixture.h"

namespace pw {
namespace {
using test::kRed;


struct Canvas {
  ImageStore store;
  QImage img;
  VectorCanvas vg{store};
  explicit Canvas(int w = 40, int h = 40) : img(w, h, QImage::Format_ARGB32_Premultiplied) {
    test::ensureGuiApp();
    img.fill(Qt::transparent);
    EXPECT_TRUE(vg.beginDrawing(img));
  }
  int alpha(int x, int y) const { return img.pixelColor(x, y).alpha(); }
  QColor px(int x, int y) const { return img.pixelColor(x, y); }
  bool blank() const {
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (alpha(x, y) != 0) return false;
    return true;
  }
  // Number of inked pixels in column x.
  int inkInColumn(int x) const {
    int n = 0;
    for (int y = 0; y < img.height(); ++y) n += alpha(x, y) > 127 ? 1 : 0;
    return n;
  }
};

// A w x h image whose left half is red and right half blue, or all of one colour.
QImage halves(int w, int h) {
  QImage im(w, h, QImage::Format_ARGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) im.setPixelColor(x, y, x < w / 2 ? Qt::red : Qt::blue);
  return im;
}

TEST(VectorCanvas, FillUsesEvenOddAndClearsThePath) {
  Canvas c;
  c.vg.addRect(5, 5, 30, 30);
  c.vg.addRect(15, 15, 10, 10);
  c.vg.setSourceColor(kRed);
  c.vg.fill();
  EXPECT_TRUE(test::sameRGBA(c.px(10, 10), kRed));
  EXPECT_EQ(c.alpha(20, 20), 0) << "overlap of two figures is a hole";
  EXPECT_TRUE(c.vg.path().isEmpty());
  // A second fill has nothing left to paint.
  c.img.fill(Qt::transparent);
  c.vg.fill();
  EXPECT_TRUE(c.blank());
}

TEST(VectorCanvas, PointsKeepTheSystemTheyWereGivenIn) {
  Canvas c;
  c.vg.addRect(0, 0, 10, 10);  // given at 1:1
  c.vg.scaleBy(2, 2);
  c.vg.addRect(10, 10, 5, 5);  // given at 2:1 -> output 20..30
  c.vg.setSourceColor(kRed);
  c.vg.fill();
  EXPECT_GT(c.alpha(5, 5), 250);
  EXPECT_EQ(c.alpha(15, 15), 0);
  EXPECT_GT(c.alpha(25, 25), 250);
  EXPECT_EQ(c.alpha(35, 35), 0);
}

TEST(VectorCanvas, PathIsReportedInOutputCoordinates) {
  Canvas c;
  c.vg.translateBy(3, 4);
  c.vg.scaleBy(2, 2);
  c.vg.moveTo(1, 1);
  c.vg.lineTo(5, 1);
  const QPainterPath& p = c.vg.path();
  ASSERT_EQ(p.elementCount(), 2);
  EXPECT_EQ(QPointF(p.elementAt(0)), QPointF(5, 6));
  EXPECT_EQ(QPointF(p.elementAt(1)), QPointF(13, 6));
}

TEST(VectorCanvas, ZoomScalesStrokeWidthAndDashes) {
  Canvas a;
  a.vg.moveTo(0, 20);
  a.vg.lineTo(40, 20);
  a.vg.setSourceColor(kRed);
  a.vg.stroke(4, false);
  Canvas b;
  b.vg.scaleBy(2, 2);
  b.vg.moveTo(0, 10);
  b.vg.lineTo(20, 10);
  b.vg.setSourceColor(kRed);
  b.vg.stroke(4, false);
  EXPECT_EQ(a.inkInColumn(20), 4);
  EXPECT_EQ(b.inkInColumn(20), 8);

  // Dashes of 5 user units: at 2:1 the first dash covers output 0..10, the first gap 10..20.
  Canvas d;
  d.vg.scaleBy(2, 2);
  d.vg.moveTo(0, 10);
  d.vg.lineTo(20, 10);
  d.vg.setSourceColor(kRed);
  d.vg.strokeDashed(2, 5);
  EXPECT_GT(d.alpha(5, 20), 250);
  EXPECT_EQ(d.alpha(15, 20), 0);
  EXPECT_GT(d.alpha(25, 20), 250);
  EXPECT_EQ(d.alpha(35, 20), 0);
}

TEST(VectorCanvas, DashPatternRestartsWithEachFigure) {
  Canvas c;
  c.vg.moveTo(0, 5);
  c.vg.lineTo(40, 5);
  c.vg.moveTo(3, 20);  // second figure starts inside what would be the first gap
  c.vg.lineTo(40, 20);
  c.vg.setSourceColor(kRed);
  c.vg.strokeDashed(2, 6);
  EXPECT_GT(c.alpha(4, 20), 250) << "second figure starts with a dash";
  EXPECT_EQ(c.alpha(7, 5), 0);
  EXPECT_EQ(c.alpha(12, 20), 0);
}

TEST(VectorCanvas, DotsApartOrOneLine) {
  // Width 4, distance 12: a dot every 8 units, nothing half-way between.
  Canvas c;
  c.vg.moveTo(4, 20);
  c.vg.lineTo(36, 20);
  c.vg.setSourceColor(kRed);
  c.vg.strokeDotted(4, 12, true);
  for (int x : {4, 12, 20, 28}) EXPECT_GT(c.alpha(x, 20), 200) << x;
  for (int x : {8, 16, 24}) EXPECT_EQ(c.alpha(x, 20), 0) << x;
  EXPECT_GT(c.alpha(2, 20), 100) << "dots are round, they reach past the start";

  // Distance at or below the width (the defaults are width 10, distance 5): one round line.
  for (double dist : {4.0, 2.0}) {
    Canvas d;
    d.vg.moveTo(4, 20);
    d.vg.lineTo(36, 20);
    d.vg.setSourceColor(kRed);
    d.vg.strokeDotted(4, dist, true);
    for (int x = 4; x <= 36; ++x) EXPECT_GT(d.alpha(x, 20), 250) << x << " dist " << dist;
    EXPECT_GT(d.alpha(2, 20), 100);
  }
}

TEST(VectorCanvas, DegenerateStrokesDrawNothing) {
  Canvas c;
  for (double w : {0.0, -3.0}) {
    c.vg.moveTo(0, 20);
    c.vg.lineTo(40, 20);
    c.vg.setSourceColor(kRed);
    c.vg.stroke(w, true);
    EXPECT_TRUE(c.vg.path().isEmpty());
    c.vg.moveTo(0, 20);
    c.vg.lineTo(40, 20);
    c.vg.strokeDotted(w, 5, true);
    c.vg.moveTo(0, 20);
    c.vg.lineTo(40, 20);
    c.vg.strokeDashed(w, 5);
  }
  EXPECT_TRUE(c.blank());
  // A dash length of 0 has no pattern: the line is solid.
  c.vg.moveTo(0, 20);
  c.vg.lineTo(40, 20);
  c.vg.strokeDashed(2, 0);
  for (int x = 0; x < 40; x += 3) EXPECT_GT(c.alpha(x, 20), 200) << x;
}

TEST(VectorCanvas, SingularSystemPaintsNothing) {
  for (auto [sx, sy] : {std::pair{0.0, 1.0}, std::pair{1.0, 0.0}, std::pair{0.0, 0.0}}) {
    Canvas c;
    c.vg.scaleBy(sx, sy);
    c.vg.addRect(5, 5, 30, 30);
    c.vg.setSourceColor(kRed);
    c.vg.fill();
    c.vg.addRect(5, 5, 30, 30);
    c.vg.stroke(4, true);
    c.vg.addRect(5, 5, 30, 30);
    c.vg.strokeDotted(4, 9, true);
    EXPECT_FALSE(c.vg.pathContains(10, 10));
    // A path built at 1:1 but painted under the singular system shows nothing either.
    c.vg.resetTransform();
    c.vg.addRect(5, 5, 30, 30);
    c.vg.scaleBy(sx, sy);
    c.vg.fill();
    EXPECT_TRUE(c.vg.path().isEmpty());
    EXPECT_TRUE(c.blank());
  }
}

TEST(VectorCanvas, PathContainsInTheSystemInForce) {
  Canvas c;
  c.vg.scaleBy(2, 2);
  c.vg.addRect(5, 5, 5, 5);  // output 10..20
  EXPECT_TRUE(c.vg.pathContains(7, 7));
  EXPECT_FALSE(c.vg.pathContains(12, 7));
  c.vg.addRect(6, 6, 2, 2);  // even-odd hole
  EXPECT_FALSE(c.vg.pathContains(7, 7));
  EXPECT_TRUE(c.vg.pathContains(9, 9));
  // The system changes: the path stays where it is in the output.
  c.vg.resetTransform();
  EXPECT_TRUE(c.vg.pathContains(18, 18));
  EXPECT_FALSE(c.vg.pathContains(9, 9));
  c.vg.translateBy(10, 0);
  EXPECT_TRUE(c.vg.pathContains(8, 18));
  EXPECT_FALSE(c.vg.pathContains(18, 18));
  c.vg.clearPath();
  EXPECT_FALSE(c.vg.pathContains(8, 18));
}

TEST(VectorCanvas, EllipseStartsAtAngleZeroAndZeroRadiusShowsNothing) {
  Canvas c;
  c.vg.translateBy(20, 20);
  c.vg.addEllipse(0, 0, 10, 6);
  EXPECT_EQ(QPointF(c.vg.path().elementAt(0)), QPointF(30, 20));
  EXPECT_TRUE(c.vg.pathContains(0, 5));
  EXPECT_FALSE(c.vg.pathContains(0, 7));
  EXPECT_TRUE(c.vg.pathContains(9, 0));
  c.vg.clearPath();
  c.vg.addEllipse(0, 0, 0, 10);
  c.vg.addEllipse(0, 0, 10, 0);
  EXPECT_EQ(c.vg.path().currentPosition(), QPointF(20, 20));
  c.vg.setSourceColor(kRed);
  c.vg.fill();
  EXPECT_TRUE(c.blank());
}

TEST(VectorCanvas, RelativeCurveStartsAtTheCursor) {
  Canvas c;
  c.vg.moveTo(10, 10);
  c.vg.curveTo(0, 10, 10, 10, 10, 0, true);
  c.vg.curveTo(5, 0, 10, 5, 10, 10, true);
  EXPECT_EQ(c.vg.path().currentPosition(), QPointF(30, 20));
  // Offsets are user lengths: at 2:1 they double, the cursor stays where it was put.
  Canvas d;
  d.vg.moveTo(4, 4);
  d.vg.scaleBy(2, 2);
  d.vg.curveTo(1, 1, 2, 2, 3, 4, true);
  EXPECT_EQ(d.vg.path().currentPosition(), QPointF(10, 12));
}

TEST(VectorCanvas, TextSitsRightBelowTheCursor) {
  Canvas c;
  const int64_t f = c.store.loadFont("arial", 20, 0);
  ASSERT_GT(f, 0);
  c.vg.setFont(f, 20);
  c.vg.moveTo(10, 12);
  c.vg.addText("H");
  c.vg.setSourceColor(kRed);
  c.vg.fill();
  int inside = 0, outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      if (c.alpha(x, y) == 0) continue;
      if (x >= 10 && y >= 12 && x < 30 && y < 32) ++inside;
      else ++outside;
    }
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
  // The glyph fills most of the height between top and baseline: its top is close to the cursor.
  int top = 40;
  for (int y = 0; y < 40 && top == 40; ++y)
    for (int x = 0; x < 40; ++x)
      if (c.alpha(x, y) > 0) top = y;
  EXPECT_LE(top, 12 + 6);
}

TEST(VectorCanvas, TextSizeIsInUserUnitsAndMeasured) {
  Canvas c;
  const int64_t f = c.store.loadFont("arial", 20, 0);
  c.vg.setFont(f, 10);
  const double w10 = c.vg.textWidth("Hello");
  const double h10 = c.vg.textHeight("Hello");
  c.vg.setFont(f, 20);
  EXPECT_GT(w10, 10);
  EXPECT_NEAR(c.vg.textWidth("Hello"), 2 * w10, 1.0);
  EXPECT_NEAR(c.vg.textHeight("Hello"), 2 * h10, 1.0);
  EXPECT_EQ(c.vg.textWidth(""), 0);

  // At 2:1 a 10-unit text covers what a 20-pixel text covers at 1:1.
  c.vg.setFont(f, 20);
  c.vg.moveTo(0, 0);
  c.vg.addText("H");
  const QRectF big = c.vg.path().boundingRect();
  c.vg.clearPath();
  c.vg.scaleBy(2, 2);
  c.vg.setFont(f, 10);
  c.vg.moveTo(0, 0);
  c.vg.addText("H");
  const QRectF zoomed = c.vg.path().boundingRect();
  EXPECT_NEAR(zoomed.width(), big.width(), 0.5);
  EXPECT_NEAR(zoomed.height(), big.height(), 0.5);

  // Empty text and a size of 0 add nothing.
  c.vg.clearPath();
  c.vg.moveTo(5, 5);
  c.vg.addText("");
  c.vg.setFont(f, 0);
  c.vg.addText("H");
  EXPECT_TRUE(c.vg.path().isEmpty());
}

TEST(VectorCanvas, TextOutlinesAreBuiltOnce) {
  test::ensureGuiApp();
  ImageStore store;
  const int64_t f = store.loadFont("arial", 20, 0);
  const QPainterPath& a = store.textOutline(f, 12, "Penwick");
  const QPainterPath& b = store.textOutline(f, 12, "Penwick");
  EXPECT_EQ(&a, &b);
  EXPECT_FALSE(a.isEmpty());
  const QPainterPath& other = store.textOutline(f, 13, "Penwick");
  EXPECT_NE(&a, &other);
  EXPECT_GT(other.boundingRect().width(), a.boundingRect().width());
  // An unknown handle draws in the default face, and the same for every unknown handle.
  EXPECT_EQ(&store.textOutline(999, 12, "x"), &store.textOutline(998, 12, "x"));
}

TEST(VectorCanvas, ImagePatternIsLaidAtTheUserOrigin) {
  Canvas c;
  const int64_t id = c.store.addImage(halves(4, 4));
  c.vg.translateBy(10, 10);
  c.vg.addRect(0, 0, 20, 20);
  c.vg.setSourceImage(id, 255, 8, 8, true);  // 8 x 8 tiles: red 0..4, blue 4..8
  c.vg.fill();
  EXPECT_EQ(c.alpha(9, 9), 0);
  EXPECT_TRUE(test::sameRGBA(c.px(11, 11), kRed, 10));
  EXPECT_TRUE(test::sameRGBA(c.px(15, 15), packRGBA(0, 0, 255, 255), 10));
  EXPECT_TRUE(test::sameRGBA(c.px(19, 11), kRed, 10)) << "second tile";
  EXPECT_TRUE(test::sameRGBA(c.px(23, 27), packRGBA(0, 0, 255, 255), 10));

  // Without repeat the image shows once; with tiles of 0 it keeps its own size.
  Canvas d;
  const int64_t id2 = d.store.addImage(halves(4, 4));
  d.vg.addRect(0, 0, 20, 20);
  d.vg.setSourceImage(id2, 255, 0, 0, false);
  d.vg.fill();
  EXPECT_TRUE(test::sameRGBA(d.px(0, 0), kRed, 10));
  EXPECT_TRUE(test::sameRGBA(d.px(3, 3), packRGBA(0, 0, 255, 255), 10));
  EXPECT_EQ(d.alpha(6, 1), 0);
  EXPECT_EQ(d.alpha(1, 6), 0);

  // An image pattern with its opacity; a freed image paints nothing.
  Canvas e;
  const int64_t id3 = e.store.addImage(halves(4, 4));
  e.vg.addRect(0, 0, 20, 20);
  e.vg.setSourceImage(id3, 128, 4, 4, true);
  e.vg.fill();
  EXPECT_TRUE(test::closeTo(e.alpha(1, 1), 128, 2));
  e.img.fill(Qt::transparent);
  e.store.freeImage(id3);
  e.vg.addRect(0, 0, 20, 20);
  e.vg.fill();
  EXPECT_TRUE(e.blank());
}

TEST(VectorCanvas, DrawImageAtTheCursorScaledWithOpacity) {
  Canvas c;
  QImage green(4, 4, QImage::Format_ARGB32);
  green.fill(Qt::green);
  const int64_t id = c.store.addImage(green);
  c.vg.scaleBy(2, 2);
  c.vg.moveTo(5, 5);
  c.vg.drawImage(id, 128, 10, 10);  // output 10..30
  EXPECT_EQ(c.alpha(8, 8), 0);
  EXPECT_EQ(c.alpha(32, 32), 0);
  EXPECT_TRUE(test::closeTo(c.alpha(11, 11), 128, 2));
  EXPECT_TRUE(test::closeTo(c.alpha(28, 28), 128, 2));
  EXPECT_GT(c.px(20, 20).green(), 250);
  EXPECT_EQ(c.px(20, 20).red(), 0);
  // Nothing for an unknown handle or a zero size.
  c.img.fill(Qt::transparent);
  c.vg.drawImage(id + 1, 255, 10, 10);
  c.vg.drawImage(id, 255, 0, 10);
  EXPECT_TRUE(c.blank());
}

TEST(ImageStore, LoadsPngJpegAndBmpFilesOnly) {
  test::ensureGuiApp();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ImageStore store;
  const QImage src = halves(6, 3);
  for (const char* fmt : {"png", "jpg", "bmp"}) {
    const QString path = dir.filePath(QStringLiteral("img.") + fmt);
    ASSERT_TRUE(src.save(path, fmt));
    const int64_t id = store.loadImage(path.toStdString());
    ASSERT_GT(id, 0) << fmt;
    int w = 0, h = 0;
    EXPECT_TRUE(store.imageSize(id, w, h));
    EXPECT_EQ(w, 6);
    EXPECT_EQ(h, 3);
    EXPECT_TRUE(store.isImage(id));
    store.freeImage(id);
    EXPECT_FALSE(store.isImage(id));
    EXPECT_FALSE(store.imageSize(id, w, h));
  }
  // Other formats, a directory, a missing or a broken file are refused.
  const QString gif = dir.filePath("img.ppm");
  ASSERT_TRUE(src.save(gif, "ppm"));
  EXPECT_EQ(store.loadImage(gif.toStdString()), 0);
  EXPECT_EQ(store.loadImage(dir.path().toStdString()), 0);
  EXPECT_EQ(store.loadImage(dir.filePath("none.png").toStdString()), 0);
  EXPECT_EQ(store.loadImage(""), 0);
  QFile bad(dir.filePath("bad.png"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("\x89PNG\r\n\x1a\n not really");
  bad.close();
  EXPECT_EQ(store.loadImage(bad.fileName().toStdString()), 0);
}

TEST(ImageStore, FontsResolveToTheirMetricTwinsWithStyles) {
  test::ensureGuiApp();
  EXPECT_EQ(QFontInfo(makeFont("Times New roman", 0)).family(), "Liberation Serif");
  EXPECT_EQ(QFontInfo(makeFont("arial", 0)).family(), "Liberation Sans");
  const QFont f = makeFont("arial", 256 | 512 | 4 | 8);
  EXPECT_TRUE(f.bold());
  EXPECT_TRUE(f.italic());
  EXPECT_TRUE(f.underline());
  EXPECT_TRUE(f.strikeOut());
  const QFont plain = makeFont("arial", 16);
  EXPECT_FALSE(plain.bold() || plain.italic() || plain.underline() || plain.strikeOut());

  ImageStore store;
  const int64_t a = store.loadFont("Times New roman", 20, 256);
  const int64_t b = store.loadFont("arial", 30, 0);
  ASSERT_GT(a, 0);
  ASSERT_NE(a, b);
  ASSERT_NE(store.font(a), nullptr);
  EXPECT_EQ(store.font(a)->pixelSize(), 20);
  EXPECT_TRUE(store.font(a)->bold());
  EXPECT_EQ(store.font(b + 100), nullptr);
  // Bold text is wider than regular text in the same face.
  const int64_t r = store.loadFont("Times New roman", 20, 0);
  EXPECT_GT(store.textExtent(a, 20, "Wide words").width(),
            store.textExtent(r, 20, "Wide words").width());
}

}  // namespace
}  // namespace pw
