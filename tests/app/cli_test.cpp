// The penwick binary's command line, run as a user would run it: in a scratch folder, with its
// exit status, standard output and standard error read separately.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <QByteArray>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/fakes.h"
#include <map>

#include "app/headless_prompt.h"
#include "cli_fixture.h"
#include "core/scene_file.h"
#include "support/paths.h"

namespace pw {
namespace {

// A scene with one object holding a box and a text shape, in the file format with CR LF ends.
const char* kSmallScene =
    "gen, ,0.15,\r\n"
    "obj,Layer \"A\",0,0,100,100,0,0,0,200,0,\r\n"
    "shape,0,-8856356,Box_0,255,0,10,5,5,1,60,40,,120,80,\r\n"
    "shapefx,0,3,4,-16746241,255,1,2,10,5,5,100,0,0,1\r\n"
    "pt,0,0,0,\r\n"
    "shape,1,-16777216,T\xFFxt \\ 1,128,0,10,5,5,7,24,5,Hello \"you\";Times New roman;256;,200,150,\r\n"
    "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\n"
    "pt,0,0,0,\r\n";

TEST_F(CliTest, VersionAndHelp) {
  Result r = run({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Penwick 0.15\n");
  EXPECT_EQ(r.err, "");
  r = run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--export-png"), std::string::npos);
  EXPECT_EQ(r.err, "");
}

TEST_F(CliTest, TheEditorWithoutADisplayExplainsAndExitsWith2) {
  // No screen to open the window on: one line that says so, no crash.
  std::map<std::string, std::string> saved;
  for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (const char* val = std::getenv(v)) saved[v] = val;
    unsetenv(v);
  }
  const Result r = run({});
  for (const auto& [k, v] : saved) setenv(k.c_str(), v.c_str(), 1);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  ASSERT_EQ(r.errLines().size(), 1u) << r.err;
  EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
}

TEST_F(CliTest, BadArgumentsFailWithOneLine) {
  writeFile(dir_ / "s.txt", kSmallScene);
  expectOneLineFailure(run({"--frobnicate", "s.txt"}), "--frobnicate");
  expectOneLineFailure(run({"--dump-json"}), "scene");
  expectOneLineFailure(run({"--save-as"}), "--save-as");
  expectOneLineFailure(run({"--dump-json", "s.txt", "t.txt"}), "more than one");
  expectOneLineFailure(run({"--save-as", "o", "--dump-json", "s.txt"}), "--dump-json");
  expectOneLineFailure(run({"--camera", "--dump-json", "s.txt"}), "--camera");
  expectOneLineFailure(run({"--export-png", "o.png", "--canvas", "0x10", "s.txt"}), "--canvas");
  expectOneLineFailure(run({"--export-png", "o.png", "--canvas", "big", "s.txt"}), "--canvas");
  EXPECT_FALSE(fs::exists(dir_ / "o.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "o.png"));
}

TEST_F(CliTest, MissingSceneFailsAndCreatesNothing) {
  expectOneLineFailure(run({"--dump-json", "nothere.txt"}), "nothere.txt", 3);
  expectOneLineFailure(run({"--save-as", "out", "nothere.txt"}), "nothere.txt", 3);
  expectOneLineFailure(run({"--export-png", "out.png", "nothere.txt"}), "nothere.txt", 3);
  EXPECT_TRUE(fs::is_empty(dir_)) << "no scene, output or settings file appears";
  fs::create_directory(dir_ / "folder");
  expectOneLineFailure(run({"--dump-json", "folder"}), "folder", 3);
}

TEST_F(CliTest, SaveAsWritesTheSceneTextAndAddsTxt) {
  copyExamples();
  const Result r = run({"--save-as", "copy", "examples/shapes-tour.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "") << "the example loads without warnings";
  EXPECT_FALSE(fs::exists(dir_ / "copy"));
  ASSERT_TRUE(fs::exists(dir_ / "copy.txt"));

  // The same file read in-process gives exactly the text that was written.
  test::TestEditor te;
  ASSERT_TRUE(loadScene(te.ed, kLoadReplace, (dir_ / "examples/shapes-tour.txt").string(), false));
  const std::string written = readFile(dir_ / "copy.txt");
  EXPECT_EQ(written, sceneText(te.ed.doc));
  EXPECT_NE(written.find("\r\n"), std::string::npos);

  // Saving over an existing file replaces it whole.
  writeFile(dir_ / "copy.txt", std::string(200000, 'x'));
  EXPECT_EQ(run({"--save-as", "copy.txt", "examples/shapes-tour.txt"}).status, 0);
  EXPECT_EQ(readFile(dir_ / "copy.txt"), written);
}

TEST_F(CliTest, ShippedScenesLoadCleanlyAndAreWrittenBackUnchanged) {
  copyExamples();
  fs::copy(fs::path(pw::test::sourceDir()) / "data", dir_ / "data", fs::copy_options::recursive);
  int scenes = 0;
  for (const char* folder : {"examples", "data/shapes"}) {
    for (const auto& e : fs::directory_iterator(dir_ / folder)) {
      if (e.path().extension() != ".txt") continue;
      ++scenes;
      const std::string rel = std::string(folder) + "/" + e.path().filename().string();
      const Result r = run({"--save-as", "again", rel});
      EXPECT_EQ(r.status, 0) << rel << ": " << r.err;
      EXPECT_EQ(r.err, "") << rel;
      EXPECT_EQ(readFile(dir_ / "again.txt"), readFile(e.path())) << rel;
    }
  }
  EXPECT_GE(scenes, 7);
}

TEST_F(CliTest, UnwritableOutputFails) {
  writeFile(dir_ / "s.txt", kSmallScene);
  writeFile(dir_ / "blocker", "a file, not a folder");
  expectOneLineFailure(run({"--save-as", "blocker/out", "s.txt"}), "blocker/out", 5);
  expectOneLineFailure(run({"--export-png", "blocker/out.png", "s.txt"}), "blocker/out", 5);
  // A full disk is worth trying again elsewhere.
  expectOneLineFailure(run({"--dump-json", "s.txt"}, ">/dev/full"), "standard output", 6);
}

TEST_F(CliTest, DumpJsonIsOneValidJsonObject) {
  writeFile(dir_ / "s.txt", kSmallScene);
  const Result r = run({"--dump-json", "s.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  ASSERT_FALSE(r.out.empty());
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line";

  QJsonParseError perr;
  const QJsonDocument jd = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &perr);
  ASSERT_EQ(perr.error, QJsonParseError::NoError) << perr.errorString().toStdString();
  ASSERT_TRUE(jd.isObject());
  const QJsonObject root = jd.object();
  EXPECT_EQ(root.value("DocumentState").toInt(), 1);
  EXPECT_EQ(root.value("CurrentShape").toInt(), 0);
  const QJsonArray objects = root.value("objects").toArray();
  ASSERT_EQ(objects.size(), 1);
  const QJsonObject obj = objects[0].toObject();
  EXPECT_EQ(obj.value("name").toString().toStdString(), "Layer \"A\"");
  EXPECT_EQ(obj.value("alpha").toInt(), 200);
  EXPECT_EQ(obj.value("w").toInt(), 100);
  const QJsonArray shapes = obj.value("shapes").toArray();
  ASSERT_EQ(shapes.size(), 2);

  const QJsonObject box = shapes[0].toObject();
  EXPECT_EQ(box.value("name").toString().toStdString(), "Box_0");
  EXPECT_EQ(box.value("type").toInt(), 1);
  EXPECT_EQ(box.value("w").toInt(), 60);
  EXPECT_EQ(box.value("h").toInt(), 40);
  EXPECT_EQ(box.value("x").toInt(), 120);
  EXPECT_EQ(box.value("color").toInteger(), -8856356);
  EXPECT_TRUE(box.value("gradient").isArray());
  EXPECT_TRUE(box.value("dragScale").isDouble());
  EXPECT_FALSE(box.contains("imageId"));
  EXPECT_FALSE(box.contains("fontId"));
  const QJsonArray pts = box.value("points").toArray();
  ASSERT_EQ(pts.size(), 1);
  EXPECT_EQ(pts[0].toObject().keys(), (QStringList{"x", "y"}));
  const QJsonObject fx = box.value("fx").toArray()[0].toObject();
  EXPECT_EQ(fx.value("name").toString().toStdString(), "fx_0");
  EXPECT_EQ(fx.value("x").toInt(), 3);
  EXPECT_EQ(fx.value("depth").toInt(), 1);
  EXPECT_EQ(fx.value("type").toInt(), 2);
  EXPECT_EQ(fx.value("active").toInt(), 1);

  const QJsonObject text = shapes[1].toObject();
  EXPECT_EQ(text.value("type").toInt(), 7);
  EXPECT_EQ(text.value("text").toString().toStdString(), "Hello \"you\"");
  EXPECT_EQ(text.value("fontName").toString().toStdString(), "Times New roman");
  EXPECT_EQ(text.value("fontStyle").toInt(), 256);
  EXPECT_EQ(text.value("alpha").toInt(), 128);
  // The stray byte of the name is replaced, the backslash kept.
  EXPECT_EQ(text.value("name").toString(), QString::fromUtf8("T\xEF\xBF\xBDxt \\ 1"));
}

TEST_F(CliTest, MissingImageIsAWarningNotAFailure) {
  writeFile(dir_ / "s.txt",
           std::string(kSmallScene) +
               "shape,2,-8856356,photo,255,0,10,5,5,6,64,48,gone/photo.png;0;0;0;64;48;0;,10,20,\r\n"
               "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\n"
               "pt,0,0,0,\r\n");
  Result r = run({"--dump-json", "s.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.errLines().size(), 1u) << r.err;
  EXPECT_EQ(r.errLines()[0], "penwick: warning: The Image file doesn't exists :  gone/photo.png");
  EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).isObject());

  r = run({"--export-png", "out.png", "s.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.errLines().size(), 1u) << r.err;
  EXPECT_FALSE(QImage(QString::fromStdString((dir_ / "out.png").string())).isNull());

  // A file that is there but is no image.
  fs::create_directory(dir_ / "gone");
  writeFile(dir_ / "gone/photo.png", "not a png");
  r = run({"--save-as", "copy", "s.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.errLines().size(), 1u) << r.err;
  EXPECT_NE(r.errLines()[0].find("penwick: warning: Unable to load the image file"),
            std::string::npos);
}

QSize pngSize(const fs::path& p) {
  const QImage img(QString::fromStdString(p.string()));
  return img.isNull() ? QSize() : img.size();
}

TEST_F(CliTest, ExportPngCutsToContentOrCamera) {
  copyExamples();
  Result r = run({"--export-png", "tour", "examples/shapes-tour.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "");
  // The tour's sky box is 800 x 600 at the origin.
  const QImage tour(QString::fromStdString((dir_ / "tour.png").string()));
  ASSERT_FALSE(tour.isNull()) << "\".png\" is added to a name without it";
  EXPECT_EQ(tour.size(), QSize(800, 600));
  EXPECT_EQ(tour.pixelColor(5, 250), QColor(156, 204, 240)) << "plain sky";

  // A box of 50 x 20 at (10, 10): the cut is its extent.
  writeFile(dir_ / "box.txt",
           "gen, ,0.15,\r\nobj,Object0,0,0,100,100,0,0,0,255,0,\r\n"
           "shape,0,-8856356,Box_0,255,0,10,5,5,1,50,20,,10,10,\r\n"
           "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\npt,0,0,0,\r\n");
  r = run({"--export-png", "box.png", "box.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(pngSize(dir_ / "box.png"), QSize(50, 20));

  // --camera cuts the camera rectangle: the defaults, or a settings file's.
  r = run({"--export-png", "cam.png", "--camera", "examples/shapes-tour.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(pngSize(dir_ / "cam.png"), QSize(1024, 768));
  writeFile(dir_ / "small.ini", "{\"CameraX\": 100, \"CameraY\": 50, \"CameraW\": 320, \"CameraH\": 200}");
  r = run({"--export-png", "cam2.png", "--camera", "--canvas", "640x480", "--settings", "small.ini",
           "examples/shapes-tour.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(pngSize(dir_ / "cam2.png"), QSize(320, 200));

  // "Preferences.ini" of the working folder is read, never written.
  writeFile(dir_ / "Preferences.ini", "{\"CameraW\": 300, \"CameraH\": 100}");
  r = run({"--export-png", "cam3.png", "--camera", "examples/shapes-tour.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(pngSize(dir_ / "cam3.png"), QSize(300, 100));
  EXPECT_EQ(readFile(dir_ / "Preferences.ini"), "{\"CameraW\": 300, \"CameraH\": 100}");
}

TEST_F(CliTest, ExportNeverWritesSettings) {
  copyExamples();
  Result r = run({"--export-png", "a.png", "examples/effects.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "Preferences.ini"));

  // A broken settings file is reported, left as it is, and the defaults apply.
  writeFile(dir_ / "Preferences.ini", "{ broken");
  r = run({"--export-png", "b.png", "--camera", "examples/effects.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.errLines().size(), 1u) << r.err;
  EXPECT_EQ(r.errLines()[0].rfind("penwick: warning: ", 0), 0u);
  EXPECT_EQ(pngSize(dir_ / "b.png"), QSize(1024, 768));
  EXPECT_EQ(readFile(dir_ / "Preferences.ini"), "{ broken");
  EXPECT_FALSE(fs::exists(dir_ / "Preferences.ini.bak"));

  // A settings file named on the command line must be usable.
  expectOneLineFailure(run({"--export-png", "c.png", "--settings", "none.ini", "examples/effects.txt"}),
                       "none.ini", 3);
  expectOneLineFailure(
      run({"--export-png", "c.png", "--settings", "Preferences.ini", "examples/effects.txt"}),
      "Preferences.ini", 3);
  EXPECT_FALSE(fs::exists(dir_ / "c.png"));
  EXPECT_FALSE(fs::exists(dir_ / "none.ini"));
}

TEST_F(CliTest, ExportOfAnEmptySceneFails) {
  writeFile(dir_ / "empty.txt", "gen, ,0.15,\r\nobj,Object0,0,0,100,100,0,0,0,255,0,\r\n");
  expectOneLineFailure(run({"--export-png", "e.png", "empty.txt"}), "Nothing to export", 5);
  EXPECT_FALSE(fs::exists(dir_ / "e.png"));
  // The camera cut of an empty scene is a transparent image, which is a result.
  const Result r = run({"--export-png", "e.png", "--camera", "empty.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(pngSize(dir_ / "e.png"), QSize(1024, 768));
}

// ---- in-process: the headless prompt ----

TEST(HeadlessPromptTest, AnswersQueuedDialogsAndCancelsTheRest) {
  HeadlessPrompt p(nullptr);
  p.answerFile("out.png");
  EXPECT_EQ(p.saveFile("Save Image...", "", "png Images|*.png"), "out.png");
  EXPECT_EQ(p.openFile("Image", "", "Png(.png)|*.png"), "");
  EXPECT_EQ(p.unansweredDialogs(), 1);
  EXPECT_FALSE(p.failed());
}

TEST(HeadlessPromptTest, ImageBoxesWarnOtherBoxesFail) {
  std::FILE* sink = std::tmpfile();
  ASSERT_NE(sink, nullptr);
  HeadlessPrompt p(sink);
  p.message("Error", "The Image file doesn't exists :  a.png");
  p.message("Error", "Unable to load the image file b.png");
  p.warn("autosave\r\nfailed");
  EXPECT_FALSE(p.failed());
  EXPECT_EQ(p.warningCount(), 3);
  p.message("Save image", "Cannot save image: x.png");
  p.message("Error", "Unable to open the file\nscene.txt");
  ASSERT_EQ(p.errors().size(), 2u);
  EXPECT_EQ(p.errors()[0], "Cannot save image: x.png");
  EXPECT_EQ(p.errors()[1], "Unable to open the file scene.txt");
  // An image message under another title is not one of the image-loading reports.
  EXPECT_FALSE(HeadlessPrompt::isImageWarning("Save image", "Unable to load the image x"));

  std::rewind(sink);
  std::string text;
  char buf[256];
  while (std::fgets(buf, sizeof buf, sink)) text += buf;
  std::fclose(sink);
  EXPECT_EQ(text,
            "penwick: warning: The Image file doesn't exists :  a.png\n"
            "penwick: warning: Unable to load the image file b.png\n"
            "penwick: warning: autosave  failed\n");
}

}  // namespace
}  // namespace pw
