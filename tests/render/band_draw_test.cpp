// A full redraw split into bands, each drawn on its own thread, gives the canvas byte for byte
// as one drawing of the whole does: shipped examples and generated scenes, panned, zoomed and
// turned, with the editing marks and overlays on.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/scene_file.h"
#include "generated_scene.h"
#include "render/draw_thread.h"
#include "render_fixture.h"
#include "support/paths.h"

namespace pw {
namespace {

void expectBandsEqualWhole(Editor& ed, ImageStore& store, int w, int h) {
  const QImage whole = test::freshPicture(ed, store, w, h, 1);
  for (int bands : {2, 3, 7}) {
    const QImage split = test::freshPicture(ed, store, w, h, bands);
    EXPECT_TRUE(split == whole) << bands << " bands, rows " << test::differingRows(split, whole);
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
                          std::string(test::sourceDir()) + "/examples/" + name + ".txt", false));
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

// Scaled and turned image shapes: Qt samples an image along runs of spans whose cuts depend on the
// first row an operation draws, which a band moves. Each of these once left a row of some band a
// unit off in a channel.
TEST(BandDraw, ImagesDrawTheSameInBands) {
  struct Case {
    int zoom, panX, panY, angle;  // the view and the object's turn
    int x, y, w, h, alpha;        // the image shape
    int image;                    // pool image: 32, 48 or 64 pixels square
  };
  constexpr Case kCases[] = {
      {197, -29, 11, 0, 101, 50, 55, 57, 162, 1},   {163, -29, 11, 0, 101, 50, 55, 57, 162, 1},
      {149, 7, 16, 0, 102, 40, 58, 94, 156, 0},     {220, -13, -13, 0, 140, 49, 80, 48, 122, 0},
      {165, -39, -29, 0, 130, 29, 11, 110, 63, 2},  {238, 32, -7, 354, 84, 68, 182, 182, 183, 0},
      {71, -10, 24, 9, 136, 96, 224, 224, 231, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "zoom " << c.zoom << ", angle " << c.angle << ", image "
                                    << c.w << " x " << c.h << " at " << c.x << ", " << c.y);
    test::RenderFixture f(480, 270);
    Shape& s = f.addShape(0, kImage);
    s.imageId = f.store.addImage(pwbench::makePoolImage(c.image));
    s.x = static_cast<int16_t>(c.x);
    s.y = static_cast<int16_t>(c.y);
    s.w = static_cast<int16_t>(c.w);
    s.h = static_cast<int16_t>(c.h);
    s.alpha = static_cast<uint8_t>(c.alpha);
    s.points.assign(1, ShapePoint{});
    applyView(f.ed, {c.zoom, c.panX, c.panY, c.angle});
    expectBandsEqualWhole(f.ed, f.store, 480, 270);
  }
}

// `paint` on a clear 480 x 270 image as the picture is drawn: whole, or in bands one after another.
QImage paintedInBands(ImageStore& store, int bands,
                      const std::function<void(VectorCanvas&)>& paint) {
  QImage img(480, 270, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  for (int k = 0; k < bands; ++k) {
    VectorCanvas vg(store);
    EXPECT_TRUE(vg.beginDrawing(img));
    if (bands > 1) vg.setBand(270 * k / bands, 270 * (k + 1) / bands);
    vg.setOutlinedStrokes(true);
    paint(vg);
  }
  return img;
}

// Figures filled and stroked with an image, shown once or in tiles, get a band's rows of the whole
// image, drawn on a drawing thread or on another (where Qt also splits large blends into pieces
// for its own threads). Each case once differed in some band on one of the two.
TEST(BandDraw, ImagePaintSourcesPaintTheSameInBands) {
  struct Case {
    double sx, sy, tx, ty, angle;  // the system: translated, turned, then scaled
    bool ellipse;
    double x, y, w, h;             // the figure's box
    int alpha;
    double tileW, tileH;           // 0: the image's own size
    bool tiles;
    double pen;                    // 0: filled
    int image;
  };
  constexpr Case kCases[] = {
      {2.54, 1.88, 220, 52, 10, false, 9, 6, 148, 71, 198, 62, 36, false, 0, 2},
      {0.42, 1.84, 41, 34, 0, true, 2, 3, 166, 55, 213, 0, 0, false, 0, 0},
      {0.47, 2.34, 258, 120, 122, false, 2, 7, 124, 60, 252, 44, 67, false, 0, 1},
      {0.48, 0.47, 13, 142, 0, true, 3, 1, 102, 32, 249, 50, 31, false, 0, 1},
      {2.67, 2.79, 170, 8, 0, false, 1, 2, 43, 31, 239, 55, 33, false, 7.25, 2},
      {1.72, 1.94, 129, 94, 0, false, 10, 8, 170, 130, 241, 16, 11, true, 0, 1},
      {1.72, 1.89, 258, 108, 221, true, 2, 10, 73, 58, 95, 0, 0, true, 0, 0},
      {1.9, 2.36, 151, 136, 0, true, 6, 3, 125, 70, 227, 47, 55, true, 7.5, 1},
      {1.74, 2.63, 246, 68, 22, false, 10, 5, 141, 102, 145, 31, 35, true, 4.75, 1},
  };
  ImageStore store;
  const int64_t ids[] = {store.addImage(pwbench::makePoolImage(0)),
                         store.addImage(pwbench::makePoolImage(1)),
                         store.addImage(pwbench::makePoolImage(2))};
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "case " << &c - kCases << (c.tiles ? ", tiles" : ", once")
                                    << (c.pen > 0 ? ", stroked" : ", filled"));
    const auto paint = [&](VectorCanvas& vg) {
      vg.translateBy(c.tx, c.ty);
      vg.rotateAbout(0, 0, c.angle);
      vg.scaleBy(c.sx, c.sy);
      if (c.ellipse)
        vg.addEllipse(c.x + c.w / 2, c.y + c.h / 2, c.w / 2, c.h / 2);
      else
        vg.addRect(c.x, c.y, c.w, c.h);
      vg.setSourceImage(ids[c.image], c.alpha, c.tileW, c.tileH, c.tiles);
      if (c.pen > 0)
        vg.stroke(c.pen, false);
      else
        vg.fill();
    };
    for (const bool onDrawingThread : {true, false}) {
      const auto compare = [&] {
        const QImage whole = paintedInBands(store, 1, paint);
        for (int bands : {2, 3, 7}) {
          const QImage split = paintedInBands(store, bands, paint);
          EXPECT_TRUE(split == whole)
              << bands << " bands, rows " << test::differingRows(split, whole)
              << (onDrawingThread ? ", on a drawing thread" : ", on the test thread");
        }
      };
      if (onDrawingThread)
        drawOnWorker(compare);
      else
        compare();
    }
  }
}

}  // namespace
}  // namespace pw
