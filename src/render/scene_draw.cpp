#include "render/scene_draw.h"

#include <QtGlobal>
#include <cmath>

#include "render/fx_draw.h"
#include "render/shape_draw.h"

namespace pw {

namespace {

constexpr int64_t kAnchorColor = packRGBA(0, 255, 255, 100);
constexpr int64_t kSelectedPointColor = packRGBA(255, 0, 0, 120);
constexpr int64_t kHandleColor = packRGBA(0, 0, 0, 100);
constexpr int64_t kControlDotColor = packRGBA(255, 255, 0, 100);
constexpr int64_t kCentreColor = packRGBA(0, 255, 255, 100);
constexpr int64_t kSelectionColor = packRGBA(20, 20, 20, 255);

constexpr double kAnchorHalf = 5;      // anchor squares are 10 x 10
constexpr double kSelectedRadius = 6;
constexpr double kControlRadius = 5;
constexpr double kCentreRadius = 10;

// Canvas position of point i of a shape: view origin + shape position + point.
struct Positions {
  double ox, oy;
  const std::vector<ShapePoint>& pts;
  double x(size_t i) const { return ox + static_cast<double>(pts[i].x); }
  double y(size_t i) const { return oy + static_cast<double>(pts[i].y); }
};

Positions positionsOf(const View& view, const Shape& s) {
  return {view.originX + s.x, view.originY + s.y, s.points};
}

// The chain of cubic segments of a complex shape: each segment takes the next three points,
// every index wrapping to 0 past the last point.
void addComplexChain(VectorCanvas& vg, const Positions& p) {
  const size_t n = p.pts.size();
  const size_t last = n - 1;
  for (size_t i = 0; i <= last; i += 3) {
    const size_t a = i + 1 > last ? 0 : i + 1;
    const size_t b = a + 1 > last ? 0 : a + 1;
    const size_t c = b + 1 > last ? 0 : b + 1;
    vg.curveTo(p.x(a), p.y(a), p.x(b), p.y(b), p.x(c), p.y(c));
  }
}

bool pointMarked(const Selection& sel, const Shape& s, size_t i) {
  const auto k = static_cast<int64_t>(i);
  return k == sel.point || sel.isPointSelected(s.id, k);
}

void addSquare(VectorCanvas& vg, double x, double y) {
  vg.addRect(x - kAnchorHalf, y - kAnchorHalf, 2 * kAnchorHalf, 2 * kAnchorHalf);
}

// Anchor squares of a shape other than a complex one: marked points in the selected-point
// colour (square and circle together), the rest in the anchor colour.
void drawPlainAnchors(VectorCanvas& vg, const Selection& sel, const Shape& s, const Positions& p) {
  const size_t n = s.points.size();
  for (size_t i = 0; i < n; ++i) {
    if (!pointMarked(sel, s, i)) continue;
    addSquare(vg, p.x(i), p.y(i));
    vg.addCircle(p.x(i), p.y(i), kSelectedRadius);
    vg.setSourceColor(kSelectedPointColor);
    vg.fill();
  }
  bool any = false;
  for (size_t i = 0; i < n; ++i) {
    if (pointMarked(sel, s, i)) continue;
    addSquare(vg, p.x(i), p.y(i));
    any = true;
  }
  if (any) {
    vg.setSourceColor(kAnchorColor);
    vg.fill();
  }
}

// Anchors (every third point) as squares; control points as dots with a handle line to the
// anchor they belong to.
void drawComplexAnchors(VectorCanvas& vg, const Selection& sel, const Shape& s,
                        const Positions& p) {
  const size_t n = s.points.size();
  const size_t last = n - 1;
  vg.moveTo(p.x(0), p.y(0));
  for (size_t i = 0; i < n; ++i) {
    const size_t kind = i % 3;
    if (kind == 0) {
      addSquare(vg, p.x(i), p.y(i));
      vg.setSourceColor(kAnchorColor);
      vg.fill();
    } else {
      const size_t anchor = kind == 1 ? i - 1 : (i == last ? 0 : i + 1);
      vg.moveTo(p.x(i), p.y(i));
      vg.lineTo(p.x(i), p.y(i));
      vg.lineTo(p.x(anchor), p.y(anchor));
      vg.setSourceColor(kHandleColor);
      vg.stroke(1, false);
      vg.addCircle(p.x(i), p.y(i), kControlRadius);
      vg.setSourceColor(kControlDotColor);
      vg.fill();
    }
    if (pointMarked(sel, s, i)) {
      vg.addCircle(p.x(i), p.y(i), kSelectedRadius);
      vg.setSourceColor(kSelectedPointColor);
      vg.fill();
    }
  }
}

void drawCentreMarker(VectorCanvas& vg, const Shape& s, const Positions& p) {
  const double px = p.ox + s.pivotX;
  const double py = p.oy + s.pivotY;
  vg.moveTo(px, py);
  vg.addCircle(px + s.cx, py + s.cy, kCentreRadius);
  vg.setSourceColor(kCentreColor);
  vg.fill();
}

// Outlines of the selected shapes and of the current one, stroked dashed in one go.
void drawSelectionOutlines(RenderCtx& rc, const Selection& sel, int64_t oi) {
  VectorCanvas& vg = rc.vg;
  const Object& o = rc.doc.Objects[static_cast<size_t>(oi)];
  bool any = false;
  for (size_t k = 0; k < o.shapes.size(); ++k) {
    const Shape& s = o.shapes[k];
    if (static_cast<int64_t>(k) != sel.shape && !sel.isSelected(s.id)) continue;
    if (s.points.empty()) continue;
    const Positions p = positionsOf(rc.view, s);
    vg.moveTo(p.x(0), p.y(0));
    switch (s.type) {
      case kComplex:
      case kCurve:
        addComplexChain(vg, p);
        break;
      case kText:
        vg.setFont(s.fontId, s.w);
        vg.addRect(p.x(0), p.y(0), std::round(vg.textWidth(s.text)),
                   std::round(vg.textHeight(s.text)));
        break;
      case kImage:
        vg.addRect(p.x(0), p.y(0), s.w, s.h);
        break;
      default:
        buildShapePath(rc, oi, static_cast<int64_t>(k));
        vg.addRect(p.x(0), p.y(0), s.w, s.h);
        break;
    }
    any = true;
  }
  if (!any) return;
  vg.setSourceColor(kSelectionColor);
  vg.strokeDashed(1, 5);
}

}  // namespace

void applyViewTransform(RenderCtx& rc) {
  rc.vg.resetTransform();
  if (rc.view.shiftX != 0 || rc.view.shiftY != 0) rc.vg.translateBy(rc.view.shiftX, rc.view.shiftY);
  rc.vg.scaleBy(rc.view.zoom, rc.view.zoom);
}

void applyObjectTransform(RenderCtx& rc, int64_t i) {
  if (!rc.view.objectTransforms) return;
  const Object& o = rc.doc.Objects[static_cast<size_t>(i)];
  // The newest operation acts first: a point is offset, then rotated, then scaled.
  rc.vg.scaleBy(o.w * 0.01, o.h * 0.01);
  rc.vg.rotateAbout(o.rotX, o.rotY, o.angle);
  rc.vg.translateBy(static_cast<double>(o.x), static_cast<double>(o.y));
}

bool objectTransformUsable(const RenderCtx& rc, int64_t i) {
  const auto& objects = rc.doc.Objects;
  if (i < 0 || i > lastIndex(objects)) return false;
  if (!rc.view.objectTransforms) return true;
  const Object& o = objects[static_cast<size_t>(i)];
  // Rotation and offset never make the mapping singular; only the scales can.
  const double zoom = rc.view.zoom;
  const double det = (zoom * o.w * 0.01) * (zoom * o.h * 0.01);
  return std::isfinite(det) && !qFuzzyIsNull(det);
}

void drawScene(RenderCtx& rc, const HitTest& hitTest, const ShapeFilter& filter) {
  const Document& doc = rc.doc;
  if (doc.DocumentState < kDocumentHasContent) return;
  const int64_t only = rc.view.onlyShape;
  for (int64_t i = 0; i <= lastIndex(doc.Objects); ++i) {
    if (doc.Objects[static_cast<size_t>(i)].hidden == 1) continue;
    if (!objectTransformUsable(rc, i)) continue;
    applyViewTransform(rc);
    applyObjectTransform(rc, i);
    for (int64_t j = 0;; ++j) {
      // Fresh look-ups each time: the click test calls out to the panels.
      const auto& shapes = doc.Objects[static_cast<size_t>(i)].shapes;
      const int64_t last = lastIndex(shapes);
      if (j > last) break;
      if (only >= 0 && j != only) continue;
      const Shape& s = shapes[static_cast<size_t>(j)];
      // A shape without points has no outline at all.
      if (s.hidden == 1 || s.points.empty()) continue;
      if (filter && !filter(i, j)) continue;
      const bool paintNow = s.link == 0 || j == last;
      drawFxAtDepth(rc, i, j, kFxBack);
      buildShapePath(rc, i, j);
      if (hitTest) {
        hitTest(i, j);
        if (i > lastIndex(doc.Objects) ||
            j > lastIndex(doc.Objects[static_cast<size_t>(i)].shapes)) {
          return;
        }
      }
      if (paintNow) paintShape(rc, i, j);
      drawFxAtDepth(rc, i, j, kFxFront);
    }
  }
}

void drawMarks(RenderCtx& rc) {
  const Document& doc = rc.doc;
  const sVdOptions& opt = rc.options;
  VectorCanvas& vg = rc.vg;
  // Outlines left unpainted by the scene (a custom style at the very end) are not marks.
  vg.clearPath();
  if (!rc.sel) return;
  const Selection& sel = *rc.sel;
  const int64_t oi = sel.object;
  if (oi < 0 || oi > lastIndex(doc.Objects)) return;
  const Object& o = doc.Objects[static_cast<size_t>(oi)];
  if (o.hidden != 0 || !objectTransformUsable(rc, oi)) return;
  applyViewTransform(rc);
  applyObjectTransform(rc, oi);

  const int64_t si = sel.shape;
  if (opt.HideAncre == 0 && si >= 0 && si <= lastIndex(o.shapes)) {
    const Shape& s = o.shapes[static_cast<size_t>(si)];
    const Positions p = positionsOf(rc.view, s);
    if (!s.points.empty()) {
      if (s.type == kComplex) {
        drawComplexAnchors(vg, sel, s, p);
      } else {
        drawPlainAnchors(vg, sel, s, p);
      }
    }
    drawCentreMarker(vg, s, p);
  }
  if (opt.ShowSelection != 0) drawSelectionOutlines(rc, sel, oi);
}

}  // namespace pw
