// Canvas refresh timing: a full canvas refresh (the click test and the drawing) of generated
// scenes of 100, 1,000 and 10,000 shapes on a 1280 x 720 canvas, interleaved frame by frame with
// the floor (the same geometry prebuilt and painted by a bare QPainter loop), with median and
// 95th percentile of each and their ratio.
//
//   bench_render [benchmark flags]          run the timings
//   bench_render --write-scenes DIR [N...]  write scene-N.txt, scene-N.svg, their images and
//                                           bench-settings.ini into DIR (default N: 1000 10000)
//   bench_render --dump-frames DIR          save one refresh and one floor frame per size as PNG
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/canvas_tools.h"
#include "bench_util.h"
#include "core/scene_file.h"
#include "floor.h"
#include "render/refresh.h"
#include "scene_gen.h"
#include "svg_writer.h"

namespace {

using namespace pwbench;

constexpr int kFrames = 50;  // timed refreshes (and floors) per size

// One generated scene with its editor, image store and canvas.
struct Bench : GeneratedScene {
  explicit Bench(int shapes) : GeneratedScene(shapes) {
    canvas = std::make_unique<pw::CanvasSurface>(
        pw::CanvasSurface{QImage(kCanvasW, kCanvasH, QImage::Format_ARGB32_Premultiplied), store});
    canvas->image.fill(Qt::transparent);
    tools = std::make_unique<pw::CanvasTools>(ed, *canvas, std::function<void()>{});
  }
  void refresh() {
    ed.tools.shapeHit = false;  // every frame is a fresh press, as when clicking again
    ed.tools.dragState = pw::DragState::kNone;
    tools->refresh(kCanvasW / 2, kCanvasH / 2, true);
  }

  std::unique_ptr<pw::CanvasSurface> canvas;
  std::unique_ptr<pw::CanvasTools> tools;
};

// Share of pixels on which two images differ by more than `tol` in some channel, in percent.
double differingPercent(const QImage& a, const QImage& b, int tol) {
  const QImage x = a.convertToFormat(QImage::Format_ARGB32);
  const QImage y = b.convertToFormat(QImage::Format_ARGB32);
  long diff = 0;
  for (int r = 0; r < x.height(); ++r) {
    const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
    const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
    for (int c = 0; c < x.width(); ++c) {
      if (std::abs(qRed(p[c]) - qRed(q[c])) > tol || std::abs(qGreen(p[c]) - qGreen(q[c])) > tol ||
          std::abs(qBlue(p[c]) - qBlue(q[c])) > tol || std::abs(qAlpha(p[c]) - qAlpha(q[c])) > tol)
        ++diff;
    }
  }
  return 100.0 * static_cast<double>(diff) / (static_cast<double>(x.width()) * x.height());
}

void refreshVsFloor(benchmark::State& state, int shapes) {
  Bench b(shapes);
  const Floor floor(flattenScene(b.ed.doc, DrawRules::kCanvas), b.store, b.ed.options.BgColor);
  QImage floorImage(kCanvasW, kCanvasH, QImage::Format_ARGB32_Premultiplied);
  floorImage.fill(Qt::transparent);
  b.refresh();  // warm caches (text outlines, glyphs) on both sides
  floor.draw(floorImage);

  std::vector<double> tr, tf;
  for (auto _ : state) {
    auto t0 = Clock::now();
    b.refresh();
    const double r = msSince(t0);
    t0 = Clock::now();
    floor.draw(floorImage);
    const double f = msSince(t0);
    tr.push_back(r);
    tf.push_back(f);
    state.SetIterationTime(r / 1000.0);
  }
  setPairCounters(state, "refresh", tr, "floor", tf);
  state.counters["floor_ops"] = static_cast<double>(floor.size());
  // How far the floor's pixels are from the refresh's: it must be the same picture.
  state.counters["diff_px_pct"] = differingPercent(b.canvas->image, floorImage, 24);
}

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
  return static_cast<bool>(f.flush());
}

int writeScenes(const std::string& dirArg, std::vector<int> sizes) {
  if (sizes.empty()) sizes = {1000, 10000};
  QDir dir(QString::fromStdString(dirArg));
  if (!dir.mkpath(".")) {
    std::fprintf(stderr, "bench_render: cannot create %s\n", dirArg.c_str());
    return 1;
  }
  const std::string abs = QFileInfo(dir.absolutePath()).absoluteFilePath().toStdString();
  for (int n : sizes) {
    Bench b(n);
    // The SVG names the images beside it; the scene file gives their full paths.
    const std::string svg = svgText(b.ed.doc, kCanvasW, kCanvasH);
    for (const GenImage& gi : b.images) {
      const std::string path = abs + "/" + gi.file;
      if (!gi.image.save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "bench_render: cannot write %s\n", path.c_str());
        return 1;
      }
    }
    for (pw::Object& o : b.ed.doc.Objects)
      for (pw::Shape& s : o.shapes)
        if (s.type == pw::kImage) s.imageFile = abs + "/" + s.imageFile;
    const std::string base = abs + "/scene-" + std::to_string(n);
    if (!writeFile(base + ".txt", pw::sceneText(b.ed.doc)) || !writeFile(base + ".svg", svg)) {
      std::fprintf(stderr, "bench_render: cannot write %s\n", base.c_str());
      return 1;
    }
    std::printf("%s.txt %s.svg\n", base.c_str(), base.c_str());
  }
  const std::string settings = "{\"CameraX\": 0, \"CameraY\": 0, \"CameraW\": " +
                               std::to_string(kCanvasW) + ", \"CameraH\": " +
                               std::to_string(kCanvasH) + "}\n";
  if (!writeFile(abs + "/bench-settings.ini", settings)) return 1;
  std::printf("%s/bench-settings.ini\n", abs.c_str());
  return 0;
}

// Saves the refresh and the floor of each size as PNGs, to look at what is being timed.
int dumpFrames(const std::string& dirArg) {
  QDir dir(QString::fromStdString(dirArg));
  if (!dir.mkpath(".")) return 1;
  for (int n : {100, 1000, 10000}) {
    Bench b(n);
    const Floor floor(flattenScene(b.ed.doc, DrawRules::kCanvas), b.store, b.ed.options.BgColor);
    QImage floorImage(kCanvasW, kCanvasH, QImage::Format_ARGB32_Premultiplied);
    floorImage.fill(Qt::transparent);
    b.refresh();
    floor.draw(floorImage);
    const QString base = dir.absoluteFilePath(QString("frame-%1-").arg(n));
    if (!b.canvas->image.save(base + "refresh.png") || !floorImage.save(base + "floor.png"))
      return 1;
    std::printf("%s{refresh,floor}.png  differing pixels %.2f%%\n", base.toStdString().c_str(),
                differingPercent(b.canvas->image, floorImage, 24));
  }
  return 0;
}

void printSummary(const KeepingReporter& rep, const std::vector<int>& sizes) {
  std::printf("\n%8s %12s %12s %12s %12s %9s %9s %10s %9s\n", "shapes", "refresh_med", "refresh_p95",
              "floor_med", "floor_p95", "ratio_med", "ratio_p95", "us/shape", "diff_px%");
  double prevMed = 0;
  int prevN = 0;
  std::string growth;
  for (int n : sizes) {
    auto it = rep.kept.find("refresh_vs_floor/" + std::to_string(n) + "/iterations:" +
                            std::to_string(kFrames) + "/manual_time");
    if (it == rep.kept.end()) continue;
    const auto& c = it->second;
    const double med = c.at("refresh_med_ms");
    std::printf("%8d %10.3fms %10.3fms %10.3fms %10.3fms %9.2f %9.2f %10.2f %9.2f\n", n, med,
                c.at("refresh_p95_ms"), c.at("floor_med_ms"), c.at("floor_p95_ms"),
                c.at("ratio_med"), c.at("ratio_p95"), 1000.0 * med / n, c.at("diff_px_pct"));
    if (prevN > 0) {
      char buf[160];
      std::snprintf(buf, sizeof buf, "  %d -> %d shapes (x%.0f): refresh x%.2f\n", prevN, n,
                    static_cast<double>(n) / prevN, med / prevMed);
      growth += buf;
    }
    prevMed = med;
    prevN = n;
  }
  if (!growth.empty()) std::printf("growth of the median refresh:\n%s", growth.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  useOffscreenPlatform();
  QGuiApplication app(argc, argv);
  if (argc >= 3 && std::string(argv[1]) == "--write-scenes") {
    std::vector<int> sizes;
    for (int k = 3; k < argc; ++k) sizes.push_back(std::atoi(argv[k]));
    return writeScenes(argv[2], sizes);
  }
  if (argc >= 3 && std::string(argv[1]) == "--dump-frames") return dumpFrames(argv[2]);
  const std::vector<int> sizes = {100, 1000, 10000};
  for (int n : sizes) {
    benchmark::RegisterBenchmark(("refresh_vs_floor/" + std::to_string(n)).c_str(),
                                 [n](benchmark::State& st) { refreshVsFloor(st, n); })
        ->UseManualTime()
        ->Iterations(kFrames)
        ->Unit(benchmark::kMillisecond);
  }
  KeepingReporter rep;
  runKeeping(&argc, argv, rep);
  printSummary(rep, sizes);
  return 0;
}
