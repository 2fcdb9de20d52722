// The drawing canvas of the editor window (control 0): shows the image that the canvas refresh
// paints and turns left-button mouse events and the Space and Shift keys into canvas tool input.
//
// Pixels: the canvas image has the widget's size in logical pixels and is shown 1:1, so a
// mouse position in widget coordinates is the canvas's device pixel as the tools see it.
#pragma once

#include <QWidget>
#include <cstdint>

#include "app/canvas_tools.h"
#include "core/editor.h"
#include "render/image_store.h"
#include "render/refresh.h"

namespace pw {

class CanvasWidget : public QWidget {
  Q_OBJECT

 public:
  CanvasWidget(Editor& ed, ImageStore& store, QWidget* parent = nullptr);

  // Full refresh without click selection, at the last scene mouse position.
  void redraw();
  // While playing, mouse and keys on the canvas are ignored. Blocking in the middle of a drag
  // ends that drag as a release would.
  void setInputBlocked(bool blocked);
  bool inputBlocked() const { return blocked_; }

  CanvasTools& tools() { return tools_; }
  CanvasSurface& surface() { return surface_; }
  // The canvas image; it has the widget's size once the widget has been drawn or resized.
  const QImage& image() const { return surface_.image; }

  // The canvas pixel (widget coordinates) where the scene mouse position (mx, my) lies: the
  // inverse of the tools' conversion, for the current object's offset and the zoom.
  QPointF pixelOf(double mx, double my) const;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  void deliver(const CanvasInput& in);
  void syncCursor();
  void send(CanvasInput::Kind kind, QPointF pos);
  void sendKey(CanvasInput::Kind kind, int key, bool shift);
  void endDrag();
  bool ensureImage();
  void showSharp();

  Editor& ed_;
  CanvasSurface surface_;
  CanvasTools tools_;
  bool blocked_ = false;
  bool leftDown_ = false;   // a left press reached the tools and awaits its release
  bool spaceHeld_ = false;  // Space went down on the canvas
  bool shiftHeld_ = false;  // Shift went down on the canvas
  QPointF lastPos_;
};

}  // namespace pw
