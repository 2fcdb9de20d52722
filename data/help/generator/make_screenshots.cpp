// Makes the pictures of the manual (data/help/html/*.png) from the editor window itself, drawn
// offscreen. Run from the repository folder:
//   cmake --build <build> --target penwick_screenshots
//   <build>/penwick_screenshots data/help/html
#include <QApplication>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/app_state.h"
#include "app/command_ids.h"
#include "app/main_window.h"
#include "app/timeline.h"
#include "core/editor.h"
#include "core/model.h"
#include "core/scripted_prompt.h"
#include "render/image_store.h"

namespace {

bool save(QWidget* w, const std::string& file) {
  const bool ok = w && w->grab().save(QString::fromStdString(file), "PNG");
  std::printf("%s %s\n", ok ? "wrote" : "cannot write", file.c_str());
  return ok;
}

// Makes shape `shape` of object `object` current and selected, and fills the panels with it.
void select(pw::MainWindow& win, pw::Editor& ed, int64_t object, int64_t shape) {
  ed.doc.CurrentObject = object;
  ed.doc.CurrentShape = shape;
  if (pw::Object* o = pw::currentObject(ed.doc)) {
    for (pw::Shape& s : o->shapes) s.selected = 0;
    if (shape >= 0 && shape < static_cast<int64_t>(o->shapes.size()))
      o->shapes[static_cast<size_t>(shape)].selected = 1;
  }
  if (ed.hooks.refreshLayerList) ed.hooks.refreshLayerList();
  win.selectionChanged();
  win.redrawCanvas();
  QApplication::processEvents();
}

// Saves tab `index` of the tab panel numbered `number`.
bool saveTab(pw::MainWindow& win, int number, int index, const std::string& file) {
  auto* t = win.findChild<QTabWidget*>(QString("ctl%1").arg(number));
  if (!t) return save(nullptr, file);
  t->setCurrentIndex(index);
  QApplication::processEvents();
  const bool ok = save(t, file);
  t->setCurrentIndex(0);
  QApplication::processEvents();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: penwick_screenshots OUTDIR (run from the repository folder)\n");
    return 2;
  }
  const std::string out = argv[1];
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("PENWICK_UPDATE_URL", "off", 1);
  QApplication app(argc, argv);

  pw::ScriptedPrompt prompt;
  pw::ImageStore store;
  pw::Editor ed(prompt, store);
  pw::AppState state;
  ed.options.ShowTip = 0;
  ed.options.ConfirmExit = 0;
  ed.options.WinState = 0;
  ed.options.WinW = 1100;
  ed.options.WinH = 760;
  pw::WindowConfig cfg;
  cfg.settingsPath.clear();  // never writes settings
  cfg.seed = 1;
  pw::MainWindow win(ed, store, state, cfg);
  win.show();
  win.start("examples/shapes-tour.txt");
  QApplication::processEvents();

  // The tree's crown in the garden layer: a complex shape with a shadow effect.
  select(win, ed, 3, 3);
  bool ok = save(&win, out + "/window.png");
  ok = saveTab(win, pw::kCtlShapePanel, 0, out + "/panels.png") && ok;
  ok = saveTab(win, pw::kCtlShapePanel, 1, out + "/panel-color.png") && ok;
  ok = saveTab(win, pw::kCtlShapePanel, 2, out + "/panel-fx.png") && ok;
  ok = saveTab(win, pw::kCtlObjectPanel, 0, out + "/panel-object.png") && ok;
  ok = saveTab(win, pw::kCtlObjectPanel, 1, out + "/panel-options.png") && ok;

  // The animation example at frame 18, with the bouncing ball's layer current.
  prompt.answerFile("examples/animation.txt");
  win.dispatch(pw::kCmdLoad);
  QApplication::processEvents();
  // The whole camera in view: the zoom that fits it in the canvas, centred.
  win.dispatch(pw::kCmdZoom100);
  for (int i = 0; i < 30; ++i) win.dispatch(pw::kCmdZoomOut);  // 70 %
  win.dispatch(pw::kCmdViewCenter);
  select(win, ed, 2, 0);
  if (pw::Timeline* tl = win.timeline()) tl->goToFrame(18);
  QApplication::processEvents();
  ok = save(&win, out + "/animation.png") && ok;
  ok = save(win.findChild<QTabWidget*>(QString("ctl%1").arg(pw::kCtlControlPanel)),
            out + "/control.png") && ok;

  win.endRun();
  std::error_code ec;
  std::filesystem::remove("data/shapes/_autosave", ec);  // only when the run left it empty
  return ok ? 0 : 1;
}
