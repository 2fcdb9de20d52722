// Tab "Shapes" of the shape panel and the "Properties" frame of the object panel.
#include <QAbstractItemView>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <algorithm>

#include "ui/panel_context.h"
#include "ui/style_layout.h"

namespace pw {

namespace {

constexpr int kSpinW = 80;       // spin fields without a stated width
constexpr int kInFrameX = 5;     // left margin inside a frame (10 from the tab's edge)
constexpr int kFrameX = 5;
constexpr int kListW = 130;
constexpr int kListH = 100;
constexpr int kGap = 3;          // between controls sharing a row
constexpr int kRangeMax = 100000;
constexpr int kCenterMax = 10000;
constexpr int kSizeMax = 10000;

// A titled frame at the grid's next row, as wide as the panel allows; the caller fills it and
// closes it with closeFrame.
QGroupBox* openFrame(const PanelContext& ctx, QWidget* tab, const char* title, PanelGrid& g,
                     PanelGrid& inner) {
  auto* f = new QGroupBox(QString::fromUtf8(title), tab);
  f->setObjectName(QString("frame") + title);
  f->setGeometry(kFrameX, g.y, panelWidth(ctx) - 15, PanelGrid::kFrameHeading);
  inner.y = PanelGrid::kFrameHeading;
  return f;
}

void closeFrame(QGroupBox* f, PanelGrid& g, const PanelGrid& inner) {
  const int h = inner.y + 2;
  f->resize(f->width(), h);
  g.y += h + PanelGrid::kRowGap;
}

}  // namespace

void buildShapesTab(PanelContext& ctx, QWidget* tab) {
  ControlSet& c = ctx.controls;
  const int m = PanelGrid::kMargin;
  const int h = PanelGrid::kRowH;
  PanelGrid g;

  int y = g.nextRow();
  auto* name = new QLabel("Name", tab);
  name->setObjectName("lblName");
  name->setGeometry(m, y + 2, kCaptionWidth, h);
  c.makeControl(tab, kCtlShapeName, kKindText, m + kCaptionWidth, y, 100, h, "", 0, 0, "");

  y = g.nextRow();
  c.makeControl(tab, kCtlTemplateList, kKindDropDown, m, y, 80, h, "", 0, 0,
                "Select the shape to add.");
  c.makeControl(tab, kCtlShapeAdd, kKindButton, m + 80 + kGap, y, 20, h, "+", 0, 0,
                "Add a new complexe Shape.");
  c.makeControl(tab, kCtlShapeDelete, kKindButton, m + 80 + 20 + 2 * kGap, y, 20, h, "-", 0, 0,
                "Delete the selected shape.");

  // The list shows every shape; a click toggles its row, so several can be selected.
  auto* list = static_cast<QListWidget*>(
      c.makeControl(tab, kCtlShapeList, kKindList, m, g.y, kListW, kListH, "", 0, 0, ""));
  list->setSelectionMode(QAbstractItemView::MultiSelection);
  list->setUniformItemSizes(true);
  g.y += kListH + PanelGrid::kRowGap;

  y = g.nextRow();
  c.makeControl(tab, kCtlShapeUp, kKindButton, m, y, 50, h, "Up", 0, 0, "Move the shape up.");
  c.makeControl(tab, kCtlShapeDown, kKindButton, m + 50 + 5, y, 50, h, "Down", 0, 0,
                "Move the shape down.");
  y = g.nextRow();
  c.makeControl(tab, kCtlShapeHide, kKindCheck, m, y, 50, h, "Hide ", 0, 0,
                "Hide the selected shape.");
  c.makeControl(tab, kCtlShapeLock, kKindCheck, m + 50 + 5, y, 50, h, "Lock ", 0, 0,
                "Lock the selected shape.");
  y = g.nextRow();
  c.makeControl(tab, kCtlShapeLink, kKindCheck, m, y, 50, h, "Link ", 0, 0,
                "To link the shape with the next shape and get 'hole' in shape if intersection "
                "instead of filled color.");
  c.makeControl(tab, kCtlShapeClose, kKindCheck, m + 50 + 5, y, 50, h, "Close ", 0, 0,
                "Close the path (line, curve, complexe shape)");

  c.makeControl(tab, kCtlShapeX, kKindSpin, m, g.nextRow(), kSpinW, h, "X ", -kRangeMax, kRangeMax,
                "Set the X position of the shape.");
  c.makeControl(tab, kCtlShapeY, kKindSpin, m, g.nextRow(), kSpinW, h, "Y ", -kRangeMax, kRangeMax,
                "Set the Y position of the shape.");
  c.makeControl(tab, kCtlShapeW, kKindSpin, m, g.nextRow(), kSpinW, h, "W ", 0, kSizeMax,
                "Set the width of the shape.");
  c.makeControl(tab, kCtlShapeH, kKindSpin, m, g.nextRow(), kSpinW, h, "H ", 0, kSizeMax,
                "Set the height of the shape.");

  PanelGrid in;
  QGroupBox* center = openFrame(ctx, tab, "Center", g, in);
  c.makeControl(center, kCtlCenterX, kKindSpin, kInFrameX, in.nextRow(), kSpinW, h, "CX",
                -kCenterMax, kCenterMax, "Change the center X (offset)");
  c.makeControl(center, kCtlCenterY, kKindSpin, kInFrameX, in.nextRow(), kSpinW, h, "Cy",
                -kCenterMax, kCenterMax, "Change the center Y (offset)");
  closeFrame(center, g, in);

  QGroupBox* points = openFrame(ctx, tab, "Points", g, in);
  y = in.nextRow();
  c.makeControl(points, kCtlPointsMenuButton, kKindImageButton, kInFrameX, y, 20, 20, "", 0, 0,
                "Open the properties menu for the points", kNoInitialState,
                ctx.icons.toolIcon(kIconProperties));
  c.makeControl(points, kCtlPointHard, kKindImageButton, kInFrameX + 20 + kGap, y, 20, 20, "", 0, 0,
                "Set the point hard", kNoInitialState, ctx.icons.toolIcon(kIconHard));
  c.makeControl(points, kCtlPointSoft, kKindImageButton, kInFrameX + 2 * (20 + kGap), y, 20, 20,
                "", 0, 0, "Set the point soft", kNoInitialState, ctx.icons.toolIcon(kIconSoft));
  const int lockX = kInFrameX + kCaptionWidth + 45 + kGap;
  y = in.nextRow();
  c.makeControl(points, kCtlPointX, kKindSpin, kInFrameX, y, 45, h, "X: ", -kRangeMax, kRangeMax,
                "Position X of the point (or the shape for box, ellipse, image, text).");
  c.makeControl(points, kCtlPointLockX, kKindCheck, lockX, y, 40, h, "Lock", 0, 0, "Lock X.");
  y = in.nextRow();
  c.makeControl(points, kCtlPointY, kKindSpin, kInFrameX, y, 45, h, "Y: ", -kRangeMax, kRangeMax,
                "Position Y of the point (or the shape for box, ellipse, image, text).");
  c.makeControl(points, kCtlPointLockY, kKindCheck, lockX, y, 40, h, "Lock", 0, 0, "Lock Y.");
  closeFrame(points, g, in);
}

void buildObjectProperties(PanelContext& ctx, QGroupBox* frame) {
  ControlSet& c = ctx.controls;
  const int h = PanelGrid::kRowH;
  PanelGrid in;
  in.y = PanelGrid::kFrameHeading;
  c.makeControl(frame, kCtlObjectX, kKindSpin, kInFrameX, in.nextRow(), 80, h, "X ", -10000, 10000,
                "Change the X of the objet.");
  c.makeControl(frame, kCtlObjectY, kKindSpin, kInFrameX, in.nextRow(), 80, h, "Y ", -10000, 10000,
                "Change the Y of the objet.");
  c.makeControl(frame, kCtlObjectW, kKindSpin, kInFrameX, in.nextRow(), 80, h, "W ", 0, 100000,
                "Change the width of the objet.");
  c.makeControl(frame, kCtlObjectH, kKindSpin, kInFrameX, in.nextRow(), 80, h, "H ", 0, 100000,
                "Change the height of the objet.");
  // The frame is at least as tall as its rows.
  const int need = in.y + 2;
  if (frame->height() < need) frame->resize(frame->width(), need);
}

}  // namespace pw
