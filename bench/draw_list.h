// A scene flattened into what actually reaches the pixels: a list of painted paths (device
// coordinates, even-odd), text runs and images, in painting order. It follows the drawing rules
// of the canvas (a linked run is painted as one path in the paint of its last shape, effect
// outlines of a linked shape merge into that path, a "custom" style leaves its outline for the
// next paint) or of the image export (every shape painted by itself). The benchmark floor and
// the SVG writer both read it, so they draw exactly the same geometry as each other.
#pragma once

#include <QPainterPath>
#include <QRectF>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/model.h"
#include "core/view.h"

namespace pwbench {

enum class PaintKind { kFill, kStroke, kDashed, kDotted };

struct Paint {
  PaintKind kind = PaintKind::kFill;
  int64_t rgba = 0;        // packed colour, alpha in bits 24-31
  double width = 0;        // strokes
  double length = 0;       // dash length, or dot distance
  bool roundEnds = false;
};

struct TextRun {
  double x = 0, y = 0;  // top-left
  double size = 0;
  std::string fontName;
  int64_t fontStyle = 0;
  int64_t fontId = 0;
  std::string text;
};

struct DrawItem {
  enum class Kind { kPath, kImage } kind = Kind::kPath;
  // kPath: figures in device coordinates plus any text runs, all painted with `paint`.
  QPainterPath path;
  std::vector<TextRun> texts;
  Paint paint;
  // kImage: drawn at once, stretched to `rect`, with opacity alpha / 255.
  int64_t imageId = 0;
  std::string imageFile;
  QRectF rect;
  int alpha = 255;
};

enum class DrawRules { kCanvas, kExport };

namespace detail {

inline int paintAlpha(int shapeAlpha, int objectAlpha) {
  return static_cast<int>(std::lround(shapeAlpha * objectAlpha * 0.0039215));
}

class Flattener {
 public:
  Flattener(std::vector<DrawItem>& out, double ox, double oy) : out_(out), ox_(ox), oy_(oy) {}

  void shape(const pw::Shape& s) {
    using namespace pw;
    const double bx = ox_ + s.x, by = oy_ + s.y;
    auto P = [&](size_t i) {
      return QPointF(bx + static_cast<double>(s.points[i].x), by + static_cast<double>(s.points[i].y));
    };
    const size_t last = s.points.size() - 1;
    switch (s.type) {
      case kComplex:
        path_.moveTo(P(0));
        complexChain(s, [&](size_t i) { return P(i); });
        break;
      case kBox:
        path_.addRect(QRectF(P(0).x(), P(0).y(), s.w, s.h));
        break;
      case kCircle:
        ellipse(P(0), s.w, s.h);
        break;
      case kLine:
        path_.moveTo(P(0));
        for (size_t i = 1; i <= last; ++i) path_.lineTo(P(i));
        if (s.closed) path_.closeSubpath();
        break;
      case kCurve:
        path_.moveTo(P(0));
        curveChain(s, [&](size_t i) { return P(i); });
        if (s.closed) path_.closeSubpath();
        break;
      case kImage: {
        if (s.imageId == 0) break;
        DrawItem it;
        it.kind = DrawItem::Kind::kImage;
        it.imageId = s.imageId;
        it.imageFile = s.imageFile;
        it.rect = QRectF(P(0).x(), P(0).y(), s.w, s.h);
        it.alpha = s.alpha;
        out_.push_back(std::move(it));
        break;
      }
      case kText:
        text(s, bx, by);
        break;
      default:  // RoundBox draws nothing
        break;
    }
  }

  void effect(const pw::Shape& s, const pw::ShapeFx& f) {
    using namespace pw;
    const float sc = static_cast<float>(f.scale * 0.01);
    const double qx = ox_ + f.x + s.x, qy = oy_ + f.y + s.y;
    auto Q = [&](size_t i) {
      return QPointF(qx + static_cast<double>(s.points[i].x), qy + static_cast<double>(s.points[i].y));
    };
    const QPointF q0 = Q(0);
    auto S = [&](size_t i) {
      return QPointF(q0.x() + sc * static_cast<double>(s.points[i].x - s.points[0].x),
                     q0.y() + sc * static_cast<double>(s.points[i].y - s.points[0].y));
    };
    const size_t last = s.points.size() - 1;
    switch (s.type) {
      case kComplex:
        path_.moveTo(q0);
        complexChain(s, S);
        break;
      case kBox:
      case kImage:
        path_.addRect(QRectF(q0.x(), q0.y(), s.w * sc, s.h * sc));
        break;
      case kCircle:
        ellipse(q0, s.w * sc, s.h * sc);
        break;
      case kText:
        text(s, q0.x(), q0.y());
        break;
      case kCurve:
        path_.moveTo(q0);
        curveChain(s, Q);
        if (s.closed) path_.closeSubpath();
        break;
      case kLine:
        path_.moveTo(q0);
        for (size_t i = 1; i <= last; ++i) path_.lineTo(Q(i));
        if (s.closed) path_.closeSubpath();
        break;
      default:
        break;
    }
  }

  // Paints the pending outlines (if any) and clears them.
  void paint(const Paint& p) {
    if (!path_.isEmpty() || !texts_.empty()) {
      DrawItem it;
      it.path = path_;
      it.path.setFillRule(Qt::OddEvenFill);
      it.texts = texts_;
      it.paint = p;
      out_.push_back(std::move(it));
    }
    path_ = QPainterPath();
    texts_.clear();
  }

 private:
  template <class F>
  void complexChain(const pw::Shape& s, F pos) {
    const size_t last = s.points.size() - 1;
    for (size_t i = 0; i <= last; i += 3) {
      const size_t a = i + 1 > last ? 0 : i + 1;
      const size_t b = a + 1 > last ? 0 : a + 1;
      const size_t c = b + 1 > last ? 0 : b + 1;
      path_.cubicTo(pos(a), pos(b), pos(c));
    }
  }
  template <class F>
  void curveChain(const pw::Shape& s, F pos) {
    const size_t last = s.points.size() - 1;
    for (size_t i = 1; i + 1 <= last; i += 3) {
      const size_t c = i + 2 > last ? 0 : i + 2;
      path_.cubicTo(pos(i), pos(i + 1), pos(c));
    }
  }
  void ellipse(QPointF c, double rx, double ry) {
    if (rx == 0 || ry == 0) return;  // a zero-length figure: nothing to see
    path_.addEllipse(c, rx, ry);
  }
  void text(const pw::Shape& s, double x, double y) {
    if (s.text.empty()) return;
    texts_.push_back(TextRun{x, y, static_cast<double>(s.w), s.fontName, s.fontStyle, s.fontId,
                             s.text});
  }

  std::vector<DrawItem>& out_;
  double ox_, oy_;
  QPainterPath path_;
  std::vector<TextRun> texts_;
};

inline Paint paintOfStyle(int style, int64_t rgba, double w, double h, double dist) {
  switch (style) {
    case 1: return {PaintKind::kStroke, rgba, w, 0, true};
    case 2: return {PaintKind::kDashed, rgba, w, h, false};
    case 3: return {PaintKind::kDotted, rgba, w, dist, true};
    default: return {PaintKind::kFill, rgba, 0, 0, false};
  }
}

}  // namespace detail

// Flattens every visible object of the document into painted items. Object transforms are
// not applied: the generated scenes keep them neutral.
inline std::vector<DrawItem> flattenScene(const pw::Document& doc, DrawRules rules,
                                          pw::Pan pan = {}) {
  std::vector<DrawItem> out;
  const bool canvas = rules == DrawRules::kCanvas;
  detail::Flattener fl(out, canvas ? pan.x : 0, canvas ? pan.y : 0);
  int64_t source = 0;  // the paint source carries over to an image shape's (empty) paint
  for (const pw::Object& o : doc.Objects) {
    if (o.hidden) continue;
    const size_t n = o.shapes.size();
    for (size_t j = 0; j < n; ++j) {
      const pw::Shape& s = o.shapes[j];
      if (canvas && s.hidden) continue;
      const bool paintsNow = s.link == 0 || j + 1 == n;
      auto effects = [&](int depth) {
        for (const pw::ShapeFx& f : s.fx) {
          if (f.active != 1 || f.depth != depth) continue;
          fl.effect(s, f);
          if (!paintsNow || f.type > 3) continue;
          source = f.color;
          fl.paint(detail::paintOfStyle(f.type + 0, f.color, static_cast<double>(f.width),
                                        static_cast<double>(f.height),
                                        static_cast<double>(f.dist)));
        }
      };
      effects(0);
      fl.shape(s);
      if (paintsNow || !canvas) {
        if (s.type != pw::kImage) {
          source = pw::packRGBA(pw::redOf(s.color), pw::greenOf(s.color), pw::blueOf(s.color),
                                detail::paintAlpha(s.alpha, o.alpha));
        }
        if (s.style <= 3) {
          fl.paint(detail::paintOfStyle(s.style, source, s.lineW, s.lineH, s.lineDist));
        }
      }
      effects(1);
    }
  }
  return out;
}

}  // namespace pwbench
