// Shape effects: offset and scaled copies of an outline, behind or in front of the shape.
#include <gtest/gtest.h>

#include "render/fx_draw.h"
#include "render/image_store.h"
#include "render/render_ctx.h"
#include "render/scene_draw.h"
#include "render/shape_draw.h"
#include "render_fixture.h"

namespace pw {
namespace {
using test::kRed;
using test::kGreen;
using test::kBlue;


struct FxBench : test::DrawBench {
  // One shape in drawing order: back effects, outline, paint (unless linked), front effects.
  void draw(int64_t j) {
    const Object& o = f.object(0);
    drawFxAtDepth(rc, 0, j, 0);
    buildShapePath(rc, 0, j);
    if (o.shapes[static_cast<size_t>(j)].link == 0 || j == lastIndex(o.shapes)) paintShape(rc, 0, j);
    drawFxAtDepth(rc, 0, j, 1);
  }
};

ShapeFx effect(int depth, int type, int64_t color, int x = 0, int y = 0, int scale = 100) {
  ShapeFx fx;
  fx.active = 1;
  fx.depth = static_cast<uint8_t>(depth);
  fx.type = static_cast<uint8_t>(type);
  fx.color = color;
  fx.x = static_cast<int16_t>(x);
  fx.y = static_cast<int16_t>(y);
  fx.scale = static_cast<int16_t>(scale);
  fx.width = 2;
  fx.height = 5;
  fx.dist = 5;
  return fx;
}

// A square of 10 x 10 at point 0 made of straight complex segments (controls on the anchors).
std::initializer_list<std::pair<int, int>> complexSquare() {
  static const std::initializer_list<std::pair<int, int>> pts = {
      {0, 0}, {0, 0}, {10, 0}, {10, 0}, {10, 0}, {10, 10},
      {10, 10}, {10, 10}, {0, 10}, {0, 10}, {0, 10}, {0, 0}};
  return pts;
}

TEST(ShapeFx, BackShadowUnderTheShape) {
  FxBench b;
  Shape& s = b.f.addBox(0, 5, 5, 20, 20, kRed);
  s.fx = {effect(0, 0, packRGBA(0, 0, 0, 128), 5, 5)};
  b.draw(0);
  EXPECT_TRUE(test::sameRGBA(b.f.px(22, 22), kRed)) << "shape over its shadow";
  EXPECT_TRUE(test::sameRGBA(b.f.px(27, 27), packRGBA(0, 0, 0, 128)));
  EXPECT_TRUE(test::sameRGBA(b.f.px(12, 27), packRGBA(0, 0, 0, 128)));
  EXPECT_EQ(b.alpha(7, 27), 0);
  EXPECT_EQ(b.alpha(31, 31), 0);
}

TEST(ShapeFx, FrontEffectsOverTheShapeInIndexOrder) {
  FxBench b;
  Shape& s = b.f.addBox(0, 5, 5, 20, 20, kRed);
  s.fx = {effect(1, 0, kGreen, 5, 5), effect(1, 0, kBlue, 10, 10), effect(0, 0, kBlue, -5, -5)};
  b.draw(0);
  EXPECT_TRUE(test::sameRGBA(b.f.px(7, 7), kRed));
  EXPECT_TRUE(test::sameRGBA(b.f.px(12, 12), kGreen)) << "front effect over the shape";
  EXPECT_TRUE(test::sameRGBA(b.f.px(20, 20), kBlue)) << "second effect over the first";
  EXPECT_TRUE(test::sameRGBA(b.f.px(2, 2), kBlue)) << "back effect shows beside the shape";
  EXPECT_TRUE(test::sameRGBA(b.f.px(6, 6), kRed)) << "and under it";
}

TEST(ShapeFx, ScaleOnlyForClosedKinds) {
  // Complex: scaled about point 0.
  FxBench b;
  Shape& s = b.f.addPointShape(0, kComplex, complexSquare(), kRed);
  s.x = 5;
  s.y = 5;
  s.fx = {effect(0, 0, kBlue, 0, 0, 200)};
  drawShapeFx(b.rc, 0, 0, 0);
  EXPECT_TRUE(test::sameRGBA(b.f.px(7, 7), kBlue));
  EXPECT_TRUE(test::sameRGBA(b.f.px(22, 22), kBlue));
  EXPECT_EQ(b.alpha(27, 22), 0);
  EXPECT_EQ(b.alpha(3, 7), 0);

  // Box and circle scale their size.
  FxBench c;
  c.f.addBox(0, 5, 5, 10, 10, kRed).fx = {effect(0, 0, kBlue, 0, 0, 200)};
  drawShapeFx(c.rc, 0, 0, 0);
  EXPECT_GT(c.alpha(22, 22), 250);
  EXPECT_EQ(c.alpha(27, 22), 0);
  FxBench e;
  Shape& circle = e.f.addShape(0, kCircle, kRed);
  circle.x = 20;
  circle.y = 20;
  circle.w = 5;
  circle.h = 5;
  circle.fx = {effect(0, 0, kBlue, 0, 0, 300)};
  drawShapeFx(e.rc, 0, 0, 0);
  EXPECT_GT(e.alpha(33, 20), 250);
  EXPECT_EQ(e.alpha(37, 20), 0);

  // Line and curve: unchanged.
  for (uint8_t type : {kLine, kCurve}) {
    FxBench d;
    Shape& l = d.f.addPointShape(0, type, {{5, 20}, {10, 20}, {15, 20}, {15, 20}}, kRed);
    l.fx = {effect(0, 1, kBlue, 0, 0, 200)};
    drawShapeFx(d.rc, 0, 0, 0);
    EXPECT_GT(d.alpha(13, 20), 200) << int(type);
    EXPECT_EQ(d.alpha(20, 20), 0) << int(type);
    EXPECT_EQ(d.alpha(28, 20), 0) << int(type);
  }
}

TEST(ShapeFx, ComplexWithUnevenPointsScalesItsWrappedSegments) {
  // Four points: P0 -> (P1, P2) -> P3, then P3 -> (P0, P1) -> P2, all scaled about P0.
  FxBench b;
  Shape& s = b.f.addPointShape(0, kComplex, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, kRed);
  s.x = 2;
  s.y = 3;
  s.link = 1;  // linked and not last: the outline stays in the path
  b.f.addBox(0, 0, 0, 1, 1);
  b.f.shape(0, 0).fx = {effect(0, 0, kBlue, 1, 1, 200)};
  drawShapeFx(b.rc, 0, 0, 0);
  const QPainterPath& p = b.vg.path();
  ASSERT_EQ(p.elementCount(), 7);
  const QPointF q0(3, 4);
  const QPointF expected[] = {q0,          q0 + QPointF(20, 0), q0 + QPointF(20, 20),
                              q0 + QPointF(0, 20), q0,          q0 + QPointF(20, 0),
                              q0 + QPointF(20, 20)};
  for (int k = 0; k < 7; ++k) EXPECT_EQ(QPointF(p.elementAt(k)), expected[k]) << k;
  EXPECT_TRUE(b.blank());
}

TEST(ShapeFx, InactiveAndAllBackAllFrontDrawNothing) {
  FxBench b;
  Shape& s = b.f.addBox(0, 5, 5, 20, 20, kRed);
  s.style = 4;  // the shape itself paints nothing
  ShapeFx off = effect(0, 0, kBlue);
  off.active = 0;
  s.fx = {off, effect(2, 0, kBlue), effect(3, 0, kBlue)};
  for (int depth = 0; depth <= 3; ++depth) drawFxAtDepth(b.rc, 0, 0, depth);
  b.draw(0);
  EXPECT_TRUE(b.blank());
}

TEST(ShapeFx, TypeOutsideTheKnownOnesKeepsTheOutline) {
  FxBench b;
  b.f.addBox(0, 5, 5, 20, 20, kRed).fx = {effect(0, 7, kBlue, 10, 10)};
  drawShapeFx(b.rc, 0, 0, 0);
  EXPECT_TRUE(b.blank());
  EXPECT_TRUE(b.vg.pathContains(28, 28));
}

TEST(ShapeFx, StrokeKindsUseTheEffectSettings) {
  FxBench b;
  Shape& s = b.f.addPointShape(0, kLine, {{0, 10}, {40, 10}}, kRed);
  ShapeFx dash = effect(0, 2, kBlue);
  dash.width = 2;
  dash.height = 5;
  ShapeFx dots = effect(0, 3, kGreen, 0, 20);
  dots.width = 4;
  dots.dist = 12;
  s.fx = {dash, dots};
  drawShapeFx(b.rc, 0, 0, 0);
  drawShapeFx(b.rc, 0, 0, 1);
  EXPECT_GT(b.alpha(2, 10), 200);
  EXPECT_EQ(b.alpha(7, 10), 0);
  EXPECT_GT(b.alpha(8, 30), 200);   // dots every 8 units from x = 0
  EXPECT_EQ(b.alpha(4, 30), 0);
}

TEST(ShapeFx, LinkedShapeMergesItsEffectsIntoTheNextPaint) {
  FxBench b;
  Shape& a = b.f.addBox(0, 5, 5, 20, 20, kRed);
  a.link = 1;
  a.fx = {effect(0, 0, kGreen, 10, 10)};  // 15..35
  b.f.addBox(0, 36, 36, 3, 3, kBlue);
  b.draw(0);
  EXPECT_TRUE(b.blank()) << "nothing painted while linked";
  b.draw(1);
  EXPECT_TRUE(test::sameRGBA(b.f.px(10, 10), kBlue));
  EXPECT_EQ(b.alpha(20, 20), 0) << "shape and effect overlap: a hole";
  EXPECT_TRUE(test::sameRGBA(b.f.px(30, 30), kBlue));
  EXPECT_TRUE(test::sameRGBA(b.f.px(37, 37), kBlue));
}

}  // namespace
}  // namespace pw
