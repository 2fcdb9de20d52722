#include "render/scene_draw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "render/vg.h"
#include "render_fixture.h"

namespace pw::test {
namespace {

constexpr int64_t kAnchor = packRGBA(0, 255, 255, 100);
constexpr int64_t kSelectedMark = packRGBA(255, 0, 0, 120);
constexpr int64_t kControlDot = packRGBA(255, 255, 0, 100);
constexpr int64_t kOutline = packRGBA(20, 20, 20, 255);

// Pixels of one column whose alpha reaches minAlpha.
int columnCount(const QImage& img, int x, int minAlpha) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y) n += img.pixelColor(x, y).alpha() >= minAlpha;
  return n;
}
int rowCount(const QImage& img, int y, int minAlpha) {
  int n = 0;
  for (int x = 0; x < img.width(); ++x) n += img.pixelColor(x, y).alpha() >= minAlpha;
  return n;
}

// ---- The shape loop -------------------------------------------------------------------------

TEST(SceneLoop, LinkedRunIsFilledAsOnePathInTheLastShapesColour) {
  RenderFixture f(140, 140);
  f.addBox(0, 10, 10, 40, 40, kRed).link = 1;
  f.addBox(0, 30, 30, 40, 40, kGreen).link = 1;
  f.addBox(0, 100, 100, 20, 20, kBlue);
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(15, 15), kBlue));    // first shape alone
  EXPECT_TRUE(isClear(f.px(40, 40)));            // overlap of the first two: a hole
  EXPECT_TRUE(sameRGBA(f.px(60, 60), kBlue));    // second shape alone
  EXPECT_TRUE(sameRGBA(f.px(110, 110), kBlue));  // the shape that paints the run
}

TEST(SceneLoop, LinkedLastShapeIsStillPaintedInItsOwnObject) {
  RenderFixture f(120, 40);
  f.addBox(0, 10, 10, 20, 20, kRed);
  f.addBox(0, 40, 10, 20, 20, kGreen).link = 1;
  const int64_t o1 = f.addObject();
  f.addBox(o1, 80, 10, 20, 20, kBlue);
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(20, 20), kRed));
  EXPECT_TRUE(sameRGBA(f.px(50, 20), kGreen));
  EXPECT_TRUE(sameRGBA(f.px(90, 20), kBlue));
}

TEST(SceneLoop, ZoomScalesStrokeWidthsAndMarks) {
  RenderFixture f(200, 140);
  Shape& line = f.addPointShape(0, kLine, {{10, 30}, {60, 30}}, kBlack);
  line.lineW = 10;
  Shape& box = f.addBox(0, 20, 20, 30, 30);
  box.hidden = 1;
  box.pivotX = 60;  // centre marker at (80, 20)
  f.ed.options.HideAncre = 0;
  f.ed.sel.shape = 1;

  f.refresh();
  EXPECT_EQ(columnCount(f.canvas.image, 35, 128), 10);
  EXPECT_EQ(rowCount(f.canvas.image, 21, 50), 10 + 20);  // anchor square + centre marker

  f.ed.options.Zoom = 200;
  f.refresh();
  EXPECT_EQ(columnCount(f.canvas.image, 70, 128), 20);
  EXPECT_EQ(rowCount(f.canvas.image, 41, 50), 20 + 40);
}

TEST(SceneLoop, ObjectOffsetRotationAndScaleMoveOnlyThatObject) {
  RenderFixture f(300, 200);
  f.addBox(0, 10, 10, 20, 20, kRed);
  const int64_t o1 = f.addObject();
  f.addBox(o1, 10, 150, 20, 20, kBlue);
  f.object(0).x = 100;
  f.refresh();
  EXPECT_TRUE(isClear(f.px(20, 20)));
  EXPECT_TRUE(sameRGBA(f.px(120, 20), kRed));
  EXPECT_TRUE(sameRGBA(f.px(20, 160), kBlue));

  // Offset first, then the turn about (rotX, rotY): (10..30) + 10 -> (20..40) -> (60..80).
  f.object(0).x = 10;
  f.object(0).y = 10;
  f.object(0).rotX = 50;
  f.object(0).rotY = 50;
  f.object(0).angle = 180;
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(65, 65), kRed));
  EXPECT_TRUE(isClear(f.px(85, 85)));
  EXPECT_TRUE(sameRGBA(f.px(20, 160), kBlue));

  // Offset first, then the scale: x (20..40) * 2 -> (40..80), y (10..30) / 2 -> (5..15).
  f.object(0).angle = 0;
  f.object(0).y = 0;
  f.object(0).w = 200;
  f.object(0).h = 50;
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(75, 10), kRed));
  EXPECT_TRUE(isClear(f.px(35, 10)));
  EXPECT_TRUE(isClear(f.px(50, 20)));
  EXPECT_TRUE(sameRGBA(f.px(20, 160), kBlue));
}

TEST(SceneLoop, ShowOnlySelectedComparesIndicesInEveryObject) {
  RenderFixture f(170, 130);
  for (int i = 0; i < 3; ++i) {
    const int64_t o = i == 0 ? 0 : f.addObject();
    for (int j = 0; j < 4; ++j) f.addBox(o, 10 + 40 * j, 10 + 40 * i, 20, 20, kRed);
  }
  f.ed.options.ShowOnlySel = 1;
  f.ed.sel.shape = 2;
  f.refresh();
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_EQ(isClear(f.px(20 + 40 * j, 20 + 40 * i)), j != 2) << i << "," << j;
    }
  }
}

TEST(SceneLoop, HiddenObjectsAndShapesAreSkipped) {
  RenderFixture f(100, 60);
  f.addBox(0, 10, 10, 20, 20, kRed);
  f.addBox(0, 40, 10, 20, 20, kRed).hidden = 1;
  const int64_t o1 = f.addObject();
  f.addBox(o1, 70, 10, 20, 20, kBlue);
  f.object(o1).hidden = 1;
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(20, 20), kRed));
  EXPECT_TRUE(isClear(f.px(50, 20)));
  EXPECT_TRUE(isClear(f.px(80, 20)));
}

TEST(SceneLoop, FreshDocumentDrawsNoShapesButMarksAndOverlays) {
  RenderFixture f(120, 120);
  f.addBox(0, 20, 20, 40, 40, kRed);
  f.ed.doc.DocumentState = kDocumentFresh;
  f.ed.sel.shape = 0;
  f.ed.options.HideAncre = 0;
  f.ed.options.ShowCameraBorder = 1;
  f.ed.options.CameraW = 100;
  f.ed.options.CameraH = 100;
  f.refresh();
  EXPECT_TRUE(isClear(f.px(50, 50)));
  EXPECT_TRUE(hueOf(f.px(22, 22), kAnchor));
  EXPECT_TRUE(sameRGBA(f.px(100, 50), kBorder));
}

TEST(SceneLoop, HitTestRunsAfterTheOutlineIsBuiltForEveryDrawnShape) {
  RenderFixture f(100, 60);
  f.addBox(0, 10, 10, 20, 20).link = 1;
  f.addBox(0, 40, 10, 20, 20).hidden = 1;
  f.addBox(0, 70, 10, 20, 20);
  const int64_t o1 = f.addObject();
  f.addBox(o1, 10, 40, 10, 10);
  f.addBox(o1, 30, 40, 10, 10);

  QImage img(100, 60, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  VectorCanvas vg(f.store);
  ASSERT_TRUE(vg.beginDrawing(img));
  RenderCtx rc{f.ed, vg};
  std::vector<std::tuple<int64_t, int64_t, bool>> calls;
  // The linked first shape's outline is still in the path when the third shape is tested.
  bool linkedSeen = false;
  drawScene(rc, [&](int64_t i, int64_t j) {
    calls.emplace_back(i, j, vg.path().isEmpty());
    if (i == 0 && j == 2) linkedSeen = vg.pathContains(20, 20) && vg.pathContains(80, 20);
  });
  const std::vector<std::tuple<int64_t, int64_t, bool>> want = {
      {0, 0, false}, {0, 2, false}, {1, 0, false}, {1, 1, false}};
  EXPECT_EQ(calls, want);
  EXPECT_TRUE(linkedSeen);

  calls.clear();
  f.ed.doc.DocumentState = kDocumentFresh;
  drawScene(rc, [&](int64_t i, int64_t j) { calls.emplace_back(i, j, false); });
  EXPECT_TRUE(calls.empty());
  vg.endDrawing();
}

TEST(SceneLoop, SingularObjectTransformDrawsNothing) {
  RenderFixture f(100, 60);
  f.addBox(0, 10, 10, 30, 30, kRed);
  const int64_t o1 = f.addObject();
  f.addBox(o1, 60, 10, 30, 30, kBlue);
  f.ed.options.HideAncre = 0;
  f.ed.options.ShowSelection = 1;
  f.ed.sel.shape = 0;
  for (auto [w, h] : {std::pair{0, 100}, std::pair{100, 0}}) {
    f.object(0).w = toI16(w);
    f.object(0).h = toI16(h);
    f.refresh();
    EXPECT_TRUE(isClear(f.px(20, 20)));
    EXPECT_TRUE(isClear(f.px(0, 0)));
    EXPECT_TRUE(sameRGBA(f.px(70, 20), kBlue));
  }
  // A mirrored object is still a usable one.
  f.object(0).w = -100;
  f.object(0).h = 100;
  f.object(0).x = -50;
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(20, 20), kRed));
}

TEST(SceneLoop, TransformUsability) {
  RenderFixture f(10, 10);
  VectorCanvas vg(f.store);
  RenderCtx rc{f.ed, vg};
  EXPECT_TRUE(objectTransformUsable(rc, 0));
  EXPECT_FALSE(objectTransformUsable(rc, 1));
  EXPECT_FALSE(objectTransformUsable(rc, -1));
  f.object(0).angle = 90;
  f.object(0).x = 1000;
  EXPECT_TRUE(objectTransformUsable(rc, 0));
  // The view is taken when the drawing starts.
  f.ed.options.Zoom = 0;
  EXPECT_FALSE(objectTransformUsable(RenderCtx(f.ed, vg), 0));
  f.ed.options.Zoom = 1;
  f.object(0).w = 1;
  f.object(0).h = 1;
  EXPECT_TRUE(objectTransformUsable(RenderCtx(f.ed, vg), 0));
}

// ---- Editing marks ----------------------------------------------------------------------------

TEST(Marks, SelectedPointIsRedAndOtherAnchorsCyan) {
  RenderFixture f(200, 200);
  Shape& s = f.addPointShape(0, kLine, {{20, 50}, {60, 50}, {100, 50}});
  s.hidden = 1;
  s.pivotX = 150;
  s.pivotY = 150;
  f.ed.sel.selectPoint(s.id, 1);
  f.ed.options.HideAncre = 0;
  f.ed.sel.shape = 0;
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(22, 52), kAnchor));
  EXPECT_TRUE(sameRGBA(f.px(102, 52), kAnchor));
  EXPECT_TRUE(hueOf(f.px(60, 44), kSelectedMark));  // the circle beyond the square
  EXPECT_TRUE(hueOf(f.px(55, 45), kSelectedMark));  // the square's corner beyond the circle

  // The current point is marked the same way.
  f.ed.sel.selectPoint(f.shape(0, 0).id, 1, false);
  f.ed.sel.point = 2;
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(62, 52), kAnchor));
  EXPECT_TRUE(hueOf(f.px(100, 44), kSelectedMark));
}

// An export or playback picture has no selection and so no marks; the canvas's has the editor's.
TEST(Marks, DrawnOnlyForASelection) {
  RenderFixture f(200, 200);
  f.addPointShape(0, kLine, {{20, 50}, {60, 50}, {100, 50}});
  f.ed.options.HideAncre = 0;
  f.ed.sel.shape = 0;
  const View view = canvasView(f.ed.sel, f.ed.options, f.ed.pan);
  const struct {
    const char* name;
    const Selection* sel;
    bool marked;
  } cases[] = {{"none", nullptr, false}, {"the editor's", &f.ed.sel, true}};
  for (const auto& c : cases) {
    QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    VectorCanvas vg(f.store);
    ASSERT_TRUE(vg.beginDrawing(img));
    RenderCtx rc(f.ed.doc, f.ed.options, view, vg, c.sel);
    applyViewTransform(rc);
    drawMarks(rc);
    vg.endDrawing();
    EXPECT_EQ(sameRGBA(img.pixelColor(22, 52), kAnchor), c.marked) << c.name;
  }
}

TEST(Marks, ComplexShapeHasSquaresAtAnchorsAndDotsWithHandles) {
  RenderFixture f(200, 200);
  Shape& s = f.addPointShape(
      0, kComplex, {{20, 60}, {40, 20}, {80, 20}, {100, 60}, {80, 100}, {40, 100}});
  s.hidden = 1;
  s.pivotX = 150;
  s.pivotY = 150;
  f.ed.options.HideAncre = 0;
  f.ed.sel.shape = 0;
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(22, 62), kAnchor));
  EXPECT_TRUE(sameRGBA(f.px(102, 62), kAnchor));
  EXPECT_TRUE(isClear(f.px(44, 24)));  // control points get no square
  // Dots, sampled on the side away from their handle.
  EXPECT_TRUE(sameRGBA(f.px(42, 18), kControlDot));
  EXPECT_TRUE(sameRGBA(f.px(78, 18), kControlDot));
  EXPECT_TRUE(sameRGBA(f.px(78, 102), kControlDot));
  EXPECT_TRUE(sameRGBA(f.px(42, 102), kControlDot));
  // Handles 1 -> 0, 2 -> 3, 4 -> 3 and 5 -> 0; none between two control points.
  EXPECT_TRUE(hueOf(f.px(30, 40), kBlack));
  EXPECT_TRUE(hueOf(f.px(90, 40), kBlack));
  EXPECT_TRUE(hueOf(f.px(89, 80), kBlack));
  EXPECT_TRUE(hueOf(f.px(30, 80), kBlack));
  EXPECT_TRUE(isClear(f.px(60, 20)));
  EXPECT_TRUE(isClear(f.px(60, 100)));
  // Point 4 selected: a red circle over its dot turns it orange.
  f.ed.sel.selectPoint(f.shape(0, 0).id, 4);
  f.refresh();
  const QColor c = f.px(78, 102);
  EXPECT_GT(c.red(), 200);
  EXPECT_LT(c.green(), 150);
  EXPECT_LT(c.blue(), 40);
  EXPECT_TRUE(sameRGBA(f.px(42, 102), kControlDot));
}

TEST(Marks, CentreMarkerSitsAtPivotPlusCentreOffset) {
  RenderFixture f(200, 200);
  Shape& s = f.addBox(0, 40, 40, 20, 20);
  s.hidden = 1;
  s.pivotX = 100;
  s.pivotY = 100;
  s.cx = 20;
  s.cy = -10;
  f.ed.pan.x = 5;
  f.ed.options.HideAncre = 0;
  f.ed.sel.shape = 0;
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(165, 130), kAnchor));
  EXPECT_TRUE(isClear(f.px(145, 145)));
}

TEST(Marks, HideAnchorKeepsSelectionOutlines) {
  RenderFixture f(120, 120);
  Shape& s = f.addBox(0, 40, 40, 60, 60);
  s.hidden = 1;
  f.ed.sel.select(s.id);
  s.pivotX = 30;
  s.pivotY = 30;
  f.ed.sel.shape = 0;
  f.ed.options.ShowSelection = 1;
  f.ed.options.HideAncre = 0;
  f.refresh();
  EXPECT_TRUE(hueOf(f.px(37, 37), kAnchor));
  EXPECT_TRUE(hueOf(f.px(70, 70), kAnchor));
  EXPECT_TRUE(hueOf(f.px(52, 39), kOutline));

  f.ed.options.HideAncre = 1;
  f.refresh();
  EXPECT_TRUE(isClear(f.px(37, 37)));
  EXPECT_TRUE(isClear(f.px(70, 70)));
  EXPECT_TRUE(hueOf(f.px(52, 39), kOutline));
}

TEST(Marks, OutlinesOnSelectedAndCurrentShapesOnly) {
  RenderFixture f(160, 60);
  f.ed.sel.select(f.addBox(0, 10, 10, 30, 30).id);
  f.addBox(0, 60, 10, 30, 30);
  f.addBox(0, 110, 10, 30, 30);
  for (Shape& s : f.object(0).shapes) s.hidden = 1;
  f.ed.sel.shape = 1;
  f.ed.options.ShowSelection = 1;
  f.refresh();
  EXPECT_TRUE(hueOf(f.px(12, 9), kOutline));
  EXPECT_TRUE(hueOf(f.px(62, 9), kOutline));
  EXPECT_TRUE(isClear(f.px(112, 9)));

  f.ed.options.ShowSelection = 0;
  f.refresh();
  EXPECT_TRUE(isClear(f.px(12, 9)));
  EXPECT_TRUE(isClear(f.px(62, 9)));
}

TEST(Marks, TextOutlineTakesTheTextExtentInItsFont) {
  RenderFixture f(200, 100);
  Shape& s = f.addShape(0, kText);
  s.x = 20;
  s.y = 20;
  s.w = 24;
  s.text = "Hello";
  s.hidden = 1;
  f.ed.sel.shape = 0;
  f.ed.options.ShowSelection = 1;

  QImage scratch(10, 10, QImage::Format_ARGB32_Premultiplied);
  VectorCanvas vg(f.store);
  ASSERT_TRUE(vg.beginDrawing(scratch));
  vg.setFont(0, 24);
  const int w = static_cast<int>(std::lround(vg.textWidth("Hello")));
  const int h = static_cast<int>(std::lround(vg.textHeight("Hello")));
  vg.endDrawing();
  ASSERT_GT(w, 20);
  ASSERT_GT(h, 10);
  ASSERT_LT(20 + w + 5, 200);

  f.refresh();
  auto darkIn = [&](int x0, int x1, int y0, int y1) {
    for (int x = x0; x <= x1; ++x)
      for (int y = y0; y <= y1; ++y)
        if (hueOf(f.px(x, y), kOutline)) return true;
    return false;
  };
  const int right = 20 + w;
  const int bottom = 20 + h;
  EXPECT_TRUE(darkIn(right - 1, right, 22, bottom - 2));
  EXPECT_FALSE(darkIn(right + 2, right + 5, 0, 99));
  EXPECT_TRUE(darkIn(22, right - 2, bottom - 1, bottom));
  EXPECT_FALSE(darkIn(0, 199, bottom + 2, 99));
}

}  // namespace
}  // namespace pw::test
