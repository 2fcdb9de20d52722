#include "render/background.h"

#include <gtest/gtest.h>

#include "render/pick.h"
#include "render_fixture.h"

namespace pw::test {
namespace {

constexpr int64_t kGridGreen = packRGBA(0, 160, 0, 255);

int64_t grey(int c) { return packRGBA(c, c, c, 255); }

// Every pixel of a checker whose top-left square is the dark grey.
void expectChecker(RenderFixture& f) {
  const QImage& img = f.canvas.image;
  int wrong = 0;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      const int want = ((x / 32 + y / 32) % 2 == 0) ? 120 : 192;
      wrong += !sameRGBA(img.pixelColor(x, y), grey(want), 0);
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(Background, PlainColourFillsTheCanvas) {
  RenderFixture f(40, 30);
  f.ed.options.BgColor = packRGBA(10, 20, 30, 255);
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(0, 0), f.ed.options.BgColor, 0));
  EXPECT_TRUE(sameRGBA(f.px(39, 29), f.ed.options.BgColor, 0));
}

TEST(Background, CheckerSquaresAlternateAlongRowsAndBetweenRows) {
  // 100 x 64: five squares a row (the fifth off the edge), the second row starting light.
  RenderFixture f(100, 64);
  f.ed.options.BgColor = kRed;
  f.ed.options.BgImg = 1;
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(0, 0), grey(120), 0));
  EXPECT_TRUE(sameRGBA(f.px(32, 0), grey(192), 0));
  EXPECT_TRUE(sameRGBA(f.px(0, 32), grey(192), 0));
  EXPECT_TRUE(sameRGBA(f.px(99, 0), grey(192), 0));
  expectChecker(f);

  // An even number of squares a row still starts each row with the other grey.
  RenderFixture g(90, 70);
  g.ed.options.BgImg = 1;
  g.refresh();
  expectChecker(g);
}

TEST(Background, CheckerIsInCanvasPixelsWhateverTheView) {
  RenderFixture f(100, 64);
  f.ed.options.BgImg = 1;
  f.ed.options.Zoom = 50;
  f.ed.pan.x = 40;
  f.ed.pan.y = 7;
  f.refresh();
  expectChecker(f);
}

// ---- Grid -------------------------------------------------------------------------------------

struct GridFixture : RenderFixture {
  GridFixture() : RenderFixture(820, 40) {
    ed.options.ShowGrid = 1;
    ed.options.GridColor = kGridGreen;
    ed.options.GridW = 32;
    ed.options.GridH = 32;
    ed.options.CameraW = 800;
    ed.options.CameraH = 32;
  }
  bool inked(int x, int y) const { return px(x, y).alpha() > 0; }
};

TEST(Grid, LinesAtEveryStepUpToTheCameraSize) {
  GridFixture f;
  f.refresh();
  for (int k = 0; k <= 25; ++k) EXPECT_TRUE(f.inked(32 * k, 10)) << k;
  for (int k = 0; k < 25; ++k) EXPECT_FALSE(f.inked(32 * k + 16, 10)) << k;
  for (int x = 802; x < 820; ++x) EXPECT_FALSE(f.inked(x, 10)) << x;
  EXPECT_TRUE(hueOf(f.px(32 * 5, 10), kGridGreen));
  EXPECT_TRUE(f.inked(400, 32));   // row line at 32 ...
  EXPECT_TRUE(f.inked(400, 0));    // ... and at 0
  EXPECT_FALSE(f.inked(400, 16));
  EXPECT_FALSE(f.inked(805, 32));  // rows end at the camera width

  // A last partial cell is not closed: 810 still ends the columns at 800.
  f.ed.options.CameraW = 810;
  f.refresh();
  EXPECT_TRUE(f.inked(800, 10));
  for (int x = 802; x < 820; ++x) EXPECT_FALSE(f.inked(x, 10)) << x;
  EXPECT_TRUE(f.inked(805, 32));
}

TEST(Grid, StartsAtTheViewOriginAndFollowsTheZoom) {
  GridFixture f;
  f.ed.pan.x = 5;
  f.ed.options.CameraX = 100;
  f.refresh();
  for (int k = 0; k <= 3; ++k) EXPECT_TRUE(f.inked(5 + 32 * k, 10)) << k;
  EXPECT_FALSE(f.inked(96, 10));

  f.ed.pan.x = 0;
  f.ed.options.Zoom = 50;
  f.refresh();
  for (int k = 0; k <= 25; ++k) EXPECT_TRUE(f.inked(16 * k, 8)) << k;
  for (int k = 0; k < 25; ++k) EXPECT_FALSE(f.inked(16 * k + 8, 8)) << k;
  EXPECT_FALSE(f.inked(410, 8));
}

TEST(Grid, NonPositiveStepDrawsNoGrid) {
  GridFixture f;
  f.ed.options.GridW = 0;
  f.refresh();
  for (int x = 0; x < 820; x += 7) EXPECT_FALSE(f.inked(x, 10)) << x;
  EXPECT_FALSE(f.inked(400, 0));
  f.ed.options.GridW = 32;
  f.ed.options.GridH = -5;
  f.refresh();
  EXPECT_FALSE(f.inked(32, 10));
  f.ed.options.ShowGrid = 0;
  f.ed.options.GridH = 32;
  f.refresh();
  EXPECT_FALSE(f.inked(32, 10));
}

// ---- Camera border and veil -------------------------------------------------------------------

struct CameraFixture : RenderFixture {
  CameraFixture() : RenderFixture(200, 150) {
    ed.options.CameraX = 20;
    ed.options.CameraY = 10;
    ed.options.CameraW = 60;
    ed.options.CameraH = 40;
  }
};

TEST(Camera, BorderMovesWithTheOriginNotWithTheObject) {
  CameraFixture f;
  f.ed.options.ShowCameraBorder = 1;
  f.ed.pan.x = 5;
  f.ed.pan.y = 5;
  f.object(0).x = 50;
  f.object(0).w = 200;
  f.refresh();
  // Left edge at 25, two wide.
  EXPECT_TRUE(sameRGBA(f.px(24, 30), kBorder));
  EXPECT_TRUE(sameRGBA(f.px(25, 30), kBorder));
  EXPECT_TRUE(isClear(f.px(22, 30)));
  EXPECT_TRUE(isClear(f.px(27, 30)));
  EXPECT_TRUE(sameRGBA(f.px(50, 15), kBorder));   // top edge at 15
  EXPECT_TRUE(sameRGBA(f.px(85, 40), kBorder));   // right edge at 85
  EXPECT_TRUE(isClear(f.px(50, 30)));

  f.ed.options.Zoom = 200;
  f.refresh();
  for (int x = 48; x <= 51; ++x) EXPECT_TRUE(sameRGBA(f.px(x, 60), kBorder)) << x;
  EXPECT_TRUE(isClear(f.px(53, 60)));
}

TEST(Camera, VeilCoversEverythingOutsideTheCamera) {
  CameraFixture f;
  f.ed.options.BgColor = kWhite;
  f.ed.options.ShowCameraCache = 1;
  f.ed.options.CameraCacheAlpha = 255;
  f.addBox(0, 0, 0, 10, 10, kRed);
  f.addBox(0, 30, 20, 10, 10, kBlue);
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(5, 5), kBlack, 0));
  EXPECT_TRUE(sameRGBA(f.px(95, 70), kBlack, 0));
  EXPECT_TRUE(sameRGBA(f.px(199, 149), kBlack, 0));
  EXPECT_TRUE(sameRGBA(f.px(0, 0), kBlack, 0));
  EXPECT_TRUE(sameRGBA(f.px(35, 25), kBlue, 0));
  EXPECT_TRUE(sameRGBA(f.px(50, 30), kWhite, 0));

  f.ed.options.CameraCacheAlpha = 0;
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(5, 5), kRed, 0));
  EXPECT_TRUE(sameRGBA(f.px(95, 70), kWhite, 0));

  f.ed.options.CameraCacheAlpha = 128;
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(95, 70), grey(127), 2));
  EXPECT_TRUE(sameRGBA(f.px(50, 30), kWhite, 0));
}

TEST(Camera, VeilCoversTheWholeCanvasWhenZoomedOut) {
  CameraFixture f;
  f.ed.options.BgColor = kWhite;
  f.ed.options.ShowCameraCache = 1;
  f.ed.options.CameraCacheAlpha = 255;
  f.ed.options.Zoom = 50;
  f.ed.pan.x = 10;
  f.refresh();
  EXPECT_TRUE(sameRGBA(f.px(199, 149), kBlack, 0));
  EXPECT_TRUE(sameRGBA(f.px(0, 0), kBlack, 0));
  EXPECT_TRUE(sameRGBA(f.px(25, 15), kWhite, 0));  // camera at (30, 10) .. (90, 50) / 2
  EXPECT_TRUE(sameRGBA(f.px(12, 15), kBlack, 0));
}

TEST(Camera, ZeroZoomLeavesOnlyTheBackground) {
  CameraFixture f;
  f.ed.options.BgColor = kWhite;
  f.ed.options.ShowCameraCache = 1;
  f.ed.options.ShowCameraBorder = 1;
  f.ed.options.ShowGrid = 1;
  f.ed.options.HideAncre = 0;
  f.ed.options.ShowSelection = 1;
  f.ed.options.Zoom = 0;
  f.ed.sel.select(f.addBox(0, 0, 0, 10, 10, kRed).id);
  f.ed.sel.shape = 0;
  f.refresh();
  int notWhite = 0;
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) notWhite += !sameRGBA(f.px(x, y), kWhite, 0);
  EXPECT_EQ(notWhite, 0);
  // Nor can a press pick the box.
  for (const PickEntry& e : pickOnCanvas(f.ed, f.store, f.canvas.image.size(), 0, 0))
    EXPECT_FALSE(e.inside);
}

}  // namespace
}  // namespace pw::test
