#include "core/create.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/fakes.h"
#include "support/files.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

class CreateTest : public ::testing::Test {
 protected:
  test::TestEditor t;
  Editor& ed = t.ed;
  Document& doc = t.ed.doc;
  Selection& sel = t.ed.sel;

  Shape& shape(int64_t j) { return doc.Objects[static_cast<size_t>(sel.object)].shapes[j]; }
  int add(int tool, int64_t x, int64_t y) {
    ed.tools.tool = static_cast<uint8_t>(tool);
    return addShape(ed, x, y);
  }
};

TEST_F(CreateTest, NewDocumentIsFreshAndForgetsTheFileName) {
  add(kToolBox, 1, 1);
  doc.DocumentFileName = "/tmp/old.txt";
  ed.setTitle("Penwick Animation 0.15 - old.txt");
  sel.shape = 3;
  sel.fx = 2;
  sel.point = 4;
  addObject(ed, 1);

  newDocument(ed, kFreshDocument, false, true);
  ASSERT_EQ(doc.Objects.size(), 1u);
  const Object& o = doc.Objects[0];
  EXPECT_EQ(o.name, "Object0");
  EXPECT_EQ(o.alpha, 255);
  EXPECT_EQ(o.w, 100);
  EXPECT_EQ(o.h, 100);
  EXPECT_EQ(o.hasShape, 0);
  ASSERT_EQ(o.shapes.size(), 1u);
  EXPECT_TRUE(o.shapes[0].name.empty());
  EXPECT_EQ(o.shapes[0].points.size(), 6u);
  EXPECT_EQ(o.shapes[0].fx.size(), 1u);
  EXPECT_EQ(doc.DocumentState, kDocumentFresh);
  EXPECT_EQ(sel.object, 0);
  EXPECT_EQ(sel.shape, 0);
  EXPECT_EQ(sel.fx, 0);
  EXPECT_EQ(sel.point, 0);
  EXPECT_TRUE(doc.DocumentFileName.empty());
  EXPECT_EQ(ed.windowTitle, "Penwick Animation 0.15");
}

TEST_F(CreateTest, NewDocumentReleasesImagesOfTheOldOne) {
  t.res.addImageFile("/pics/a.png", 4, 3);
  t.prompt.answerFile("/pics/a.png");
  ASSERT_EQ(add(kToolImage, 0, 0), 1);
  const int64_t id = shape(0).imageId;
  ASSERT_TRUE(t.res.isImage(id));
  newDocument(ed, kFreshDocument, true, true);
  EXPECT_FALSE(t.res.isImage(id));
}

TEST_F(CreateTest, FirstShapeTakesOverThePlaceholderThenShapesAppend) {
  ASSERT_EQ(add(kToolBox, 120, 80), 1);
  ASSERT_EQ(doc.Objects[0].shapes.size(), 1u);
  EXPECT_EQ(doc.Objects[0].hasShape, 1);
  EXPECT_EQ(doc.DocumentState, kDocumentHasContent);
  const Shape& b = shape(0);
  EXPECT_EQ(b.name, "Box_0");
  EXPECT_EQ(b.type, kBox);
  EXPECT_EQ(b.style, 0);
  EXPECT_EQ(b.x, 120);
  EXPECT_EQ(b.y, 80);
  EXPECT_EQ(b.w, 5);
  EXPECT_EQ(b.h, 5);
  EXPECT_EQ(b.startX, 120);
  EXPECT_EQ(b.startY, 80);
  ASSERT_EQ(b.points.size(), 1u);
  EXPECT_EQ(b.points[0].x, 0);
  EXPECT_EQ(b.points[0].y, 0);
  EXPECT_EQ(b.color, -8856356);
  EXPECT_EQ(b.alpha, 255);
  EXPECT_EQ(b.lineW, 10);
  EXPECT_EQ(b.lineH, 5);
  EXPECT_EQ(b.lineDist, 5);
  EXPECT_EQ(b.depth, 0);
  // Its effect has the defaults and is not drawn until ticked.
  ASSERT_EQ(b.fx.size(), 1u);
  EXPECT_EQ(b.fx[0].name, "FX_0");
  EXPECT_EQ(b.fx[0].color, -16746241);
  EXPECT_EQ(b.fx[0].alpha, 255);
  EXPECT_EQ(b.fx[0].width, 10);
  EXPECT_EQ(b.fx[0].height, 5);
  EXPECT_EQ(b.fx[0].dist, 5);
  EXPECT_EQ(b.fx[0].scale, 100);
  EXPECT_EQ(b.fx[0].active, 0);

  ASSERT_EQ(add(kToolCircle, -3, 7), 1);
  ASSERT_EQ(doc.Objects[0].shapes.size(), 2u);
  EXPECT_EQ(sel.shape, 1);
  EXPECT_EQ(shape(1).name, "Circle_1");
  EXPECT_EQ(shape(1).type, kCircle);
  EXPECT_EQ(shape(1).x, -3);
  EXPECT_EQ(shape(1).depth, 1);
}

TEST_F(CreateTest, LinesAndCurvesKeepScenePointsAndAreStroked) {
  ASSERT_EQ(add(kToolCurve, 100, 50), 1);
  const Shape& c = shape(0);
  EXPECT_EQ(c.name, "Curve_0");
  EXPECT_EQ(c.style, 1);
  EXPECT_EQ(c.x, 0);
  EXPECT_EQ(c.y, 0);
  ASSERT_EQ(c.points.size(), 4u);
  const int64_t want[4][2] = {{100, 50}, {95, 45}, {100, 50}, {105, 55}};
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(c.points[p].x, want[p][0]) << p;
    EXPECT_EQ(c.points[p].y, want[p][1]) << p;
  }

  ASSERT_EQ(add(kToolLine, 7, 9), 1);
  const Shape& l = shape(1);
  EXPECT_EQ(l.name, "Line_1");
  EXPECT_EQ(l.type, kLine);
  EXPECT_EQ(l.style, 1);
  ASSERT_EQ(l.points.size(), 2u);
  EXPECT_EQ(l.points[0].x, 7);
  EXPECT_EQ(l.points[1].x, 7);
  EXPECT_EQ(l.points[1].y, 9);
}

TEST_F(CreateTest, TextShapeUsesTheDefaultBoldSerif) {
  add(kToolBox, 0, 0);
  ASSERT_EQ(add(kToolText, 200, 150), 1);
  const Shape& s = shape(1);
  EXPECT_EQ(s.name, "Text_1");
  EXPECT_EQ(s.text, "Text_1");
  EXPECT_EQ(s.w, 10);
  EXPECT_EQ(s.fontName, "Times New roman");
  EXPECT_EQ(s.fontStyle, 256);
  EXPECT_EQ(s.x, 200);
  EXPECT_EQ(s.y, 150);
  EXPECT_NE(s.fontId, 0);
  ASSERT_EQ(t.res.fontsLoaded.size(), 1u);
  EXPECT_EQ(t.res.fontsLoaded[0].name, "Times New roman");
  EXPECT_EQ(t.res.fontsLoaded[0].size, 20);
  EXPECT_EQ(t.res.fontsLoaded[0].style, 256);
}

TEST_F(CreateTest, ImageShapeFromTheDialog) {
  t.res.addImageFile("/pics/photo.png", 640, 480);
  add(kToolBox, 0, 0);
  add(kToolBox, 0, 0);
  t.prompt.answerFile("/pics/photo.png");
  ASSERT_EQ(add(kToolImage, 10, 20), 1);
  ASSERT_EQ(t.prompt.dialogs.size(), 1u);
  EXPECT_EQ(t.prompt.dialogs[0].title, "Image");
  EXPECT_EQ(t.prompt.dialogs[0].filter, "Png(.png)|*.png|Jpg|*.jpg");
  const Shape& s = shape(2);
  EXPECT_EQ(s.name, "photo2");
  EXPECT_EQ(s.type, kImage);
  EXPECT_EQ(s.w, 640);
  EXPECT_EQ(s.h, 480);
  EXPECT_EQ(s.imageW, 640);
  EXPECT_EQ(s.imageH, 480);
  EXPECT_EQ(s.imageFile, "/pics/photo.png");
  EXPECT_EQ(s.x, 10);
  EXPECT_EQ(s.y, 20);
  EXPECT_TRUE(t.res.isImage(s.imageId));
}

TEST_F(CreateTest, ImageToolCreatesNothingOnCancelOrBadFile) {
  EXPECT_EQ(add(kToolImage, 0, 0), 0);  // cancelled: no answer queued
  t.prompt.answerFile("/pics/broken.png");
  EXPECT_EQ(add(kToolImage, 0, 0), 0);
  ASSERT_EQ(t.prompt.messages.size(), 1u);
  EXPECT_EQ(t.prompt.messages[0].title, "Error");
  EXPECT_EQ(t.prompt.messages[0].text, "Unable to load the image /pics/broken.png");
  EXPECT_EQ(doc.Objects[0].hasShape, 0);
  EXPECT_EQ(doc.DocumentState, kDocumentFresh);
  EXPECT_TRUE(shape(0).name.empty());
}

TEST_F(CreateTest, RoundBoxAndEditingToolsCreateNothing) {
  EXPECT_EQ(add(kToolRoundBox, 5, 5), 0);
  EXPECT_EQ(add(kToolMove, 5, 5), 0);
  EXPECT_EQ(doc.Objects[0].shapes.size(), 1u);
  EXPECT_EQ(doc.Objects[0].hasShape, 0);
  EXPECT_EQ(doc.DocumentState, kDocumentFresh);
}

TEST_F(CreateTest, NamesUseTheSlotIndexSoTheyMayRepeatAfterADeletion) {
  add(kToolBox, 0, 0);
  add(kToolBox, 0, 0);
  doc.Objects[0].shapes.erase(doc.Objects[0].shapes.begin());  // delete Box_0
  add(kToolBox, 0, 0);
  EXPECT_EQ(shape(0).name, "Box_1");
  EXPECT_EQ(shape(1).name, "Box_1");
}

TEST_F(CreateTest, CoordinatesNarrowToSixteenBits) {
  add(kToolBox, 70000, -70000);
  EXPECT_EQ(shape(0).x, static_cast<int16_t>(70000 - 65536));
  EXPECT_EQ(shape(0).y, static_cast<int16_t>(-70000 + 65536 * 2));
}

TEST_F(CreateTest, AddObjectReinitialisesOrAppends) {
  Object& o = doc.Objects[0];
  o.name = "Mine";
  o.alpha = 3;
  o.w = 7;
  o.depth = 9;
  addObject(ed, 0);
  ASSERT_EQ(doc.Objects.size(), 1u);
  EXPECT_EQ(doc.Objects[0].name, "Object0");
  EXPECT_EQ(doc.Objects[0].alpha, 255);
  EXPECT_EQ(doc.Objects[0].w, 100);
  EXPECT_EQ(doc.Objects[0].depth, 0);

  addObject(ed, 1);
  ASSERT_EQ(doc.Objects.size(), 2u);
  EXPECT_EQ(sel.object, 1);
  EXPECT_EQ(doc.Objects[1].name, "Object1");
  EXPECT_EQ(doc.Objects[1].depth, 1);
  EXPECT_EQ(doc.Objects[1].h, 100);
  EXPECT_EQ(doc.Objects[1].shapes.size(), 1u);
  EXPECT_EQ(doc.Objects[1].hasShape, 0);
}

TEST_F(CreateTest, AddObjectSortsByDepth) {
  addObject(ed, 1);
  addObject(ed, 1);
  doc.Objects[0].depth = 5;  // object 0 now belongs on top
  doc.Objects[0].name = "top";
  addObject(ed, 1);
  ASSERT_EQ(doc.Objects.size(), 4u);
  EXPECT_EQ(doc.Objects.back().name, "top");
  for (size_t i = 1; i < doc.Objects.size(); ++i)
    EXPECT_LE(doc.Objects[i - 1].depth, doc.Objects[i].depth);
}

TEST_F(CreateTest, AddFxFillsOnlyAnExistingEffect) {
  add(kToolBox, 0, 0);
  Shape& s = shape(0);
  s.fx.resize(3);
  s.fx[2].active = 1;
  s.fx[2].x = 4;
  addFx(ed, 2);
  EXPECT_EQ(s.fx[2].name, "FX_2");
  EXPECT_EQ(s.fx[2].scale, 100);
  EXPECT_EQ(s.fx[2].active, 1);  // other fields keep their values
  EXPECT_EQ(s.fx[2].x, 4);
  addFx(ed, 3);  // beyond the array: nothing
  addFx(ed, -1);
  EXPECT_EQ(s.fx.size(), 3u);
  sel.shape = 7;
  addFx(ed, 0);  // no current shape: nothing
}

TEST_F(CreateTest, ChangeShapeImageSwapsTheImage) {
  t.res.addImageFile("/a/one.png", 10, 10);
  t.res.addImageFile("/b/two.final.jpg", 30, 20);
  t.prompt.answerFile("/a/one.png");
  add(kToolImage, 0, 0);
  const int64_t old = shape(0).imageId;

  t.prompt.answerFile("/b/missing.png");
  changeShapeImage(ed);
  EXPECT_EQ(shape(0).imageId, old);
  EXPECT_EQ(shape(0).name, "one0");
  ASSERT_FALSE(t.prompt.messages.empty());
  EXPECT_EQ(t.prompt.messages.back().text, "Unable to load the image /b/missing.png");

  changeShapeImage(ed);  // cancelled
  EXPECT_EQ(shape(0).imageId, old);

  t.prompt.answerFile("/b/two.final.jpg");
  changeShapeImage(ed);
  EXPECT_EQ(t.prompt.dialogs.back().title, "Change Image");
  EXPECT_EQ(t.prompt.dialogs.back().filter, "Png(.png)|*.png|Jpg|*.jpg|Bmp|*.bmp");
  EXPECT_TRUE(t.res.freed.count(old));
  EXPECT_NE(shape(0).imageId, old);
  EXPECT_EQ(shape(0).name, "two.final");
  EXPECT_EQ(shape(0).w, 30);
  EXPECT_EQ(shape(0).imageH, 20);
  EXPECT_EQ(shape(0).imageFile, "/b/two.final.jpg");
}

TEST(ImageShapeName, DropsFolderAndEveryCopyOfTheExtension) {
  EXPECT_EQ(imageShapeName("C:\\pics\\photo.png"), "photo");
  EXPECT_EQ(imageShapeName("/x/a.png.png"), "a");
  EXPECT_EQ(imageShapeName("/x/a.png.b.png"), "a.b");
  EXPECT_EQ(imageShapeName("noext"), "noext");
  EXPECT_EQ(imageShapeName("/x.y/noext"), "noext");
}

using test::TempDir;

TEST(LoadImageFile, ReportsMissingEmptyAndUnreadableFiles) {
  TempDir dir;
  test::TestEditor t;
  const std::string good = dir.write("good.png", "bytes");
  t.res.addImageFile(good, 2, 2);
  EXPECT_NE(loadImageFile(t.ed, -1, good), 0);
  EXPECT_TRUE(t.prompt.messages.empty());

  const std::string empty = dir.write("empty.png", "");
  const std::string junk = dir.write("junk.png", "not an image");
  const std::string missing = dir.path() + "/missing.png";
  EXPECT_EQ(loadImageFile(t.ed, -1, missing), 0);
  EXPECT_EQ(loadImageFile(t.ed, -1, empty), 0);
  EXPECT_EQ(loadImageFile(t.ed, -1, dir.path()), 0);
  EXPECT_EQ(loadImageFile(t.ed, -1, junk), 0);
  ASSERT_EQ(t.prompt.messages.size(), 4u);
  for (const auto& m : t.prompt.messages) EXPECT_EQ(m.title, "Error");
  EXPECT_EQ(t.prompt.messages[0].text, "The Image file doesn't exists :  " + missing);
  EXPECT_EQ(t.prompt.messages[1].text, "The Image file doesn't exists :  " + empty);
  EXPECT_EQ(t.prompt.messages[2].text, "The Image file doesn't exists :  " + dir.path());
  EXPECT_EQ(t.prompt.messages[3].text, "Unable to load the image file " + junk);
}

// A template of two complex shapes.
const char* kTemplate =
    "gen, ,0.15,\r\n"
    "obj,Tpl,0,0,100,100,0,0,0,255,0,\r\n"
    "shape,0,-8856356,Blob,255,0,10,5,5,0,5,5,,0,0,\r\n"
    "shapefx,0,1,2,-1,255,0,0,3,5,5,50,0,0,1\r\n"
    "pt,0,0,0,\r\npt,1,10,0,\r\npt,2,20,10,\r\npt,3,20,20,\r\npt,4,10,30,\r\npt,5,0,20,\r\n";

class TemplateTest : public CreateTest {
 protected:
  TempDir dir;
  void SetUp() override {
    ed.root = dir.path();
    addObject(ed, 0);  // as at start-up
    dir.write("data/shapes/1-defaut.txt", kTemplate);
  }
};

TEST_F(TemplateTest, ComplexShapeInAFreshObjectLeavesNoEmptyShape) {
  doc.DocumentFileName = "/work/scene.txt";
  ed.setTitle("Penwick Animation 0.15 - scene.txt");
  ASSERT_EQ(add(kToolComplex, 50, 50), 1);
  const Object& o = doc.Objects[0];
  ASSERT_EQ(o.shapes.size(), 1u);
  EXPECT_EQ(o.shapes[0].name, "Blob");
  EXPECT_EQ(o.shapes[0].points.size(), 6u);
  EXPECT_EQ(o.shapes[0].points[2].x, 20);
  EXPECT_EQ(o.hasShape, 1);
  EXPECT_EQ(doc.DocumentState, kDocumentHasContent);
  EXPECT_EQ(sel.shape, 0);
  // The inserted shape gets the default effect.
  EXPECT_EQ(o.shapes[0].fx[0].name, "FX_0");
  EXPECT_EQ(o.shapes[0].fx[0].color, kFxColor);
  EXPECT_EQ(o.shapes[0].fx[0].scale, 100);
  // The document still knows where it is saved.
  EXPECT_EQ(doc.DocumentFileName, "/work/scene.txt");
  EXPECT_EQ(ed.windowTitle, "Penwick Animation 0.15 - scene.txt");
  EXPECT_EQ(o.name, "Object0");
}

TEST_F(TemplateTest, SecondComplexShapeAppendsAndLeavesEarlierShapesAlone) {
  ASSERT_EQ(add(kToolBox, 1, 1), 1);
  Shape& box = doc.Objects[0].shapes[0];
  box.fx[0].color = packRGBA(1, 2, 3, 4);
  box.fx[0].scale = 42;
  box.name.clear();  // a user may clear a name; the shape must survive
  ASSERT_EQ(add(kToolComplex, 0, 0), 1);
  const Object& o = doc.Objects[0];
  ASSERT_EQ(o.shapes.size(), 2u);
  EXPECT_EQ(o.shapes[0].type, kBox);
  EXPECT_EQ(o.shapes[0].fx[0].color, packRGBA(1, 2, 3, 4));
  EXPECT_EQ(o.shapes[0].fx[0].scale, 42);
  EXPECT_EQ(o.shapes[1].name, "Blob");
  EXPECT_EQ(sel.shape, 1);
  for (size_t j = 1; j < o.shapes.size(); ++j) EXPECT_FALSE(o.shapes[j].name.empty());
}

TEST_F(TemplateTest, MissingTemplateCreatesNothing) {
  dir.write("data/shapes/1-defaut.txt", "");
  fs::remove(dir.path() + "/data/shapes/1-defaut.txt");
  EXPECT_EQ(add(kToolComplex, 0, 0), 0);
  const Object& o = doc.Objects[0];
  ASSERT_EQ(o.shapes.size(), 1u);
  EXPECT_EQ(o.hasShape, 0);
  EXPECT_EQ(doc.DocumentState, kDocumentFresh);

  add(kToolBox, 0, 0);
  EXPECT_EQ(add(kToolComplex, 0, 0), 0);
  EXPECT_EQ(doc.Objects[0].shapes.size(), 1u);
  EXPECT_EQ(doc.Objects[0].hasShape, 1);
}

}  // namespace
}  // namespace pw
