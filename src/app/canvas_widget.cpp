#include "app/canvas_widget.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include "ui/control_ids.h"
#include "ui/control_set.h"

namespace pw {

CanvasWidget::CanvasWidget(Editor& ed, ImageStore& store, QWidget* parent)
    : QWidget(parent),
      ed_(ed),
      surface_{QImage(), store},
      tools_(ed, surface_, [this] { update(); }) {
  setObjectName(controlObjectName(kCtlCanvas));
  // A zoom or a pan shows the old picture moved at once; the sharp one follows when drawn.
  surface_.sharpReady = [this] {
    QMetaObject::invokeMethod(this, [this] { showSharp(); }, Qt::QueuedConnection);
  };
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
}

// A hidden widget gets its resize events only when shown; the image follows the size anyway.
bool CanvasWidget::ensureImage() {
  const QSize sz = size();
  if (sz.isEmpty()) {
    surface_.image = QImage();
    return false;
  }
  if (surface_.image.size() != sz) {
    surface_.image = QImage(sz, QImage::Format_ARGB32_Premultiplied);
    surface_.image.setDevicePixelRatio(1.0);
  }
  return true;
}

void CanvasWidget::redraw() {
  ensureImage();
  syncCursor();
  tools_.refresh(ed_.tools.sceneMouseX, ed_.tools.sceneMouseY, false);
}

void CanvasWidget::syncCursor() {
  const Qt::CursorShape shape = tools_.current().cursor();
  if (cursor().shape() != shape) setCursor(shape);
}

// The image follows the widget's size before the tools pick on it.
void CanvasWidget::deliver(const CanvasInput& in) {
  ensureImage();
  syncCursor();
  tools_.handle(in);
}

void CanvasWidget::showSharp() {
  // While playing, the canvas shows the animation; the picture is taken after it.
  if (blocked_ || !surface_.previewShown || !ensureImage()) return;
  drawCanvas(ed_, surface_);
  update();
}

void CanvasWidget::setInputBlocked(bool blocked) {
  if (blocked && !blocked_) endDrag();
  blocked_ = blocked;
}

QPointF CanvasWidget::pixelOf(double mx, double my) const {
  double zoom = static_cast<double>(ed_.options.Zoom) * 0.01;
  if (!(zoom > 0)) zoom = 1;
  double ox = 0, oy = 0;
  if (const Object* o = currentObject(ed_.doc, ed_.sel)) {
    ox = static_cast<double>(o->x);
    oy = static_cast<double>(o->y);
  }
  return {(mx + ox) * zoom, (my + oy) * zoom};
}

void CanvasWidget::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  if (surface_.image.isNull()) {
    p.fillRect(e->rect(), palette().window());
    return;
  }
  p.drawImage(e->rect().topLeft(), surface_.image, e->rect());
  tools_.current().paintOverlay(p, ed_);
}

void CanvasWidget::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (ensureImage()) redraw();
}

void CanvasWidget::send(CanvasInput::Kind kind, QPointF pos) {
  CanvasInput in;
  in.kind = kind;
  in.px = pos.x();
  in.py = pos.y();
  in.leftHeld = kind == CanvasInput::kMove;
  lastPos_ = pos;
  deliver(in);
}

void CanvasWidget::sendKey(CanvasInput::Kind kind, int key, bool shift) {
  CanvasInput in;
  in.kind = kind;
  in.key = key;
  in.shift = shift;
  in.px = lastPos_.x();
  in.py = lastPos_.y();
  deliver(in);
}

void CanvasWidget::mousePressEvent(QMouseEvent* e) {
  e->accept();
  if (e->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  if (blocked_ || leftDown_) return;
  leftDown_ = true;
  CanvasInput in;
  in.kind = CanvasInput::kLeftDown;
  in.px = e->position().x();
  in.py = e->position().y();
  in.shift = (e->modifiers() & Qt::ShiftModifier) != 0;
  // Shift held at the press selects as its key does, and its key-up on the canvas ends that.
  if (in.shift) shiftHeld_ = true;
  lastPos_ = e->position();
  deliver(in);
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* e) {
  e->accept();
  if (blocked_ || !leftDown_ || !(e->buttons() & Qt::LeftButton)) return;
  send(CanvasInput::kMove, e->position());
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* e) {
  e->accept();
  if (e->button() != Qt::LeftButton || !leftDown_) return;
  endDrag();
}

// The second press of a double click is not a new press; the release that follows it finds no
// drag to end.
void CanvasWidget::mouseDoubleClickEvent(QMouseEvent* e) { e->accept(); }

void CanvasWidget::wheelEvent(QWheelEvent* e) { e->ignore(); }

void CanvasWidget::endDrag() {
  if (!leftDown_) return;
  leftDown_ = false;
  CanvasInput in;
  in.kind = CanvasInput::kLeftUp;
  in.px = lastPos_.x();
  in.py = lastPos_.y();
  deliver(in);
}

void CanvasWidget::keyPressEvent(QKeyEvent* e) {
  const int key = e->key();
  const bool ours = key == Qt::Key_Space || key == Qt::Key_Shift;
  if (!ours) {
    // Other keys are for the window's shortcuts; a Shift held with them still counts.
    if (!blocked_ && !e->isAutoRepeat() && (e->modifiers() & Qt::ShiftModifier)) {
      shiftHeld_ = true;
      sendKey(CanvasInput::kKeyDown, key, true);
    }
    QWidget::keyPressEvent(e);
    return;
  }
  e->accept();
  if (blocked_ || e->isAutoRepeat()) return;
  if (key == Qt::Key_Space) spaceHeld_ = true;
  if (key == Qt::Key_Shift) shiftHeld_ = true;
  sendKey(CanvasInput::kKeyDown, key,
          key == Qt::Key_Shift || (e->modifiers() & Qt::ShiftModifier) != 0);
}

void CanvasWidget::keyReleaseEvent(QKeyEvent* e) {
  const int key = e->key();
  if (key != Qt::Key_Space && key != Qt::Key_Shift) {
    QWidget::keyReleaseEvent(e);
    return;
  }
  e->accept();
  if (e->isAutoRepeat()) return;
  // A key that went down before playback started still comes up, so its mode never sticks.
  if (key == Qt::Key_Space) {
    if (!spaceHeld_) return;
    spaceHeld_ = false;
  } else {
    if (!shiftHeld_) return;
    shiftHeld_ = false;
  }
  sendKey(CanvasInput::kKeyUp, key, false);
}

// Keys released while another control has the focus never reach the canvas: their modes end
// with the focus.
void CanvasWidget::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  if (e->reason() == Qt::PopupFocusReason) return;
  if (spaceHeld_) {
    spaceHeld_ = false;
    sendKey(CanvasInput::kKeyUp, Qt::Key_Space, false);
  }
  if (shiftHeld_) {
    shiftHeld_ = false;
    sendKey(CanvasInput::kKeyUp, Qt::Key_Shift, false);
  }
}

}  // namespace pw
