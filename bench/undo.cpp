// Undo history costs on scenes of 1,000 to 100,000 boxes: recording a step, undoing and redoing
// it, for a one-shape move, the deletion of an object of 100 shapes and "Select All" + move; and
// the memory 200 one-shape moves keep.
//
//   cmake --build build --target bench_undo && ./build/bench/bench_undo
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/history.h"

namespace {

using Clock = std::chrono::steady_clock;
using pw::ChangeScope;
using pw::Document;
using pw::History;
using pw::Selection;

constexpr int kPerObject = 100;

// `shapes` boxes in objects of `perObject` shapes each.
Document boxes(int shapes, int perObject) {
  Document d;
  const int objects = (shapes + perObject - 1) / perObject;
  d.Objects.assign(static_cast<size_t>(objects), pw::Object{});
  for (int i = 0; i < objects; ++i) {
    pw::Object& o = d.Objects[static_cast<size_t>(i)];
    o.name = "Object" + std::to_string(i);
    o.depth = static_cast<uint8_t>(i);
    o.hasShape = 1;
    o.shapes.resize(static_cast<size_t>(std::min(perObject, shapes - i * perObject)));
    int j = 0;
    for (pw::Shape& s : o.shapes) {
      s.name = "Box_" + std::to_string(j++);
      s.type = pw::kBox;
      s.x = static_cast<int16_t>(j % 1280);
      s.y = static_cast<int16_t>(i % 720);
      s.w = s.h = 20;
    }
  }
  d.DocumentState = pw::kDocumentHasContent;
  return d;
}

double msOf(const std::function<void()>& f) {
  const auto t0 = Clock::now();
  f();
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// One kind of edit: `change` makes it on the document and returns its scope.
struct Edit {
  int perObject;
  std::function<ChangeScope(Document&, Selection&, int round)> change;
};

// Times record, undo and redo of the edit; the iteration time is the record.
void runEdit(benchmark::State& state, const Edit& e) {
  const int n = static_cast<int>(state.range(0));
  Document doc = boxes(n, e.perObject);
  Selection sel;
  History h;
  h.reset(doc, sel);
  double rec = 0, undo = 0, redo = 0;
  int round = 0;
  for (auto _ : state) {
    const ChangeScope scope = e.change(doc, sel, round++);
    const double r = msOf([&] { h.record(doc, sel, "Edit", scope); });
    state.SetIterationTime(r / 1000.0);
    rec += r;
    undo += msOf([&] { h.undo(doc, sel); });
    redo += msOf([&] { h.redo(doc, sel); });
    h.undo(doc, sel);  // the next round starts from the same document
  }
  const double k = static_cast<double>(state.iterations());
  state.counters["record_ms"] = rec / k;
  state.counters["undo_ms"] = undo / k;
  state.counters["redo_ms"] = redo / k;
  state.counters["shapes"] = n;
}

void BM_MoveOneShape(benchmark::State& state) {
  runEdit(state, {kPerObject, [](Document& d, Selection&, int round) {
                    const size_t o = d.Objects.size() / 2;
                    d.Objects[o].shapes[7].x = static_cast<int16_t>(round);
                    return ChangeScope::shapesOf(static_cast<int64_t>(o), {7});
                  }});
}

void BM_DeleteObjectOf100(benchmark::State& state) {
  runEdit(state, {kPerObject, [](Document& d, Selection& sel, int) {
                    const size_t count = d.Objects.size();
                    const int64_t o = static_cast<int64_t>(count / 2);
                    d.Objects.erase(d.Objects.begin() + o);
                    sel.object = 0;
                    return ChangeScope::objectRemoved(o, count);
                  }});
}

// "Select All" then a move of every shape of the current object; perObject 100 (one object of a
// layered scene) or the whole scene in one object.
ChangeScope selectAllMove(Document& d, Selection& sel, int round) {
  const int64_t o = static_cast<int64_t>(d.Objects.size() / 2);
  std::vector<int64_t> all;
  int64_t j = 0;
  sel.selectAll(d.Objects[static_cast<size_t>(o)].shapes, true);
  for (pw::Shape& s : d.Objects[static_cast<size_t>(o)].shapes) {
    s.x = static_cast<int16_t>(s.x + 1 + round % 2);
    all.push_back(j++);
  }
  return ChangeScope::shapesOf(o, std::move(all));
}

void BM_SelectAllMoveObjectOf100(benchmark::State& state) {
  runEdit(state, {kPerObject, selectAllMove});
}

void BM_SelectAllMoveWholeScene(benchmark::State& state) {
  runEdit(state, {1 << 30, selectAllMove});
}

// History bytes after 200 one-shape moves (each on another shape).
void BM_Memory200Moves(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  size_t bytes = 0;
  for (auto _ : state) {
    Document doc = boxes(n, kPerObject);
    const Selection sel;
    History h;
    h.reset(doc, sel);
    for (int i = 0; i < 200; ++i) {
      const size_t o = static_cast<size_t>(i) % doc.Objects.size();
      const size_t s = static_cast<size_t>(i / 7) % doc.Objects[o].shapes.size();
      doc.Objects[o].shapes[s].x += 3;
      h.record(doc, sel, "Move shape",
               ChangeScope::shapesOf(static_cast<int64_t>(o), {static_cast<int64_t>(s)}));
    }
    bytes = h.bytes();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["history_KiB"] = static_cast<double>(bytes) / 1024.0;
}

#define SIZES Arg(1000)->Arg(10000)->Arg(100000)
BENCHMARK(BM_MoveOneShape)->SIZES->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteObjectOf100)->SIZES->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectAllMoveObjectOf100)->SIZES->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectAllMoveWholeScene)->SIZES->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memory200Moves)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
