// --export-lottie run as the real program: the name, the camera of the settings, the frames, and
// failures that leave nothing behind.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli_fixture.h"
#include "support/paths.h"

namespace pw {
namespace {

// A red box keyed from x 0 at frame 0 to x 100 at frame 10; max frame 9.
const char* kKeyedScene =
    "gen, ,0.15,\r\nanim,9,20,\r\nobj,Layer,0,0,100,100,0,0,0,255,0,\r\n"
    "key,0,0,0,0,100,100,0,0,0,255,\r\nkey,10,0,100,0,100,100,0,0,0,255,\r\n"
    "shape,0,-16776961,Box_0,255,0,10,5,5,1,20,20,,10,10,\r\n"
    "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\npt,0,0,0,\r\n";

TEST_F(CliTest, ExportLottieWritesTheFrames) {
  writeFile(dir_ / "s.txt", kKeyedScene);
  writeFile(dir_ / "cam.ini", "{\"CameraX\": 5, \"CameraY\": -5, \"CameraW\": 200, \"CameraH\": 60}");
  struct Case {
    std::vector<std::string> args;
    const char* file;
    int ip, op;
  } const cases[] = {
      {{"--export-lottie", "a", "--settings", "cam.ini", "s.txt"}, "a.json", 0, 10},
      {{"--export-lottie", "b.json", "--from", "3", "--to", "7", "--settings=cam.ini", "s.txt"},
       "b.json", 3, 8},
      {{"--export-lottie", "c.JSON", "--to", "20", "--settings", "cam.ini", "s.txt"}, "c.JSON.json",
       0, 21},
  };
  for (const Case& c : cases) {
    const Result r = run(c.args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    const QJsonObject root =
        QJsonDocument::fromJson(QByteArray::fromStdString(readFile(dir_ / c.file))).object();
    EXPECT_EQ(root["w"].toInt(), 200) << c.file;
    EXPECT_EQ(root["h"].toInt(), 60);
    EXPECT_EQ(root["fr"].toInt(), 20);
    EXPECT_EQ(root["ip"].toInt(), c.ip);
    EXPECT_EQ(root["op"].toInt(), c.op);
  }
}

TEST_F(CliTest, ExportLottieWarnsOfPicturesLeftOut) {
  writeFile(dir_ / "sun.png", readFile(fs::path(pw::test::sourceDir()) / "examples/sun.png"));
  // A box of one-unit tiles: more tiles than the file takes.
  writeFile(dir_ / "s.txt", std::string(kKeyedScene) +
                                "shape,1,-1,tiles,255,0,10,5,5,6,2000,2000,sun.png;2;0;0;1;1;0;,0,0,"
                                "\r\npt,0,0,0,\r\n");
  const Result r = run({"--export-lottie", "o", "s.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "penwick: warning: o.json: 1 picture could not be written and is missing from "
                   "the animation\n");
  const QJsonObject root =
      QJsonDocument::fromJson(QByteArray::fromStdString(readFile(dir_ / "o.json"))).object();
  ASSERT_FALSE(root["layers"].toArray().isEmpty());
  EXPECT_EQ(root["layers"][0]["ty"].toInt(), 4) << "the box is written";
  EXPECT_TRUE(root["assets"].toArray().size() <= 1) << "no tiles";
}

TEST_F(CliTest, ExportLottieFailuresLeaveNothing) {
  writeFile(dir_ / "s.txt", kKeyedScene);
  writeFile(dir_ / "blocker", "a file, not a folder");
  expectOneLineFailure(run({"--export-lottie", "blocker/out", "s.txt"}), "blocker/out.json", 5);
  expectOneLineFailure(run({"--export-lottie", "o", "--from", "12", "s.txt"}), "--from 12");
  expectOneLineFailure(run({"--export-lottie", "o", "--frame", "1", "s.txt"}), "--frame");
  expectOneLineFailure(run({"--export-lottie", "o", "none.txt"}), "none.txt", 3);
  writeFile(dir_ / "bad.ini", "{\"CameraW\": 0}");
  expectOneLineFailure(run({"--export-lottie", "o", "--settings", "bad.ini", "s.txt"}), "bad.ini", 3);
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
  EXPECT_EQ(files, 3u) << "no output and no temporary files are left";
}

}  // namespace
}  // namespace pw
