// The canvas tools on points, images and the tool values without a button, driven through the
// canvas widget with mouse and key events. At zoom 100 with the view origin and the object
// offset at 0, a widget pixel is a scene unit.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/tools/editing_tool.h"
#include "editor_fixture.h"

namespace pw::test {
namespace {

using P = std::pair<int64_t, int64_t>;
using Pts = std::vector<P>;
using Strings = std::vector<std::string>;
// ---- points -------------------------------------------------------------------------------

TEST(CanvasPoints, PickingUsesASquareOfThreeOrADistanceOfSix) {
  struct Case {
    int dx, dy;
    bool hit;
  };
  const std::vector<Case> cases = {{3, 3, true},  {-3, 3, true}, {3, -3, true}, {6, 0, true},
                                   {0, -6, true}, {4, 4, true},  {6, 1, false}, {4, 5, false},
                                   {7, 0, false}, {-1, 7, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy);
    CanvasFixture f;
    f.putPoints(kLine, {{200, 200}, {400, 200}});
    f.ed.sel.point = 1;
    f.press(200 + c.dx, 200 + c.dy);
    EXPECT_EQ(f.ed.sel.point, c.hit ? 0 : -1);
    EXPECT_EQ(f.ed.sel.isPointSelected(f.current().id, 0), c.hit);
    EXPECT_EQ(f.ed.tools.dragState, c.hit ? DragState::kPoint : DragState::kNone);
    f.release(200 + c.dx, 200 + c.dy);
    EXPECT_TRUE(f.changes.empty());
  }
}

TEST(CanvasPoints, SnapTruncatesTowardZero) {
  struct Case {
    int16_t snapX, snapY;
    int lx, ly;
    int64_t x, y;
  };
  // Steps below 1 count as 1.
  const std::vector<Case> cases = {{10, 10, 37, 37, 30, 30},
                                   {10, 10, -7, -7, 0, 0},
                                   {10, 10, -17, 44, -10, 40},
                                   {0, -4, 37, 43, 37, 43}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lx << "," << c.ly);
    CanvasFixture f;
    f.ed.options.Snap = 1;
    f.ed.options.SnapX = c.snapX;
    f.ed.options.SnapY = c.snapY;
    f.ed.pan.x = 20;
    f.ed.pan.y = 20;
    f.putPoints(kLine, {{100, 100}, {300, 100}});
    std::vector<P> shown;
    f.ed.listen(Shown::kPointPosition,
                [&shown](const Notice& n) { shown.emplace_back(n.x, n.y); });
    f.drag(120, 120, c.lx + 20, c.ly + 20);  // pixels = canvas-local + origin
    EXPECT_EQ(f.points(f.current())[0], P(c.x, c.y));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), P(c.x, c.y));
    EXPECT_EQ(f.changes, Strings{"Move point"});
  }
}

TEST(CanvasPoints, DeletePointToolRemovesThePointAndItsNeighbours) {
  CanvasFixture f;
  f.putRow();
  f.setTool(kToolDeletePoint);
  f.click(101, 299);
  EXPECT_EQ(f.points(f.current()),
            (Pts{{180, 300}, {220, 300}, {260, 300}, {300, 300}, {340, 300}, {380, 300}}));
  EXPECT_EQ(f.changes, Strings{"Delete point"});
  // A click on no point deletes nothing.
  f.click(700, 50);
  EXPECT_EQ(f.current().points.size(), 6u);
  EXPECT_EQ(f.changes.size(), 1u);
}

TEST(DeletePoint, RemovesNoMorePointsThanTheShapeHasAndKeepsOne) {
  struct Case {
    int n;
    int64_t k;
    bool removed;
    std::vector<int64_t> left;  // original indices that stay
  };
  const std::vector<int64_t> all = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  // clang-format off
  const std::vector<Case> cases = {
      {1, 0, false, {0}}, {2, 0, true, {1}}, {2, 1, true, {0}}, {3, 1, true, {2}},
      {3, 0, true, {1}},  {4, 0, true, {2}}, {9, 4, true, {0, 1, 2, 6, 7, 8}},
      {9, 8, true, {1, 2, 3, 4, 5, 6}}, {9, 9, false, all}, {9, -1, false, all}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.n << " points, k " << c.k);
    EditorFixture f;
    Shape& s = f.putShape(kLine);
    s.points.resize(static_cast<size_t>(c.n));
    for (int i = 0; i < c.n; ++i) s.points[static_cast<size_t>(i)].x = i;
    EXPECT_EQ(deletePoint(f.ed, c.k), c.removed);
    std::vector<int64_t> left;
    for (const ShapePoint& p : f.current().points) left.push_back(p.x);
    EXPECT_EQ(left, c.left);
  }
  EditorFixture none;
  none.ed.sel.shape = -1;
  EXPECT_FALSE(deletePoint(none.ed, 0));
}

TEST(CanvasPoints, AddPointGrowsPathsAndLines) {
  struct Case {
    uint8_t type;
    Pts before, after;
  };
  const std::vector<Case> cases = {
      // A path gains a control, an anchor at the press and a control, before its end point
      // (the shape sits at 10, 5).
      {kComplex,
       {{0, 0}, {9, 0}, {20, 0}, {20, 9}, {9, 9}, {0, 9}},
       {{0, 0}, {9, 0}, {20, 0}, {20, 9}, {9, 9}, {270, 145}, {290, 145}, {310, 145}, {0, 9}}},
      // A line gains the press position itself.
      {kLine, {{0, 0}, {90, 0}}, {{0, 0}, {90, 0}, {300, 150}}},
      {kBox, {{0, 0}}, {{0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.type));
    CanvasFixture f;
    Shape& s = f.putShape(c.type);
    s.points.clear();
    for (const auto& [x, y] : c.before) s.points.push_back(ShapePoint{x, y});
    s.x = 10;
    s.y = 5;
    f.setTool(kToolAddPoint);
    f.click(300, 150);
    EXPECT_EQ(f.points(f.current()), c.after);
    EXPECT_EQ(f.changes, c.after.size() > c.before.size() ? Strings{"Add point"} : Strings{});
  }
}

TEST(CanvasPoints, DraggedAnchorTakesItsNeighboursAlong) {
  struct Case {
    int k;
    std::vector<int> moved;
  };
  const std::vector<Case> cases = {{3, {2, 3, 4}}, {0, {8, 0, 1}}, {4, {4}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.k);
    CanvasFixture f;
    Shape& s = f.putRow();
    const Pts before = f.points(s);
    std::vector<P> shown;
    f.ed.listen(Shown::kPointPosition,
                [&shown](const Notice& n) { shown.emplace_back(n.x, n.y); });
    const int px = 100 + 40 * c.k;
    f.drag(px, 300, px + 10, 305);
    const Pts after = f.points(f.current());
    for (size_t i = 0; i < after.size(); ++i) {
      const bool moved = std::find(c.moved.begin(), c.moved.end(), int(i)) != c.moved.end();
      const P want = moved ? P(before[i].first + 10, before[i].second + 5) : before[i];
      EXPECT_EQ(after[i], want) << "point " << i;
    }
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), (P(px + 10, 305)));
    EXPECT_EQ(f.changes, Strings{"Move point"});
  }
}

TEST(CanvasPoints, ShiftKeepsEarlierPointSelections) {
  auto selected = [](CanvasFixture& f) {
    std::vector<int> v;
    for (const int64_t i : f.ed.sel.pointsOf(f.current().id)) v.push_back(static_cast<int>(i));
    return v;
  };
  {  // Shift key held: picks add up, with the anchors' neighbours
    CanvasFixture f;
    f.putRow();
    f.keyDown(Qt::Key_Shift);
    f.click(220, 300);  // point 3
    EXPECT_EQ(selected(f), (std::vector<int>{2, 3, 4}));
    f.click(340, 300);  // point 6
    EXPECT_EQ(selected(f), (std::vector<int>{2, 3, 4, 5, 6, 7}));
    f.keyUp(Qt::Key_Shift);
    EXPECT_FALSE(f.ed.tools.multiSelect);
    f.click(180, 300);  // point 2 alone
    EXPECT_EQ(selected(f), (std::vector<int>{2}));
    EXPECT_EQ(f.ed.sel.point, 2);
  }
  {  // Shift held on the mouse press alone counts too
    CanvasFixture f;
    f.putRow();
    f.click(220, 300);
    f.mods = Qt::ShiftModifier;
    f.click(340, 300);
    EXPECT_EQ(selected(f), (std::vector<int>{3, 5, 6, 7}));
  }
}

TEST(CanvasPoints, ShiftDragMovesEverySelectedPoint) {
  CanvasFixture f;
  Shape& s = f.putPoints(kLine, {{100, 100}, {200, 100}, {300, 100}});
  f.ed.sel.selectPoint(s.id, 2);
  f.keyDown(Qt::Key_Shift);
  f.drag(100, 100, 110, 120);
  EXPECT_EQ(f.points(f.current()), (Pts{{110, 120}, {200, 100}, {310, 120}}));
  EXPECT_EQ(f.changes, Strings{"Move point"});
}

TEST(CanvasPoints, DragsThatMustNotEdit) {
  // A locked shape, points far out of range, and the placeholder of an object that has no
  // shape yet (as start-up leaves object 0).
  for (int which : {0, 1, 2}) {
    SCOPED_TRACE(which);
    CanvasFixture f;
    if (which < 2) {
      Shape& s = f.putPoints(kLine, {{100, 100}, {200, 100}});
      s.locked = which == 0;
      if (which == 1) {
        s.points[0] = ShapePoint{INT64_MAX - 5, INT64_MIN + 5};
        s.points[1] = ShapePoint{INT64_MIN, INT64_MAX};
        s.x = 100;
        s.y = -100;
      }
    }
    const Pts before = f.points(f.current());
    const int at = which == 2 ? 1 : 100;  // the placeholder's points lie at the origin
    f.drag(at, at, 150, 150);
    EXPECT_EQ(f.points(f.current()), before);
    EXPECT_TRUE(f.changes.empty());
    EXPECT_FALSE(f.ed.modified);
  }
}

TEST(CanvasShapes, ImageIsPickedByItsPressRectangleWithoutACurrentShape) {
  struct Case {
    int px, py;
    bool picked;
  };
  // The press rectangle runs from (x, y) to (x + lineW, y + lineH), borders included.
  for (const Case& c : std::vector<Case>{{210, 205, true}, {200, 200, true}, {211, 203, false}}) {
    SCOPED_TRACE(testing::Message() << c.px << "," << c.py);
    CanvasFixture f;
    f.putBox(400, 300, 20, 20);
    Shape& img = f.putShape(kImage);
    img.x = 200;
    img.y = 200;
    img.w = 0;  // no outline of its own: only the press rectangle picks it
    img.h = 0;
    f.ed.sel.shape = -1;
    f.press(c.px, c.py);
    EXPECT_EQ(f.ed.sel.shape, c.picked ? 1 : -1);
    EXPECT_EQ(f.ed.sel.isSelected(f.shape(1).id), c.picked);
    f.move(c.px + 7, c.py + 3);
    f.release(c.px + 7, c.py + 3);
    EXPECT_EQ(f.shape(1).x, c.picked ? 207 : 200);
    EXPECT_EQ(f.changes.size(), c.picked ? 1u : 0u);
  }
}

TEST(CanvasTools, ValuesWithoutAButtonDoWhatTheirUnitsSay) {
  // Value 4 picks points, value 6 only picks images by their press rectangle; a value past the
  // last tool does nothing at all.
  const struct {
    int tool;
    bool picksPoint, picksImage;
  } cases[] = {{4, true, true}, {6, false, true}, {16, false, false}, {kToolSelect, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tool);
    {
      CanvasFixture f;
      f.putPoints(kLine, {{200, 200}, {400, 200}});
      f.ed.sel.point = 1;
      f.setTool(c.tool);
      f.click(202, 201);
      EXPECT_EQ(f.ed.sel.point, c.picksPoint ? 0 : 1);
      EXPECT_EQ(f.ed.sel.isPointSelected(f.current().id, 0), c.picksPoint);
    }
    CanvasFixture f;
    Shape& img = f.putShape(kImage);
    img.x = 200;
    img.y = 200;
    img.w = 0;  // no outline of its own: only the press rectangle picks it
    img.h = 0;
    f.ed.sel.shape = -1;
    f.setTool(c.tool);
    f.click(205, 203);
    EXPECT_EQ(f.ed.sel.shape, c.picksImage ? 0 : -1);
    EXPECT_TRUE(f.changes.empty());
  }
}

}  // namespace
}  // namespace pw::test
