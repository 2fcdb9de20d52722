// One playback step on a 1200 x 800 canvas over the generated 10,000-shape scene: the frame
// advance (keyed objects take their pose) and the playback picture (scene inside the camera,
// dark surround, counter), as the timeline's timer runs it 240 times a second at FPS 240.
//
//   bench_playback [benchmark flags]
//
// Cases: "static" (no keys: the camera picture is drawn once and reused), "top" (the last
// object animated: only it is drawn again each frame, over the kept picture of the others),
// "bottom" (the first object animated: the whole scene is drawn again each frame, the worst
// case). Counters: median and 95th percentile wall and CPU time of a step, and
// "cores_at_240fps", the share of one core that 240 steps a second would take at the median
// CPU time (the goal is below 1).
#include <QImage>
#include <string>
#include <vector>

#include "bench_util.h"
#include "core/keyframes.h"
#include "render/playback_draw.h"
#include "scene_gen.h"

namespace {

using namespace pwbench;

constexpr int kSteps = 240;
constexpr int kCanvasWidth = 1200;
constexpr int kCanvasHeight = 800;

enum class Animated { kNone, kTop, kBottom };

void playbackStep(benchmark::State& state, int shapes, Animated animated) {
  GeneratedScene scene(shapes);
  pw::Editor& ed = scene.ed;
  pw::ImageStore& store = scene.store;
  if (animated != Animated::kNone) {
    pw::Object& o = animated == Animated::kTop ? ed.doc.Objects.back() : ed.doc.Objects.front();
    const int64_t x0 = o.x;
    pw::setKey(o, 0, pw::kKeyLinear);
    o.x = x0 + 300;
    pw::setKey(o, kSteps, pw::kKeyLinear);
    o.x = x0;
  }
  QImage canvas(kCanvasWidth, kCanvasHeight, QImage::Format_ARGB32_Premultiplied);
  pw::PlaybackPainter painter;
  int64_t frame = 0;
  auto step = [&] {
    ++frame;
    if (frame > kSteps) frame = 0;
    pw::applyFrame(ed.doc, frame);
    painter.paint(ed, store, canvas, pw::playbackCounterText(frame, kSteps, 240), 0);
  };

  std::vector<double> wall, cpu;
  double firstMs = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    step();  // the first picture draws everything
    firstMs = msSince(t0);
    wall.clear();
    cpu.clear();
    for (int k = 0; k < kSteps; ++k) {
      const auto t = Clock::now();
      const double c = cpuMs();
      step();
      wall.push_back(msSince(t));
      cpu.push_back(cpuMs() - c);
    }
    state.SetIterationTime(statsOf(wall).median / 1000.0);
  }
  const Stats w = statsOf(wall), c = statsOf(cpu);
  state.counters["step_med_ms"] = w.median;
  state.counters["step_p95_ms"] = w.p95;
  state.counters["step_cpu_med_ms"] = c.median;
  state.counters["step_cpu_p95_ms"] = c.p95;
  state.counters["first_step_ms"] = firstMs;
  state.counters["cores_at_240fps"] = c.median * 240 / 1000;
  state.counters["scene_draws"] = painter.sceneDraws() + painter.underlayDraws();
}

}  // namespace

int main(int argc, char** argv) {
  useOffscreenPlatform();
  QGuiApplication app(argc, argv);
  const std::pair<const char*, Animated> cases[] = {
      {"static", Animated::kNone}, {"top", Animated::kTop}, {"bottom", Animated::kBottom}};
  for (const auto& [name, animated] : cases) {
    const std::string label = std::string("playback/") + name + "/10000";
    const Animated a = animated;
    benchmark::RegisterBenchmark(label.c_str(),
                                 [a](benchmark::State& st) { playbackStep(st, 10000, a); })
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
