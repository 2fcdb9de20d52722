// The interactive steps of the editor on generated scenes of 1,000, 10,000 and 100,000 shapes on
// a 1280 x 720 canvas, each step timed from the input to the finished canvas image. The steps
// run through what the window runs: canvas input events into the canvas tools, which refresh a
// canvas surface; menu commands through the command dispatch, on a shell that
// redraws as the window does; the side panels and the layer list built as the window builds
// them, with the window's hooks; the undo history fed by the change announcements.
//
//   cmake --build build-bench --target bench_interact      (configured with -DPENWICK_BENCH=ON)
//   build-bench/bench/bench_interact [benchmark flags]     every case, sizes and steps
//   build-bench/bench/bench_interact --benchmark_filter='/(1000|10000)/'   the smaller scenes
//   build-bench/bench/bench_interact --benchmark_filter='interact/(drag|edit|cold)/100000/'
//   build-bench/bench/bench_interact --benchmark_filter=interact/view/     pan and zoom only
//
// At 100,000 shapes a full refresh takes seconds: every case whose events redraw everything
// (click, select, view, cold) takes minutes there.
//
// Cases (interact/<group>/<shapes>) and their steps:
//   click   select_click: a Move tool press on a box or circle of the top object and its release
//           (the press picks the shape); empty_click: a press and release where the fewest
//           shapes reach ("empty_cover" of them, 0 when the canvas is empty there)
//   select  select_all, select_none: "Select All" and "Deselect All" of the Shape menu
//   drag    drag_move: the moves of a shape dragged across the canvas (as bench_drag)
//   edit    panel_edit: the X field of the Shapes tab stepped by one (its handler announces the
//           change with its scope, the history records it, the canvas is redrawn); undo, redo:
//           Undo and Redo of the Edit menu on a step that changed one shape
//   view    pan: the moves of a drag with Space held; zoom: Zoom + and Zoom - in turn
//   cold    cold_redraw: a full refresh on a fresh canvas surface on the calling thread, as a
//           new canvas is drawn; playback_first: the first picture of a new playback painter;
//           single_thread: the same full refresh drawn by one thread only (one band). Qt's
//           raster engine shares the large fills of a painter among the threads of Qt's global
//           pool, unless it runs on one of them: so this one runs on a pool thread, which fills
//           inline, while the calling thread waits.
//           ratio_cold, ratio_playback: their medians over the single-threaded one.
//
// Counters in milliseconds: "<step>_med_ms" and "<step>_p95_ms" over "<step>_n" events. A step
// has 50 events after one untimed warm-up; when its events are slow (10,000 shapes and more) the
// steps timed together stop after 60 s, with at least 5 events each. "identical": the canvas after
// the last event equals a full refresh of the same state on a fresh surface (in the cold case:
// the last cold redraw equals the last single-threaded one, pixel for pixel). Other checks:
// select_picked and empty_picked count the presses that picked a shape, pan_press_picked tells
// whether the pan's press picked one (its click test runs as for any press), edits_applied
// counts the X steps that moved the shape, multi_select_after is the Shift state "Select All"
// leaves. A table of the medians and 95th percentiles of every step follows the run.
#include <QApplication>
#include <QSpinBox>
#include <QThreadPool>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/canvas_tools.h"
#include "app/command_ids.h"
#include "app/commands.h"
#include "app/shell.h"
#include "bench_util.h"
#include "canvas_rig.h"
#include "panel_rig.h"
#include "render/playback_draw.h"
#include "render/refresh.h"
#include "ui/editor_icons.h"
#include "ui/layer_panel.h"

namespace {

using namespace pwbench;
using pw::CanvasInput;

constexpr int kEvents = 50;
constexpr int kMinEvents = 5;
constexpr double kBudgetMs = 60000;  // per set of steps timed together
constexpr int kCell = 16;            // grid of the search for empty canvas

// What the editor window wires around the canvas: the scene with the side panels and the layer
// list, the canvas surface and its tools, the undo history fed by every announced change, and
// the shell the menu commands run on (the window's other widgets are left out).
class Window : public pw::Shell {
 public:
  explicit Window(int shapes)
      : scene(shapes),
        ed(scene.ed),
        panels(ed),
        canvas(makeCanvas(scene.store)),
        tools(ed, canvas, {}) {
    pw::loadEditorIcons(ed, panels.icons);
    layers = new pw::LayerPanel(ed, panels.icons, 150, panels.objectPanel.widget(0));
    // As the window: the layer panel draws its list at its own notice.
    ed.listen(pw::Shown::kProperties, [this](const pw::Notice&) {
      pw::refreshProperties(panels.ctx);
      layers->showObjectControls();
    });
    ed.listen(pw::Shown::kCanvas, [this](const pw::Notice&) { redrawCanvas(); });
    ed.observe([this](const pw::Change& c) {
      if (panels.eventDepth == 0) ed.refreshProperties();
      state.history.record(ed.doc, ed.sel, c.name, c.scope, c.mergeKey);
    });
    // As the window: a zoom or pan shows the old picture moved, the sharp one drawn meanwhile;
    // the canvas hears from the history which shapes changed.
    canvas.sharpReady = [] {};
    canvas.tracksChanges = true;
    state.history.onChanged = [this] { canvas.touch(state.history.lastChange()); };
    panels.shapePanel.show();
    panels.objectPanel.show();
    grab = pressPoint(ed.doc, ed.sel, Pick::kTop);  // the top object is the current one
    state.history.reset(ed.doc, ed.sel);
    selectionChanged();
    redrawCanvas();
  }

  pw::Editor& editor() override { return ed; }
  pw::AppState& app() override { return state; }
  pw::ImageStore& images() override { return scene.store; }
  // As the canvas widget's redraw: no click test, at the last scene mouse position.
  void redrawCanvas() override {
    tools.refresh(ed.tools.sceneMouseX, ed.tools.sceneMouseY, false);
  }
  int canvasWidth() const override { return kCanvasW; }
  int canvasHeight() const override { return kCanvasH; }
  bool canvasHasFocus() const override { return true; }
  void mouseInWindow(int& x, int& y) const override { x = y = 0; }
  void setChecked(int, bool) override {}
  void setStatusText(int, const std::string&) override {}
  void quitNow() override {}
  void selectionChanged() override {
    ed.refreshShapeList();
    ed.refreshFxList();
    ed.refreshProperties();
  }

  void send(CanvasInput::Kind kind, QPointF at = {}) {
    tools.handle({kind, at.x(), at.y(), kind == CanvasInput::kMove, 0, false});
  }
  void key(CanvasInput::Kind kind, int key) { tools.handle({kind, 0, 0, false, key, false}); }
  void command(int id) { pw::runCommand(*this, id); }
  // What the window does once the sharp picture of a zoom or pan is drawn.
  void showSharp() {
    pw::waitForSharp(canvas);
    pw::drawCanvas(ed, canvas);
  }

  // The canvas equals a full refresh of the same state on a fresh surface, with the mode and
  // mouse of the last refresh. A refresh settles the selection: the state is put back after.
  bool matchesFullRefresh(int mode) {
    const pw::Document doc = ed.doc;
    const pw::Selection sel = ed.sel;
    const pw::ToolState ts = ed.tools;
    pw::CanvasSurface fresh = makeCanvas(scene.store);
    pw::CanvasTools(ed, fresh, {}).refresh(ts.sceneMouseX, ts.sceneMouseY, mode == 1);
    ed.doc = doc;
    ed.sel = sel;
    ed.tools = ts;
    return sameImage(fresh.image, canvas.image);
  }

  EditorScene scene;
  pw::Editor& ed;
  PanelRig panels;
  pw::LayerPanel* layers = nullptr;  // owned by the object panel
  pw::CanvasSurface canvas;
  pw::CanvasTools tools;
  pw::AppState state;
  QPointF grab;  // the centre of a box or circle of the top object
};

// Wall and CPU times of the events of one step.
struct Times {
  std::vector<double> wall, cpu;
};

using Step = std::function<void(int k)>;

// Runs the steps in turn, round after round, and times each step on its own; `prepare` runs off
// the clock before each round. The first round (k = 0) is a warm-up; then kEvents rounds, or
// fewer when the rounds are slow: they stop once they have taken kBudgetMs and there are
// kMinEvents of them.
std::vector<Times> timeRounds(const std::vector<Step>& steps,
                              const std::function<void()>& prepare = {}) {
  if (prepare) prepare();
  for (const Step& s : steps) s(0);
  std::vector<Times> times(steps.size());
  double spent = 0;
  for (int k = 1; k <= kEvents && (k <= kMinEvents || spent < kBudgetMs); ++k) {
    if (prepare) prepare();
    for (size_t i = 0; i < steps.size(); ++i) {
      const double c0 = cpuMs();
      const auto t0 = Clock::now();
      steps[i](k);
      times[i].wall.push_back(msSince(t0));
      times[i].cpu.push_back(cpuMs() - c0);
      spent += times[i].wall.back();
    }
  }
  return times;
}

void report(benchmark::State& state, const std::string& step, const Times& t) {
  const Stats s = statsOf(t.wall);
  state.counters[step + "_med_ms"] = s.median;
  state.counters[step + "_p95_ms"] = s.p95;
  state.counters[step + "_n"] = static_cast<double>(t.wall.size());
}

// What Google Benchmark times: the first step's median.
void setTime(benchmark::State& state, const Times& t) {
  state.SetIterationTime(statsOf(t.wall).median / 1000.0);
}

// Where on the canvas the fewest shapes reach: the centre of the cell of a kCell grid covered by
// the fewest shape extents (with room for strokes and effects), and how many cover it.
std::pair<QPointF, int> emptyPoint(const pw::Document& doc) {
  constexpr int cols = kCanvasW / kCell, rows = kCanvasH / kCell, margin = 32;
  std::vector<int> cover(static_cast<size_t>(cols * rows), 0);
  for (const pw::Object& o : doc.Objects) {
    for (const pw::Shape& s : o.shapes) {
      double x0 = s.x, y0 = s.y, x1 = s.x, y1 = s.y;
      if (s.type == pw::kCircle) {
        x0 -= std::abs(s.w), x1 += std::abs(s.w), y0 -= std::abs(s.h), y1 += std::abs(s.h);
      } else if (s.type == pw::kText) {
        x1 += s.w * (static_cast<double>(s.text.size()) + 1), y0 -= s.w, y1 += 2.0 * s.w;
      } else if (s.type == pw::kBox || s.type == pw::kRoundBox || s.type == pw::kImage) {
        x0 = std::min(x0, x0 + s.w), x1 = std::max(x1, x1 + s.w);
        y0 = std::min(y0, y0 + s.h), y1 = std::max(y1, y1 + s.h);
      } else {
        for (const pw::ShapePoint& p : s.points) {
          x0 = std::min(x0, static_cast<double>(s.x + p.x));
          x1 = std::max(x1, static_cast<double>(s.x + p.x));
          y0 = std::min(y0, static_cast<double>(s.y + p.y));
          y1 = std::max(y1, static_cast<double>(s.y + p.y));
        }
      }
      // The cells whose centre lies inside the extent.
      const auto cell = [](double v) { return (v - kCell / 2.0) / kCell; };
      const int r0 = std::max(0, static_cast<int>(std::ceil(cell(y0 - margin))));
      const int r1 = std::min(rows - 1, static_cast<int>(std::floor(cell(y1 + margin))));
      const int c0 = std::max(0, static_cast<int>(std::ceil(cell(x0 - margin))));
      const int c1 = std::min(cols - 1, static_cast<int>(std::floor(cell(x1 + margin))));
      for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) ++cover[static_cast<size_t>(r * cols + c)];
    }
  }
  const auto best = std::min_element(cover.begin(), cover.end());
  const int cell = static_cast<int>(best - cover.begin());
  return {QPointF(cell % cols * kCell + kCell / 2, cell / cols * kCell + kCell / 2), *best};
}

// Boxes and circles of the current object to press on: their centres and indices, up to
// `count` of them spread over the object.
std::vector<std::pair<QPointF, int64_t>> pressTargets(const pw::Document& doc,
                                                     const pw::Selection& sel, int count) {
  std::vector<std::pair<QPointF, int64_t>> all;
  const auto& shapes = pw::currentObject(doc, sel)->shapes;
  for (int64_t j = 0; j <= pw::lastIndex(shapes); ++j) {
    const pw::Shape& s = shapes[static_cast<size_t>(j)];
    if (s.link != 0 || s.hidden != 0 || s.w <= 4 || s.h <= 4) continue;
    if (s.type == pw::kBox)
      all.push_back({{std::round(s.x + s.w / 2.0), std::round(s.y + s.h / 2.0)}, j});
    if (s.type == pw::kCircle) all.push_back({{1.0 * s.x, 1.0 * s.y}, j});
  }
  if (all.size() <= static_cast<size_t>(count)) return all;
  std::vector<std::pair<QPointF, int64_t>> picked;
  for (size_t k = 0; k < static_cast<size_t>(count); ++k)
    picked.push_back(all[k * all.size() / static_cast<size_t>(count)]);
  return picked;
}

void clickCase(benchmark::State& state, int shapes) {
  Window w(shapes);
  // One shape after another: a second press on the circle just picked would grab its centre
  // point instead.
  const auto targets = pressTargets(w.ed.doc, w.ed.sel, kEvents + 1);
  if (targets.size() < 2) {
    state.SkipWithError("no box or circle to press on in the top object");
    return;
  }
  const auto [empty, emptyCover] = emptyPoint(w.ed.doc);
  int picked = 0, emptyPicked = 0;
  std::vector<Times> t;
  for (auto _ : state) {
    picked = emptyPicked = 0;
    t = timeRounds({[&](int k) {
                      const auto& [at, j] = targets[static_cast<size_t>(k) % targets.size()];
                      w.send(CanvasInput::kLeftDown, at);
                      // The click test picks the last shape of the object under the press.
                      picked += k > 0 && w.ed.tools.dragState == pw::DragState::kShapes &&
                                w.ed.sel.shape >= j;
                      w.send(CanvasInput::kLeftUp);
                    },
                    [&](int k) {
                      w.send(CanvasInput::kLeftDown, empty);
                      emptyPicked += k > 0 && w.ed.tools.shapeHit;
                      w.send(CanvasInput::kLeftUp);
                    }});
    setTime(state, t[0]);
  }
  report(state, "select_click", t[0]);
  report(state, "empty_click", t[1]);
  state.counters["select_picked"] = picked;
  state.counters["empty_picked"] = emptyPicked;
  state.counters["empty_cover"] = emptyCover;
  state.counters["identical"] = w.matchesFullRefresh(1);
}

void selectCase(benchmark::State& state, int shapes) {
  Window w(shapes);
  std::vector<Times> t;
  for (auto _ : state) {
    t = timeRounds({[&](int) { w.command(pw::kCmdSelectAll); },
                    [&](int) { w.command(pw::kCmdDeselectAll); }});
    setTime(state, t[0]);
  }
  report(state, "select_all", t[0]);
  report(state, "select_none", t[1]);
  // "Select All" leaves the tools in multi-select, as if Shift were held.
  state.counters["multi_select_after"] = w.ed.tools.multiSelect;
  state.counters["identical"] = w.matchesFullRefresh(0);
}

void dragCase(benchmark::State& state, int shapes) {
  Window w(shapes);
  double pressMs = 0;
  bool identical = false;
  std::vector<Times> t;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    w.send(CanvasInput::kLeftDown, w.grab);
    pressMs = msSince(t0);
    t = timeRounds({[&](int k) { w.send(CanvasInput::kMove, dragPosition(k, kEvents, w.grab)); }});
    identical = w.matchesFullRefresh(1);
    w.send(CanvasInput::kLeftUp);
    setTime(state, t[0]);
  }
  report(state, "drag_move", t[0]);
  state.counters["press_ms"] = pressMs;
  state.counters["picked_shape"] = static_cast<double>(w.ed.sel.shape);
  state.counters["identical"] = identical;
}

void editCase(benchmark::State& state, int shapes) {
  Window w(shapes);
  w.send(CanvasInput::kLeftDown, w.grab);  // the shape the fields show
  w.send(CanvasInput::kLeftUp);
  auto* xField = static_cast<QSpinBox*>(w.panels.controls.widget(62));
  auto* yField = static_cast<QSpinBox*>(w.panels.controls.widget(63));
  const pw::Shape* s = pw::currentShape(w.ed.doc, w.ed.sel);
  const int64_t shape = w.ed.sel.shape;
  int applied = 0;
  std::vector<Times> edit, undo;
  for (auto _ : state) {
    applied = 0;
    edit = timeRounds({[&](int k) {
      const int16_t x0 = s->x;
      xField->stepBy(k % 2 ? 1 : -1);
      applied += k > 0 && s->x == x0 + (k % 2 ? 1 : -1);
    }});
    // A step of its own (another field) for undo and redo: one shape, its y.
    yField->stepBy(5);
    undo = timeRounds({[&](int) { w.command(pw::kCmdUndo); },
                       [&](int) { w.command(pw::kCmdRedo); }});
    setTime(state, edit[0]);
  }
  report(state, "panel_edit", edit[0]);
  report(state, "undo", undo[0]);
  report(state, "redo", undo[1]);
  state.counters["edits_applied"] = applied;
  state.counters["edited_shape"] = static_cast<double>(shape);
  state.counters["history_steps"] = static_cast<double>(w.state.history.stepCount());
  state.counters["identical"] = w.matchesFullRefresh(0);
}

void viewCase(benchmark::State& state, int shapes) {
  Window w(shapes);
  const QPointF centre(kCanvasW / 2.0, kCanvasH / 2.0);
  int panPicked = 0;
  bool panIdentical = false;
  std::vector<Times> pan, zoom;
  for (auto _ : state) {
    w.key(CanvasInput::kKeyDown, Qt::Key_Space);
    w.send(CanvasInput::kLeftDown, centre);
    // The press runs the click test as any press does: a shape under it is picked.
    panPicked = w.ed.tools.shapeHit;
    // Round and round a circle of 60 pixels, so the scene stays in view.
    pan = timeRounds({[&](int k) {
      const double a = k * 6.283185307179586 / 25;
      w.send(CanvasInput::kMove, centre + QPointF(std::round(60 * std::sin(a)),
                                                  std::round(60 * std::cos(a) - 60)));
    }});
    w.showSharp();
    panIdentical = w.matchesFullRefresh(1);
    w.send(CanvasInput::kLeftUp);
    w.key(CanvasInput::kKeyUp, Qt::Key_Space);
    w.command(pw::kCmdViewReset);
    w.showSharp();
    // Each zoom: its first picture, then the wait for the sharp one.
    zoom = timeRounds({[&](int) { w.command(pw::kCmdZoomIn); }, [&](int) { w.showSharp(); },
                       [&](int) { w.command(pw::kCmdZoomOut); }, [&](int) { w.showSharp(); }});
    setTime(state, pan[0]);
  }
  report(state, "pan", pan[0]);
  Times first = zoom[0], sharp = zoom[0];
  first.wall.insert(first.wall.end(), zoom[2].wall.begin(), zoom[2].wall.end());
  for (size_t k = 0; k < zoom[1].wall.size(); ++k) sharp.wall[k] += zoom[1].wall[k];
  for (size_t k = 0; k < zoom[3].wall.size(); ++k)
    sharp.wall.push_back(zoom[2].wall[k] + zoom[3].wall[k]);
  report(state, "zoom", first);
  report(state, "zoom_sharp", sharp);
  state.counters["pan_press_picked"] = panPicked;
  state.counters["pan_identical"] = panIdentical;
  state.counters["identical"] = w.matchesFullRefresh(0);
}

void coldCase(benchmark::State& state, int shapes) {
  Window w(shapes);
  pw::Editor& ed = w.ed;
  pw::ImageStore& store = w.scene.store;
  std::unique_ptr<pw::CanvasSurface> cold, single;
  std::unique_ptr<pw::PlaybackPainter> painter;
  QImage picture(kCanvasW, kCanvasH, QImage::Format_ARGB32_Premultiplied);
  auto refresh = [&ed](pw::CanvasSurface& c) {
    pw::CanvasTools(ed, c, {}).refresh(ed.tools.sceneMouseX, ed.tools.sceneMouseY, false);
  };
  // Fresh surfaces and a new painter before each round, off the clock.
  auto fresh = [&] {
    cold = std::make_unique<pw::CanvasSurface>(makeCanvas(store));
    single = std::make_unique<pw::CanvasSurface>(makeCanvas(store));
    single->bands = 1;  // one drawing thread
    painter = std::make_unique<pw::PlaybackPainter>();
  };
  std::vector<Times> t;
  for (auto _ : state) {
    t = timeRounds({[&](int) { refresh(*cold); },
                    [&](int) {
                      QThreadPool::globalInstance()->start([&] { refresh(*single); });
                      QThreadPool::globalInstance()->waitForDone();
                    },
                    [&](int) {
                      painter->paint(ed, store, picture,
                                     pw::playbackCounterText(0, ed.doc.MaxFrame, 0),
                                     w.panels.icons.font);
                    }},
                   fresh);
    setTime(state, t[0]);
  }
  report(state, "cold_redraw", t[0]);
  report(state, "single_thread", t[1]);
  report(state, "playback_first", t[2]);
  const double singleMed = statsOf(t[1].wall).median;
  state.counters["ratio_cold"] = statsOf(t[0].wall).median / singleMed;
  state.counters["ratio_playback"] = statsOf(t[2].wall).median / singleMed;
  state.counters["cold_cpu_med_ms"] = statsOf(t[0].cpu).median;
  state.counters["single_cpu_med_ms"] = statsOf(t[1].cpu).median;
  state.counters["playback_cpu_med_ms"] = statsOf(t[2].cpu).median;
  state.counters["identical"] = sameImage(cold->image, single->image);
}

}  // namespace

namespace {

const std::vector<int> kSizes = {1000, 10000, 100000};

struct Group {
  const char* name;
  void (*run)(benchmark::State&, int);
  std::vector<const char*> steps;
};

const std::vector<Group>& groups() {
  static const std::vector<Group> g = {
      {"click", clickCase, {"select_click", "empty_click"}},
      {"select", selectCase, {"select_all", "select_none"}},
      {"drag", dragCase, {"drag_move"}},
      {"edit", editCase, {"panel_edit", "undo", "redo"}},
      {"view", viewCase, {"pan", "zoom", "zoom_sharp"}},
      {"cold", coldCase, {"cold_redraw", "playback_first", "single_thread"}},
  };
  return g;
}

std::string caseName(const Group& g, int n) {
  return std::string("interact/") + g.name + "/" + std::to_string(n);
}

// Median, 95th percentile and event count of every step that ran, one column per scene size.
void printSummary(const KeepingReporter& rep) {
  std::printf("\n%-15s", "step (ms)");
  for (int n : kSizes) std::printf(" %25s", (std::to_string(n) + " shapes: med / p95 (n)").c_str());
  std::printf("\n");
  for (const Group& g : groups()) {
    for (const char* step : g.steps) {
      std::string line;
      for (int n : kSizes) {
        const auto it = rep.kept.find(caseName(g, n) + "/iterations:1/manual_time");
        char cell[64] = "-";
        const std::string name = step;
        if (it != rep.kept.end() && it->second.count(name + "_med_ms")) {
          const auto& c = it->second;
          std::snprintf(cell, sizeof cell, "%.2f / %.2f (%.0f)", c.at(name + "_med_ms"),
                        c.at(name + "_p95_ms"), c.at(name + "_n"));
        }
        char col[40];
        std::snprintf(col, sizeof col, " %25s", cell);
        line += col;
      }
      std::printf("%-15s%s\n", step, line.c_str());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  useOffscreenPlatform();
  QApplication app(argc, argv);
  for (int n : kSizes) {
    for (const Group& g : groups()) {
      const auto run = g.run;
      benchmark::RegisterBenchmark(caseName(g, n).c_str(),
                                   [run, n](benchmark::State& st) { run(st, n); })
          ->UseManualTime()
          ->Iterations(1)
          ->Unit(benchmark::kMillisecond);
    }
  }
  KeepingReporter rep;
  runKeeping(&argc, argv, rep);
  printSummary(rep);
  return 0;
}
