// Tab "Shapes" and the object's "Properties" frame on their real widgets: the refresh from the
// selection, the greying rules, and what each control stores.
#include <QListWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "panel_fixture.h"
#include "support/paths.h"

namespace pw::uitest {
namespace {

struct Recorded {
  std::string name;
  ChangeScope scope;
  int key;
};

// The fixture with every change's scope and merge key recorded as well.
struct ShapesPanel : PanelFixture {
  std::vector<Recorded> recorded;
  explicit ShapesPanel(const std::string& root = pw::test::sourceDir()) : PanelFixture(root) {
    ed.observe([this](const Change& c) { recorded.push_back({c.name, c.scope, c.mergeKey}); });
  }
  QListWidget* list() { return static_cast<QListWidget*>(controls.widget(46)); }
  QStringList rows() {
    QStringList out;
    for (int i = 0; i < list()->count(); ++i) out << list()->item(i)->text();
    return out;
  }
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const Shape& s : object().shapes) out.push_back(s.name);
    return out;
  }
  // Three boxes "a", "b", "c"; "b" current.
  void threeShapes() {
    for (const char* n : {"a", "b", "c"}) putShape(kBox, n);
    ed.sel.shape = 1;
    refreshProperties(ctx);
    recorded.clear();
    changes.clear();
  }
};

bool enabled(PanelFixture& f, int n) { return f.controls.isEnabled(n); }

TEST(ShapesPanel, SelectionControlsAreGreyedUntilTheFirstRefresh) {
  ShapesPanel f;
  for (int n : f.controls.numbers()) {
    if (n >= 45 && n <= 107) {
      EXPECT_FALSE(enabled(f, n)) << n;
    }
  }
  EXPECT_TRUE(enabled(f, 30));  // the object's own controls are not part of the selection
  f.putShape(kBox);
  for (int n : {46, 47, 53, 54, 55, 62, 80, 83, 86}) EXPECT_TRUE(enabled(f, n)) << n;
}

TEST(ShapesPanel, TextAndImageControlsFollowTheShapeType) {
  struct Case {
    uint8_t type;
    bool text, image;
  };
  for (const Case& c : {Case{kText, true, false}, Case{kImage, false, true},
                        Case{kBox, false, false}, Case{kComplex, false, false}}) {
    SCOPED_TRACE(int{c.type});
    ShapesPanel f;
    f.putShape(c.type);
    for (int n = 70; n <= 71; ++n) EXPECT_EQ(enabled(f, n), c.text) << n;
    for (int n = 72; n <= 77; ++n) EXPECT_EQ(enabled(f, n), c.image) << n;
    EXPECT_TRUE(enabled(f, 66));
    // Greying the panel greys them whatever the type.
    enablePanelControls(f.ctx, false);
    EXPECT_FALSE(enabled(f, 70));
    EXPECT_FALSE(enabled(f, 72));
  }
}

TEST(ShapesPanel, RefreshCopiesObjectShapePointAndEffect) {
  ShapesPanel f;
  f.object().x = 12;
  f.object().y = -7;
  f.object().w = 300;
  f.object().h = 200;
  Shape& s = f.putShape(kBox, "Star");
  s.x = 40, s.y = -50, s.w = 60, s.h = 70, s.cx = 3, s.cy = -4;
  s.hidden = 1, s.locked = 1, s.link = 1, s.closed = 1;
  s.points[2].x = 111, s.points[2].y = -222, s.points[2].lockY = 1;
  s.fx.resize(2);
  s.fx[1].name = "glow";
  s.fx[1].width = 0;  // raised to 1 by the refresh
  s.fx[1].height = 8;
  s.fx[1].scale = 150;
  s.fx[1].active = 1;
  f.ed.sel.point = 2;
  f.ed.sel.fx = 1;
  refreshFxList(f.ctx);
  refreshProperties(f.ctx);
  const std::vector<std::pair<int, int>> want = {
      {30, 12}, {31, -7}, {36, 300}, {37, 200}, {62, 40}, {63, -50}, {64, 60}, {65, 70},
      {60, 3},  {61, -4}, {48, 1},   {49, 1},   {50, 1},  {51, 1},   {80, 111}, {81, -222},
      {85, 0},  {86, 1},  {92, 1},   {94, 1},   {101, 1}, {102, 8},  {104, 150},
  };
  for (const auto& [n, v] : want) EXPECT_EQ(f.controls.value(n), v) << n;
  EXPECT_EQ(f.controls.text(47), "Star");
  EXPECT_EQ(s.fx[1].width, 1);
  EXPECT_EQ(s.fx[1].dist, 1);

  // An effect index beyond the shape's effects goes back to the first.
  f.ed.sel.fx = 5;
  refreshProperties(f.ctx);
  EXPECT_EQ(f.ed.sel.fx, 0);
  EXPECT_EQ(f.controls.value(92), 0);
}

TEST(ShapesPanel, RefreshWithoutACurrentShapeTouchesNoValueButEnablesAll) {
  ShapesPanel f;
  f.putShape(kBox, "kept");
  const std::vector<std::pair<int, int>> marks = {{30, 9}, {36, 99}, {62, 5}, {64, 6},
                                                  {80, 7}, {48, 1},  {85, 1}};
  for (const auto& [n, v] : marks) f.controls.setValue(n, v);
  f.object().x = 1000;
  enablePanelControls(f.ctx, false);
  f.ed.sel.shape = -1;
  refreshProperties(f.ctx);
  for (const auto& [n, v] : marks) EXPECT_EQ(f.controls.value(n), v) << n;
  EXPECT_EQ(f.controls.text(47), "kept");
  for (int n : {47, 62, 70, 71, 72, 77}) EXPECT_TRUE(enabled(f, n)) << n;
}

TEST(ShapesPanel, EachControlStoresItsFieldAndAnnouncesOneChangeKeyedByIt) {
  struct Case {
    int control;
    int value;
    int16_t Shape::*field16;
    uint8_t Shape::*field8;
  };
  const std::vector<Case> cases = {
      {62, -30, &Shape::x, nullptr}, {63, 44, &Shape::y, nullptr},  {64, 70, &Shape::w, nullptr},
      {65, 80, &Shape::h, nullptr},  {60, -9, &Shape::cx, nullptr}, {61, 12, &Shape::cy, nullptr},
      {48, 1, nullptr, &Shape::hidden}, {49, 1, nullptr, &Shape::locked},
      {50, 1, nullptr, &Shape::link},   {51, 1, nullptr, &Shape::closed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control);
    ShapesPanel f;
    f.threeShapes();
    const int redraws = f.canvasRedraws;
    f.userSets(c.control, c.value);
    const Shape& s = f.shape(1);
    EXPECT_EQ(c.field16 ? int{s.*c.field16} : int{s.*c.field8}, c.value);
    ASSERT_EQ(f.recorded.size(), 1u);
    EXPECT_EQ(f.recorded[0].key, c.control);
    EXPECT_EQ(f.recorded[0].scope.kind, ChangeScope::kShapes);
    EXPECT_EQ(f.recorded[0].scope.shapes, std::vector<int64_t>{1});
    EXPECT_TRUE(f.ed.modified);
    // "Lock" alone needs no redraw.
    EXPECT_EQ(f.canvasRedraws - redraws, c.control == 49 ? 0 : 1);
    // The other shapes are untouched.
    EXPECT_EQ(f.shape(0).x, 0);
    EXPECT_EQ(f.shape(2).hidden, 0);
  }
}

TEST(ShapesPanel, ShapeControlsDoNothingWithoutACurrentShape) {
  ShapesPanel f;
  f.threeShapes();
  f.ed.sel.shape = -1;
  for (int n : {62, 64, 60, 48, 80, 86}) f.userSets(n, 1);
  f.userTypes(47, "x");
  f.userPresses(83);
  EXPECT_TRUE(f.recorded.empty());
  EXPECT_FALSE(f.ed.modified);
  EXPECT_EQ(f.names(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ShapesPanel, PairsReadBothFieldsAndShowWhatIsStored) {
  ShapesPanel f;
  f.threeShapes();
  f.controls.setValue(62, 7);  // shown but not yet stored
  f.userSets(63, 9);
  EXPECT_EQ(f.shape(1).x, 7);
  EXPECT_EQ(f.shape(1).y, 9);
  // Positions live in 16 bits: beyond that they stop at the limit, and the spin says so.
  f.userSets(62, 50000);
  EXPECT_EQ(f.shape(1).x, 32767);
  EXPECT_EQ(f.controls.value(62), 32767);
  f.userSets(63, -100000);
  EXPECT_EQ(f.shape(1).y, -32768);
  EXPECT_EQ(f.controls.value(63), -32768);
}

TEST(ShapesPanel, ObjectControlsStoreTheFieldThatChanged) {
  ShapesPanel f;
  f.threeShapes();
  f.object().y = 4;
  f.controls.setValue(31, 99);  // a value the panel shows but the object does not have
  f.userSets(30, 25);
  EXPECT_EQ(f.object().x, 25);
  EXPECT_EQ(f.object().y, 4);
  f.userSets(36, 100000);
  EXPECT_EQ(f.object().w, 32767);
  EXPECT_EQ(f.controls.value(36), 32767);
  f.userSets(37, 640);
  EXPECT_EQ(f.object().h, 640);
  ASSERT_EQ(f.recorded.size(), 3u);
  EXPECT_EQ(f.recorded[2].scope.kind, ChangeScope::kObjectHeader);
  EXPECT_EQ(f.recorded[2].key, 37);
}

TEST(ShapesPanel, NameEditRenamesTheRowAndIsAnUndoStepWithoutRedraw) {
  ShapesPanel f;
  f.threeShapes();
  const int redraws = f.canvasRedraws;
  f.userTypes(47, "Heart");
  EXPECT_EQ(f.shape(1).name, "Heart");
  EXPECT_EQ(f.rows(), (QStringList{"a", "Heart", "c"}));
  ASSERT_EQ(f.recorded.size(), 1u);
  EXPECT_EQ(f.recorded[0].key, 47);
  EXPECT_TRUE(f.ed.modified);
  EXPECT_EQ(f.canvasRedraws, redraws);
}

TEST(ShapesPanel, PointFieldsStoreBothLocksAndBothCoordinates) {
  ShapesPanel f;
  f.threeShapes();
  f.ed.sel.point = 3;
  refreshProperties(f.ctx);
  f.controls.setValue(80, 11);
  f.controls.setValue(81, 12);
  f.controls.setValue(85, 1);
  f.userSets(86, 1);  // only "Lock Y" is clicked
  const ShapePoint& p = f.shape(1).points[3];
  EXPECT_EQ(std::vector<int64_t>({p.x, p.y, p.lockX, p.lockY}),
            std::vector<int64_t>({11, 12, 1, 1}));
  ASSERT_EQ(f.recorded.size(), 1u);
  EXPECT_EQ(f.recorded[0].key, 86);

  // No current point: nothing is stored.
  f.ed.sel.point = 6;
  f.userSets(80, 50);
  EXPECT_EQ(f.recorded.size(), 1u);
  // Selecting another point shows its own locks, so a click never copies the old ones.
  f.shape(1).points[4].lockX = 0;
  f.ed.sel.point = 4;
  refreshProperties(f.ctx);
  EXPECT_EQ(f.controls.value(85), 0);
  EXPECT_EQ(f.controls.value(86), 0);
}

// Selecting another shape in the list shows that shape's point, or clears the point fields when
// the shape has no point of the current index: never the values of the shape selected before.
TEST(ShapesPanel, PointFieldsFollowTheShapeSelectedInTheList) {
  struct Case {
    int64_t point;           // current point index
    int from, to;            // rows: shape shown first, shape clicked
    std::vector<int64_t> x;  // 80, 81, 85, 86 afterwards
  };
  const Case cases[] = {
      {1, 0, 1, {29, 30, 0, 1}},  // "b" has a point 1: it is shown
      {3, 0, 1, {0, 0, 0, 0}},    // "b" has two points only
      {1, 0, 2, {0, 0, 0, 0}},    // "c" has none
      {3, 2, 0, {13, 14, 1, 0}},  // back to "a"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.point << ": " << c.from << " -> " << c.to);
    ShapesPanel f;
    f.threeShapes();
    f.shape(1).points.resize(2);
    f.shape(2).points.clear();
    for (int j = 0; j < 2; ++j)
      for (size_t k = 0; k < f.shape(j).points.size(); ++k) {
        ShapePoint& pt = f.shape(j).points[k];
        pt.x = 20 * j + 2 * static_cast<int64_t>(k) + 7;
        pt.y = pt.x + 1;
        pt.lockX = static_cast<uint8_t>(j == 0);
        pt.lockY = static_cast<uint8_t>(j == 1);
      }
    f.shapePanel->show();
    QListWidget* l = f.list();
    auto click = [l](int row) {
      QTest::mouseClick(l->viewport(), Qt::LeftButton, Qt::NoModifier,
                        l->visualItemRect(l->item(row)).center());
    };
    f.ed.sel.point = c.point;
    click(c.from);
    ASSERT_EQ(f.ed.sel.shape, c.from);
    const ShapePoint* before = currentPoint(f.ed.doc, f.ed.sel);
    if (before) {
      EXPECT_EQ(f.controls.value(80), before->x);
    }
    click(c.to);
    ASSERT_EQ(f.ed.sel.shape, c.to);
    EXPECT_EQ(std::vector<int64_t>({f.controls.value(80), f.controls.value(81),
                                    f.controls.value(85), f.controls.value(86)}),
              c.x);
    // A field edited now changes nothing when there is no point to store it in.
    f.userSets(80, 99);
    EXPECT_EQ(f.recorded.size(), currentPoint(f.ed.doc, f.ed.sel) ? 1u : 0u);
  }
}

TEST(ShapesPanel, HardAndSoftMoveTheNeighboursOfThePoint) {
  ShapesPanel f;
  f.threeShapes();
  auto& pts = f.shape(1).points;
  pts[0].x = 100, pts[0].y = 50;
  f.ed.sel.point = 0;
  f.userPresses(84);  // soft: previous (the last) at x + 20, next at x - 20
  EXPECT_EQ(std::vector<int64_t>({pts[5].x, pts[5].y, pts[1].x, pts[1].y}),
            std::vector<int64_t>({120, 50, 80, 50}));
  f.userPresses(83);
  EXPECT_EQ(std::vector<int64_t>({pts[5].x, pts[1].x, pts[5].hard, pts[1].hard}),
            std::vector<int64_t>({100, 100, 1, 1}));
  EXPECT_EQ(f.recorded.size(), 2u);
}

TEST(ShapesPanel, UpAndDownReorderAndStopAtTheEnds) {
  ShapesPanel f;
  f.threeShapes();
  f.ed.sel.shape = 0;
  f.userPresses(58);  // Up on the first
  f.ed.sel.shape = 2;
  f.userPresses(59);  // Down on the last
  EXPECT_TRUE(f.recorded.empty());
  EXPECT_EQ(f.names(), (std::vector<std::string>{"a", "b", "c"}));

  f.userPresses(58);
  EXPECT_EQ(f.names(), (std::vector<std::string>{"a", "c", "b"}));
  EXPECT_EQ(f.ed.sel.shape, 1);
  EXPECT_EQ(f.rows(), (QStringList{"a", "c", "b"}));
  EXPECT_EQ(f.list()->currentRow(), 1);
  EXPECT_TRUE(f.list()->item(1)->isSelected());
  f.userPresses(58);
  EXPECT_EQ(f.names(), (std::vector<std::string>{"c", "a", "b"}));
  f.userPresses(59);
  f.userPresses(59);
  EXPECT_EQ(f.names(), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(f.ed.sel.shape, 2);
  for (int64_t j = 0; j < 3; ++j) EXPECT_EQ(f.shape(j).depth, j);
  ASSERT_EQ(f.recorded.size(), 4u);
  EXPECT_EQ(f.recorded[0].scope.kind, ChangeScope::kObject);
  EXPECT_EQ(f.recorded[0].key, 58);
}

TEST(ShapesPanel, UpAndDownMoveTheShapeWhateverTheDepthValues) {
  struct Case {
    std::vector<int64_t> depths;
    int control;
    int64_t current;
  };
  for (const Case& c : {Case{{0, 0, 0}, 58, 2}, Case{{0, 0, 0}, 59, 0}, Case{{0, 5, 9}, 59, 0},
                        Case{{0, 5, 9}, 58, 2}}) {
    SCOPED_TRACE(c.control);
    ShapesPanel f;
    f.threeShapes();
    for (int64_t j = 0; j < 3; ++j) f.shape(j).depth = c.depths[static_cast<size_t>(j)];
    f.ed.sel.shape = c.current;
    const std::string moved = f.shape(c.current).name;
    f.userPresses(c.control);
    const int64_t now = c.current + (c.control == 58 ? -1 : 1);
    EXPECT_EQ(f.ed.sel.shape, now);
    EXPECT_EQ(f.shape(now).name, moved);
    for (int64_t j = 1; j < 3; ++j) EXPECT_LE(f.shape(j - 1).depth, f.shape(j).depth);
  }
}

TEST(ShapesPanel, ListClicksToggleRowsAndSelectTheClickedShape) {
  ShapesPanel f;
  f.threeShapes();
  f.ed.sel.fx = 3;
  f.shapePanel->show();
  QListWidget* l = f.list();
  auto click = [l](int row) {
    QTest::mouseClick(l->viewport(), Qt::LeftButton, Qt::NoModifier,
                      l->visualItemRect(l->item(row)).center());
  };
  click(0);
  click(2);
  EXPECT_EQ(f.ed.sel.shape, 2);
  EXPECT_EQ(f.ed.sel.fx, 0);
  const auto selected = [&f](int j) { return f.ed.sel.isSelected(f.shape(j).id) ? 1 : 0; };
  EXPECT_EQ(std::vector<int>({selected(0), selected(1), selected(2)}), std::vector<int>({1, 0, 1}));
  EXPECT_EQ(f.controls.text(47), "c");
  click(0);  // a second click on a row takes it out of the selection
  EXPECT_EQ(selected(0), 0);
  EXPECT_EQ(selected(2), 1);
  EXPECT_TRUE(f.recorded.empty());  // selecting is not an edit

  // The list follows a selection made elsewhere (the canvas).
  f.ed.sel.select(f.shape(1).id);
  f.ed.sel.select(f.shape(2).id, false);
  f.ed.sel.shape = 1;
  refreshProperties(f.ctx);
  EXPECT_EQ(f.controls.selectedRows(46), std::vector<int>{1});
  EXPECT_EQ(l->currentRow(), 1);

  // Clicks are ignored while the document is not drawing (state -1).
  f.ed.doc.DocumentState = kDocumentFresh;
  click(2);
  EXPECT_EQ(f.ed.sel.shape, 1);
}

TEST(ShapesPanel, DeletingKeepsListPropertiesAndSelectionOnExistingShapes) {
  ShapesPanel f;
  f.threeShapes();
  f.userPresses(55);
  EXPECT_EQ(f.names(), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(f.rows(), (QStringList{"a", "c"}));
  EXPECT_EQ(f.ed.sel.shape, 0);
  EXPECT_EQ(f.controls.text(47), "a");
  EXPECT_EQ(f.list()->currentRow(), 0);
  EXPECT_EQ(f.canvasFocus, 1);
  ASSERT_EQ(f.recorded.size(), 1u);
  EXPECT_EQ(f.recorded[0].scope.kind, ChangeScope::kObject);
  f.userPresses(55);
  f.userPresses(55);
  // The last one leaves an empty list and no current shape.
  EXPECT_EQ(f.list()->count(), 0);
  EXPECT_EQ(f.ed.sel.shape, -1);
  EXPECT_EQ(f.object().hasShape, 0);
  EXPECT_EQ(f.recorded.size(), 3u);
  f.userPresses(55);  // nothing left to delete
  EXPECT_EQ(f.recorded.size(), 3u);
  EXPECT_EQ(f.canvasFocus, 4);

  // The next "+" takes slot 0 again.
  f.userPresses(53);
  ASSERT_EQ(f.object().shapes.size(), 1u);
  EXPECT_EQ(f.object().hasShape, 1);
  EXPECT_EQ(f.ed.sel.shape, 0);
  EXPECT_FALSE(f.shape(0).name.empty());
  EXPECT_EQ(f.rows(), QStringList{QString::fromStdString(f.shape(0).name)});
  EXPECT_EQ(f.recorded.back().name, "Add a complex shape");
  EXPECT_EQ(f.canvasFocus, 5);
}

TEST(ShapesPanel, PlusAppendsTheChosenTemplateAndAMissingOneChangesNothing) {
  ShapesPanel f;
  f.threeShapes();
  const int star = f.controls.itemCount(54) > 1 ? 1 : 0;
  f.userSets(54, star);
  EXPECT_EQ(f.ed.doc.TemplateFileName, f.controls.itemText(54, star).toStdString());
  f.userPresses(53);
  ASSERT_EQ(f.object().shapes.size(), 4u);
  EXPECT_EQ(f.ed.sel.shape, 3);
  EXPECT_EQ(f.rows().size(), 4);
  EXPECT_EQ(f.shape(3).fx.size(), 1u);
  EXPECT_EQ(f.shape(3).fx[0].name, "FX_0");

  f.ed.doc.TemplateFileName = "no-such-template.txt";
  f.shape(3).fx[0].name = "mine";
  f.recorded.clear();
  const Object before = f.object();
  f.userPresses(53);
  EXPECT_EQ(f.names(), (std::vector<std::string>{before.shapes[0].name, before.shapes[1].name,
                                                 before.shapes[2].name, before.shapes[3].name}));
  EXPECT_EQ(f.shape(3).fx[0].name, "mine");
  EXPECT_EQ(f.ed.sel.shape, 3);
  EXPECT_TRUE(f.recorded.empty());
}

TEST(ShapesPanel, TemplateListHoldsTheTextFilesOfTheShapesFolder) {
  namespace fs = std::filesystem;
  const fs::path root =
      fs::temp_directory_path() / ("penwick-templates-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "data" / "shapes" / "folder.txt");
  for (const char* n : {"b.txt", "a.TXT", "c.png", "notes.txt.bak"})
    std::ofstream(root / "data" / "shapes" / n) << "x";
  {
    ShapesPanel f(root.string());
    QStringList items;
    for (int i = 0; i < f.controls.itemCount(54); ++i) items << f.controls.itemText(54, i);
    EXPECT_EQ(items, (QStringList{"a.TXT", "b.txt"}));
  }
  {
    ShapesPanel shipped;  // the source tree's own folder, with the default template chosen
    EXPECT_EQ(shipped.controls.text(54), "1-defaut.txt");
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace pw::uitest
