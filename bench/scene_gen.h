// Seeded scenes for the rendering benchmarks: N shapes of every type on a 1280 x 720 canvas,
// spread over several objects, each shape with one active effect, with linked runs, dashed and
// dotted strokes, text and images. The same seed always gives the same scene.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/headless_prompt.h"
#include "core/editor.h"
#include "core/model.h"
#include "render/image_store.h"

namespace pwbench {

inline constexpr int kCanvasW = 1280;
inline constexpr int kCanvasH = 720;
inline constexpr uint32_t kDefaultSeed = 20240607u;

struct GenParams {
  int shapes = 1000;
  uint32_t seed = kDefaultSeed;
  int objects = 8;      // the shapes are dealt out over this many objects
  int imagePool = 4;    // distinct generated images shared by the image shapes
  int width = kCanvasW;
  int height = kCanvasH;
};

// A generated image: its pixels and the file name image shapes refer to (a bare name, or a full
// path once the image has been written beside a scene).
struct GenImage {
  QImage image;
  std::string file;
};

// Small opaque-ish images with a gradient and a ring, so scaled drawing has real content.
inline QImage makePoolImage(int k) {
  const int side = 32 + 16 * (k % 3);
  QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, side, side);
  g.setColorAt(0, QColor::fromHsv((k * 67) % 360, 200, 230));
  g.setColorAt(1, QColor::fromHsv((k * 67 + 120) % 360, 180, 120, 200));
  p.fillRect(img.rect(), g);
  p.setPen(QPen(QColor(255, 255, 255, 180), 3));
  p.drawEllipse(QRectF(4, 4, side - 8, side - 8));
  p.end();
  return img;
}

namespace detail {

// Random source over one std::mt19937; every draw goes through here so a seed fixes the scene.
class Rng {
 public:
  explicit Rng(uint32_t seed) : g_(seed) {}
  int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(g_); }
  bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(g_) < p; }
  // Index picked with the given weights.
  int pick(std::initializer_list<int> weights) {
    const std::vector<int> w(weights);
    return std::discrete_distribution<int>(w.begin(), w.end())(g_);
  }

 private:
  std::mt19937 g_;
};

inline pw::ShapePoint pt(int64_t x, int64_t y) {
  pw::ShapePoint p;
  p.x = x;
  p.y = y;
  return p;
}

// A closed chain of n/3 cubic segments around (0, 0): anchors on a wobbly ellipse, the two
// controls of each segment placed a third and two thirds of the way with some bulge.
inline std::vector<pw::ShapePoint> complexPoints(Rng& r, int n, int rx, int ry) {
  const int anchors = n / 3;
  std::vector<std::pair<double, double>> a;
  for (int k = 0; k < anchors; ++k) {
    const double t = 6.283185307179586 * k / anchors;
    const double f = 0.6 + 0.4 * r.uniform(0, 100) / 100.0;
    a.emplace_back(rx * f * std::cos(t), ry * f * std::sin(t));
  }
  std::vector<pw::ShapePoint> pts;
  for (int k = 0; k < anchors; ++k) {
    const auto [x0, y0] = a[static_cast<size_t>(k)];
    const auto [x1, y1] = a[static_cast<size_t>((k + 1) % anchors)];
    const double bulge = (r.uniform(-30, 60)) / 100.0;
    pts.push_back(pt(std::lround(x0), std::lround(y0)));
    pts.push_back(pt(std::lround(x0 + (x1 - x0) / 3 + bulge * x0),
                     std::lround(y0 + (y1 - y0) / 3 + bulge * y0)));
    pts.push_back(pt(std::lround(x0 + 2 * (x1 - x0) / 3 + bulge * x1),
                     std::lround(y0 + 2 * (y1 - y0) / 3 + bulge * y1)));
  }
  return pts;
}

inline void setStyle(Rng& r, pw::Shape& s, bool filledOnly) {
  s.style = static_cast<uint8_t>(filledOnly ? int{pw::kStyleFilled} : r.pick({35, 25, 22, 18}));
  s.lineW = static_cast<int16_t>(r.uniform(1, 6));
  s.lineH = static_cast<int16_t>(r.uniform(3, 14));
  // Dots always get a positive gap.
  s.lineDist = static_cast<int16_t>(s.lineW + r.uniform(3, 12));
}

inline void setEffect(Rng& r, pw::Shape& s, int index) {
  pw::ShapeFx& f = s.fx[0];
  f.name = "FX_" + std::to_string(index);
  f.active = 1;
  f.x = static_cast<int16_t>(r.uniform(-8, 8));
  f.y = static_cast<int16_t>(r.uniform(-8, 8));
  f.type = static_cast<uint8_t>(r.pick({35, 25, 20, 20}));
  f.depth = static_cast<uint8_t>(r.uniform(0, 1));
  f.color = pw::packRGBA(r.uniform(0, 255), r.uniform(0, 255), r.uniform(0, 255),
                         r.uniform(60, 200));
  f.alpha = 255;
  f.width = r.uniform(1, 6);
  f.height = r.uniform(3, 10);
  f.dist = f.width + r.uniform(3, 10);
  f.scale = static_cast<int16_t>(r.uniform(80, 120));
}

}  // namespace detail

// Fills ed.doc with a generated scene. Image shapes use pool images registered in `store`;
// `images` receives the pool (pixels and file names) so a writer can save them. Text shapes
// get fonts from `store`. Object transforms stay neutral (offset 0, scale 100), so scene units
// are canvas pixels both on the canvas and in the image export.
inline void generateScene(pw::Editor& ed, pw::ImageStore& store, const GenParams& prm,
                          std::vector<GenImage>& images) {
  using detail::pt;
  detail::Rng r(prm.seed);
  pw::Document& doc = ed.doc;
  doc = pw::Document{};

  images.clear();
  std::vector<int64_t> imageIds;
  for (int k = 0; k < std::max(1, prm.imagePool); ++k) {
    GenImage gi{makePoolImage(k), "bench-img-" + std::to_string(k) + ".png"};
    imageIds.push_back(store.addImage(gi.image));
    images.push_back(std::move(gi));
  }

  const int nObj = std::max(1, prm.objects);
  doc.Objects.assign(static_cast<size_t>(nObj), pw::Object{});
  for (int i = 0; i < nObj; ++i) {
    pw::Object& o = doc.Objects[static_cast<size_t>(i)];
    o.name = "Object" + std::to_string(i);
    o.alpha = 255;
    o.w = o.h = 100;
    o.depth = static_cast<uint8_t>(i);
    o.hasShape = 1;
    o.shapes.clear();
  }

  static const char* const kWords[] = {"Penwick", "Frame", "Scene", "Hello", "Layer 2", "Fx!"};
  const int W = prm.width, H = prm.height;
  int linkLeft = 0;  // shapes still to link in the current run
  int runX = 0, runY = 0;
  for (int n = 0; n < prm.shapes; ++n) {
    auto objectOf = [&](int k) { return static_cast<size_t>(k * nObj / std::max(1, prm.shapes)); };
    pw::Object& o = doc.Objects[objectOf(n)];
    pw::Shape s;
    const bool inRun = linkLeft > 0;
    if (!inRun && n >= 8 && r.chance(0.08)) {
      // This shape and the next ones up to the last of the run, all in one object.
      linkLeft = r.uniform(2, 4);
      while (linkLeft > 1 && (n + linkLeft > prm.shapes || objectOf(n + linkLeft - 1) != objectOf(n)))
        --linkLeft;
      if (linkLeft < 2) linkLeft = 0;
      runX = r.uniform(60, W - 60);
      runY = r.uniform(60, H - 60);
    }
    const bool linked = linkLeft > 0;
    // The first eight shapes cover every type; linked runs use shapes with plain outlines.
    int type = n < 8 ? n : r.pick({20, 14, 2, 14, 14, 14, 8, 14});
    if (linked) type = std::array<int, 3>{pw::kComplex, pw::kBox, pw::kCircle}[r.uniform(0, 2)];
    s.type = static_cast<uint8_t>(type);
    s.color = pw::packRGBA(r.uniform(0, 255), r.uniform(0, 255), r.uniform(0, 255), 255);
    s.alpha = static_cast<uint8_t>(r.uniform(120, 255));
    s.depth = static_cast<int64_t>(o.shapes.size());
    detail::setStyle(r, s, false);
    const int cx = linked ? runX + r.uniform(-20, 20) : r.uniform(0, W);
    const int cy = linked ? runY + r.uniform(-20, 20) : r.uniform(0, H);
    switch (type) {
      case pw::kComplex: {
        s.name = "Shape_" + std::to_string(n);
        s.x = static_cast<int16_t>(cx);
        s.y = static_cast<int16_t>(cy);
        s.points = detail::complexPoints(r, 3 * r.uniform(2, 4), r.uniform(10, 45),
                                         r.uniform(10, 45));
        break;
      }
      case pw::kBox:
      case pw::kRoundBox:
        s.name = (type == pw::kBox ? "Box_" : "RoundBox_") + std::to_string(n);
        s.x = static_cast<int16_t>(cx - 20);
        s.y = static_cast<int16_t>(cy - 15);
        s.w = static_cast<int16_t>(r.uniform(8, 80));
        s.h = static_cast<int16_t>(r.uniform(8, 60));
        s.points = {pt(0, 0)};
        break;
      case pw::kCircle:
        s.name = "Circle_" + std::to_string(n);
        s.x = static_cast<int16_t>(cx);
        s.y = static_cast<int16_t>(cy);
        s.w = static_cast<int16_t>(r.uniform(4, 40));
        s.h = static_cast<int16_t>(r.uniform(4, 40));
        s.points = {pt(0, 0)};
        break;
      case pw::kLine: {
        s.name = "Line_" + std::to_string(n);
        s.x = static_cast<int16_t>(cx);
        s.y = static_cast<int16_t>(cy);
        s.points.clear();
        const int count = r.uniform(2, 6);
        for (int k = 0; k < count; ++k) s.points.push_back(pt(r.uniform(-45, 45), r.uniform(-45, 45)));
        s.closed = static_cast<uint8_t>(count > 2 && r.chance(0.3));
        if (s.style == 0 && count == 2) s.style = 1;
        break;
      }
      case pw::kCurve: {
        s.name = "Curve_" + std::to_string(n);
        s.x = static_cast<int16_t>(cx);
        s.y = static_cast<int16_t>(cy);
        s.points.clear();
        const int count = r.chance(0.5) ? 4 : 7;
        for (int k = 0; k < count; ++k) s.points.push_back(pt(r.uniform(-50, 50), r.uniform(-50, 50)));
        s.closed = static_cast<uint8_t>(r.chance(0.3));
        if (s.style == 0 && !s.closed) s.style = 1;
        break;
      }
      case pw::kImage: {
        const int k = r.uniform(0, static_cast<int>(imageIds.size()) - 1);
        s.name = "bench-img-" + std::to_string(k);
        s.imageFile = images[static_cast<size_t>(k)].file;
        s.imageId = imageIds[static_cast<size_t>(k)];
        s.imageW = static_cast<int16_t>(images[static_cast<size_t>(k)].image.width());
        s.imageH = static_cast<int16_t>(images[static_cast<size_t>(k)].image.height());
        s.x = static_cast<int16_t>(cx - 16);
        s.y = static_cast<int16_t>(cy - 16);
        s.w = static_cast<int16_t>(r.uniform(16, 64));
        s.h = static_cast<int16_t>(r.uniform(16, 64));
        s.points = {pt(0, 0)};
        break;
      }
      case pw::kText:
      default: {
        s.name = "Text_" + std::to_string(n);
        s.text = kWords[r.uniform(0, 5)];
        s.fontName = r.chance(0.5) ? "Times New roman" : "arial";
        s.fontStyle = r.chance(0.5) ? 256 : 0;
        s.x = static_cast<int16_t>(std::min(cx, W - 60));
        s.y = static_cast<int16_t>(std::min(cy, H - 30));
        s.w = static_cast<int16_t>(r.uniform(10, 28));
        s.fontId = store.loadFont(s.fontName, s.w, s.fontStyle);
        s.points = {pt(0, 0)};
        break;
      }
    }
    detail::setEffect(r, s, n);
    if (linked) {
      --linkLeft;
      s.link = static_cast<uint8_t>(linkLeft > 0 ? 1 : 0);
    }
    o.shapes.push_back(std::move(s));
  }
  for (pw::Object& o : doc.Objects) {
    if (o.shapes.empty()) {  // fewer shapes than objects: keep the placeholder every object has
      o.shapes.emplace_back();
      o.hasShape = 0;
    }
  }
  doc.DocumentState = pw::kDocumentHasContent;
  ed.sel = pw::Selection{};
  ed.sel.point = -1;
}

// View options for the benchmarks: the camera is the canvas, and the editing marks and
// overlays (which a plain painter loop does not draw) are off.
inline void benchOptions(pw::Editor& ed) {
  ed.options.Zoom = 100;
  ed.options.CameraX = 0;
  ed.options.CameraY = 0;
  ed.options.CameraW = kCanvasW;
  ed.options.CameraH = kCanvasH;
  ed.options.HideAncre = 1;
  ed.options.ShowSelection = 0;
  ed.options.ShowCameraBorder = 0;
  ed.options.ShowCameraCache = 0;
  ed.options.ShowGrid = 0;
  ed.options.BgImg = 0;
}

// A generated scene of `shapes` shapes with the default seed, in an editor of its own with the
// benchmarks' view options.
struct GeneratedScene {
  explicit GeneratedScene(int shapes) : ed(prompt, store) {
    GenParams prm;
    prm.shapes = shapes;
    generateScene(ed, store, prm, images);
    benchOptions(ed);
  }
  pw::HeadlessPrompt prompt;
  pw::ImageStore store;
  pw::Editor ed;
  std::vector<GenImage> images;
};

}  // namespace pwbench
