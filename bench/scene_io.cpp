// Scene file speed: reading and writing scenes of 10,000 and 100,000 shapes, in lines per second,
// against a bare pass that only splits the same text into lines and fields and parses integers.
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENWICK_BENCH=ON
//   cmake --build build-bench --target bench_scene_io && ./build-bench/bench/bench_scene_io
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "core/editor.h"
#include "core/scene_file.h"
#include "core/scripted_prompt.h"

namespace {

// Images and fonts by counter: the benchmark measures the scene file, not image decoding.
class CountingResources : public pw::Resources {
 public:
  int64_t loadImage(const std::string&) override { return ++next_; }
  bool isImage(int64_t id) const override { return id > 0 && id <= next_; }
  bool imageSize(int64_t, int& w, int& h) const override {
    w = h = 16;
    return true;
  }
  void freeImage(int64_t) override {}
  int64_t loadFont(const std::string&, int, int64_t) override { return ++next_; }

 private:
  int64_t next_ = 0;
};

// A folder under /tmp holding the image file the scenes name and the files saved and loaded.
struct Workspace {
  std::string dir;
  std::string image;
  Workspace() {
    char tmpl[] = "/tmp/scene_bench_XXXXXX";
    dir = ::mkdtemp(tmpl) ? tmpl : "/tmp";
    image = dir + "/picture.png";
    std::ofstream(image, std::ios::binary) << "not decoded here";
  }
  ~Workspace() { std::filesystem::remove_all(dir); }
};

Workspace& workspace() {
  static Workspace w;
  return w;
}

// A scene of `shapes` shapes in objects of 100, types in turn, each with its points and one
// effect; text and image shapes carry their kind fields.
void buildScene(pw::Document& doc, int64_t shapes) {
  const int64_t perObject = 100;
  doc.Objects.assign(static_cast<size_t>((shapes + perObject - 1) / perObject), pw::Object{});
  int64_t n = 0;
  for (size_t oi = 0; oi < doc.Objects.size(); ++oi) {
    pw::Object& o = doc.Objects[oi];
    o.name = "Layer " + std::to_string(oi);
    o.alpha = 255;
    o.w = o.h = 100;
    o.depth = static_cast<uint8_t>(oi);
    o.shapes.clear();
    o.shapes.resize(static_cast<size_t>(std::min(perObject, shapes - n)));
    for (size_t k = 0; k < o.shapes.size(); ++k, ++n) {
      pw::Shape& s = o.shapes[k];
      s.type = static_cast<uint8_t>(n % 8);
      s.name = "Shape_" + std::to_string(n);
      s.color = pw::packRGBA(static_cast<int>(n % 256), 120, 40, 255);
      s.alpha = 255;
      s.lineW = 10;
      s.lineH = 5;
      s.lineDist = 5;
      s.x = static_cast<int16_t>(n % 2000 - 1000);
      s.y = static_cast<int16_t>(n % 1500);
      s.w = 60;
      s.h = 40;
      const size_t pts = s.type == pw::kComplex ? 9 : s.type == pw::kCurve ? 4 : s.type == pw::kLine ? 2 : 1;
      s.points.assign(pts, pw::ShapePoint{});
      for (size_t p = 0; p < pts; ++p) {
        s.points[p].x = static_cast<int64_t>(p) * 13 - 40 + n % 97;
        s.points[p].y = static_cast<int64_t>(p) * -7 + n % 89;
      }
      pw::ShapeFx& f = s.fx[0];
      f.color = pw::kFxColor;
      f.alpha = 255;
      f.width = 10;
      f.height = 5;
      f.dist = 5;
      f.scale = 100;
      f.active = static_cast<uint8_t>(n % 2);
      if (s.type == pw::kText) {
        s.text = "Caption, number " + std::to_string(n);
        s.fontName = "Times New roman";
        s.fontStyle = 256;
      } else if (s.type == pw::kImage) {
        s.imageFile = workspace().image;
        s.imageW = s.imageH = 16;
      }
    }
  }
}

struct Fixture {
  pw::ScriptedPrompt prompt;
  CountingResources res;
  pw::Editor ed{prompt, res};
  std::string text;
  int64_t lines = 0;
  explicit Fixture(int64_t shapes) {
    buildScene(ed.doc, shapes);
    text = pw::sceneText(ed.doc);
    lines = std::count(text.begin(), text.end(), '\n');
  }
};

Fixture& fixture(int64_t shapes) {
  static std::map<int64_t, Fixture*> cache;
  Fixture*& f = cache[shapes];
  if (!f) f = new Fixture(shapes);  // kept for the whole run
  return *f;
}

void setRate(benchmark::State& state, int64_t lines) {
  state.counters["lines"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BarePass(benchmark::State& state) {
  const std::string& text = fixture(state.range(0)).text;
  for (auto _ : state) {
    int64_t sum = 0;
    std::string_view t = text;
    while (!t.empty()) {
      const size_t nl = t.find('\n');
      std::string_view line = t.substr(0, nl);
      t.remove_prefix(nl == std::string_view::npos ? t.size() : nl + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      for (;;) {
        const size_t c = line.find(',');
        const std::string_view field = line.substr(0, c);
        int64_t v = 0;
        std::from_chars(field.data(), field.data() + field.size(), v);
        sum += v;
        if (c == std::string_view::npos) break;
        line.remove_prefix(c + 1);
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  setRate(state, fixture(state.range(0)).lines);
}

// Editors made and destroyed outside the timed region, so a read is measured into a fresh
// document (freeing the previous scene is measured separately by BM_ReplaceScene).
struct FreshEditor {
  pw::ScriptedPrompt prompt;
  CountingResources res;
  pw::Editor ed{prompt, res};
};

void BM_ReadSceneText(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto e = std::make_unique<FreshEditor>();
    state.ResumeTiming();
    pw::readSceneText(e->ed, pw::kLoadReplace, f.text);
    benchmark::DoNotOptimize(e->ed.doc.Objects.data());
    state.PauseTiming();
    if (!e->prompt.messages.empty()) state.SkipWithError("the scene reported errors");
    e.reset();
    state.ResumeTiming();
  }
  setRate(state, f.lines);
}

// Reading over a document of the same size: includes freeing the previous scene.
void BM_ReplaceScene(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  FreshEditor e;
  pw::readSceneText(e.ed, pw::kLoadReplace, f.text);
  for (auto _ : state) {
    pw::readSceneText(e.ed, pw::kLoadReplace, f.text);
    benchmark::DoNotOptimize(e.ed.doc.Objects.data());
  }
  setRate(state, f.lines);
}

void BM_LoadScene(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  const std::string path = workspace().dir + "/load_" + std::to_string(state.range(0)) + ".txt";
  std::ofstream(path, std::ios::binary) << f.text;
  for (auto _ : state) {
    state.PauseTiming();
    auto e = std::make_unique<FreshEditor>();
    state.ResumeTiming();
    if (!pw::loadScene(e->ed, pw::kLoadReplace, path, false)) state.SkipWithError("load failed");
    state.PauseTiming();
    if (!e->prompt.messages.empty()) state.SkipWithError("the scene reported errors");
    e.reset();
    state.ResumeTiming();
  }
  setRate(state, f.lines);
}

void BM_SceneText(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  for (auto _ : state) {
    std::string text = pw::sceneText(f.ed.doc);
    benchmark::DoNotOptimize(text.data());
  }
  setRate(state, f.lines);
}

void BM_SaveScene(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  const std::string path = workspace().dir + "/save_" + std::to_string(state.range(0));
  for (auto _ : state) {
    if (!pw::saveScene(f.ed, path, true)) state.SkipWithError("save failed");
  }
  setRate(state, f.lines);
}

}  // namespace

BENCHMARK(BM_BarePass)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSceneText)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceScene)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadScene)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SceneText)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveScene)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
