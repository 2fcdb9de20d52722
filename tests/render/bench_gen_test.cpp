// The benchmark scene generator, its flattened drawing order, the floor painter and the SVG
// writer: same seed same scene, every kind of shape present, and SVG output that is well formed
// and paints what the editor paints.
#include <gtest/gtest.h>

#include <QXmlStreamReader>
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "draw_list.h"
#include "floor.h"
#include "scene_gen.h"
#include "svg_writer.h"
#include "core/scene_file.h"
#include "generated_scene.h"
#include "render_fixture.h"

namespace {

using namespace pwbench;

using Generated = pw::test::GeneratedScene;

TEST(BenchGen, SameSeedGivesTheSameSceneAndSvg) {
  Generated a(300, 7), b(300, 7), c(300, 8);
  EXPECT_EQ(pw::sceneText(a.ed.doc), pw::sceneText(b.ed.doc));
  EXPECT_EQ(svgText(a.ed.doc, kCanvasW, kCanvasH), svgText(b.ed.doc, kCanvasW, kCanvasH));
  EXPECT_NE(pw::sceneText(a.ed.doc), pw::sceneText(c.ed.doc));
}

TEST(BenchGen, CoversEveryShapeTypeStyleAndEffect) {
  for (int n : {8, 100, 1000}) {
    SCOPED_TRACE(n);
    Generated g(n, kDefaultSeed);
    std::set<int> types, styles, fxTypes, fxDepths;
    int shapes = 0, linked = 0, objectsUsed = 0;
    for (const pw::Object& o : g.ed.doc.Objects) {
      objectsUsed += o.hasShape;
      ASSERT_FALSE(o.shapes.empty());
      if (o.hasShape) {
        EXPECT_EQ(o.shapes.back().link, 0) << "a linked run leaves its object";
      }
      for (const pw::Shape& s : o.shapes) {
        if (!o.hasShape) continue;
        ++shapes;
        types.insert(s.type);
        styles.insert(s.style);
        linked += s.link;
        ASSERT_EQ(s.fx.size(), 1u);
        EXPECT_EQ(s.fx[0].active, 1);
        fxTypes.insert(s.fx[0].type);
        fxDepths.insert(s.fx[0].depth);
        if (s.type == pw::kComplex) {
          EXPECT_TRUE(s.points.size() == 6 || s.points.size() == 9 || s.points.size() == 12);
        }
        if (s.type == pw::kImage) {
          EXPECT_NE(g.store.image(s.imageId), nullptr);
        }
        if (s.type == pw::kText) {
          EXPECT_NE(g.store.font(s.fontId), nullptr);
        }
        if (s.style == 3) {
          EXPECT_GT(s.lineDist, s.lineW) << "dots need a positive gap";
        }
      }
    }
    EXPECT_EQ(shapes, n);
    EXPECT_EQ(objectsUsed, 8);
    EXPECT_EQ(types.size(), 8u);
    if (n >= 100) {
      EXPECT_EQ(styles, (std::set<int>{0, 1, 2, 3}));
      EXPECT_EQ(fxTypes, (std::set<int>{0, 1, 2, 3}));
      EXPECT_EQ(fxDepths, (std::set<int>{0, 1}));
    }
    if (n >= 1000) {
      EXPECT_GT(linked, 10);
    }
  }
}

// A hand-made scene: a box with a back shadow, a linked box + circle, a dashed line, a dotted
// curve, a bold text and an image.
struct Tiny {
  pw::ScriptedPrompt prompt;
  pw::ImageStore store;
  pw::Editor ed{prompt, store};

  pw::Shape& add(uint8_t type, int x, int y, int w, int h) {
    pw::Object& o = ed.doc.Objects[0];
    if (o.hasShape) o.shapes.emplace_back();
    o.hasShape = 1;
    pw::Shape& s = o.shapes.back();
    s.type = type;
    s.x = static_cast<int16_t>(x);
    s.y = static_cast<int16_t>(y);
    s.w = static_cast<int16_t>(w);
    s.h = static_cast<int16_t>(h);
    s.alpha = 255;
    s.color = pw::packRGBA(10, 20, 30, 255);
    s.points = {pw::ShapePoint{}};
    return s;
  }

  Tiny() {
    pw::test::ensureGuiApp();
    ed.doc.Objects[0].alpha = 255;
    ed.doc.DocumentState = pw::kDocumentHasContent;
    pw::Shape& box = add(pw::kBox, 10, 10, 50, 20);
    box.alpha = 128;
    box.fx[0] = pw::ShapeFx{};
    box.fx[0].active = 1;
    box.fx[0].x = 5;
    box.fx[0].y = 5;
    box.fx[0].scale = 100;
    box.fx[0].color = pw::packRGBA(0, 0, 0, 128);
    add(pw::kBox, 100, 100, 40, 40).link = 1;
    add(pw::kCircle, 140, 140, 20, 20).color = pw::packRGBA(200, 0, 0, 255);
    pw::Shape& line = add(pw::kLine, 0, 0, 0, 0);
    line.points = {pw::ShapePoint{}, pw::ShapePoint{}};
    line.points[1].x = 200;
    line.style = 2;
    line.lineW = 4;
    line.lineH = 6;
    pw::Shape& curve = add(pw::kCurve, 0, 50, 0, 0);
    curve.points.assign(4, pw::ShapePoint{});
    curve.points[3].x = 90;
    curve.style = 3;
    curve.lineW = 2;
    curve.lineDist = 8;
    pw::Shape& text = add(pw::kText, 300, 40, 24, 0);
    text.text = "a<b";
    text.fontName = "Times New roman";
    text.fontStyle = 256;
    text.fontId = store.loadFont(text.fontName, 24, 256);
    pw::Shape& img = add(pw::kImage, 400, 10, 64, 32);
    QImage pic(8, 8, QImage::Format_ARGB32_Premultiplied);
    pic.fill(Qt::blue);
    img.imageId = store.addImage(pic);
    img.imageFile = "pic.png";
    img.alpha = 51;
  }
};

struct Element {
  std::string name;
  std::map<std::string, std::string> attrs;
  std::string text;
};

std::vector<Element> parseSvg(const std::string& svg) {
  std::vector<Element> out;
  QXmlStreamReader xml(QByteArray::fromStdString(svg));
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      Element e{xml.name().toString().toStdString(), {}, {}};
      for (const QXmlStreamAttribute& a : xml.attributes())
        e.attrs[a.qualifiedName().toString().toStdString()] = a.value().toString().toStdString();
      out.push_back(e);
    } else if (xml.isCharacters() && !out.empty() && !xml.isWhitespace()) {
      out.back().text += xml.text().toString().toStdString();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return out;
}

int figures(const std::string& d) { return static_cast<int>(std::count(d.begin(), d.end(), 'M')); }

TEST(BenchSvg, TinySceneIsWellFormedAndPaintsInOrder) {
  Tiny t;
  const std::vector<Element> el = parseSvg(svgText(t.ed.doc, 640, 360));
  std::vector<std::string> names;
  for (const Element& e : el) names.push_back(e.name);
  // Export order: shadow, box, linked box and circle each on their own, line, curve, text, image.
  EXPECT_EQ(names, (std::vector<std::string>{"svg", "path", "path", "path", "path", "path", "path",
                                             "text", "image"}));
  ASSERT_EQ(el.size(), 9u);
  EXPECT_EQ(el[0].attrs.at("width"), "640");
  EXPECT_EQ(el[1].attrs.at("d"), "M15 15L65 15L65 35L15 35Z");  // the shadow, 5 units off
  EXPECT_EQ(el[1].attrs.at("fill-opacity"), "0.502");
  EXPECT_EQ(el[2].attrs.at("fill"), "rgb(10,20,30)");
  EXPECT_EQ(el[2].attrs.at("fill-opacity"), "0.502");  // shape alpha 128
  EXPECT_EQ(el[2].attrs.at("fill-rule"), "evenodd");
  EXPECT_EQ(el[4].attrs.at("fill"), "rgb(200,0,0)");
  EXPECT_EQ(el[5].attrs.at("stroke-dasharray"), "6 6");
  EXPECT_EQ(el[5].attrs.at("stroke-linecap"), "butt");
  EXPECT_EQ(el[5].attrs.at("stroke-width"), "4");
  EXPECT_EQ(el[6].attrs.at("stroke-dasharray"), "0.001 6");
  EXPECT_EQ(el[6].attrs.at("stroke-linecap"), "round");
  EXPECT_EQ(el[7].attrs.at("font-family"), "Liberation Serif");
  EXPECT_EQ(el[7].attrs.at("font-weight"), "bold");
  EXPECT_EQ(el[7].text, "a<b");
  EXPECT_EQ(el[8].attrs.at("href"), "pic.png");
  EXPECT_EQ(el[8].attrs.at("opacity"), "0.2");
  EXPECT_EQ(el[8].attrs.at("width"), "64");
}

TEST(BenchSvg, LinkedRunIsOneEvenOddPathOnTheCanvasOnly) {
  Tiny t;
  const std::vector<DrawItem> canvas = flattenScene(t.ed.doc, DrawRules::kCanvas);
  const std::vector<DrawItem> exported = flattenScene(t.ed.doc, DrawRules::kExport);
  ASSERT_EQ(exported.size(), canvas.size() + 1);
  // Item 2 is the run: both figures in the colour of the circle, the last shape of the run.
  EXPECT_EQ(figures(svg::pathData(canvas[2].path)), 2);
  EXPECT_EQ(canvas[2].paint.rgba, pw::packRGBA(200, 0, 0, 255));
  EXPECT_EQ(figures(svg::pathData(exported[2].path)), 1);
  EXPECT_EQ(exported[2].paint.rgba, pw::packRGBA(10, 20, 30, 255));
}

// The floor must draw the picture the canvas refresh draws, or the ratio means nothing.
TEST(BenchFloor, DrawsWhatTheCanvasRefreshDraws) {
  Generated g(150, 3);
  benchOptions(g.ed);
  pw::CanvasSurface canvas{QImage(kCanvasW, kCanvasH, QImage::Format_ARGB32_Premultiplied),
                           g.store};
  canvas.image.fill(Qt::transparent);
  pw::drawCanvas(g.ed, canvas);
  QImage floorImage(kCanvasW, kCanvasH, QImage::Format_ARGB32_Premultiplied);
  floorImage.fill(Qt::transparent);
  Floor(flattenScene(g.ed.doc, DrawRules::kCanvas), g.store, g.ed.options.BgColor).draw(floorImage);
  long differing = 0;
  for (int y = 0; y < kCanvasH; y += 2) {
    for (int x = 0; x < kCanvasW; x += 2) {
      const QColor a = canvas.image.pixelColor(x, y), b = floorImage.pixelColor(x, y);
      if (!pw::test::closeTo(a.red(), b.red(), 24) || !pw::test::closeTo(a.green(), b.green(), 24) ||
          !pw::test::closeTo(a.blue(), b.blue(), 24) || !pw::test::closeTo(a.alpha(), b.alpha(), 24))
        ++differing;
    }
  }
  EXPECT_LT(differing, kCanvasW * kCanvasH / 4 / 200) << "more than 0.5% of the pixels differ";
}

}  // namespace
