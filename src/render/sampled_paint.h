// Painting transformed images so that a band of the output gets exactly the pixels of the whole.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <functional>

namespace pw {

// Qt samples a transformed image (drawn as such or as a texture brush) along each run of
// neighbouring spans it blends in one go, stepping in fixed point from the run's first pixel. The
// runs are cut where its span buffer fills up (and, off its own threads, where it splits a blend
// between them), counted from the first row an operation draws: under a band's clip a row further
// down can come out a unit off in a channel. Such operations are therefore painted unclipped on a
// clear scratch image laid out like the output (size, row length and alignment, which picks Qt's
// blending paths), the same in every band, and `area`'s pixels within the band are copied onto
// the output. Painting onto the clear image and copying that over the output gives the bytes that
// painting onto the output directly gives.
void paintSampled(QPainter& out, const QImage& target, const QRect& area, const QRect& band,
                  const std::function<void(QPainter&)>& paint);

}  // namespace pw
