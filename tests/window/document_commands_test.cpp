// Commands that change or replace the document: save, load, merge, the unsaved-changes question,
// autosave and recovery, the shape and object commands.
#include "app/autosave.h"
#include "app/command_ids.h"
#include "app/commands.h"
#include "core/create.h"
#include "core/scene_file.h"
#include "window_fixture.h"

namespace pwtest {
namespace {

using namespace pw;
using SaveChoice = Prompt::SaveChoice;

// Three boxes in object 0, created as the box tool does.
void addBoxes(Editor& ed, int n = 3) {
  const uint8_t tool = ed.tools.tool;
  ed.tools.tool = kToolBox;
  for (int i = 0; i < n; ++i) addShape(ed, 10 + 40 * i, 20 + i);
  ed.tools.tool = tool;
}

std::string writeScene(const fs::path& path, int boxes) {
  ScriptedPrompt p;
  ImageStore s;
  Editor e(p, s);
  addObject(e, 0);
  addBoxes(e, boxes);
  const std::string text = sceneText(e.doc);
  std::ofstream(path, std::ios::binary) << text;
  return text;
}

TEST_F(WindowTest, CtrlSSavesThroughTheDialogAndTitlesTheWindow) {
  MainWindow& w = open();
  addBoxes(*ed);
  ed->execute({"Create Box", {}, 0, nullptr});
  EXPECT_EQ(w.windowTitle(), "Penwick Animation 0.15 *");
  prompt.answerFile((dir / "mine").string());
  canvas().setFocus();
  key(Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(prompt.count("save"), 1u);
  EXPECT_EQ(pw::test::readFile(dir / "mine.txt"), sceneText(ed->doc));
  EXPECT_EQ(w.windowTitle(), "Penwick Animation 0.15 - mine.txt");
  EXPECT_FALSE(ed->modified);
  // The next save goes to the same file without asking.
  key(Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(prompt.count("save"), 1u);
}

TEST_F(WindowTest, LoadAndMergeAskForTheFile) {
  writeScene(dir / "two.txt", 2);
  MainWindow& w = open();
  prompt.answerFile((dir / "two.txt").string());
  w.dispatch(kCmdLoad);
  ASSERT_EQ(ed->doc.Objects.size(), 1u);
  EXPECT_EQ(ed->doc.Objects[0].shapes.size(), 2u);
  EXPECT_EQ(w.windowTitle(), "Penwick Animation 0.15 - two.txt");
  EXPECT_FALSE(ed->modified);
  prompt.answerFile((dir / "two.txt").string());
  w.dispatch(kCmdMerge);
  EXPECT_EQ(ed->doc.Objects.size(), 2u);
  EXPECT_TRUE(ed->modified);
  EXPECT_EQ(w.windowTitle(), "Penwick Animation 0.15 - two.txt *");
  // A cancelled dialog changes nothing.
  w.dispatch(kCmdMerge);
  EXPECT_EQ(ed->doc.Objects.size(), 2u);
}

struct UnsavedCase {
  const char* name;
  uint8_t confirmExit;
  std::vector<SaveChoice> answers;
  std::string saveAnswer;  // file-dialog answer for "Save" ("" = cancelled)
  bool proceeds;           // "New" went ahead
  size_t questions;
};

TEST_F(WindowTest, UnsavedChangesAreNeverLostSilently) {
  const UnsavedCase cases[] = {
      {"cancel", 1, {SaveChoice::kCancel}, "", false, 1},
      {"discard", 1, {SaveChoice::kDiscard}, "", true, 1},
      {"save-cancelled", 1, {SaveChoice::kSave}, "", false, 1},
      {"save", 1, {SaveChoice::kSave}, "saved", true, 1},
      {"no-confirm", 0, {}, "", true, 0},
  };
  for (const UnsavedCase& c : cases) {
    SCOPED_TRACE(c.name);
    ed->options.ConfirmExit = c.confirmExit;
    MainWindow& w = open();
    addBoxes(*ed);
    ed->execute({"Create Box", {}, 0, nullptr});
    prompt.dialogs.clear();
    for (SaveChoice a : c.answers) prompt.answerSaveChanges(a);
    if (!c.saveAnswer.empty()) prompt.answerFile((dir / c.saveAnswer).string());
    w.dispatch(kCmdNew);
    EXPECT_EQ(prompt.count("savechanges"), c.questions);
    EXPECT_EQ(ed->doc.Objects[0].shapes.size() == 1, c.proceeds);
    if (!c.saveAnswer.empty()) {
      EXPECT_TRUE(fs::exists(dir / (c.saveAnswer + ".txt")));
    }
    win.reset();
    prompt.saveChoices.clear();
    prompt.fileAnswers.clear();
  }
}

TEST_F(WindowTest, ClosingAModifiedDocumentAsksAndCancelKeepsTheWindow) {
  MainWindow& w = open();
  addBoxes(*ed);
  ed->execute({"Create Box", {}, 0, nullptr});
  prompt.answerSaveChanges(SaveChoice::kCancel);
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());
  prompt.answerSaveChanges(SaveChoice::kCancel);
  w.dispatch(kCmdQuit);
  EXPECT_FALSE(w.quitRequested());
  prompt.answerSaveChanges(SaveChoice::kDiscard);
  EXPECT_TRUE(w.close());
}

TEST_F(WindowTest, TheFirstAutosaveComesAfterTwoIntervals) {
  ed->options.AutosaveTime = 10;
  MainWindow& w = open();
  addBoxes(*ed);
  const fs::path file = dir / "data/shapes/_autosave" /
                        ("autosave" + std::to_string(app.autosaveStamp) + ".txt");
  EXPECT_GE(app.autosaveStamp, 0);
  EXPECT_LE(app.autosaveStamp, 1000000);
  fs::remove_all(dir / "data/shapes/_autosave");  // the folder is made when missing
  clockMs = 20000;
  w.idleWork();
  EXPECT_FALSE(fs::exists(file));
  clockMs = 20001;
  w.idleWork();
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(pw::test::readFile(file), sceneText(ed->doc));
  EXPECT_TRUE(ed->doc.DocumentFileName.empty());  // the document keeps its own name
  fs::remove(file);
  clockMs = 30001;
  w.idleWork();
  EXPECT_FALSE(fs::exists(file));
  clockMs = 30002;
  w.idleWork();
  EXPECT_TRUE(fs::exists(file));
  // Switched off: nothing more.
  fs::remove(file);
  ed->options.Autosave = 2;
  clockMs = 90000;
  w.idleWork();
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(WindowTest, ACrashedRunsAutosaveIsOfferedBack) {
  const fs::path folder = dir / "data/shapes/_autosave";
  fs::create_directories(folder);
  const std::string text = writeScene(folder / "autosave4711.txt", 2);
  std::ofstream(folder / "autosave4711.running") << "0\n";  // no process
  prompt.answerList(0);  // "Recover"
  MainWindow& w = open();
  ASSERT_EQ(prompt.count("list"), 1u);
  EXPECT_EQ(prompt.dialogs[0].initialPath, kRecoverQuestion);
  EXPECT_EQ(sceneText(ed->doc), text);
  EXPECT_TRUE(ed->modified);
  EXPECT_TRUE(ed->doc.DocumentFileName.empty());
  EXPECT_EQ(w.windowTitle(), "Penwick Animation 0.15 *");
  EXPECT_FALSE(fs::exists(folder / "autosave4711.running"));
  EXPECT_TRUE(fs::exists(folder / "autosave4711.txt"));  // autosaves stay
  // This run's own marker exists until the run ends normally.
  const fs::path own = folder / ("autosave" + std::to_string(app.autosaveStamp) + ".running");
  EXPECT_TRUE(fs::exists(own));
  w.endRun();
  EXPECT_FALSE(fs::exists(own));
}

TEST_F(WindowTest, NoRecoveryOfferForALiveRunOrAMissingAutosave) {
  const fs::path folder = dir / "data/shapes/_autosave";
  fs::create_directories(folder);
  writeScene(folder / "autosave12.txt", 1);
  std::ofstream(folder / "autosave12.running") << ::getppid() << "\n";  // alive
  std::ofstream(folder / "autosave13.running") << "0\n";                // died, no autosave
  open();
  EXPECT_EQ(prompt.count("list"), 0u);
  EXPECT_TRUE(fs::exists(folder / "autosave12.running"));
  EXPECT_FALSE(fs::exists(folder / "autosave13.running"));
}

TEST_F(WindowTest, ASceneNamedAtStartIsOpenedOrReported) {
  const std::string text = writeScene(dir / "start.txt", 3);
  MainWindow& w = open((dir / "start.txt").string());
  EXPECT_EQ(sceneText(ed->doc), text);
  EXPECT_EQ(w.windowTitle(), "Penwick Animation 0.15 - start.txt");
  win.reset();
  ed = std::make_unique<Editor>(prompt, store);
  ed->root = dir.string();
  ed->options.ShowTip = 0;
  ed->options.WinState = 0;
  open((dir / "missing.txt").string());
  ASSERT_FALSE(prompt.messages.empty());
  // The design's text, then the reason.
  EXPECT_EQ(prompt.messages.back().text, "Unable to open the file " +
                                             (dir / "missing.txt").string() +
                                             ": No such file or directory");
  EXPECT_EQ(ed->doc.Objects.size(), 1u);
  EXPECT_EQ(ed->doc.DocumentState, kDocumentFresh);
}

TEST_F(WindowTest, DeleteRemovesTheShapeOnlyWhenTheCanvasHasFocus) {
  MainWindow& w = open();
  addBoxes(*ed);
  ed->sel.shape = 1;
  w.findChild<QWidget*>("ctl22")->setFocus();  // a spin field of the tool bar
  key(Qt::Key_Delete);
  EXPECT_EQ(ed->doc.Objects[0].shapes.size(), 3u);
  canvas().setFocus();
  key(Qt::Key_Delete);
  ASSERT_EQ(ed->doc.Objects[0].shapes.size(), 2u);
  EXPECT_EQ(ed->doc.Objects[0].shapes[1].name, "Box_2");
  EXPECT_TRUE(ed->modified);
}

std::vector<std::string> names(const Object& o) {
  std::vector<std::string> v;
  for (const Shape& s : o.shapes) v.push_back(s.name);
  return v;
}

TEST_F(WindowTest, DepthOriginCopyAndPasteCommands) {
  MainWindow& w = open();
  addBoxes(*ed);
  Object& o = ed->doc.Objects[0];
  ed->sel.shape = 1;
  w.dispatch(kCmdShapeToTop);
  EXPECT_EQ(names(o), (std::vector<std::string>{"Box_0", "Box_2", "Box_1"}));
  EXPECT_EQ(ed->sel.shape, 2);
  w.dispatch(kCmdShapeToTop);  // already on top: nothing
  EXPECT_EQ(names(o), (std::vector<std::string>{"Box_0", "Box_2", "Box_1"}));
  w.dispatch(kCmdShapeToBottom);
  EXPECT_EQ(names(o), (std::vector<std::string>{"Box_1", "Box_0", "Box_2"}));
  EXPECT_EQ(ed->sel.shape, 0);
  w.dispatch(kCmdShapeToBottom);  // already first: nothing
  EXPECT_EQ(names(o)[0], "Box_1");

  Shape& s = o.shapes[0];
  s.points.assign(2, ShapePoint{});
  s.points[0].x = 5;
  s.points[0].y = 7;
  s.points[1].x = 15;
  s.points[1].y = 27;
  const int16_t x = s.x, y = s.y;
  w.dispatch(kCmdOriginToShape);
  EXPECT_EQ(s.x, x + 5);
  EXPECT_EQ(s.y, y + 7);
  EXPECT_EQ(s.points[1].x, 10);
  EXPECT_EQ(s.points[0].x, 0);
  s.points[0].x = 3;
  s.points[0].y = 4;
  w.dispatch(kCmdShapeToOrigin);
  EXPECT_EQ(s.x, x + 5);  // the position stays; the drawing moves
  EXPECT_EQ(s.points[0].x, 0);
  EXPECT_EQ(s.points[1].x, 7);
  EXPECT_EQ(s.points[1].y, 16);

  // Paste before any copy does nothing; a paste after a copy adds a shape at the mouse.
  w.dispatch(kCmdPaste);
  EXPECT_EQ(o.shapes.size(), 3u);
  w.dispatch(kCmdCopyShape);
  EXPECT_EQ(app.copyBuffer.name, "Shape_3");
  QCursor::setPos(w.centralWidget()->mapToGlobal(QPoint(300, 200)));
  w.dispatch(kCmdPaste);
  ASSERT_EQ(ed->doc.Objects[0].shapes.size(), 4u);
  const Shape& pasted = ed->doc.Objects[0].shapes[3];
  EXPECT_EQ(pasted.name, "Shape_3");
  EXPECT_EQ(ed->sel.shape, 3);
  int mx = 0, my = 0;
  w.mouseInWindow(mx, my);
  EXPECT_EQ(pasted.x, mx - 150);
  EXPECT_EQ(pasted.y, my - 30);
}

TEST_F(WindowTest, ObjectCommandsKeepOneObject) {
  MainWindow& w = open();
  w.dispatch(kCmdAddObject);
  w.dispatch(kCmdAddObject);
  ASSERT_EQ(ed->doc.Objects.size(), 3u);
  EXPECT_EQ(ed->sel.object, 2);
  EXPECT_EQ(ed->doc.Objects[2].name, "Object2");
  ed->sel.object = 1;
  w.dispatch(kCmdDeleteObject);
  ASSERT_EQ(ed->doc.Objects.size(), 2u);
  EXPECT_EQ(ed->doc.Objects[1].name, "Object2");
  EXPECT_EQ(ed->sel.object, 0);
  w.dispatch(kCmdDeleteObject);
  w.dispatch(kCmdDeleteObject);
  EXPECT_EQ(ed->doc.Objects.size(), 1u);
}

TEST_F(WindowTest, SelectAllSetsTheGrabOffsetsOfTheTool) {
  MainWindow& w = open();
  addBoxes(*ed, 2);
  ed->tools.sceneMouseX = 100;
  ed->tools.sceneMouseY = 50;
  // Move keeps the mouse's offset from the position, Scale from the size; Rotate takes none.
  const struct {
    uint8_t tool;
    std::function<std::pair<int, int>(const Shape&)> start;
  } cases[] = {
      {kToolRotate, [](const Shape& s) { return std::pair<int, int>(s.startX, s.startY); }},
      {kToolMove, [](const Shape& s) { return std::pair(100 - s.x, 50 - s.y); }},
      {kToolScale, [](const Shape& s) { return std::pair(100 - s.w, 50 + s.h); }},
  };
  for (const auto& c : cases) {
    ed->tools.tool = c.tool;
    std::vector<std::pair<int, int>> want;
    for (const Shape& s : ed->doc.Objects[0].shapes) want.push_back(c.start(s));
    w.dispatch(kCmdSelectAll);
    for (size_t j = 0; j < want.size(); ++j) {
      const Shape& s = ed->doc.Objects[0].shapes[j];
      EXPECT_TRUE(ed->sel.isSelected(s.id));
      const std::pair<int, int> start(s.startX, s.startY);
      EXPECT_EQ(start, want[j]) << int(c.tool);
    }
  }
  EXPECT_TRUE(ed->tools.multiSelect);
  w.dispatch(kCmdDeselectAll);
  EXPECT_EQ(ed->sel.shape, -1);
  EXPECT_FALSE(ed->sel.isSelected(ed->doc.Objects[0].shapes[0].id));
  EXPECT_FALSE(ed->modified);  // selection alone is no change
}

}  // namespace
}  // namespace pwtest
