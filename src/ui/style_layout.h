// Layout helpers shared by the "Color", "FX" and "Options" tabs: titled frames stacked down a
// tab, each holding rows of the panel grid, and the item lists of the style drop-downs.
#pragma once

#include <QGroupBox>
#include <QString>
#include <QStringList>
#include <algorithm>

#include "ui/panel_context.h"

namespace pw {

// Width of a spin field whose table gives none, and the gap between frames.
inline constexpr int kStyleSpinW = 60;
inline constexpr int kFrameGap = 5;

// A titled frame at `top` in `tab`, as wide as the panel less 15 pixels; rows start below its
// 15-pixel heading, 5 pixels in from its edge (10 from the tab's). finish() sizes it to its rows
// and returns where the next frame goes.
class StyleFrame {
 public:
  StyleFrame(QWidget* tab, const QString& title, int top, int panelW) {
    box_ = new QGroupBox(title, tab);
    box_->setGeometry(kLeft, top, std::max(panelW, 60) - 15, PanelGrid::kFrameHeading);
    rows_.y = PanelGrid::kFrameHeading;
  }
  QGroupBox* box() const { return box_; }
  int nextRow() { return rows_.nextRow(); }
  int finish() {
    box_->resize(box_->width(), rows_.y + kFrameGap);
    return box_->y() + box_->height() + kFrameGap;
  }

  // Left edge of the rows inside the frame.
  static constexpr int kX = PanelGrid::kMargin - 5;

 private:
  static constexpr int kLeft = 5;
  QGroupBox* box_ = nullptr;
  PanelGrid rows_;
};

// Fields 1 to 4 of "filled,line,dash,dot,custom": the list ends with "dot".
inline QStringList strokeStyleItems() {
  const QString all = QStringLiteral("filled,line,dash,dot,custom");
  QStringList items;
  for (int field = 1; field <= 4; ++field) items << all.section(',', field - 1, field - 1);
  return items;
}

// The panel width the tabs are laid out for.
inline int panelWidth(const PanelContext& ctx) {
  return ctx.ed.options.PanelW > 0 ? ctx.ed.options.PanelW : 150;
}

}  // namespace pw
