// Pop-up menu 3: the commands for the points of the current shape, opened by the points button
// of the properties panel.
#pragma once

#include <QMenu>
#include <functional>

namespace pw {

// Builds the menu. Each item's QAction carries its command number as data() and is named
// "cmd" + number; choosing an item calls dispatch(number).
QMenu* buildPointsMenu(QWidget* parent, std::function<void(int)> dispatch);

}  // namespace pw
