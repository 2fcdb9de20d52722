// The press's click test is asked before the scene is drawn. On the shipped examples and on
// generated scenes (with linked runs and outlines in the custom style that wait for the next
// paint), at every object and on a grid of points, it reports the shapes and verdicts that the
// test run inside the drawing, against the path as it was being painted, reports.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/scene_file.h"
#include "render/pick.h"
#include "generated_scene.h"
#include "render_fixture.h"
#include "support/paths.h"

namespace pw {
namespace {

// The verdicts as the drawing sees them: the path tested right after each outline is built,
// while the scene is painted.
std::vector<PickEntry> whileDrawing(Editor& ed, ImageStore& store, QImage& canvas, double x,
                                    double y) {
  std::vector<PickEntry> seen;
  VectorCanvas vg(store);
  EXPECT_TRUE(vg.beginDrawing(canvas));
  RenderCtx rc(ed, vg);
  drawScene(rc, [&](int64_t i, int64_t j) {
    if (i == ed.sel.object) seen.push_back({j, vg.pathContains(x, y)});
  });
  vg.endDrawing();
  return seen;
}

// Every object in turn, on a grid of points over the canvas and a little past it; returns how
// many verdicts said "inside", so that a grid missing every shape cannot pass unnoticed.
int compareEverywhere(Editor& ed, ImageStore& store, int w, int h, int step) {
  QImage canvas(w, h, QImage::Format_ARGB32_Premultiplied);
  int insides = 0;
  for (int64_t i = 0; i <= lastIndex(ed.doc.Objects); ++i) {
    ed.sel.object = i;
    for (int y = -20; y < h + 20; y += step + 7) {
      for (int x = -20; x < w + 20; x += step) {
        const auto want = whileDrawing(ed, store, canvas, x, y);
        const auto got = test::pickOnCanvas(ed, store, canvas.size(), x, y);
        EXPECT_TRUE(got == want) << "object " << i << " at " << x << "," << y;
        if (got != want) return insides;
        for (const PickEntry& e : got) insides += e.inside ? 1 : 0;
      }
    }
  }
  return insides;
}

TEST(Pick, ShippedExamplesAnswerAsTheDrawingDid) {
  for (const char* name : {"shapes-tour", "aquarium", "effects", "animation"}) {
    SCOPED_TRACE(name);
    test::RenderFixture f(800, 600);
    f.ed.root = test::sourceDir();
    const std::string path = std::string(test::sourceDir()) + "/examples/" + name + ".txt";
    ASSERT_TRUE(loadScene(f.ed, kLoadReplace, path, false));
    f.ed.options.Zoom = 100;
    EXPECT_GT(compareEverywhere(f.ed, f.store, 800, 600, 67), 0);
  }
}

TEST(Pick, AnOutlineWaitingFromTheObjectBeforeCountsForTheFirstShapes) {
  // Object 0 ends with a large box in the custom style, which waits in the path for the next
  // painted shape: object 1's first box is tested together with it.
  test::RenderFixture f(200, 100);
  f.addObject();
  f.addBox(0, 10, 10, 50, 20);
  f.addBox(0, 0, 0, 180, 90).style = 4;
  f.addBox(1, 100, 40, 20, 20);
  f.addBox(1, 150, 40, 20, 20);
  f.ed.sel.object = 1;
  const std::vector<PickEntry> got = test::pickOnCanvas(f.ed, f.store, {200, 100}, 30, 50);
  EXPECT_EQ(got, (std::vector<PickEntry>{{0, true}, {1, false}}));
  EXPECT_GT(compareEverywhere(f.ed, f.store, 200, 100, 11), 0);
}

TEST(Pick, GeneratedScenesWithWaitingOutlinesAnswerAsTheDrawingDid) {
  struct Case {
    uint32_t seed;
    int zoom;
    bool onlySelected;
    bool lastWaits;  // every object ends with an outline that waits into the next object
  } const cases[] = {{3, 100, false, false}, {4, 150, false, true}, {5, 70, true, false}};
  int insides = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seed);
    pwbench::GenParams prm;
    prm.shapes = 80;
    prm.seed = c.seed;
    prm.objects = 4;
    prm.width = 320;
    prm.height = 240;
    test::GeneratedScene g(prm);
    Editor& ed = g.ed;
    ImageStore& store = g.store;
    std::mt19937 rnd(c.seed);
    for (Object& o : ed.doc.Objects) {
      for (Shape& s : o.shapes) {
        if (rnd() % 4 == 0) s.link = 1;
        if (rnd() % 6 == 0) s.style = 4;  // custom: waits for the next painted shape
        if (rnd() % 9 == 0) s.hidden = 1;
      }
      if (c.lastWaits) {
        o.shapes.back().style = 4;
        o.shapes.back().hidden = 0;
      }
    }
    ed.options.Zoom = c.zoom;
    ed.pan.x = 7;
    ed.options.ShowOnlySel = c.onlySelected ? 1 : 0;
    ed.sel.shape = 2;
    insides += compareEverywhere(ed, store, 320, 240, 37);
  }
  EXPECT_GT(insides, 0);
}

}  // namespace
}  // namespace pw
