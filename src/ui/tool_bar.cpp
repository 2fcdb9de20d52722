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

#include "ui/control_set.h"

namespace pw {

namespace {

struct ToolButtonSpec {
  int number;
  int x;
  int icon;
  const char* tip;
};

// The button of a tool: the selected tool is always the button number minus 2.
constexpr int buttonOf(Tool tool) { return ToolBar::kFirstButton + tool; }

// Left to right.
constexpr ToolButtonSpec kToolButtons[] = {
    {buttonOf(kToolComplex), 5, kIconComplex, "Add a complex shape."},
    {buttonOf(kToolBox), 31, kIconBox, "Add a box."},
    {buttonOf(kToolRoundBox), 57, kIconRoundBox, "Add a rounded box."},
    {buttonOf(kToolCircle), 83, kIconCircle, "Add a circle."},
    {buttonOf(kToolLine), 109, kIconLine, "Add a line."},
    {buttonOf(kToolCurve), 135, kIconCurve, "Add a curve."},
    {buttonOf(kToolImage), 161, kIconImage, "Add a image."},
    {buttonOf(kToolText), 187, kIconText, "Add a text."},
    {buttonOf(kToolSelect), 218, kIconSelect, "Select the Shape."},
    {buttonOf(kToolMove), 244, kIconMove, "Move the Shape or the points."},
    {buttonOf(kToolScale), 270, kIconScale, "Scale the shape."},
    {buttonOf(kToolRotate), 296, kIconRotate, "Rotate the shape."},
    {buttonOf(kToolAddPoint), 326, kIconAddPoint, "Add a point."},
    {buttonOf(kToolDeletePoint), 352, kIconDeletePoint, "Delete a point."},
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

}  // namespace

ToolBar::ToolBar(Editor& ed, const EditorIcons& icons, QWidget* parent)
    : QWidget(parent), ed_(ed), icons_(icons) {
  setObjectName(controlObjectName(kCtlToolBar));
  for (const ToolButtonSpec& s : kToolButtons) {
    auto* b = new QToolButton(this);
    b->setObjectName(controlObjectName(s.number));
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
  offset_->setObjectName(controlObjectName(kCtlOffset));
  offset_->setGeometry(383, kControlY, 80, kControlH);
  offset_->addItems(QString::fromUtf8(kOffsetItems).split(QLatin1Char(',')));
  offset_->setToolTip(QStringLiteral("Choose the offset for transformation."));
  connect(offset_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i >= 0) ed_.options.Offset = static_cast<uint8_t>(i);
  });

  snap_ = new QCheckBox(QStringLiteral("Snap"), this);
  snap_->setObjectName(controlObjectName(kCtlSnap));
  snap_->setGeometry(469, kControlY, 45, kControlH);
  snap_->setToolTip(QStringLiteral("Set the Snap."));
  // The caption fits the box's 45 pixels with a narrower gap after the indicator.
  snap_->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px; }"));
  connect(snap_, &QCheckBox::toggled, this, [this] { snapEdited(); });

  const auto makeSpin = [this](int number, int x, const char* tip) {
    auto* s = new QSpinBox(this);
    s->setObjectName(controlObjectName(number));
    s->setGeometry(x, kControlY, 45, kControlH);
    s->setRange(1, kSnapMax);
    s->setToolTip(QString::fromUtf8(tip));
    connect(s, &QSpinBox::valueChanged, this, [this] { snapEdited(); });
    return s;
  };
  snapX_ = makeSpin(kCtlSnapX, 515, "Set the Snap X.");
  snapY_ = makeSpin(kCtlSnapY, 561, "Set the Snap Y.");

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
