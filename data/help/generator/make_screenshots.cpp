// Makes the pictures of the manual (data/help/html/*.png) from the editor window itself, drawn
// offscreen. Run from the repository folder:
//   cmake --build <build> --target penwick_screenshots
//   <build>/penwick_screenshots data/help/html
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/app_state.h"
#include "app/command_ids.h"
#include "app/main_window.h"
#include "core/editor.h"
#include "core/scripted_prompt.h"
#include "render/image_store.h"

namespace {

bool save(QWidget* w, const std::string& file) {
  const bool ok = w->grab().save(QString::fromStdString(file), "PNG");
  std::printf("%s %s\n", ok ? "wrote" : "cannot write", file.c_str());
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

  bool ok = save(&win, out + "/window.png");
  ok = save(win.centralWidget(), out + "/panels.png") && ok;
  const auto tabs = win.findChildren<QTabWidget*>();
  for (QTabWidget* t : tabs) {
    if (t->count() == 3) {  // the shape panel: Shapes, Color, FX
      t->setCurrentIndex(1);
      QApplication::processEvents();
      ok = save(t, out + "/panel-color.png") && ok;
      t->setCurrentIndex(2);
      QApplication::processEvents();
      ok = save(t, out + "/panel-fx.png") && ok;
      t->setCurrentIndex(0);
    }
  }
  win.endRun();
  std::error_code ec;
  std::filesystem::remove("data/shapes/_autosave", ec);  // only when the run left it empty
  return ok ? 0 : 1;
}
