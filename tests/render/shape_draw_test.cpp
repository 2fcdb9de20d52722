// Shape outlines and paints: the path each shape type adds, its styles and alphas, and shapes
// whose outlines wait for the next painted shape.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "render/image_store.h"
#include "render/render_ctx.h"
#include "render/scene_draw.h"
#include "render/shape_draw.h"
#include "render_fixture.h"

namespace pw {
namespace {
using test::kRed;
using test::kBlue;


struct ShapeBench : test::DrawBench {
  void draw(int64_t j) {
    buildShapePath(rc, 0, j);
    paintShape(rc, 0, j);
  }
  int64_t last() { return lastIndex(f.object(0).shapes); }
  QPointF at(int k) const { return QPointF(vg.path().elementAt(k)); }
};

QImage solid(int w, int h, Qt::GlobalColor c) {
  QImage im(w, h, QImage::Format_ARGB32);
  im.fill(c);
  return im;
}

TEST(ShapePath, ComplexChainWrapsAndNeverCloses) {
  ShapeBench b;
  b.f.ed.pan.x = 2;
  b.f.ed.pan.y = 1;
  Shape& s = b.f.addPointShape(0, kComplex, {{0, 0}, {30, 0}, {30, 30}, {0, 30}});
  s.x = 3;
  s.y = 4;
  s.closed = 1;  // ignored by complex shapes
  RenderCtx panned(b.f.ed, b.vg);  // the view as the document's origin now has it
  buildShapePath(panned, 0, 0);
  // P[i] = origin + shape position + point: (5, 5) + point.
  ASSERT_EQ(b.vg.path().elementCount(), 7);
  EXPECT_EQ(b.at(0), QPointF(5, 5));
  // P0 -> (P1, P2) -> P3, then P3 -> (P0, P1) -> P2.
  EXPECT_EQ(b.at(1), QPointF(35, 5));
  EXPECT_EQ(b.at(2), QPointF(35, 35));
  EXPECT_EQ(b.at(3), QPointF(5, 35));
  EXPECT_EQ(b.at(4), QPointF(5, 5));
  EXPECT_EQ(b.at(5), QPointF(35, 5));
  EXPECT_EQ(b.at(6), QPointF(35, 35));
}

TEST(ShapePath, CurveSegmentsAndWrap) {
  ShapeBench b;
  b.f.addPointShape(0, kCurve, {{0, 0}, {10, 0}, {10, 10}});
  buildShapePath(b.rc, 0, 0);
  ASSERT_EQ(b.vg.path().elementCount(), 4);
  EXPECT_EQ(b.at(3), QPointF(0, 0)) << "3 points: one segment back to P0";
  b.vg.clearPath();

  b.f.addPointShape(0, kCurve, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {20, 20}});
  buildShapePath(b.rc, 0, 1);
  ASSERT_EQ(b.vg.path().elementCount(), 4) << "5 points: the fifth is ignored";
  EXPECT_EQ(b.at(3), QPointF(0, 10));
  b.vg.clearPath();

  Shape& c = b.f.addPointShape(0, kCurve, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  c.closed = 1;
  buildShapePath(b.rc, 0, 2);
  const QPainterPath& p = b.vg.path();
  EXPECT_EQ(QPointF(p.elementAt(p.elementCount() - 1)), QPointF(0, 0)) << "closed back to P0";
}

TEST(ShapePath, LineClosedOnlyWhenAsked) {
  for (uint8_t closed : {0, 1}) {
    ShapeBench b;
    Shape& s = b.f.addPointShape(0, kLine, {{5, 5}, {35, 5}, {35, 35}}, kRed);
    s.closed = closed;
    s.style = 1;
    s.lineW = 2;
    b.draw(0);
    EXPECT_GT(b.alpha(20, 5), 200);
    EXPECT_GT(b.alpha(35, 20), 200);
    // The closing segment runs along the diagonal from (35, 35) to (5, 5).
    if (closed) EXPECT_GT(b.alpha(20, 20), 100);
    else EXPECT_EQ(b.alpha(20, 20), 0);
  }
}

TEST(ShapePath, BoxCircleAndEmptyKinds) {
  ShapeBench b;
  b.f.addBox(0, 10, 10, 15, 5, kRed);
  b.draw(0);
  EXPECT_GT(b.alpha(12, 12), 250);
  EXPECT_EQ(b.alpha(12, 16), 0);
  EXPECT_EQ(b.alpha(26, 12), 0);

  ShapeBench c;
  Shape& circle = c.f.addShape(0, kCircle, kRed);
  circle.x = 20;
  circle.y = 20;
  circle.w = 10;  // radii
  circle.h = 5;
  c.draw(0);
  EXPECT_GT(c.alpha(20, 20), 250);
  EXPECT_GT(c.alpha(28, 20), 250);
  EXPECT_EQ(c.alpha(20, 27), 0);

  // A circle with a zero radius, a round box and an image without a loaded image show nothing.
  ShapeBench d;
  Shape& flat = d.f.addShape(0, kCircle, kRed);
  flat.x = 20;
  flat.y = 20;
  flat.w = 0;
  flat.h = 10;
  d.f.addShape(0, kRoundBox, kRed).w = 30;
  Shape& img = d.f.addShape(0, kImage, kRed);
  img.imageId = 42;
  img.w = 30;
  img.h = 30;
  for (int64_t j = 0; j <= d.last(); ++j) d.draw(j);
  EXPECT_TRUE(d.blank());
}

TEST(ShapePaint, StylesAndDegenerateDots) {
  // Dashes of lineH along a line.
  ShapeBench b;
  Shape& dash = b.f.addPointShape(0, kLine, {{0, 20}, {40, 20}}, kRed);
  dash.style = 2;
  dash.lineW = 2;
  dash.lineH = 5;
  b.draw(0);
  EXPECT_GT(b.alpha(2, 20), 200);
  EXPECT_EQ(b.alpha(7, 20), 0);
  EXPECT_GT(b.alpha(12, 20), 200);

  // The default dot settings (width 10, distance 5) make one round line.
  ShapeBench c;
  Shape& dots = c.f.addPointShape(0, kLine, {{10, 20}, {30, 20}}, kRed);
  dots.style = 3;
  c.draw(0);
  for (int x = 10; x <= 30; ++x) EXPECT_GT(c.alpha(x, 20), 250) << x;
  EXPECT_GT(c.alpha(6, 20), 200) << "round ends";
  EXPECT_EQ(c.alpha(10, 27), 0);

  // Spaced dots: width 4, distance 12.
  ShapeBench d;
  Shape& spaced = d.f.addPointShape(0, kLine, {{4, 20}, {36, 20}}, kRed);
  spaced.style = 3;
  spaced.lineW = 4;
  spaced.lineDist = 12;
  d.draw(0);
  EXPECT_GT(d.alpha(12, 20), 200);
  EXPECT_EQ(d.alpha(16, 20), 0);

  // A plain line has round ends.
  ShapeBench e;
  Shape& line = e.f.addPointShape(0, kLine, {{10, 20}, {30, 20}}, kRed);
  line.lineW = 8;
  e.draw(0);
  EXPECT_GT(e.alpha(8, 20), 200);
  EXPECT_EQ(e.alpha(6, 16), 0) << "round, not square";
}

TEST(ShapePaint, AlphaOfShapeTimesObject) {
  EXPECT_EQ(paintAlpha(255, 255), 255);
  EXPECT_EQ(paintAlpha(128, 255), 128);
  EXPECT_EQ(paintAlpha(255, 128), 128);
  EXPECT_EQ(paintAlpha(255, 0), 0);
  EXPECT_EQ(paintAlpha(100, 100), 39);
  EXPECT_EQ(paintAlpha(1, 128), 1);
  EXPECT_EQ(paintAlpha(1, 127), 0);

  ShapeBench b;
  Shape& s = b.f.addBox(0, 5, 5, 30, 30, packRGBA(255, 0, 0, 10));  // colour's alpha ignored
  s.alpha = 128;
  b.draw(0);
  EXPECT_EQ(b.alpha(20, 20), 128);
  EXPECT_EQ(b.f.px(20, 20).red(), 255);
}

TEST(ShapePaint, ObjectAlphaZeroHidesPlainShapesNotStretchedImages) {
  ShapeBench b;
  b.f.object(0).alpha = 0;
  b.f.addBox(0, 0, 0, 20, 40, kRed);
  Shape& img = b.f.addShape(0, kImage);
  img.imageId = b.f.store.addImage(solid(4, 4, Qt::green));
  img.x = 20;
  img.w = 20;
  img.h = 40;
  b.draw(0);
  b.draw(1);
  EXPECT_EQ(b.alpha(10, 20), 0);
  EXPECT_EQ(b.alpha(30, 20), 255);
  EXPECT_EQ(b.f.px(30, 20).green(), 255);
  // The stretched image uses the shape's own alpha.
  ShapeBench c;
  Shape& half = c.f.addShape(0, kImage);
  half.imageId = c.f.store.addImage(solid(4, 4, Qt::green));
  half.w = 40;
  half.h = 40;
  half.alpha = 128;
  c.draw(0);
  EXPECT_TRUE(test::closeTo(c.alpha(20, 20), 128, 1));
}

TEST(ShapePaint, CustomStyleJoinsTheNextShapeWithHoles) {
  ShapeBench b;
  b.f.addBox(0, 5, 5, 20, 20, kRed).style = 4;
  b.f.addBox(0, 15, 15, 20, 20, kBlue);
  b.draw(0);
  EXPECT_TRUE(b.blank()) << "a custom-style shape paints nothing by itself";
  EXPECT_FALSE(b.vg.path().isEmpty());
  b.draw(1);
  EXPECT_TRUE(test::sameRGBA(b.f.px(10, 10), kBlue));
  EXPECT_EQ(b.alpha(20, 20), 0);
  EXPECT_TRUE(test::sameRGBA(b.f.px(30, 30), kBlue));
}

TEST(ShapePaint, GradientAndBrushKindsPaintThePlainColour) {
  for (uint8_t kind : {1, 2, 3}) {
    ShapeBench b;
    Shape& s = b.f.addBox(0, 5, 5, 30, 30, kRed);
    s.paint = kind;
    s.gradient = {kBlue};
    b.draw(0);
    EXPECT_TRUE(test::sameRGBA(b.f.px(20, 20), kRed)) << int(kind);
  }
}

TEST(ShapePath, RepeatedImageTilesFromItsOffset) {
  ShapeBench b;
  QImage halves(4, 4, QImage::Format_ARGB32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) halves.setPixelColor(x, y, x < 2 ? Qt::red : Qt::blue);
  Shape& s = b.f.addShape(0, kImage);
  s.imageId = b.f.store.addImage(halves);
  s.x = 3;
  s.y = 7;
  s.points[0].x = 2;
  s.w = 20;
  s.h = 20;
  s.imageRepeat = 2;
  s.imageW = 8;  // tiles of 8: red 0..4, blue 4..8 from the user origin
  s.imageH = 8;
  s.imageX = 10;
  s.imageY = 10;
  const QTransform before = b.vg.transform();
  b.draw(0);
  EXPECT_EQ(b.vg.transform(), before) << "object system restored";
  // The rectangle lands at (imageX, imageY).
  EXPECT_EQ(b.alpha(9, 15), 0);
  EXPECT_EQ(b.alpha(15, 9), 0);
  EXPECT_EQ(b.alpha(31, 15), 0);
  EXPECT_TRUE(test::sameRGBA(b.f.px(10, 11), kRed, 10));
  EXPECT_TRUE(test::sameRGBA(b.f.px(13, 11), kBlue, 10));
  EXPECT_TRUE(test::sameRGBA(b.f.px(17, 20), kRed, 10));
  EXPECT_TRUE(test::sameRGBA(b.f.px(29, 29), kBlue, 10));
}

TEST(ShapePath, TextAtTheShapePositionNotPointZero) {
  ShapeBench b;
  Shape& t = b.f.addShape(0, kText, kRed);
  t.x = 10;
  t.y = 10;
  t.points[0].x = 20;  // not used for placing a text
  t.points[0].y = 20;
  t.w = 16;
  t.text = "Ti";
  t.fontId = b.f.store.loadFont("Times New roman", 20, 256);
  b.draw(0);
  int inside = 0, outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      if (b.alpha(x, y) == 0) continue;
      (x >= 10 && y >= 10 && x < 30 && y < 28 ? inside : outside)++;
    }
  EXPECT_GT(inside, 10);
  EXPECT_EQ(outside, 0);
  // An empty text draws nothing.
  ShapeBench c;
  Shape& e = c.f.addShape(0, kText, kRed);
  e.w = 16;
  e.fontId = c.f.store.loadFont("arial", 20, 0);
  c.draw(0);
  EXPECT_TRUE(c.blank());
}

}  // namespace
}  // namespace pw
