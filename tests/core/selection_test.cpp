// The selected shapes and points as the selection holds them: by shape identity, so that every
// edit that moves shapes about, and its undo, leaves the same shapes selected.
#include "core/selection.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/history.h"
#include "core/layer_ops.h"
#include "core/shape_ops.h"
#include "support/fakes.h"

namespace pw {
namespace {

using Names = std::set<std::string>;

// Objects "A" and "B", each with shapes <object>0 ... <object>4 at depths 0 ... 4; A1, A3 and
// B2 selected, shape 2 of object A current.
struct Scene {
  test::TestEditor t;
  Editor& ed = t.ed;
  History history;
  Scene() {
    ed.doc.Objects.clear();
    ed.doc.Objects.resize(2);
    for (int i = 0; i < 2; ++i) {
      Object& o = ed.doc.Objects[static_cast<size_t>(i)];
      o.name = i == 0 ? "A" : "B";
      o.depth = static_cast<uint8_t>(i);
      o.hasShape = 1;
      o.shapes.resize(5);
      for (int j = 0; j < 5; ++j) {
        o.shapes[static_cast<size_t>(j)].name = o.name + std::to_string(j);
        o.shapes[static_cast<size_t>(j)].depth = j;
      }
    }
    ed.doc.DocumentState = kDocumentHasContent;
    for (const char* n : {"A1", "A3", "B2"}) ed.sel.select(find(n).id);
    ed.sel.shape = 2;
    ed.observe([this](const Change& c) {
      history.record(ed.doc, ed.sel, c.name, c.scope, c.mergeKey);
    });
    history.reset(ed.doc, ed.sel);
  }
  Shape& find(const std::string& name) {
    for (Object& o : ed.doc.Objects)
      for (Shape& s : o.shapes)
        if (s.name == name) return s;
    ADD_FAILURE() << "no shape " << name;
    return ed.doc.Objects[0].shapes[0];
  }
  Names selected() const {
    Names out;
    for (const Object& o : ed.doc.Objects)
      for (const Shape& s : o.shapes)
        if (ed.sel.isSelected(s.id)) out.insert(s.name);
    return out;
  }
  // Runs a document edit as a command of the whole document.
  void run(const std::function<bool(Document&, Selection&)>& op) {
    ed.execute({"edit", {}, 0,
                [&op](Document& d, Selection& s, ChangeScope&) { return op(d, s); }});
  }
};

TEST(Selection, FollowsItsShapesThroughEveryReorderAndBackThroughUndo) {
  const struct {
    const char* name;
    std::function<void(Scene&)> edit;
    Names after;
  } cases[] = {
      {"current shape to top", [](Scene& s) { s.run(shapeToTop); }, {"A1", "A3", "B2"}},
      {"current shape to bottom", [](Scene& s) { s.run(shapeToBottom); }, {"A1", "A3", "B2"}},
      {"selected shape to top",
       [](Scene& s) {
         s.ed.sel.shape = 1;
         s.run(shapeToTop);
       },
       {"A1", "A3", "B2"}},
      {"selected shape deleted",
       [](Scene& s) {
         s.ed.sel.shape = 3;
         s.run(deleteCurrentShape);
       },
       {"A1", "B2"}},
      {"object moved up", [](Scene& s) { moveCurrentObject(s.ed, 1); }, {"A1", "A3", "B2"}},
      {"object deleted", [](Scene& s) { deleteCurrentObject(s.ed); }, {"B2"}},
      {"object added", [](Scene& s) { addNewObject(s.ed); }, {"A1", "A3", "B2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Scene s;
    const Selection before = s.ed.sel;
    c.edit(s);
    EXPECT_EQ(s.selected(), c.after);
    const Selection after = s.ed.sel;
    ASSERT_TRUE(s.history.undo(s.ed.doc, s.ed.sel));
    EXPECT_TRUE(s.ed.sel == before);
    EXPECT_EQ(s.selected(), (Names{"A1", "A3", "B2"}));
    ASSERT_TRUE(s.history.redo(s.ed.doc, s.ed.sel));
    EXPECT_TRUE(s.ed.sel == after);
    EXPECT_EQ(s.selected(), c.after);
  }
}

TEST(Selection, AllOrNoneOfAnObjectLeavesTheOthersAlone) {
  Scene s;
  s.ed.sel.selectAll(s.ed.doc.Objects[0].shapes, true);
  EXPECT_EQ(s.selected(), (Names{"A0", "A1", "A2", "A3", "A4", "B2"}));
  s.ed.sel.selectAll(s.ed.doc.Objects[0].shapes, false);
  EXPECT_EQ(s.selected(), (Names{"B2"}));
  s.ed.sel.select({s.find("A4").id, s.find("B2").id, s.find("B0").id}, true);
  EXPECT_EQ(s.selected(), (Names{"A4", "B0", "B2"}));
}

TEST(Selection, NewRecordsAreNewShapesAndCopiesTheSameOne) {
  const Shape a;
  const Shape copy = a;
  const std::vector<Shape> three(3);
  EXPECT_EQ(copy.id, a.id);
  const std::set<ShapeId> ids{a.id, three[0].id, three[1].id, three[2].id};
  EXPECT_EQ(ids.size(), 4u);
}

TEST(Selection, PointsAreRenumberedAsTheirShapeChanges) {
  const ShapeId s = Shape{}.id, other = Shape{}.id;
  using Ks = std::vector<int64_t>;
  const struct {
    const char* name;
    std::function<void(Selection&)> change;
    Ks after;
  } cases[] = {
      {"point before the selected ones erased", [&](Selection& x) { x.pointErased(s, 0); },
       {1, 3, 4, 5}},
      {"a selected point erased", [&](Selection& x) { x.pointErased(s, 4); }, {2, 4, 5}},
      {"the last point moved on", [&](Selection& x) { x.pointMoved(s, 6, 9); }, {2, 4, 5, 9}},
      {"an unselected point moved over a selected place",
       [&](Selection& x) { x.pointMoved(s, 0, 2); }, {4, 5, 6}},
      {"truncated", [&](Selection& x) { x.pointsTruncated(s, 5); }, {2, 4}},
      {"cleared", [&](Selection& x) { x.clearPoints(s); }, {}},
      {"all of four", [&](Selection& x) { x.selectAllPoints(s, 4); }, {0, 1, 2, 3}},
      {"set, unordered and twice", [&](Selection& x) { x.setPoints(s, {3, 1, 3}); }, {1, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Selection sel;
    sel.setPoints(s, {2, 4, 5, 6});
    sel.setPoints(other, {0, 2});
    c.change(sel);
    EXPECT_EQ(sel.pointsOf(s), c.after);
    EXPECT_EQ(sel.pointsOf(other), (Ks{0, 2}));  // another shape's points stay as they were
  }
}

}  // namespace
}  // namespace pw
