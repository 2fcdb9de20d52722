// The main window as a person meets it: layout, menus, check marks, zoom and the status text,
// settings on resize and close, the title.
#include <QLabel>
#include <QMenuBar>
#include <QTabWidget>
#include <cstdlib>

#include "app/command_ids.h"
#include "ui/tool_bar.h"
#include "window_fixture.h"

namespace pwtest {
namespace {

using namespace pw;

QString statusText(MainWindow& w) { return w.findChild<QLabel*>("status0")->text(); }

TEST_F(WindowTest, StartsWithTheFixedLayoutTitleAndZoomStatus) {
  MainWindow& w = open();
  if (const char* shot = std::getenv("PENWICK_SHOT")) w.grab().save(shot);
  EXPECT_EQ(w.windowTitle(), "Penwick Animation 0.15");
  EXPECT_EQ(statusText(w), "Zoom 100");
  EXPECT_EQ(w.size(), QSize(1024, 768));
  const QRect c = canvas().geometry();
  EXPECT_EQ(c.x(), 155);
  EXPECT_EQ(c.y(), 30);
  EXPECT_EQ(c.width(), 1024 - 310);
  const int menuH = w.menuBar()->height();
  EXPECT_EQ(c.height(), 768 - menuH - 30 - kTimelineMinHeight - 50);
  auto* left = w.findChild<QTabWidget*>("ctl25");
  auto* right = w.findChild<QTabWidget*>("ctl115");
  auto* control = w.findChild<QTabWidget*>("ctl108");
  ASSERT_TRUE(left && right && control);
  EXPECT_EQ(left->geometry(), QRect(0, 30, 150, c.height()));
  EXPECT_EQ(right->x(), 155 + c.width() + 10);
  EXPECT_EQ(control->y(), c.height() + menuH + 20);
  EXPECT_EQ(left->tabText(0), "Shapes");
  EXPECT_EQ(right->tabText(0), "Object");
  EXPECT_EQ(right->tabText(1), "Options");
  EXPECT_EQ(control->tabText(0), "Control");
  // Object 0 exists and is current.
  ASSERT_EQ(ed->doc.Objects.size(), 1u);
  EXPECT_EQ(ed->doc.Objects[0].name, "Object0");
}

}  // namespace
}  // namespace pwtest

namespace pwtest {
namespace {

using namespace pw;

// Item texts of a menu in order; "-" for a separator, "> Title" for a sub-menu.
QStringList itemTexts(QMenu* m) {
  QStringList out;
  for (QAction* a : m->actions()) {
    if (a->isSeparator()) out << "-";
    else if (a->menu()) out << "> " + a->text();
    else out << a->text();
  }
  return out;
}

QMenu* topMenu(MainWindow& w, const QString& title) {
  for (QAction* a : w.menuBar()->actions())
    if (a->text() == title) return a->menu();
  return nullptr;
}

TEST_F(WindowTest, MenusCarryTheExactItemsInOrder) {
  MainWindow& w = open();
  QStringList titles;
  for (QAction* a : w.menuBar()->actions()) titles << a->text();
  EXPECT_EQ(titles, QStringList({"Files", "Edit", "View", "Object", "Shape", "Window", "Help"}));
  const std::vector<std::pair<QString, QStringList>> menus = {
      {"Files",
       {"-", "New \tCtrl+N", "Load Object\tCtrl+O", "Merge", "> Open recent", "-",
        "Save\tCtrl+S", "Save a copy", "Save as\u2026\tCtrl+Shift+S", "-", "Export the object as image\tCtrl+E", "Export Scene (image)", "Export animation (frames)",
        "Export animation (WebP)", "Export animation (GIF)", "Export animation (APNG)",
        "Export animation (video)", "Export Scene (SVG)", "Export animation (Lottie)", "-",
        "Export in purebasic", "-", "Quit"}},
      {"View",
       {"> Zoom", "-", "View Center\tCtrl+Pad4", "View Reset\tCtrl+Pad0", "-",
        "Show grid\tCtrl+G", "Show camera border", "Show camera cache", "-", "Hide anchor",
        "Show selection (dash stroke)", "Show only selected"}},
      {"Object", {"Add a new object", "Delete the current object"}},
      {"Shape",
       {"Select All\tCtrl+A", "Deselect All\tCtrl+D", "Lock selection", "-",
        "Copy current shape\tCtrl+C", "Paste\tCtrl+V", "Paste to shape ", "-",
        "Delete the current shape\tSuppr", "-", "Set shape to origin (position x,y)",
        "Set origin to shape (position x,y)", "-", "Set Shape to bottom (depth)",
        "Set Shape to top (depth)"}},
      {"Window", {"Scene"}},
      {"Help", {"About", "Update", "-", "Help (rtf)", "Help (Wiki)"}},
  };
  for (const auto& [title, items] : menus) {
    QMenu* m = topMenu(w, title);
    ASSERT_NE(m, nullptr) << title.toStdString();
    EXPECT_EQ(itemTexts(m), items) << title.toStdString();
  }
  QMenu* zoom = topMenu(w, "View")->actions().front()->menu();
  EXPECT_EQ(itemTexts(zoom),
            QStringList({"Zoom +\tCtrl + ", "Zoom -\tCtrl - ", "Zoom 50%\tCtrl+Pad5",
                         "Zoom 100%\tCtrl+Pad1", "Zoom 200%\tCtrl+Pad2", "Zoom 500%\tCtrl+Pad8"}));
  // The accelerator labels are text only: the shortcut table binds the keys.
  for (QAction* a : topMenu(w, "Files")->actions()) EXPECT_TRUE(a->shortcut().isEmpty());
  EXPECT_EQ(shortcutTable().size(), 19u);
  EXPECT_EQ(w.findChildren<QShortcut*>().size(),
            static_cast<qsizetype>(shortcutTable().size() + extraShortcutTable().size()));
}

struct ToggleCase {
  int command;
  uint8_t sVdOptions::*field;
};

TEST_F(WindowTest, EveryToggleFlipsItsFieldAndCheckMark) {
  ed->options.ShowCameraBorder = 1;
  ed->options.ShowGrid = 0;
  MainWindow& w = open();
  const ToggleCase cases[] = {
      {kCmdShowGrid, &sVdOptions::ShowGrid},
      {kCmdShowCameraBorder, &sVdOptions::ShowCameraBorder},
      {kCmdShowCameraCache, &sVdOptions::ShowCameraCache},
      {kCmdHideAnchor, &sVdOptions::HideAncre},
      {kCmdShowSelection, &sVdOptions::ShowSelection},
      {kCmdShowOnlySelected, &sVdOptions::ShowOnlySel},
  };
  for (const ToggleCase& c : cases) {
    QAction* a = w.action(c.command);
    ASSERT_NE(a, nullptr);
    const uint8_t before = ed->options.*c.field;
    EXPECT_EQ(a->isChecked(), before != 0) << c.command;
    a->trigger();  // as the menu does
    EXPECT_EQ(ed->options.*c.field, 1 - before) << c.command;
    EXPECT_EQ(a->isChecked(), before == 0) << c.command;
    w.dispatch(c.command);  // as a shortcut does
    EXPECT_EQ(ed->options.*c.field, before) << c.command;
    EXPECT_EQ(a->isChecked(), before != 0) << c.command;
  }
  // Lock selection starts unchecked and flips; "Scene" stays checked and changes nothing.
  w.action(kCmdLockSelection)->trigger();
  EXPECT_TRUE(app.lockSelection);
  EXPECT_TRUE(w.action(kCmdLockSelection)->isChecked());
  w.action(kCmdWindowScene)->trigger();
  EXPECT_TRUE(w.action(kCmdWindowScene)->isChecked());
  // Ctrl+G is the grid's shortcut whatever has the focus.
  canvas().setFocus();
  const uint8_t grid = ed->options.ShowGrid;
  key(Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(ed->options.ShowGrid, 1 - grid);
}

TEST_F(WindowTest, ZoomCommandsAndTheStatusText) {
  MainWindow& w = open();
  struct Case {
    int command;
    int64_t from, to;
  } cases[] = {
      {kCmdZoomIn, 100, 101},  {kCmdZoomOut, 100, 99}, {kCmdZoomOut, 1, 1},
      {kCmdZoom50, 7, 50},     {kCmdZoom100, 7, 100},  {kCmdZoom200, 7, 200},
      {kCmdZoom500, 7, 500},
  };
  for (const Case& c : cases) {
    ed->options.Zoom = c.from;
    w.findChild<QLabel*>("status0")->setText("");
    w.dispatch(c.command);
    EXPECT_EQ(ed->options.Zoom, c.to) << c.command;
    EXPECT_EQ(statusText(w).toStdString(), "Zoom " + std::to_string(c.to)) << c.command;
  }
  // The keypad shortcuts.
  ed->options.Zoom = 100;
  canvas().setFocus();
  key(Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(ed->options.Zoom, 101);
  key(Qt::Key_5, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(ed->options.Zoom, 50);
  // View centre puts the camera's middle in the canvas's middle; reset goes back to 0.
  ed->options.CameraW = 400;
  ed->options.CameraH = 300;
  w.dispatch(kCmdViewCenter);
  EXPECT_EQ(ed->pan.x, std::lround(canvas().width() * 0.5 - 400 * 0.5 * 0.5));
  EXPECT_EQ(ed->pan.y, std::lround(canvas().height() * 0.5 - 300 * 0.5 * 0.5));
  w.dispatch(kCmdViewReset);
  EXPECT_EQ(ed->pan.x, 0);
  EXPECT_EQ(ed->pan.y, 0);
}

TEST_F(WindowTest, SettingsAreWrittenOnResizeAndCloseButNotOnQuit) {
  MainWindow& w = open();
  fs::remove(settingsPath());
  w.resize(900, 700);
  w.resize(910, 700);
  w.resize(900, 700);
  // Written once the resizing settles.
  EXPECT_TRUE(w.flushSettings());
  ASSERT_TRUE(fs::exists(settingsPath()));
  sVdOptions read;
  ASSERT_TRUE(loadOptions(read, settingsPath().string(), false));
  EXPECT_EQ(read.WinW, 900);
  EXPECT_EQ(read.WinH, 700);
  EXPECT_EQ(read.WinState, 0);
  EXPECT_EQ(canvas().width(), 900 - 310);

  fs::remove(settingsPath());
  w.dispatch(kCmdQuit);
  EXPECT_TRUE(w.quitRequested());
  EXPECT_FALSE(fs::exists(settingsPath()));

  EXPECT_TRUE(w.close());
  EXPECT_TRUE(w.closedByUser());
  EXPECT_TRUE(w.saveSettings());
  EXPECT_TRUE(fs::exists(settingsPath()));
}

TEST_F(WindowTest, StartupTipsAreTheFourFieldsBeforeTheLastSeparator) {
  const std::vector<std::string> tips = startupTips();
  ASSERT_EQ(tips.size(), 4u);
  EXPECT_EQ(tips[2], "To add point to the shape, curve or line, use 'addpoint' tool.");
  EXPECT_EQ(tips[3].back(), '.');
  ed->options.ShowTip = 1;
  open();
  ASSERT_EQ(prompt.infos.size(), 1u);
  EXPECT_EQ(prompt.infos[0].title, "Tips ! ");
  EXPECT_NE(std::find(tips.begin(), tips.end(), prompt.infos[0].text), tips.end());
}

TEST_F(WindowTest, NoTipUnlessShowTipIsExactlyOne) {
  ed->options.ShowTip = 2;
  open();
  EXPECT_TRUE(prompt.infos.empty());
  EXPECT_TRUE(prompt.dialogs.empty());
}

}  // namespace
}  // namespace pwtest
