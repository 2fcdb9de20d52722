// A zoom or pan on a canvas that can wait for its sharp picture: at once the old picture moved to
// where the new view puts it, then, once drawn on the drawing threads, exactly the picture of a
// full refresh.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <ostream>

#include "render_fixture.h"

namespace pw::test {
namespace {

constexpr int kW = 200, kH = 150;

struct ViewCase {
  const char* name;
  std::function<void(RenderFixture&)> setUp;   // before the first picture
  std::function<void(RenderFixture&)> change;  // the change of view (and anything else)
  bool preview;                                 // shown at once from the old picture
  QPoint red;                                   // where the red box lies in the new view
};

const ViewCase kCases[] = {
    {"Pan", [](RenderFixture&) {},
     [](RenderFixture& f) {
       f.ed.pan.x = 30;
       f.ed.pan.y = -5;
     },
     true, {20 + 30, 20 - 5}},
    {"ZoomIn", [](RenderFixture&) {}, [](RenderFixture& f) { f.ed.options.Zoom = 200; }, true,
     {40, 40}},
    {"ZoomOutAndPanOfAScaledObject",
     [](RenderFixture& f) {
       f.object(0).w = 150;
       f.object(0).h = 150;
     },
     [](RenderFixture& f) {
       f.ed.options.Zoom = 50;
       f.ed.pan.x = 20;
     },
     true, {(20 + 20) * 3 / 4, 15}},
    // The pan goes through each object's own scale: the objects no longer move alike.
    {"PanOfObjectsScaledApart",
     [](RenderFixture& f) {
       f.addObject();
       f.addBox(1, 120, 90, 20, 20, kBlue);
       f.object(1).w = 200;
     },
     [](RenderFixture& f) { f.ed.pan.x = 10; }, false, {30, 20}},
    // A shape changed with the view: no old picture shows the new scene.
    {"PanWithAnEdit", [](RenderFixture&) {},
     [](RenderFixture& f) {
       f.ed.pan.x = 10;
       f.shape(0, 0).color = kGreen;
     },
     false, {}},
};

void PrintTo(const ViewCase& c, std::ostream* os) { *os << c.name; }

class ViewPreview : public ::testing::TestWithParam<ViewCase> {};

TEST_P(ViewPreview, ShowsTheOldPictureMovedThenTheSharpOne) {
  const ViewCase& c = GetParam();
  RenderFixture f(kW, kH);
  f.ed.options.BgColor = kWhite;
  f.ed.options.Zoom = 100;
  f.addBox(0, 10, 10, 20, 20, kRed);
  c.setUp(f);
  std::atomic<int> ready{0};
  f.canvas.sharpReady = [&ready] { ++ready; };
  f.refresh();
  ASSERT_FALSE(f.canvas.previewShown) << "the first picture is drawn at once";

  c.change(f);
  drawCanvas(f.ed, f.canvas);
  EXPECT_EQ(f.canvas.previewShown, c.preview);
  if (c.preview) {
    EXPECT_EQ(f.px(c.red.x(), c.red.y()), QColor(Qt::red)) << "the old picture, moved";
    waitForSharp(f.canvas);
    EXPECT_EQ(ready, 1);
    drawCanvas(f.ed, f.canvas);
    EXPECT_FALSE(f.canvas.previewShown);
    EXPECT_EQ(f.canvas.scene.lastUpdate(), SceneCache::Update::kNone) << "the sharp picture";
  }
  EXPECT_EQ(differingRows(freshPicture(f.ed, f.store, kW, kH), f.canvas.image), "");
}

INSTANTIATE_TEST_SUITE_P(Views, ViewPreview, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// One sharp picture is drawn at a time. A pan that goes on meanwhile takes it, when done, as the
// picture its next preview moves, and draws the sharp one of the present view after it.
TEST(ViewPreviewRules, APanThatGoesOnEndsWithThePictureOfItsLastView) {
  RenderFixture f(kW, kH);
  f.ed.options.BgColor = kWhite;
  f.addBox(0, 10, 10, 20, 20, kRed);
  f.canvas.sharpReady = [] {};
  f.refresh();
  for (int k = 1; k <= 5; ++k) {
    f.ed.pan.x = toI16(4 * k);
    drawCanvas(f.ed, f.canvas);
    EXPECT_TRUE(f.canvas.previewShown);
  }
  // However the steps fell against the drawing, at most two pictures are drawn after them.
  for (int round = 0; round < 2 && f.canvas.previewShown; ++round) {
    waitForSharp(f.canvas);
    drawCanvas(f.ed, f.canvas);
    EXPECT_EQ(f.px(10 + 20 + 1, 20), QColor(Qt::red)) << "round " << round;
  }
  EXPECT_FALSE(f.canvas.previewShown);
  EXPECT_EQ(f.px(10 + 20 + 1, 20), QColor(Qt::red));
  EXPECT_EQ(f.px(10 + 20 - 1, 20), QColor(Qt::white));
}

}  // namespace
}  // namespace pw::test
