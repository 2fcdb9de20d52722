// The animation exports against drawing and encoding the same frames one after another on one
// thread: 300 frames of a 1,000-shape scene at 1280 x 720 whose objects move, turn and fade
// between keys of every kind. The exports draw and encode on every core and write their files
// (PNG frames into a folder, or one animated WebP); the reference only draws and encodes.
// Counters: export_ms, serial_ms, ratio (export / serial), fps of the export, and the peak
// resident memory of the process (getrusage) after a short and after the full export, which
// stays level when the frames are streamed rather than held.
//
//   bench_frames [benchmark flags]
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/headless_prompt.h"
#include "bench_util.h"
#include "core/keyframes.h"
#include "export/frame_export.h"
#include "export/png_write.h"
#include "export/webp_write.h"
#include "scene_gen.h"

namespace {

using namespace pwbench;
namespace fs = std::filesystem;

constexpr int64_t kFrames = 300;
constexpr int64_t kShortFrames = 60;

double peakRssMb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// Keys on every object: a slide with ease, a hold, a linear turn about the canvas centre, and a
// fade; the objects differ so that every frame differs everywhere.
void animate(pw::Document& doc) {
  int n = 0;
  for (pw::Object& o : doc.Objects) {
    o.keys.clear();
    const auto key = [&](int frame, int kind, int64_t x, int64_t y, int16_t angle, uint8_t a) {
      pw::ObjectKey k;
      k.frame = static_cast<int16_t>(frame);
      k.kind = static_cast<uint8_t>(kind);
      k.x = x;
      k.y = y;
      k.w = 100;
      k.h = 100;
      k.rotX = kCanvasW / 2;
      k.rotY = kCanvasH / 2;
      k.angle = angle;
      k.alpha = a;
      o.keys.push_back(k);
    };
    key(0, pw::kKeyEase, -40 + 10 * n, 0, 0, 90);
    key(100, pw::kKeyHold, 60 - 10 * n, 30, static_cast<int16_t>(10 * n), 255);
    key(150, pw::kKeyLinear, 60 - 10 * n, 30, static_cast<int16_t>(10 * n), 255);
    key(299, pw::kKeyLinear, 0, -20 + 5 * n, static_cast<int16_t>(-30 + 5 * n), 160);
    ++n;
  }
  doc.MaxFrame = kFrames - 1;
  doc.Fps = 30;
}

struct Setup {
  pw::HeadlessPrompt prompt;
  pw::ImageStore store;
  pw::Editor ed{prompt, store};
  std::vector<GenImage> images;
  Setup() {
    GenParams prm;
    prm.shapes = 1000;
    generateScene(ed, store, prm, images);
    benchOptions(ed);
    animate(ed.doc);
  }
};

// The frames drawn and encoded one after another on this thread; milliseconds.
double serialMs(Setup& s, bool webp, int64_t frames) {
  pw::FrameRenderer r(s.ed.doc, s.ed.options, s.store);
  std::string bytes, err;
  const auto t0 = Clock::now();
  for (int64_t f = 0; f < frames; ++f) {
    const QImage img = r.render(f);
    const bool ok = webp ? pw::encodeWebpFrame(img, bytes, &err) : pw::encodePng(img, bytes);
    benchmark::DoNotOptimize(ok);
  }
  return msSince(t0);
}

double exportMs(Setup& s, bool webp, int64_t frames, const fs::path& out) {
  fs::remove_all(out);
  if (webp) fs::create_directories(out);
  const pw::AnimExport job{s.ed.doc, s.ed.options, s.store, 0, frames - 1, 0, {}, {}, {}, {},
                           false};
  const auto t0 = Clock::now();
  const pw::ExportOutcome o = webp ? pw::exportWebp(job, (out / "anim.webp").string())
                                   : pw::exportFrames(job, out.string());
  const double ms = msSince(t0);
  if (!o.done()) std::fprintf(stderr, "export failed: %s\n", o.error.c_str());
  return ms;
}

void exportVsSerial(benchmark::State& state, bool webp) {
  Setup s;
  const fs::path out = fs::temp_directory_path() /
                       ("penwick-bench-frames-" + std::to_string(::getpid()));
  fs::create_directories(out);
  double serial = 0, exported = 0, rssShort = 0, rssFull = 0;
  for (auto _ : state) {
    serial = serialMs(s, webp, kFrames);
    exportMs(s, webp, kShortFrames, out);
    rssShort = peakRssMb();
    exported = exportMs(s, webp, kFrames, out);
    rssFull = peakRssMb();
    state.SetIterationTime(exported / 1000.0);
  }
  fs::remove_all(out);
  state.counters["export_ms"] = exported;
  state.counters["serial_ms"] = serial;
  state.counters["ratio"] = exported / serial;
  state.counters["fps"] = static_cast<double>(kFrames) * 1000.0 / exported;
  state.counters["peak_rss_mb_60"] = rssShort;
  state.counters["peak_rss_mb_300"] = rssFull;
}

// Where a frame's time goes: drawing, PNG encoding, WebP encoding (milliseconds a frame).
void framePieces(benchmark::State& state) {
  Setup s;
  pw::FrameRenderer r(s.ed.doc, s.ed.options, s.store);
  std::vector<double> draw, png, webp;
  std::string bytes;
  size_t pngBytes = 0, webpBytes = 0;
  int64_t f = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    const QImage img = r.render(f);
    draw.push_back(msSince(t0));
    t0 = Clock::now();
    pw::encodePng(img, bytes);
    png.push_back(msSince(t0));
    pngBytes = bytes.size();
    t0 = Clock::now();
    pw::encodeWebpFrame(img, bytes);
    webp.push_back(msSince(t0));
    webpBytes = bytes.size();
    state.SetIterationTime((draw.back() + png.back() + webp.back()) / 1000.0);
    f = (f + 37) % kFrames;
  }
  state.counters["draw_med_ms"] = statsOf(draw).median;
  state.counters["png_med_ms"] = statsOf(png).median;
  state.counters["webp_med_ms"] = statsOf(webp).median;
  state.counters["png_kb"] = static_cast<double>(pngBytes) / 1024.0;
  state.counters["webp_kb"] = static_cast<double>(webpBytes) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  useOffscreenPlatform();
  QGuiApplication app(argc, argv);
  const std::vector<std::pair<std::string, bool>> cases = {{"frames_png", false},
                                                           {"frames_webp", true}};
  for (const auto& [name, webp] : cases) {
    const bool w = webp;
    benchmark::RegisterBenchmark(name.c_str(), [w](benchmark::State& st) { exportVsSerial(st, w); })
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("frame_pieces", framePieces)
      ->UseManualTime()
      ->Iterations(20)
      ->Unit(benchmark::kMillisecond);
  KeepingReporter rep;
  runKeeping(&argc, argv, rep);

  std::printf("\n%-12s %10s %10s %7s %7s %14s %15s\n", "case", "export", "serial", "ratio",
              "fps", "peak_rss_60fr", "peak_rss_300fr");
  for (const auto& [name, webp] : cases) {
    auto it = rep.kept.find(name + "/iterations:1/manual_time");
    if (it == rep.kept.end()) continue;
    const auto& c = it->second;
    std::printf("%-12s %8.0fms %8.0fms %7.2f %7.1f %12.0fMB %13.0fMB\n", name.c_str(),
                c.at("export_ms"), c.at("serial_ms"), c.at("ratio"), c.at("fps"),
                c.at("peak_rss_mb_60"), c.at("peak_rss_mb_300"));
  }
  return 0;
}
