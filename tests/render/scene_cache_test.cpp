// Edits the scene picture redraws in part, where what a shape paints depends on more than its
// own fields: each must leave exactly the picture of a fresh full refresh.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "render_fixture.h"
#include "scene_gen.h"

namespace pw::test {
namespace {

constexpr int kW = 400, kH = 240;

struct PartialCase {
  const char* name;
  std::function<void(RenderFixture&)> setUp;
  std::function<void(RenderFixture&)> change;
};

const PartialCase kCases[] = {
    // The image ends a linked run, whose outline it strokes in the paint source the red box
    // left behind.
    {"ImageStrokesARunInTheColourBeforeIt",
     [](RenderFixture& f) {
       f.addBox(0, 10, 10, 20, 20, kRed);
       f.addBox(0, 120, 60, 30, 20, kGreen).link = 1;
       Shape& c = f.addShape(0, kImage);
       c.imageId = f.store.addImage(pwbench::makePoolImage(1));
       c.x = 130, c.y = 70, c.w = 20, c.h = 20, c.style = 1, c.lineW = 4, c.alpha = 255;
     },
     [](RenderFixture& f) { f.shape(0, 2).x += 3; }},
    {"TheColourBeforeAnImageChanges",
     [](RenderFixture& f) {
       f.addBox(0, 10, 10, 20, 20, kRed);
       Shape& c = f.addShape(0, kImage);
       c.imageId = f.store.addImage(pwbench::makePoolImage(2));
       c.x = 130, c.y = 70, c.w = 20, c.h = 20, c.style = 1, c.lineW = 4, c.alpha = 255;
     },
     [](RenderFixture& f) { f.shape(0, 0).color = kBlue; }},
    // Dashes laid along a tight ellipse meet at sharp corners whose miters reach far out.
    {"DashedTightEllipseShrinks",
     [](RenderFixture& f) {
       Shape& e = f.addShape(0, kCircle, kBlack);
       e.x = 100, e.y = 60, e.w = 11, e.h = 1, e.style = 2, e.lineW = 5, e.lineH = 8;
     },
     [](RenderFixture& f) {
       f.shape(0, 0).w = 5;
       f.shape(0, 0).h = 7;
     }},
};

void PrintTo(const PartialCase& c, std::ostream* os) { *os << c.name; }

class PartialRedraw : public ::testing::TestWithParam<PartialCase> {};

TEST_P(PartialRedraw, LeavesThePictureOfAFullRefresh) {
  RenderFixture f(kW, kH);
  f.ed.options.BgColor = kWhite;
  GetParam().setUp(f);
  f.refresh();
  GetParam().change(f);
  drawCanvas(f.ed, f.canvas);
  EXPECT_EQ(f.canvas.scene.lastUpdate(), SceneCache::Update::kPartial);

  EXPECT_EQ(differingRows(freshPicture(f.ed, f.store, kW, kH), f.canvas.image), "");
}

INSTANTIATE_TEST_SUITE_P(Edits, PartialRedraw, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pw::test
