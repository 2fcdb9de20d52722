// Undo and redo through the real window: the Edit menu, its keys, and the steps that canvas
// drags, layer actions and menu commands make.
#include <QAbstractButton>
#include <QSpinBox>

#include "app/command_ids.h"
#include "core/scene_file.h"
#include "core/tool_state.h"
#include "ui/layer_panel.h"
#include "window_fixture.h"

namespace pwtest {
namespace {

using namespace pw;

// The document as the scene file writes it, with the current indices.
struct State {
  std::string text;
  DocState indices;
  bool operator==(const State&) const = default;
};

class UndoTest : public WindowTest {
 protected:
  State state() const { return {sceneText(ed->doc), docStateOf(ed->doc, ed->sel)}; }
  QAction* undoItem() { return win->findChild<QAction*>("cmdUndo"); }
  QAction* redoItem() { return win->findChild<QAction*>("cmdRedo"); }
  // A box drawn with the box tool from (x, y) to (x + w, y + h) in canvas pixels.
  void drawBox(int x, int y, int w, int h) {
    ed->tools.tool = kToolBox;
    drag(QPoint(x, y), QPoint(x + w, y + h));
  }
  void undoKey() {
    canvas().setFocus();
    key(Qt::Key_Z, Qt::ControlModifier);
  }
  void redoKey(bool shiftZ = false) {
    canvas().setFocus();
    if (shiftZ) {
      key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    } else {
      key(Qt::Key_Y, Qt::ControlModifier);
    }
  }
  // Undo then redo of the last step: the document goes back to `before`, then to what it is now.
  void expectUndoRedo(const State& before, const std::string& what) {
    const State after = state();
    ASSERT_NE(before, after) << what;
    undoKey();
    EXPECT_EQ(state(), before) << what;
    EXPECT_TRUE(app.history.matches(ed->doc, ed->sel)) << what;
    redoKey();
    EXPECT_EQ(state(), after) << what;
    EXPECT_TRUE(app.history.matches(ed->doc, ed->sel)) << what;
  }
};

TEST_F(UndoTest, EditMenuSitsAfterFilesAndNamesTheSteps) {
  MainWindow& w = open();
  QMenu* edit = w.findChild<QMenu*>("menuEdit");
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(w.menuBar()->actions().at(1)->menu(), edit);
  ASSERT_EQ(edit->actions().size(), 2);
  EXPECT_EQ(edit->actions()[0], undoItem());
  EXPECT_EQ(edit->actions()[1], redoItem());
  EXPECT_EQ(undoItem()->text(), "Undo\tCtrl+Z");
  EXPECT_EQ(redoItem()->text(), "Redo\tCtrl+Y");
  EXPECT_FALSE(undoItem()->isEnabled());
  EXPECT_FALSE(redoItem()->isEnabled());

  drawBox(100, 100, 40, 30);
  EXPECT_EQ(undoItem()->text(), "Undo Create Box\tCtrl+Z");
  EXPECT_TRUE(undoItem()->isEnabled());
  EXPECT_FALSE(redoItem()->isEnabled());
  w.dispatch(kCmdDeleteObject);  // a single object is never deleted: no step
  EXPECT_EQ(undoItem()->text(), "Undo Create Box\tCtrl+Z");
  undoItem()->trigger();
  EXPECT_EQ(undoItem()->text(), "Undo\tCtrl+Z");
  EXPECT_FALSE(undoItem()->isEnabled());
  EXPECT_EQ(redoItem()->text(), "Redo Create Box\tCtrl+Y");
  EXPECT_TRUE(redoItem()->isEnabled());
  // View changes and selections are not steps.
  w.dispatch(kCmdZoomIn);
  w.dispatch(kCmdShowGrid);
  w.dispatch(kCmdSelectAll);
  EXPECT_TRUE(redoItem()->isEnabled());
  EXPECT_EQ(app.history.stepCount(), 1u);
}

TEST_F(UndoTest, DragOfFiftyMovesUndoesInOneStep) {
  open();
  drawBox(100, 100, 40, 40);
  ASSERT_EQ(ed->doc.Objects[0].shapes.size(), 1u);
  const State created = state();
  const int16_t x0 = ed->doc.Objects[0].shapes[0].x;
  drag(QPoint(120, 120), QPoint(170, 145), 50);
  EXPECT_EQ(ed->doc.Objects[0].shapes[0].x, x0 + 50);
  EXPECT_EQ(app.history.stepCount(), 2u);
  EXPECT_EQ(undoItem()->text(), "Undo Move shape\tCtrl+Z");
  expectUndoRedo(created, "move");
  // Ctrl+Shift+Z redoes as Ctrl+Y does.
  undoKey();
  redoKey(true);
  EXPECT_EQ(ed->doc.Objects[0].shapes[0].x, x0 + 50);
  // Two undos go back to the empty document.
  undoKey();
  undoKey();
  EXPECT_EQ(ed->doc.Objects[0].hasShape, 0);
  EXPECT_TRUE(app.history.matches(ed->doc, ed->sel));
}

TEST_F(UndoTest, LayerActionsAreSteps) {
  MainWindow& w = open();
  drawBox(100, 100, 40, 40);
  QWidget* surface = w.findChild<QWidget*>("ctl27");
  ASSERT_NE(surface, nullptr);

  State before = state();
  prompt.answerInput("Renamed");
  QTest::mouseDClick(surface, Qt::LeftButton, Qt::NoModifier, QPoint(60, 10));
  ASSERT_EQ(ed->doc.Objects[0].name, "Renamed");
  EXPECT_EQ(undoItem()->text(), "Undo Rename the object\tCtrl+Z");
  expectUndoRedo(before, "rename");

  before = state();
  QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  ASSERT_EQ(ed->doc.Objects[0].hidden, 1);
  expectUndoRedo(before, "hide");

  // A burst on the alpha spin box is one step.
  auto* alpha = w.findChild<QSpinBox*>("ctl44");
  ASSERT_NE(alpha, nullptr);
  before = state();
  const size_t steps = app.history.stepCount();
  for (int i = 0; i < 5; ++i) alpha->stepDown();
  EXPECT_EQ(ed->doc.Objects[0].alpha, 250);
  EXPECT_EQ(app.history.stepCount(), steps + 1);
  expectUndoRedo(before, "alpha burst");
  undoKey();
  EXPECT_EQ(alpha->value(), 255);  // the panel follows the undo
}

TEST_F(UndoTest, ObjectAddDeleteAndMoveUndo) {
  MainWindow& w = open();
  drawBox(100, 100, 40, 40);
  State before = state();
  w.dispatch(kCmdAddObject);
  ASSERT_EQ(ed->doc.Objects.size(), 2u);
  expectUndoRedo(before, "add object");
  drawBox(200, 100, 30, 30);  // into the new object

  before = state();
  ed->sel.object = 0;
  w.findChild<QAbstractButton*>("ctl41")->click();  // move up
  expectUndoRedo(before, "move up");

  before = state();
  w.dispatch(kCmdDeleteObject);
  ASSERT_EQ(ed->doc.Objects.size(), 1u);
  EXPECT_EQ(undoItem()->text(), "Undo Delete the current object\tCtrl+Z");
  expectUndoRedo(before, "delete object");
  undoKey();
  EXPECT_EQ(redoItem()->text(), "Redo Delete the current object\tCtrl+Y");

  // The layer panel's own buttons: add (39) and lock (34).
  for (const char* button : {"ctl39", "ctl34"}) {
    before = state();
    w.findChild<QAbstractButton*>(button)->click();
    expectUndoRedo(before, button);
  }
}

TEST_F(UndoTest, ShapeCommandsUndo) {
  MainWindow& w = open();
  drawBox(100, 100, 40, 40);
  drawBox(200, 120, 30, 20);
  ed->sel.shape = 0;
  w.dispatch(kCmdCopyShape);  // not a step
  struct Case {
    const char* name;
    int command;
  } cases[] = {{"Paste", kCmdPaste},
               {"Set Shape to top", kCmdShapeToTop},
               {"Set shape to origin", kCmdShapeToOrigin},
               {"Paste to shape", kCmdPasteToShape}};
  for (const Case& c : cases) {
    ed->sel.shape = 0;
    ed->doc.Objects[0].shapes[0].points[0].x = 3;  // something for "to origin" to move
    ed->execute({"setup", ChangeScope::shapesOf(0, {0}), 0, nullptr});
    const State before = state();
    w.dispatch(c.command);
    EXPECT_EQ(app.history.undoName(), c.name);
    expectUndoRedo(before, c.name);
  }
}

TEST_F(UndoTest, ModifiedFlagFollowsTheSavedState) {
  MainWindow& w = open();
  drawBox(100, 100, 40, 40);
  EXPECT_EQ(w.windowTitle(), "Penwick Animation 0.15 *");
  prompt.answerFile((dir / "saved").string());
  w.dispatch(kCmdSave);
  ASSERT_FALSE(ed->modified);
  EXPECT_EQ(w.windowTitle(), "Penwick Animation 0.15 - saved.txt");
  EXPECT_EQ(app.history.stepCount(), 1u);  // saving is not a step

  drag(QPoint(120, 120), QPoint(150, 120));
  EXPECT_TRUE(ed->modified);
  undoKey();
  EXPECT_FALSE(ed->modified);
  EXPECT_EQ(w.windowTitle(), "Penwick Animation 0.15 - saved.txt");
  undoKey();  // before the save
  EXPECT_TRUE(ed->modified);
  EXPECT_EQ(w.windowTitle(), "Penwick Animation 0.15 - saved.txt *");
  redoKey();
  EXPECT_FALSE(ed->modified);
  redoKey();
  EXPECT_TRUE(ed->modified);
}

TEST_F(UndoTest, NewAndLoadStartAFreshHistory) {
  MainWindow& w = open();
  drawBox(100, 100, 40, 40);
  drawBox(200, 100, 40, 40);
  undoKey();
  ASSERT_TRUE(redoItem()->isEnabled());
  prompt.answerSaveChanges(Prompt::SaveChoice::kDiscard);
  w.dispatch(kCmdNew);
  EXPECT_FALSE(undoItem()->isEnabled());
  EXPECT_FALSE(redoItem()->isEnabled());
  EXPECT_EQ(undoItem()->text(), "Undo\tCtrl+Z");
  const State fresh = state();
  undoKey();
  EXPECT_EQ(state(), fresh);

  drawBox(100, 100, 40, 40);
  prompt.answerFile((dir / "one").string());
  w.dispatch(kCmdSave);
  w.dispatch(kCmdNew);
  prompt.answerFile((dir / "one.txt").string());
  w.dispatch(kCmdLoad);
  ASSERT_EQ(ed->doc.Objects[0].shapes.size(), 1u);
  EXPECT_FALSE(undoItem()->isEnabled());
  EXPECT_TRUE(app.history.matches(ed->doc, ed->sel));
}

TEST_F(UndoTest, NoUndoInTheMiddleOfADrag) {
  MainWindow& w = open();
  drawBox(100, 100, 40, 40);
  QWidget* c = w.canvas();
  QTest::mousePress(c, Qt::LeftButton, Qt::NoModifier, QPoint(120, 120));
  w.dispatch(kCmdUndo);
  EXPECT_EQ(ed->doc.Objects[0].shapes.size(), 1u);
  EXPECT_EQ(ed->doc.Objects[0].hasShape, 1);
  QTest::mouseRelease(c, Qt::LeftButton, Qt::NoModifier, QPoint(120, 120));
  w.dispatch(kCmdUndo);
  EXPECT_EQ(ed->doc.Objects[0].hasShape, 0);
  EXPECT_TRUE(app.history.matches(ed->doc, ed->sel));
}

// A font replaced from the panel is released; undo brings the old font back as a loaded font,
// and redo the new one, so the text never falls back to the default font.
TEST_F(UndoTest, FontChangeUndoReloadsTheReleasedFont) {
  MainWindow& w = open();
  Object& o = ed->doc.Objects[0];
  o.shapes.assign(1, Shape{});
  o.hasShape = 1;
  Shape& s = o.shapes[0];
  s.type = kText;
  s.text = "Ab";
  s.fontName = "Times New roman";
  s.fontStyle = 256;
  s.fontId = store.loadFont(s.fontName, 20, s.fontStyle);
  const int64_t oldId = s.fontId;
  ed->sel.shape = 0;
  ed->doc.DocumentState = kDocumentHasContent;
  app.history.reset(ed->doc, ed->sel, true);
  w.selectionChanged();

  prompt.answerFont(Prompt::FontChoice{"arial", 20, 512});
  emit w.controls().controlEvent(71);
  ASSERT_EQ(ed->doc.Objects[0].shapes[0].fontName, "arial");
  EXPECT_FALSE(store.isFont(oldId));  // released at once

  undoKey();
  const Shape& back = ed->doc.Objects[0].shapes[0];
  EXPECT_EQ(back.fontName, "Times New roman");
  EXPECT_EQ(back.fontStyle, 256);
  ASSERT_TRUE(store.isFont(back.fontId));
  EXPECT_EQ(store.font(back.fontId)->bold(), true);
  redoKey();
  const Shape& again = ed->doc.Objects[0].shapes[0];
  EXPECT_EQ(again.fontName, "arial");
  EXPECT_TRUE(store.isFont(again.fontId));
}

}  // namespace
}  // namespace pwtest
