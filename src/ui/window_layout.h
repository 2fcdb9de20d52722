// Pixel layout of the main window's fixed parts, below the menu bar: tool bar, shape panel,
// Control panel, canvas and object panel.
#pragma once

#include <QRect>

namespace pw {

struct WindowLayoutInput {
  int width = 0;        // the window's inner width
  int height = 0;       // the window's inner height, menu bar included
  int menuHeight = 0;
  int panelW = 150;
  int toolBarH = 30;
  int timeLineH = 80;
};

struct WindowLayout {
  QRect toolBar, shapePanel, controlPanel, canvas, objectPanel;
  int panelHeight = 0;
};

// The re-layout on resize: panel height P = height - menu - tool bar - timeline - 50; the
// canvas fills the width between the two panels.
WindowLayout computeWindowLayout(const WindowLayoutInput& in);

}  // namespace pw
