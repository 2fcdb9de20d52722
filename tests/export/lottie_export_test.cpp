// The Lottie export's file: the composition's size, rate and frames read back, the layers in
// order with their keyframes, hostile scenes, the file name and failures. How it looks is
// checked against an independent player in lottie_player_test.cpp.
#include "export/lottie_export.h"
#include "export/lottie_sink.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QImage>
#include <QJsonObject>
#include <chrono>
#include <set>
#include <filesystem>
#include <string>

#include "core/keyframes.h"
#include "core/scripted_prompt.h"
#include "render/image_store.h"
#include "support/files.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

Shape box(int64_t color, uint8_t style = kStyleFilled) {
  Shape s;
  s.type = kBox;
  s.w = 40;
  s.h = 30;
  s.style = style;
  s.color = color;
  s.alpha = 255;
  s.lineW = 4;
  s.lineH = 9;
  s.lineDist = 10;
  s.fx.clear();
  return s;
}

class LottieExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setDefaultOptions(opt_);
    opt_.CameraX = -20;
    opt_.CameraY = -10;
    opt_.CameraW = 200;
    opt_.CameraH = 150;
    doc_.DocumentState = kDocumentHasContent;
    doc_.Fps = 24;
    doc_.MaxFrame = 30;
    Object& o = doc_.Objects[0];
    o.name = "below";
    o.w = o.h = 100;
    o.alpha = 255;
    o.shapes = {box(packRGBA(200, 0, 0, 255))};
  }

  QJsonObject exported(int64_t from, int64_t to) {
    std::string json, why;
    EXPECT_TRUE(renderLottie(doc_, opt_, store_, from, to, json, &why)) << why;
    EXPECT_EQ(json.find('\n'), std::string::npos) << "compact";
    QJsonParseError error;
    const QJsonDocument d = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return d.object();
  }

  Document doc_;
  sVdOptions opt_;
  ImageStore store_;
};

TEST_F(LottieExportTest, CompositionLayersAndKeys) {
  Object above = doc_.Objects[0];
  above.name = "above";
  above.shapes = {box(packRGBA(0, 0, 200, 255), kStyleDash)};
  above.keys = {ObjectKey{.frame = 2, .kind = kKeyHold, .w = 100, .h = 100, .alpha = 255},
                ObjectKey{.frame = 6, .kind = kKeyEase, .x = 50, .w = 100, .h = 100, .alpha = 255},
                ObjectKey{.frame = 9, .kind = kKeyLinear, .x = 80, .w = 200, .h = 100,
                          .alpha = 51},
                ObjectKey{.frame = 12, .x = 10, .w = 100, .h = 100, .alpha = 255}};
  Object hidden = doc_.Objects[0];
  hidden.hidden = 1;
  doc_.Objects.push_back(above);
  doc_.Objects.push_back(hidden);

  const QJsonObject root = exported(4, 20);
  EXPECT_EQ(root["w"].toInt(), 200);
  EXPECT_EQ(root["h"].toInt(), 150);
  EXPECT_EQ(root["fr"].toInt(), 24);
  EXPECT_EQ(root["ip"].toInt(), 4);
  EXPECT_EQ(root["op"].toInt() - root["ip"].toInt(), 17) << "frames 4 to 20";
  const QJsonArray layers = root["layers"].toArray();
  ASSERT_EQ(layers.size(), 2) << "the hidden object is left out";
  EXPECT_EQ(layers[0]["nm"].toString(), "above") << "the topmost layer first";
  EXPECT_EQ(layers[1]["nm"].toString(), "below");
  EXPECT_EQ(layers[0]["ind"].toInt(), 1);
  EXPECT_EQ(layers[1]["ind"].toInt(), 2);

  const QJsonObject ks = layers[0]["ks"].toObject();
  const QJsonArray scale = ks["s"]["k"].toArray();
  ASSERT_EQ(scale.size(), 4) << "a keyframe per key";
  EXPECT_EQ(scale[0]["h"].toInt(), 1) << "hold";
  EXPECT_DOUBLE_EQ(scale[1]["o"]["x"][0].toDouble(), 0.333) << "ease";
  EXPECT_DOUBLE_EQ(scale[1]["i"]["y"][0].toDouble(), 1);
  EXPECT_DOUBLE_EQ(scale[2]["o"]["x"][0].toDouble(), 0) << "linear";
  EXPECT_EQ(scale[2]["t"].toInt(), 9);
  EXPECT_EQ(scale[2]["s"].toArray(), (QJsonArray{200, 100}));
  EXPECT_DOUBLE_EQ(ks["o"]["k"][2]["s"][0].toDouble(), 20) << "alpha 51 is 20 %";
  EXPECT_EQ(ks["p"]["k"].toArray(), (QJsonArray{20, 10})) << "the camera's corner";
  EXPECT_EQ(layers[1]["ks"]["s"]["a"].toInt(), 0) << "no keys: constant";

  // The offset group holds the box: a closed path of four corners, dashed.
  const QJsonObject offset = layers[0]["shapes"][0]["it"][0].toObject();
  EXPECT_EQ(offset["nm"].toString(), "offset");
  const QJsonArray paint = offset["it"][0]["it"].toArray();
  ASSERT_GE(paint.size(), 3);
  EXPECT_EQ(paint[0]["ks"]["k"]["c"].toBool(), true);
  EXPECT_EQ(paint[0]["ks"]["k"]["v"].toArray().size(), 4);
  EXPECT_EQ(paint[paint.size() - 2]["ty"].toString(), "st");
  EXPECT_EQ(paint[paint.size() - 2]["d"].toArray().size(), 3) << "dash, gap, offset";
  EXPECT_EQ(layers[1]["shapes"][0]["it"][0]["it"][0]["it"][1]["r"].toInt(), 2) << "even-odd";
}

TEST_F(LottieExportTest, PicturesAreImageLayersUnderTheObjectsNullLayers) {
  Shape pic = box(0);
  pic.type = kImage;
  QImage image(8, 4, QImage::Format_ARGB32);
  image.fill(0xff2040d0u);
  pic.imageId = store_.addImage(image);
  pic.alpha = 102;
  Object& o = doc_.Objects[0];
  o.shapes.push_back(pic);
  o.shapes.push_back(box(packRGBA(0, 200, 0, 255)));
  o.alpha = 51;
  const QJsonObject root = exported(0, 5);
  const QJsonArray assets = root["assets"].toArray();
  ASSERT_EQ(assets.size(), 1);
  EXPECT_TRUE(assets[0]["p"].toString().startsWith("data:image/png;base64,"));
  EXPECT_EQ(assets[0]["w"].toInt(), 8);
  const QJsonArray layers = root["layers"].toArray();
  ASSERT_EQ(layers.size(), 6) << "box, picture, box, and three null layers";
  const int kinds[] = {4, 2, 4, 3, 3, 3};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(layers[k]["ty"].toInt(), kinds[k]) << k;
  EXPECT_EQ(layers[1]["refId"].toString(), assets[0]["id"].toString());
  EXPECT_EQ(layers[1]["parent"].toInt(), layers[5]["ind"].toInt()) << "the offset null";
  EXPECT_EQ(layers[5]["parent"].toInt(), layers[4]["ind"].toInt());
  EXPECT_EQ(layers[4]["parent"].toInt(), layers[3]["ind"].toInt());
  EXPECT_DOUBLE_EQ(layers[1]["ks"]["o"]["k"].toDouble(), 40)
      << "the picture's alpha; the object's leaves pictures alone";
  EXPECT_DOUBLE_EQ(layers[0]["ks"]["o"]["k"].toDouble(), 20) << "but not its shapes";
}

TEST_F(LottieExportTest, TiledPicturesAreTilesUnderAMatte) {
  Shape tiled = box(0);
  tiled.type = kImage;
  tiled.w = 50;
  tiled.h = 20;
  tiled.imageRepeat = 2;
  tiled.imageW = 10;
  tiled.imageH = 10;
  QImage image(5, 5, QImage::Format_ARGB32);
  image.fill(0xff2040d0u);
  tiled.imageId = store_.addImage(image);
  doc_.Objects[0].shapes = {tiled};
  const QJsonObject root = exported(0, 5);
  const QJsonArray layers = root["layers"].toArray();
  ASSERT_GE(layers.size(), 2);
  EXPECT_EQ(layers[0]["td"].toInt(), 1) << "the matte above";
  EXPECT_EQ(layers[1]["ty"].toInt(), 0) << "the tiles as a composition below";
  EXPECT_EQ(layers[1]["tt"].toInt(), 1) << "cut out by the matte's alpha";
  const QJsonArray assets = root["assets"].toArray();
  ASSERT_EQ(assets.size(), 2);
  EXPECT_EQ(assets[0]["w"].toInt(), 6) << "a tile's picture carries the next column and row";
  const QJsonArray tiles = assets[1]["layers"].toArray();
  EXPECT_EQ(assets[1]["id"].toString(), layers[1]["refId"].toString());
  EXPECT_GE(tiles.size(), 10) << "5 x 2 tiles under the box at least";
  EXPECT_LE(tiles.size(), 64);
  EXPECT_EQ(tiles[0]["ks"]["s"]["k"].toArray(), (QJsonArray{200, 200})) << "5 pixels to 10 units";

  // Too many tiles to write: left out, and counted.
  doc_.Objects[0].shapes[0].imageW = 1;
  doc_.Objects[0].shapes[0].w = 2000;
  doc_.Objects[0].shapes[0].h = 2000;
  std::string json, why;
  LottieStats stats;
  ASSERT_TRUE(renderLottie(doc_, opt_, store_, 0, 5, json, &why, &stats)) << why;
  EXPECT_EQ(stats.skipped, 1);
  // The window exports and then says so.
  test::TempDir dir("penwick-lottie");
  ScriptedPrompt prompt;
  Editor ed(prompt, store_);
  ed.doc = doc_;
  ed.options = opt_;
  prompt.answerFile(dir.at("tiles"));
  EXPECT_TRUE(exportLottieCommand(ed, store_));
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_EQ(prompt.messages[0].text, "The animation was exported, but 1 picture could not be "
                                     "written and is missing from the animation.");
  EXPECT_TRUE(fs::exists(dir.at("tiles.json")));
}

TEST(LottiePlacement, ALayerOrANullAndALayerRedrawTheTransform) {
  const QTransform cases[] = {QTransform::fromScale(2, 3) * QTransform().rotate(30),
                              QTransform().rotate(30) * QTransform::fromScale(2, 3),
                              QTransform(1, 0, 0.5, 1, 7, -4), QTransform(-1, 0, 0, 1, 0, 0),
                              QTransform(0.2, 1.5, -0.7, 0.4, 3, 9)};
  const auto layer = [](const LottiePose& p) {
    return QTransform::fromScale(p.sx, p.sy) * QTransform().rotate(p.degrees) *
           QTransform::fromTranslate(p.x, p.y);
  };
  for (const QTransform& m : cases) {
    LottiePose inner, outer;
    bool sheared = false;
    ASSERT_TRUE(lottiePlacement(m, inner, outer, sheared));
    const QTransform back = sheared ? layer(inner) * layer(outer) : layer(inner);
    for (const QPointF p : {QPointF(0, 0), QPointF(10, 0), QPointF(0, 10), QPointF(-3, 7)}) {
      EXPECT_NEAR(back.map(p).x(), m.map(p).x(), 1e-6);
      EXPECT_NEAR(back.map(p).y(), m.map(p).y(), 1e-6);
    }
  }
  LottiePose inner, outer;
  bool sheared = false;
  EXPECT_FALSE(lottiePlacement(QTransform(1, 1, 1, 1, 0, 0), inner, outer, sheared)) << "flat";
}

TEST_F(LottieExportTest, HostileScenesExportInBoundedTime) {
  const auto start = std::chrono::steady_clock::now();
  Object& o = doc_.Objects[0];
  Shape far = box(packRGBA(0, 200, 0, 255), kStyleDash);
  far.type = kLine;
  far.points = {{.x = -(int64_t{1} << 60), .y = 5}, {.x = int64_t{1} << 60, .y = 60}};
  far.lineH = 1;
  Shape text = box(packRGBA(0, 0, 200, 255));
  text.type = kText;
  text.text = std::string(1 << 20, 'W');
  text.fontId = store_.loadFont("DejaVu Sans", 30, 0);
  o.shapes = {far, text};
  o.w = 32767;
  for (int f = 0; f <= kMaxKeyFrame; ++f)
    o.keys.push_back(ObjectKey{.frame = static_cast<int16_t>(f), .kind = static_cast<uint8_t>(f % 3),
                               .x = (f % 2) ? (int64_t{1} << 62) : -(int64_t{1} << 62),
                               .w = 100, .h = 100, .alpha = 255});
  std::string json, why;
  ASSERT_TRUE(renderLottie(doc_, opt_, store_, 0, kMaxKeyFrame, json, &why)) << why;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 30);
  EXPECT_LT(json.size(), 64u << 20);
  EXPECT_FALSE(QJsonDocument::fromJson(QByteArray::fromStdString(json)).isNull());
}

TEST(LottieFileName, AddsTheExtensionWhenMissing) {
  const std::pair<const char*, const char*> cases[] = {
      {"a", "a.json"}, {"a.json", "a.json"}, {"a.JSON", "a.JSON.json"},
      {"d.json/a", "d.json/a.json"}, {".json", ".json.json"}, {"a.txt", "a.txt.json"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(lottieFileName(in), out) << in;
}

TEST_F(LottieExportTest, FailuresWriteNothing) {
  test::TempDir dir("penwick-lottie");
  std::string json, why;
  opt_.CameraW = 0;
  EXPECT_FALSE(renderLottie(doc_, opt_, store_, 0, 5, json, &why));
  EXPECT_FALSE(why.empty());
  opt_.CameraW = 200;
  EXPECT_FALSE(renderLottie(doc_, opt_, store_, 6, 5, json, &why)) << "frames out of order";

  test::writeFile(dir.at("blocker"), "a file");
  const std::string target = dir.at("blocker/out.json");
  EXPECT_FALSE(exportLottie(doc_, opt_, store_, 0, 5, target, &why));
  EXPECT_NE(why.find(target), std::string::npos) << why;
  // Cancelled, failed and done from the menu.
  ScriptedPrompt prompt;
  Editor ed(prompt, store_);
  ed.doc = doc_;
  ed.options = opt_;
  prompt.answerFile("");
  prompt.answerFile(target);
  prompt.answerFile(dir.at("menu"));
  EXPECT_FALSE(exportLottieCommand(ed, store_));
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_FALSE(exportLottieCommand(ed, store_));
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_EQ(prompt.messages[0].title, "Export animation (Lottie)");
  EXPECT_TRUE(exportLottieCommand(ed, store_));
  EXPECT_EQ(prompt.dialogs[0].title, "Export animation (Lottie)");
  EXPECT_EQ(dir.names(), (std::set<std::string>{"blocker", "menu.json"})) << "no temporary files";
  const QJsonObject root =
      QJsonDocument::fromJson(QByteArray::fromStdString(test::readFile(dir.at("menu.json")))).object();
  EXPECT_EQ(root["op"].toInt(), 31) << "the menu exports frames 0 to the last";
}

}  // namespace
}  // namespace pw
