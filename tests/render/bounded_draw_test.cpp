// Drawing work stays bounded by what can reach the image: dash patterns that would only fill the
// image many times over are drawn solid, and long texts are laid out only as far as they can be
// seen. Pictures that can show their pattern or their text are drawn exactly as before.
#include <gtest/gtest.h>

#include <QPainter>
#include <string>
#include <vector>

#include "render/image_store.h"
#include "render/vg.h"
#include "render_fixture.h"

namespace pw {
namespace {

constexpr int64_t kInk = packRGBA(20, 40, 200, 255);

struct Stroke {
  std::vector<QPointF> points;
  double width;
  double pattern;  // dash length, or dot distance
  bool dotted;
};

// Draws `s` on a fresh 160 x 120 image, dashed (or dotted) or, with solid set, plainly.
QImage draw(const Stroke& s, bool solid, const QTransform& xf = {}) {
  test::ensureGuiApp();
  ImageStore store;
  QImage img(160, 120, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  VectorCanvas vg(store);
  EXPECT_TRUE(vg.beginDrawing(img));
  vg.scaleBy(xf.m11(), xf.m22());
  vg.moveTo(s.points[0].x(), s.points[0].y());
  for (size_t k = 1; k < s.points.size(); ++k) vg.lineTo(s.points[k].x(), s.points[k].y());
  vg.setSourceColor(kInk);
  if (solid) {
    vg.stroke(s.width, s.dotted);
  } else if (s.dotted) {
    vg.strokeDotted(s.width, s.pattern, true);
  } else {
    vg.strokeDashed(s.width, s.pattern);
  }
  vg.endDrawing();
  return img;
}

TEST(BoundedDraw, DashesThatOnlyFillTheImageAreDrawnSolid) {
  const std::vector<QPointF> zigzag{{0, 0}, {160, 120}, {0, 120}, {160, 0}};
  for (const Stroke& s : {Stroke{zigzag, 32767, 1, false}, Stroke{zigzag, 5000, 2, false}})
    EXPECT_EQ(draw(s, false), draw(s, true)) << s.width << " / " << s.pattern;
  // A scaled-up system makes the dashes wider on the image too.
  const Stroke scaled{zigzag, 400, 1, false};
  EXPECT_EQ(draw(scaled, false, QTransform::fromScale(50, 50)),
            draw(scaled, true, QTransform::fromScale(50, 50)));
  EXPECT_NE(draw(scaled, false), draw(scaled, true));
}

TEST(BoundedDraw, PatternsThatCanBeSeenKeepThem) {
  const Stroke visible[] = {
      {{{10, 10}, {150, 10}, {150, 110}}, 10, 5, false},
      {{{10, 60}, {150, 60}}, 2, 1, false},
      {{{10, 10}, {150, 110}}, 6, 12, true},
      {{{10, 10}, {150, 110}, {10, 110}, {150, 10}}, 40, 20, false},
      // Reaching far outside: only the part near the image counts.
      {{{-3000, 60}, {3000, 60}}, 4, 5, false},
  };
  for (const Stroke& s : visible) {
    const QImage dashed = draw(s, false);
    EXPECT_NE(dashed, draw(s, true)) << s.width << " / " << s.pattern;
    EXPECT_NE(dashed, QImage(dashed.size(), dashed.format()).copy()) << s.width;
  }
}

// Fills text as the drawing layer lays it out, and the full outline the way it was always drawn.
struct TextPair {
  QImage laidOut, full;
  int laidOutElements = 0, fullElements = 0;
};

TextPair drawText(const std::string& text, double size, QPointF at) {
  test::ensureGuiApp();
  ImageStore store;
  TextPair r;
  r.laidOut = QImage(200, 60, QImage::Format_ARGB32_Premultiplied);
  r.laidOut.fill(Qt::transparent);
  r.full = r.laidOut;
  VectorCanvas vg(store);
  EXPECT_TRUE(vg.beginDrawing(r.laidOut));
  vg.moveTo(at.x(), at.y());
  vg.setFont(0, size);
  vg.addText(text);
  r.laidOutElements = vg.path().elementCount();
  vg.setSourceColor(kInk);
  vg.fill();
  vg.endDrawing();

  QPainterPath outline = store.textOutline(0, size, text).translated(at);
  r.fullElements = outline.elementCount();
  QPainter p(&r.full);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 40, 200));
  p.drawPath(outline);
  return r;
}

TEST(BoundedDraw, LongTextsAreLaidOutOnlyAsFarAsTheyShow) {
  struct Case {
    std::string text;
    double size;
    QPointF at;
    bool cut;
  } const cases[] = {
      {std::string(3000, 'W'), 20, {5, 5}, true},
      {std::string(3000, 'i'), 12, {-500, 10}, true},  // starts left of the image
      {"Short text stays whole", 20, {5, 5}, false},
      {std::string(200, 'M'), 20, {5, 5}, false},  // at most a few hundred characters: whole
  };
  for (const Case& c : cases) {
    const TextPair r = drawText(c.text, c.size, c.at);
    EXPECT_EQ(r.laidOut, r.full) << c.text.size();
    if (c.cut) {
      EXPECT_LT(r.laidOutElements * 4, r.fullElements) << c.text.size();
    } else {
      EXPECT_EQ(r.laidOutElements, r.fullElements);
    }
  }
}

}  // namespace
}  // namespace pw
