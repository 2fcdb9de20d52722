// The canvas tools driven through the canvas widget with mouse and key events. At zoom 100 with
// the view origin and the object offset at 0, a widget pixel is a scene unit.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QVBoxLayout>
#include <functional>
#include <string>
#include <vector>

#include "app/tools/editing_tool.h"
#include "editor_fixture.h"
#include "support/paths.h"

namespace pw::test {
namespace {

using P = std::pair<int64_t, int64_t>;
using Pts = std::vector<P>;
using Strings = std::vector<std::string>;

// ---- creation -----------------------------------------------------------------------------

struct CreateCase {
  int tool;
  const char* name;
  const char* change;
  uint8_t type;
  std::vector<int> xywh;  // position and size, unchecked when empty
  Pts pts;                // the points, unchecked when empty
  bool upLeft = false;    // dragged from (100, 80) to (40, 30) instead
};

std::vector<int> xywh(const Shape& s) { return {s.x, s.y, s.w, s.h}; }

TEST(CanvasCreate, EachToolCreatesItsShapeByDragging) {
  const std::vector<CreateCase> cases = {
      {kToolBox, "Box_0", "Create Box", kBox, {40, 30, 60, 50}, {}},
      {kToolCircle, "Circle_0", "Create Circle", kCircle, {40, 30, 60, 50}, {}},
      {kToolLine, "Line_0", "Create Line", kLine, {0, 0, 5, 5}, {{40, 30}, {100, 80}}},
      {kToolCurve,
       "Curve_0",
       "Create Curve",
       kCurve,
       {0, 0, 5, 5},
       {{40, 30}, {95, 75}, {100, 80}, {105, 85}}},
      {kToolText, "Text_0", "Create Text", kText, {40, 30, 60, 50}, {}},
      // An image keeps its own size whatever the drag.
      {kToolImage, "sun0", "Create Image", kImage, {40, 30, 128, 128}, {}},
      // The template's outline, not moved by the drag.
      {kToolComplex, "Blob", "Create Complex", kComplex, {}, {{200, 120}, {255, 118}}},
      // Negative sizes stay.
      {kToolBox, "Box_0", "Create Box", kBox, {100, 80, -60, -50}, {}, true},
  };
  for (const CreateCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << (c.upLeft ? " up-left" : ""));
    CanvasFixture f;
    f.prompt.answerFile(std::string(pw::test::sourceDir()) + "/examples/sun.png");
    f.setTool(c.tool);
    const QPoint a = c.upLeft ? QPoint(100, 80) : QPoint(40, 30);
    const QPoint b = c.upLeft ? QPoint(40, 30) : QPoint(100, 80);
    f.press(a.x(), a.y());
    EXPECT_TRUE(f.ed.tools.revertTool);
    f.move(b.x(), b.y());
    EXPECT_TRUE(f.changes.empty());  // announced on release only
    f.release(b.x(), b.y());
    ASSERT_EQ(f.object().shapes.size(), 1u);
    const Shape& s = f.current();
    EXPECT_EQ(s.name, c.name);
    EXPECT_EQ(s.type, c.type);
    if (!c.xywh.empty()) {
      EXPECT_EQ(xywh(s), c.xywh);
    }
    if (!c.pts.empty()) {
      const Pts got = f.points(s);
      ASSERT_GE(got.size(), c.pts.size());
      EXPECT_EQ(Pts(got.begin(), got.begin() + static_cast<long>(c.pts.size())), c.pts);
    }
    EXPECT_TRUE(c.type != kImage || s.imageId != 0);
    EXPECT_TRUE(c.type != kText || s.text == "Text_0");
    EXPECT_EQ(f.changes, Strings{c.change});
    EXPECT_TRUE(f.ed.modified);
    // The tool goes back to Move and the tool bar hears of it.
    EXPECT_EQ(f.ed.tools.tool, kToolMove);
    EXPECT_EQ(f.toolResets, 1);
    EXPECT_FALSE(f.ed.tools.revertTool);
    EXPECT_FALSE(f.ed.tools.dragStarted);
  }
}

TEST(CanvasCreate, NothingCreatedLeavesTheToolAndTheDocumentAlone) {
  // The rounded box tool is inert; a cancelled image dialog creates nothing, and the drag that
  // follows must not resize the shape that was current before.
  for (int tool : {kToolRoundBox, kToolImage}) {
    SCOPED_TRACE(tool);
    CanvasFixture f;
    f.putBox(300, 300, 20, 20);
    f.setTool(tool);
    f.drag(40, 30, 100, 80);
    EXPECT_EQ(f.object().shapes.size(), 1u);
    EXPECT_EQ(f.shape(0).w, 20);
    EXPECT_EQ(f.ed.tools.tool, tool);
    EXPECT_EQ(f.toolResets, 0);
    EXPECT_TRUE(f.changes.empty());
    EXPECT_FALSE(f.ed.modified);
  }
}

// ---- shape drags --------------------------------------------------------------------------

TEST(CanvasShapes, MoveTakesTheCurrentShapeOrWithShiftEverySelectedOne) {
  for (bool shift : {false, true}) {
    SCOPED_TRACE(shift);
    CanvasFixture f;
    f.ed.sel.select(f.putBox(100, 100, 40, 40).id);
    f.ed.sel.select(f.putBox(300, 100, 40, 40).id);
    if (shift) f.keyDown(Qt::Key_Shift);
    f.drag(120, 120, 130, 125);  // the click picks box 0
    const std::vector<int> want = {110, 105, shift ? 310 : 300, shift ? 105 : 100};
    EXPECT_EQ(std::vector<int>({f.shape(0).x, f.shape(0).y, f.shape(1).x, f.shape(1).y}), want);
    EXPECT_EQ(f.changes, Strings{"Move shape"});
    EXPECT_EQ(f.toolResets, 0);
  }
}

TEST(CanvasShapes, ScaleDoublesAboutPointZeroForAHundredUnits) {
  struct Case {
    bool shift;
    int w;
    int dx;
    int64_t corner;  // where the square's far corner (200, 200) lands, on both axes
  };
  const std::vector<Case> cases = {
      {false, 0, 100, 300}, {true, 5, 100, 300}, {false, 0, -100, 100}, {false, 0, 50, 250}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "shift " << c.shift << " dx " << c.dx);
    CanvasFixture f;
    f.putSquare(100, 100, 200, 200).w = toI16(c.w);
    f.setTool(kToolScale);
    if (c.shift) f.keyDown(Qt::Key_Shift);
    f.drag(150, 150, 150 + c.dx, 150);
    const Shape& s = f.shape(0);
    EXPECT_DOUBLE_EQ(s.dragScale, c.dx * 0.01);
    EXPECT_EQ((Pts{f.points(s)[0], f.points(s)[6]}), (Pts{{100, 100}, {c.corner, c.corner}}));
    EXPECT_EQ(f.changes, Strings{"Scale shape"});
  }
}

TEST(CanvasShapes, ScaleBoxGrowsOneUnitPerUnit) {
  CanvasFixture f;
  f.putBox(100, 100, 40, 40);
  f.setTool(kToolScale);
  f.press(120, 120);
  EXPECT_EQ(f.shape(0).startX, 80);  // x - w, from the click test
  f.move(120, 120);
  EXPECT_EQ(f.shape(0).w, 40);
  EXPECT_TRUE(f.changes.empty());
  f.move(135, 120);
  EXPECT_EQ(f.shape(0).w, 55);
  EXPECT_EQ(f.shape(0).h, 40);
  f.release(135, 120);
  EXPECT_EQ(f.changes, Strings{"Scale shape"});
}

TEST(CanvasShapes, RotateNineHundredUnitsTurnsNinetyDegreesAboutTheShapesCentre) {
  // The pivot is the centre of the points' bounds, taken at the press whatever it was; cx, cy
  // move the centre from there.
  const struct {
    int cx;
    Pts corners;
  } cases[] = {{0, {{200, 100}, {200, 200}, {100, 200}, {100, 100}}},    // about (150, 150)
               {50, {{250, 50}, {250, 150}, {150, 150}, {150, 50}}}};    // about (200, 150)
  for (const auto& c : cases) {
    CanvasFixture f;
    Shape& sq = f.putSquare(100, 100, 200, 200);
    sq.pivotX = -900;
    sq.pivotY = 4000;
    sq.cx = static_cast<int16_t>(c.cx);
    f.setTool(kToolRotate);
    f.drag(150, 150, 1050, 150);
    const Shape& s = f.shape(0);
    EXPECT_EQ(s.dragAngle, 90);
    EXPECT_EQ(s.pivotX, 150);
    EXPECT_EQ(s.pivotY, 150);
    const Pts pts = f.points(s);
    EXPECT_EQ((Pts{pts[0], pts[3], pts[6], pts[9]}), c.corners) << c.cx;
    EXPECT_EQ(f.changes, Strings{"Rotate shape"});
  }
}

TEST(CanvasShapes, RotatingAShapeThePressPicksTurnsItsOwnPoints) {
  // The press picks the second square; the first was current. Before, the picked square's
  // points were never taken at the press and the turn collapsed them onto one spot.
  CanvasFixture f;
  f.putSquare(400, 100, 450, 150);
  f.putSquare(100, 100, 200, 200);
  f.ed.sel.shape = 0;
  f.setTool(kToolRotate);
  f.drag(150, 150, 1050, 150);
  EXPECT_EQ(f.ed.sel.shape, 1);
  const Pts pts = f.points(f.shape(1));
  EXPECT_EQ((Pts{pts[0], pts[3], pts[6], pts[9]}),
            (Pts{{200, 100}, {200, 200}, {100, 200}, {100, 100}}));
  EXPECT_EQ(f.points(f.shape(0))[0], (std::pair<int64_t, int64_t>{400, 100}));
}

TEST(CanvasShapes, ATurnOrScaleThatMovesNothingIsNoStep) {
  // A box is drawn from its position and size alone: turning it moves no point that counts, and
  // a scale that ends where it began leaves the same size.
  const struct {
    int tool;
    int toX;
  } cases[] = {{kToolRotate, 600}, {kToolScale, 120}};
  for (const auto& c : cases) {
    CanvasFixture f;
    f.putBox(100, 100, 40, 30);
    f.ed.setModified(false);
    f.setTool(c.tool);
    f.press(120, 115);
    ASSERT_NE(f.ed.tools.dragState, DragState::kNone) << c.tool;
    f.move(c.toX, 115);
    if (c.tool == kToolScale) f.move(120, 115);
    f.release(120, 115);
    EXPECT_TRUE(f.changes.empty()) << c.tool;
    EXPECT_FALSE(f.ed.modified) << c.tool;
    EXPECT_EQ(xywh(f.shape(0)), (std::vector<int>{100, 100, 40, 30})) << c.tool;
  }
}

// ---- pan, announcements, the widget -------------------------------------------------------

TEST(CanvasPan, SpaceDragMovesTheViewOrigin) {
  CanvasFixture f;
  f.putBox(100, 100, 40, 40);
  f.keyDown(Qt::Key_Space);
  EXPECT_TRUE(f.ed.tools.panMode);
  // Key repeat of a held Space sends repeated release/press pairs: the pan goes on.
  f.keyUp(Qt::Key_Space, true);
  f.keyDown(Qt::Key_Space, true);
  EXPECT_TRUE(f.ed.tools.panMode);
  f.drag(500, 400, 530, 410);
  EXPECT_EQ(f.ed.pan.x, 30);
  EXPECT_EQ(f.ed.pan.y, 10);
  f.drag(500, 400, 490, 400);
  EXPECT_EQ(f.ed.pan.x, 20);
  EXPECT_EQ(f.ed.pan.y, 10);
  f.keyUp(Qt::Key_Space);
  EXPECT_FALSE(f.ed.tools.panMode);
  EXPECT_EQ(f.shape(0).x, 100);  // no tool acted
  EXPECT_TRUE(f.changes.empty());
  // Now a drag moves the shape again, drawn where the view puts it.
  f.drag(140, 120, 150, 120);
  EXPECT_EQ(f.shape(0).x, 110);
}

TEST(CanvasPan, SpaceInTheMiddleOfADragDoesNotJump) {
  CanvasFixture f;
  f.press(500, 400);
  f.move(510, 400);
  f.keyDown(Qt::Key_Space);
  f.move(530, 410);
  EXPECT_EQ(f.ed.pan.x, 0);
  f.move(540, 420);
  EXPECT_EQ(f.ed.pan.x, 10);
  EXPECT_EQ(f.ed.pan.y, 10);
  f.release(540, 420);
}

TEST(CanvasAnnounce, OneDragOneChangeAndClicksChangeNothing) {
  CanvasFixture f;
  std::vector<std::string> titles;
  f.ed.listen(Shown::kTitle, [&](const Notice&) { titles.push_back(f.ed.displayTitle()); });
  f.putBox(100, 100, 40, 40);
  f.click(500, 400);  // empty canvas
  f.click(120, 120);  // on the box, no move
  EXPECT_TRUE(f.changes.empty());
  EXPECT_FALSE(f.ed.modified);
  f.press(120, 120);
  for (int i = 1; i <= 5; ++i) f.move(120 + i, 120);
  f.release(125, 120);
  EXPECT_EQ(f.changes, Strings{"Move shape"});
  EXPECT_TRUE(f.ed.modified);
  ASSERT_FALSE(titles.empty());
  EXPECT_EQ(titles.back(), std::string(kAppTitle) + " *");
}

TEST(CanvasWidget, OnlyTheLeftButtonActs) {
  for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton}) {
    CanvasFixture f;
    f.setTool(kToolBox);
    f.press(40, 30, b);
    f.move(100, 80, b);
    f.release(100, 80, b);
    EXPECT_EQ(f.object().hasShape, 0);
    EXPECT_TRUE(f.changes.empty());
  }
  {  // moves without the left button held do nothing
    CanvasFixture f;
    f.setTool(kToolBox);
    f.press(40, 30);
    f.move(100, 80, Qt::NoButton);
    f.move(100, 80, Qt::RightButton);
    EXPECT_EQ(f.current().w, 5);
    f.release(100, 80);
  }
}

TEST(CanvasWidget, DoubleClickIsOnePress) {
  CanvasFixture f;
  f.putPoints(kLine, {{100, 100}, {200, 100}});
  f.setTool(kToolAddPoint);
  f.press(300, 150);
  f.release(300, 150);
  const QPointF p(300, 150);
  QMouseEvent dbl(QEvent::MouseButtonDblClick, p, f.canvas.mapToGlobal(p), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&f.canvas, &dbl);
  f.release(300, 150);
  EXPECT_EQ(f.current().points.size(), 3u);
  EXPECT_EQ(f.changes, Strings{"Add point"});
  EXPECT_FALSE(f.ed.tools.dragStarted);
}

TEST(CanvasWidget, BlockedInputIsIgnoredAndEndsADrag) {
  CanvasFixture f;
  f.setTool(kToolBox);
  f.canvas.setInputBlocked(true);
  f.drag(40, 30, 100, 80);
  f.keyDown(Qt::Key_Space);
  EXPECT_EQ(f.object().hasShape, 0);
  EXPECT_FALSE(f.ed.tools.panMode);
  f.canvas.setInputBlocked(false);
  f.press(40, 30);
  f.move(100, 80);
  f.canvas.setInputBlocked(true);  // playback starts in the middle of the drag
  EXPECT_FALSE(f.ed.tools.dragStarted);
  EXPECT_EQ(f.ed.tools.tool, kToolMove);
  EXPECT_EQ(f.changes, Strings{"Create Box"});
  f.release(100, 80);
  EXPECT_EQ(f.changes.size(), 1u);
}

TEST(CanvasWidget, ClickTakesTheFocus) {
  ScriptedPrompt prompt;
  ImageStore store;
  Editor ed{prompt, store};
  QWidget top;
  auto* edit = new QLineEdit(&top);
  auto* canvas = new CanvasWidget(ed, store, &top);
  auto* lay = new QVBoxLayout(&top);
  lay->addWidget(edit);
  lay->addWidget(canvas);
  top.resize(300, 300);
  top.show();
  QApplication::setActiveWindow(&top);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&top));
  edit->setFocus();
  ASSERT_TRUE(edit->hasFocus());
  EXPECT_EQ(canvas->objectName(), "ctl0");
  EXPECT_EQ(canvas->focusPolicy(), Qt::StrongFocus);
  QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
  EXPECT_TRUE(canvas->hasFocus());
  // Space held while the focus leaves does not leave the canvas panning.
  QTest::keyPress(canvas, Qt::Key_Space);
  EXPECT_TRUE(ed.tools.panMode);
  edit->setFocus();
  EXPECT_FALSE(ed.tools.panMode);
}

TEST(CanvasWidget, ShowsTheRefreshedImageAtTheWidgetSize) {
  CanvasFixture f(300, 200);
  EXPECT_EQ(f.canvas.image().size(), QSize(300, 200));
  EXPECT_EQ(f.canvas.image().format(), QImage::Format_ARGB32_Premultiplied);
  f.setTool(kToolBox);
  f.drag(40, 30, 100, 80);
  f.canvas.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.canvas));
  const QImage shown = f.canvas.grab().toImage();
  EXPECT_EQ(shown.pixelColor(70, 55).rgb(), QColor(220, 220, 120).rgb());
  EXPECT_EQ(shown.pixelColor(150, 150).rgb(), QColor(120, 120, 120).rgb());
  f.canvas.resize(400, 250);
  EXPECT_EQ(f.canvas.image().size(), QSize(400, 250));
  EXPECT_EQ(f.canvas.image().pixelColor(70, 55).rgb(), QColor(220, 220, 120).rgb());
}

TEST(CanvasWidget, SceneMouseFollowsZoomAndObjectOffset) {
  struct Case {
    int zoom, objX, objY, px, py;
    int64_t mx, my;
  };
  // clang-format off
  const std::vector<Case> cases = {{100, 0, 0, 37, 41, 37, 41}, {200, 10, 20, 110, 120, 45, 40},
      {200, 0, 0, 101, 3, 51, 2}, {50, 0, 0, 40, 30, 80, 60}, {0, 0, 0, 40, 30, 40, 30}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "zoom " << c.zoom);
    CanvasFixture f(300, 200);
    f.ed.options.Zoom = c.zoom;
    f.object().x = c.objX;
    f.object().y = c.objY;
    f.ed.pan.x = 5;
    f.setTool(kToolBox);
    f.click(c.px, c.py);
    EXPECT_EQ(f.ed.tools.sceneMouseX, c.mx);
    EXPECT_EQ(f.ed.tools.sceneMouseY, c.my);
    // The box is placed at the canvas-local press position.
    EXPECT_EQ(f.current().x, c.mx - 5);
    EXPECT_EQ(f.current().y, c.my);
    if (c.zoom > 0) {
      const QPointF back = f.canvas.pixelOf(static_cast<double>(c.mx), static_cast<double>(c.my));
      EXPECT_NEAR(back.x(), c.px, c.zoom / 100.0);
      EXPECT_NEAR(back.y(), c.py, c.zoom / 100.0);
    }
  }
}

}  // namespace
}  // namespace pw::test
