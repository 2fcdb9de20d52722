// A full redraw split into bands, each drawn on its own thread, gives the canvas byte for byte
// as one drawing of the whole does: shipped examples and generated scenes, panned, zoomed and
// turned, with the editing marks and overlays on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/scene_file.h"
#include "generated_scene.h"
#include "render_fixture.h"
#include "support/paths.h"

namespace pw {
namespace {

QImage drawn(Editor& ed, ImageStore& store, int w, int h, int bands) {
  CanvasSurface canvas{QImage(w, h, QImage::Format_ARGB32_Premultiplied), store};
  canvas.image.fill(Qt::transparent);
  canvas.bands = bands;
  refreshCanvas(ed, canvas, 0, 0, 0);
  return canvas.image;
}

// Rows where two pictures differ, for the failure message.
std::string rowsDiffering(const QImage& a, const QImage& b) {
  std::string rows;
  for (int y = 0; y < a.height() && rows.size() < 80; ++y)
    if (std::memcmp(a.constScanLine(y), b.constScanLine(y), static_cast<size_t>(a.bytesPerLine())))
      rows += std::to_string(y) + " ";
  return rows;
}

void expectBandsEqualWhole(Editor& ed, ImageStore& store, int w, int h) {
  const QImage whole = drawn(ed, store, w, h, 1);
  for (int bands : {2, 3, 7}) {
    const QImage split = drawn(ed, store, w, h, bands);
    EXPECT_TRUE(split == whole) << bands << " bands, rows " << rowsDiffering(split, whole);
  }
}

struct View {
  int zoom, originX, originY, angle;
};
constexpr View kViews[] = {{100, 0, 0, 0}, {137, -31, 17, 0}, {63, 40, -9, 33}};

void applyView(Editor& ed, const View& v) {
  ed.options.Zoom = v.zoom;
  ed.pan.x = static_cast<int16_t>(v.originX);
  ed.pan.y = static_cast<int16_t>(v.originY);
  for (Object& o : ed.doc.Objects) o.angle = static_cast<int16_t>(v.angle);
}

TEST(BandDraw, ShippedExamplesDrawTheSameInBands) {
  for (const char* name : {"shapes-tour", "aquarium", "effects"}) {
    SCOPED_TRACE(name);
    test::RenderFixture f(640, 480);
    f.ed.root = test::sourceDir();
    ASSERT_TRUE(loadScene(f.ed, kLoadReplace,
                          std::string(test::sourceDir()) + "/examples/" + name + ".txt", 0));
    f.ed.options.BgColor = packRGBA(250, 250, 240, 255);
    f.ed.options.ShowCameraBorder = 1;
    f.ed.options.ShowGrid = 1;
    for (const View& v : kViews) {
      applyView(f.ed, v);
      expectBandsEqualWhole(f.ed, f.store, 640, 480);
    }
  }
}

TEST(BandDraw, GeneratedScenesDrawTheSameInBands) {
  pwbench::GenParams prm;
  prm.shapes = 600;
  prm.width = 480;
  prm.height = 360;
  test::GeneratedScene g(prm);
  Editor& ed = g.ed;
  ImageStore& store = g.store;
  ed.options.HideAncre = 0;
  ed.options.ShowSelection = 1;
  ed.options.BgImg = 1;  // the checkerboard under a clear background
  ed.options.BgColor = packRGBA(0, 0, 0, 0);
  for (const View& v : kViews) {
    applyView(ed, v);
    expectBandsEqualWhole(ed, store, 480, 360);
  }
}

// A pen thinner than a pixel is drawn a pixel wide, and so are its miters: the spike of a sharp
// corner just above a band's first row reaches into that band.
TEST(BandDraw, ThinStrokesReachTheNextBandWithTheirMiters) {
  test::RenderFixture f(200, 256);  // two and four bands meet at row 128
  f.ed.options.Zoom = 25;
  Shape& v = f.addPointShape(0, kLine, {{0, 0}, {11, 200}, {22, 0}}, test::kBlack);
  v.style = 1;
  v.lineW = 1;
  v.x = 100;
  v.y = 280;  // the corner at row 120, its miter 9 pixels long
  expectBandsEqualWhole(f.ed, f.store, 200, 256);
}

}  // namespace
}  // namespace pw
