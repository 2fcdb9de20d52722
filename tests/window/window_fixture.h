// A whole editor window on a scratch folder: the shipped data copied in, settings and autosaves
// kept inside it, dialogs answered by a ScriptedPrompt, the autosave clock in the test's hands.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/main_window.h"
#include "core/editor.h"
#include "core/scripted_prompt.h"
#include "render/image_store.h"
#include "settings/options.h"
#include "support/files.h"
#include "support/paths.h"

namespace pwtest {

namespace fs = std::filesystem;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    dir = fs::temp_directory_path() /
          ("penwick-window-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    fs::remove_all(dir);
    fs::create_directories(dir / "data");
    fs::copy(fs::path(pw::test::sourceDir()) / "data" / "editor", dir / "data" / "editor",
             fs::copy_options::recursive);
    fs::create_directories(dir / "data" / "shapes");
    for (const auto& e : fs::directory_iterator(fs::path(pw::test::sourceDir()) / "data" / "shapes"))
      if (e.is_regular_file()) fs::copy(e.path(), dir / "data" / "shapes" / e.path().filename());
    ed = std::make_unique<pw::Editor>(editorPrompt(), store);
    ed->root = dir.string();
    // A plain window of the default size: no tip, not maximised.
    ed->options.ShowTip = 0;
    ed->options.WinState = 0;
  }
  void TearDown() override {
    win.reset();
    ed.reset();
    fs::remove_all(dir);
  }

  // Builds the window and runs the start-up that follows it.
  pw::MainWindow& open(const std::string& scene = {}) {
    pw::WindowConfig cfg;
    cfg.settingsPath = settingsPath().string();
    cfg.clock = [this] { return clockMs; };
    cfg.seed = 7;
    cfg.crashReportPath = crashReportPath;
    win = std::make_unique<pw::MainWindow>(*ed, store, app, cfg);
    win->show();
    // Window shortcuts act only in the active window.
    QApplication::setActiveWindow(win.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(win.get()));
    win->start(scene);
    return *win;
  }
  fs::path settingsPath() const { return dir / "Preferences.ini"; }
  // The prompt the editor talks through: the script itself, or a test's wrapper around it.
  virtual pw::Prompt& editorPrompt() { return prompt; }
  pw::CanvasWidget& canvas() { return *win->canvas(); }
  // The Files menu's item texts, in order, without separators.
  QStringList filesMenuTexts() const {
    QStringList texts;
    const QMenu* files = win->menuBar()->findChild<QMenu*>("menuFiles");
    EXPECT_NE(files, nullptr);
    if (!files) return texts;
    for (const QAction* a : files->actions())
      if (!a->isSeparator()) texts << a->text();
    return texts;
  }

  // Sends a key to the focused widget of the window, as the keyboard would.
  void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : win.get();
    QTest::keyClick(target, k, mods);
  }

  // A left-button drag on the canvas, from a to b in canvas pixels, in `steps` moves.
  void drag(QPoint a, QPoint b, int steps = 4) {
    QWidget* c = win->canvas();
    QTest::mousePress(c, Qt::LeftButton, Qt::NoModifier, a);
    for (int i = 1; i <= steps; ++i) {
      const QPoint p = a + (b - a) * i / steps;
      QMouseEvent move(QEvent::MouseMove, QPointF(p), c->mapToGlobal(QPointF(p)), Qt::NoButton,
                       Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(c, &move);
    }
    QTest::mouseRelease(c, Qt::LeftButton, Qt::NoModifier, b);
  }

  fs::path dir;
  pw::ScriptedPrompt prompt;
  pw::ImageStore store;
  pw::AppState app;
  std::unique_ptr<pw::Editor> ed;
  std::unique_ptr<pw::MainWindow> win;
  int64_t clockMs = 0;
  std::string crashReportPath = "data/crash-report.txt";  // below dir
};

// The animation exports' scene: the current object gets a 20 x 20 red box that slides from x 0
// (frame 0) to x 100 (frame 10), over max frame 4 at 25 frames per second, in a 120 x 60 camera.
inline void keyedBox(pw::Editor& ed) {
  pw::Object& o = ed.doc.Objects[0];
  pw::Shape& s = o.shapes[0];
  s.type = pw::kBox;
  s.x = 10;
  s.y = 10;
  s.w = 20;
  s.h = 20;
  s.alpha = 255;
  s.color = pw::packRGBA(255, 0, 0, 255);
  s.points.assign(1, pw::ShapePoint{});
  o.alpha = 255;
  o.w = o.h = 100;
  pw::ObjectKey a, b;
  a.w = a.h = b.w = b.h = 100;
  a.alpha = b.alpha = 255;
  b.frame = 10;
  b.x = 100;
  o.keys = {a, b};
  o.hasShape = 1;
  // The box is content, not the fresh document's placeholder.
  ed.doc.DocumentState = pw::kDocumentHasContent;
  ed.doc.MaxFrame = 4;
  ed.doc.Fps = 25;
  ed.options.CameraX = 0;
  ed.options.CameraY = 0;
  ed.options.CameraW = 120;
  ed.options.CameraH = 60;
}

}  // namespace pwtest
