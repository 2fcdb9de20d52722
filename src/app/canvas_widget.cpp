#include "app/canvas_widget.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>
#include <cmath>
#include <utility>

#include "app/command_ids.h"
#include "app/commands.h"
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
  // Moves without a button only tell the window where the mouse is.
  setMouseTracking(true);
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
  emit mouseAt(e->position(), true);
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

void CanvasWidget::leaveEvent(QEvent* e) {
  QWidget::leaveEvent(e);
  emit mouseAt(lastPos_, false);
}

// Ctrl+wheel zooms about the mouse; the wheel scrolls the view, Shift+wheel sideways. A wheel
// reports eighths of a degree (120 a notch); a touchpad that scrolls smoothly may report pixels
// only, and its small steps add up until they make a whole zoom step or scene unit.
void CanvasWidget::wheelEvent(QWheelEvent* e) {
  e->accept();
  if (blocked_ || leftDown_) return;
  const QPoint angle = e->angleDelta();
  const QPoint pixels = e->pixelDelta();
  const Qt::KeyboardModifiers mods = e->modifiers();
  if (mods & Qt::ControlModifier) {
    int units = angle.y() != 0 ? angle.y() : angle.x();
    if (units == 0) units = pixels.y() != 0 ? pixels.y() : pixels.x();
    if (units == 0) return;
    // A turn the other way starts afresh.
    if ((units > 0) != (zoomNotches_ > 0)) zoomNotches_ = 0;
    zoomNotches_ += units / 120.0;
    const int64_t zoom = ed_.options.Zoom;
    const int64_t next = wheelZoomStep(zoom, zoomNotches_);
    if (next == zoom) {
      if (std::abs(zoomNotches_) >= 1) zoomNotches_ = 0;  // at the end of the range
      return;
    }
    zoomNotches_ = 0;
    emit wheelZoom(next, e->position());
    return;
  }
  double dx = 0, dy = 0;
  if (!pixels.isNull()) {
    dx = pixels.x();
    dy = pixels.y();
  } else {
    dx = angle.x() * (kWheelNotchPixels / 120.0);
    dy = angle.y() * (kWheelNotchPixels / 120.0);
  }
  if ((mods & Qt::ShiftModifier) && dx == 0) std::swap(dx, dy);
  double zoom = static_cast<double>(ed_.options.Zoom) * 0.01;
  if (!(zoom > 0)) zoom = 1;
  // Turning the wheel towards you shows what lies below: the scene moves up.
  panRestX_ += dx / zoom;
  panRestY_ += dy / zoom;
  const auto wholeX = static_cast<int64_t>(std::trunc(panRestX_));
  const auto wholeY = static_cast<int64_t>(std::trunc(panRestY_));
  panRestX_ -= static_cast<double>(wholeX);
  panRestY_ -= static_cast<double>(wholeY);
  if (wholeX != 0 || wholeY != 0) emit wheelPan(wholeX, wholeY);
}

void CanvasWidget::contextMenuEvent(QContextMenuEvent* e) {
  e->accept();
  if (blocked_ || leftDown_) return;
  setFocus(Qt::MouseFocusReason);
  emit contextMenuWanted(e->pos(), e->globalPos());
}

bool CanvasWidget::nudgeKey(const QKeyEvent* e) {
  int dx = 0, dy = 0;
  switch (e->key()) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Down: dy = 1; break;
    default: return false;
  }
  const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  if (mods & ~Qt::ShiftModifier) return false;  // Ctrl or Alt with an arrow: not a nudge
  if (blocked_ || leftDown_) return true;
  // Shift moves by ten units, or by the snap step while snapping is on.
  int64_t stepX = 1, stepY = 1;
  if (mods & Qt::ShiftModifier) {
    const bool snap = ed_.options.Snap == 1;
    stepX = snap ? ed_.options.SnapX : 10;
    stepY = snap ? ed_.options.SnapY : 10;
  }
  if (nudgeKey_ == 0 || !lastNudge_.isValid() || lastNudge_.elapsed() > kNudgeBurstGapMs)
    nudgeKey_ = nudgeKey_ == kNudgeMergeKeyA ? kNudgeMergeKeyB : kNudgeMergeKeyA;
  lastNudge_.start();
  emit nudge(dx * stepX, dy * stepY, nudgeKey_);
  return true;
}

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
  if (nudgeKey(e)) {
    e->accept();
    return;
  }
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
