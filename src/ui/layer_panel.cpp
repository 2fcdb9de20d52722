#include "ui/layer_panel.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>

#include "core/create.h"
#include "core/history.h"
#include "core/layer_ops.h"
#include "ui/control_ids.h"
#include "ui/control_set.h"

namespace pw {

namespace {

constexpr int kLeft = 5;
constexpr int kScrollY = 61;
constexpr int kScrollH = 200;
constexpr int kInnerMinH = 300;
constexpr int kScrollStep = 8;
constexpr int kButtonsY = 264;
constexpr int kButtonSize = 20;
constexpr int kButtonGap = 3;
const QColor kListBackground(100, 100, 100);

}  // namespace

LayerListSurface::LayerListSurface(LayerPanel& panel, QWidget* parent)
    : QWidget(parent), panel_(panel) {
  setObjectName(controlObjectName(kCtlLayerList));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void LayerListSurface::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, image);
}

void LayerListSurface::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    const QPoint pos = e->position().toPoint();
    panel_.pressAt(pos.x(), pos.y());
  }
}

void LayerListSurface::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    // The second press of a double-click is a press like any other, then the rename follows.
    const QPoint pos = e->position().toPoint();
    panel_.pressAt(pos.x(), pos.y());
    panel_.doubleClickAt(pos.x(), pos.y());
  }
}

void LayerListSurface::contextMenuEvent(QContextMenuEvent* e) {
  e->accept();
  panel_.contextMenuAt(e->pos().x(), e->pos().y(), e->globalPos());
}

LayerPanel::LayerPanel(Editor& ed, const EditorIcons& icons, int panelW, QWidget* parent)
    : QWidget(parent), ed_(ed), icons_(icons), panelW_(std::max(panelW, 60)) {
  resize(panelW_, kTopMargin + kUsedHeight);

  alpha_ = new QSpinBox(this);
  alpha_->setObjectName(controlObjectName(kCtlLayerAlpha));
  alpha_->setGeometry(kLeft, 10, 50, 20);
  alpha_->setRange(0, 255);
  alpha_->setToolTip(QStringLiteral("Change the alpha of the object (layer)."));
  connect(alpha_, &QSpinBox::valueChanged, this, [this](int v) {
    if (setCurrentObjectAlpha(ed_, v)) ed_.redrawCanvas();
  });

  lock_ = new QToolButton(this);
  lock_->setObjectName(controlObjectName(kCtlLayerLock));
  lock_->setGeometry(kLeft, 33, 20, 25);
  lock_->setCheckable(true);
  lock_->setIcon(icons_.layerIcon(kLayerLock));
  lock_->setIconSize(QSize(16, 16));
  lock_->setToolTip(QStringLiteral("Lock the object (layer)."));
  connect(lock_, &QToolButton::clicked, this, [this](bool checked) {
    setCurrentObjectLocked(ed_, checked);
    drawLayerList(true);
  });

  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(controlObjectName(kCtlLayerScroll));
  scroll_->setGeometry(kLeft, kScrollY, panelW_ - 20, kScrollH);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  scroll_->verticalScrollBar()->setSingleStep(kScrollStep);
  scroll_->horizontalScrollBar()->setSingleStep(kScrollStep);
  surface_ = new LayerListSurface(*this);
  surface_->resize(panelW_ - 42, kInnerMinH);
  scroll_->setWidget(surface_);

  struct ButtonSpec {
    int number;
    int icon;
    const char* tip;
  };
  constexpr ButtonSpec kButtons[] = {
      {kCtlLayerAdd, kLayerAdd, "Add a new Object (layer)."},
      {kCtlLayerDelete, kLayerDelete, "Delete the current Object (Layer)."},
      {kCtlLayerUp, kLayerUp, "Move the Object (Layer) up."},
      {kCtlLayerDown, kLayerDown, "Move the Object (Layer) down."},
  };
  int x = kLeft;
  for (const ButtonSpec& s : kButtons) {
    auto* b = new QToolButton(this);
    b->setObjectName(controlObjectName(s.number));
    b->setGeometry(x, kButtonsY, kButtonSize, kButtonSize);
    b->setIcon(icons_.layerIcon(s.icon));
    b->setIconSize(QSize(kButtonSize - 4, kButtonSize - 4));
    b->setToolTip(QString::fromUtf8(s.tip));
    x += kButtonSize + kButtonGap;
    const int number = s.number;
    connect(b, &QToolButton::clicked, this, [this, number] {
      switch (number) {
        case kCtlLayerAdd: addLayer(); break;
        case kCtlLayerDelete: deleteLayer(); break;
        case kCtlLayerUp: moveLayer(1); break;
        default: moveLayer(-1); break;
      }
    });
  }

  showObjectControls();
  drawLayerList(false);
  listener_ = ed_.listen(Shown::kLayerList, [this](const Notice&) { drawLayerList(false); });
}

LayerPanel::~LayerPanel() { ed_.unlisten(listener_); }

void LayerPanel::showObjectControls() {
  const Object* o = currentObject(ed_.doc, ed_.sel);
  if (!o) return;
  const QSignalBlocker b1(alpha_), b2(lock_);
  alpha_->setValue(o->alpha);
  lock_->setChecked(o->locked != 0);
}

void LayerPanel::paintList(QImage& img) const {
  const Document& doc = ed_.doc;
  QPainter p(&img);
  if (!p.isActive()) return;
  p.fillRect(img.rect(), kListBackground);
  QFont f = font();
  f.setPixelSize(11);
  p.setFont(f);
  p.setPen(Qt::black);
  const int64_t last = lastIndex(doc.Objects);
  for (int64_t row = 0; row <= last; ++row) {
    const Object& o = doc.Objects[static_cast<size_t>(last - row)];
    const int y = static_cast<int>(row) * kLayerRowHeight;
    const bool current = last - row == ed_.sel.object;
    p.drawImage(0, y, icons_.layerIcons[current ? kLayerRowSelected : kLayerRow]);
    if (o.hidden == 0) p.drawImage(5, y + 8, icons_.layerIcons[kLayerEye]);
    const QString name = QString::fromStdString(utf8Prefix(o.name, kLayerListNameShown));
    p.drawText(QRect(25, y + 4, img.width() - 25, kLayerRowHeight - 4),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, name);
    if (o.locked == 1) p.drawImage(90, y + 6, icons_.layerIcons[kLayerLock]);
  }
}

void LayerPanel::drawLayerList(bool full) {
  // Every row stays reachable: the list grows with the objects instead of cutting them off.
  const int rows = static_cast<int>(ed_.doc.Objects.size());
  const QSize size(panelW_ - 42, std::max(kInnerMinH, rows * kLayerRowHeight));
  if (surface_->size() != size) surface_->resize(size);
  QImage img(size, QImage::Format_RGB32);
  if (!img.isNull()) {
    paintList(img);
    surface_->image = std::move(img);
    surface_->update();
  }
  if (!full) return;
  showObjectControls();
  ed_.refreshShapeList();
  ed_.refreshFxList();
  ed_.refreshProperties();
  ed_.redrawCanvas();
}

void LayerPanel::pressAt(int x, int y) {
  layerListPress(ed_, x, y);
  drawLayerList(true);
}

void LayerPanel::doubleClickAt(int x, int /*y*/) {
  if (x > kLayerEyeColumn) askRenameCurrentObject(ed_);
  drawLayerList(true);
}

void LayerPanel::contextMenuAt(int /*x*/, int y, QPoint global) {
  const int64_t rows = static_cast<int64_t>(ed_.doc.Objects.size());
  if (y < 0 || y / kLayerRowHeight >= rows) return;
  ed_.sel.object = layerRowObject(ed_.doc, y / kLayerRowHeight);
  ed_.sel.shape = 0;
  drawLayerList(true);
  if (onContextMenu) onContextMenu(global);
}

void LayerPanel::addLayer() {
  if (addNewObject(ed_)) refreshViews(ed_);
  showObjectControls();
  drawLayerList(false);
}

void LayerPanel::deleteLayer() {
  deleteCurrentObject(ed_);
  drawLayerList(true);
}

void LayerPanel::moveLayer(int dir) {
  if (moveCurrentObject(ed_, dir)) drawLayerList(true);
}

}  // namespace pw
