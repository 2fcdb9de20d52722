// The SVG export of a 10,000-shape generated scene (every kind of shape, effects, texts and
// images), from the document to the file on disk, against drawing the same camera as a PNG
// frame. Counters: svg_med_ms (whole export: walk, SVG text, atomic write), frame_med_ms (the
// frame drawn into pixels, for scale), svg_kb (file size).
//
//   bench_svg_export [benchmark flags]
#include <unistd.h>

#include <QGuiApplication>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "export/frame_export.h"
#include "export/svg_export.h"
#include "scene_gen.h"

namespace {

using namespace pwbench;
namespace fs = std::filesystem;

void svgExport(benchmark::State& state) {
  GeneratedScene s(static_cast<int>(state.range(0)));
  const fs::path file = fs::temp_directory_path() / ("penwick-bench-" + std::to_string(getpid()) + ".svg");
  pw::FrameRenderer frames(s.ed.doc, s.ed.options, s.store);
  std::vector<double> svg, frame;
  for (auto _ : state) {
    auto t0 = Clock::now();
    std::string why;
    if (!pw::exportSvg(s.ed.doc, s.ed.options, s.store, 0, file.string(), &why)) {
      state.SkipWithError(why.c_str());
      break;
    }
    svg.push_back(msSince(t0));
    t0 = Clock::now();
    benchmark::DoNotOptimize(frames.render(0));
    frame.push_back(msSince(t0));
    state.SetIterationTime(svg.back() / 1000.0);
  }
  std::error_code ec;
  state.counters["svg_kb"] = static_cast<double>(fs::file_size(file, ec)) / 1024.0;
  fs::remove(file, ec);
  state.counters["svg_med_ms"] = statsOf(svg).median;
  state.counters["frame_med_ms"] = statsOf(frame).median;
}

}  // namespace

int main(int argc, char** argv) {
  useOffscreenPlatform();
  QGuiApplication app(argc, argv);
  benchmark::RegisterBenchmark("svg_export", svgExport)
      ->Arg(10000)
      ->UseManualTime()
      ->Iterations(5)
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
