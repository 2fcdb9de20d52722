// The key strip of the Control panel: frames 0 to the last frame from left to right, a tick for
// each key of the current object and a mark at the current frame. A click (or a drag) asks to
// go to the frame under the mouse.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

#include "core/editor.h"

namespace pw {

class KeyStrip : public QWidget {
  Q_OBJECT

 public:
  KeyStrip(const Editor& ed, QWidget* parent = nullptr);

  // The frame shown as current (marked).
  void setCurrentFrame(int64_t frame);
  int64_t currentFrame() const { return current_; }

  // Horizontal position (widget pixels) of a frame's centre, and the frame at a position.
  double xOfFrame(int64_t frame) const;
  int64_t frameAt(double x) const;

  // The user clicked or dragged to `frame` (0 ... the last frame).
  std::function<void(int64_t)> onFrameChosen;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  int64_t maxFrame() const;

  const Editor& ed_;
  int64_t current_ = 0;
};

}  // namespace pw
