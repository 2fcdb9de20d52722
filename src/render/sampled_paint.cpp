#include "render/sampled_paint.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace pw {

void paintSampled(QPainter& out, const QImage& target, const QRect& area, const QRect& band,
                  const std::function<void(QPainter&)>& paint) {
  const QRect shown = band.isEmpty() ? area : area & band;
  if (shown.isEmpty()) return;
  const int w = target.width(), h = target.height();
  const bool like = target.depth() == 32;
  const qsizetype bpl = like ? target.bytesPerLine() : static_cast<qsizetype>(w) * 4;
  constexpr uintptr_t kAlign = 64;
  const uintptr_t align = like ? reinterpret_cast<uintptr_t>(target.constBits()) % kAlign : 0;
  std::unique_ptr<uchar[]> mem(new uchar[static_cast<size_t>(bpl) * static_cast<size_t>(h) +
                                         kAlign]);
  const uintptr_t have = reinterpret_cast<uintptr_t>(mem.get()) % kAlign;
  uchar* bits = mem.get() + (align + kAlign - have) % kAlign;
  // Only `area` is cleared: what is painted lies within it, and nothing else is read.
  for (int y = area.top(); y <= area.bottom(); ++y)
    std::memset(bits + y * bpl + static_cast<qsizetype>(area.left()) * 4, 0,
                static_cast<size_t>(area.width()) * 4);
  QImage scratch(bits, w, h, bpl, QImage::Format_ARGB32_Premultiplied);
  {
    QPainter p(&scratch);
    p.setRenderHints(out.renderHints());
    paint(p);
  }
  out.save();
  out.resetTransform();
  out.setOpacity(1);
  out.drawImage(shown.topLeft(), scratch, shown);
  out.restore();
}

}  // namespace pw
