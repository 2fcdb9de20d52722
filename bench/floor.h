// The floor a canvas refresh is measured against: the same painted geometry as prebuilt
// QPainterPaths with ready pens and brushes, so one frame is only the background fill plus
// fillPath / strokePath / drawImage calls on a bare QPainter.
#pragma once

#include <QBrush>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <vector>

#include "draw_list.h"
#include "render/image_store.h"

namespace pwbench {

struct FloorOp {
  enum class Kind { kFill, kStroke, kImage } kind = Kind::kFill;
  QPainterPath path;
  QBrush brush;
  QPen pen;
  const QImage* image = nullptr;
  QRectF rect;
  double opacity = 1;
};

inline QColor colorOf(int64_t rgba) {
  return QColor(pw::redOf(rgba), pw::greenOf(rgba), pw::blueOf(rgba), pw::alphaOf(rgba));
}

inline QPen penOf(const Paint& p) {
  QPen pen(QBrush(colorOf(p.rgba)), p.width, Qt::SolidLine,
           p.roundEnds ? Qt::RoundCap : Qt::FlatCap, Qt::MiterJoin);
  pen.setMiterLimit(10);
  if (p.kind == PaintKind::kDashed && p.length > 0) {
    pen.setDashPattern({p.length / p.width, p.length / p.width});
  } else if (p.kind == PaintKind::kDotted && p.length > p.width) {
    pen.setDashPattern({0.000001, (p.length - p.width) / p.width});
  }
  return pen;
}

class Floor {
 public:
  Floor(const std::vector<DrawItem>& items, pw::ImageStore& store, int64_t bgColor)
      : bg_(colorOf(bgColor)) {
    for (const DrawItem& it : items) {
      FloorOp op;
      if (it.kind == DrawItem::Kind::kImage) {
        op.kind = FloorOp::Kind::kImage;
        op.image = store.image(it.imageId);
        op.rect = it.rect;
        op.opacity = it.alpha / 255.0;
        if (op.image) ops_.push_back(std::move(op));
        continue;
      }
      op.path = it.path;
      for (const TextRun& t : it.texts) {
        op.path.addPath(store.textOutline(t.fontId, t.size, t.text).translated(t.x, t.y));
      }
      op.path.setFillRule(Qt::OddEvenFill);
      if (it.paint.kind == PaintKind::kFill) {
        op.brush = QBrush(colorOf(it.paint.rgba));
      } else {
        if (!(it.paint.width > 0)) continue;
        op.kind = FloorOp::Kind::kStroke;
        op.pen = penOf(it.paint);
      }
      ops_.push_back(std::move(op));
    }
  }

  void draw(QImage& canvas) const {
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.fillRect(QRectF(0, 0, canvas.width(), canvas.height()), bg_);
    for (const FloorOp& op : ops_) {
      switch (op.kind) {
        case FloorOp::Kind::kFill:
          p.fillPath(op.path, op.brush);
          break;
        case FloorOp::Kind::kStroke:
          p.strokePath(op.path, op.pen);
          break;
        case FloorOp::Kind::kImage:
          p.setOpacity(op.opacity);
          p.drawImage(op.rect, *op.image);
          p.setOpacity(1);
          break;
      }
    }
  }

  size_t size() const { return ops_.size(); }

 private:
  QColor bg_;
  std::vector<FloorOp> ops_;
};

}  // namespace pwbench
