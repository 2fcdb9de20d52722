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
#include <cmath>
#include <cstring>
#include <ctime>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/canvas_tools.h"
#include "app/headless_prompt.h"
#include "bench_util.h"
#include "render/drag_cache.h"
#include "render/refresh.h"
#include "scene_gen.h"

namespace {

using namespace pwbench;

constexpr int kMoves = 200;

enum class Pick { kTop, kMiddle };

struct Scene {
  explicit Scene(int shapes) : ed(prompt, store) {
    GenParams prm;
    prm.shapes = shapes;
    generateScene(ed, store, prm, images);
    benchOptions(ed);
    // The editor's own view: anchors, selection outlines and the camera border are shown.
    ed.options.HideAncre = 0;
    ed.options.ShowSelection = 1;
    ed.options.ShowCameraBorder = 1;
  }
  pw::HeadlessPrompt prompt;
  pw::ImageStore store;
  pw::Editor ed;
  std::vector<GenImage> images;
};

pw::CanvasSurface makeCanvas(pw::ImageStore& store) {
  pw::CanvasSurface c{QImage(kCanvasW, kCanvasH, QImage::Format_ARGB32_Premultiplied), store};
  c.image.fill(Qt::transparent);
  return c;
}

// Where to press: the centre of the box or circle nearest below the last shape of the last
// object, or the middle shape of the middle object. Makes that object current.
QPointF pressPoint(pw::Document& doc, Pick pick) {
  const int64_t oi = pick == Pick::kTop ? pw::lastIndex(doc.Objects)
                                        : pw::lastIndex(doc.Objects) / 2;
  const auto& shapes = doc.Objects[static_cast<size_t>(oi)].shapes;
  int64_t j = pick == Pick::kTop ? pw::lastIndex(shapes) : pw::lastIndex(shapes) / 2;
  for (; j > 0; --j) {
    const pw::Shape& s = shapes[static_cast<size_t>(j)];
    if (s.link == 0 && s.hidden == 0 && s.w > 4 && s.h > 4 &&
        (s.type == pw::kBox || s.type == pw::kCircle))
      break;
  }
  doc.CurrentObject = oi;
  doc.CurrentShape = -1;
  doc.CurrentPoint = -1;
  const pw::Shape& s = shapes[static_cast<size_t>(j)];
  const double cx = s.type == pw::kBox ? s.x + s.w / 2.0 : s.x;
  const double cy = s.type == pw::kBox ? s.y + s.h / 2.0 : s.y;
  return {std::round(cx), std::round(cy)};
}

// CPU time of the whole process (every thread), in ms: what a move costs whatever else the
// machine is doing.
double cpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

bool sameImage(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.format() != b.format()) return false;
  for (int y = 0; y < a.height(); ++y) {
    if (std::memcmp(a.constScanLine(y), b.constScanLine(y), static_cast<size_t>(a.width()) * 4))
      return false;
  }
  return true;
}

void drag(benchmark::State& state, int shapes, Pick pick) {
  Scene sc(shapes);
  pw::Editor& ed = sc.ed;
  const QPointF at = pressPoint(ed.doc, pick);
  pw::CanvasSurface canvas = makeCanvas(sc.store);
  pw::CanvasTools tools(ed, [&](int64_t x, int64_t y, int mode) {
    pw::refreshCanvas(ed, canvas, x, y, mode);
  });

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
    // Across the canvas with some vertical wobble.
    times.clear();
    cpu.clear();
    for (int k = 1; k <= kMoves; ++k) {
      const double t = static_cast<double>(k) / kMoves;
      const double mx = 40 + std::round(t * (kCanvasW - 80));
      const double my = at.y() + std::round(60 * std::sin(t * 6.283185307179586));
      t0 = Clock::now();
      const double c0 = cpuMs();
      tools.handle({pw::CanvasInput::kMove, mx, my, true, 0, false});
      times.push_back(msSince(t0));
      cpu.push_back(cpuMs() - c0);
      if (canvas.cache && canvas.cache->valid()) {
        const QRect d = canvas.cache->lastDirty();
        dirtyPx += static_cast<double>(d.width()) * d.height();
        units += canvas.cache->lastUnits();
      }
    }
    redraws = canvas.cache ? canvas.cache->redraws() : 0;
    if (const pw::Shape* s = pw::currentShape(ed.doc)) movedTo = s->x;
    state.SetIterationTime(statsOf(times).median / 1000.0);

    // The same state drawn in full on a fresh canvas.
    Scene ref(shapes);
    ref.ed.doc = ed.doc;
    ref.ed.options = ed.options;
    ref.ed.tools = ed.tools;
    pw::CanvasSurface fresh = makeCanvas(ref.store);
    pw::refreshCanvas(ref.ed, fresh, ed.tools.sceneMouseX, ed.tools.sceneMouseY, 1);
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
  state.counters["picked_object"] = static_cast<double>(ed.doc.CurrentObject);
  state.counters["picked_shape"] = static_cast<double>(ed.doc.CurrentShape);
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
