// Start-up to the first painted window: the editor's main window built, shown and started on a
// fresh document until its canvas has painted, against a bare Qt main window that shows and
// paints an empty canvas of the same size, in alternating rounds.
//  - BM_Startup: both inside this process (the Qt application already made);
//  - BM_StartupProcess: whole processes (this program again, as a child that makes its Qt
//    application, opens one window, waits for the first paint and exits), timed from spawn to
//    exit.
//
//   QT_QPA_PLATFORM=offscreen ./bench_startup
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMainWindow>
#include <QPainter>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/main_window.h"
#include "bench_util.h"
#include "core/scripted_prompt.h"
#include "render/image_store.h"

namespace {

namespace fs = std::filesystem;
using pwbench::Clock;
using pwbench::msSince;

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

void waitForPaint(const PaintCounter& counter) {
  while (counter.paints == 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  QCoreApplication::processEvents();
}

// The floor: a main window whose central canvas paints an empty image of the canvas size.
class BareCanvas : public QWidget {
 public:
  void paintEvent(QPaintEvent*) override {
    QImage img(size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(120, 120, 120));
    QPainter p(this);
    p.drawImage(0, 0, img);
  }
};

double bareStartup(const QSize& window, const QRect& canvasRect) {
  const auto t0 = Clock::now();
  QMainWindow w;
  auto* central = new QWidget(&w);
  w.setCentralWidget(central);
  auto* canvas = new BareCanvas;
  canvas->setParent(central);
  canvas->setGeometry(canvasRect);
  PaintCounter counter;
  canvas->installEventFilter(&counter);
  w.resize(window);
  w.show();
  waitForPaint(counter);
  return msSince(t0);
}

double editorStartup(const std::string& root, QRect& canvasRect) {
  const auto t0 = Clock::now();
  pw::ScriptedPrompt prompt;
  pw::ImageStore store;
  pw::Editor ed(prompt, store);
  ed.root = root;
  ed.options.ShowTip = 0;
  ed.options.WinState = 0;
  pw::AppState app;
  pw::WindowConfig cfg;
  cfg.settingsPath = root + "/Preferences.ini";
  pw::MainWindow w(ed, store, app, cfg);
  PaintCounter counter;
  w.canvas()->installEventFilter(&counter);
  w.show();
  w.start();
  waitForPaint(counter);
  const double ms = msSince(t0);
  canvasRect = w.canvas()->geometry();
  w.endRun();
  return ms;
}

void BM_Startup(benchmark::State& state) {
  QTemporaryDir tmp;
  const std::string root = tmp.path().toStdString();
  fs::create_directories(root + "/data");
  fs::copy(fs::path(PENWICK_SOURCE_DIR) / "data", root + "/data", fs::copy_options::recursive);
  std::vector<double> editor, bare;
  QRect canvasRect;
  editorStartup(root, canvasRect);  // warm-up: fonts, icons and plugins loaded once
  for (auto _ : state) {
    editor.push_back(editorStartup(root, canvasRect));
    bare.push_back(bareStartup(QSize(1024, 768), canvasRect));
  }
  pwbench::setPairCounters(state, "editor", editor, "bare", bare);
}
BENCHMARK(BM_Startup)->Iterations(20)->Unit(benchmark::kMillisecond);

// Runs this program as `--child=<mode> <root>` and returns the wall time to its exit.
double childRun(const std::string& mode, const std::string& root) {
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const std::string flag = "--child=" + mode;
  char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>(flag.c_str()),
                  const_cast<char*>(root.c_str()), nullptr};
  const auto t0 = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return msSince(t0);
}

void BM_StartupProcess(benchmark::State& state) {
  QTemporaryDir tmp;
  const std::string root = tmp.path().toStdString();
  fs::copy(fs::path(PENWICK_SOURCE_DIR) / "data", root + "/data", fs::copy_options::recursive);
  std::vector<double> editor, bare;
  childRun("editor", root);
  childRun("bare", root);
  for (auto _ : state) {
    editor.push_back(childRun("editor", root));
    bare.push_back(childRun("bare", root));
  }
  pwbench::setPairCounters(state, "editor", editor, "bare", bare);
}
BENCHMARK(BM_StartupProcess)->Iterations(20)->Unit(benchmark::kMillisecond);

// One start-up in a fresh process.
int childMain(int argc, char** argv, const std::string& mode, const std::string& root) {
  QApplication app(argc, argv);
  if (mode == "bare") {
    bareStartup(QSize(1024, 768), QRect(155, 30, 714, 600));
  } else {
    QRect r;
    editorStartup(root, r);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  pwbench::useOffscreenPlatform();
  if (argc == 3 && std::string(argv[1]).rfind("--child=", 0) == 0) {
    int one = 1;
    return childMain(one, argv, std::string(argv[1]).substr(8), argv[2]);
  }
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
