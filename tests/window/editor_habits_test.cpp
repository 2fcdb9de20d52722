// The gestures a desktop editor is expected to have, through the real window: the wheel over the
// canvas, the arrow keys, the main-keyboard shortcuts and the pop-up menus.
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QWheelEvent>
#include <cmath>

#include "app/command_ids.h"
#include "app/commands.h"
#include "ui/control_ids.h"
#include "ui/layer_panel.h"
#include "window_fixture.h"

namespace pwtest {
namespace {

using namespace pw;

class HabitsTest : public WindowTest {
 protected:
  void wheel(QPoint at, QPoint angle, QPoint pixels = {},
             Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* c = win->canvas();
    QWheelEvent e(QPointF(at), QPointF(c->mapToGlobal(at)), pixels, angle, Qt::NoButton, mods,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(c, &e);
  }
  // The current object's point shown at canvas pixel (px, py), before rounding.
  double localX(double px) const {
    return px / (ed->options.Zoom * 0.01) - static_cast<double>(ed->doc.Objects[0].x) - ed->pan.x;
  }
  double localY(double py) const {
    return py / (ed->options.Zoom * 0.01) - static_cast<double>(ed->doc.Objects[0].y) - ed->pan.y;
  }
  QString status(int field) const {
    return win->findChild<QLabel*>(QString("status%1").arg(field))->text();
  }
  // A box drawn with the box tool from (x, y), w x h canvas pixels; it becomes current.
  void drawBox(int x, int y, int w, int h) {
    ed->tools.tool = kToolBox;
    drag(QPoint(x, y), QPoint(x + w, y + h));
  }
  // A right click on `w` at `at`, as the window system reports it; the menu it opened.
  QMenu* rightClick(QWidget* w, QPoint at) {
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
    QApplication::sendEvent(w, &e);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
  }
  // Chooses the item of `command` in an open pop-up menu.
  void choose(QMenu* menu, int command) {
    ASSERT_NE(menu, nullptr);
    QAction* a = menu->findChild<QAction*>(QString("popup%1").arg(command));
    ASSERT_NE(a, nullptr) << command;
    ASSERT_TRUE(a->isEnabled()) << command;
    menu->close();
    a->trigger();
  }
  QStringList texts(QMenu* m) {
    QStringList out;
    for (QAction* a : m->actions()) out << (a->isSeparator() ? "-" : a->text());
    return out;
  }
};

TEST(WheelZoomStep, TenPercentANotchWithinItsRange) {
  struct Case {
    int64_t zoom;
    double notches;
    int64_t want;
  } cases[] = {
      {100, 1, 110},  {100, -1, 91},  {100, 2, 121},     {250, 2, 303},    {1, -1, 1},
      {1, 1, 2},      {5, 1, 6},      {100, 0.25, 102},  {3200, 1, 3200},  {3000, 1, 3200},
      {5000, 1, 5000}, {5000, -1, 4545}, {100, 0, 100},
  };
  for (const Case& c : cases)
    EXPECT_EQ(wheelZoomStep(c.zoom, c.notches), c.want) << c.zoom << " " << c.notches;
}

TEST_F(HabitsTest, CtrlWheelZoomsAboutThePointUnderTheMouse) {
  MainWindow& w = open();
  struct Case {
    int64_t zoom;
    Pan pan;
    int64_t objectX;
    QPoint at;
    QPoint angle, pixels;  // a wheel's notches, or a touchpad's pixels only
    int events;
    int64_t want;
  } cases[] = {
      {100, {0, 0}, 0, {200, 150}, {0, 120}, {}, 1, 110},
      {100, {-30, 12}, 0, {37, 211}, {0, -120}, {}, 1, 91},
      {250, {5, 5}, 40, {400, 20}, {0, 240}, {}, 1, 303},
      {100, {0, 0}, 0, {310, 90}, {}, {0, 40}, 3, 109},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "zoom " << c.zoom << " at " << c.at.x() << "," << c.at.y());
    ed->options.Zoom = c.zoom;
    ed->pan = c.pan;
    ed->doc.Objects[0].x = c.objectX;
    for (int i = 0; i < c.events; ++i) {
      const double x = localX(c.at.x()), y = localY(c.at.y());
      wheel(c.at, c.angle, c.pixels, Qt::ControlModifier);
      // The pan is whole units: the point may move by half a unit at most.
      EXPECT_LE(std::abs(localX(c.at.x()) - x), 0.5 + 1e-9);
      EXPECT_LE(std::abs(localY(c.at.y()) - y), 0.5 + 1e-9);
    }
    EXPECT_EQ(ed->options.Zoom, c.want);
    EXPECT_EQ(status(0).toStdString(), "Zoom " + std::to_string(c.want));
  }
  // The mouse position beside the zoom, in the current object's units less the pan.
  ed->doc.Objects[0].x = 0;
  ed->options.Zoom = 200;
  ed->pan = Pan{10, -4};
  QMouseEvent move(QEvent::MouseMove, QPointF(100, 60), w.canvas()->mapToGlobal(QPointF(100, 60)),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w.canvas(), &move);
  EXPECT_EQ(status(1), "X 40  Y 34");
}

TEST_F(HabitsTest, WheelScrollsTheViewAndShiftScrollsSideways) {
  open();
  struct Case {
    int64_t zoom;
    QPoint angle, pixels;
    Qt::KeyboardModifiers mods;
    int events;
    int dx, dy;  // pan change in scene units
  } cases[] = {
      {100, {0, -120}, {}, Qt::NoModifier, 1, 0, -60},
      {100, {0, 120}, {}, Qt::ShiftModifier, 1, 60, 0},
      {200, {0, 120}, {}, Qt::NoModifier, 1, 0, 30},
      {100, {}, {-8, 0}, Qt::NoModifier, 1, -8, 0},
      // A touchpad's small steps add up: 1.5 units an event.
      {200, {}, {0, 3}, Qt::NoModifier, 3, 0, 4},
  };
  for (const Case& c : cases) {
    ed->options.Zoom = c.zoom;
    ed->pan = Pan{};
    for (int i = 0; i < c.events; ++i) wheel({100, 100}, c.angle, c.pixels, c.mods);
    EXPECT_EQ(ed->pan.x, c.dx) << c.angle.y() << " " << c.pixels.y();
    EXPECT_EQ(ed->pan.y, c.dy) << c.angle.y() << " " << c.pixels.y();
    EXPECT_EQ(ed->options.Zoom, c.zoom);
  }
}

TEST_F(HabitsTest, ArrowKeysNudgeTheSelectionAsOneUndoStep) {
  open();
  drawBox(40, 30, 60, 50);
  const Shape& box = ed->doc.Objects[0].shapes[0];
  ASSERT_EQ(box.x, 40);
  const size_t steps = app.history.position();
  canvas().setFocus();
  key(Qt::Key_Right);
  key(Qt::Key_Right);
  key(Qt::Key_Right);
  key(Qt::Key_Down, Qt::ShiftModifier);
  key(Qt::Key_Up);
  EXPECT_EQ(box.x, 43);
  EXPECT_EQ(box.y, 39);
  EXPECT_EQ(app.history.position(), steps + 1);
  EXPECT_EQ(app.history.undoName(), "Move shape");
  EXPECT_TRUE(ed->modified);
  key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(box.x, 40);
  EXPECT_EQ(box.y, 30);

  // With snapping on, Shift moves by the snap step; Ctrl with an arrow is no nudge.
  ed->options.Snap = 1;
  ed->options.SnapX = 32;
  key(Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(box.x, 8);
  key(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(box.x, 8);
  // A locked shape stays.
  ed->doc.Objects[0].shapes[0].locked = 1;
  const size_t before = app.history.position();
  key(Qt::Key_Right);
  EXPECT_EQ(box.x, 8);
  EXPECT_EQ(app.history.position(), before);
}

TEST_F(HabitsTest, MainKeyboardShortcutsBesideTheKeypadOnes) {
  MainWindow& w = open();
  struct Case {
    Qt::Key key;
    int64_t from, to;
  } cases[] = {
      {Qt::Key_Equal, 100, 101}, {Qt::Key_Plus, 100, 101}, {Qt::Key_Minus, 100, 99},
      {Qt::Key_0, 37, 100},
  };
  for (const Case& c : cases) {
    ed->options.Zoom = c.from;
    ed->pan = Pan{7, 7};
    canvas().setFocus();
    key(c.key, Qt::ControlModifier);
    EXPECT_EQ(ed->options.Zoom, c.to) << c.key;
    EXPECT_EQ(ed->pan.x, 7) << c.key;
  }
  // Ctrl with the keypad's 0 is still "View Reset".
  ed->options.Zoom = 37;
  key(Qt::Key_0, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(ed->options.Zoom, 37);
  EXPECT_EQ(ed->pan, Pan{});

  // Ctrl+Q quits, after the unsaved-changes question.
  ed->setModified(true);
  key(Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(prompt.count("savechanges"), 1u);
  EXPECT_FALSE(w.quitRequested());
  prompt.answerSaveChanges(Prompt::SaveChoice::kDiscard);
  key(Qt::Key_Q, Qt::ControlModifier);
  EXPECT_TRUE(w.quitRequested());
}

TEST_F(HabitsTest, ShapePopupMenuRunsTheMenuCommandsOnTheShapeClicked) {
  MainWindow& w = open();
  drawBox(40, 30, 60, 50);
  drawBox(200, 150, 60, 50);
  Object& o = ed->doc.Objects[0];
  ASSERT_EQ(o.shapes.size(), 2u);
  ASSERT_EQ(ed->sel.shape, 1);

  QMenu* menu = rightClick(w.canvas(), {70, 55});
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->objectName(), "popupShape");
  EXPECT_EQ(ed->sel.shape, 0);  // the shape clicked is current
  EXPECT_EQ(texts(menu), QStringList({"Cut", "Copy\tCtrl+C", "Paste\tCtrl+V", "Delete\tDel", "-",
                                      "Set Shape to top (depth)", "Set Shape to bottom (depth)",
                                      "-", "Lock", "Hide"}));
  choose(menu, kCmdShapeToTop);
  EXPECT_EQ(o.shapes.back().x, 40);
  EXPECT_EQ(ed->sel.shape, 1);

  // Hide flips the shape panel's check box, whose handler makes the step.
  choose(rightClick(w.canvas(), {70, 55}), kCmdHideShape);
  EXPECT_EQ(o.shapes[1].hidden, 1);
  EXPECT_EQ(w.controls().value(kCtlShapeHide), 1);
  EXPECT_EQ(app.history.undoName(), "Hide the shape");

  // Copy here, paste on empty canvas where the menu was asked for; delete from the menu even
  // though the menu, not the canvas, had the focus.
  choose(rightClick(w.canvas(), {230, 175}), kCmdCopyShape);
  menu = rightClick(w.canvas(), {400, 300});
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->objectName(), "popupCanvas");
  choose(menu, kCmdPaste);
  ASSERT_EQ(o.shapes.size(), 3u);
  const QPoint inWindow = w.canvas()->mapTo(w.centralWidget(), QPoint(400, 300));
  EXPECT_EQ(o.shapes.back().x, inWindow.x() - ed->options.PanelW);
  EXPECT_EQ(o.shapes.back().y, inWindow.y() - ed->options.ToolBarH);
  choose(rightClick(w.canvas(), {230, 175}), kCmdDeleteShape);
  EXPECT_EQ(o.shapes.size(), 2u);
}

TEST_F(HabitsTest, CanvasAndLayerPopupMenus) {
  MainWindow& w = open();
  // Empty canvas: the view toggles, checked as the View menu is.
  QMenu* menu = rightClick(w.canvas(), {300, 200});
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->objectName(), "popupCanvas");
  EXPECT_FALSE(menu->findChild<QAction*>("popup17")->isEnabled());  // nothing copied yet
  const uint8_t grid = ed->options.ShowGrid;
  EXPECT_EQ(menu->findChild<QAction*>("popup42")->isChecked(), grid != 0);
  choose(menu, kCmdShowGrid);
  EXPECT_EQ(ed->options.ShowGrid, 1 - grid);
  EXPECT_EQ(w.action(kCmdShowGrid)->isChecked(), grid == 0);

  // A layer row: its object becomes current, the items act on it.
  w.dispatch(kCmdAddObject);
  ASSERT_EQ(ed->doc.Objects.size(), 2u);
  ASSERT_EQ(ed->sel.object, 1);
  QWidget* rows = w.layerPanel()->surface();
  const QPoint object0(60, kLayerRowHeight + 10);  // row 0 shows the highest index
  menu = rightClick(rows, object0);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->objectName(), "popupLayer");
  EXPECT_EQ(ed->sel.object, 0);
  choose(menu, kCmdHideObject);
  EXPECT_EQ(ed->doc.Objects[0].hidden, 1);
  prompt.answerInput("Sky");
  choose(rightClick(rows, object0), kCmdRenameObject);
  EXPECT_EQ(ed->doc.Objects[0].name, "Sky");
  choose(rightClick(rows, object0), kCmdLockObject);
  EXPECT_EQ(ed->doc.Objects[0].locked, 1);
  choose(rightClick(rows, object0), kCmdObjectUp);
  EXPECT_EQ(ed->doc.Objects[1].name, "Sky");
  EXPECT_EQ(ed->sel.object, 1);
  choose(rightClick(rows, {60, 10}), kCmdDeleteObject);  // Sky, now in row 0
  ASSERT_EQ(ed->doc.Objects.size(), 1u);
  EXPECT_EQ(ed->doc.Objects[0].name, "Object1");
  // Below the last row there is no menu.
  EXPECT_EQ(rightClick(rows, {60, 5 * kLayerRowHeight}), nullptr);
}

}  // namespace
}  // namespace pwtest
