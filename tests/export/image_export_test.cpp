#include "export/image_export.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "core/scripted_prompt.h"
#include "render/image_store.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

// The rectangle of pixels with alpha above 0, read pixel by pixel.
QRect naiveBounds(const QImage& img) {
  int minX = img.width(), minY = img.height(), maxX = -1, maxY = -1;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      if (qAlpha(img.pixel(x, y)) > 0) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
    }
  }
  if (maxX < 0) return {};
  return QRect(QPoint(minX, minY), QPoint(maxX, maxY));
}

TEST(ContentBounds, MatchesAPixelByPixelScan) {
  std::mt19937 rng(7);
  for (int w : {1, 2, 31, 32, 33, 64, 65, 100, 257}) {
    for (int h : {1, 3, 40}) {
      for (int round = 0; round < 12; ++round) {
        QImage img(w, h, round % 2 ? QImage::Format_ARGB32 : QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        const int dots = static_cast<int>(rng() % 4);
        for (int d = 0; d < dots; ++d) {
          const int x = static_cast<int>(rng() % static_cast<unsigned>(w));
          const int y = static_cast<int>(rng() % static_cast<unsigned>(h));
          img.setPixel(x, y, qRgba(0, 0, 0, 1 + static_cast<int>(rng() % 255)));
        }
        EXPECT_EQ(contentBounds(img), naiveBounds(img)) << w << "x" << h << " round " << round;
      }
    }
  }
}

TEST(ContentBounds, CornersColoursAndFormats) {
  QImage img(70, 50, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  EXPECT_TRUE(contentBounds(img).isNull());
  EXPECT_TRUE(contentBounds(QImage()).isNull());

  // Colour without alpha (possible in a straight-alpha image) is not content.
  img.setPixel(5, 5, qRgba(255, 255, 255, 0));
  EXPECT_TRUE(contentBounds(img).isNull());

  img.setPixel(69, 49, qRgba(0, 0, 0, 1));
  EXPECT_EQ(contentBounds(img), QRect(69, 49, 1, 1));
  img.setPixel(0, 0, qRgba(0, 0, 0, 1));
  EXPECT_EQ(contentBounds(img), QRect(0, 0, 70, 50));

  // An image without alpha is content everywhere.
  QImage opaque(9, 4, QImage::Format_RGB32);
  opaque.fill(Qt::black);
  EXPECT_EQ(contentBounds(opaque), QRect(0, 0, 9, 4));
}

class ImageExport : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "pw_export_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    Object& o = ed.doc.Objects[0];
    o.alpha = 255;
    o.w = 100;
    o.h = 100;
    o.shapes.clear();
    ed.doc.DocumentState = kDocumentHasContent;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string file(const std::string& name) const { return (dir_ / name).string(); }

  // A filled, opaque box with its top-left at (x, y).
  Shape& addBox(int x, int y, int w, int h, int64_t color = packRGBA(255, 0, 0, 255),
                size_t object = 0) {
    growTo(ed.doc.Objects, static_cast<int64_t>(object) + 1);
    Object& o = ed.doc.Objects[object];
    if (o.alpha == 0) {
      o.alpha = 255;
      o.w = o.h = 100;
      o.shapes.clear();
    }
    Shape s;
    s.type = kBox;
    s.x = static_cast<int16_t>(x);
    s.y = static_cast<int16_t>(y);
    s.w = static_cast<int16_t>(w);
    s.h = static_cast<int16_t>(h);
    s.color = color;
    s.alpha = 255;
    s.style = kStyleFilled;
    o.shapes.push_back(s);
    return o.shapes.back();
  }

  bool run(const std::string& answer, int canvasW = 1000, int canvasH = 700,
           int mode = kExportContent) {
    prompt.answerFile(answer);
    return exportImage(ed, store, canvasW, canvasH, mode);
  }

  static QImage load(const std::string& path) {
    QImage img(QString::fromStdString(path), "PNG");
    return img.convertToFormat(QImage::Format_ARGB32);
  }

  ScriptedPrompt prompt;
  ImageStore store;
  Editor ed{prompt, store};
  fs::path dir_;
};

TEST_F(ImageExport, ContentModeCutsToTheDrawnPixels) {
  addBox(10, 10, 50, 20);
  ed.pan.x = 40;
  ed.pan.y = -7;
  const std::string out = file("box.png");
  ASSERT_TRUE(run(out));
  ASSERT_EQ(prompt.dialogs.size(), 1u);
  EXPECT_EQ(prompt.dialogs[0].kind, "save");
  EXPECT_EQ(prompt.dialogs[0].title, "Save Image...");
  EXPECT_EQ(prompt.dialogs[0].initialPath, "");
  EXPECT_EQ(prompt.dialogs[0].filter, "png Images|*.png|All Files|*.*");
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(ed.pan.x, 40);
  EXPECT_EQ(ed.pan.y, -7);

  std::ifstream f(out, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(f), {}};
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");

  const QImage img = load(out);
  ASSERT_EQ(img.size(), QSize(50, 20));
  EXPECT_EQ(img.pixel(0, 0), qRgba(255, 0, 0, 255));
  EXPECT_EQ(img.pixel(49, 19), qRgba(255, 0, 0, 255));
  EXPECT_EQ(naiveBounds(img), img.rect());
  int entries = 0;  // the PNG and no temporary file beside it
  for (const auto& e : fs::directory_iterator(dir_)) {
    EXPECT_EQ(e.path().filename(), "box.png");
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST_F(ImageExport, EmptyAreasAreTransparentAndLinkedShapesShowTheirHoles) {
  addBox(10, 10, 50, 20);
  addBox(100, 50, 10, 10, packRGBA(0, 0, 255, 255));
  // Two overlapping linked boxes: filled as one path, with a hole where they overlap, as on the
  // canvas.
  addBox(200, 10, 20, 20).link = 1;
  addBox(210, 20, 20, 20);
  ASSERT_TRUE(run(file("two.png")));
  const QImage img = load(file("two.png"));
  ASSERT_EQ(img.size(), QSize(230 - 10, 60 - 10));
  EXPECT_EQ(img.pixel(0, 0), qRgba(255, 0, 0, 255));
  EXPECT_EQ(img.pixel(95, 45), qRgba(0, 0, 255, 255));
  EXPECT_EQ(qAlpha(img.pixel(50, 20)), 0);   // right of the first box
  EXPECT_EQ(qAlpha(img.pixel(89, 39)), 0);   // just before the second
  EXPECT_EQ(qAlpha(img.pixel(205, 15)), 0);     // the overlap of the linked pair
  EXPECT_EQ(img.pixel(195, 5), qRgba(255, 0, 0, 255));  // the first box alone
}

TEST_F(ImageExport, CameraModeCutsTheCameraRectangle) {
  ed.options.CameraX = 0;
  ed.options.CameraY = 0;
  ed.options.CameraW = 800;
  ed.options.CameraH = 600;
  addBox(10, 10, 50, 20);
  addBox(790, 590, 50, 20);  // reaches past the camera
  addBox(900, 650, 50, 20);  // wholly outside it
  ASSERT_TRUE(run(file("scene.png"), 1000, 700, kExportCamera));
  const QImage img = load(file("scene.png"));
  ASSERT_EQ(img.size(), QSize(800, 600));
  EXPECT_EQ(qAlpha(img.pixel(10, 10)), 255);
  EXPECT_EQ(qAlpha(img.pixel(9, 9)), 0);
  EXPECT_EQ(qAlpha(img.pixel(799, 599)), 255);
  EXPECT_EQ(qAlpha(img.pixel(789, 599)), 0);
  EXPECT_EQ(naiveBounds(img), QRect(QPoint(10, 10), QPoint(799, 599)));
}

TEST_F(ImageExport, CameraLargerThanTheCanvasOrPartlyOutside) {
  // The render grows to the camera: a box beyond the canvas is still exported.
  ed.options.CameraX = 0;
  ed.options.CameraY = 0;
  ed.options.CameraW = 1200;
  ed.options.CameraH = 900;
  addBox(1100, 800, 20, 20);
  ASSERT_TRUE(run(file("big.png"), 640, 480, kExportCamera));
  QImage img = load(file("big.png"));
  ASSERT_EQ(img.size(), QSize(1200, 900));
  EXPECT_EQ(naiveBounds(img), QRect(1100, 800, 20, 20));

  // A camera reaching left of and above the render: that part comes out transparent, the image
  // keeps the camera's size.
  ed.options.CameraX = -100;
  ed.options.CameraY = -50;
  ed.options.CameraW = 800;
  ed.options.CameraH = 600;
  ed.doc.Objects[0].shapes.clear();
  addBox(10, 10, 50, 20);
  ASSERT_TRUE(run(file("shifted.png"), 1000, 700, kExportCamera));
  img = load(file("shifted.png"));
  ASSERT_EQ(img.size(), QSize(800, 600));
  EXPECT_EQ(naiveBounds(img), QRect(110, 60, 50, 20));

  // A camera clear of the render holds nothing.
  ed.options.CameraX = 3000;
  ed.options.CameraY = 0;
  EXPECT_FALSE(run(file("away.png"), 1000, 700, kExportCamera));
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_EQ(prompt.messages[0].title, "Save image");
  EXPECT_EQ(prompt.messages[0].text, "Nothing to export");
  EXPECT_FALSE(fs::exists(file("away.png")));
}

TEST_F(ImageExport, ViewZoomAndObjectTransformAreIgnored) {
  Object& o = ed.doc.Objects[0];
  o.x = 100;
  o.y = 30;
  o.w = 200;
  o.h = 50;
  o.angle = 30;
  o.rotX = 5;
  ed.options.Zoom = 300;
  ed.options.CameraW = 800;
  ed.options.CameraH = 600;
  ed.pan.x = 123;
  ed.pan.y = 45;
  addBox(10, 10, 50, 20);
  ASSERT_TRUE(run(file("plain.png")));
  EXPECT_EQ(load(file("plain.png")).size(), QSize(50, 20));
  ASSERT_TRUE(run(file("placed.png"), 1000, 700, kExportCamera));
  EXPECT_EQ(naiveBounds(load(file("placed.png"))), QRect(10, 10, 50, 20));
  EXPECT_EQ(ed.pan.x, 123);
  EXPECT_EQ(ed.pan.y, 45);
  EXPECT_EQ(ed.options.Zoom, 300);
}

TEST_F(ImageExport, HiddenShapesAndObjectsAreNotDrawn) {
  // As on the canvas; "Show only selected" is the canvas's own and does not apply.
  addBox(10, 10, 50, 20).hidden = 1;
  addBox(100, 100, 30, 20);
  addBox(300, 300, 10, 10, packRGBA(0, 255, 0, 255), 1);
  ed.doc.Objects[1].hidden = 1;
  ed.options.ShowOnlySel = 1;
  ed.sel.shape = 5;
  ASSERT_TRUE(run(file("hidden.png")));
  EXPECT_EQ(load(file("hidden.png")).size(), QSize(30, 20));

  // With only hidden shapes and objects left, nothing is drawn.
  ed.doc.Objects[0].shapes.pop_back();
  EXPECT_FALSE(run(file("none.png")));
  EXPECT_FALSE(fs::exists(file("none.png")));
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_EQ(prompt.messages[0].text, "Nothing to export");
}

TEST_F(ImageExport, BackEffectsAreDrawnUnderTheShape) {
  Shape& s = addBox(10, 10, 50, 20);
  s.fx[0].active = 1;
  s.fx[0].depth = 0;
  s.fx[0].type = 0;
  s.fx[0].x = 5;
  s.fx[0].y = 5;
  s.fx[0].scale = 100;
  s.fx[0].color = packRGBA(0, 0, 0, 255);
  ASSERT_TRUE(run(file("shadow.png")));
  const QImage img = load(file("shadow.png"));
  ASSERT_EQ(img.size(), QSize(55, 25));
  EXPECT_EQ(img.pixel(1, 1), qRgba(255, 0, 0, 255));    // the box over its shadow
  EXPECT_EQ(img.pixel(54, 24), qRgba(0, 0, 0, 255));    // the shadow alone
  EXPECT_EQ(qAlpha(img.pixel(54, 0)), 0);
}

TEST_F(ImageExport, FileNamesGetThePngExtension) {
  addBox(10, 10, 5, 5);
  fs::create_directory(dir_ / "v1.0");
  struct Case {
    std::string answer, written;
  };
  for (const Case& c : {Case{"pic", "pic.png"}, Case{"a.png", "a.png"},
                        Case{"b.PNG", "b.PNG.png"}, Case{"c.jpg", "c.jpg.png"},
                        Case{"v1.0/pic", "v1.0/pic.png"}, Case{"d.png.bak", "d.png.bak.png"}}) {
    ASSERT_TRUE(run(file(c.answer))) << c.answer;
    EXPECT_TRUE(fs::exists(file(c.written))) << c.answer;
    EXPECT_EQ(load(file(c.written)).size(), QSize(5, 5));
  }
  EXPECT_FALSE(fs::exists(file("b.PNG")));
  EXPECT_FALSE(fs::exists(file("pic")));
  EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(ImageExport, CancelDoesNothing) {
  addBox(10, 10, 50, 20);
  ed.pan.x = 9;
  EXPECT_FALSE(run(""));
  EXPECT_EQ(prompt.dialogs.size(), 1u);
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(ed.pan.x, 9);
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(ImageExport, EmptySceneIsReportedNotSaved) {
  // A fresh document: one object with one blank shape.
  ScriptedPrompt p2;
  ImageStore s2;
  Editor fresh{p2, s2};
  fresh.pan.x = -3;
  p2.answerFile(file("empty.png"));
  EXPECT_FALSE(exportImage(fresh, s2, 1000, 700, kExportContent));
  ASSERT_EQ(p2.messages.size(), 1u);
  EXPECT_EQ(p2.messages[0].title, "Save image");
  EXPECT_EQ(p2.messages[0].text, "Nothing to export");
  EXPECT_TRUE(fs::is_empty(dir_));
  EXPECT_EQ(fresh.pan.x, -3);

  // Camera mode on an empty scene still saves the (transparent) camera picture.
  fresh.options.CameraW = 64;
  fresh.options.CameraH = 48;
  p2.answerFile(file("blank.png"));
  ASSERT_TRUE(exportImage(fresh, s2, 100, 100, kExportCamera));
  const QImage img = load(file("blank.png"));
  EXPECT_EQ(img.size(), QSize(64, 48));
  EXPECT_TRUE(naiveBounds(img).isNull());
}

TEST_F(ImageExport, WriteFailureIsReported) {
  addBox(10, 10, 50, 20);
  ed.pan.y = 77;
  const std::string bad = file("no/such/folder/pic.png");
  EXPECT_FALSE(run(bad));
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_EQ(prompt.messages[0].title, "Save image");
  EXPECT_EQ(prompt.messages[0].text, "Cannot save image: " + bad + ": " + std::strerror(ENOENT));
  EXPECT_EQ(ed.pan.y, 77);
  EXPECT_TRUE(fs::is_empty(dir_));

  // The appended extension is part of the name the message shows.
  const std::string bare = file("no/such/pic");
  EXPECT_FALSE(run(bare));
  ASSERT_EQ(prompt.messages.size(), 2u);
  EXPECT_EQ(prompt.messages[1].text,
            "Cannot save image: " + bare + ".png: " + std::strerror(ENOENT));

  // An existing file is replaced whole.
  { std::ofstream(file("old.png")) << "not an image"; }
  ASSERT_TRUE(run(file("old.png")));
  EXPECT_EQ(load(file("old.png")).size(), QSize(50, 20));
}

}  // namespace
}  // namespace pw
