#include "core/model.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

TEST(Colour, PacksSignExtended) {
  EXPECT_EQ(packRGBA(255, 120, 0, 255), -16746241);
  EXPECT_EQ(packRGBA(220, 220, 120, 255), -8856356);
  EXPECT_EQ(packRGBA(1, 2, 3, 127), 1 | 2 << 8 | 3 << 16 | 127 << 24);
  const int64_t c = packRGBA(12, 34, 56, 200);
  EXPECT_EQ(redOf(c), 12);
  EXPECT_EQ(greenOf(c), 34);
  EXPECT_EQ(blueOf(c), 56);
  EXPECT_EQ(alphaOf(c), 200);
}

TEST(Model, NewElementsAreZeroedWithNestedArrays) {
  Document doc;
  ASSERT_EQ(doc.Objects.size(), 1u);
  growTo(doc.Objects, 3);
  const Object& o = doc.Objects[2];
  EXPECT_EQ(o.alpha, 0);
  EXPECT_EQ(o.w, 0);
  ASSERT_EQ(o.shapes.size(), 1u);
  const Shape& s = o.shapes[0];
  EXPECT_EQ(s.points.size(), 6u);
  EXPECT_EQ(s.fx.size(), 1u);
  ASSERT_EQ(s.gradient.size(), 1u);
  EXPECT_EQ(s.gradient[0], 0);
  EXPECT_EQ(s.fx[0].scale, 0);
  EXPECT_TRUE(s.name.empty());
  growTo(doc.Objects, 1);  // never shrinks
  EXPECT_EQ(doc.Objects.size(), 3u);
}

TEST(Model, CurrentIndicesAreRangeChecked) {
  Document doc;
  Selection sel;
  EXPECT_NE(currentShape(doc, sel), nullptr);
  sel.shape = 1;
  EXPECT_EQ(currentShape(doc, sel), nullptr);
  sel.shape = -1;
  EXPECT_EQ(currentShape(doc, sel), nullptr);
  sel.shape = 0;
  sel.object = 1;
  EXPECT_EQ(currentObject(doc, sel), nullptr);
  EXPECT_EQ(currentShape(doc, sel), nullptr);
  sel.object = 0;
  sel.point = 6;
  EXPECT_EQ(currentPoint(doc, sel), nullptr);
  sel.point = 5;
  EXPECT_NE(currentPoint(doc, sel), nullptr);
  sel.fx = 1;
  EXPECT_EQ(currentFx(doc, sel), nullptr);
}

TEST(Model, HardAndSoftPointsMoveTheWrappedNeighbours) {
  Document doc;
  Selection sel;
  Shape& s = doc.Objects[0].shapes[0];
  for (int i = 0; i < 6; ++i) s.points[i] = ShapePoint{i * 10, i * 7};
  sel.point = 0;  // neighbours 5 and 1
  setPointKind(doc, sel, true);
  EXPECT_EQ(s.points[5].x, 0);
  EXPECT_EQ(s.points[5].y, 0);
  EXPECT_EQ(s.points[1].x, 0);
  EXPECT_EQ(s.points[5].hard, 1);
  EXPECT_EQ(s.points[1].hard, 1);
  EXPECT_EQ(s.points[2].x, 20);  // untouched

  sel.point = 5;  // neighbours 4 and 0
  s.points[5] = ShapePoint{100, 50};
  setPointKind(doc, sel, false);
  EXPECT_EQ(s.points[4].x, 120);
  EXPECT_EQ(s.points[4].y, 50);
  EXPECT_EQ(s.points[0].x, 80);
  EXPECT_EQ(s.points[0].y, 50);
  EXPECT_EQ(s.points[0].hard, 0);

  sel.point = 9;  // out of range: nothing happens
  setPointKind(doc, sel, true);
  EXPECT_EQ(s.points[0].x, 80);
}

TEST(Model, NarrowingKeepsLowBits) {
  EXPECT_EQ(toU8(256), 0);
  EXPECT_EQ(toU8(-1), 255);
  EXPECT_EQ(toI16(65536 + 5), 5);
  EXPECT_EQ(toI16(40000), 40000 - 65536);
  EXPECT_EQ(toI8(255), -1);
}

}  // namespace
}  // namespace pw
