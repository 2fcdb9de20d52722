// The content-bounds scan of the image export against a plain deep copy of the same image,
// timed alternately on the same image: a rendered scene on a transparent background, an empty
// image (every pixel read), a single pixel in the centre, and a fully opaque image.
//
//   bench_export_bounds [benchmark flags]
#include <QImage>
#include <cstdio>
#include <string>
#include <vector>

#include "app/headless_prompt.h"
#include "bench_util.h"
#include "draw_list.h"
#include "export/image_export.h"
#include "floor.h"
#include "scene_gen.h"

namespace {

using namespace pwbench;

constexpr int kRounds = 200;

// The generated scene drawn as the export draws it, on a transparent image of w x h.
QImage sceneImage(int w, int h) {
  pw::HeadlessPrompt prompt;
  pw::ImageStore store;
  pw::Editor ed(prompt, store);
  std::vector<GenImage> images;
  GenParams prm;
  prm.shapes = 1000;
  prm.width = std::min(w, kCanvasW);
  prm.height = std::min(h, kCanvasH);
  generateScene(ed, store, prm, images);
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  Floor(flattenScene(ed.doc, DrawRules::kExport), store, 0).draw(img);
  return img;
}

QImage makeImage(const std::string& kind, int w, int h) {
  if (kind == "scene") return sceneImage(w, h);
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(kind == "opaque" ? QColor(30, 60, 90) : QColor(Qt::transparent));
  if (kind == "dot") img.setPixelColor(w / 2, h / 2, QColor(255, 0, 0, 10));
  return img;
}

void boundsVsCopy(benchmark::State& state, const std::string& kind, int w, int h) {
  const QImage img = makeImage(kind, w, h);
  std::vector<double> tb, tc;
  QRect r;
  for (auto _ : state) {
    auto t0 = Clock::now();
    r = pw::contentBounds(img);
    benchmark::DoNotOptimize(r);
    const double b = msSince(t0);
    t0 = Clock::now();
    QImage c = img.copy();
    benchmark::DoNotOptimize(c.constBits());
    const double cp = msSince(t0);
    tb.push_back(b);
    tc.push_back(cp);
    state.SetIterationTime(b / 1000.0);
  }
  setPairCounters(state, "bounds", tb, "copy", tc);
  state.SetLabel(r.isNull() ? "no content"
                            : QString("%1,%2 %3x%4")
                                  .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
                                  .toStdString());
}

}  // namespace

int main(int argc, char** argv) {
  useOffscreenPlatform();
  QGuiApplication app(argc, argv);
  struct Case {
    const char* kind;
    int w, h;
  };
  const std::vector<Case> cases = {{"scene", 1280, 720}, {"empty", 1280, 720},
                                   {"dot", 1280, 720},   {"opaque", 1280, 720},
                                   {"scene", 4096, 2304}, {"empty", 4096, 2304}};
  std::vector<std::string> names;
  for (const Case& c : cases) {
    const std::string name =
        "bounds_vs_copy/" + std::string(c.kind) + "/" + std::to_string(c.w) + "x" + std::to_string(c.h);
    names.push_back(name);
    benchmark::RegisterBenchmark(name.c_str(), [c](benchmark::State& st) {
      boundsVsCopy(st, c.kind, c.w, c.h);
    })->UseManualTime()->Iterations(kRounds)->Unit(benchmark::kMicrosecond);
  }
  benchmark::Initialize(&argc, argv);
  KeepingReporter rep;
  benchmark::RunSpecifiedBenchmarks(&rep);
  benchmark::Shutdown();

  std::printf("\n%-34s %12s %12s %12s %12s %9s\n", "case", "bounds_med", "bounds_p95", "copy_med",
              "copy_p95", "ratio_med");
  for (const std::string& n : names) {
    auto it = rep.kept.find(n + "/iterations:" + std::to_string(kRounds) + "/manual_time");
    if (it == rep.kept.end()) continue;
    const auto& c = it->second;
    std::printf("%-34s %10.3fms %10.3fms %10.3fms %10.3fms %9.2f\n", n.c_str(), c.at("bounds_med_ms"),
                c.at("bounds_p95_ms"), c.at("copy_med_ms"), c.at("copy_p95_ms"), c.at("ratio_med"));
  }
  return 0;
}
