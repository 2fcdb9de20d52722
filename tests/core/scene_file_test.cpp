// Scene text: exact bytes written, field order read back, escapes, numbers, legacy files and the
// three read modes.
#include "core/scene_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/create.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/scene_text.h"

namespace pw {
namespace {

using test::crlfLines;

using test::TestEditor;

void freshDocument(TestEditor& t) { newDocument(t.ed, kFreshDocument, true, false); }

TEST(SceneWrite, WorkedExampleByteForByte) {
  TestEditor t;
  freshDocument(t);
  t.ed.tools.tool = kToolBox;
  ASSERT_EQ(addShape(t.ed, 120, 80), 1);
  Shape* box = currentShape(t.ed.doc, t.ed.sel);
  ASSERT_NE(box, nullptr);
  box->w = 60;
  box->h = 40;
  EXPECT_EQ(sceneText(t.ed.doc),
            "gen, ,0.15,\r\n"
            "obj,Object0,0,0,100,100,0,0,0,255,0,\r\n"
            "shape,0,-8856356,Box_0,255,0,10,5,5,1,60,40,,120,80,\r\n"
            "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\n"
            "pt,0,0,0,\r\n");

  // A text shape as the second shape, an image shape as the third.
  t.ed.tools.tool = kToolText;
  ASSERT_EQ(addShape(t.ed, 200, 150), 1);
  const std::string photo = "C:\\pics\\photo.png";
  t.res.addImageFile(photo, 640, 480);
  t.prompt.answerFile(photo);
  t.ed.tools.tool = kToolImage;
  ASSERT_EQ(addShape(t.ed, 10, 20), 1);
  const auto lines = crlfLines(sceneText(t.ed.doc));
  std::vector<std::string> shapeLines;
  for (const auto& l : lines)
    if (l.rfind("shape,", 0) == 0) shapeLines.push_back(l);
  ASSERT_EQ(shapeLines.size(), 3u);
  EXPECT_EQ(shapeLines[1], "shape,1,-8856356,Text_1,255,0,10,5,5,7,10,5,Text_1;Times New roman;256;,200,150,");
  EXPECT_EQ(shapeLines[2],
            "shape,2,-8856356,photo2,255,0,10,5,5,6,640,480,C:\\pics\\photo.png;0;0;0;640;480;0;,10,20,");
  // Every shape is followed by its effect line, then its point lines.
  EXPECT_EQ(lines.size(), 2u + 3u * 3u);
  EXPECT_EQ(lines[6].rfind("shapefx,0,", 0), 0u);
  EXPECT_EQ(lines[7], "pt,0,0,0,");
}

TEST(SceneWrite, FreshDocumentAndItsReadBack) {
  TestEditor t;
  freshDocument(t);
  const auto lines = crlfLines(sceneText(t.ed.doc));
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "gen, ,0.15,");
  EXPECT_EQ(lines[2], "shape,0,0,,0,0,0,0,0,0,0,0,,0,0,");
  EXPECT_EQ(lines[3], "shapefx,0,0,0,0,0,0,0,0,0,0,0,0,0,0");
  for (int p = 0; p < 6; ++p) EXPECT_EQ(lines[4 + p], "pt," + std::to_string(p) + ",0,0,");

  TestEditor r;
  readSceneText(r.ed, kLoadReplace, sceneText(t.ed.doc));
  const Shape& s = r.ed.doc.Objects.at(0).shapes.at(0);
  EXPECT_EQ(s.name, "shape_0");
  EXPECT_EQ(s.fx.at(0).name, "fx_0");
  EXPECT_EQ(s.points.size(), 6u);
  EXPECT_EQ(s.lineW, 1);  // line values below 1 are raised to 1
}

// A scene that uses every shape type and every stored field, with values that differ from
// field to field so that a swapped pair shows.
struct RichScene {
  test::TempDir dir;
  std::string imagePath;

  void build(TestEditor& t) {
    imagePath = dir.write("pic,ture;1%.png", "not really a png");
    t.res.addImageFile(imagePath, 32, 16);
    Document& d = t.ed.doc;
    d.Objects.assign(2, Object{});
    int64_t v = 3;
    auto i16 = [&v] { return static_cast<int16_t>(v++); };
    auto u8 = [&v] { return static_cast<uint8_t>(v++); };
    for (size_t oi = 0; oi < d.Objects.size(); ++oi) {
      Object& o = d.Objects[oi];
      o.name = oi == 0 ? "Back, layer; 100%" : "Front";
      o.x = -1234567890123 + v++;
      o.y = v++;
      o.w = static_cast<int16_t>(-300 + v++);
      o.h = 32767;
      o.depth = u8(), o.hidden = u8(), o.locked = u8(), o.alpha = u8(), o.spare = u8();
      o.shapes.assign(8, Shape{});
      for (size_t k = 0; k < 8; ++k) {
        Shape& s = o.shapes[k];
        s.type = static_cast<uint8_t>(k);
        // Built by appending: GCC 12 at -O3 misreads literal + temporary (-Wrestrict).
        s.name = std::to_string(k).insert(0, 1, 's') + (k == 3 ? "\r\nwith break" : "");
        s.color = packRGBA(static_cast<int>(k), 2, 3, k % 2 ? 255 : 10);
        s.alpha = u8(), s.style = u8(), s.lineW = i16(), s.lineH = i16(), s.lineDist = i16();
        s.w = static_cast<int16_t>(-v++), s.h = i16(), s.x = -32768, s.y = i16();
        const size_t npts = k == kCurve ? 4 : k == kLine ? 3 : k == kComplex ? 9 : 1;
        s.points.assign(npts, ShapePoint{});
        for (auto& p : s.points) p.x = v++, p.y = -v++;
        s.fx.assign(k % 3 + 1, ShapeFx{});
        for (auto& f : s.fx) {
          f.x = i16(), f.y = static_cast<int16_t>(-v++), f.color = kFxColor + v++;
          f.alpha = u8(), f.depth = u8(), f.type = u8(), f.width = (int64_t{1} << 40) + v++;
          f.height = -v++, f.dist = v++, f.scale = i16(), f.spareA = i16(), f.spareB = i16();
          f.active = u8();
        }
        if (k == kText) s.text = "Hello, world; 100%\nsecond", s.fontName = "Sans;Serif", s.fontStyle = 772;
        if (k == kImage) {
          s.imageFile = imagePath;
          s.imageRepeat = 2, s.imageX = i16(), s.imageY = i16(), s.imageW = i16(), s.imageH = i16();
          s.imageSpare = i16();
        }
      }
    }
  }
};

#define EXPECT_SAME(field) EXPECT_EQ(a.field, b.field) << #field
void expectSameStoredFields(const Document& da, const Document& db) {
  ASSERT_EQ(da.Objects.size(), db.Objects.size());
  for (size_t oi = 0; oi < da.Objects.size(); ++oi) {
    const Object& a = da.Objects[oi];
    const Object& b = db.Objects[oi];
    EXPECT_SAME(name); EXPECT_SAME(x); EXPECT_SAME(y); EXPECT_SAME(w); EXPECT_SAME(h);
    EXPECT_SAME(depth); EXPECT_SAME(hidden); EXPECT_SAME(locked); EXPECT_SAME(alpha); EXPECT_SAME(spare);
    ASSERT_EQ(a.shapes.size(), b.shapes.size());
    for (size_t k = 0; k < a.shapes.size(); ++k) {
      SCOPED_TRACE("object " + std::to_string(oi) + " shape " + std::to_string(k));
      [&](const Shape& a, const Shape& b) {
        EXPECT_SAME(name); EXPECT_SAME(type); EXPECT_SAME(color); EXPECT_SAME(alpha); EXPECT_SAME(style);
        EXPECT_SAME(lineW); EXPECT_SAME(lineH); EXPECT_SAME(lineDist); EXPECT_SAME(w); EXPECT_SAME(h);
        EXPECT_SAME(x); EXPECT_SAME(y); EXPECT_SAME(text); EXPECT_SAME(fontName); EXPECT_SAME(fontStyle);
        EXPECT_SAME(imageFile); EXPECT_SAME(imageRepeat); EXPECT_SAME(imageX); EXPECT_SAME(imageY);
        EXPECT_SAME(imageW); EXPECT_SAME(imageH); EXPECT_SAME(imageSpare);
        ASSERT_EQ(a.points.size(), b.points.size());
        for (size_t p = 0; p < a.points.size(); ++p)
          [&](const ShapePoint& a, const ShapePoint& b) { EXPECT_SAME(x); EXPECT_SAME(y); }(a.points[p], b.points[p]);
        ASSERT_EQ(a.fx.size(), b.fx.size());
        for (size_t n = 0; n < a.fx.size(); ++n)
          [&](const ShapeFx& a, const ShapeFx& b) {
            EXPECT_SAME(x); EXPECT_SAME(y); EXPECT_SAME(color); EXPECT_SAME(alpha); EXPECT_SAME(depth);
            EXPECT_SAME(type); EXPECT_SAME(width); EXPECT_SAME(height); EXPECT_SAME(dist);
            EXPECT_SAME(scale); EXPECT_SAME(spareA); EXPECT_SAME(spareB); EXPECT_SAME(active);
          }(a.fx[n], b.fx[n]);
      }(a.shapes[k], b.shapes[k]);
    }
  }
}
#undef EXPECT_SAME

TEST(SceneRoundTrip, EveryShapeTypeIsByteIdenticalAndFieldExact) {
  TestEditor t;
  RichScene scene;
  scene.build(t);
  const std::string first = sceneText(t.ed.doc);
  // Escaped text fields keep every line whole.
  EXPECT_EQ(crlfLines(first).size(), 1u + 2u * (1u + 8u) + 2u * (1 + 2 + 3 + 1 + 2 + 3 + 1 + 2) +
                                         2u * (9 + 1 + 1 + 1 + 3 + 4 + 1 + 1));

  TestEditor r;
  readSceneText(r.ed, kLoadReplace, first);
  expectSameStoredFields(t.ed.doc, r.ed.doc);
  EXPECT_EQ(sceneText(r.ed.doc), first);

  // The text and image shapes got their font and picture.
  const Shape& text = r.ed.doc.Objects[1].shapes[kText];
  ASSERT_FALSE(r.res.fontsLoaded.empty());
  EXPECT_EQ(r.res.fontsLoaded.back().name, "Sans;Serif");
  EXPECT_EQ(r.res.fontsLoaded.back().size, text.w);
  EXPECT_EQ(r.res.fontsLoaded.back().style, 772);
  EXPECT_NE(text.fontId, 0);
  EXPECT_EQ(r.ed.doc.Objects[0].shapes[kImage].imageId, 0);  // not declared to r's resources
  TestEditor withImage;
  withImage.res.addImageFile(scene.imagePath, 32, 16);
  readSceneText(withImage.ed, kLoadReplace, first);
  EXPECT_NE(withImage.ed.doc.Objects[0].shapes[kImage].imageId, 0);
  EXPECT_TRUE(withImage.prompt.messages.empty());
  // Reading sets what is not stored to what a new element starts with.
  EXPECT_EQ(r.ed.doc.Objects[1].shapes[5].depth, 5);
  EXPECT_EQ(r.ed.doc.Objects[1].shapes[5].fx[0].name, "fx_0");
}

TEST(SceneRoundTrip, CurvesKeepTheirPointCount) {
  TestEditor t;
  freshDocument(t);
  t.ed.tools.tool = kToolCurve;
  ASSERT_EQ(addShape(t.ed, 50, 60), 1);
  t.ed.tools.tool = kToolLine;
  ASSERT_EQ(addShape(t.ed, 7, 8), 1);
  TestEditor r;
  readSceneText(r.ed, kLoadReplace, sceneText(t.ed.doc));
  const auto& shapes = r.ed.doc.Objects.at(0).shapes;
  ASSERT_EQ(shapes.size(), 2u);
  ASSERT_EQ(shapes[0].points.size(), 4u);
  EXPECT_EQ(shapes[0].points[3].x, 55);
  EXPECT_EQ(shapes[1].points.size(), 2u);
}

TEST(SceneEscapes, TextFieldsSurviveAndOtherPercentsStay) {
  EXPECT_EQ(escapeField("Hello, world; 100%"), "Hello%2C world%3B 100%25");
  EXPECT_EQ(escapeField("a\r\nb"), "a%0D%0Ab");
  EXPECT_EQ(escapeField("plain C:\\x"), "plain C:\\x");
  for (const std::string s : {"Hello, world; 100%", "%%,,;;\r\n%25", "50%off", "", "%2C literally"})
    EXPECT_EQ(unescapeField(escapeField(s)), s);
  EXPECT_EQ(unescapeField("50%off"), "50%off");
  EXPECT_EQ(unescapeField("%2c%3b%0d%0a%25"), ",;\r\n%");
  EXPECT_EQ(unescapeField("%2C%3B%0D%0A%25"), ",;\r\n%");
  // Only the five escapes are decoded.
  EXPECT_EQ(unescapeField("%41%2G%0%"), "%41%2G%0%");
  EXPECT_EQ(unescapeField("%252C"), "%2C");

  // In a file: a name written by an older editor with a "%" reads back as it was.
  TestEditor t;
  readSceneText(t.ed, kLoadReplace, "gen, ,0.15,\r\nobj,50%off,0,0,100,100,0,0,0,255,0,\r\n");
  EXPECT_EQ(t.ed.doc.Objects[0].name, "50%off");
}

TEST(SceneNumbers, ReadingRule) {
  const std::pair<const char*, int64_t> cases[] = {
      {"123", 123}, {"+123", 123}, {"-8856356", -8856356}, {"$ff", 255}, {"$7FfF", 32767},
      {"-$10", -16}, {"%1011", 11}, {"%102", 2}, {"12abc", 12}, {"12.9", 12}, {"", 0}, {"abc", 0},
      {" 5", 0}, {"-", 0}, {"$", 0}, {"$g1", 0},
      // Overlong values wrap modulo 2^64.
      {"18446744073709551615", -1}, {"9223372036854775808", INT64_MIN},
      {"-9223372036854775808", INT64_MIN}, {"18446744073709551616", 0}};
  for (const auto& [text, value] : cases) EXPECT_EQ(readNumber(text), value) << text;
  unsigned __int128 big = 0;
  const std::string digits(60, '7');
  for (char c : digits) big = big * 10 + static_cast<unsigned>(c - '0');
  EXPECT_EQ(readNumber(digits), static_cast<int64_t>(static_cast<uint64_t>(big)));
  EXPECT_EQ(readNumber("$" + std::string(40, 'F')), -1);
  EXPECT_EQ(readNumber("%1" + std::string(64, '0')), 0);
}

TEST(SceneNumbers, NarrowFieldsKeepLowBitsAndLineValuesStartAtOne) {
  TestEditor t;
  readSceneText(t.ed, kLoadReplace,
                "gen, ,0.15,\r\nobj,o,$10000000000,-1,65636,-1,257,0,0,256,$1FF,\r\n"
                "shape,0,-1,n,256,2,65537,0,-5,1,40000,-40000,,$12345,-32769,\r\n"
                "shapefx,0,65535,1,2,300,4,5,-7,8,9,70000,1,2,258\r\n");
  const Object& o = t.ed.doc.Objects.at(0);
  EXPECT_EQ(o.x, int64_t{1} << 40);
  EXPECT_EQ(o.w, 100);  // 65636 & 0xffff
  EXPECT_EQ(o.h, -1);
  EXPECT_EQ(o.depth, 1);
  EXPECT_EQ(o.alpha, 0);
  EXPECT_EQ(o.spare, 255);
  const Shape& s = o.shapes.at(0);
  EXPECT_EQ(s.alpha, 0);
  EXPECT_EQ(s.lineW, 1);
  EXPECT_EQ(s.lineH, 1);
  EXPECT_EQ(s.lineDist, 1);
  EXPECT_EQ(s.w, 40000 - 65536);
  EXPECT_EQ(s.h, -40000 + 65536);
  EXPECT_EQ(s.x, 0x2345);
  EXPECT_EQ(s.y, 32767);
  const ShapeFx& f = s.fx.at(0);
  EXPECT_EQ(f.x, -1);
  EXPECT_EQ(f.alpha, 300 - 256);
  EXPECT_EQ(f.height, 8);
  EXPECT_EQ(f.scale, 70000 - 65536);
  EXPECT_EQ(f.active, 2);
}

TEST(SceneLegacy, FileWithoutGenLineIsOlderThan014) {
  TestEditor t;
  readSceneText(t.ed, kLoadReplace,
                "obj,Layer,1,2,0,-3,0,0,0,0,0,\r\n"
                "shape,0,-1,,0,0,10,5,5,1,5,5,,0,0,\r\n"
                "obj,,0,0,50,60,0,0,0,17,0,\r\n"
                "shape,0,-1,b,9,0,10,5,5,1,5,5,,0,0,\r\n");
  const auto& objs = t.ed.doc.Objects;
  ASSERT_EQ(objs.size(), 2u);
  EXPECT_EQ(objs[0].name, "Layer");
  EXPECT_EQ(objs[0].alpha, 255);
  EXPECT_EQ(objs[0].w, 100);
  EXPECT_EQ(objs[0].h, 100);
  EXPECT_EQ(objs[0].shapes[0].alpha, 255);
  EXPECT_EQ(objs[0].shapes[0].name, "shape_0");
  EXPECT_EQ(objs[1].name, "Object1");
  EXPECT_EQ(objs[1].alpha, 255);
  EXPECT_EQ(objs[1].w, 50);
  EXPECT_EQ(objs[1].h, 60);
  EXPECT_EQ(objs[1].shapes[0].alpha, 9);
}

TEST(SceneLegacy, GenNameNamesAnUnnamedObjectAndVersionThreshold) {
  TestEditor t;
  freshDocument(t);
  t.ed.doc.Objects[0].name.clear();
  t.ed.doc.Objects[0].w = 0;
  t.ed.doc.Objects[0].h = 40;
  readSceneText(t.ed, kLoadMerge, "gen,Old, name,0.13,\r\n");
  // The name field ends at the comma; the version is then "name" = 0, still legacy.
  EXPECT_EQ(t.ed.doc.Objects[0].name, "Old");
  EXPECT_EQ(t.ed.doc.Objects[0].w, 100);
  EXPECT_EQ(t.ed.doc.Objects[0].h, 40);

  TestEditor u;
  freshDocument(u);
  u.ed.doc.Objects[0].name.clear();
  readSceneText(u.ed, kLoadMerge, "gen,,0.13,\r\n");
  EXPECT_EQ(u.ed.doc.Objects[0].name, "Object0");

  // In a replace the reset object keeps its name and gets the full scale.
  TestEditor r;
  readSceneText(r.ed, kLoadReplace, "gen,Old,0.13,\r\nshape,0,1,x,0,0,1,1,1,1,1,1,,0,0,\r\n");
  EXPECT_EQ(r.ed.doc.Objects[0].name, "Object0");
  EXPECT_EQ(r.ed.doc.Objects[0].w, 100);
  EXPECT_EQ(r.ed.doc.Objects[0].shapes[0].alpha, 255);

  const std::string body = "obj,o,0,0,100,100,0,0,0,0,0,\r\nshape,0,1,x,0,0,1,1,1,1,1,1,,0,0,\r\n";
  for (const auto& [version, legacy] :
       std::vector<std::pair<std::string, bool>>{{"0.13", true}, {"0.139", true}, {"0.14", false},
                                                 {"0.15", false}, {"1", false}, {"", true}}) {
    TestEditor v;
    readSceneText(v.ed, kLoadReplace, "gen, ," + version + ",\r\n" + body);
    EXPECT_EQ(v.ed.doc.Objects[0].alpha, legacy ? 255 : 0) << version;
    EXPECT_EQ(v.ed.doc.Objects[0].shapes[0].alpha, legacy ? 255 : 0) << version;
  }
}

// A small scene of two objects written by the editor.
std::string twoObjectScene() {
  TestEditor t;
  freshDocument(t);
  t.ed.tools.tool = kToolBox;
  addShape(t.ed, 1, 2);
  t.ed.doc.Objects[0].name = "A";
  addObject(t.ed, 1);
  t.ed.tools.tool = kToolCircle;
  addShape(t.ed, 3, 4);
  addShape(t.ed, 5, 6);
  t.ed.doc.Objects[1].name = "B";
  return sceneText(t.ed.doc);
}

TEST(SceneModes, MergeIntoFreshDocumentFillsThePlaceholder) {
  TestEditor t;
  freshDocument(t);
  readSceneText(t.ed, kLoadMerge, twoObjectScene());
  const auto& objs = t.ed.doc.Objects;
  ASSERT_EQ(objs.size(), 2u);
  EXPECT_EQ(objs[0].name, "A");
  // The merge's "gen" line leaves one empty shape after the object's own.
  ASSERT_EQ(objs[0].shapes.size(), 2u);
  EXPECT_EQ(objs[0].shapes[0].name, "Box_0");
  EXPECT_EQ(objs[0].shapes[1].name, "");
  EXPECT_EQ(objs[0].hasShape, 1);
  EXPECT_EQ(objs[1].name, "B");
  ASSERT_EQ(objs[1].shapes.size(), 2u);
  EXPECT_EQ(objs[1].shapes[1].name, "Circle_1");
  EXPECT_EQ(objs[1].shapes[1].x, 5);
  EXPECT_EQ(t.ed.sel.object, 1);
}

TEST(SceneModes, MergeIntoDocumentWithContentAppendsObjects) {
  TestEditor t;
  freshDocument(t);
  t.ed.tools.tool = kToolBox;
  addShape(t.ed, 9, 9);
  addShape(t.ed, 8, 8);
  t.ed.doc.Objects[0].name = "Mine";
  readSceneText(t.ed, kLoadMerge, twoObjectScene());
  const auto& objs = t.ed.doc.Objects;
  ASSERT_EQ(objs.size(), 3u);
  EXPECT_EQ(objs[0].name, "Mine");
  ASSERT_EQ(objs[0].shapes.size(), 3u);
  EXPECT_EQ(objs[0].shapes[0].x, 9);
  EXPECT_EQ(objs[0].shapes[1].x, 8);
  EXPECT_EQ(objs[1].name, "A");
  EXPECT_EQ(objs[1].alpha, 255);
  EXPECT_EQ(objs[1].shapes.size(), 1u);
  EXPECT_EQ(objs[2].name, "B");
  EXPECT_EQ(objs[2].shapes.size(), 2u);
}

TEST(SceneModes, TemplatePutsEveryShapeIntoTheCurrentObject) {
  TestEditor t;
  freshDocument(t);
  t.ed.tools.tool = kToolBox;
  addShape(t.ed, 9, 9);
  addObject(t.ed, 1);
  addShape(t.ed, 4, 4);
  const int64_t current = t.ed.sel.object;
  readSceneText(t.ed, kLoadTemplate, twoObjectScene());
  const auto& objs = t.ed.doc.Objects;
  ASSERT_EQ(objs.size(), 2u);
  EXPECT_EQ(t.ed.sel.object, current);
  const auto& shapes = objs[static_cast<size_t>(current)].shapes;
  ASSERT_EQ(shapes.size(), 5u);  // own, gen's empty one, then the file's three
  EXPECT_EQ(shapes[0].x, 4);
  EXPECT_EQ(shapes[1].name, "");
  EXPECT_EQ(shapes[2].name, "Box_0");
  EXPECT_EQ(shapes[3].name, "Circle_0");
  EXPECT_EQ(shapes[4].name, "Circle_1");
  EXPECT_EQ(shapes[4].depth, 4);
}

TEST(SceneModes, ReplaceStartsFromAFreshDocument) {
  TestEditor t;
  RichScene scene;
  scene.build(t);
  t.ed.doc.DocumentFileName = "keep.txt";
  t.ed.setTitle("title");
  readSceneText(t.ed, kLoadReplace, twoObjectScene());
  ASSERT_EQ(t.ed.doc.Objects.size(), 2u);
  EXPECT_EQ(t.ed.doc.Objects[0].shapes.size(), 1u);
  EXPECT_EQ(t.ed.doc.Objects[1].shapes.size(), 2u);
  EXPECT_EQ(t.ed.doc.DocumentState, kDocumentHasContent);
  // Reading the text alone neither renames the document nor changes the title.
  EXPECT_EQ(t.ed.doc.DocumentFileName, "keep.txt");
  EXPECT_EQ(t.ed.windowTitle, "title");
}

}  // namespace
}  // namespace pw
