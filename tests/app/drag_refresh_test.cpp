// Refreshes during drags: every refresh must leave the canvas and the selection exactly as a full
// refresh of the same state on a fresh canvas in one band would, whether the scene picture was
// redrawn only in part or not; and the picture must be redrawn in part while only shapes
// change, and in full when anything else that it is drawn from changes.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "canvas_scene.h"

namespace pw::test {
namespace {

struct DragCase {
  const char* name;
  std::function<QPointF(DragScene&)> setUp;  // returns where the press goes
  double dx, dy;
};

const int64_t kTop = 7, kMiddle = 3;  // last and a middle object of the eight generated ones

const DragCase kCases[] = {
    {"MoveShapeOnTop",
     [](DragScene& d) {
       d.insertBox(kTop, d.object(kTop).shapes.size(), 200, 100, 60, 40);
       d.focus(kTop, -1);
       return d.device(230, 120);
     },
     7, 3},
    {"MoveWithoutMarksInLongSteps",
     [](DragScene& d) {
       d.ed.options.HideAncre = 1;
       d.ed.options.ShowSelection = 0;
       d.insertBox(kMiddle, 5, 120, 90, 30, 20);
       d.focus(kMiddle, -1);
       return d.device(130, 100);
     },
     31, 9},
    {"MoveShapeUnderOthers",
     [](DragScene& d) {
       d.insertBox(kMiddle, 5, 120, 90, 70, 50);
       d.focus(kMiddle, -1);
       return d.device(150, 110);
     },
     -6, 5},
    {"PointDragAnchor",
     [](DragScene& d) {
       Shape& s = d.insertSquarePath(kMiddle, 4, 240, 140, 40);
       s.fx[0].active = 1;  // a shadow moves with it
       s.fx[0].x = 6;
       s.fx[0].y = 6;
       s.fx[0].scale = 100;
       s.fx[0].color = packRGBA(0, 0, 0, 90);
       d.focus(kMiddle, 4);
       return d.device(240 + 40, 140 + 40);  // point 6, an anchor
     },
     5, -4},
    {"ScaleBox",
     [](DragScene& d) {
       d.ed.tools.tool = kToolScale;
       d.insertBox(kMiddle, 8, 100, 60, 50, 40);
       d.focus(kMiddle, 8);
       return d.device(120, 80);
     },
     6, 4},
    {"RotatePath",
     [](DragScene& d) {
       d.ed.tools.tool = kToolRotate;
       Shape& s = d.insertSquarePath(kMiddle, 8, 300, 120, 35);
       s.style = 3;  // dotted
       s.lineW = 3;
       s.lineDist = 9;
       d.focus(kMiddle, 8);
       return d.device(300, 120);
     },
     40, 0},
    {"CreateBox",
     [](DragScene& d) {
       d.ed.tools.tool = kToolBox;
       d.focus(kMiddle, 0);
       return d.device(150, 150);
     },
     9, 6},
    {"HiddenObjectAbove",
     [](DragScene& d) {
       d.object(kMiddle + 1).hidden = 1;
       d.ed.options.BgColor = packRGBA(40, 40, 40, 160);
       d.insertBox(kMiddle, 5, 120, 90, 70, 50);
       d.focus(kMiddle, -1);
       return d.device(150, 110);
     },
     8, 2},
    {"ShowOnlySelected",
     [](DragScene& d) {
       d.ed.options.ShowOnlySel = 1;
       Shape& s = d.insertBox(kMiddle, 5, 120, 90, 70, 50);
       d.ed.sel.select(s.id);
       d.focus(kMiddle, 5);
       return d.device(150, 110);
     },
     -7, -3},
    {"ZoomedPannedCheckerTranslucentObject",
     [](DragScene& d) {
       d.ed.options.Zoom = 150;
       d.ed.options.BgImg = 1;
       d.ed.pan.x = -30;
       d.ed.pan.y = 12;
       d.object(kMiddle).alpha = 170;
       d.insertBox(kMiddle, 5, 120, 50, 40, 30);
       d.focus(kMiddle, -1);
       return d.device(140, 65);
     },
     5, 5},
};

void PrintTo(const DragCase& c, std::ostream* os) { *os << c.name; }

class DragRefresh : public ::testing::TestWithParam<DragCase> {};

TEST_P(DragRefresh, EveryRefreshEqualsAFullOneAndMostAreCached) {
  DragScene d;
  const DragCase& c = GetParam();
  const QPointF at = c.setUp(d);
  d.press(at);
  EXPECT_TRUE(d.ed.tools.dragStarted);
  const int before = d.refreshes;
  d.dragSteps(at, c.dx, c.dy, 8);
  d.release();
  EXPECT_EQ(d.refreshes - before, 8);
  EXPECT_EQ(d.mismatchedImages, 0);
  EXPECT_EQ(d.mismatchedOutcomes, 0);
  // Every move redraws only around the moving shapes.
  EXPECT_GE(d.partial(), 8);
  EXPECT_LT(d.canvas.scene.lastDirty().width() * d.canvas.scene.lastDirty().height(),
            kW * kH / 3);
}

INSTANTIATE_TEST_SUITE_P(Drags, DragRefresh, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A partial redraw starts from the picture taken during the full drawing before the last few
// shapes: a drag on top draws again only what lies under it among those (25 units from the
// background here).
TEST(DragRefreshRules, ADragOnTopStartsFromAPictureOfTheShapesBelow) {
  DragScene d;
  const QPointF at = kCases[0].setUp(d);
  d.press(at);
  d.dragSteps(at, 7, 3, 4);
  ASSERT_EQ(d.canvas.scene.lastUpdate(), SceneCache::Update::kPartial);
  EXPECT_LT(d.canvas.scene.lastUnits(), 12);
  EXPECT_EQ(d.mismatchedImages, 0);
}

// A linked run is painted as one path: moving its first member redraws the whole run.
TEST(DragRefreshRuns, MovingTheFirstShapeOfALinkedRun) {
  DragScene d;
  Shape& a = d.insertBox(kMiddle, 6, 100, 100, 60, 50);
  a.link = 1;
  d.insertBox(kMiddle, 7, 130, 120, 60, 50).color = packRGBA(200, 60, 60, 255);
  d.focus(kMiddle, 6);
  // What a press that picked the shape leaves behind (the click test would pick the run's last
  // member, which lies over the same point).
  Shape& s = d.object(kMiddle).shapes[6];
  d.ed.sel.select(s.id);
  d.ed.tools.dragStarted = true;
  d.ed.tools.shapeHit = true;
  d.ed.tools.dragState = DragState::kShapes;
  const QPointF at = d.device(110, 110);
  s.startX = toI16(110 - s.x);
  s.startY = toI16(110 - s.y);
  d.dragSteps(at, 6, 4, 8);
  EXPECT_EQ(d.object(kMiddle).shapes[6].x, 100 + 48);
  EXPECT_EQ(d.mismatchedImages, 0);
  EXPECT_EQ(d.mismatchedOutcomes, 0);
  EXPECT_GE(d.partial(), 7);
}

// Anything besides shapes changing that the picture is drawn from makes the next refresh a full
// one, with the same pixels; the drag then goes on with a fresh picture. Other shapes changing
// are drawn in part with the dragged ones; marks, overlays and the canvas's own pixels are
// drawn afresh over the picture at every refresh.
struct Disturbance {
  const char* name;
  std::function<void(DragScene&)> apply;
  bool full;
};

const Disturbance kDisturbances[] = {
    {"Zoom", [](DragScene& d) { d.ed.options.Zoom = 120; }, true},
    {"Origin", [](DragScene& d) { d.ed.pan.x = toI16(d.ed.pan.x + 9); }, true},
    {"OtherShapeRecoloured",
     [](DragScene& d) { d.object(kTop).shapes[0].color = packRGBA(255, 0, 0, 255); }, false},
    // Over a third of the canvas: in bands, drawing it all is faster.
    {"BigShapeRecoloured",
     [](DragScene& d) { d.object(kMiddle).shapes[2].color = packRGBA(255, 0, 0, 255); }, true},
    {"ShapeAboveMoved", [](DragScene& d) { d.object(kTop).shapes[0].x += 15; }, false},
    {"ShapeLinked", [](DragScene& d) { d.object(kTop).shapes[0].link = 1; }, true},
    {"ObjectHidden", [](DragScene& d) { d.object(kTop).hidden = 1; }, true},
    {"GridSwitchedOff", [](DragScene& d) { d.ed.options.ShowGrid = 0; }, false},
    {"CanvasDrawnOver", [](DragScene& d) { d.canvas.image.fill(Qt::red); }, false},
    {"ImageFreed", [](DragScene& d) { d.store.freeImage(1); }, true},
};

void PrintTo(const Disturbance& c, std::ostream* os) { *os << c.name; }

class DragRefreshFallback : public ::testing::TestWithParam<Disturbance> {};

TEST_P(DragRefreshFallback, WhatThePictureIsDrawnFromDecidesItsRedraw) {
  DragScene d;
  d.insertBox(kMiddle, 5, 120, 90, 70, 50);
  d.focus(kMiddle, -1);
  const QPointF at = d.device(150, 110);
  d.press(at);
  d.dragSteps(at, 4, 2, 3);
  const int cached = d.partial();
  ASSERT_GE(cached, 2);
  GetParam().apply(d);
  d.move(at + QPointF(20, 10));
  if (GetParam().full) {
    EXPECT_EQ(d.partial(), 0) << "a full refresh starts a new picture";
  } else {
    EXPECT_EQ(d.partial(), cached + 1);
  }
  const int after = d.partial();
  d.move(at + QPointF(24, 12));
  EXPECT_EQ(d.partial(), after + 1);
  EXPECT_EQ(d.mismatchedImages, 0);
  EXPECT_EQ(d.mismatchedOutcomes, 0);
}

INSTANTIATE_TEST_SUITE_P(Drags, DragRefreshFallback, ::testing::ValuesIn(kDisturbances),
                         [](const auto& info) { return std::string(info.param.name); });

// A press tests the shapes before anything is drawn and changes only the selection: it draws no
// shape, and neither does a plain redraw after the drag.
TEST(DragRefreshRules, PressesAndPlainRedrawsDrawNoShape) {
  DragScene d;
  d.insertBox(kMiddle, 5, 120, 90, 70, 50);
  d.focus(kMiddle, -1);
  const QPointF at = d.device(150, 110);
  d.checkedRedraw();
  ASSERT_EQ(d.canvas.scene.lastUpdate(), SceneCache::Update::kFull);
  d.press(at);
  EXPECT_EQ(d.canvas.scene.lastUpdate(), SceneCache::Update::kNone);
  d.dragSteps(at, 4, 2, 3);
  d.release();
  ASSERT_GE(d.partial(), 2);
  const int cached = d.partial();
  d.checkedRedraw();
  EXPECT_EQ(d.canvas.scene.lastUpdate(), SceneCache::Update::kNone);
  d.press(at + QPointF(30, 0));
  EXPECT_EQ(d.canvas.scene.lastUpdate(), SceneCache::Update::kNone);
  EXPECT_EQ(d.partial(), cached);
  EXPECT_EQ(d.mismatchedImages, 0);
  EXPECT_EQ(d.mismatchedOutcomes, 0);
}

}  // namespace
}  // namespace pw::test
