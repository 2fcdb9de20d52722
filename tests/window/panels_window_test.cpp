// The side panels inside the real main window: built in place, greyed until the first refresh,
// filled by a selection on the canvas, kept in step with drags and menu commands, and quiet
// while the timeline plays.
#include <QGroupBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>

#include "app/command_ids.h"
#include "ui/control_set.h"
#include "window_fixture.h"

namespace pwtest {
namespace {

using namespace pw;

class PanelsWindow : public WindowTest {
 protected:
  QWidget* ctl(int n) { return win->findChild<QWidget*>(QString("ctl%1").arg(n)); }
  int spin(int n) { return static_cast<QSpinBox*>(ctl(n))->value(); }
  Object& object() { return ed->doc.Objects[static_cast<size_t>(ed->sel.object)]; }
  Shape& shape(int64_t j) { return object().shapes[static_cast<size_t>(j)]; }

  // Two boxes, "B0" at (100, 100) and "B1" at (300, 100), 40 x 40; B0 current.
  void twoBoxes() {
    Object& o = object();
    o.shapes.clear();
    o.shapes.resize(2);  // two shapes, not two copies of one
    o.hasShape = 1;
    for (int j = 0; j < 2; ++j) {
      Shape& s = o.shapes[static_cast<size_t>(j)];
      s.type = kBox;
      s.name = "B" + std::to_string(j);
      s.x = static_cast<int16_t>(100 + 200 * j);
      s.y = 100;
      s.w = s.h = 40;
      s.alpha = 255;
      s.color = kShapeColor;
      s.depth = j;
      s.lineW = s.lineH = s.lineDist = 5;
      s.points.assign(1, ShapePoint{});
    }
    ed->doc.DocumentState = kDocumentHasContent;
    ed->sel.shape = 0;
    win->selectionChanged();
    win->redrawCanvas();
  }
};

TEST_F(PanelsWindow, PanelsAreBuiltInPlaceAndGreyedUntilTheFirstRefresh) {
  WindowConfig cfg;
  cfg.settingsPath = settingsPath().string();
  cfg.clock = [this] { return clockMs; };
  win = std::make_unique<MainWindow>(*ed, store, app, cfg);
  win->show();
  auto* shapePanel = win->findChild<QTabWidget*>("ctl25");
  auto* objectPanel = win->findChild<QTabWidget*>("ctl115");
  ASSERT_TRUE(shapePanel && objectPanel);
  const std::vector<std::pair<int, QWidget*>> where = {
      {46, shapePanel->widget(0)}, {62, shapePanel->widget(0)}, {86, shapePanel->widget(0)},
      {57, shapePanel->widget(1)}, {92, shapePanel->widget(2)}, {30, objectPanel->widget(0)},
      {118, objectPanel->widget(1)},
  };
  for (const auto& [n, tab] : where) {
    ASSERT_NE(ctl(n), nullptr) << n;
    EXPECT_TRUE(tab->isAncestorOf(ctl(n))) << n;
  }
  for (int n : {46, 47, 53, 55, 62, 70, 80, 92, 104}) EXPECT_FALSE(ctl(n)->isEnabled()) << n;
  // The object's fields sit in the "Properties" frame, below the layer list, and fit in it.
  auto* frame = win->findChild<QGroupBox*>("frameProperties");
  ASSERT_NE(frame, nullptr);
  for (int n : {30, 31, 36, 37}) {
    EXPECT_EQ(ctl(n)->parentWidget(), frame) << n;
    EXPECT_LE(ctl(n)->geometry().bottom(), frame->height()) << n;
  }
  // The templates of the data folder are offered, the default one chosen.
  auto& controls = win->controls();
  EXPECT_EQ(controls.itemCount(54), 4);
  EXPECT_EQ(controls.text(54), "1-defaut.txt");

  win->start();
  for (int n : {46, 47, 53, 55, 62, 80, 92, 104}) EXPECT_TRUE(ctl(n)->isEnabled()) << n;
  // The start-up object has no shape yet: no text or image controls for its placeholder.
  EXPECT_FALSE(ctl(70)->isEnabled());
  EXPECT_FALSE(ctl(72)->isEnabled());
}

TEST_F(PanelsWindow, SelectingAShapeOnTheCanvasFillsThePanels) {
  open();
  twoBoxes();
  auto* list = static_cast<QListWidget*>(ctl(46));
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(win->controls().text(47), "B0");
  EXPECT_EQ(spin(62), 100);

  QTest::mouseClick(&canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(320, 120));
  EXPECT_EQ(ed->sel.shape, 1);
  EXPECT_EQ(win->controls().text(47), "B1");
  EXPECT_EQ(spin(62), 300);
  EXPECT_EQ(spin(64), 40);
  EXPECT_EQ(list->currentRow(), 1);
  EXPECT_EQ(win->controls().selectedRows(46), std::vector<int>{1});

  // A drag of the shape shows its new position at once.
  drag(QPoint(320, 120), QPoint(330, 150));
  EXPECT_EQ(shape(1).x, 310);
  EXPECT_EQ(spin(62), 310);
  EXPECT_EQ(spin(63), 130);
}

TEST_F(PanelsWindow, PanelEditsAreUndoStepsAndDeleteFromTheMenuRefreshesTheList) {
  open();
  twoBoxes();
  auto& controls = win->controls();
  controls.setValue(64, 90);
  emit controls.controlEvent(64);
  EXPECT_EQ(shape(0).w, 90);
  EXPECT_TRUE(ed->modified);
  EXPECT_TRUE(app.history.canUndo());
  EXPECT_EQ(app.history.undoName(), "Resize the shape");

  canvas().setFocus();
  win->dispatch(kCmdDeleteShape);
  ASSERT_EQ(object().shapes.size(), 1u);
  auto* list = static_cast<QListWidget*>(ctl(46));
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), "B1");
  EXPECT_EQ(controls.text(47), "B1");
  EXPECT_EQ(spin(62), 300);
}

TEST_F(PanelsWindow, WhilePlayingOnlyPlayReachesItsHandler) {
  open();
  twoBoxes();
  std::vector<int> timeline;
  win->timelineEvent = [&timeline](int n) {
    const bool mine = n >= 109 && n <= 114;
    if (mine) timeline.push_back(n);
    return mine;
  };
  auto& controls = win->controls();
  app.playing = true;
  controls.setValue(62, 5);
  emit controls.controlEvent(62);
  emit controls.controlEvent(110);
  emit controls.controlEvent(109);
  EXPECT_EQ(shape(0).x, 100);
  EXPECT_EQ(timeline, std::vector<int>{109});
  app.playing = false;
  emit controls.controlEvent(62);
  emit controls.controlEvent(111);
  EXPECT_EQ(shape(0).x, 5);
  EXPECT_EQ(timeline, (std::vector<int>{109, 111}));
  // A point dragged on the canvas shows in the point fields.
  ed->showPointPosition(-12, 34);
  EXPECT_EQ(spin(80), -12);
  EXPECT_EQ(spin(81), 34);
}

}  // namespace
}  // namespace pwtest
