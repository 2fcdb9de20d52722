#include "ui/tool_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QString>
#include <QToolButton>
#include <algorithm>
#include <cstdint>
#include <limits>

namespace pw {

namespace {

struct ToolButtonSpec {
  int number;
  int x;
  int icon;
  const char* tip;
};

// Left to right; the selected tool is always the button number minus 2.
constexpr ToolButtonSpec kToolButtons[] = {
    {10, 5, kIconComplex, "Add a complex shape."},
    {11, 31, kIconBox, "Add a box."},
    {12, 57, kIconRoundBox, "Add a rounded box."},
    {13, 83, kIconCircle, "Add a circle."},
    {14, 109, kIconLine, "Add a line."},
    {15, 135, kIconCurve, "Add a curve."},
    {16, 161, kIconImage, "Add a image."},
    {17, 187, kIconText, "Add a text."},
    {3, 218, kIconSelect, "Select the Shape."},
    {2, 244, kIconMove, "Move the Shape or the points."},
    {4, 270, kIconScale, "Scale the shape."},
    {5, 296, kIconRotate, "Rotate the shape."},
    {7, 326, kIconAddPoint, "Add a point."},
    {9, 352, kIconDeletePoint, "Delete a point."},
};

constexpr int kButtonSize = 25;
constexpr int kControlY = 2;
constexpr int kControlH = 20;
constexpr int kSnapMax = 100000;
constexpr const char* kOffsetItems = "Origin,Cursor,Bounding box,Selected shape";

// The snap step a spin value stands for: at least 1, and no more than the 16-bit field holds.
int16_t snapStep(int v) {
  return static_cast<int16_t>(std::clamp<int>(v, 1, std::numeric_limits<int16_t>::max()));
}

QString ctlName(int number) { return QStringLiteral("ctl%1").arg(number); }

}  // namespace

ToolBar::ToolBar(Editor& ed, const EditorIcons& icons, QWidget* parent)
    : QWidget(parent), ed_(ed), icons_(icons) {
  setObjectName(ctlName(1));
  for (const ToolButtonSpec& s : kToolButtons) {
    auto* b = new QToolButton(this);
    b->setObjectName(ctlName(s.number));
    b->setGeometry(s.x, 0, kButtonSize, kButtonSize);
    b->setCheckable(true);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIcon(icons_.toolIcon(s.icon));
    b->setIconSize(QSize(kButtonSize - 4, kButtonSize - 4));
    b->setToolTip(QString::fromUtf8(s.tip));
    const int number = s.number;
    connect(b, &QToolButton::clicked, this, [this, number] { chooseTool(number); });
    buttons_[static_cast<size_t>(number)] = b;
  }

  offset_ = new QComboBox(this);
  offset_->setObjectName(ctlName(19));
  offset_->setGeometry(383, kControlY, 80, kControlH);
  offset_->addItems(QString::fromUtf8(kOffsetItems).split(QLatin1Char(',')));
  offset_->setToolTip(QStringLiteral("Choose the offset for transformation."));
  connect(offset_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i >= 0) ed_.options.Offset = static_cast<uint8_t>(i);
  });

  snap_ = new QCheckBox(QStringLiteral("Snap"), this);
  snap_->setObjectName(ctlName(20));
  snap_->setGeometry(469, kControlY, 45, kControlH);
  snap_->setToolTip(QStringLiteral("Set the Snap."));
  // The caption fits the box's 45 pixels with a narrower gap after the indicator.
  snap_->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px; }"));
  connect(snap_, &QCheckBox::toggled, this, [this] { snapEdited(); });

  const auto makeSpin = [this](int number, int x, const char* tip) {
    auto* s = new QSpinBox(this);
    s->setObjectName(ctlName(number));
    s->setGeometry(x, kControlY, 45, kControlH);
    s->setRange(1, kSnapMax);
    s->setToolTip(QString::fromUtf8(tip));
    connect(s, &QSpinBox::valueChanged, this, [this] { snapEdited(); });
    return s;
  };
  snapX_ = makeSpin(21, 515, "Set the Snap X.");
  snapY_ = makeSpin(22, 561, "Set the Snap Y.");

  buildToolBar(ed_.options.WinW, ed_.options.ToolBarH);
}

void ToolBar::buildToolBar(int width, int toolBarH) {
  setGeometry(0, 0, std::max(width, 0), std::max(toolBarH, kMinHeight));
  const sVdOptions& o = ed_.options;
  {
    const QSignalBlocker b1(offset_), b2(snap_), b3(snapX_), b4(snapY_);
    // The list shows the stored choice (a settings file may hold any of the four).
    offset_->setCurrentIndex(o.Offset < offset_->count() ? o.Offset : 0);
    snap_->setChecked(o.Snap != 0);
    snapX_->setValue(o.SnapX);
    snapY_->setValue(o.SnapY);
  }
  showTool(ed_.tools.tool);
}

void ToolBar::showTool(int tool) {
  for (QToolButton* b : buttons_)
    if (b) b->setChecked(false);
  if (QToolButton* b = toolButton(tool + kFirstButton)) b->setChecked(true);
}

void ToolBar::chooseTool(int number) {
  if (number < kFirstButton || number > kLastButton) return;
  const int tool = number - kFirstButton;
  ed_.tools.tool = static_cast<uint8_t>(tool);
  showTool(tool);
  if (tool == kToolRoundBox) ed_.prompt.info("Info", "These tool doesn't work for the moment");
  emit toolChanged(tool);
  emit wantCanvasFocus();
}

QToolButton* ToolBar::toolButton(int number) const {
  if (number < kFirstButton || number > kLastButton) return nullptr;
  return buttons_[static_cast<size_t>(number)];
}

void ToolBar::snapEdited() {
  sVdOptions& o = ed_.options;
  o.Snap = snap_->isChecked() ? 1 : 0;
  o.SnapX = snapStep(snapX_->value());
  o.SnapY = snapStep(snapY_->value());
  // A step beyond the field's reach is shown as the step actually used.
  const QSignalBlocker bx(snapX_), by(snapY_);
  if (snapX_->value() != o.SnapX) snapX_->setValue(o.SnapX);
  if (snapY_->value() != o.SnapY) snapY_->setValue(o.SnapY);
}

}  // namespace pw
