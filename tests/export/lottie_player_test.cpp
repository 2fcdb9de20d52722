// The Lottie export played by an independent player (rlottie): the first, middle and last frame
// of the example animation and of small scenes of several kinds, styles, effects and keys,
// compared with the frame the animation export draws. Dashes are compared along the axes only:
// the player measures a line's length as max + 3/8 min of its |dx| and |dy| (its VLine::length,
// an estimate up to 7 % long), so along a slanted line its dashes and gaps come out shorter and
// drift from where the file puts them (a dashed zigzag differs in about 4 % of its pixels).
// DashesFollowThePlayersLengthEstimate shows that this estimate accounts for the whole drift.
#include <gtest/gtest.h>
#include <rlottie.h>

#include <QImage>
#include <QPainter>
#include <QPen>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/keyframes.h"
#include "core/scene_file.h"
#include "core/scripted_prompt.h"
#include "export/frame_export.h"
#include "export/lottie_export.h"
#include "render/image_store.h"
#include "vector_scene.h"
#include "support/paths.h"

namespace pw {
namespace {

using namespace vectortest;

bool drawsSomething(const QImage& a) {
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (qAlpha(a.pixel(x, y)) > 0) return true;
  return false;
}

// The exported file played at `frame`; null when the player refuses it.
QImage play(const std::string& json, int64_t from, int64_t frame, int w, int h) {
  auto anim = rlottie::Animation::loadFromData(json, "penwick-test", "", false);
  if (!anim) return {};
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(0);
  rlottie::Surface surface(reinterpret_cast<uint32_t*>(img.bits()), static_cast<size_t>(w),
                           static_cast<size_t>(h), static_cast<size_t>(img.bytesPerLine()));
  anim->renderSync(static_cast<size_t>(frame - from), surface);
  return img;
}

struct Scene {
  Document doc;
  sVdOptions opt;
};

void compareFrames(const Scene& s, ImageStore& store, int64_t from, int64_t to) {
  std::string json, why;
  ASSERT_TRUE(renderLottie(s.doc, s.opt, store, from, to, json, &why)) << why;
  FrameRenderer frames(s.doc, s.opt, store);
  for (const int64_t frame : {from, (from + to) / 2, to}) {
    SCOPED_TRACE(frame);
    const QImage want = frames.render(frame);
    const QImage got = play(json, from, frame, s.opt.CameraW, s.opt.CameraH);
    ASSERT_FALSE(got.isNull()) << "the player reads the file";
    EXPECT_TRUE(drawsSomething(want));
    EXPECT_LE(differingShare(want, got), 0.02);
  }
}

TEST(LottiePlayer, ExampleAnimation) {
  ScriptedPrompt prompt;
  ImageStore store;
  Editor ed(prompt, store);
  ed.root = test::sourceDir();
  ASSERT_TRUE(loadScene(ed, kLoadReplace,
                        std::string(test::sourceDir()) + "/examples/animation.txt", false));
  Scene s{ed.doc, ed.options};
  s.opt.CameraX = 0;
  s.opt.CameraY = 0;
  s.opt.CameraW = 1024;
  s.opt.CameraH = 768;
  compareFrames(s, store, 0, lastExportFrame(s.doc));
}

TEST(LottiePlayer, SmallScenes) {
  const std::vector<ShapePoint> zigzag = {{.x = 0, .y = 0}, {.x = 60, .y = 80},
                                          {.x = 120, .y = 10}, {.x = 150, .y = 90}};
  ImageStore store;
  const int64_t font = store.loadFont("DejaVu Sans", 40, 0);
  // A 24 x 12 picture: four coloured quarters.
  QImage quarters(24, 12, QImage::Format_ARGB32);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 24; ++x)
      quarters.setPixel(x, y, x < 12 ? (y < 6 ? 0xffd02020u : 0xff2040d0u)
                                     : (y < 6 ? 0xff20a040u : 0xfff0c000u));
  const int64_t picture = store.addImage(quarters);
  // A 24 x 24 picture whose colours rise and fall smoothly, the same at opposite edges: tiles of it
  // look alike however the player samples them (the raster smooths, the player does not).
  QImage waves(24, 24, QImage::Format_ARGB32);
  const auto wave = [](int k) { return 255 - std::abs(2 * (k * 255 / 24) - 255); };
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) waves.setPixel(x, y, qRgb(wave(x), wave(y), 128));
  const int64_t tile = store.addImage(waves);
  struct Case {
    const char* name;
    std::function<void(Object&)> build;
  } const cases[] = {
      {"keyed object with an image between shapes", [&](Object& o) {
         Shape pic = shape(kImage, 20, 30, 96, 48, kStyleFilled, 0);
         pic.imageId = picture;
         o.shapes = {shape(kBox, 0, 0, 60, 60, kStyleFilled, kRed), pic,
                     shape(kCircle, 100, 60, 30, 30, kStyleFilled, kBlue)};
         o.keys = {ObjectKey{.frame = 0, .w = 100, .h = 100, .rotX = 40, .rotY = 40, .alpha = 255},
                   ObjectKey{.frame = 10, .x = 30, .y = 20, .w = 120, .h = 120, .rotX = 40,
                             .rotY = 40, .angle = 20, .alpha = 255}};
       }},
      {"faded pictures and a faded object: the object's opacity leaves pictures alone",
       [&](Object& o) {
         Shape pic = shape(kImage, 20, 30, 96, 48, kStyleFilled, 0);
         pic.imageId = picture;
         pic.alpha = 128;
         o.alpha = 90;
         o.shapes = {shape(kBox, 0, 0, 160, 120, kStyleFilled, kBlue), pic};
         o.keys = {ObjectKey{.frame = 0, .w = 100, .h = 100, .alpha = 255},
                   ObjectKey{.frame = 10, .x = 10, .w = 100, .h = 100, .alpha = 60}};
       }},
      {"tiled pictures: a box filled with tiles and one outlined with them", [&](Object& o) {
         Shape filled = shape(kImage, 10, 10, 90, 70, kStyleFilled, 0);
         filled.imageId = tile;
         filled.imageRepeat = 2;
         filled.imageW = 30;
         filled.imageH = 36;
         filled.imageX = 7;
         filled.imageY = 3;
         Shape outlined = filled;
         outlined.x = 110;
         outlined.w = 50;
         outlined.style = kStyleLine;
         outlined.lineW = 12;
         outlined.alpha = 160;
         o.shapes = {filled, outlined};
         o.keys = {ObjectKey{.frame = 0, .w = 100, .h = 100, .alpha = 255},
                   ObjectKey{.frame = 10, .x = 20, .y = 10, .w = 110, .h = 90, .rotX = 60,
                             .rotY = 40, .angle = 25, .alpha = 255}};
       }},
      {"dashes along the axes", [&](Object& o) {
         o.shapes = {shape(kLine, 0, 0, 0, 0, kStyleDash, kBlue, {{.x = 0, .y = 10}, {.x = 170, .y = 10}}),
                     shape(kLine, 0, 0, 0, 0, kStyleDash, kRed,
                           {{.x = 0, .y = 40}, {.x = 100, .y = 40}, {.x = 100, .y = 120}})};
       }},
      {"text outlines", [&](Object& o) {
         Shape s = shape(kText, 0, 20, 40, 10, kStyleFilled, kBlue);
         s.text = "Penwick Ag";
         s.fontId = font;
         o.shapes = {s};
       }},
      {"boxes, circles and curves", [&](Object& o) {
         o.shapes = {shape(kBox, 10, 10, 120, 80, kStyleFilled, kRed),
                     shape(kCircle, 80, 60, 60, 40, kStyleLine, kBlue),
                     shape(kCurve, 0, 20, 0, 0, kStyleDot, kRed, zigzag)};
       }},
      {"effects and a linked hole", [&](Object& o) {
         Shape outer = shape(kBox, 0, 0, 160, 120, kStyleFilled, kGreen);
         outer.link = 1;
         Shape s = shape(kBox, 20, 20, 80, 60, kStyleFilled, kRed);
         s.fx = {effect(kFxBack, 15, 15, 120, kStyleFilled, kBlue),
                 effect(kFxFront, -5, 10, 60, kStyleLine, kGreen)};
         o.shapes = {outer, shape(kCircle, 80, 60, 40, 30, kStyleFilled, kRed), s};
       }},
      {"linear keys: moved, turned, scaled, faded", [&](Object& o) {
         o.shapes = {shape(kBox, 10, 10, 80, 40, kStyleFilled, kRed),
                     shape(kLine, 0, 0, 0, 0, kStyleLine, kBlue, {{.x = 0, .y = 0}, {.x = 90, .y = 50}})};
         o.keys = {ObjectKey{.frame = 0, .x = 0, .y = 0, .w = 100, .h = 100, .rotX = 50,
                             .rotY = 30, .alpha = 255},
                   ObjectKey{.frame = 10, .x = 60, .y = 40, .w = 130, .h = 80, .rotX = 50,
                             .rotY = 30, .angle = 35, .alpha = 120}};
       }},
      {"hold and ease keys", [&](Object& o) {
         // Frame 5 lies in the hold (linear would be at x 75), frame 10 a fifth into the ease
         // (y 10, linear would be at 20).
         o.shapes = {shape(kBox, 0, 0, 40, 40, kStyleFilled, kBlue)};
         o.keys = {ObjectKey{.frame = 0, .kind = kKeyHold, .w = 100, .h = 100, .alpha = 255},
                   ObjectKey{.frame = 6, .kind = kKeyEase, .x = 90, .w = 100, .h = 100,
                             .alpha = 255},
                   ObjectKey{.frame = 26, .x = 90, .y = 100, .w = 100, .h = 100, .alpha = 255}};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene s;
    setDefaultOptions(s.opt);
    s.opt.CameraX = -20;
    s.opt.CameraY = -10;
    s.opt.CameraW = 200;
    s.opt.CameraH = 150;
    s.doc.DocumentState = kDocumentHasContent;
    s.doc.MaxFrame = 10;
    Object& o = s.doc.Objects[0];
    o.w = o.h = 100;
    o.alpha = 255;
    c.build(o);
    compareFrames(s, store, 0, 10);
  }
}

// A dashed line of slope 4/3: the player's picture is the frame's with dashes and gaps shortened by
// its length estimate (0.8 + 3/8 x 0.6 = 1.025 for each unit of length), not the frame's own.
TEST(LottiePlayer, DashesFollowThePlayersLengthEstimate) {
  ImageStore store;
  Scene s;
  setDefaultOptions(s.opt);
  s.opt.CameraX = -20;
  s.opt.CameraY = -10;
  s.opt.CameraW = 200;
  s.opt.CameraH = 150;
  s.doc.DocumentState = kDocumentHasContent;
  Object& o = s.doc.Objects[0];
  o.w = o.h = 100;
  o.alpha = 255;
  o.shapes = {shape(kLine, 0, 0, 0, 0, kStyleDash, kBlue, {{.x = 0, .y = 0}, {.x = 90, .y = 120}})};
  std::string json, why;
  ASSERT_TRUE(renderLottie(s.doc, s.opt, store, 0, 0, json, &why)) << why;
  const QImage got = play(json, 0, 0, 200, 150);
  const auto drawn = [](double estimate) {
    QImage img(200, 150, QImage::Format_ARGB32_Premultiplied);
    img.fill(0);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(30, 60, 220), 6, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setDashPattern({1.5 / estimate, 1.5 / estimate});  // 9 units of a 6-unit pen
    p.setPen(pen);
    p.drawLine(QPointF(20, 10), QPointF(110, 130));
    return img;
  };
  const QImage frame = FrameRenderer(s.doc, s.opt, store).render(0);
  EXPECT_LE(differingShare(frame, drawn(1)), 0.005) << "the frame is drawn as the file says";
  const double drift = differingShare(got, drawn(1)), estimated = differingShare(got, drawn(1.025));
  EXPECT_GT(drift, 0.005) << "the player drifts";
  EXPECT_LT(estimated * 4, drift) << estimated;
  EXPECT_LE(estimated, 0.005) << "by its length estimate";
}

}  // namespace
}  // namespace pw
