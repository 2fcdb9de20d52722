// --export-svg run as the real program: the name, the camera of the settings, the frame, and
// failures that leave nothing behind.
#include "cli_fixture.h"

namespace pw {
namespace {

// A red box keyed from x 0 at frame 0 to x 100 at frame 10.
const char* kKeyedBox =
    "gen, ,0.15,\r\nanim,9,20,\r\nobj,Layer,0,0,100,100,0,0,0,255,0,\r\n"
    "key,0,0,0,0,100,100,0,0,0,255,\r\nkey,10,0,100,0,100,100,0,0,0,255,\r\n"
    "shape,0,-16776961,Box_0,255,0,10,5,5,1,20,20,,10,10,\r\n"
    "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\npt,0,0,0,\r\n";

TEST_F(CliTest, ExportSvgWritesTheCameraOfAFrame) {
  writeFile(dir_ / "s.txt", kKeyedBox);
  writeFile(dir_ / "cam.ini", "{\"CameraX\": 5, \"CameraY\": -5, \"CameraW\": 200, \"CameraH\": 60}");
  struct Case {
    std::vector<std::string> args;
    const char* file;
    const char* pose;  // the object's system at the frame; empty: none
  } const cases[] = {
      {{"--export-svg", "a", "--settings", "cam.ini", "s.txt"}, "a.svg", ""},
      {{"--export-svg", "b.svg", "--frame", "5", "--settings", "cam.ini", "s.txt"}, "b.svg",
       "<g transform=\"matrix(1 0 0 1 50 0)\">"},
      {{"--export-svg", "c.SVG", "--settings=cam.ini", "s.txt"}, "c.SVG.svg", ""},
  };
  for (const Case& c : cases) {
    const Result r = run(c.args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    const std::string svg = readFile(dir_ / c.file);
    EXPECT_NE(svg.find("width=\"200\" height=\"60\" viewBox=\"5 -5 200 60\""), std::string::npos)
        << c.file;
    EXPECT_NE(svg.find("<path d=\"M10 10L30 10L30 30L10 30Z\" fill=\"#ff0000\"/>"),
              std::string::npos) << c.file << "\n" << svg;
    EXPECT_EQ(svg.find("<g"), *c.pose ? svg.find(c.pose) : std::string::npos) << svg;
  }
}

TEST_F(CliTest, ExportSvgFailuresLeaveNothing) {
  writeFile(dir_ / "s.txt", kKeyedBox);
  writeFile(dir_ / "blocker", "a file, not a folder");
  expectOneLineFailure(run({"--export-svg", "blocker/out", "s.txt"}), "blocker/out.svg", 5);
  expectOneLineFailure(run({"--export-svg", "o", "--frame", "x", "s.txt"}), "--frame");
  expectOneLineFailure(run({"--export-svg", "o", "none.txt"}), "none.txt", 3);
  writeFile(dir_ / "bad.ini", "{\"CameraW\": 0}");
  expectOneLineFailure(run({"--export-svg", "o", "--settings", "bad.ini", "s.txt"}), "bad.ini", 3);
  EXPECT_FALSE(fs::exists(dir_ / "o.svg"));
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
  EXPECT_EQ(files, 3u) << "no temporary files are left";
}

}  // namespace
}  // namespace pw
