// Damaged and hostile scene texts: bad indices, missing fields, odd line ends, junk. The reader
// must skip what it cannot use, keep the document well formed and bound what it allocates.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/create.h"
#include "core/scene_file.h"
#include "support/fakes.h"
#include "support/scene_text.h"

namespace pw {
namespace {

using test::kHead;

using test::TestEditor;

std::string shapeLine(int64_t index, int type = 1) {
  return "shape," + std::to_string(index) + ",-1,s" + std::to_string(index) + ",255,0,10,5,5," +
         std::to_string(type) + ",5,5,,0,0,\r\n";
}

// The shape invariants every other part of the editor relies on.
void expectWellFormed(const Document& d) {
  ASSERT_FALSE(d.Objects.empty());
  for (const Object& o : d.Objects) {
    ASSERT_FALSE(o.shapes.empty());
    ASSERT_LE(o.shapes.size(), static_cast<size_t>(kMaxRecordIndex + 1));
    for (const Shape& s : o.shapes) {
      ASSERT_FALSE(s.points.empty());
      ASSERT_FALSE(s.fx.empty());
      ASSERT_LE(s.points.size(), static_cast<size_t>(kMaxRecordIndex + 1));
      ASSERT_LE(s.fx.size(), static_cast<size_t>(kMaxRecordIndex + 1));
    }
  }
}

// Bytes the document's arrays hold reserved.
uint64_t modelBytes(const Document& d) {
  uint64_t n = d.Objects.capacity() * sizeof(Object);
  for (const Object& o : d.Objects) {
    n += o.shapes.capacity() * sizeof(Shape);
    for (const Shape& s : o.shapes)
      n += s.points.capacity() * sizeof(ShapePoint) + s.fx.capacity() * sizeof(ShapeFx) +
           s.gradient.capacity() * sizeof(int64_t);
  }
  return n;
}

TEST(SceneHostile, OutOfRangeIndicesAreSkippedWithTheirLines) {
  TestEditor t;
  readSceneText(t.ed, kLoadReplace,
                kHead + shapeLine(0) + "pt,0,7,7,\r\n" + shapeLine(-1) + "pt,0,99,99,\r\nshapefx,0,9,9\r\n" +
                    shapeLine(kMaxRecordIndex + 1) + "pt,0,98,98,\r\n" + shapeLine(INT64_MAX) +
                    shapeLine(1) + "pt,-1,5,5,\r\npt,1048576,5,5,\r\nshapefx,-3,1\r\n"
                    "shapefx,9223372036854775807,1\r\npt,0,3,4,\r\n");
  const auto& shapes = t.ed.doc.Objects.at(0).shapes;
  ASSERT_EQ(shapes.size(), 2u);
  EXPECT_EQ(shapes[0].points.size(), 1u);
  EXPECT_EQ(shapes[0].points[0].x, 7);  // the lines after rejected shapes did not land here
  EXPECT_EQ(shapes[0].fx.size(), 1u);
  EXPECT_EQ(shapes[0].fx[0].x, 0);
  EXPECT_EQ(shapes[1].points.size(), 1u);
  EXPECT_EQ(shapes[1].points[0].x, 3);
  EXPECT_EQ(shapes[1].fx.size(), 1u);
}

TEST(SceneHostile, MergeBaseCannotOverflow) {
  TestEditor t;
  newDocument(t.ed, kFreshDocument, true, false);
  readSceneText(t.ed, kLoadMerge,
                "gen, ,0.15,\r\n" + shapeLine(INT64_MAX) + shapeLine(kMaxRecordIndex) +
                    shapeLine(-1) + "pt,0,4,4,\r\n");
  // base is 1 here: index -1 lands on shape 0, the two large ones are out of range.
  const auto& shapes = t.ed.doc.Objects.at(0).shapes;
  ASSERT_EQ(shapes.size(), 2u);
  EXPECT_EQ(shapes[0].name, "s-1");
  EXPECT_EQ(shapes[0].points.at(0).x, 4);
}

TEST(SceneHostile, LargestIndexNeedsAFileLargeEnoughToJustifyIt) {
  TestEditor small;
  readSceneText(small.ed, kLoadReplace, kHead + shapeLine(0) + "pt,1048575,1,1,\r\n");
  EXPECT_EQ(small.ed.doc.Objects.at(0).shapes.at(0).points.size(), 1u);

  // A file of a few megabytes may name the largest point index.
  const uint64_t needed = (kMaxRecordIndex + 1) * sizeof(ShapePoint);
  const std::string padding = "comment," + std::string(needed / 16 + 4096, 'x') + "\r\n";
  TestEditor large;
  readSceneText(large.ed, kLoadReplace, kHead + padding + shapeLine(0) + "pt,1048575,1,2,\r\npt,1048576,1,2,\r\n");
  const auto& pts = large.ed.doc.Objects.at(0).shapes.at(0).points;
  ASSERT_EQ(pts.size(), static_cast<size_t>(kMaxRecordIndex) + 1);
  EXPECT_EQ(pts.back().y, 2);
}

TEST(SceneHostile, GrowthIsBoundedByTheFileSize) {
  // Every shape asks for a million points; together they may not take more than the budget.
  std::string text = kHead;
  for (int k = 0; k < 3000; ++k) text += shapeLine(k) + "pt,1000000,1,1,\r\nshapefx,1000000,1\r\n";
  text += "obj\r\n";
  for (int k = 0; k < 50; ++k) text += "shape,1048575\r\n";
  TestEditor t;
  readSceneText(t.ed, kLoadReplace, text);
  expectWellFormed(t.ed.doc);
  EXPECT_LE(modelBytes(t.ed.doc), sceneReadBudget(text.size()) + modelBytes(Document{}));
  // The well-formed part still loads.
  EXPECT_EQ(t.ed.doc.Objects.at(0).shapes.size(), 3000u);

  // So does a long run of merges' "gen" lines, each of which adds a shape.
  TestEditor g;
  std::string gens;
  for (int i = 0; i < 100000; ++i) gens += "gen\n";
  readSceneText(g.ed, kLoadMerge, gens);
  expectWellFormed(g.ed.doc);
  EXPECT_LT(g.ed.doc.Objects.at(0).shapes.size(), 100000u);
}

TEST(SceneHostile, PaddingWithSparseIndicesStaysWithinTheBudget) {
  // Megabytes of padding buy room; sparse high indices try to spend it many times over.
  for (const size_t padding : {size_t{0}, size_t{1} << 16, size_t{2} << 20}) {
    std::string text = kHead + "comment," + std::string(padding, 'x') + "\r\n";
    for (int k = 0; k < 300; ++k)
      text += "obj,o,0,0,100,100,0,0,0,255,0,\r\nshape,1048575,-1,s,255\r\npt,1048575,1,1\r\n"
              "shapefx,1048575,1\r\nshape,524288\r\npt,524288,1,1\r\n";
    TestEditor t;
    readSceneText(t.ed, kLoadReplace, text);
    expectWellFormed(t.ed.doc);
    EXPECT_LE(modelBytes(t.ed.doc), sceneReadBudget(text.size()) + modelBytes(Document{}))
        << padding;
  }
}

TEST(SceneHostile, MissingFieldsReadAsEmpty) {
  TestEditor t;
  readSceneText(t.ed, kLoadReplace, "obj\nshape\nshapefx\npt\nobj,\nshape,1\n");
  const auto& objs = t.ed.doc.Objects;
  ASSERT_EQ(objs.size(), 2u);
  EXPECT_EQ(objs[0].name, "Object0");
  EXPECT_EQ(objs[0].alpha, 255);  // no "gen" line: legacy rules
  EXPECT_EQ(objs[0].w, 100);
  const Shape& s = objs[0].shapes.at(0);
  EXPECT_EQ(s.name, "shape_0");
  EXPECT_EQ(s.type, 0);
  EXPECT_EQ(s.lineW, 1);
  EXPECT_EQ(s.alpha, 255);
  EXPECT_EQ(s.fx.at(0).name, "fx_0");
  EXPECT_EQ(objs[1].name, "Object1");
  ASSERT_EQ(objs[1].shapes.size(), 2u);
  EXPECT_EQ(objs[1].shapes[1].name, "shape_1");
  EXPECT_EQ(objs[1].hasShape, 1);
  // Text and image shapes with no kind field.
  TestEditor k;
  readSceneText(k.ed, kLoadReplace, kHead + "shape,0,1,t,1,1,1,1,1,7\nshape,1,1,i,1,1,1,1,1,6\n");
  EXPECT_EQ(k.ed.doc.Objects[0].shapes.at(0).fontName, "");
  EXPECT_EQ(k.res.fontsLoaded.size(), 1u);
  EXPECT_EQ(k.prompt.messages.size(), 1u);  // the empty image path is reported once
}

TEST(SceneHostile, LineEndsTrailingCommasAndByteOrderMark) {
  TestEditor src;
  newDocument(src.ed, kFreshDocument, true, false);
  src.ed.tools.tool = kToolCurve;
  addShape(src.ed, 3, 4);
  const std::string canonical = sceneText(src.ed.doc);

  std::string lfOnly, noCommas, withCommas;
  size_t p = 0;
  while (p < canonical.size()) {
    const size_t e = canonical.find("\r\n", p);
    std::string line = canonical.substr(p, e - p);
    p = e + 2;
    lfOnly += line + "\n";
    withCommas += line + (line.back() == ',' ? "" : ",") + "\r\n";
    if (line.back() == ',') line.pop_back();
    noCommas += line + "\r\n";
  }
  for (const std::string& variant :
       {lfOnly, noCommas, withCommas, "\xEF\xBB\xBF" + canonical, canonical + "\r\n\r\n\n",
        canonical.substr(0, canonical.size() - 2)}) {
    TestEditor t;
    readSceneText(t.ed, kLoadReplace, variant);
    EXPECT_EQ(sceneText(t.ed.doc), canonical);
  }
}

TEST(SceneHostile, JunkNeverBreaksTheDocument) {
  // Random bytes, then random mixes of real keys with hostile values; after the first reading the
  // scene is well formed and writing and reading it again is stable.
  std::mt19937_64 rng(20240611);
  const std::vector<std::string> keys = {"gen", "obj", "shape", "shapefx", "pt", "", "junk"};
  const std::vector<std::string> values = {"0", "1", "-1", "7", "$ff", "%101", "1048575", "1048576",
                                           "99999999999999999999999", "-9223372036854775808",
                                           "x;y;z;", "a%2Cb", "%", "", " ", "6", "7", "0.13"};
  for (int round = 0; round < 400; ++round) {
    std::string text;
    if (round % 4 == 0) {
      const size_t n = rng() % 600;
      for (size_t i = 0; i < n; ++i) text.push_back(static_cast<char>(rng() & 255));
    } else {
      const size_t lines = rng() % 60;
      for (size_t l = 0; l < lines; ++l) {
        text += keys[rng() % keys.size()];
        const size_t fields = rng() % 17;
        for (size_t f = 0; f < fields; ++f) text += "," + values[rng() % values.size()];
        text += rng() % 3 ? "\r\n" : (rng() % 2 ? "\n" : "\r");
      }
    }
    const auto mode = static_cast<LoadMode>(rng() % 3);
    TestEditor t;
    newDocument(t.ed, kFreshDocument, true, false);
    readSceneText(t.ed, mode, text);
    SCOPED_TRACE("round " + std::to_string(round));
    expectWellFormed(t.ed.doc);
    const std::string once = sceneText(t.ed.doc);
    TestEditor a;
    readSceneText(a.ed, kLoadReplace, once);
    const std::string twice = sceneText(a.ed.doc);
    TestEditor b;
    readSceneText(b.ed, kLoadReplace, twice);
    ASSERT_EQ(sceneText(b.ed.doc), twice);
  }
}

}  // namespace
}  // namespace pw
