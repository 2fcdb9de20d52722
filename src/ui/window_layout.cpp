#include "ui/window_layout.h"

#include <algorithm>

namespace pw {

WindowLayout computeWindowLayout(const WindowLayoutInput& in) {
  WindowLayout l;
  const int p = std::max(1, in.height - in.menuHeight - in.toolBarH - in.timeLineH - 50);
  l.panelHeight = p;
  l.toolBar = QRect(0, 0, std::max(1, in.width), std::max<int>(in.toolBarH, 20));
  l.shapePanel = QRect(0, in.toolBarH, in.panelW, p);
  l.controlPanel = QRect(0, p + in.menuHeight + 20, in.panelW, in.timeLineH);
  l.canvas = QRect(in.panelW + 5, in.toolBarH, std::max(1, in.width - 2 * in.panelW - 10), p);
  const int rightX = l.canvas.x() + l.canvas.width() + 10;
  l.objectPanel = QRect(rightX, in.toolBarH, std::max(1, in.width - rightX), p);
  return l;
}

}  // namespace pw
