#include "app/timeline.h"

#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <memory>

#include "app/canvas_widget.h"
#include "app/command_ids.h"
#include "app/key_strip.h"
#include "core/keyframes.h"
#include "ui/panel_style.h"

namespace pw {

namespace {

// Geometry of the rows below the frame buttons and fields: the key buttons, then the strip.
constexpr int kKeyRowY = 55;
constexpr int kStripY = 78;
constexpr int kStripH = 14;
constexpr int kStripW = 126;

bool isTimelineControl(int n) {
  return (n >= kCtlPlay && n <= kCtlMaxFrame) || n == kCtlSetKey || n == kCtlDeleteKey ||
         n == kCtlKeyKind;
}

// The frame rate and the last frame are document fields outside the objects; a step that
// names the current object's header carries them (the history keeps them with every step).
ChangeScope docFieldScope(const Document& doc, const Selection& sel) {
  return currentObject(doc, sel) ? ChangeScope::header(sel.object) : ChangeScope{};
}

}  // namespace

Timeline::Timeline(Editor& ed, AppState& app, ControlSet& controls, QWidget* tab,
                   CanvasWidget* canvas, int64_t fontId, Clock clock)
    : ed_(ed), app_(app), controls_(controls), canvas_(canvas), fontId_(fontId),
      clock_(std::move(clock)) {
  if (!clock_) {
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    clock_ = [started] { return static_cast<int64_t>(started->elapsed()); };
  }
  ed_.doc.MaxFrame = std::clamp<int64_t>(ed_.doc.MaxFrame, 0, kMaxKeyFrame);

  controls_.makeControl(tab, kCtlFirstFrame, kKindButton, 10, 10, 30, 20, "<", 0, 0,
                        "Start of the animation");
  controls_.makeControl(tab, kCtlPlay, kKindButton, 42, 10, 30, 20, "Play", 0, 0,
                        "Play the animation");
  controls_.makeControl(tab, kCtlLastFrame, kKindButton, 74, 10, 30, 20, ">", 0, 0,
                        "End of the animation");
  controls_.makeControl(tab, kCtlCurrentFrame, kKindText, 10, 32, 40, 20, "", kDigitsOnly, 0,
                        "Current Frame", 0);
  controls_.makeControl(tab, kCtlMaxFrame, kKindText, 52, 32, 40, 20, "", kDigitsOnly, 0,
                        "Set the Max Frame for animation");
  controls_.setText(kCtlMaxFrame, "300");
  controls_.setValue(kCtlMaxFrame, ed_.doc.MaxFrame);
  controls_.makeControl(tab, kCtlFps, kKindSpin, 94, 32, 40, 20, "", kMinFps, kMaxFps,
                        "Set The FPS for animation", fps());
  controls_.makeControl(tab, kCtlSetKey, kKindButton, 10, kKeyRowY, 40, 20, "Key", 0, 0,
                        "Set a key of the current object at the current frame");
  controls_.makeControl(tab, kCtlDeleteKey, kKindButton, 52, kKeyRowY, 52, 20, "Del key", 0, 0,
                        "Delete the key of the current object at the current frame");
  controls_.makeControl(tab, kCtlKeyKind, kKindDropDown, 106, kKeyRowY, 40, 20, "", 0, 0,
                        "How the key moves on to the next one: linear, hold or ease in-out");
  narrowDropDown(controls_.widget(kCtlKeyKind));
  controls_.setItems(kCtlKeyKind, {"linear", "hold", "ease"});
  controls_.setValue(kCtlKeyKind, kKeyLinear);

  strip_ = new KeyStrip(ed_, tab);
  strip_->setGeometry(10, kStripY, kStripW, kStripH);
  strip_->onFrameChosen = [this](int64_t f) {
    if (!playing()) goToFrame(f);
  };

  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &Timeline::step);
}

Timeline::~Timeline() {
  timer_.stop();
  app_.playing = false;
}

int16_t Timeline::fps() const {
  return static_cast<int16_t>(std::clamp<int>(ed_.doc.Fps, kMinFps, kMaxFps));
}

int Timeline::frameInterval() const {
  return std::max(1, static_cast<int>(std::lround(1000.0 / fps())));
}

bool Timeline::handleEvent(int n) {
  if (!isTimelineControl(n)) return false;
  // While playing, only "Play" (which stops) acts.
  if (playing() && n != kCtlPlay) return true;
  switch (n) {
    case kCtlPlay: togglePlay(); break;
    case kCtlFirstFrame: goToFrame(0); break;
    case kCtlLastFrame: goToFrame(ed_.doc.MaxFrame); break;
    case kCtlFps: {
      const auto v = static_cast<int16_t>(
          std::clamp<int>(controls_.value(kCtlFps), kMinFps, kMaxFps));
      if (v == ed_.doc.Fps) break;
      ed_.execute({"Frame rate", docFieldScope(ed_.doc, ed_.sel), kCtlFps,
                   [v](Document& d, Selection&, ChangeScope&) {
                     d.Fps = v;
                     return true;
                   }});
      break;
    }
    case kCtlSetKey: setKey(); break;
    case kCtlKeyKind: setKeyKind(); break;
    case kCtlDeleteKey: deleteKey(); break;
    default: break;  // 113 and 114 act when their edit is finished
  }
  return true;
}

bool Timeline::handleSubmitted(int n) {
  if (!isTimelineControl(n)) return false;
  if (playing()) return true;
  // The last frame is taken once typed, not at each digit: on the way to "60" the field reads
  // "6", which would send a current frame of 50 back to 0.
  if (n == kCtlMaxFrame) setMaxFrame(controls_.value(kCtlMaxFrame));
  if (n == kCtlCurrentFrame) goToFrame(controls_.value(kCtlCurrentFrame));
  return true;
}

void Timeline::setMaxFrame(int64_t m) {
  m = std::clamp<int64_t>(m, 0, kMaxKeyFrame);
  // The field shows what is kept (a number beyond the last key frame is cut to it).
  if (controls_.value(kCtlMaxFrame) != m) controls_.setValue(kCtlMaxFrame, m);
  if (m == ed_.doc.MaxFrame) return;
  ed_.execute({"Max frame", docFieldScope(ed_.doc, ed_.sel), kCtlMaxFrame,
               [m](Document& d, Selection&, ChangeScope&) {
                 d.MaxFrame = m;
                 return true;
               }});
  if (current_ > m) {
    goToFrame(0);
  } else if (strip_) {
    strip_->update();
  }
}

bool Timeline::applyCurrentFrame() {
  if (!applyFrame(ed_.doc, current_)) return false;
  // Showing a frame is not an edit: the history's copy of the document follows it.
  const auto& objects = ed_.doc.Objects;
  for (size_t i = 0; i < objects.size(); ++i) {
    if (!objects[i].keys.empty()) app_.history.syncObjectHeader(ed_.doc, static_cast<int64_t>(i));
  }
  return true;
}

void Timeline::goToFrame(int64_t frame) {
  current_ = std::clamp<int64_t>(frame, 0, std::max<int64_t>(ed_.doc.MaxFrame, 0));
  controls_.setValue(kCtlCurrentFrame, current_);
  if (strip_) strip_->setCurrentFrame(current_);
  showKeyKind();
  if (!applyCurrentFrame()) return;
  if (playing()) return;  // the next playback step shows it
  if (canvas_) canvas_->redraw();
  ed_.refreshProperties();
}

void Timeline::setKey() {
  Object* o = currentObject(ed_.doc, ed_.sel);
  if (!o) return;
  const int frame = static_cast<int>(std::clamp<int64_t>(current_, 0, kMaxKeyFrame));
  // The kind shown beside the button: the key's own when the frame has one.
  const int kind = std::clamp(controls_.value(kCtlKeyKind), kKeyLinear, kKeyEase);
  ed_.execute({"Set key", ChangeScope::header(ed_.sel.object), 0,
               [frame, kind](Document& d, Selection& sel, ChangeScope&) {
                 pw::setKey(*currentObject(d, sel), frame, kind);
                 return true;
               }});
  if (strip_) strip_->update();
}

void Timeline::deleteKey() {
  if (!currentObject(ed_.doc, ed_.sel)) return;
  const int frame = static_cast<int>(std::clamp<int64_t>(current_, 0, kMaxKeyFrame));
  bool moved = false;
  const auto remove = [this, frame, &moved](Document& d, Selection& sel, ChangeScope&) {
    if (!pw::deleteKey(*currentObject(d, sel), frame)) return false;
    // The object now takes its pose from the keys that are left; the step holds both.
    moved = applyFrame(d, current_);
    return true;
  };
  if (!ed_.execute({"Delete key", ChangeScope::header(ed_.sel.object), 0, remove})) return;
  if (strip_) strip_->update();
  if (moved) {
    if (canvas_) canvas_->redraw();
    ed_.refreshProperties();
  }
}

void Timeline::togglePlay() {
  if (playing()) {
    stopPlaying();
    return;
  }
  app_.playing = true;
  controls_.setText(kCtlPlay, "stop");
  lastFrameTime_ = clock_();
  if (canvas_) canvas_->setInputBlocked(true);
  timer_.start(frameInterval());
  step();
}

void Timeline::stopPlaying() {
  timer_.stop();
  app_.playing = false;
  controls_.setText(kCtlPlay, "play");
  lastFrameTime_ = clock_();
  if (canvas_) canvas_->setInputBlocked(false);
  // The fields show the timeline as it is (edits typed while playing were ignored), and the
  // canvas and panels the frame playback stopped at.
  controls_.setValue(kCtlCurrentFrame, current_);
  controls_.setValue(kCtlMaxFrame, ed_.doc.MaxFrame);
  controls_.setValue(kCtlFps, fps());
  if (strip_) strip_->setCurrentFrame(current_);
  if (canvas_) canvas_->redraw();
  ed_.refreshProperties();
}

void Timeline::tickRate() {
  // A step belongs to the second it ran in; when a new second begins, the count of the one
  // before is shown (0 when a whole second went by without steps).
  const int64_t second = clock_() / 1000;
  if (second != rateSecond_) {
    shownRate_ = second == rateSecond_ + 1 ? rateCounter_ : 0;
    rateSecond_ = second;
    rateCounter_ = 0;
  }
  ++rateCounter_;
}

void Timeline::step() {
  if (!playing()) return;
  const int64_t now = clock_();
  if (now - lastFrameTime_ >= frameInterval()) {
    lastFrameTime_ = now;
    ++current_;
    if (current_ > ed_.doc.MaxFrame) current_ = 0;
    applyCurrentFrame();
    if (strip_) strip_->setCurrentFrame(current_);
  }
  tickRate();
  paintPlayback();
}

void Timeline::paintPlayback() {
  if (!canvas_) return;
  // The canvas image follows the widget's size; a redraw makes it when it does not yet.
  if (canvas_->surface().image.size() != canvas_->size()) canvas_->redraw();
  CanvasSurface& surface = canvas_->surface();
  painter_.paint(ed_, surface.store, surface.image,
                 playbackCounterText(current_, ed_.doc.MaxFrame, shownRate_), fontId_);
  canvas_->update();
}

void Timeline::syncFromDocument() {
  ed_.doc.MaxFrame = std::clamp<int64_t>(ed_.doc.MaxFrame, 0, kMaxKeyFrame);
  controls_.setValue(kCtlMaxFrame, ed_.doc.MaxFrame);
  controls_.setValue(kCtlFps, fps());
  painter_.invalidate();
  current_ = std::clamp<int64_t>(current_, 0, ed_.doc.MaxFrame);
  controls_.setValue(kCtlCurrentFrame, current_);
  showKeyKind();
  if (strip_) {
    strip_->setCurrentFrame(current_);
    strip_->update();
  }
  if (applyCurrentFrame() && !playing()) {
    if (canvas_) canvas_->redraw();
    ed_.refreshProperties();
  }
}

void Timeline::sceneChanged() {
  painter_.invalidate();
  if (strip_) strip_->update();
  if (playing()) paintPlayback();
}

KeyStrip* Timeline::keyStrip() const { return strip_.data(); }

void Timeline::selectionChanged() {
  if (strip_) strip_->update();
  showKeyKind();
}

const ObjectKey* Timeline::keyHere() const {
  const Object* o = currentObject(static_cast<const Document&>(ed_.doc), ed_.sel);
  if (!o) return nullptr;
  for (const ObjectKey& k : o->keys) {
    if (k.frame == current_) return &k;
  }
  return nullptr;
}

void Timeline::showKeyKind() {
  // A frame without a key keeps the kind last chosen, for the next "Key".
  if (const ObjectKey* k = keyHere()) controls_.setValue(kCtlKeyKind, k->kind);
}

void Timeline::setKeyKind() {
  const int kind = std::clamp(controls_.value(kCtlKeyKind), kKeyLinear, kKeyEase);
  const ObjectKey* k = keyHere();
  if (!k || k->kind == kind) return;
  ed_.execute({"Key kind", ChangeScope::header(ed_.sel.object), kCtlKeyKind,
               [this, kind](Document& d, Selection& sel, ChangeScope&) {
                 for (ObjectKey& key : currentObject(d, sel)->keys) {
                   if (key.frame == current_) key.kind = static_cast<uint8_t>(kind);
                 }
                 return true;
               }});
  // The frames after this key move differently now.
  painter_.invalidate();
  if (strip_) strip_->update();
}

}  // namespace pw
