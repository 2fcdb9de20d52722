// Start-up after runs that died: every crashed run is offered, newest first, and a run's marker
// goes only once the user recovered or dismissed it; a data folder that cannot be written is
// reported once and turns autosave off for the run.
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "app/autosave.h"
#include "app/qt_prompt.h"
#include "core/create.h"
#include "core/scene_file.h"
#include "window_fixture.h"

namespace pwtest {
namespace {

using namespace pw;

// The id of a process that has already ended: a child that exited and was reaped.
long deadPid() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return static_cast<long>(child);
}

// A scene of `boxes` boxes in object 0, as text.
std::string recoverySceneText(int boxes) {
  ScriptedPrompt p;
  ImageStore s;
  Editor e(p, s);
  addObject(e, 0);
  const uint8_t tool = e.tools.tool;
  e.tools.tool = kToolBox;
  for (int i = 0; i < boxes; ++i) addShape(e, 10 + 40 * i, 20 + i);
  e.tools.tool = tool;
  return sceneText(e.doc);
}

struct DeadRun {
  int64_t stamp;
  int boxes;
  int ageSeconds;         // how long before now its autosave was written
  const char* marker;     // the marker's text after the process id
};

// Three dead runs (one with a marker of the older, id-only kind) and one of a live process.
const DeadRun kRuns[] = {
    {101, 1, 300, "/scenes/old.txt\n"},
    {202, 2, 100, ""},
    {303, 3, 200, "/scenes/mid.txt\n"},
};
constexpr int64_t kLiveStamp = 404;

class RecoveryTest : public WindowTest {
 protected:
  // A new editor for the next start in the same folder, as a new run would have.
  void restart() {
    win.reset();
    ed = std::make_unique<Editor>(prompt, store);
    ed->root = dir.string();
    ed->options.ShowTip = 0;
    ed->options.WinState = 0;
    app.autosaveBlocked = false;
    prompt.dialogs.clear();
    prompt.messages.clear();
    prompt.warnings.clear();
  }
  fs::path folder() const { return dir / "data/shapes/_autosave"; }
  fs::path marker(int64_t stamp) const {
    return folder() / ("autosave" + std::to_string(stamp) + ".running");
  }
  void leaveRuns() {
    fs::create_directories(folder());
    const long dead = deadPid();
    const auto now = fs::file_time_type::clock::now();
    for (const DeadRun& r : kRuns) {
      const fs::path save = folder() / ("autosave" + std::to_string(r.stamp) + ".txt");
      pw::test::writeFile(save, recoverySceneText(r.boxes));
      fs::last_write_time(save, now - std::chrono::seconds(r.ageSeconds));
      pw::test::writeFile(marker(r.stamp), std::to_string(dead) + "\n" + r.marker);
    }
    pw::test::writeFile(folder() / "autosave404.txt", recoverySceneText(4));
    pw::test::writeFile(marker(kLiveStamp), std::to_string(::getppid()) + "\n");
  }
  std::vector<std::string> offered() const {
    std::vector<std::string> lines;
    for (const ScriptedPrompt::Dialog& d : prompt.dialogs) {
      if (d.kind != "list") continue;
      std::istringstream in(d.filter);
      for (std::string l; std::getline(in, l);) lines.push_back(l.substr(0, l.find(" (")));
    }
    return lines;
  }
};

struct RecoveryCase {
  const char* name;
  int button;  // 0 "Recover", 1 "Dismiss all", -1 Cancel
  int item;
  size_t boxes;  // shapes of object 0 after start-up
  std::vector<int64_t> markersLeft;
};

TEST_F(RecoveryTest, EveryCrashedRunIsOfferedNewestFirstUntilRecoveredOrDismissed) {
  const RecoveryCase cases[] = {
      {"recover-second", 0, 1, 3, {101, 202, kLiveStamp}},
      {"recover-newest", 0, 0, 2, {101, 303, kLiveStamp}},
      {"dismiss-all", 1, 0, 1, {kLiveStamp}},
      {"cancel", -1, 0, 1, {101, 202, 303, kLiveStamp}},
  };
  for (const RecoveryCase& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    fs::remove_all(folder());
    leaveRuns();
    prompt.answerList(c.button, c.item);
    open();
    ASSERT_EQ(prompt.count("list"), 1u);
    EXPECT_EQ(prompt.dialogs[0].title, kAppTitle);
    EXPECT_EQ(prompt.dialogs[0].initialPath, kRecoverQuestion);
    EXPECT_EQ(offered(), (std::vector<std::string>{"Unsaved scene", "mid.txt", "old.txt"}));
    EXPECT_EQ(ed->doc.Objects[0].shapes.size(), c.boxes);
    EXPECT_EQ(ed->modified, c.button == 0);
    std::vector<int64_t> left;
    for (int64_t s : {101, 202, 303, 404})
      if (fs::exists(marker(s))) left.push_back(s);
    EXPECT_EQ(left, c.markersLeft);
    for (const DeadRun& r : kRuns)  // the autosaves themselves stay
      EXPECT_TRUE(fs::exists(folder() / ("autosave" + std::to_string(r.stamp) + ".txt")));
  }
}

TEST_F(RecoveryTest, RunsNotRecoveredAreOfferedAgainAtTheNextStart) {
  leaveRuns();
  prompt.answerList(0, 2);  // recovers old.txt's run
  open();
  restart();
  prompt.answerList(-1);
  open();
  EXPECT_EQ(offered(), (std::vector<std::string>{"Unsaved scene", "mid.txt"}));
}

TEST_F(RecoveryTest, ANewRunNeverTakesTheStampOfACrashedRun) {
  open();
  const int64_t taken = app.autosaveStamp;  // the stamp the same seed draws again
  restart();
  fs::create_directories(folder());
  const std::string text = recoverySceneText(2);
  const fs::path save = folder() / ("autosave" + std::to_string(taken) + ".txt");
  pw::test::writeFile(save, text);
  pw::test::writeFile(marker(taken), std::to_string(deadPid()) + "\n");
  ed->options.AutosaveTime = 10;
  prompt.answerList(-1);
  MainWindow& w = open();
  EXPECT_NE(app.autosaveStamp, taken);
  EXPECT_EQ(offered().size(), 1u);
  clockMs = 30000;
  w.idleWork();
  EXPECT_EQ(pw::test::readFile(save), text);
  EXPECT_TRUE(fs::exists(marker(taken)));
}

TEST_F(RecoveryTest, TheMarkerNamesTheSceneOfTheLastAutosave) {
  ed->options.AutosaveTime = 10;
  MainWindow& w = open();
  const fs::path own = marker(app.autosaveStamp);
  EXPECT_EQ(pw::test::readFile(own), std::to_string(::getpid()) + "\n\n");
  ed->doc.DocumentFileName = (dir / "walk.txt").string();
  clockMs = 30000;
  w.idleWork();
  EXPECT_EQ(pw::test::readFile(own),
            std::to_string(::getpid()) + "\n" + (dir / "walk.txt").string() + "\n");
  // As the next start sees it once the run has died.
  pw::test::writeFile(own, std::to_string(deadPid()) + "\n" + (dir / "walk.txt").string() + "\n");
  const std::vector<CrashedRun> runs = findCrashedRuns(*ed, -1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(crashedRunLabel(runs[0]).substr(0, 20), "walk.txt (autosaved ");
}

TEST(RecoveryLabel, NamesTheSceneAndTheLocalTimeOfTheAutosave) {
  struct tm t {};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 0;
  t.tm_mday = 2;
  t.tm_hour = 3;
  t.tm_min = 4;
  t.tm_sec = 5;
  t.tm_isdst = -1;
  CrashedRun run;
  run.savedAt = static_cast<int64_t>(std::mktime(&t));
  run.sceneFile = "/a/b/walk.txt";
  EXPECT_EQ(crashedRunLabel(run), "walk.txt (autosaved 2026-01-02 03:04:05)");
  run.sceneFile.clear();
  EXPECT_EQ(crashedRunLabel(run), "Unsaved scene (autosaved 2026-01-02 03:04:05)");
}

struct ListDialogCase {
  const char* name;
  int row;             // the entry the user selects
  const char* button;  // the button clicked
  int answer;
  int item;            // `item` afterwards (7: untouched)
};

// The list question of the window, answered by clicking in the real dialog.
TEST(RecoveryListDialog, ReturnsTheButtonAndTheSelectedEntry) {
  const ListDialogCase cases[] = {
      {"recover", 1, "Recover", 0, 1},
      {"dismiss", 2, "Dismiss all", 1, 2},
      {"cancel", 1, "Cancel", -1, 7},
  };
  for (const ListDialogCase& c : cases) {
    SCOPED_TRACE(c.name);
    bool clicked = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QWidget* dlg = QApplication::activeModalWidget();
      if (!dlg || clicked) return;
      poll.stop();
      auto* list = dlg->findChild<QListWidget*>();
      if (!list) {
        ADD_FAILURE() << "no list";
        dlg->close();
        return;
      }
      EXPECT_EQ(list->count(), 3);
      EXPECT_EQ(list->currentRow(), 0);  // the newest is selected first
      list->setCurrentRow(c.row);
      for (QPushButton* b : dlg->findChildren<QPushButton*>()) {
        if (b->text().remove('&') != c.button || clicked) continue;
        clicked = true;
        b->click();
      }
      if (!clicked) {  // never leave the test waiting on the dialog
        ADD_FAILURE() << "no button " << c.button;
        dlg->close();
      }
    });
    poll.start();
    QtPrompt prompt;
    int item = 7;
    const int answer = prompt.chooseFromList(kAppTitle, kRecoverQuestion, {"a", "b", "c"},
                                             {kRecoverButton, kDismissAllButton}, item);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(item, c.item);
  }
}

struct UnwritableCase {
  const char* name;
  bool blockAutosave;  // a file stands where the autosave folder should be
  bool blockReport;    // a file stands where the fault report's folder should be
  std::vector<std::string> said;
};

TEST_F(RecoveryTest, ADataFolderThatCannotBeWrittenIsReportedOnceAndAutosaveStops) {
  const UnwritableCase cases[] = {
      {"writable", false, false, {}},
      {"autosave", true, false, {"data/shapes/_autosave/", "autosave is off"}},
      {"report", false, true, {"blocker/", "crash reports go to the terminal only"}},
      {"both", true, true, {"_autosave/ and ", "autosave is off", "terminal only"}},
  };
  for (const UnwritableCase& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    fs::remove_all(dir / "data/shapes/_autosave");
    fs::remove_all(dir / "blocker");
    if (c.blockAutosave) pw::test::writeFile(dir / "data/shapes/_autosave", "not a folder");
    if (c.blockReport) pw::test::writeFile(dir / "blocker", "not a folder");
    crashReportPath = c.blockReport ? "blocker/crash-report.txt" : "data/crash-report.txt";
    ed->options.Autosave = 1;
    ed->options.AutosaveTime = 10;
    clockMs = 0;
    MainWindow& w = open();
    for (clockMs = 30000; clockMs <= 90000; clockMs += 30000) w.idleWork();
    if (c.said.empty()) {
      EXPECT_TRUE(prompt.messages.empty());
    } else {
      ASSERT_EQ(prompt.messages.size(), 1u);
      EXPECT_EQ(prompt.messages[0].title, "Warning");
      for (const std::string& s : c.said)
        EXPECT_NE(prompt.messages[0].text.find(s), std::string::npos) << s;
    }
    const bool saidAutosaveOff =
        !prompt.messages.empty() &&
        prompt.messages[0].text.find("autosave is off") != std::string::npos;
    EXPECT_EQ(saidAutosaveOff, c.blockAutosave);
    EXPECT_TRUE(prompt.warnings.empty());  // no failed autosave after the one message
    EXPECT_EQ(ed->options.Autosave, 1);     // the saved settings keep autosave on
    const fs::path save =
        dir / "data/shapes/_autosave" / ("autosave" + std::to_string(app.autosaveStamp) + ".txt");
    EXPECT_EQ(fs::exists(save), !c.blockAutosave);
  }
}

}  // namespace
}  // namespace pwtest
