// Dragging one shape across the canvas: 200 mouse moves with the Move tool in generated scenes of
// 100, 1,000 and 10,000 shapes on a 1280 x 720 canvas, each move timed from the event to the
// finished canvas image. The dragged shape is either the last shape of the last object (nothing
// is drawn over it) or the middle shape of the middle object (half the scene is drawn over it).
// After the drag the canvas must equal a full refresh of the same state on a fresh canvas.
//
//   bench_drag [benchmark flags]
//
// The drag goes through the canvas tools as the window's mouse events do: a left press with the
// Move tool at the centre of a box or circle near the chosen shape (the press's click test picks
// the last shape of the current object under it, which is then dragged), 200 moves with the
// button held, the release. Counters: median, 95th percentile and worst move, the first move, the
// press (a full refresh with the click test), updates per second at the median, the moves that
// were redrawn only in part, and whether the final canvas equals a full refresh.
#include <QImage>
#include <algorithm>
#include <string>
#include <vector>

#include "app/canvas_tools.h"
#include "bench_util.h"
#include "canvas_rig.h"
#include "render/refresh.h"

namespace {

using namespace pwbench;

constexpr int kMoves = 200;

void drag(benchmark::State& state, int shapes, Pick pick) {
  EditorScene sc(shapes);
  pw::Editor& ed = sc.ed;
  const QPointF at = pressPoint(ed.doc, ed.sel, pick);
  pw::CanvasSurface canvas = makeCanvas(sc.store);
  pw::CanvasTools tools(ed, canvas, {});

  std::vector<double> times, cpu;
  double pressMs = 0;
  bool identical = true;
  int redraws = 0;
  int64_t movedTo = 0;
  double dirtyPx = 0, units = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    tools.handle({pw::CanvasInput::kLeftDown, at.x(), at.y(), true, 0, false});
    pressMs = msSince(t0);
    times.clear();
    cpu.clear();
    for (int k = 1; k <= kMoves; ++k) {
      const QPointF m = dragPosition(k, kMoves, at);
      t0 = Clock::now();
      const double c0 = cpuMs();
      tools.handle({pw::CanvasInput::kMove, m.x(), m.y(), true, 0, false});
      times.push_back(msSince(t0));
      cpu.push_back(cpuMs() - c0);
      if (canvas.scene.lastUpdate() == pw::SceneCache::Update::kPartial) {
        const QRect d = canvas.scene.lastDirty();
        dirtyPx += static_cast<double>(d.width()) * d.height();
        units += canvas.scene.lastUnits();
      }
    }
    redraws = canvas.scene.partialUpdates();
    if (const pw::Shape* s = pw::currentShape(ed.doc, ed.sel)) movedTo = s->x;
    state.SetIterationTime(statsOf(times).median / 1000.0);

    // The same state drawn in full on a fresh canvas.
    EditorScene ref(shapes);
    ref.ed.doc = ed.doc;
    ref.ed.sel = ed.sel;
    ref.ed.options = ed.options;
    ref.ed.tools = ed.tools;
    ref.ed.pan = ed.pan;
    pw::CanvasSurface fresh = makeCanvas(ref.store);
    pw::CanvasTools(ref.ed, fresh, {}).refresh(ed.tools.sceneMouseX, ed.tools.sceneMouseY, true);
    identical = identical && sameImage(fresh.image, canvas.image);
    tools.handle({pw::CanvasInput::kLeftUp, 0, 0, false, 0, false});
  }
  const Stats st = statsOf(times);
  state.counters["move_med_ms"] = st.median;
  state.counters["move_p95_ms"] = st.p95;
  const Stats cs = statsOf(cpu);
  state.counters["move_cpu_med_ms"] = cs.median;
  state.counters["move_cpu_p95_ms"] = cs.p95;
  state.counters["move_max_ms"] = *std::max_element(times.begin(), times.end());
  state.counters["first_move_ms"] = times.front();
  state.counters["updates_per_s"] = 1000.0 / st.median;
  state.counters["press_ms"] = pressMs;
  state.counters["partial_moves"] = redraws;
  state.counters["picked_object"] = static_cast<double>(ed.sel.object);
  state.counters["picked_shape"] = static_cast<double>(ed.sel.shape);
  state.counters["identical"] = identical ? 1 : 0;
  state.counters["final_x"] = static_cast<double>(movedTo);
  state.counters["dirty_px_avg"] = dirtyPx / kMoves;
  state.counters["units_avg"] = units / kMoves;
}

}  // namespace

int main(int argc, char** argv) {
  useOffscreenPlatform();
  QGuiApplication app(argc, argv);
  for (int n : {100, 1000, 10000}) {
    for (Pick p : {Pick::kTop, Pick::kMiddle}) {
      const std::string name =
          std::string("drag/") + (p == Pick::kTop ? "top/" : "middle/") + std::to_string(n);
      benchmark::RegisterBenchmark(name.c_str(), [n, p](benchmark::State& st) { drag(st, n, p); })
          ->UseManualTime()
          ->Iterations(1)
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
