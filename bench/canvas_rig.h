// The canvas as the editor window drives it, for the benchmarks of mouse work on the canvas: a
// generated scene in the editor's own view, a canvas surface of the canvas size, where to press
// to grab a shape, the path of a drag across the canvas, and a pixel comparison.
#pragma once

#include <QImage>
#include <QPointF>
#include <cmath>
#include <cstring>
#include <vector>

#include "render/refresh.h"
#include "scene_gen.h"

namespace pwbench {

// A generated scene of `shapes` shapes in an editor that shows what the editor shows: anchors,
// selection outlines and the camera border.
struct EditorScene : GeneratedScene {
  explicit EditorScene(int shapes) : GeneratedScene(shapes) {
    ed.options.HideAncre = 0;
    ed.options.ShowSelection = 1;
    ed.options.ShowCameraBorder = 1;
  }
};

// A clear canvas of the canvas size, with no scene picture yet (as a new window has).
inline pw::CanvasSurface makeCanvas(pw::ImageStore& store) {
  pw::CanvasSurface c{QImage(kCanvasW, kCanvasH, QImage::Format_ARGB32_Premultiplied), store};
  c.image.fill(Qt::transparent);
  return c;
}

// The top object (nothing is drawn over it) or the middle one (half the scene is drawn over it).
enum class Pick { kTop, kMiddle };

// Where to press: the centre of the box or circle nearest below the last shape of the last
// object, or the middle shape of the middle object. Makes that object current.
inline QPointF pressPoint(pw::Document& doc, pw::Selection& sel, Pick pick) {
  const int64_t oi = pick == Pick::kTop ? pw::lastIndex(doc.Objects)
                                        : pw::lastIndex(doc.Objects) / 2;
  const auto& shapes = doc.Objects[static_cast<size_t>(oi)].shapes;
  int64_t j = pick == Pick::kTop ? pw::lastIndex(shapes) : pw::lastIndex(shapes) / 2;
  for (; j > 0; --j) {
    const pw::Shape& s = shapes[static_cast<size_t>(j)];
    if (s.link == 0 && s.hidden == 0 && s.w > 4 && s.h > 4 &&
        (s.type == pw::kBox || s.type == pw::kCircle))
      break;
  }
  sel.object = oi;
  sel.shape = -1;
  sel.point = -1;
  const pw::Shape& s = shapes[static_cast<size_t>(j)];
  const double cx = s.type == pw::kBox ? s.x + s.w / 2.0 : s.x;
  const double cy = s.type == pw::kBox ? s.y + s.h / 2.0 : s.y;
  return {std::round(cx), std::round(cy)};
}

// Mouse position of move k (1 to `moves`) of a drag pressed at `at`: across the canvas with
// some vertical wobble.
inline QPointF dragPosition(int k, int moves, QPointF at) {
  const double t = static_cast<double>(k) / moves;
  return {40 + std::round(t * (kCanvasW - 80)),
          at.y() + std::round(60 * std::sin(t * 6.283185307179586))};
}

inline bool sameImage(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.format() != b.format()) return false;
  for (int y = 0; y < a.height(); ++y) {
    if (std::memcmp(a.constScanLine(y), b.constScanLine(y), static_cast<size_t>(a.width()) * 4))
      return false;
  }
  return true;
}

}  // namespace pwbench
