// Files as a desktop editor keeps them: "Save as", the recent scenes across runs, the folder each
// kind of dialog remembers, a scene dropped on the window and a scene named at start.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "app/command_ids.h"
#include "app/remembering_prompt.h"
#include "core/scene_file.h"
#include "window_fixture.h"

namespace pwtest {
namespace {

using namespace pw;

class RecentTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    remembering.remember(&ed->options);
    fs::create_directories(dir / "scenes");
    for (const char* name : {"a.txt", "b.txt"}) writeFile(dir / "scenes" / name, sceneText(ed->doc));
    // As at a first start: the settings file holds the defaults.
    ASSERT_TRUE(saveOptions(ed->options, settingsPath().string()));
  }
  Prompt& editorPrompt() override { return remembering; }

  std::string scene(const char* name) const { return (dir / "scenes" / name).string(); }
  static void writeFile(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  // Ends the run with "Quit" and starts a new one on the settings file, as the program does.
  MainWindow& restart() {
    win->dispatch(kCmdQuit);
    EXPECT_TRUE(win->quitRequested());
    win.reset();
    ed = std::make_unique<Editor>(remembering, store);
    ed->root = dir.string();
    EXPECT_TRUE(loadOptions(ed->options, settingsPath().string(), false));
    ed->options.ShowTip = 0;
    remembering.remember(&ed->options);
    return open();
  }
  QStringList recentItems(MainWindow& w) {
    w.fillRecentMenu();
    QStringList out;
    for (QAction* a : w.findChild<QMenu*>("menuRecent")->actions())
      out << (a->isSeparator() ? "-" : (a->isEnabled() ? "" : "(off) ") + a->text());
    return out;
  }
  std::vector<std::string> recent() const { return ed->options.RecentFiles; }
  void drop(MainWindow& w, const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDropEvent e(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // As a drag does: it enters the window, then drops.
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QApplication::sendEvent(&w, &e);
    EXPECT_TRUE(e.isAccepted());
    QCoreApplication::processEvents();
  }

  RememberingPrompt remembering{prompt};
};

TEST(DialogKind, TheFilesOfferedTellTheKind) {
  struct Case {
    bool save;
    const char* filter;
    DialogKind want;
  } cases[] = {
      {false, "txt|*.txt", DialogKind::kScene},
      {true, "txt|*.txt|all|*.*", DialogKind::kScene},
      {false, "Png(.png)|*.png|Jpg|*.jpg", DialogKind::kImage},
      {false, "Png(.png)|*.png|Jpg|*.jpg|Bmp|*.bmp", DialogKind::kImage},
      {true, "png Images|*.png|All Files|*.*", DialogKind::kExport},
      {true, "SVG Images|*.svg|All Files|*.*", DialogKind::kExport},
      {false, "Presets|*.sfx", DialogKind::kOther},
      // A label is not a pattern.
      {false, "*.txt files|*.sfx", DialogKind::kOther},
  };
  for (const Case& c : cases) EXPECT_EQ(dialogKind(c.save, c.filter), c.want) << c.filter;
}

TEST_F(RecentTest, SaveAsMakesTheNewFileTheDocumentsOwn) {
  MainWindow& w = open();
  ed->setModified(true);
  prompt.answerFile((dir / "scenes" / "saved").string());
  canvas().setFocus();
  key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_TRUE(fs::exists(dir / "scenes" / "saved.txt"));
  EXPECT_EQ(ed->doc.DocumentFileName, (dir / "scenes" / "saved").string());
  EXPECT_FALSE(ed->modified);
  EXPECT_EQ(w.windowTitle(), "Penwick Animation 0.15 - saved.txt");
  EXPECT_EQ(recent(), std::vector<std::string>{scene("saved.txt")});
  // Cancelled: nothing changes.
  w.dispatch(kCmdSaveAs);
  EXPECT_EQ(ed->doc.DocumentFileName, (dir / "scenes" / "saved").string());
  EXPECT_EQ(recent().size(), 1u);
}

TEST_F(RecentTest, RecentScenesAcrossARestart) {
  MainWindow* w = &open();
  EXPECT_EQ(recentItems(*w), QStringList({"(off) No recent scenes", "-",
                                          "(off) Remove missing files", "(off) Clear the list"}));
  prompt.answerFile(scene("a.txt"));
  w->dispatch(kCmdLoad);
  prompt.answerFile(scene("b.txt"));
  w->dispatch(kCmdLoad);
  prompt.answerFile(scene("a.txt"));  // again: it moves up, not in twice
  w->dispatch(kCmdLoad);
  EXPECT_EQ(recent(), (std::vector<std::string>{scene("a.txt"), scene("b.txt")}));

  w = &restart();
  const QString a = QString::fromStdString(scene("a.txt"));
  const QString b = QString::fromStdString(scene("b.txt"));
  EXPECT_EQ(recentItems(*w), QStringList({"&1 " + a, "&2 " + b, "-",
                                          "(off) Remove missing files", "Clear the list"}));
  // A scene that is gone is greyed until removed.
  fs::remove(scene("a.txt"));
  EXPECT_EQ(recentItems(*w).front(), "(off) &1 " + a);
  w->action(kCmdRemoveMissingRecent)->trigger();
  EXPECT_EQ(recent(), std::vector<std::string>{scene("b.txt")});

  // An entry opens as "Load Object" does: the question first, then the scene.
  recentItems(*w);
  ed->setModified(true);
  w->action(kCmdOpenRecent0)->trigger();
  EXPECT_EQ(prompt.count("savechanges"), 1u);
  EXPECT_TRUE(ed->doc.DocumentFileName.empty());
  prompt.answerSaveChanges(Prompt::SaveChoice::kDiscard);
  w->action(kCmdOpenRecent0)->trigger();
  EXPECT_EQ(ed->doc.DocumentFileName, scene("b.txt"));
  EXPECT_FALSE(ed->modified);
  w->action(kCmdClearRecent)->trigger();
  EXPECT_TRUE(recent().empty());
}

TEST_F(RecentTest, QuitKeepsTheRecentListButNotTheOtherSettings) {
  MainWindow& w = open();
  w.flushSettings();
  const int64_t zoom = ed->options.Zoom;
  ed->options.Zoom = zoom + 50;
  prompt.answerFile(scene("a.txt"));
  w.dispatch(kCmdLoad);
  w.dispatch(kCmdQuit);
  sVdOptions read;
  ASSERT_TRUE(loadOptions(read, settingsPath().string(), false));
  EXPECT_EQ(read.RecentFiles, std::vector<std::string>{scene("a.txt")});
  EXPECT_EQ(read.SceneFolder, (dir / "scenes").string());
  EXPECT_EQ(read.Zoom, zoom);
}

TEST_F(RecentTest, EachKindOfDialogOpensWhereItWasLastLeft) {
  MainWindow* w = &open();
  fs::create_directories(dir / "out");
  prompt.answerFile(scene("a.txt"));
  w->dispatch(kCmdLoad);
  EXPECT_EQ(prompt.dialogs.back().initialPath, ed->rootPath("examples/"));  // the first time
  prompt.answerFile((dir / "out" / "picture.png").string());
  w->dispatch(kCmdExportSceneImage);

  w = &restart();
  w->dispatch(kCmdLoad);
  EXPECT_EQ(prompt.dialogs.back().initialPath, (dir / "scenes").string() + "/");
  w->dispatch(kCmdExportSceneImage);
  EXPECT_EQ(prompt.dialogs.back().initialPath, (dir / "out").string() + "/");
  // A folder that is gone: the dialog's own starting place again.
  fs::remove_all(dir / "scenes");
  w->dispatch(kCmdLoad);
  EXPECT_EQ(prompt.dialogs.back().initialPath, ed->rootPath("examples/"));
}

TEST_F(RecentTest, ADroppedOrNamedSceneOpensAsLoadObjectWould) {
  MainWindow& w = open(scene("b.txt"));
  EXPECT_EQ(ed->doc.DocumentFileName, scene("b.txt"));
  EXPECT_EQ(recent(), std::vector<std::string>{scene("b.txt")});

  ed->setModified(true);
  drop(w, scene("a.txt"));  // unanswered question: Cancel
  EXPECT_EQ(prompt.count("savechanges"), 1u);
  EXPECT_EQ(ed->doc.DocumentFileName, scene("b.txt"));
  prompt.answerSaveChanges(Prompt::SaveChoice::kDiscard);
  drop(w, scene("a.txt"));
  EXPECT_EQ(ed->doc.DocumentFileName, scene("a.txt"));
  EXPECT_EQ(recent().front(), scene("a.txt"));

  // Not a scene: the error of "Load Object", and the document stays.
  writeFile(dir / "notes.txt", "hello\n");
  drop(w, (dir / "notes.txt").string());
  ASSERT_FALSE(prompt.messages.empty());
  EXPECT_NE(prompt.messages.back().text.find("not a Penwick scene"), std::string::npos);
  EXPECT_EQ(ed->doc.DocumentFileName, scene("a.txt"));
  EXPECT_EQ(recent().size(), 2u);
}

}  // namespace
}  // namespace pwtest
