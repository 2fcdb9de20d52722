// A drawing test bench: an editor with a scripted prompt and a real image store, a canvas image of
// a chosen size, and helpers that put shapes straight into the model.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QSize>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "core/create.h"
#include "core/editor.h"
#include "core/scripted_prompt.h"
#include "render/image_store.h"
#include "render/pick.h"
#include "render/refresh.h"
#include "render/render_ctx.h"
#include "render/scene_draw.h"
#include "render/vg.h"

namespace pw::test {

// Colours the drawing tests paint with, and the camera border's.
inline constexpr int64_t kWhite = packRGBA(255, 255, 255, 255);
inline constexpr int64_t kBlack = packRGBA(0, 0, 0, 255);
inline constexpr int64_t kRed = packRGBA(255, 0, 0, 255);
inline constexpr int64_t kGreen = packRGBA(0, 255, 0, 255);
inline constexpr int64_t kBlue = packRGBA(0, 0, 255, 255);
inline constexpr int64_t kBorder = packRGBA(255, 120, 120, 255);

// Fonts need a GUI application. The test run makes one before the first test and deletes it after
// the last, so that the font libraries release what they hold (render_fixture.cpp). Outside a
// test run this makes one that lives on.
inline void ensureGuiApp() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_render";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

// The rows where two pictures of one size and format differ, listed for a failure message; empty
// when they are the same byte for byte.
inline std::string differingRows(const QImage& a, const QImage& b) {
  std::string rows;
  for (int y = 0; y < a.height() && rows.size() < 80; ++y) {
    if (std::memcmp(a.constScanLine(y), b.constScanLine(y), static_cast<size_t>(a.width()) * 4))
      rows += std::to_string(y) + " ";
  }
  return rows;
}
inline bool sameImage(const QImage& a, const QImage& b) {
  return a.size() == b.size() && a.format() == b.format() && differingRows(a, b).empty();
}

// The canvas picture of the editor's state on a fresh surface of w x h drawn in `bands` bands:
// what every cached, partial or banded picture is held to.
// The click test of an editor's canvas of `size` pixels at (x, y), as the canvas tools ask it.
inline std::vector<PickEntry> pickOnCanvas(const Editor& ed, ImageStore& store, QSize size,
                                           double x, double y) {
  View view = canvasView(ed.sel, ed.options, ed.pan);
  view.width = size.width();
  view.height = size.height();
  return pick(ed.doc, view, ed.sel, store, x, y);
}

inline QImage freshPicture(const Editor& ed, ImageStore& store, int w, int h, int bands = 1) {
  CanvasSurface canvas{QImage(w, h, QImage::Format_ARGB32_Premultiplied), store};
  canvas.image.fill(Qt::transparent);
  canvas.bands = bands;
  drawCanvas(ed, canvas);
  return canvas.image;
}

struct RenderFixture {
  ScriptedPrompt prompt;
  ImageStore store;
  Editor ed{prompt, store};
  CanvasSurface canvas;
  int propertiesRefreshed = 0;

  // A transparent background and no overlays or marks, so that a pixel shows only what a test
  // switches on.
  RenderFixture(int w, int h)
      : canvas{QImage(w, h, QImage::Format_ARGB32_Premultiplied), store} {
    ensureGuiApp();
    sVdOptions& o = ed.options;
    o.BgColor = packRGBA(0, 0, 0, 0);
    o.BgImg = 0;
    o.ShowGrid = 0;
    o.ShowCameraBorder = 0;
    o.ShowCameraCache = 0;
    o.ShowSelection = 0;
    o.HideAncre = 1;
    ed.doc.Objects.clear();
    addObject();
    ed.sel.object = 0;
    ed.sel.shape = -1;
    ed.sel.point = -1;
    ed.listen(Shown::kProperties, [this](const Notice&) { ++propertiesRefreshed; });
  }

  // Appends an object with its defaults (full opacity, 100 % scale); returns its index.
  int64_t addObject() {
    Object o;
    o.alpha = 255;
    o.w = 100;
    o.h = 100;
    o.depth = toU8(static_cast<int64_t>(ed.doc.Objects.size()));
    ed.doc.Objects.push_back(std::move(o));
    return lastIndex(ed.doc.Objects);
  }
  Object& object(int64_t i) { return ed.doc.Objects[static_cast<size_t>(i)]; }
  Shape& shape(int64_t i, int64_t j) { return object(i).shapes[static_cast<size_t>(j)]; }

  // A shape of `type` with the creation defaults, taking over the placeholder of an object that
  // has none yet. The reference is good until the next shape is added to that object.
  Shape& addShape(int64_t obj, uint8_t type, int64_t color = kShapeColor) {
    Object& o = object(obj);
    if (o.hasShape) {
      o.shapes.emplace_back();
    } else {
      o.shapes.assign(1, Shape{});
      o.hasShape = 1;
    }
    Shape& s = o.shapes.back();
    applyShapeDefaults(s, type);
    s.color = color;
    s.depth = lastIndex(o.shapes);
    s.fx.assign(1, ShapeFx{});
    if (type != kComplex && type != kCurve) s.points.resize(type == kLine ? 2 : 1);
    for (ShapePoint& p : s.points) p = ShapePoint{};
    ed.doc.DocumentState = kDocumentHasContent;
    return s;
  }
  Shape& addBox(int64_t obj, int x, int y, int w, int h, int64_t color = kShapeColor) {
    Shape& s = addShape(obj, kBox, color);
    s.x = toI16(x);
    s.y = toI16(y);
    s.w = toI16(w);
    s.h = toI16(h);
    return s;
  }
  // A shape through the given points (relative to a shape position of 0, 0).
  Shape& addPointShape(int64_t obj, uint8_t type, std::initializer_list<std::pair<int, int>> pts,
                       int64_t color = kShapeColor) {
    Shape& s = addShape(obj, type, color);
    s.points.assign(pts.size(), ShapePoint{});
    size_t i = 0;
    for (const auto& [x, y] : pts) {
      s.points[i].x = x;
      s.points[i].y = y;
      ++i;
    }
    return s;
  }

  // Clears the canvas to transparent and draws it.
  void refresh() {
    canvas.image.fill(Qt::transparent);
    drawCanvas(ed, canvas);
  }
  QColor px(int x, int y) const { return canvas.image.pixelColor(x, y); }
};

// Object 0 on a transparent 40 x 40 image already open for drawing at 1:1, in the object's
// coordinate system: for tests of single shapes and effects.
struct DrawBench {
  RenderFixture f{40, 40};
  VectorCanvas vg{f.store};
  RenderCtx rc{f.ed, vg};
  DrawBench() {
    f.canvas.image.fill(Qt::transparent);
    EXPECT_TRUE(vg.beginDrawing(f.canvas.image));
    applyViewTransform(rc);
    applyObjectTransform(rc, 0);
  }
  int alpha(int x, int y) const { return f.px(x, y).alpha(); }
  bool blank() const {
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x)
        if (alpha(x, y) != 0) return false;
    return true;
  }
};

// Colour tests that do not depend on how much of a pixel an edge covers.
inline bool isClear(const QColor& c) { return c.alpha() == 0; }
inline bool closeTo(int a, int b, int tol = 3) { return a - b <= tol && b - a <= tol; }
// Same colour, alpha included (fully covered pixels).
inline bool sameRGBA(const QColor& c, int64_t rgba, int tol = 3) {
  return closeTo(c.red(), redOf(rgba), tol) && closeTo(c.green(), greenOf(rgba), tol) &&
         closeTo(c.blue(), blueOf(rgba), tol) && closeTo(c.alpha(), alphaOf(rgba), tol);
}
// Same hue whatever the coverage: some alpha, and red, green and blue close to the colour's.
inline bool hueOf(const QColor& c, int64_t rgba, int tol = 40) {
  return c.alpha() > 0 && closeTo(c.red(), redOf(rgba), tol) &&
         closeTo(c.green(), greenOf(rgba), tol) && closeTo(c.blue(), blueOf(rgba), tol);
}

}  // namespace pw::test
