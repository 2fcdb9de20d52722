#include "ui/layer_panel.h"

#include <gtest/gtest.h>

#include <QScrollArea>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <optional>
#include <string>

#include "core/create.h"
#include "ui_fixture.h"

namespace pw {
namespace {

class LayerPanelTest : public ::testing::Test {
 protected:
  uitest::UiEditor u;
  Editor& ed = u.ed;
  Document& doc = u.ed.doc;
  Selection& sel = u.ed.sel;
  EditorIcons icons = uitest::plainIcons();

  // Objects 0 to n - 1 named "Object0"... with depths 0 to n - 1, as the window makes them.
  void makeObjects(int n) {
    addObject(ed, 0);
    for (int i = 1; i < n; ++i) addObject(ed, 1);
    u.changes.clear();
  }
  std::string names() const {
    std::string s;
    for (const Object& o : doc.Objects) s += o.name + ",";
    return s;
  }
  static QColor pixel(LayerPanel& p, int x, int y) {
    return p.surface()->grab().toImage().pixelColor(x, y);
  }
  static void click(LayerPanel& p, int number) {
    auto* b = p.findChild<QToolButton*>(QStringLiteral("ctl%1").arg(number));
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton);
  }
};

TEST_F(LayerPanelTest, ControlsSitWhereTheLayoutPutsThem) {
  makeObjects(1);
  LayerPanel p(ed, icons, 150);
  struct Geo {
    const char* name;
    QRect rect;
    const char* tip;
  };
  const Geo cases[] = {
      {"ctl44", {5, 10, 50, 20}, "Change the alpha of the object (layer)."},
      {"ctl34", {5, 33, 20, 25}, "Lock the object (layer)."},
      {"ctl26", {5, 61, 130, 200}, ""},
      {"ctl39", {5, 264, 20, 20}, "Add a new Object (layer)."},
      {"ctl40", {28, 264, 20, 20}, "Delete the current Object (Layer)."},
      {"ctl41", {51, 264, 20, 20}, "Move the Object (Layer) up."},
      {"ctl42", {74, 264, 20, 20}, "Move the Object (Layer) down."},
  };
  for (const Geo& g : cases) {
    SCOPED_TRACE(g.name);
    auto* w = p.findChild<QWidget*>(g.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), g.rect);
    EXPECT_EQ(w->toolTip().toStdString(), g.tip);
  }
  EXPECT_EQ(p.surface()->objectName(), "ctl27");
  EXPECT_EQ(p.findChild<QScrollArea*>("ctl26")->widget(), p.surface());
  EXPECT_EQ(p.findChild<QSpinBox*>("ctl44")->maximum(), 255);
  EXPECT_EQ(LayerPanel::kUsedHeight, 292);
}

TEST_F(LayerPanelTest, ClickRowArithmeticWithThreeObjects) {
  struct Case {
    int x, y;
    int64_t current;  // expected current object afterwards (starting from 1)
    int hiddenFlip;   // object whose hidden flag flips, -1 none
  };
  const Case cases[] = {
      {40, 10, 2, -1},   // top row: the highest index
      {40, 60, 0, -1},   // third row: object 0
      {40, 35, 1, -1},
      {40, 200, 0, -1},  // below the last row: limited to 0
      {10, 10, 1, 2},    // eye column of the top row: hides object 2, selection stays
      {10, 60, 1, 0},
      {10, 280, 1, 0},
      {25, 10, 1, -1},   // the column's edge does nothing
  };
  makeObjects(3);
  LayerPanel p(ed, icons, 150);
  p.show();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    for (Object& o : doc.Objects) o.hidden = 0;
    sel.object = 1;
    sel.shape = 3;
    u.changes.clear();
    QTest::mouseClick(p.surface(), Qt::LeftButton, {}, QPoint(c.x, c.y));
    EXPECT_EQ(sel.object, c.current);
    EXPECT_EQ(sel.shape, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(doc.Objects[i].hidden, i == c.hiddenFlip ? 1 : 0) << i;
    // Only a hide is a change of the document; selecting a layer is not.
    EXPECT_EQ(u.changes.size(), c.hiddenFlip >= 0 ? 1u : 0u);
  }
}

TEST_F(LayerPanelTest, EyeAndLockMarksFollowTheFlags) {
  makeObjects(3);
  LayerPanel p(ed, icons, 150);
  p.show();
  // Row 0 shows object 2 (current: selected background), row 1 object 1.
  EXPECT_EQ(pixel(p, 12, 12), uitest::kEyeColor);
  EXPECT_EQ(pixel(p, 1, 1), uitest::kRowSelColor);
  EXPECT_EQ(pixel(p, 1, 26), uitest::kRowColor);
  EXPECT_EQ(pixel(p, 50, 100), QColor(100, 100, 100));  // below the rows
  EXPECT_EQ(pixel(p, 95, 12), uitest::kRowSelColor);    // not locked: no lock mark

  QTest::mouseClick(p.surface(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(doc.Objects[2].hidden, 1);
  EXPECT_EQ(pixel(p, 12, 12), uitest::kRowSelColor);
  EXPECT_EQ(pixel(p, 12, 37), uitest::kEyeColor);  // other rows keep theirs
  QTest::mouseClick(p.surface(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(doc.Objects[2].hidden, 0);
  EXPECT_EQ(pixel(p, 12, 12), uitest::kEyeColor);
  EXPECT_EQ(u.changes, (std::vector<std::string>{"Hide the object", "Show the object"}));

  click(p, 34);
  EXPECT_EQ(doc.Objects[2].locked, 1);
  EXPECT_EQ(pixel(p, 95, 12), uitest::kLockColor);
  click(p, 34);
  EXPECT_EQ(doc.Objects[2].locked, 0);
  EXPECT_EQ(pixel(p, 95, 12), uitest::kRowSelColor);
  EXPECT_EQ(u.changes.back(), "Unlock the object");
  EXPECT_EQ(u.changes.size(), 4u);
}

TEST_F(LayerPanelTest, ManyObjectsStayReachable) {
  makeObjects(20);
  LayerPanel p(ed, icons, 150);
  EXPECT_GE(p.surface()->height(), 20 * 25);
  QTest::mouseClick(p.surface(), Qt::LeftButton, {}, QPoint(40, 19 * 25 + 5));
  EXPECT_EQ(sel.object, 0);
}

TEST_F(LayerPanelTest, RenameOnDoubleClick) {
  makeObjects(3);
  LayerPanel p(ed, icons, 150);
  p.show();
  const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
  struct Case {
    std::optional<std::string> answer;
    std::string expected;
  };
  const Case cases[] = {
      {thirty, thirty.substr(0, 20)},
      {std::string(""), thirty.substr(0, 20)},         // empty answer keeps the name
      {std::nullopt, thirty.substr(0, 20)},            // cancelled
      {std::string("h\xC3\xA9llo"), "h\xC3\xA9llo"},   // UTF-8 names stay whole
  };
  size_t dialogs = 0;
  for (const Case& c : cases) {
    u.prompt.answerInput(c.answer);
    const std::string before = doc.Objects[1].name;
    QTest::mouseDClick(p.surface(), Qt::LeftButton, {}, QPoint(40, 35));
    EXPECT_EQ(sel.object, 1);
    EXPECT_EQ(doc.Objects[1].name, c.expected);
    ASSERT_EQ(u.prompt.count("input"), ++dialogs);
    const ScriptedPrompt::Dialog& d = u.prompt.dialogs.back();
    EXPECT_EQ(d.title, "New Name");
    EXPECT_EQ(d.initialPath, "Set the name for this object");
    EXPECT_EQ(d.filter, before);  // preset to the current name
  }
  EXPECT_EQ(u.changes, (std::vector<std::string>{"Rename the object", "Rename the object"}));
  // A double-click on the eye column asks nothing.
  QTest::mouseDClick(p.surface(), Qt::LeftButton, {}, QPoint(10, 35));
  EXPECT_EQ(u.prompt.count("input"), dialogs);
}

TEST_F(LayerPanelTest, ListShowsTwelveCharactersOfTheName) {
  makeObjects(1);
  LayerPanel p(ed, icons, 150);
  const auto shown = [&](const std::string& name) {
    doc.Objects[0].name = name;
    p.drawLayerList(false);
    return p.surface()->grab().toImage().copy(0, 0, 108, 25);
  };
  const QImage twelve = shown("abcdefghijkl");
  EXPECT_EQ(shown("abcdefghijklmnopqrst"), twelve);
  EXPECT_EQ(shown("abcdefghijklm"), twelve);
  EXPECT_NE(shown("abcdefghijkw"), twelve);  // the twelfth character is drawn
  EXPECT_NE(shown("abcdefghijk"), twelve);
}

TEST_F(LayerPanelTest, UpDownExchangeAndTheMovedObjectStaysCurrent) {
  makeObjects(3);
  LayerPanel p(ed, icons, 150);
  sel.object = 1;
  click(p, 41);
  EXPECT_EQ(names(), "Object0,Object2,Object1,");
  EXPECT_EQ(sel.object, 2);
  EXPECT_EQ(doc.Objects[2].depth, 2);
  sel.object = 1;
  click(p, 42);
  EXPECT_EQ(names(), "Object2,Object0,Object1,");
  EXPECT_EQ(sel.object, 0);
  EXPECT_EQ(u.changes, (std::vector<std::string>{"Move the object up", "Move the object down"}));

  // At the ends nothing moves and nothing is announced.
  sel.object = 2;
  click(p, 41);
  sel.object = 0;
  click(p, 42);
  EXPECT_EQ(names(), "Object2,Object0,Object1,");
  EXPECT_EQ(u.changes.size(), 2u);

  // Equal depths (after a delete and an add) still exchange the two objects.
  doc.Objects[0].depth = doc.Objects[1].depth = 5;
  click(p, 41);
  EXPECT_EQ(names(), "Object0,Object2,Object1,");
  EXPECT_EQ(sel.object, 1);
}

// A second press of Up or Down moves the same object on, and the highlight follows it.
TEST_F(LayerPanelTest, TwoPressesMoveTheSameObjectTwice) {
  struct Case {
    int button;             // 41 up, 42 down
    int64_t start;          // current object before the presses
    bool equalDepths;       // every object at one depth (after deletes and adds)
    const char* order;      // names afterwards, index 0 first
    int64_t current;        // current object afterwards
    size_t moves;           // announced moves
  };
  const Case cases[] = {
      {41, 0, false, "Object1,Object2,Object0,Object3,", 2, 2},
      {42, 3, false, "Object0,Object3,Object1,Object2,", 1, 2},
      {41, 2, false, "Object0,Object1,Object3,Object2,", 3, 1},  // the second press is at the top
      {42, 1, false, "Object1,Object0,Object2,Object3,", 0, 1},  // ... at the bottom
      {41, 1, true, "Object0,Object2,Object3,Object1,", 3, 2},
      {42, 2, true, "Object2,Object0,Object1,Object3,", 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.button << " from " << c.start);
    doc.Objects.assign(1, Object{});
    makeObjects(4);
    if (c.equalDepths)
      for (Object& o : doc.Objects) o.depth = 7;
    LayerPanel p(ed, icons, 150);
    p.show();
    sel.object = c.start;
    click(p, c.button);
    click(p, c.button);
    EXPECT_EQ(names(), c.order);
    EXPECT_EQ(sel.object, c.current);
    EXPECT_EQ(u.changes.size(), c.moves);
    // The highlighted row is the moved object's: row r shows object 3 - r.
    for (int row = 0; row < 4; ++row)
      EXPECT_EQ(pixel(p, 1, row * 25 + 1), 3 - row == c.current ? uitest::kRowSelColor
                                                                 : uitest::kRowColor)
          << row;
  }
}

TEST_F(LayerPanelTest, AddAndDeleteKeepAtLeastOneObject) {
  makeObjects(1);
  LayerPanel p(ed, icons, 150);
  p.show();
  click(p, 39);
  ASSERT_EQ(doc.Objects.size(), 2u);
  EXPECT_EQ(sel.object, 1);
  EXPECT_EQ(pixel(p, 1, 1), uitest::kRowSelColor);  // the new object is on top and current
  EXPECT_EQ(pixel(p, 1, 26), uitest::kRowColor);
  click(p, 40);
  ASSERT_EQ(doc.Objects.size(), 1u);
  EXPECT_EQ(doc.Objects[0].name, "Object0");
  EXPECT_EQ(sel.object, 0);
  EXPECT_EQ(pixel(p, 1, 26), QColor(100, 100, 100));
  click(p, 40);
  EXPECT_EQ(doc.Objects.size(), 1u);
  EXPECT_EQ(u.changes, (std::vector<std::string>{"Add a new object", "Delete the current object"}));
}

TEST_F(LayerPanelTest, AlphaAndFullRedraw) {
  makeObjects(2);
  int shapeLists = 0, fxLists = 0, props = 0;
  ed.listen(Shown::kShapeList, [&](const Notice&) { ++shapeLists; });
  ed.listen(Shown::kFxList, [&](const Notice&) { ++fxLists; });
  ed.listen(Shown::kProperties, [&](const Notice&) { ++props; });
  LayerPanel p(ed, icons, 150);
  auto* alpha = p.findChild<QSpinBox*>("ctl44");
  EXPECT_EQ(alpha->value(), 255);
  const int redraws = u.canvasRedraws;
  alpha->setValue(100);
  EXPECT_EQ(doc.Objects[1].alpha, 100);
  EXPECT_EQ(u.canvasRedraws, redraws + 1);
  EXPECT_EQ(u.changes, std::vector<std::string>{"Change the object alpha"});

  // Selecting another layer shows its alpha without changing anything.
  QTest::mouseClick(p.surface(), Qt::LeftButton, {}, QPoint(40, 30));
  EXPECT_EQ(sel.object, 0);
  EXPECT_EQ(alpha->value(), 255);
  EXPECT_EQ(doc.Objects[1].alpha, 100);
  EXPECT_EQ(u.changes.size(), 1u);
  EXPECT_EQ(shapeLists, 1);
  EXPECT_EQ(fxLists, 1);
  EXPECT_EQ(props, 1);
  EXPECT_EQ(u.canvasRedraws, redraws + 2);
}

}  // namespace
}  // namespace pw
