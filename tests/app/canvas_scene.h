// A generated scene on a canvas with every mark and overlay on, driven through the canvas tools.
// Every event also goes to a second editor with a copy of the state and its own tools, which
// draw on a fresh canvas in one band: the pixels, the selection and the interaction state must
// come out the same.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <vector>

#include "app/canvas_tools.h"
#include "render/scene_cache.h"
#include "render_fixture.h"
#include "scene_gen.h"

namespace pw::test {

inline constexpr int kW = 480, kH = 270;


// What a refresh leaves besides pixels: selection, grab offsets and the interaction state.
inline bool sameOutcome(const Editor& a, const Editor& b) {
  if (a.sel.shape != b.sel.shape || a.tools.shapeHit != b.tools.shapeHit ||
      a.tools.dragState != b.tools.dragState || a.doc.Objects.size() != b.doc.Objects.size())
    return false;
  for (size_t i = 0; i < a.doc.Objects.size(); ++i) {
    const auto& sa = a.doc.Objects[i].shapes;
    const auto& sb = b.doc.Objects[i].shapes;
    if (sa.size() != sb.size()) return false;
    for (size_t j = 0; j < sa.size(); ++j) {
      if (a.sel.isSelected(sa[j].id) != b.sel.isSelected(sb[j].id) ||
          sa[j].startX != sb[j].startX ||
          sa[j].startY != sb[j].startY || sa[j].points.size() != sb[j].points.size())
        return false;
      for (size_t k = 0; k < sa[j].points.size(); ++k) {
        if (sa[j].points[k].dragX != sb[j].points[k].dragX ||
            sa[j].points[k].dragY != sb[j].points[k].dragY)
          return false;
      }
    }
  }
  return true;
}

// A generated scene with every mark and overlay on, driven through the canvas tools. Every
// refresh is checked against a full refresh of the same state on a fresh canvas.
struct DragScene {
  ScriptedPrompt prompt, refPrompt;
  ImageStore store;
  Editor ed{prompt, store};
  Editor ref{refPrompt, store};
  std::vector<pwbench::GenImage> images;
  CanvasSurface canvas{QImage(kW, kH, QImage::Format_ARGB32_Premultiplied), store};
  CanvasTools tools{ed, canvas, [this] { drawn(); }};
  // The reference: the same events on a copy of the state, drawn on a fresh canvas each time.
  CanvasSurface refCanvas{QImage(kW, kH, QImage::Format_ARGB32_Premultiplied), store};
  CanvasTools refTools{ref, refCanvas, {}};
  int refreshes = 0, mismatchedImages = 0, mismatchedOutcomes = 0;
  int panelCalls = 0, refPanelCalls = 0;
  // Refreshes by what they did to the scene picture (SceneCache::Update as index).
  int updates[3] = {0, 0, 0};

  explicit DragScene(int shapes = 160, uint32_t seed = pwbench::kDefaultSeed) {
    ensureGuiApp();
    pwbench::GenParams prm;
    prm.shapes = shapes;
    prm.seed = seed;
    prm.width = kW;
    prm.height = kH;
    pwbench::generateScene(ed, store, prm, images);
    sVdOptions& o = ed.options;
    o.Zoom = 100;
    o.HideAncre = 0;
    o.ShowSelection = 1;
    o.ShowGrid = 1;
    o.GridW = 40;
    o.GridH = 30;
    o.ShowCameraBorder = 1;
    o.ShowCameraCache = 1;
    o.CameraCacheAlpha = 120;
    o.CameraX = 20;
    o.CameraY = 15;
    o.CameraW = kW - 60;
    o.CameraH = kH - 40;
    canvas.image.fill(Qt::transparent);
    ed.listen(Shown::kProperties, [this](const Notice&) { ++panelCalls; });
    ref.listen(Shown::kProperties, [this](const Notice&) { ++refPanelCalls; });
  }

  // Runs `step` on the scene and on the reference, which starts from a copy of the scene's state
  // and a fresh canvas; when the scene's canvas was drawn, compares the two.
  template <class Step>
  void checked(Step step) {
    ref.doc = ed.doc;
    ref.sel = ed.sel;
    ref.options = ed.options;
    ref.tools = ed.tools;
    ref.pan = ed.pan;
    refCanvas.scene = SceneCache{};
    refCanvas.image.fill(Qt::transparent);
    refCanvas.bands = 1;
    refPanelCalls = panelCalls = 0;
    const int before = refreshes;
    step(tools);
    step(refTools);
    if (refreshes == before) return;
    if (!sameImage(refCanvas.image, canvas.image)) ++mismatchedImages;
    if (!sameOutcome(ed, ref) || panelCalls != refPanelCalls) ++mismatchedOutcomes;
  }
  void drawn() {
    ++refreshes;
    ++updates[static_cast<int>(canvas.scene.lastUpdate())];
  }
  // A refresh without a mouse event, as a command or a panel asks for.
  void checkedRedraw() {
    checked([this](CanvasTools& t) {
      t.refresh(ed.tools.sceneMouseX, ed.tools.sceneMouseY, false);
    });
  }
  int partial() const { return canvas.scene.partialUpdates(); }

  Object& object(int64_t i) { return ed.doc.Objects[static_cast<size_t>(i)]; }
  // A plain filled box (no effect) put into object i at shape index `at`.
  Shape& insertBox(int64_t i, size_t at, int x, int y, int w, int h) {
    Shape s;
    s.type = kBox;
    s.x = toI16(x);
    s.y = toI16(y);
    s.w = toI16(w);
    s.h = toI16(h);
    s.points.assign(1, ShapePoint{});
    s.color = packRGBA(30, 140, 220, 255);
    s.alpha = 255;
    s.lineW = 3;
    auto& shapes = object(i).shapes;
    shapes.insert(shapes.begin() + static_cast<std::ptrdiff_t>(at), s);
    return shapes[at];
  }
  // A closed complex square of four segments around (x, y), half side r.
  Shape& insertSquarePath(int64_t i, size_t at, int x, int y, int r) {
    Shape& s = insertBox(i, at, x, y, 0, 0);
    s.type = kComplex;
    s.style = 1;
    const int c[4][2] = {{-r, -r}, {r, -r}, {r, r}, {-r, r}};
    s.points.clear();
    for (int k = 0; k < 4; ++k) {
      const int* a = c[k];
      const int* b = c[(k + 1) % 4];
      for (int t = 0; t < 3; ++t) {
        ShapePoint p;
        p.x = a[0] + (b[0] - a[0]) * t / 3;
        p.y = a[1] + (b[1] - a[1]) * t / 3;
        s.points.push_back(p);
      }
    }
    return s;
  }
  void focus(int64_t oi, int64_t shape) {
    ed.sel.object = oi;
    ed.sel.shape = shape;
    ed.sel.point = -1;
  }
  // Device pixel of a scene position of the current object (no object transform).
  QPointF device(int64_t sx, int64_t sy) const {
    const Object& o = ed.doc.Objects[static_cast<size_t>(ed.sel.object)];
    const double z = static_cast<double>(ed.options.Zoom) * 0.01;
    return {(static_cast<double>(ed.pan.x) + sx) * z + static_cast<double>(o.x),
            (static_cast<double>(ed.pan.y) + sy) * z + static_cast<double>(o.y)};
  }
  void send(const CanvasInput& in) {
    checked([&in](CanvasTools& t) { t.handle(in); });
  }
  void press(QPointF p, bool shift = false) {
    send({CanvasInput::kLeftDown, p.x(), p.y(), true, 0, shift});
  }
  void move(QPointF p) { send({CanvasInput::kMove, p.x(), p.y(), true, 0, false}); }
  void release() { send({CanvasInput::kLeftUp, 0, 0, false, 0, false}); }
  void key(CanvasInput::Kind kind, int k) { send({kind, 0, 0, false, k, false}); }
  // Moves from p by (dx, dy) per step.
  void dragSteps(QPointF p, double dx, double dy, int steps) {
    for (int k = 1; k <= steps; ++k) move(p + QPointF(dx * k, dy * k));
  }
};

}  // namespace pw::test
