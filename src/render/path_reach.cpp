#include "render/path_reach.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace pw {

namespace {

// Output pixels between the image and the keep area, on top of what the pen can reach.
constexpr double kKeepMargin = 2048;
// Paths that stay within this many output pixels of the keep area are painted as they are.
constexpr double kLeaveAlone = 1 << 16;
// Pen widths that a stroke can reach from its path: miter joins (limit 10, so 5 widths), caps
// and the turns of a spur, with room to spare.
constexpr double kPenReach = 12;
// A curve is halved at most this often before its last pieces are taken as straight lines.
constexpr int kMaxHalvings = 80;

double maxStretchOf(const QTransform& t) {
  const double a = t.m11(), b = t.m12(), c = t.m21(), d = t.m22();
  const double s = a * a + b * b + c * c + d * d;
  const double det = a * d - b * c;
  return std::sqrt(s / 2 + std::sqrt(std::max(0.0, s * s / 4 - det * det)));
}

bool within(const QRectF& inner, const QRectF& outer) {
  return inner.left() >= outer.left() && inner.right() <= outer.right() &&
         inner.top() >= outer.top() && inner.bottom() <= outer.bottom();
}

bool apart(const QRectF& a, const QRectF& b) {
  return a.right() < b.left() || b.right() < a.left() || a.bottom() < b.top() ||
         b.bottom() < a.top();
}

QRectF boundsOf(std::initializer_list<QPointF> pts) {
  double l = pts.begin()->x(), r = l, t = pts.begin()->y(), b = t;
  for (const QPointF& q : pts) {
    l = std::min(l, q.x());
    r = std::max(r, q.x());
    t = std::min(t, q.y());
    b = std::max(b, q.y());
  }
  return QRectF(QPointF(l, t), QPointF(r, b));
}

double dist(QPointF a, QPointF b) { return std::hypot(b.x() - a.x(), b.y() - a.y()); }

QPointF mid(QPointF a, QPointF b) { return (a + b) / 2; }

// Lays a dash pattern along the lines it is given, each figure starting at the pattern's start,
// and keeps the dashes that can reach `show`. Lengths it is told to skip advance the pattern
// without drawing.
class Dasher {
 public:
  Dasher(const std::vector<double>& pattern, const QRectF& show, QPainterPath* out)
      : show_(show), out_(*out) {
    for (const double d : pattern) {
      ends_.push_back(period_ += std::max(d, 0.0));
    }
  }

  bool usable() const { return period_ > 0 && std::isfinite(period_) && ends_.size() % 2 == 0; }

  void moveTo(QPointF p) {
    endDash();
    at_ = p;
    pos_ = 0;
  }

  void skip(double length) {
    endDash();
    advance(length);
  }

  void jumpTo(QPointF p) {
    endDash();
    at_ = p;
  }

  void lineTo(QPointF b) {
    const QPointF a = at_;
    at_ = b;
    const double length = dist(a, b);
    double t0 = 0, t1 = 1;
    if (!(length > 0) || !clipSegment(show_, a, b, &t0, &t1)) return skip(length);
    if (t0 > 0) skip(t0 * length);
    const QPointF d = b - a;
    double s = t0 * length;
    const double end = t1 * length;
    while (s < end && steps_ < kMaxSteps) {
      ++steps_;
      const size_t k = entryAt(pos_);
      const double room = ends_[k] - pos_;
      const bool entryEnds = room <= end - s;
      const double step = entryEnds ? room : end - s;
      if (k % 2 == 0) {
        if (!open_) {
          out_.moveTo(a + d * (s / length));
          open_ = true;
        }
        out_.lineTo(a + d * ((s + step) / length));
      }
      s += step;
      pos_ = entryEnds ? ends_[k] : pos_ + step;
      if (entryEnds) {
        if (k % 2 == 0) endDash();
        if (pos_ >= period_) pos_ = 0;
      }
    }
    if (t1 < 1) skip((1 - t1) * length);
  }

  void finish() { endDash(); }
  // False when the pattern was too fine to lay out whole.
  bool complete() const { return steps_ < kMaxSteps; }

 private:
  static constexpr long kMaxSteps = 1 << 21;

  void endDash() { open_ = false; }

  void advance(double length) {
    if (length > 0 && std::isfinite(length)) pos_ = std::fmod(pos_ + length, period_);
  }

  size_t entryAt(double pos) const {
    size_t k = 0;
    while (k + 1 < ends_.size() && pos >= ends_[k]) ++k;
    return k;
  }

  const QRectF show_;
  QPainterPath& out_;
  std::vector<double> ends_;  // where each entry of the pattern ends
  double period_ = 0;
  double pos_ = 0;            // place in the pattern
  QPointF at_;
  bool open_ = false;
  long steps_ = 0;
};

class Cutter {
 public:
  // With a dasher, the cut path is laid out as dashes (curves flattened); otherwise it goes to
  // `out` as it is.
  Cutter(const QRectF& keep, const QRectF& near, bool fill, QPainterPath* out, Dasher* dasher)
      : keep_(keep), near_(near), fill_(fill), out_(*out), dasher_(dasher) {}

  void run(const QPainterPath& p) {
    for (int i = 0; i < p.elementCount(); ++i) {
      const QPainterPath::Element e = p.elementAt(i);
      if (e.isMoveTo()) {
        moveTo(e);
      } else if (e.isLineTo()) {
        lineTo(e, -1);
      } else if (e.isCurveTo() && i + 2 < p.elementCount()) {
        curveTo(cur_, e, p.elementAt(i + 1), p.elementAt(i + 2), 0);
        i += 2;
      }
    }
    endFigure();
    if (dasher_) dasher_->finish();
  }

 private:
  QPointF clamp(QPointF q) const {
    return {std::clamp(q.x(), keep_.left(), keep_.right()),
            std::clamp(q.y(), keep_.top(), keep_.bottom())};
  }

  // Output: a straight piece; `length` is what it stands for along the original path.
  void put(QPointF q, double length, bool kept) {
    if (!dasher_) {
      out_.lineTo(q);
    } else if (kept) {
      dasher_->lineTo(q);
    } else {
      dasher_->skip(length);
      dasher_->jumpTo(q);
    }
  }

  void moveTo(QPointF b) {
    endFigure();
    if (dasher_) dasher_->moveTo(clamp(b));
    else out_.moveTo(clamp(b));
    start_ = cur_ = b;
    open_ = true;
  }

  void endFigure() {
    // A fill closes every figure with a straight line: it is cut like the others.
    if (fill_ && open_ && cur_ != start_) lineTo(start_, -1);
    open_ = false;
  }

  // Straight from the cursor to b; `length` stands for the original length when a curve was
  // replaced by its chord (-1: the segment's own).
  void lineTo(QPointF b, double length) {
    const QPointF a = cur_;
    const double full = length >= 0 ? length : dist(a, b);
    // Pieces between the crossings of the keep area's edge lines lie each in one of the nine
    // regions around the area, where clamping is a straight map.
    std::array<double, 6> ts{0, 1, 1, 1, 1, 1};  // unused places stay at 1
    size_t n = 2;
    auto cross = [&](double from, double to, double at) {
      if ((from - at) * (to - at) < 0) ts[n++] = (at - from) / (to - from);
    };
    cross(a.x(), b.x(), keep_.left());
    cross(a.x(), b.x(), keep_.right());
    cross(a.y(), b.y(), keep_.top());
    cross(a.y(), b.y(), keep_.bottom());
    std::sort(ts.begin(), ts.end());
    auto at = [&](double t) { return t >= 1 ? b : a + (b - a) * t; };
    for (size_t k = 1; k < ts.size(); ++k) {
      const double t0 = ts[k - 1], t1 = ts[k];
      if (t1 <= t0) continue;
      const bool kept = keep_.contains(at((t0 + t1) / 2));
      put(kept ? at(t1) : clamp(at(t1)), full * (t1 - t0), kept);
    }
    cur_ = b;
  }

  void curveTo(QPointF a, QPointF c1, QPointF c2, QPointF b, int halvings) {
    const QRectF hull = boundsOf({a, c1, c2, b});
    if (within(hull, keep_)) {
      if (!dasher_) {
        out_.cubicTo(c1, c2, b);
      } else {
        // Flattened finely enough that the dashes follow the curve within a small fraction of a
        // unit.
        const double size = std::max(hull.width(), hull.height());
        const int steps = std::clamp(static_cast<int>(std::sqrt(size) * 2), 4, 1024);
        for (int k = 1; k <= steps; ++k) {
          const double t = static_cast<double>(k) / steps, u = 1 - t;
          dasher_->lineTo(a * (u * u * u) + c1 * (3 * u * u * t) + c2 * (3 * u * t * t) +
                          b * (t * t * t));
        }
      }
      cur_ = b;
    } else if (apart(hull, near_) || halvings >= kMaxHalvings) {
      // Far from the image the curve and its chord cover the same (invisible) pixels.
      const double length = (dist(a, b) + dist(a, c1) + dist(c1, c2) + dist(c2, b)) / 2;
      lineTo(b, length);
    } else {
      const QPointF ab = mid(a, c1), bc = mid(c1, c2), cd = mid(c2, b);
      const QPointF abc = mid(ab, bc), bcd = mid(bc, cd), m = mid(abc, bcd);
      curveTo(a, ab, abc, m, halvings + 1);
      curveTo(m, bcd, cd, b, halvings + 1);
    }
  }

  const QRectF keep_, near_;
  const bool fill_;
  QPainterPath& out_;
  Dasher* dasher_;
  QPointF cur_, start_;
  bool open_ = false;
};

}  // namespace

bool clipSegment(const QRectF& r, QPointF a, QPointF b, double* t0, double* t1) {
  const double d[2] = {b.x() - a.x(), b.y() - a.y()};
  const double lo[2] = {r.left() - a.x(), r.top() - a.y()};
  const double hi[2] = {r.right() - a.x(), r.bottom() - a.y()};
  for (int i = 0; i < 2; ++i) {
    if (d[i] == 0) {
      if (lo[i] > 0 || hi[i] < 0) return false;
      continue;
    }
    const double u = lo[i] / d[i], v = hi[i] / d[i];
    *t0 = std::max(*t0, std::min(u, v));
    *t1 = std::min(*t1, std::max(u, v));
  }
  return *t0 < *t1;
}

QRectF strokeBounds(const QPainterPath& p, double width, Qt::PenCapStyle cap,
                    Qt::PenJoinStyle join, double miterLimit) {
  if (p.isEmpty()) return {};
  // Round caps and joins are drawn as curves that stray a little outside their circle.
  const double half = std::abs(width) / 2 * 1.001;
  // Square caps reach past an end by half a width in both directions.
  const double side = cap == Qt::SquareCap ? half * std::sqrt(2.0) : half;
  QRectF r = p.controlPointRect().adjusted(-side, -side, side, side);
  if (join != Qt::MiterJoin && join != Qt::SvgMiterJoin) return r;
  // A miter reaches half / cos(turn / 2) from its corner, and is cut off near the limit (counted
  // in widths; the cut itself may lie up to a width further). Every corner of the control polygon
  // is taken as one: curves never reach further.
  const double most = (std::max(miterLimit, 1.0) + 1.001) * std::abs(width);
  for (int i = 0; i < p.elementCount(); ++i) {
    if (p.elementAt(i).isCurveTo()) return p.controlPointRect().adjusted(-most, -most, most, most);
  }
  QPointF before, at;
  bool haveBefore = false, haveAt = false;
  auto corner = [&](QPointF next) {
    if (haveAt && next == at) return;
    if (haveBefore && haveAt) {
      const QPointF a = at - before, b = next - at;
      const double la = std::hypot(a.x(), a.y()), lb = std::hypot(b.x(), b.y());
      const double cosTurn = (a.x() * b.x() + a.y() * b.y()) / (la * lb);
      const double c = std::sqrt(std::max(0.0, (1 + cosTurn) / 2));
      const double reach = c > 0 ? std::min(most, half / c) : most;
      if (reach > side) r |= QRectF(at.x() - reach, at.y() - reach, 2 * reach, 2 * reach);
    }
    if (haveAt) {
      before = at;
      haveBefore = true;
    }
    at = next;
    haveAt = true;
  };
  int figure = 0;  // index of the current figure's first element
  for (int i = 0; i < p.elementCount(); ++i) {
    const QPainterPath::Element e = p.elementAt(i);
    if (e.isMoveTo()) {
      haveBefore = haveAt = false;
      figure = i;
    }
    corner(e);
    // A figure that ends where it began has a corner there too: walk on to its second point.
    const bool figureEnds = i + 1 == p.elementCount() || p.elementAt(i + 1).isMoveTo();
    if (figureEnds && i > figure && at == QPointF(p.elementAt(figure))) {
      corner(p.elementAt(figure + 1));
    }
  }
  return r;
}

PathCut boundPathForPaint(const QPainterPath& p, const PaintReach& reach, QPainterPath* out) {
  if (p.isEmpty()) return PathCut::kWhole;
  bool invertible = false;
  const QTransform inv = reach.xf.inverted(&invertible);
  if (!invertible) return PathCut::kWhole;
  const double penPx = std::abs(reach.penWidth) * maxStretchOf(reach.xf) * kPenReach;
  const double keepPx = kKeepMargin + penPx;
  if (!std::isfinite(keepPx) || keepPx > 1e12) return PathCut::kWhole;
  auto around = [&](double px) {
    return inv.mapRect(reach.output.adjusted(-px, -px, px, px));
  };
  if (within(p.controlPointRect(), around(keepPx + kLeaveAlone))) return PathCut::kWhole;
  const bool fill = reach.penWidth <= 0;
  out->clear();
  out->setFillRule(p.fillRule());
  if (!fill && !reach.dashes.empty()) {
    // The dashes that can show: those within the pen's reach of the image.
    Dasher dasher(reach.dashes, around(penPx + 4), out);
    if (dasher.usable()) {
      Cutter(around(keepPx), around(keepPx / 2), false, out, &dasher).run(p);
      if (dasher.complete()) return PathCut::kDashes;
      out->clear();  // too fine to lay out: solid, as the pattern could not be seen anyway
      Cutter(around(keepPx), around(keepPx / 2), false, out, nullptr).run(p);
      return PathCut::kDashes;
    }
  }
  Cutter(around(keepPx), around(keepPx / 2), fill, out, nullptr).run(p);
  return PathCut::kCut;
}

}  // namespace pw
