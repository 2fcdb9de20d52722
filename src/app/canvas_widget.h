// The drawing canvas of the editor window (control 0): shows the image that the canvas refresh
// paints and turns left-button mouse events and the Space and Shift keys into canvas tool input.
// The wheel, the arrow keys, the pop-up menu and the mouse position are the window's business:
// the canvas digests them and tells it by signals.
//
// Pixels: the canvas image has the widget's size in logical pixels and is shown 1:1, so a
// mouse position in widget coordinates is the canvas's device pixel as the tools see it.
#pragma once

#include <QElapsedTimer>
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

  // A notch of the wheel is this many pixels of scrolling.
  static constexpr int kWheelNotchPixels = 60;
  // Nudges further apart than this are undone separately.
  static constexpr int kNudgeBurstGapMs = 1000;

 signals:
  // Ctrl+wheel: the zoom to show, with canvas pixel `at` keeping its place in the scene.
  void wheelZoom(int64_t zoom, QPointF at);
  // The wheel without Ctrl: move the view by whole scene units.
  void wheelPan(int64_t dx, int64_t dy);
  // An arrow key: move the selected shapes by (dx, dy); `mergeKey` is the burst's.
  void nudge(int64_t dx, int64_t dy, int mergeKey);
  // The pop-up menu was asked for at canvas pixel `at` (global position `global`).
  void contextMenuWanted(QPoint at, QPoint global);
  // The mouse is at canvas pixel `at`; `inside` false when it left the canvas.
  void mouseAt(QPointF at, bool inside);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void leaveEvent(QEvent* e) override;
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
  // True when the key was an arrow and has been handled as a nudge.
  bool nudgeKey(const QKeyEvent* e);

  Editor& ed_;
  CanvasSurface surface_;
  CanvasTools tools_;
  bool blocked_ = false;
  bool leftDown_ = false;   // a left press reached the tools and awaits its release
  bool spaceHeld_ = false;  // Space went down on the canvas
  bool shiftHeld_ = false;  // Shift went down on the canvas
  QPointF lastPos_;
  double zoomNotches_ = 0;          // wheel turned with Ctrl, not yet a whole zoom step
  double panRestX_ = 0, panRestY_ = 0;  // wheel scrolling below one scene unit
  QElapsedTimer lastNudge_;
  int nudgeKey_ = 0;
};

}  // namespace pw
