// Paths that reach far beyond the image are cut down to the part that can be seen before they are
// painted: the rasterizer's work grows with a path's extent, so a few segments millions of units
// long would take minutes while showing a handful of lines.
#pragma once

#include <QPainterPath>
#include <QRectF>
#include <QTransform>
#include <vector>

namespace pw {

// How a path is to be painted, for cutting it down.
struct PaintReach {
  QRectF output;        // the image, in output pixels
  QTransform xf;        // the path's coordinates -> output pixels (invertible)
  double penWidth = 0;  // in the path's units; 0 for a fill
  // A dash or dot pattern: lengths in the path's units, on and off in turn; empty for none.
  std::vector<double> dashes;
};

// The part of segment (a, b) inside r, as parameters *t0 < *t1 narrowed from the values they
// come in with (Liang-Barsky); false when nothing of it is inside.
bool clipSegment(const QRectF& r, QPointF a, QPointF b, double* t0, double* t1);

// A rectangle holding everything a pen of `width` with these caps and joins paints along `p`, in
// the path's units, found from the geometry: the control points widened by half the pen, and
// each corner by the length its miter can reach. Never smaller than the stroke, often a little
// larger. Curves are stroked as many short pieces, and dashes laid on them as short lines, whose
// sharp bends (at a cusp, or where a tight curve turns) take miters too: around a path with
// curves, a mitered pen may reach as far as any miter.
QRectF strokeBounds(const QPainterPath& p, double width, Qt::PenCapStyle cap,
                    Qt::PenJoinStyle join, double miterLimit);

// What boundPathForPaint made of a path.
enum class PathCut {
  kWhole,   // near the image: paint the path itself
  kCut,     // paint the cut path with the same fill or pen
  kDashes,  // a patterned stroke: the cut path holds the dashes near the image, in the phase the
            // whole path has them there; paint it with a solid pen of the same width and ends
};

// When `p` reaches well beyond the image, writes to *out a path that paints the same pixels on
// it (the same fill, caps, joins and dash pattern there) while staying within a bounded distance
// of it. Paths near the image (every normal drawing) are left alone.
//
// Outside a keep area around the image, every point is moved to the area's nearest point (and a
// curve is first cut into pieces that lie inside the area or far from the image, those far away
// becoming straight lines). The move never crosses the image, so fills keep their winding there,
// and the keep area lies farther from the image than any stroke, cap or miter can reach. A
// patterned stroke is laid out here, along the original lengths, as the dashes that can reach the
// image (a pattern too fine to see, as solid).
PathCut boundPathForPaint(const QPainterPath& p, const PaintReach& reach, QPainterPath* out);

}  // namespace pw
