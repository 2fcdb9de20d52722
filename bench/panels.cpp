// Selecting in the side panels of an object with 10,000 shapes: what runs when the selection
// changes (the shape list refilled, the effect list, refreshProperties) and a click on a row of
// the shape list (the list handler: every shape's selection, the current shape, then the
// properties). The canvas redraw that follows a click is the scene refresh measured by
// bench_render; here the redraw hook only counts.
//
//   bench_panels [benchmark flags]
//
// Counters: median and 95th percentile per operation in milliseconds (goal: under 16 ms each).
#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <memory>
#include <random>
#include <vector>

#include "app/headless_prompt.h"
#include "bench_util.h"
#include "core/create.h"
#include "panel_rig.h"
#include "render/image_store.h"

namespace {

using namespace pwbench;

constexpr int kShapes = 10000;
constexpr int kRounds = 60;

// The panels as the window builds them, on one object of `shapes` boxes.
struct Panels {
  explicit Panels(int shapes) : ed(prompt, store), rig(ed), ctx(rig.ctx), controls(rig.controls) {
    ed.listen(pw::Shown::kCanvas, [this](const pw::Notice&) { ++redraws; });
    pw::addObject(ed, 0);
    pw::Object& o = ed.doc.Objects[0];
    o.shapes.resize(static_cast<size_t>(shapes));
    for (int j = 0; j < shapes; ++j) {
      pw::Shape& s = o.shapes[static_cast<size_t>(j)];
      s.type = pw::kBox;
      s.name = "box " + std::to_string(j);
      s.depth = j;
      s.w = s.h = 20;
      s.lineW = s.lineH = s.lineDist = 1;
    }
    o.hasShape = 1;
    ed.doc.DocumentState = pw::kDocumentHasContent;
    ed.sel.shape = 0;
    rig.shapePanel.show();
    pw::refreshShapeList(ctx);
  }
  pw::HeadlessPrompt prompt;
  pw::ImageStore store;
  pw::Editor ed;
  PanelRig rig;
  pw::PanelContext& ctx;
  pw::ControlSet& controls;
  int redraws = 0;
};

// A new current shape: the lists refilled and the properties copied, as a canvas click does.
void selectionRefresh(benchmark::State& state) {
  Panels p(kShapes);
  std::mt19937 rng(7);
  std::vector<double> times;
  for (auto _ : state) {
    times.clear();
    for (int r = 0; r < kRounds; ++r) {
      p.ed.sel.shape = static_cast<int64_t>(rng() % kShapes);
      const auto t0 = Clock::now();
      pw::refreshShapeList(p.ctx);
      pw::refreshFxList(p.ctx);
      pw::refreshProperties(p.ctx);
      times.push_back(msSince(t0));
    }
    state.SetIterationTime(statsOf(times).median / 1000.0);
  }
  const Stats s = statsOf(times);
  state.counters["med_ms"] = s.median;
  state.counters["p95_ms"] = s.p95;
  state.counters["rows"] = p.controls.itemCount(46);
}

// A click on a visible row of list 46, from the press to the refreshed properties.
void listClick(benchmark::State& state) {
  Panels p(kShapes);
  auto* list = static_cast<QListWidget*>(p.controls.widget(46));
  std::vector<double> times;
  for (auto _ : state) {
    times.clear();
    for (int r = 0; r < kRounds; ++r) {
      const int row = r % 4;
      const QPoint at = list->visualItemRect(list->item(row)).center();
      const auto t0 = Clock::now();
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
      times.push_back(msSince(t0));
    }
    state.SetIterationTime(statsOf(times).median / 1000.0);
  }
  const Stats s = statsOf(times);
  state.counters["med_ms"] = s.median;
  state.counters["p95_ms"] = s.p95;
  state.counters["current"] = static_cast<double>(p.ed.sel.shape);
}

}  // namespace

int main(int argc, char** argv) {
  useOffscreenPlatform();
  QApplication app(argc, argv);
  benchmark::RegisterBenchmark("panels/selection_refresh/10000", selectionRefresh)
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("panels/list_click/10000", listClick)
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
