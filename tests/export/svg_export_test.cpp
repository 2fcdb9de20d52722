// The SVG export: small scenes of every kind and style, rendered by an independent SVG renderer
// (rsvg-convert) and compared with the frame the animation export draws; the file's structure;
// hostile scenes; the file name and failures.
#include "export/svg_export.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/scripted_prompt.h"
#include "export/frame_export.h"
#include "export/svg_sink.h"
#include "fileio/atomic_file.h"
#include "render/image_store.h"
#include "vector_scene.h"
#include "support/files.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

using namespace vectortest;

// A 24 x 12 picture: four coloured quarters.
QImage quarters() {
  QImage img(24, 12, QImage::Format_ARGB32);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 24; ++x)
      img.setPixel(x, y, x < 12 ? (y < 6 ? 0xffd02020u : 0xff2040d0u)
                                : (y < 6 ? 0xff20a040u : 0xfff0c000u));
  return img;
}

class SvgExportTest : public ::testing::Test {
 public:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("penwick-svg-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    setDefaultOptions(opt_);
    opt_.CameraX = -20;
    opt_.CameraY = -10;
    opt_.CameraW = 200;
    opt_.CameraH = 150;
    doc_.DocumentState = kDocumentHasContent;
    Object& o = doc_.Objects[0];
    o.w = o.h = 100;
    o.alpha = 255;
    o.shapes.clear();
  }
  void TearDown() override { fs::remove_all(dir_); }

  Object& object() { return doc_.Objects[0]; }

  // The frame as the animation export draws it and as rsvg-convert draws the SVG; null images
  // when a step failed (with a test failure).
  std::pair<QImage, QImage> both(int64_t frame, const std::string& name) {
    FrameRenderer frames(doc_, opt_, store_);
    QImage want = frames.render(frame).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const std::string svg = (dir_ / (name + ".svg")).string();
    const std::string png = (dir_ / (name + ".png")).string();
    std::string why;
    EXPECT_TRUE(exportSvg(doc_, opt_, store_, frame, svg, &why)) << why;
    QProcess p;
    p.start(rsvg_, {"-o", QString::fromStdString(png), QString::fromStdString(svg)});
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QImage got = QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return {want, got};
  }

  Document doc_;
  sVdOptions opt_;
  ImageStore store_;
  fs::path dir_;
  QString rsvg_ = QStandardPaths::findExecutable("rsvg-convert");
};

double coveredShare(const QImage& a) {
  int64_t n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += qAlpha(a.pixel(x, y)) > 0;
  return static_cast<double>(n) / (a.width() * a.height());
}

TEST_F(SvgExportTest, LooksLikeTheFrameExport) {
  if (rsvg_.isEmpty()) GTEST_SKIP() << "rsvg-convert is not installed (Debian: librsvg2-bin)";
  const std::vector<ShapePoint> zigzag = {{.x = 0, .y = 0}, {.x = 60, .y = 80},
                                          {.x = 120, .y = 10}, {.x = 150, .y = 90}};
  const std::vector<ShapePoint> loop = {{.x = 0, .y = 0},   {.x = 80, .y = -40},
                                        {.x = 140, .y = 40}, {.x = 100, .y = 90},
                                        {.x = 40, .y = 120}, {.x = -30, .y = 60}};
  struct Case {
    const char* name;
    std::function<void(SvgExportTest&)> build;
    int64_t frame = 0;
  } const cases[] = {
      {"box filled", [&](SvgExportTest& t) {
         t.object().shapes = {shape(kBox, 10, 10, 120, 80, kStyleFilled, kRed)};
       }},
      {"circle line", [&](SvgExportTest& t) {
         t.object().shapes = {shape(kCircle, 80, 60, 60, 40, kStyleLine, kBlue)};
       }},
      {"line dash", [&](SvgExportTest& t) {
         t.object().shapes = {shape(kLine, 0, 10, 0, 0, kStyleDash, kGreen, zigzag)};
       }},
      {"curve dot", [&](SvgExportTest& t) {
         Shape s = shape(kCurve, 0, 20, 0, 0, kStyleDot, kRed, zigzag);
         s.lineW = 8;
         t.object().shapes = {s};
       }},
      {"closed line, miter joins", [&](SvgExportTest& t) {
         Shape s = shape(kLine, 10, 10, 0, 0, kStyleLine, kBlue, zigzag);
         s.closed = 1;
         s.lineW = 10;
         t.object().shapes = {s};
       }},
      {"complex filled, half transparent", [&](SvgExportTest& t) {
         Shape s = shape(kComplex, 40, 10, 0, 0, kStyleFilled, kGreen, loop);
         s.alpha = 128;
         t.object().shapes = {s};
       }},
      {"custom joins the next path", [&](SvgExportTest& t) {
         t.object().shapes = {shape(kBox, 0, 0, 150, 120, kStyleCustom, kRed),
                              shape(kCircle, 70, 60, 40, 40, kStyleFilled, kBlue)};
       }},
      {"effects behind and in front", [&](SvgExportTest& t) {
         Shape s = shape(kBox, 20, 20, 80, 60, kStyleFilled, kRed);
         s.fx = {effect(kFxBack, 15, 15, 120, kStyleFilled, kBlue),
                 effect(kFxFront, -5, 10, 60, kStyleLine, kGreen),
                 effect(kFxFront, 30, 0, 100, kStyleDash, kBlue)};
         t.object().shapes = {s};
       }},
      {"linked pair cuts a hole", [&](SvgExportTest& t) {
         Shape outer = shape(kBox, 0, 0, 160, 120, kStyleFilled, kGreen);
         outer.link = 1;
         t.object().shapes = {outer, shape(kCircle, 80, 60, 40, 30, kStyleFilled, kRed)};
       }},
      {"rotated, scaled, faded object", [&](SvgExportTest& t) {
         Object& o = t.object();
         o.shapes = {shape(kBox, 10, 10, 80, 40, kStyleFilled, kRed),
                     shape(kLine, 0, 0, 0, 0, kStyleLine, kBlue, {{.x = 0, .y = 0}, {.x = 90, .y = 50}})};
         o.x = 40;
         o.y = 20;
         o.w = 130;
         o.h = 80;
         o.rotX = 50;
         o.rotY = 30;
         o.angle = 35;
         o.alpha = 160;
       }},
      {"keyed object at frame 5", [&](SvgExportTest& t) {
         Object& o = t.object();
         o.shapes = {shape(kBox, 0, 0, 40, 40, kStyleFilled, kBlue)};
         o.keys = {ObjectKey{.frame = 0, .x = 0, .y = 0, .w = 100, .h = 100, .alpha = 255},
                   ObjectKey{.frame = 10, .x = 120, .y = 80, .w = 200, .h = 100, .angle = 90,
                             .alpha = 255}};
       }, 5},
      {"text", [&](SvgExportTest& t) {
         Shape s = shape(kText, 0, 20, 40, 10, kStyleFilled, kBlue);
         s.text = "Penwick Ag";
         s.fontId = t.store_.loadFont("DejaVu Sans", 40, 0);
         t.object().shapes = {s};
       }},
      {"image stretched and repeated", [&](SvgExportTest& t) {
         const int64_t id = t.store_.addImage(quarters());
         Shape a = shape(kImage, 0, 0, 96, 48, kStyleFilled, 0);
         a.imageId = id;
         Shape b = shape(kImage, 20, 70, 150, 60, kStyleFilled, 0);
         b.imageId = id;
         // Tiles at the picture's own size: resampling filters at tile seams differ between
         // renderers, and that is not what is compared here.
         b.imageRepeat = kImageRepeated;
         b.imageX = 20;
         b.imageY = 70;
         b.imageW = 24;
         b.imageH = 12;
         b.alpha = 200;
         t.object().shapes = {a, b};
       }},
      {"hidden shape and hidden object", [&](SvgExportTest& t) {
         Shape hidden = shape(kBox, 0, 0, 150, 120, kStyleFilled, kRed);
         hidden.hidden = 1;
         t.object().shapes = {hidden, shape(kBox, 60, 40, 40, 40, kStyleFilled, kGreen)};
         Object gone = t.object();
         gone.hidden = 1;
         gone.shapes = {shape(kBox, -20, -10, 200, 150, kStyleFilled, kBlue)};
         t.doc_.Objects.push_back(gone);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.build(*this);
    const auto [want, got] = both(c.frame, "case");
    ASSERT_EQ(got.size(), want.size());
    EXPECT_GT(coveredShare(want), 0.02) << "the scene draws something";
    EXPECT_LE(differingShare(want, got), 0.02);
  }
}

TEST_F(SvgExportTest, PixelsWhereTheyBelong) {
  if (rsvg_.isEmpty()) GTEST_SKIP() << "rsvg-convert is not installed (Debian: librsvg2-bin)";
  // A green frame with a hole (linked), a red box behind it in a hidden object.
  Shape outer = shape(kBox, 0, 0, 100, 100, kStyleFilled, kGreen);
  outer.link = 1;
  object().shapes = {outer, shape(kBox, 25, 25, 50, 50, kStyleFilled, kGreen)};
  Object gone = object();
  gone.hidden = 1;
  gone.shapes = {shape(kBox, 0, 0, 200, 200, kStyleFilled, kRed)};
  doc_.Objects.push_back(gone);
  const QImage got = both(0, "pixels").second;
  ASSERT_EQ(got.size(), QSize(200, 150));
  // Scene (x, y) is pixel (x + 20, y + 10).
  EXPECT_EQ(got.pixel(30, 20), qRgba(20, 160, 60, 255)) << "the frame";
  EXPECT_EQ(qAlpha(got.pixel(70, 60)), 0) << "the hole";
  EXPECT_EQ(qAlpha(got.pixel(150, 130)), 0) << "the hidden object";
}

TEST_F(SvgExportTest, WellFormedWithTheCameraSize) {
  object().shapes = {shape(kBox, 0, 0, 50, 50, kStyleDot, kRed)};
  object().shapes[0].fx = {effect(kFxBack, 5, 5, 100, kStyleFilled, kBlue)};
  object().angle = 10;
  std::string svg, why;
  ASSERT_TRUE(renderSvg(doc_, opt_, store_, 0, svg, &why)) << why;
  QXmlStreamReader xml(QString::fromStdString(svg));
  int paths = 0, groups = 0;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const auto a = xml.attributes();
    if (xml.name() == u"svg") {
      EXPECT_EQ(a.value("width"), u"200");
      EXPECT_EQ(a.value("height"), u"150");
      EXPECT_EQ(a.value("viewBox"), u"-20 -10 200 150");
      EXPECT_EQ(a.value("version"), u"1.1");
    }
    paths += xml.name() == u"path";
    groups += xml.name() == u"g";
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(paths, 2);
  EXPECT_EQ(groups, 1) << "one object system";
  EXPECT_NE(svg.find("stroke-linecap=\"round\""), std::string::npos) << "dots are round";
  EXPECT_NE(svg.find("stroke-dasharray=\"0.001 9\""), std::string::npos) << svg;

  opt_.CameraW = 0;
  EXPECT_FALSE(renderSvg(doc_, opt_, store_, 0, svg, &why));
  EXPECT_FALSE(why.empty());
}

TEST_F(SvgExportTest, HostileScenesExportInBoundedTime) {
  const auto start = std::chrono::steady_clock::now();
  Object& o = object();
  Shape far = shape(kLine, 0, 0, 0, 0, kStyleDash, kRed,
                    {{.x = -(int64_t{1} << 60), .y = 5}, {.x = int64_t{1} << 60, .y = 60}});
  far.lineH = 1;
  Shape text = shape(kText, 0, 40, 30, 10, kStyleFilled, kBlue);
  text.text = std::string(1 << 20, 'W');
  text.fontId = store_.loadFont("DejaVu Sans", 30, 0);
  Shape dots = shape(kCircle, 0, 0, 32000, 32000, kStyleDot, kGreen);
  dots.lineW = 1;
  dots.lineDist = 2;
  o.shapes = {far, text, dots};
  o.w = 32767;
  std::string svg, why;
  ASSERT_TRUE(renderSvg(doc_, opt_, store_, 0, svg, &why)) << why;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 20);
  EXPECT_LT(svg.size(), 4u << 20) << "only what can reach the camera is written";
  EXPECT_TRUE(QXmlStreamReader(QString::fromStdString(svg)).readNextStartElement());
}

// An object moved 2^62 units away: nothing of it can show, and nothing of it is written (its
// outlines, mapped back from there, would be a heap of meaningless points).
TEST_F(SvgExportTest, PaintingsOutOfTheCameraAreLeftOut) {
  Object& o = object();
  Shape text = shape(kText, 0, 40, 30, 10, kStyleFilled, kBlue);
  text.text = std::string(2000, 'W');
  text.fontId = store_.loadFont("DejaVu Sans", 30, 0);
  o.shapes = {shape(kBox, 0, 0, 40, 30, kStyleLine, kRed), text};
  const struct {
    int64_t x;
    bool shown;
  } cases[] = {{0, true}, {int64_t{1} << 62, false}, {-(int64_t{1} << 62), false}, {250, false},
               {170, true}};
  for (const auto& c : cases) {
    o.x = c.x;
    std::string svg, why;
    ASSERT_TRUE(renderSvg(doc_, opt_, store_, -1, svg, &why)) << why;
    EXPECT_EQ(svg.find("<path") != std::string::npos, c.shown) << c.x;
    EXPECT_LT(svg.size(), 2u << 20) << c.x;
  }
}

TEST(SvgFileName, AddsTheExtensionWhenMissing) {
  const std::pair<const char*, const char*> cases[] = {
      {"a", "a.svg"}, {"a.svg", "a.svg"}, {"a.SVG", "a.SVG.svg"},
      {"d.svg/a", "d.svg/a.svg"}, {"a.png", "a.png.svg"}, {"a.", "a..svg"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(svgFileName(in), out) << in;
}

TEST(SvgNumber, ShortAndFinite) {
  const std::pair<double, const char*> cases[] = {
      {0, "0"}, {-0.0001, "0"}, {1.5, "1.5"}, {-2.25, "-2.25"}, {1.0 / 3, "0.333"},
      {123456789, "123456789"}, {1e300, "1e+300"}, {std::nan(""), "0"}};
  for (const auto& [v, text] : cases) EXPECT_EQ(svgNumber(v), text) << v;
}

TEST_F(SvgExportTest, FailureWritesNothing) {
  object().shapes = {shape(kBox, 0, 0, 50, 50, kStyleFilled, kRed)};
  ASSERT_TRUE(writeFileAtomic((dir_ / "blocker").string(), "a file"));
  std::string why;
  const std::string target = (dir_ / "blocker" / "out.svg").string();
  EXPECT_FALSE(exportSvg(doc_, opt_, store_, 0, target, &why));
  EXPECT_NE(why.find(target), std::string::npos) << why;
  // Cancelled and failed menu exports.
  ScriptedPrompt prompt;
  Editor ed(prompt, store_);
  ed.doc = doc_;
  ed.options = opt_;
  prompt.answerFile("");
  prompt.answerFile(target);
  EXPECT_FALSE(exportSvgCommand(ed, store_));
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_FALSE(exportSvgCommand(ed, store_));
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_EQ(prompt.messages[0].title, "Export Scene (SVG)");
  prompt.answerFile((dir_ / "menu").string());
  EXPECT_TRUE(exportSvgCommand(ed, store_));
  EXPECT_TRUE(fs::exists(dir_ / "menu.svg"));
  ASSERT_EQ(prompt.dialogs.size(), 3u);
  EXPECT_EQ(prompt.dialogs[0].kind, "save");
  EXPECT_EQ(prompt.dialogs[0].title, "Export Scene (SVG)");
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
  EXPECT_EQ(files, 2u) << "no temporary files are left";
}

}  // namespace
}  // namespace pw
