// The Control panel and playback: the start, play/stop and end buttons, the current frame, the
// last frame and the frame rate, the "Key" and "Del key" buttons and the key strip. The current
// frame is shown on the canvas and in the panels: keyed objects take their pose at that frame.
//
// Playback runs from a timer that runs only while playing. Each step advances the frame when
// one is due (at most FPS frames a second) and paints the playback picture: the scene at that
// frame inside the camera, the dark surround and the frame counter. While playing, the canvas
// takes no input and every control but "Play" is ignored.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "app/app_state.h"
#include "core/editor.h"
#include "render/playback_draw.h"
#include "ui/control_set.h"

class QWidget;

namespace pw {

class CanvasWidget;
class KeyStrip;

// Height the Control panel needs for its two rows of fields, the key buttons and the strip.
inline constexpr int16_t kTimelineMinHeight = 126;

class Timeline : public QObject {
  Q_OBJECT

 public:
  // Milliseconds on a monotonic clock.
  using Clock = std::function<int64_t()>;

  // Makes controls 109-114, 119, 120 and the key strip (121) in `tab`. `fontId`: the counter's
  // font. Without a clock, a monotonic clock started now.
  Timeline(Editor& ed, AppState& app, ControlSet& controls, QWidget* tab, CanvasWidget* canvas,
           int64_t fontId = 0, Clock clock = {});
  ~Timeline() override;

  // A control event (the user changed or pressed control `n`). True when `n` is one of the
  // timeline's, whether or not it did anything: while playing only "Play" acts.
  bool handleEvent(int n);
  // Return in a text field: 113 moves to the typed frame. True when `n` is one of the timeline's.
  bool handleSubmitted(int n);

  // One playback step (the timer calls it while playing; it does nothing otherwise).
  void step();
  bool playing() const { return app_.playing; }
  int64_t currentFrame() const { return current_; }
  // Moves to `frame` (clamped to 0 ... the last frame): keyed objects take their pose there,
  // the canvas, the panels and the strip show it.
  void goToFrame(int64_t frame);
  // Steps counted in the previous second of the clock.
  int64_t measuredRate() const { return shownRate_; }
  // Milliseconds between frames at the document's rate.
  int frameInterval() const;

  // The document was replaced or restored (New, Load, Undo, Redo): the fields show its last
  // frame and rate, the current frame stays within it and keyed objects take their pose there.
  void syncFromDocument();
  // The document changed while playing (a menu command): the next picture draws it again.
  // Called instead of the normal canvas redraw while playing.
  void sceneChanged();
  // The current object changed: the strip shows its keys.
  void selectionChanged();

  QTimer& timer() { return timer_; }
  KeyStrip* keyStrip() const;
  PlaybackPainter& painter() { return painter_; }

 private:
  void togglePlay();
  void stopPlaying();
  void setKey();
  void deleteKey();
  // Drop-down 122: the kind of the key at the current frame, or of the next key set.
  void setKeyKind();
  void showKeyKind();
  const ObjectKey* keyHere() const;
  void setMaxFrame(int64_t m);
  // Keyed objects take their pose at the current frame; the undo history's copy follows.
  bool applyCurrentFrame();
  void paintPlayback();
  int16_t fps() const;
  void tickRate();

  Editor& ed_;
  AppState& app_;
  ControlSet& controls_;
  QPointer<CanvasWidget> canvas_;  // the window may go first
  int64_t fontId_;
  Clock clock_;
  QTimer timer_;
  QPointer<KeyStrip> strip_;
  PlaybackPainter painter_;
  int64_t current_ = 0;
  int64_t lastFrameTime_ = 0;
  int64_t rateCounter_ = 0;
  int64_t rateSecond_ = 0;
  int64_t shownRate_ = 0;
};

}  // namespace pw
