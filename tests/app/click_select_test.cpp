// The click selection the canvas tools run after a press or a move, before the canvas is drawn,
// and the settling every other refresh runs, driven through the tools' refresh.
#include "app/tools/click_select.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "app/canvas_tools.h"
#include "render_fixture.h"

namespace pw::test {
namespace {

// Boxes A (10..50) and B (30..70) overlap; C (100..120, 10..30) stands apart.
struct PressFixture : RenderFixture {
  CanvasTools tools{ed, canvas, {}};
  PressFixture() : RenderFixture(160, 120) {
    addBox(0, 10, 10, 40, 40);
    addBox(0, 30, 30, 40, 40);
    addBox(0, 100, 10, 20, 20);
  }
  Shape& a() { return shape(0, 0); }
  Shape& b() { return shape(0, 1); }
  Shape& c() { return shape(0, 2); }
  std::vector<int> selection() {
    std::vector<int> v;
    for (const Shape& s : object(ed.sel.object).shapes) v.push_back(ed.sel.isSelected(s.id));
    return v;
  }
  // The refresh after a mouse event at (x, y), and the one any other change asks for.
  void press(int64_t x, int64_t y) {
    canvas.image.fill(Qt::transparent);
    tools.refresh(x, y, true);
  }
  void redraw() {
    canvas.image.fill(Qt::transparent);
    tools.refresh(0, 0, false);
  }
  // What the canvas tools do when the button comes up.
  void release() {
    ed.tools.shapeHit = false;
    ed.tools.dragState = DragState::kNone;
  }
};

using Sel = std::vector<int>;

TEST(Press, LastShapeUnderThePointBecomesCurrent) {
  PressFixture f;
  f.ed.sel.select(f.c().id);
  f.press(40, 40);
  EXPECT_EQ(f.ed.sel.shape, 1);
  EXPECT_EQ(f.selection(), (Sel{0, 1, 0}));
  EXPECT_TRUE(f.ed.tools.shapeHit);
  EXPECT_EQ(f.ed.tools.dragState, DragState::kShapes);
  EXPECT_GT(f.propertiesRefreshed, 0);

  // The same with the checker background.
  PressFixture g;
  g.ed.options.BgImg = 1;
  g.press(40, 40);
  EXPECT_EQ(g.ed.sel.shape, 1);
  EXPECT_EQ(g.selection(), (Sel{0, 1, 0}));
}

TEST(Press, PointIsTakenInTheObjectsCoordinates) {
  PressFixture f;
  f.object(0).x = 100;  // A is drawn at 110..150
  f.press(125, 20);
  EXPECT_FALSE(f.ed.tools.shapeHit);
  EXPECT_EQ(f.selection(), (Sel{0, 0, 0}));
  f.press(20, 20);
  EXPECT_EQ(f.ed.sel.shape, 0);
  EXPECT_EQ(f.selection(), (Sel{1, 0, 0}));

  PressFixture g;
  g.object(0).rotX = 80;
  g.object(0).rotY = 60;
  g.object(0).angle = 180;
  g.press(110, 20);  // C, drawn turned over at 40..60, 90..110
  EXPECT_EQ(g.ed.sel.shape, 2);
}

TEST(Press, MultiSelectAddsEveryShapeUnderThePoint) {
  PressFixture f;
  f.ed.tools.multiSelect = true;
  f.ed.sel.select(f.c().id);
  f.ed.sel.shape = 2;
  f.press(40, 40);
  EXPECT_EQ(f.selection(), (Sel{1, 1, 1}));
  EXPECT_EQ(f.ed.sel.shape, 2);
  EXPECT_EQ(f.ed.tools.dragState, DragState::kShapes);
  EXPECT_TRUE(f.ed.tools.shapeHit);
}

TEST(Press, EmptyPressClearsTheSelectionUnlessMultiSelect) {
  PressFixture f;
  f.ed.sel.select(f.a().id);
  f.ed.sel.select(f.b().id);
  f.ed.sel.shape = 1;
  f.press(150, 110);
  EXPECT_EQ(f.selection(), (Sel{0, 0, 0}));
  EXPECT_EQ(f.ed.sel.shape, 1);
  EXPECT_FALSE(f.ed.tools.shapeHit);
  EXPECT_EQ(f.ed.tools.dragState, DragState::kNone);
  EXPECT_EQ(f.propertiesRefreshed, 0);

  f.ed.tools.multiSelect = true;
  f.ed.sel.select(f.a().id);
  f.press(150, 110);
  EXPECT_EQ(f.selection(), (Sel{1, 0, 0}));
}

TEST(Press, OnlyTheCurrentObjectIsPicked) {
  PressFixture f;
  const int64_t o1 = f.addObject();
  f.addBox(o1, 0, 0, 160, 120);
  f.press(140, 100);  // only the other object's box is here
  EXPECT_FALSE(f.ed.tools.shapeHit);
  EXPECT_FALSE(f.ed.sel.isSelected(f.shape(o1, 0).id));
  EXPECT_EQ(f.ed.sel.shape, -1);

  f.ed.sel.object = o1;
  f.press(140, 100);
  EXPECT_TRUE(f.ed.sel.isSelected(f.shape(o1, 0).id));
  EXPECT_EQ(f.ed.sel.shape, 0);
}

TEST(Press, NothingIsPickedInAFreshDocument) {
  PressFixture f;
  f.ed.doc.DocumentState = kDocumentFresh;
  f.press(40, 40);
  EXPECT_EQ(f.selection(), (Sel{0, 0, 0}));
  EXPECT_FALSE(f.ed.tools.shapeHit);
  EXPECT_EQ(f.ed.sel.shape, -1);
  f.ed.tools.tool = kToolSelect;
  f.ed.sel.select(f.a().id);
  f.redraw();
  EXPECT_EQ(f.selection(), (Sel{1, 0, 0}));
}

TEST(Press, SelectToolClearsAfterARefreshThatPickedNothing) {
  PressFixture f;
  f.ed.sel.select(f.a().id);
  f.redraw();  // mode 0, Move tool
  EXPECT_EQ(f.selection(), (Sel{1, 0, 0}));
  f.ed.tools.tool = kToolSelect;
  f.redraw();
  EXPECT_EQ(f.selection(), (Sel{0, 0, 0}));
  f.press(110, 20);
  EXPECT_EQ(f.selection(), (Sel{0, 0, 1}));
}

TEST(Press, GrabOffsetsFollowTheTool) {
  {
    PressFixture f;  // Move: shape and point offsets of every selected shape
    f.ed.tools.multiSelect = true;
    f.ed.sel.select(f.a().id);
    f.c().points[0].x = 3;
    f.c().points[0].y = 4;
    f.press(110, 20);
    EXPECT_EQ(f.c().startX, 110 - 100);
    EXPECT_EQ(f.c().startY, 20 - 10);
    EXPECT_EQ(f.a().startX, 110 - 10);
    EXPECT_EQ(f.c().points[0].dragX, 110 - 3);
    EXPECT_EQ(f.c().points[0].dragY, 20 - 4);
    EXPECT_EQ(f.a().points[0].dragX, 110);
    EXPECT_EQ(f.b().startX, 0);
    EXPECT_EQ(f.b().points[0].dragX, 0);
  }
  {
    PressFixture f;  // Scale: the picked shape's size offsets, and its points as they start
    f.ed.tools.tool = kToolScale;
    f.c().points[0].x = 3;
    f.c().points[0].y = 4;
    f.press(110, 20);
    EXPECT_EQ(f.c().startX, 110 - 20);
    EXPECT_EQ(f.c().startY, 20 + 20);
    EXPECT_EQ(f.c().points[0].dragX, 3);
    EXPECT_EQ(f.c().points[0].dragY, 4);
  }
  {
    PressFixture f;  // Rotate: the press's x and the picked shape's points as they start
    f.ed.tools.tool = kToolRotate;
    f.c().points[0].x = 3;
    f.c().points[0].y = 4;
    f.press(110, 20);
    EXPECT_EQ(f.ed.sel.shape, 2);
    EXPECT_EQ(f.c().startX, 110);
    EXPECT_EQ(f.c().points[0].dragX, 3);
    EXPECT_EQ(f.b().points[0].dragX, 0);  // shapes not picked are left alone
  }
  {
    PressFixture f;  // Select: point offsets only
    f.ed.tools.tool = kToolSelect;
    f.press(110, 20);
    EXPECT_EQ(f.c().startX, 0);
    EXPECT_EQ(f.c().points[0].dragX, 110);
    EXPECT_EQ(f.c().points[0].dragY, 20);
  }
}

TEST(Press, ADragInProgressKeepsItsShape) {
  PressFixture f;
  f.ed.sel.select(f.a().id);
  f.ed.sel.shape = 0;
  f.ed.tools.shapeHit = true;
  f.ed.tools.dragState = DragState::kShapes;
  f.press(110, 20);
  EXPECT_EQ(f.selection(), (Sel{1, 0, 0}));
  EXPECT_EQ(f.ed.sel.shape, 0);
  EXPECT_EQ(f.a().startX, 110 - 10);  // offsets follow the new position

  // Right after a creating press nothing is tested or settled.
  PressFixture g;
  g.ed.tools.revertTool = true;
  g.ed.tools.tool = kToolSelect;
  g.ed.sel.select(g.a().id);
  g.press(110, 20);
  EXPECT_EQ(g.selection(), (Sel{1, 0, 0}));
  EXPECT_FALSE(g.ed.tools.shapeHit);
}

TEST(Press, LinkedOutlinesAreTestedTogether) {
  PressFixture f;
  f.a().link = 1;
  // In the overlap, A alone contains the point, A and B together do not.
  f.press(40, 40);
  EXPECT_EQ(f.ed.sel.shape, 0);
  EXPECT_EQ(f.selection(), (Sel{1, 0, 0}));
  f.release();
  f.press(60, 60);
  EXPECT_EQ(f.ed.sel.shape, 1);
}

TEST(Press, SingularObjectIsNeverPicked) {
  PressFixture f;
  f.object(0).w = 0;
  f.press(20, 20);
  f.press(0, 0);
  EXPECT_FALSE(f.ed.tools.shapeHit);
  EXPECT_EQ(f.ed.sel.shape, -1);
  f.object(0).w = 100;
  f.object(0).h = 0;
  f.press(20, 0);
  EXPECT_FALSE(f.ed.tools.shapeHit);
  for (int y = 0; y < 120; y += 5)
    for (int x = 0; x < 160; x += 5) EXPECT_TRUE(isClear(f.px(x, y)));
}

TEST(Press, PanelsThatShrinkTheSceneDuringAPickAreSurvived) {
  PressFixture f;
  f.ed.listen(Shown::kProperties, [&f](const Notice&) { f.object(0).shapes.resize(1); });
  f.press(40, 40);  // A is picked first; the hook then drops B and C
  EXPECT_EQ(f.object(0).shapes.size(), 1u);
  EXPECT_TRUE(f.ed.sel.isSelected(f.a().id));
}

TEST(Refresh, NullCanvasChangesNothing) {
  PressFixture f;
  f.ed.tools.tool = kToolSelect;
  f.ed.sel.select(f.a().id);
  f.canvas.image = QImage();
  f.press(110, 20);
  EXPECT_EQ(f.selection(), (Sel{1, 0, 0}));
  EXPECT_FALSE(f.ed.tools.shapeHit);
  EXPECT_EQ(f.ed.sel.shape, -1);
  EXPECT_EQ(f.propertiesRefreshed, 0);
}

TEST(Refresh, SetAllShapesSelectedGuardsTheCurrentObject) {
  PressFixture f;
  setAllShapesSelected(f.ed, true);
  EXPECT_EQ(f.selection(), (Sel{1, 1, 1}));
  f.ed.sel.object = 5;
  setAllShapesSelected(f.ed, false);
  f.ed.sel.object = 0;
  EXPECT_EQ(f.selection(), (Sel{1, 1, 1}));
  f.ed.sel.object = -1;
  f.press(40, 40);  // no current object: draws, picks nothing
  f.ed.sel.object = 0;
  EXPECT_EQ(f.selection(), (Sel{1, 1, 1}));
}

// Points of a scene file may lie anywhere in 64 bits: their offsets from the mouse saturate.
TEST(Hold, PointOffsetsFromTheMouseSaturate) {
  const struct {
    int64_t mouse, point, offset;
  } cases[] = {{100, INT64_MIN, INT64_MAX}, {-100, INT64_MAX, INT64_MIN}, {100, 30, 70}};
  for (const auto& c : cases) {
    PressFixture f;
    f.ed.sel.select(f.a().id);
    f.a().points[0].x = c.point;
    f.a().points[0].y = c.point;
    canvasTool(kToolSelect).hold(f.object(0), f.ed.sel, c.mouse, c.mouse, true);
    EXPECT_EQ(f.a().points[0].dragX, c.offset) << c.point;
    EXPECT_EQ(f.a().points[0].dragY, c.offset) << c.point;
  }
}

}  // namespace
}  // namespace pw::test
