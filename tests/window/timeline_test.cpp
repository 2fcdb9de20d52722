// The Control panel through its real widgets: the timeline buttons and fields, playback stepped
// by a test clock, the playback picture, keys, typing a frame and the key strip.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/command_ids.h"
#include "app/key_strip.h"
#include "app/timeline.h"
#include "core/keyframes.h"
#include "core/scripted_prompt.h"
#include "render/image_store.h"
#include "render/playback_draw.h"
#include "ui/control_set.h"

namespace pw {
namespace {

constexpr int64_t kBg = packRGBA(250, 250, 250, 255);
constexpr int64_t kRed = packRGBA(220, 0, 0, 255);

struct TimelineFixture {
  ScriptedPrompt prompt;
  ImageStore store;
  Editor ed{prompt, store};
  AppState app;
  ControlSet controls;
  QWidget tab;
  CanvasWidget canvas{ed, store};
  int64_t now = 5000;  // the test's clock, in milliseconds
  std::unique_ptr<Timeline> tl;
  std::vector<std::string> changes;
  int panelRefreshes = 0;

  TimelineFixture() {
    sVdOptions& o = ed.options;
    o.BgColor = kBg;
    o.BgImg = 0;
    o.ShowGrid = 0;
    o.ShowCameraBorder = 0;
    o.ShowCameraCache = 0;
    o.ShowSelection = 0;
    o.HideAncre = 1;
    o.CameraX = 0;
    o.CameraY = 0;
    o.CameraW = 200;
    o.CameraH = 100;
    Object obj;
    obj.alpha = 255;
    obj.w = obj.h = 100;
    ed.doc.Objects.assign(1, obj);
    ed.sel.shape = -1;
    ed.observe([this](const Change& c) {
      changes.push_back(c.name);
      app.history.record(ed.doc, ed.sel, c.name, c.scope, c.mergeKey);
    });
    ed.listen(Shown::kProperties, [this](const Notice&) { ++panelRefreshes; });
    app.history.reset(ed.doc, ed.sel);
    tab.resize(150, 120);
    canvas.resize(300, 200);
    tl = std::make_unique<Timeline>(ed, app, controls, &tab, &canvas, 0, [this] { return now; });
    QObject::connect(&controls, &ControlSet::controlEvent, [this](int n) { tl->handleEvent(n); });
    QObject::connect(&controls, &ControlSet::controlSubmitted,
                     [this](int n) { tl->handleSubmitted(n); });
  }

  Object& object() { return ed.doc.Objects[0]; }
  QPushButton* button(int n) { return qobject_cast<QPushButton*>(controls.widget(n)); }
  QLineEdit* field(int n) { return qobject_cast<QLineEdit*>(controls.widget(n)); }
  void click(int n) { QTest::mouseClick(button(n), Qt::LeftButton); }
  // Replaces the field's text key by key and presses Return.
  void typeInto(int n, const QString& text) {
    field(n)->setFocus();
    field(n)->selectAll();
    QTest::keyClicks(field(n), text);
    QTest::keyClick(field(n), Qt::Key_Return);
  }
  // Types a number into the current-frame field and presses Return.
  void typeFrame(const QString& text) {
    field(kCtlCurrentFrame)->selectAll();
    QTest::keyClicks(field(kCtlCurrentFrame), text);
    QTest::keyClick(field(kCtlCurrentFrame), Qt::Key_Return);
  }
  void setSpin(int n, int v) { qobject_cast<QSpinBox*>(controls.widget(n))->setValue(v); }
  // One playback step `ms` milliseconds after the last one.
  void stepAfter(int64_t ms) {
    now += ms;
    tl->step();
  }
  // A red 20 x 20 box at (10, 10) of object 0.
  void addBox() {
    Shape s;
    s.type = kBox;
    s.color = kRed;
    s.alpha = 255;
    s.x = s.y = 10;
    s.w = s.h = 20;
    s.points.resize(1);
    object().shapes.assign(1, s);
    object().hasShape = 1;
    ed.doc.DocumentState = kDocumentHasContent;
    app.history.reset(ed.doc, ed.sel);
  }
  // Keys of object 0: x 0 at frame 0 and x 100 at frame 10, both linear.
  void keyBox() {
    object().x = 0;
    setKey(object(), 0, kKeyLinear);
    object().x = 100;
    setKey(object(), 10, kKeyLinear);
    object().x = 0;
    app.history.reset(ed.doc, ed.sel);
  }
  QColor canvasPixel(int x, int y) const { return canvas.image().pixelColor(x, y); }
};

bool isColor(const QColor& c, int64_t rgba) {
  return std::abs(c.red() - redOf(rgba)) <= 2 && std::abs(c.green() - greenOf(rgba)) <= 2 &&
         std::abs(c.blue() - blueOf(rgba)) <= 2;
}

TEST(TimelineTest, ControlsHaveTheirPlaceTextAndTooltip) {
  TimelineFixture f;
  struct Row {
    int n, kind, x, y, w, h;
    const char* text;
    const char* tip;
  };
  const Row rows[] = {
      {111, kKindButton, 10, 10, 30, 20, "<", "Start of the animation"},
      {109, kKindButton, 42, 10, 30, 20, "Play", "Play the animation"},
      {112, kKindButton, 74, 10, 30, 20, ">", "End of the animation"},
      {113, kKindText, 10, 32, 40, 20, "0", "Current Frame"},
      {114, kKindText, 52, 32, 40, 20, "300", "Set the Max Frame for animation"},
      {110, kKindSpin, 94, 32, 40, 20, "", "Set The FPS for animation"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.n);
    QWidget* w = f.controls.widget(r.n);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(f.controls.kind(r.n), r.kind);
    EXPECT_EQ(w->geometry(), QRect(r.x, r.y, r.w, r.h));
    EXPECT_EQ(w->objectName(), QString("ctl%1").arg(r.n));
    EXPECT_EQ(w->toolTip(), r.tip);
    if (r.kind != kKindSpin) {
      EXPECT_EQ(f.controls.text(r.n), r.text);
    }
  }
  auto* fps = qobject_cast<QSpinBox*>(f.controls.widget(110));
  EXPECT_EQ(fps->minimum(), 1);
  EXPECT_EQ(fps->maximum(), 1000);
  EXPECT_EQ(fps->value(), 24);
  EXPECT_EQ(f.controls.text(kCtlSetKey), "Key");
  EXPECT_EQ(f.controls.text(kCtlDeleteKey), "Del key");
  EXPECT_NE(f.tab.findChild<KeyStrip*>("ctl121"), nullptr);
}

TEST(TimelineTest, MaxFrameBelowCurrentFrameResetsIt) {
  struct Case {
    const char* typed;
    int64_t max, current;
  };
  for (const Case c : {Case{"10", 10, 0}, Case{"60", 60, 50}, Case{"50", 50, 50},
                       Case{"99999", kMaxKeyFrame, 50}}) {
    SCOPED_TRACE(c.typed);
    TimelineFixture f;
    f.tl->goToFrame(50);
    f.typeInto(kCtlMaxFrame, c.typed);
    EXPECT_EQ(f.ed.doc.MaxFrame, c.max);
    EXPECT_EQ(f.tl->currentFrame(), c.current);
    EXPECT_EQ(f.controls.value(kCtlMaxFrame), c.max);
    EXPECT_EQ(f.controls.value(kCtlCurrentFrame), c.current);
    ASSERT_FALSE(f.changes.empty());
    EXPECT_EQ(f.changes.back(), "Max frame");
  }
  {
    // Digits on their way to the number change nothing until the edit is finished.
    TimelineFixture f;
    f.tl->goToFrame(50);
    f.field(kCtlMaxFrame)->selectAll();
    QTest::keyClicks(f.field(kCtlMaxFrame), "6");
    EXPECT_EQ(f.ed.doc.MaxFrame, 300);
    EXPECT_EQ(f.tl->currentFrame(), 50);
    QTest::keyClicks(f.field(kCtlMaxFrame), "0");
    QTest::keyClick(f.field(kCtlMaxFrame), Qt::Key_Return);
    EXPECT_EQ(f.ed.doc.MaxFrame, 60);
    EXPECT_EQ(f.tl->currentFrame(), 50);
  }
  // Undo gives the last frame back.
  TimelineFixture f;
  f.typeInto(kCtlMaxFrame, "40");
  ASSERT_TRUE(f.app.history.undo(f.ed.doc, f.ed.sel));
  EXPECT_EQ(f.ed.doc.MaxFrame, 300);
}

TEST(TimelineTest, StartEndButtonsAndTheFrameAfterMaxIsZero) {
  TimelineFixture f;
  f.click(kCtlLastFrame);
  EXPECT_EQ(f.tl->currentFrame(), 300);
  EXPECT_EQ(f.controls.text(kCtlCurrentFrame), "300");
  f.click(kCtlPlay);
  f.stepAfter(f.tl->frameInterval());
  EXPECT_EQ(f.tl->currentFrame(), 0);
  f.stepAfter(f.tl->frameInterval());
  EXPECT_EQ(f.tl->currentFrame(), 1);
  f.click(kCtlPlay);
  f.click(kCtlFirstFrame);
  EXPECT_EQ(f.tl->currentFrame(), 0);
  EXPECT_EQ(f.controls.text(kCtlCurrentFrame), "0");
}

TEST(TimelineTest, PlayTextTimerAndCanvasFollowPlaying) {
  TimelineFixture f;
  EXPECT_EQ(f.controls.text(kCtlPlay), "Play");
  EXPECT_FALSE(f.tl->timer().isActive());
  f.click(kCtlPlay);
  EXPECT_EQ(f.controls.text(kCtlPlay), "stop");
  EXPECT_TRUE(f.tl->playing());
  EXPECT_TRUE(f.app.playing);
  EXPECT_TRUE(f.tl->timer().isActive());
  EXPECT_EQ(f.tl->timer().interval(), 42);
  EXPECT_TRUE(f.canvas.inputBlocked());
  f.click(kCtlPlay);
  EXPECT_EQ(f.controls.text(kCtlPlay), "play");
  EXPECT_FALSE(f.tl->playing());
  EXPECT_FALSE(f.tl->timer().isActive());
  EXPECT_FALSE(f.canvas.inputBlocked());
  // Stopping shows the normal scene again: the camera surround is gone.
  EXPECT_TRUE(isColor(f.canvasPixel(250, 150), kBg));
  f.click(kCtlPlay);
  EXPECT_EQ(f.controls.text(kCtlPlay), "stop");
}

TEST(TimelineTest, FramesAdvanceAtTheRequestedRate) {
  struct Case {
    int fps;
    std::vector<int> gaps;  // milliseconds before each step
    std::vector<int64_t> frames;
  };
  const Case cases[] = {
      {1000, {1, 1, 1, 1}, {1, 2, 3, 4}},
      {24, {41, 1, 41, 42, 100}, {0, 1, 1, 2, 3}},
      {1, {999, 1, 500}, {0, 1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fps);
    TimelineFixture f;
    f.setSpin(kCtlFps, c.fps);
    EXPECT_EQ(f.ed.doc.Fps, c.fps);
    f.click(kCtlPlay);
    EXPECT_EQ(f.tl->currentFrame(), 0);
    for (size_t k = 0; k < c.gaps.size(); ++k) {
      f.stepAfter(c.gaps[k]);
      EXPECT_EQ(f.tl->currentFrame(), c.frames[k]) << "step " << k;
    }
  }
}

TEST(TimelineTest, MeasuredRateCountsTheStepsOfThePreviousSecond) {
  TimelineFixture f;
  f.now = 1000;
  f.setSpin(kCtlFps, 1000);
  f.click(kCtlPlay);  // one step at 1000
  for (int k = 0; k < 9; ++k) f.stepAfter(10);
  EXPECT_EQ(f.tl->measuredRate(), 0);  // the first second is not over
  f.now = 2000;
  f.tl->step();
  EXPECT_EQ(f.tl->measuredRate(), 10);
  f.now = 4500;  // a second without steps in between
  f.tl->step();
  EXPECT_EQ(f.tl->measuredRate(), 0);
}

TEST(TimelineTest, ControlsAndCanvasAreIgnoredWhilePlaying) {
  TimelineFixture f;
  f.addBox();
  f.tl->goToFrame(5);
  f.click(kCtlPlay);
  const int64_t frame = f.tl->currentFrame();
  f.typeInto(kCtlMaxFrame, "2");
  f.setSpin(kCtlFps, 5);
  f.click(kCtlFirstFrame);
  f.click(kCtlLastFrame);
  f.click(kCtlSetKey);
  f.typeFrame("9");
  QTest::mouseClick(f.tl->keyStrip(), Qt::LeftButton, {}, QPoint(2, 5));
  EXPECT_EQ(f.ed.doc.MaxFrame, 300);
  EXPECT_EQ(f.ed.doc.Fps, 24);
  EXPECT_EQ(f.tl->currentFrame(), frame);
  EXPECT_TRUE(f.object().keys.empty());
  EXPECT_TRUE(f.changes.empty());
  // A press on the canvas selects nothing while playing.
  QTest::mouseClick(&f.canvas, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(f.ed.sel.shape, -1);
  // Stopping shows the timeline as it is, not what was typed meanwhile.
  f.click(kCtlPlay);
  EXPECT_EQ(f.controls.value(kCtlMaxFrame), 300);
  EXPECT_EQ(f.controls.value(kCtlFps), 24);
  EXPECT_EQ(f.controls.value(kCtlCurrentFrame), frame);
}

TEST(TimelineTest, PlaybackPictureShowsCameraSurroundAndCounter) {
  EXPECT_EQ(playbackCounterText(12, 300, 24), "Frame : 12 / End : 300 | FPS : 24");
  TimelineFixture f;
  f.click(kCtlPlay);
  const QImage& img = f.canvas.image();
  ASSERT_EQ(img.size(), QSize(300, 200));
  // Outside the camera (200 x 100): dark grey; inside, away from the counter: the background.
  for (QPoint p : {QPoint(250, 50), QPoint(100, 150), QPoint(299, 199), QPoint(200, 0)})
    EXPECT_EQ(img.pixel(p), kPlaybackSurround) << p.x() << "," << p.y();
  for (QPoint p : {QPoint(150, 80), QPoint(199, 99), QPoint(5, 60)})
    EXPECT_TRUE(isColor(img.pixelColor(p), kBg)) << p.x() << "," << p.y();
  // The counter: black pixels in the top-left corner, within the counter's height.
  int black = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 190; ++x) black += img.pixelColor(x, y).lightness() < 40 ? 1 : 0;
  EXPECT_GT(black, 20);
  int blackBelow = 0;
  for (int y = 30; y < 100; ++y)
    for (int x = 0; x < 190; ++x) blackBelow += img.pixelColor(x, y).lightness() < 40 ? 1 : 0;
  EXPECT_EQ(blackBelow, 0);
}

TEST(TimelineTest, PlaybackRedrawsTheSceneOnlyWhenAPoseChanges) {
  TimelineFixture f;
  f.addBox();
  f.ed.options.CameraW = 300;
  f.ed.options.CameraH = 200;
  f.click(kCtlPlay);
  // A static scene is drawn once and reused.
  for (int k = 0; k < 5; ++k) f.stepAfter(f.tl->frameInterval());
  EXPECT_EQ(f.tl->painter().underlayDraws(), 1);
  EXPECT_TRUE(isColor(f.canvasPixel(20, 27), kRed));
  // A change made while playing (a menu command) is drawn at the next step.
  f.object().shapes[0].x = 100;
  f.tl->sceneChanged();
  EXPECT_TRUE(isColor(f.canvasPixel(110, 27), kRed));
  EXPECT_TRUE(isColor(f.canvasPixel(20, 27), kBg));
  f.click(kCtlPlay);
}

TEST(TimelineTest, PlaybackDrawsTheAnimatedSceneInsideTheCamera) {
  TimelineFixture f;
  f.addBox();
  f.keyBox();
  f.ed.options.CameraW = 300;
  f.ed.options.CameraH = 200;
  f.setSpin(kCtlFps, 1000);
  EXPECT_EQ(f.changes.back(), "Frame rate");
  const size_t steps = f.app.history.stepCount();
  f.click(kCtlPlay);
  for (int k = 0; k < 5; ++k) f.stepAfter(1);
  ASSERT_EQ(f.tl->currentFrame(), 5);
  EXPECT_EQ(f.object().x, 50);
  // The box (10..30 in the object) is at 60..80 at frame 5.
  EXPECT_TRUE(isColor(f.canvasPixel(70, 27), kRed));
  EXPECT_TRUE(isColor(f.canvasPixel(20, 27), kBg));
  // Frames advance through the history's copy without making steps.
  EXPECT_EQ(f.app.history.stepCount(), steps);
  EXPECT_TRUE(f.app.history.matches(f.ed.doc, f.ed.sel));
  // The camera corner moves the picture: the camera starting at x 40 shows the box at 20..40.
  f.ed.options.CameraX = 40;
  f.tl->sceneChanged();
  EXPECT_TRUE(isColor(f.canvasPixel(30, 27), kRed));
  EXPECT_TRUE(isColor(f.canvasPixel(70, 27), kBg));
  f.click(kCtlPlay);
}

// Kept and shifted pictures give the pixels of drawing the frame from scratch: a still object
// below, a moving one (shifted, or drawn again when it turns), a half-transparent one above.
TEST(TimelineTest, PlaybackPicturesMatchAFreshDrawAtEveryFrame) {
  for (bool turning : {false, true}) {
    SCOPED_TRACE(turning);
    ScriptedPrompt prompt;
    ImageStore store;
    Editor ed(prompt, store);
    ed.options.CameraW = 160;
    ed.options.CameraH = 90;
    ed.options.CameraX = 15;
    ed.options.BgColor = kBg;
    auto box = [](int x, int y, int w, int h, int64_t color) {
      Object o;
      o.alpha = 255;
      o.w = o.h = 100;
      o.hasShape = 1;
      Shape& s = o.shapes[0];
      s.type = kBox;
      s.color = color;
      s.alpha = 255;
      s.x = toI16(x);
      s.y = toI16(y);
      s.w = toI16(w);
      s.h = toI16(h);
      s.points.resize(1);
      return o;
    };
    ed.doc.Objects = {box(20, 10, 100, 60, packRGBA(0, 0, 200, 255)),
                      box(0, 20, 30, 30, kRed),
                      box(60, 0, 40, 90, packRGBA(0, 160, 0, 128))};
    ed.doc.DocumentState = kDocumentHasContent;
    Object& moving = ed.doc.Objects[1];
    moving.x = -20;
    setKey(moving, 0, kKeyLinear);
    moving.x = 140;
    moving.y = 25;
    if (turning) moving.angle = 30;
    setKey(moving, 8, kKeyEase);
    PlaybackPainter kept;
    QImage a(200, 120, QImage::Format_ARGB32_Premultiplied);
    for (int frame : {0, 2, 5, 8, 3}) {
      SCOPED_TRACE(frame);
      applyFrame(ed.doc, frame);
      kept.paint(ed, store, a, "", 0);
      // The same pose drawn by a painter that keeps nothing for the moving object.
      Editor still(prompt, store);
      still.options = ed.options;
      still.doc = ed.doc;
      still.sel = ed.sel;
      for (Object& o : still.doc.Objects) o.keys.clear();
      PlaybackPainter fresh;
      QImage b(200, 120, QImage::Format_ARGB32_Premultiplied);
      fresh.paint(still, store, b, "", 0);
      int differing = 0;
      for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
          const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
          if (std::abs(p.red() - q.red()) > 2 || std::abs(p.green() - q.green()) > 2 ||
              std::abs(p.blue() - q.blue()) > 2)
            ++differing;
        }
      EXPECT_EQ(differing, 0);
    }
    // The moving object was shifted, never drawn again, unless it turns.
    EXPECT_EQ(kept.sceneDraws() == 0, !turning);
  }
}

TEST(TimelineTest, KeyAndDelKeyButtonsAreUndoSteps) {
  TimelineFixture f;
  f.addBox();
  f.object().x = 0;
  f.click(kCtlSetKey);
  ASSERT_EQ(f.object().keys.size(), 1u);
  EXPECT_EQ(f.object().keys[0].frame, 0);
  EXPECT_EQ(f.changes.back(), "Set key");
  EXPECT_TRUE(f.ed.modified);
  f.typeFrame("10");
  EXPECT_EQ(f.tl->currentFrame(), 10);
  f.object().x = 100;
  f.click(kCtlSetKey);
  ASSERT_EQ(f.object().keys.size(), 2u);
  EXPECT_EQ(f.object().keys[1].frame, 10);
  EXPECT_EQ(f.object().keys[1].x, 100);
  EXPECT_EQ(f.app.history.undoName(), "Set key");

  // Deleting the key at frame 0 leaves the object at the one key left.
  f.click(kCtlFirstFrame);
  EXPECT_EQ(f.object().x, 0);
  f.click(kCtlDeleteKey);
  ASSERT_EQ(f.object().keys.size(), 1u);
  EXPECT_EQ(f.object().x, 100);
  EXPECT_EQ(f.changes.back(), "Delete key");
  // Del key where there is no key does nothing.
  const size_t steps = f.app.history.stepCount();
  f.click(kCtlDeleteKey);
  EXPECT_EQ(f.app.history.stepCount(), steps);

  // Undo brings the key and the pose back.
  ASSERT_TRUE(f.app.history.undo(f.ed.doc, f.ed.sel));
  EXPECT_EQ(f.object().keys.size(), 2u);
  EXPECT_EQ(f.object().x, 0);
  ASSERT_TRUE(f.app.history.undo(f.ed.doc, f.ed.sel));
  EXPECT_EQ(f.object().keys.size(), 1u);
}

// Drop-down 122 gives the kind of the next key, shows the kind of the key under the current
// frame, and changes that key's kind as one undo step.
TEST(TimelineTest, KeyKindIsChosenShownAndChanged) {
  TimelineFixture f;
  f.addBox();
  auto choose = [&](int kind) {
    f.controls.setValue(kCtlKeyKind, kind);
    emit f.controls.controlEvent(kCtlKeyKind);
  };
  f.object().x = 0;
  choose(kKeyHold);
  f.click(kCtlSetKey);
  f.typeFrame("10");
  f.object().x = 100;
  choose(kKeyEase);
  f.click(kCtlSetKey);
  ASSERT_EQ(f.object().keys.size(), 2u);
  EXPECT_EQ(f.object().keys[0].kind, kKeyHold);
  EXPECT_EQ(f.object().keys[1].kind, kKeyEase);
  // Hold: frame 5 still shows x 0.
  f.typeFrame("5");
  EXPECT_EQ(f.object().x, 0);
  // Back on frame 0 the drop-down shows that key's kind; changing it is a step.
  f.click(kCtlFirstFrame);
  EXPECT_EQ(f.controls.value(kCtlKeyKind), kKeyHold);
  choose(kKeyLinear);
  EXPECT_EQ(f.object().keys[0].kind, kKeyLinear);
  EXPECT_EQ(f.changes.back(), "Key kind");
  f.typeFrame("5");
  EXPECT_EQ(f.object().x, 50);
  ASSERT_TRUE(f.app.history.undo(f.ed.doc, f.ed.sel));
  EXPECT_EQ(f.object().keys[0].kind, kKeyHold);
  // On a frame without a key, choosing a kind changes no key and makes no step.
  const size_t steps = f.app.history.stepCount();
  f.typeFrame("7");
  choose(kKeyEase);
  EXPECT_EQ(f.app.history.stepCount(), steps);
}

TEST(TimelineTest, TypingAFrameMovesThereClampedAndShowsThePose) {
  struct Case {
    const char* typed;
    int64_t frame, x;
  };
  for (const Case c : {Case{"5", 5, 50}, Case{"3", 3, 30}, Case{"10", 10, 100},
                       Case{"250", 250, 100}, Case{"999", 300, 100}, Case{"", 0, 0}}) {
    SCOPED_TRACE(c.typed);
    TimelineFixture f;
    f.addBox();
    f.keyBox();
    f.canvas.redraw();
    const int refreshes = f.panelRefreshes;
    f.typeFrame(c.typed);
    EXPECT_EQ(f.tl->currentFrame(), c.frame);
    EXPECT_EQ(f.controls.value(kCtlCurrentFrame), c.frame);
    EXPECT_EQ(f.object().x, c.x);
    if (c.x != 0) {
      EXPECT_GT(f.panelRefreshes, refreshes);
    }
    // The canvas shows the box at its interpolated place.
    EXPECT_TRUE(isColor(f.canvasPixel(static_cast<int>(c.x) + 20, 20), kRed));
    if (c.x >= 30) {
      EXPECT_TRUE(isColor(f.canvasPixel(20, 20), kBg));
    }
    EXPECT_TRUE(f.app.history.matches(f.ed.doc, f.ed.sel));
    EXPECT_TRUE(f.changes.empty());
  }
}

TEST(TimelineTest, ClickingTheStripJumpsToTheFrame) {
  TimelineFixture f;
  f.addBox();
  f.keyBox();
  f.typeInto(kCtlMaxFrame, "10");
  KeyStrip* strip = f.tl->keyStrip();
  ASSERT_NE(strip, nullptr);
  for (int64_t frame : {5, 10, 0, 7}) {
    SCOPED_TRACE(frame);
    const int x = static_cast<int>(std::lround(strip->xOfFrame(frame)));
    QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(x, strip->height() / 2));
    EXPECT_EQ(f.tl->currentFrame(), frame);
    EXPECT_EQ(strip->currentFrame(), frame);
    EXPECT_EQ(f.controls.value(kCtlCurrentFrame), frame);
    EXPECT_EQ(f.object().x, frame * 10);
  }
  // The strip marks the keys of the current object and the current frame.
  QImage shot(strip->size(), QImage::Format_ARGB32_Premultiplied);
  strip->render(&shot);
  const int keyX = static_cast<int>(std::lround(strip->xOfFrame(10)));
  const int curX = static_cast<int>(std::lround(strip->xOfFrame(7)));
  const int emptyX = static_cast<int>(std::lround(strip->xOfFrame(4)));
  EXPECT_EQ(shot.pixelColor(keyX, 3), QColor(255, 200, 0));
  EXPECT_EQ(shot.pixelColor(curX, 3), QColor(230, 60, 60));
  EXPECT_NE(shot.pixelColor(emptyX, 3), QColor(255, 200, 0));
}

}  // namespace
}  // namespace pw
