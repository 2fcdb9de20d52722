// Seeded runs of random edits, view changes, drags and undos on a generated scene, each followed
// by a refresh that must give the pixels, selection and interaction state of a full refresh on
// a fresh canvas. The scene picture the canvas keeps must never show through; and a good share
// of the refreshes must redraw it only in part, or the runs would not test that at all.
#include <gtest/gtest.h>

#include <Qt>
#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "canvas_scene.h"
#include "core/history.h"
#include "core/layer_ops.h"
#include "core/scene_file.h"
#include "core/shape_ops.h"

namespace pw::test {
namespace {

// One run: the scene, its undo history and the dice. The same seed gives the same steps with any
// standard library (no distributions).
struct RefreshRun {
  DragScene d;
  History history;
  std::mt19937 g;

  explicit RefreshRun(uint32_t seed) : d(60, seed), g(seed) {
    d.ed.observe([this](const Change& c) {
      history.record(d.ed.doc, d.ed.sel, c.name, c.scope, c.mergeKey);
    });
    // As the window: the canvas hears from the history which shapes changed.
    d.canvas.tracksChanges = true;
    history.onChanged = [this] { d.canvas.touch(history.lastChange()); };
    history.reset(d.ed.doc, d.ed.sel);
  }
  int below(int n) { return static_cast<int>(g() % static_cast<uint32_t>(n)); }
  int within(int lo, int hi) { return lo + below(hi - lo + 1); }
  int64_t anyObject() { return below(static_cast<int>(d.ed.doc.Objects.size())); }
  // A shape of some object that has shapes of its own, as (object, shape); false when none has.
  bool pickShape(int64_t& i, int64_t& j) {
    for (int tries = 0; tries < 8; ++tries) {
      i = anyObject();
      const Object& o = d.object(i);
      if (o.hasShape == 0) continue;
      j = below(static_cast<int>(o.shapes.size()));
      return true;
    }
    return false;
  }
  // Changes shape (i, j) and announces it as the panels do.
  void editShape(const char* what, const std::function<void(Shape&)>& change) {
    int64_t i = 0, j = 0;
    if (!pickShape(i, j)) return;
    change(d.object(i).shapes[static_cast<size_t>(j)]);
    d.ed.execute({what, ChangeScope::shapesOf(i, {j}), 0, nullptr});
  }
  // Runs op on shape (i, j) made current and announces the object as changed.
  void objectOp(const char* what, bool (*op)(Document&, Selection&)) {
    int64_t i = 0, j = 0;
    if (!pickShape(i, j)) return;
    d.focus(i, j);
    d.ed.execute({what, ChangeScope::wholeObject(i), 0,
                  [op](Document& doc, Selection& sel, ChangeScope&) { return op(doc, sel); }});
  }
  // A press on a shape of a random object (or anywhere), a few moves and the release.
  void drag(uint8_t tool, bool panning) {
    int64_t i = 0, j = 0;
    QPointF at(within(0, kW - 1), within(0, kH - 1));
    if (pickShape(i, j)) {
      d.focus(i, below(3) == 0 ? -1 : j);
      // Mostly inside the shape: boxes and images lie right of and below their place, the
      // other shapes around it.
      const Shape& s = d.object(i).shapes[static_cast<size_t>(j)];
      const bool corner = s.type == kBox || s.type == kRoundBox || s.type == kImage;
      const int x = s.x + (corner ? s.w / 2 : 0), y = s.y + (corner ? s.h / 2 : 0);
      if (below(8) != 0) at = d.device(x + within(-2, 2), y + within(-2, 2));
    }
    d.ed.tools.tool = tool;
    if (panning) d.key(CanvasInput::kKeyDown, Qt::Key_Space);
    d.press(at, below(5) == 0);
    const QPointF step(within(-9, 9), within(-9, 9));
    d.dragSteps(at, step.x(), step.y(), within(1, 5));
    d.release();
    if (panning) d.key(CanvasInput::kKeyUp, Qt::Key_Space);
    d.key(CanvasInput::kKeyUp, Qt::Key_Shift);
  }
};

struct Step {
  const char* name;
  int weight;
  std::function<void(RefreshRun&)> run;
};

const Step kSteps[] = {
    {"nudge", 10, [](RefreshRun& r) {
       const int dx = r.within(-6, 6), dy = r.within(-6, 6);
       r.editShape("Move", [=](Shape& s) { s.x = toI16(s.x + dx), s.y = toI16(s.y + dy); });
     }},
    {"recolour or line width", 8, [](RefreshRun& r) {
       const int64_t c = packRGBA(r.below(256), r.below(256), r.below(256), r.below(256));
       const int w = r.below(2) ? r.within(1, 9) : 0;
       r.editShape("Style", [=](Shape& s) {
         if (w) s.lineW = toI16(w); else s.color = c;
       });
     }},
    {"hide or link", 4, [](RefreshRun& r) {
       const bool hide = r.below(2);
       r.editShape("Hide or link", [=](Shape& s) { (hide ? s.hidden : s.link) ^= 1; });
     }},
    {"add shape", 2, [](RefreshRun& r) {
       int64_t i = 0, j = 0;
       if (!r.pickShape(i, j)) return;
       auto& shapes = r.d.object(i).shapes;
       Shape copy = shapes[static_cast<size_t>(j)];
       copy.id = newShapeId();  // a new shape, as a paste makes it
       copy.x = toI16(copy.x + r.within(-20, 20));
       shapes.insert(shapes.begin() + r.below(static_cast<int>(shapes.size()) + 1), copy);
       r.d.ed.execute({"Paste", ChangeScope::wholeObject(i), 0, nullptr});
     }},
    {"delete shape", 2, [](RefreshRun& r) { r.objectOp("Delete", deleteCurrentShape); }},
    {"shape to top or bottom", 2,
     [](RefreshRun& r) { r.objectOp("Reorder", r.below(2) ? shapeToTop : shapeToBottom); }},
    {"current shape", 4, [](RefreshRun& r) {
       const int64_t i = r.anyObject();
       const Object& o = r.d.object(i);
       r.d.focus(i, o.hasShape ? r.below(static_cast<int>(o.shapes.size()) + 1) - 1 : -1);
       r.d.ed.sel.point = r.within(-1, 2);
     }},
    {"selected shapes", 4, [](RefreshRun& r) {
       Selection& sel = r.d.ed.sel;
       for (const Shape& s : r.d.object(sel.object).shapes)
         if (r.below(4) == 0) sel.select(s.id, !sel.isSelected(s.id));
     }},
    {"point selection", 2, [](RefreshRun& r) {
       Selection& sel = r.d.ed.sel;
       if (const Shape* s = currentShape(r.d.ed.doc, sel))
         sel.selectPoint(s->id, r.below(static_cast<int>(s->points.size()) + 1),
                         r.below(3) != 0);
     }},
    {"hide object", 1, [](RefreshRun& r) { toggleObjectHidden(r.d.ed, r.anyObject()); }},
    {"zoom", 2, [](RefreshRun& r) { r.d.ed.options.Zoom = r.within(50, 200); }},
    {"pan", 2, [](RefreshRun& r) {
       r.d.ed.pan.x = toI16(r.d.ed.pan.x + r.within(-25, 25));
       r.d.ed.pan.y = toI16(r.d.ed.pan.y + r.within(-25, 25));
     }},
    {"view option", 2, [](RefreshRun& r) {
       sVdOptions& o = r.d.ed.options;
       uint8_t* flags[] = {&o.ShowOnlySel, &o.HideAncre, &o.ShowSelection};
       const int k = r.below(4);
       if (k == 3) o.BgImg ^= 1; else *flags[k] ^= 1;
     }},
    {"move drag", 10, [](RefreshRun& r) { r.drag(kToolMove, false); }},
    {"tool drag", 6, [](RefreshRun& r) {
       const uint8_t tools[] = {kToolSelect, kToolScale, kToolRotate,
                                kToolBox,    kToolCircle, kToolLine};
       r.drag(tools[r.below(6)], false);
     }},
    {"pan drag", 1, [](RefreshRun& r) { r.drag(kToolMove, true); }},
    {"undo", 3, [](RefreshRun& r) { r.history.undo(r.d.ed.doc, r.d.ed.sel); }},
    {"redo", 1, [](RefreshRun& r) { r.history.redo(r.d.ed.doc, r.d.ed.sel); }},
};

class RefreshProperty : public ::testing::TestWithParam<uint32_t> {};

TEST_P(RefreshProperty, EveryRefreshEqualsAFullOneAndShapeEditsAreDrawnInPart) {
  RefreshRun r(GetParam());
  const Selection startSel = r.d.ed.sel;
  const std::string startText = sceneText(r.d.ed.doc);
  SceneCache::checkTouches = true;
  SceneCache::missedTouches = 0;
  int total = 0;
  for (const Step& s : kSteps) total += s.weight;
  std::string firstBad;
  for (int n = 0; n < 60; ++n) {
    int pick = r.below(total);
    const Step* step = kSteps;
    while (pick >= step->weight) pick -= (step++)->weight;
    step->run(r);
    r.d.checkedRedraw();
    if (firstBad.empty() && r.d.mismatchedImages + r.d.mismatchedOutcomes > 0)
      firstBad = "step " + std::to_string(n) + ": " + step->name;
  }
  EXPECT_EQ(r.d.mismatchedImages, 0) << firstBad;
  EXPECT_EQ(r.d.mismatchedOutcomes, 0) << firstBad;
  // Every shape that changed was among those the changes and the live rule named.
  EXPECT_EQ(SceneCache::missedTouches, 0);
  SceneCache::checkTouches = false;
  const int partial = r.d.updates[static_cast<int>(SceneCache::Update::kPartial)];
  const int full = r.d.updates[static_cast<int>(SceneCache::Update::kFull)];
  // Shape edits and drags are most of the steps: at least a third of the refreshes that draw
  // shapes draw only some.
  EXPECT_GE(3 * partial, partial + full)
      << partial << " partial and " << full << " full of " << r.d.refreshes << " refreshes";

  // Undo all: the scene and the selection (current indices, selected shapes and points) are
  // those of the start, and the canvas shows them as a full refresh does.
  while (r.history.undo(r.d.ed.doc, r.d.ed.sel)) {
  }
  EXPECT_EQ(sceneText(r.d.ed.doc), startText);
  EXPECT_TRUE(r.d.ed.sel == startSel);
  r.d.checkedRedraw();
  EXPECT_EQ(r.d.mismatchedImages + r.d.mismatchedOutcomes, 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RefreshProperty,
                         ::testing::Values(11u, 1010u, 1059u, 2024u, 31337u, 48611u, 90001u));

}  // namespace
}  // namespace pw::test
