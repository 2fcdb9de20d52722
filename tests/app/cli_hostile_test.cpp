// The command line facing hostile or mistaken input: files that are no scene, FIFOs, cameras
// past the largest canvas, damaged pictures, full devices and failed saves. Each run ends with
// one "penwick:" line and a clear status, and never overwrites what it should not.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QImage>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "cli_fixture.h"
#include "support/paths.h"

namespace pw {
namespace {

const std::string kScene =
    "gen, ,0.15,\r\nobj,Layer,0,0,100,100,0,0,0,255,0,\r\n"
    "shape,0,-8856356,Box_0,255,0,10,5,5,1,60,40,,10,10,\r\npt,0,0,0,\r\n";

std::string imageShape(const std::string& path) {
  return "shape,1,-1,photo,255,0,10,5,5,6,20,20," + path + ";0;0;0;20;20;0;,0,0,\r\npt,0,0,0,\r\n";
}

TEST_F(CliTest, FilesThatAreNoSceneAreRefusedAndOverwriteNothing) {
  std::string random(3000, '\0');
  for (size_t k = 0; k < random.size(); ++k) random[k] = static_cast<char>((k * 7919 + 13) % 251);
  std::string wide = "\xFF\xFE";
  for (const char c : kScene) wide += std::string{c, '\0'};
  struct Case {
    const char* what;
    std::string bytes;
  } const cases[] = {{"random bytes", random},
                     {"UTF-16", wide},
                     {"a password file", "root:*:19700:0:99999:7:::\n"}};
  for (const Case& c : cases) {
    writeFile(dir_ / "in.txt", c.bytes);
    writeFile(dir_ / "out.txt", kScene);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--save-as", "out", "in.txt"}, {"--dump-json", "in.txt"},
             {"--export-png", "pic.png", "in.txt"}}) {
      const Result r = run(args);
      expectOneLineFailure(r, "Unable to open the file in.txt: not a Penwick scene", 3);
    }
    EXPECT_EQ(readFile(dir_ / "out.txt"), kScene) << c.what;
    EXPECT_FALSE(fs::exists(dir_ / "pic.png")) << c.what;
  }
  // An empty file is still an empty scene.
  writeFile(dir_ / "empty.txt", "");
  EXPECT_EQ(run({"--save-as", "out", "empty.txt"}).status, 0);
}

TEST_F(CliTest, FifosAreRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  expectOneLineFailure(run({"--dump-json", "pipe"}), "not a regular file", 3);
  writeFile(dir_ / "s.txt", kScene + imageShape("pipe"));
  Result r = run({"--export-png", "o.png", "s.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "penwick: warning: The Image file doesn't exists :  pipe\n");
  writeFile(dir_ / "plain.txt", kScene);
  expectOneLineFailure(run({"--export-png", "o.png", "--settings", "pipe", "plain.txt"}),
                       "cannot read the settings file pipe", 3);
  // A Preferences.ini that is a FIFO is passed over, like any unusable one.
  ASSERT_EQ(::mkfifo((dir_ / "Preferences.ini").c_str(), 0600), 0);
  r = run({"--export-png", "o.png", "s.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(CliTest, CameraFromSettingsStaysWithinTheLargestCanvas) {
  writeFile(dir_ / "s.txt", kScene);
  writeFile(dir_ / "big.ini", "{\"CameraW\": 32767, \"CameraH\": 4}");
  Result r = run({"--export-png", "o.png", "--camera", "--settings", "big.ini", "s.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(QImage(QString::fromStdString((dir_ / "o.png").string())).size(), QSize(16384, 4));

  for (const char* camera : {"\"CameraW\": 0, \"CameraH\": 600", "\"CameraW\": 800, \"CameraH\": -2"}) {
    writeFile(dir_ / "bad.ini", std::string("{") + camera + "}");
    expectOneLineFailure(run({"--export-png", "o.png", "--settings", "bad.ini", "s.txt"}),
                         "the settings file bad.ini is not valid: the camera is ", 3);
    // The same file as Preferences.ini is a warning, and the defaults apply.
    writeFile(dir_ / "Preferences.ini", std::string("{") + camera + "}");
    r = run({"--export-png", "p.png", "--camera", "s.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("penwick: warning: Preferences.ini is not valid (the camera is "),
              std::string::npos) << r.err;
    EXPECT_EQ(QImage(QString::fromStdString((dir_ / "p.png").string())).size(), QSize(1024, 768));
  }
}

TEST_F(CliTest, DamagedPicturesAreWarningsInTheProgramsOwnWords) {
  const std::string sun = readFile(fs::path(pw::test::sourceDir()) / "examples/sun.png");
  writeFile(dir_ / "cut.png", sun.substr(0, 300));
  writeFile(dir_ / "s.txt", kScene + imageShape("cut.png"));
  for (const char* cmd : {"--dump-json", "--export-png"}) {
    std::vector<std::string> args{cmd};
    if (std::string(cmd) == "--export-png") args.push_back("o.png");
    args.push_back("s.txt");
    const Result r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "penwick: warning: Unable to load the image file cut.png\n") << cmd;
  }
  writeFile(dir_ / "s.txt", kScene + imageShape(""));
  const Result r = run({"--dump-json", "s.txt"});
  EXPECT_EQ(r.err, "penwick: warning: The Image file doesn't exists: the image shape names no file\n");
}

// 32,767 keys flinging the object 2^62 units either way (every third key brings it back), a dashed
// line from -2^60 to 2^60 and a text of a million letters: the vector and the encoded exports each
// end in bounded time and memory and write their file.
TEST_F(CliTest, HostileScenesThroughTheVectorAndEncodedExports) {
  std::string scene = "gen, ,0.15,\r\nanim,32766,30,\r\nobj,Layer,0,0,100,100,0,0,0,255,0,\r\n";
  for (int f = 0; f < 32767; ++f) {
    const char* x = f % 3 == 0 ? "0" : f % 3 == 1 ? "4611686018427387904" : "-4611686018427387904";
    scene += "key," + std::to_string(f) + "," + std::to_string(f % 3) + "," + x +
             ",0,100,100,0,0,0,255,\r\n";
  }
  scene += "shape,0,-16776961,L,255,2,3,5,5,4,0,0,,0,0,\r\n"
           "pt,0,-1152921504606846976,5,\r\npt,1,1152921504606846976,60,\r\n";
  scene += "shape,1,-16776961,T,255,0,10,5,5,7,30,20," + std::string(1 << 20, 'W') +
           ";DejaVu Sans;0,0,10,\r\npt,0,0,0,\r\n";
  writeFile(dir_ / "s.txt", scene);
  writeFile(dir_ / "cam.ini", "{\"CameraW\": 160, \"CameraH\": 90}");
  // The encoded exports draw their frames as the frame export does; two frames, one far away,
  // say enough (MP4 and WebM share the writer).
  const std::vector<std::vector<std::string>> runs = {
      {"--export-svg", "o.svg", "--frame", "1"},
      {"--export-lottie", "o.json", "--to", "32767"},
      {"--export-gif", "o.gif", "--to", "1"},
      {"--export-video", "o.webm", "--to", "1"}};
  for (std::vector<std::string> args : runs) {
    SCOPED_TRACE(args[0]);
    const std::string out = args[1];
    for (const char* a : {"--settings", "cam.ini", "s.txt"}) args.push_back(a);
    const auto start = std::chrono::steady_clock::now();
    const Result r = run(args);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(seconds, 60);
    EXPECT_GT(fs::file_size(dir_ / out), 0u);
    EXPECT_LT(fs::file_size(dir_ / out), 64u << 20);
  }
  rusage use{};
  ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &use), 0);
  EXPECT_LT(use.ru_maxrss, 3l << 20) << "kB at most, in the largest run";
}

TEST_F(CliTest, OutputThatCannotBeWrittenFailsWithTheReason) {
  for (const char* flag : {"--help", "--version"}) {
    const Result r = run({flag}, ">/dev/full");
    EXPECT_EQ(r.status, 6) << flag;  // a full disk
    EXPECT_EQ(r.err, std::string("penwick: cannot write to standard output: ") +
                         std::strerror(ENOSPC) + "\n");
  }
  writeFile(dir_ / "s.txt", kScene);
  expectOneLineFailure(run({"--save-as", "no/such/out", "s.txt"}),
                       std::string("Unable to save the file no/such/out.txt: ") + std::strerror(ENOENT),
                       5);
  expectOneLineFailure(run({"--export-png", "no/such/o.png", "s.txt"}),
                       std::string("Cannot save image: no/such/o.png: ") + std::strerror(ENOENT), 5);
  writeFile(dir_ / "locked.txt", "keep");
  ASSERT_EQ(::chmod((dir_ / "locked.txt").c_str(), 0444), 0);
  expectOneLineFailure(run({"--save-as", "locked", "s.txt"}),
                       "Unable to save the file locked.txt: the file is read-only", 5);
  EXPECT_EQ(readFile(dir_ / "locked.txt"), "keep");
}

}  // namespace
}  // namespace pw
