#include "core/history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/scene_file.h"

namespace pw {
namespace {

// objects × shapes, every shape distinct, depths in order.
Document makeDoc(int objects, int shapes) {
  Document d;
  d.Objects.assign(static_cast<size_t>(objects), Object{});
  for (int i = 0; i < objects; ++i) {
    Object& o = d.Objects[static_cast<size_t>(i)];
    o.name = "Object" + std::to_string(i);
    o.depth = static_cast<uint8_t>(i);
    o.alpha = 255;
    o.hasShape = 1;
    o.shapes.assign(static_cast<size_t>(shapes), Shape{});
    for (int j = 0; j < shapes; ++j) {
      Shape& s = o.shapes[static_cast<size_t>(j)];
      s.name = "Shape_" + std::to_string(i) + "_" + std::to_string(j);
      s.type = kBox;
      s.x = static_cast<int16_t>(10 * j);
      s.y = static_cast<int16_t>(7 * i);
      s.depth = j;
      s.points[1].x = i + j;
    }
  }
  d.DocumentState = kDocumentHasContent;
  return d;
}

struct Snap {
  std::string text;
  DocState state;
  std::vector<Object> objects;
};
Snap snap(const Document& d, const Selection& sel) {
  return {sceneText(d), docStateOf(d, sel), d.Objects};
}

void expectSame(const Document& d, const Selection& sel, const Snap& s, const std::string& what) {
  EXPECT_EQ(sceneText(d), s.text) << what;
  EXPECT_TRUE(docStateOf(d, sel) == s.state) << what;
  ASSERT_EQ(d.Objects.size(), s.objects.size()) << what;
  for (size_t i = 0; i < s.objects.size(); ++i)
    EXPECT_TRUE(sameObject(d.Objects[i], s.objects[i])) << what << " object " << i;
}

struct ScopeCase {
  const char* name;
  std::function<void(Document&, Selection&)> change;
  std::function<ChangeScope()> scope;
};

std::vector<ScopeCase> scopeCases() {
  return {
      {"move one shape", [](Document& d, Selection&) { d.Objects[1].shapes[2].x += 5; },
       [] { return ChangeScope::shapesOf(1, {2}); }},
      {"points added and selected",
       [](Document& d, Selection& sel) {
         Shape& s = d.Objects[0].shapes[1];
         s.points.resize(9);
         s.points[8].x = 44;
         sel.select(s.id);
         sel.selectPoint(s.id, 0);
         sel.point = 8;
       },
       [] { return ChangeScope::shapesOf(0, {1, 1}); }},
      {"rename and hide",
       [](Document& d, Selection&) {
         d.Objects[2].name = "Renamed";
         d.Objects[2].hidden = 1;
       },
       [] { return ChangeScope::header(2); }},
      {"shape added to an object",
       [](Document& d, Selection& sel) {
         d.Objects[1].shapes.emplace_back();
         d.Objects[1].shapes.back().name = "new";
         sel.shape = 4;
       },
       [] { return ChangeScope::wholeObject(1); }},
      {"object deleted",
       [](Document& d, Selection& sel) {
         d.Objects.erase(d.Objects.begin() + 1);
         sel.object = 0;
       },
       [] { return ChangeScope::objectsRemap({0, 2}); }},
      {"object added in the middle",
       [](Document& d, Selection& sel) {
         Object o;
         o.name = "Inserted";
         d.Objects.insert(d.Objects.begin() + 1, o);
         sel.object = 1;
       },
       [] { return ChangeScope::objectsRemap({0, -1, 1, 2}); }},
      {"object moved up (depths exchanged)",
       [](Document& d, Selection&) {
         std::swap(d.Objects[0].depth, d.Objects[1].depth);
         std::swap(d.Objects[0], d.Objects[1]);
       },
       [] { return ChangeScope::objectsRemap({1, 0, 2}); }},
      {"whole document",
       [](Document& d, Selection&) {
         d.Objects.push_back(d.Objects[0]);
         d.Objects[0].shapes.clear();
         d.DocumentState = kDocumentFresh;
       },
       [] { return ChangeScope::document(); }},
      // Scopes that do not fit what happened: the history falls back to a wider record.
      {"shape scope but a shape was added",
       [](Document& d, Selection&) { d.Objects[2].shapes.emplace_back(); },
       [] { return ChangeScope::shapesOf(2, {0}); }},
      {"header scope but an object was added",
       [](Document& d, Selection&) { d.Objects.emplace_back(); },
       [] { return ChangeScope::header(0); }},
      {"shape index out of range", [](Document& d, Selection&) { d.Objects[0].shapes[3].y = 99; },
       [] { return ChangeScope::shapesOf(0, {3, 17}); }},
      {"remap of the wrong size", [](Document& d, Selection&) { d.Objects.pop_back(); },
       [] { return ChangeScope::objectsRemap({0, 1, 2}); }},
      {"remap naming an old object twice",
       [](Document& d, Selection&) { d.Objects[1] = d.Objects[0]; },
       [] { return ChangeScope::objectsRemap({0, 0, 2}); }},
  };
}

TEST(HistoryTest, EveryScopeUndoesAndRedoesExactly) {
  for (const ScopeCase& c : scopeCases()) {
    Document doc = makeDoc(3, 4);
    Selection sel;
    sel.object = 1;
    sel.shape = 2;
    History h;
    h.reset(doc, sel);
    const Snap before = snap(doc, sel);
    c.change(doc, sel);
    h.record(doc, sel, c.name, c.scope());
    const Snap after = snap(doc, sel);
    EXPECT_TRUE(h.matches(doc, sel)) << c.name;
    ASSERT_TRUE(h.undo(doc, sel)) << c.name;
    expectSame(doc, sel, before, std::string(c.name) + " (undo)");
    EXPECT_TRUE(h.matches(doc, sel)) << c.name;
    ASSERT_TRUE(h.redo(doc, sel)) << c.name;
    expectSame(doc, sel, after, std::string(c.name) + " (redo)");
    EXPECT_TRUE(h.matches(doc, sel)) << c.name;
    // And once more, from the parts kept in the step.
    ASSERT_TRUE(h.undo(doc, sel)) << c.name;
    expectSame(doc, sel, before, std::string(c.name) + " (second undo)");
    EXPECT_FALSE(h.canUndo());
  }
}

TEST(HistoryTest, StepsChainAndNameThemselves) {
  Document doc = makeDoc(2, 3);
  Selection sel;
  History h;
  h.reset(doc, sel);
  EXPECT_FALSE(h.canUndo());
  EXPECT_EQ(h.undoName(), "");
  std::vector<Snap> states{snap(doc, sel)};
  for (int i = 0; i < 5; ++i) {
    doc.Objects[static_cast<size_t>(i % 2)].shapes[static_cast<size_t>(i % 3)].x += 1;
    h.record(doc, sel, "Move " + std::to_string(i), ChangeScope::shapesOf(i % 2, {i % 3}));
    states.push_back(snap(doc, sel));
  }
  EXPECT_EQ(h.undoName(), "Move 4");
  for (int i = 5; i > 0; --i) {
    ASSERT_TRUE(h.undo(doc, sel));
    expectSame(doc, sel, states[static_cast<size_t>(i - 1)], "undo " + std::to_string(i));
  }
  EXPECT_FALSE(h.undo(doc, sel));
  EXPECT_EQ(h.redoName(), "Move 0");
  ASSERT_TRUE(h.redo(doc, sel));
  ASSERT_TRUE(h.redo(doc, sel));
  expectSame(doc, sel, states[2], "two redos");
}

TEST(HistoryTest, NewChangeDropsRedo) {
  Document doc = makeDoc(1, 3);
  Selection sel;
  History h;
  h.reset(doc, sel);
  doc.Objects[0].shapes[0].x = 1;
  h.record(doc, sel, "A", ChangeScope::shapesOf(0, {0}));
  doc.Objects[0].shapes[1].x = 2;
  h.record(doc, sel, "B", ChangeScope::shapesOf(0, {1}));
  ASSERT_TRUE(h.undo(doc, sel));
  doc.Objects[0].name = "C";
  h.record(doc, sel, "C", ChangeScope::header(0));
  EXPECT_FALSE(h.canRedo());
  EXPECT_FALSE(h.redo(doc, sel));
  EXPECT_EQ(h.stepCount(), 2u);
  EXPECT_EQ(doc.Objects[0].shapes[1].x, 10);  // B stays undone
  ASSERT_TRUE(h.undo(doc, sel));
  EXPECT_EQ(doc.Objects[0].name, "Object0");
  EXPECT_EQ(doc.Objects[0].shapes[0].x, 1);
}

TEST(HistoryTest, MergeKeyJoinsABurst) {
  Document doc = makeDoc(2, 2);
  Selection sel;
  History h;
  h.reset(doc, sel);
  const Snap start = snap(doc, sel);
  for (int v = 1; v <= 4; ++v) {
    doc.Objects[1].alpha = static_cast<uint8_t>(v);
    h.record(doc, sel, "Alpha", ChangeScope::header(1), 44);
  }
  EXPECT_EQ(h.stepCount(), 1u);
  EXPECT_TRUE(h.matches(doc, sel));
  const Snap burst = snap(doc, sel);
  ASSERT_TRUE(h.undo(doc, sel));
  expectSame(doc, sel, start, "burst undone");
  ASSERT_TRUE(h.redo(doc, sel));
  expectSame(doc, sel, burst, "burst redone");

  // After an undo/redo, another key, another object or a save, the next edit is a new step.
  struct Case {
    const char* name;
    std::function<void()> between;
    int object;
    int key;
  };
  const Case cases[] = {
      {"undo and redo between", [&] { h.undo(doc, sel); h.redo(doc, sel); }, 1, 44},
      {"other key", [] {}, 1, 45},
      {"other object", [] {}, 0, 45},
      {"save between", [&] { h.markSaved(); }, 0, 45},
      {"no key", [] {}, 0, 0},
  };
  size_t steps = h.stepCount();
  for (const Case& c : cases) {
    c.between();
    doc.Objects[static_cast<size_t>(c.object)].alpha += 1;
    h.record(doc, sel, "Alpha", ChangeScope::header(c.object), c.key);
    EXPECT_EQ(h.stepCount(), ++steps) << c.name;
  }
  // Same key and object, nothing between: joins.
  doc.Objects[0].alpha += 1;
  h.record(doc, sel, "Alpha", ChangeScope::header(0), 9);
  doc.Objects[0].alpha += 1;
  h.record(doc, sel, "Alpha", ChangeScope::header(0), 9);
  EXPECT_EQ(h.stepCount(), steps + 1);
  EXPECT_TRUE(h.matches(doc, sel));
}

TEST(HistoryTest, StepCapDropsOldest) {
  Document doc = makeDoc(1, 2);
  Selection sel;
  History h(History::Limits{3, size_t{1} << 30});
  h.reset(doc, sel);
  for (int i = 1; i <= 5; ++i) {
    doc.Objects[0].shapes[0].x = static_cast<int16_t>(i);
    h.record(doc, sel, "Move", ChangeScope::shapesOf(0, {0}));
  }
  EXPECT_EQ(h.stepCount(), 3u);
  while (h.undo(doc, sel)) {
  }
  EXPECT_EQ(doc.Objects[0].shapes[0].x, 2);  // steps 1 and 2 went
  EXPECT_TRUE(h.matches(doc, sel));
}

TEST(HistoryTest, MemoryCapDropsOldest) {
  Document doc = makeDoc(4, 50);
  Selection sel;
  History probe;
  probe.reset(doc, sel);
  doc.Objects[0].shapes[0].x += 1;
  probe.record(doc, sel, "Delete", ChangeScope::wholeObject(0));
  const size_t oneStep = probe.bytes();
  ASSERT_GT(oneStep, 50 * sizeof(Shape));

  History h(History::Limits{200, oneStep * 5 / 2});
  h.reset(doc, sel);
  for (int i = 0; i < 6; ++i) {
    doc.Objects[0].shapes[static_cast<size_t>(i)].y += 1;
    h.record(doc, sel, "Edit", ChangeScope::wholeObject(0));
    EXPECT_LE(h.bytes(), h.limits().maxBytes);
  }
  EXPECT_EQ(h.stepCount(), 2u);
  h.undo(doc, sel);
  h.undo(doc, sel);
  EXPECT_EQ(doc.Objects[0].shapes[3].y, 1);  // the fourth edit is the oldest kept
  EXPECT_EQ(doc.Objects[0].shapes[4].y, 0);

  // A single step larger than the cap is not kept at all.
  History tiny(History::Limits{200, 100});
  tiny.reset(doc, sel);
  doc.Objects[1].shapes[0].x += 1;
  tiny.record(doc, sel, "Edit", ChangeScope::wholeObject(1));
  EXPECT_FALSE(tiny.canUndo());
  EXPECT_EQ(tiny.bytes(), 0u);
  EXPECT_TRUE(tiny.matches(doc, sel));
}

TEST(HistoryTest, SavedMarkerFollowsUndoAndRedo) {
  Document doc = makeDoc(1, 2);
  Selection sel;
  History h;
  h.reset(doc, sel);
  EXPECT_TRUE(h.isAtSaved());
  auto edit = [&](int v) {
    doc.Objects[0].shapes[0].x = static_cast<int16_t>(v);
    h.record(doc, sel, "Move", ChangeScope::shapesOf(0, {0}));
  };
  edit(1);
  EXPECT_FALSE(h.isAtSaved());
  h.markSaved();
  EXPECT_TRUE(h.isAtSaved());
  edit(2);
  EXPECT_FALSE(h.isAtSaved());
  h.undo(doc, sel);
  EXPECT_TRUE(h.isAtSaved());
  h.undo(doc, sel);
  EXPECT_FALSE(h.isAtSaved());
  h.redo(doc, sel);
  EXPECT_TRUE(h.isAtSaved());
  // Undo past the save, then a new change: the saved state can never come back.
  h.undo(doc, sel);
  edit(3);
  h.undo(doc, sel);
  h.redo(doc, sel);
  EXPECT_FALSE(h.isAtSaved());
  // A reset of an unsaved document (a recovered scene) has no saved position.
  h.reset(doc, sel, false);
  EXPECT_FALSE(h.isAtSaved());
  // The step cap dropping the saved position leaves it unreachable.
  History capped(History::Limits{1, size_t{1} << 30});
  capped.reset(doc, sel);
  edit(4);
  capped.record(doc, sel, "Move", ChangeScope::shapesOf(0, {0}));
  edit(5);
  capped.record(doc, sel, "Move", ChangeScope::shapesOf(0, {0}));
  capped.undo(doc, sel);
  EXPECT_FALSE(capped.isAtSaved());
}

TEST(HistoryTest, DocumentChangedBehindItsBackGetsTheRecordedState) {
  Document doc = makeDoc(2, 3);
  Selection sel;
  History h;
  h.reset(doc, sel);
  doc.Objects[0].shapes[1].x = 77;
  h.record(doc, sel, "Move", ChangeScope::shapesOf(0, {1}));
  const Snap afterMove = snap(doc, sel);
  // A structural change nobody announced: the shape list no longer fits the step.
  doc.Objects[0].shapes.clear();
  doc.Objects.emplace_back();
  ASSERT_TRUE(h.undo(doc, sel));
  EXPECT_EQ(doc.Objects.size(), 2u);
  EXPECT_EQ(doc.Objects[0].shapes[1].x, 10);
  EXPECT_TRUE(h.matches(doc, sel));
  ASSERT_TRUE(h.redo(doc, sel));
  expectSame(doc, sel, afterMove, "redo");
}

TEST(HistoryTest, StepsStoreOnlyWhatChanged) {
  Document doc = makeDoc(40, 50);
  Selection sel;
  size_t wholeDoc = 0;
  for (const Object& o : doc.Objects) wholeDoc += objectBytes(o);
  const size_t oneShape = shapeBytes(doc.Objects[0].shapes[0]);
  const size_t oneObject = objectBytes(doc.Objects[0]);
  struct Case {
    const char* name;
    std::function<ChangeScope(Document&)> change;
    size_t atMost, atLeast;
  };
  const Case cases[] = {
      {"one shape", [](Document& d) {
         d.Objects[5].shapes[5].x += 1;
         return ChangeScope::shapesOf(5, {5});
       }, 4 * oneShape, 0},
      {"one header", [](Document& d) {
         d.Objects[5].alpha = 1;
         return ChangeScope::header(5);
       }, 2 * sizeof(Object) + 1024, 0},
      {"one object deleted", [](Document& d) {
         d.Objects.erase(d.Objects.begin() + 3);
         return ChangeScope::objectRemoved(3, 40);
       }, oneObject + 4096, oneObject},
      {"unfit scope falls back to everything", [](Document& d) {
         d.Objects.pop_back();
         return ChangeScope::shapesOf(0, {0});
       }, 3 * wholeDoc, wholeDoc},
  };
  for (const Case& c : cases) {
    Document d = doc;
    Selection sel;
    History h;
    h.reset(d, sel);
    const ChangeScope scope = c.change(d);
    h.record(d, sel, c.name, scope);
    EXPECT_LE(h.bytes(), c.atMost) << c.name;
    EXPECT_GE(h.bytes(), c.atLeast) << c.name;
  }
}

TEST(HistoryTest, AppendedObjectScopeFollowsTheDepthSort) {
  Document doc = makeDoc(3, 2);
  Selection sel;
  doc.Objects[0].depth = 9;
  History h;
  h.reset(doc, sel);
  const Snap before = snap(doc, sel);
  const ChangeScope scope = appendedObjectScope(doc);
  EXPECT_EQ(scope.remap, (std::vector<int64_t>{1, 2, -1, 0}));
  // What adding an object does: one more at the end, then the sort by depth.
  doc.Objects.emplace_back();
  doc.Objects.back().name = "Object3";
  doc.Objects.back().depth = 3;
  std::stable_sort(doc.Objects.begin(), doc.Objects.end(),
                   [](const Object& a, const Object& b) { return a.depth < b.depth; });
  h.record(doc, sel, "Add", scope);
  const Snap after = snap(doc, sel);
  EXPECT_TRUE(h.matches(doc, sel));
  h.undo(doc, sel);
  expectSame(doc, sel, before, "undo");
  h.redo(doc, sel);
  expectSame(doc, sel, after, "redo");
}

TEST(HistoryTest, StableDepthOrderKeepsTies) {
  EXPECT_EQ(stableDepthOrder(std::vector<int>{2, 0, 1}), (std::vector<int64_t>{1, 2, 0}));
  EXPECT_EQ(stableDepthOrder(std::vector<int>{1, 1, 0, 1}), (std::vector<int64_t>{2, 0, 1, 3}));
  EXPECT_TRUE(stableDepthOrder(std::vector<int>{}).empty());
}

}  // namespace
}  // namespace pw
