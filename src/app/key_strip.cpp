#include "app/key_strip.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/command_ids.h"
#include "ui/control_set.h"

namespace pw {

namespace {
constexpr int kInset = 3;  // room for the current-frame mark at both ends
}

KeyStrip::KeyStrip(const Editor& ed, QWidget* parent) : QWidget(parent), ed_(ed) {
  setObjectName(controlObjectName(kCtlKeyStrip));
  setToolTip("Keys of the current object; click to go to a frame");
  setAttribute(Qt::WA_OpaquePaintEvent);
}

int64_t KeyStrip::maxFrame() const { return std::max<int64_t>(ed_.doc.MaxFrame, 0); }

void KeyStrip::setCurrentFrame(int64_t frame) {
  if (frame == current_) return;
  current_ = frame;
  update();
}

double KeyStrip::xOfFrame(int64_t frame) const {
  const double span = std::max(1, width() - 1 - 2 * kInset);
  const int64_t m = maxFrame();
  if (m == 0) return kInset;
  return kInset + span * static_cast<double>(std::clamp<int64_t>(frame, 0, m)) /
                      static_cast<double>(m);
}

int64_t KeyStrip::frameAt(double x) const {
  const double span = std::max(1, width() - 1 - 2 * kInset);
  const int64_t m = maxFrame();
  const double f = std::round((x - kInset) / span * static_cast<double>(m));
  if (!(f > 0)) return 0;
  return f >= static_cast<double>(m) ? m : static_cast<int64_t>(f);
}

void KeyStrip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width();
  const int h = height();
  p.fillRect(rect(), QColor(70, 70, 70));
  p.setPen(QColor(110, 110, 110));
  p.drawLine(kInset, h / 2, w - 1 - kInset, h / 2);
  if (const Object* o = currentObject(ed_.doc, ed_.sel)) {
    p.setPen(QColor(255, 200, 0));
    for (const ObjectKey& k : o->keys) {
      const int x = static_cast<int>(std::lround(xOfFrame(k.frame)));
      p.drawLine(x, 2, x, h - 3);
    }
  }
  const int cx = static_cast<int>(std::lround(xOfFrame(current_)));
  p.fillRect(QRect(cx - 1, 0, 3, h), QColor(230, 60, 60));
}

void KeyStrip::mousePressEvent(QMouseEvent* e) {
  e->accept();
  if (e->button() != Qt::LeftButton) return;
  if (onFrameChosen) onFrameChosen(frameAt(e->position().x()));
}

void KeyStrip::mouseMoveEvent(QMouseEvent* e) {
  e->accept();
  if (!(e->buttons() & Qt::LeftButton)) return;
  const int64_t f = frameAt(e->position().x());
  if (f != current_ && onFrameChosen) onFrameChosen(f);
}

}  // namespace pw
