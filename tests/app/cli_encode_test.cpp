// --export-gif, --export-apng and --export-video run as a user would: the names they write, the
// files read back with FFmpeg against the frames of --export-frames, refusals that write
// nothing, and a signal in the middle of a long export.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "support/av_read.h"
#include "support/paths.h"

namespace pw {
namespace {

class CliEncodeTest : public CliAnimationTest {
 protected:
  CliEncodeTest() : CliAnimationTest(25) {}
};

TEST_F(CliEncodeTest, RefusalsWriteNothing) {
  struct Case {
    std::vector<std::string> args;
    const char* mention;
    int status = 1;
  } const cases[] = {
      {{"--export-gif", "o", "--quality", "0", "anim.txt"}, "1 to 100, not 0"},
      {{"--export-video", "o.mp4", "--quality", "high", "anim.txt"}, "not high"},
      {{"--export-apng", "o", "--quality", "50", "anim.txt"}, "applies only"},
      {{"--export-video", "o.mov", "anim.txt"}, ".mp4 or .webm, not o.mov"},
      {{"--export-gif", "missing/o.gif", "anim.txt"}, "cannot write missing/o.gif: ", 5},
      {{"--export-video", "o.mp4", "--from", "12", "anim.txt"}, "--to"},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    expectOneLineFailure(run(c.args), c.mention, c.status);
  }
  EXPECT_EQ(files(), (std::vector<std::string>{"anim.txt", "cam.ini"}));
}

TEST_F(CliEncodeTest, EachFlagWritesItsFileWithTheFramesOfTheFolderExport) {
  Result r = run({"--export-frames", "frames", "--settings", "cam.ini", "anim.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  const QImage png = QImage((dir_ / "frames" / "frame_00004.png").string().c_str())
                         .convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(png.size(), QSize(160, 90));
  struct Case {
    std::vector<std::string> args;
    const char* file;
    const char* codec;
    bool exact;  // the middle frame equals the PNG frame
  } const cases[] = {
      {{"--export-gif", "movie"}, "movie.gif", "gif", true},
      {{"--export-apng", "movie.apng"}, "movie.apng", "apng", true},
      {{"--export-apng", "still"}, "still.png", "apng", true},
      {{"--export-video", "clip.MP4", "--quality", "90"}, "clip.MP4", "h264", false},
      {{"--export-video", "clip.webm"}, "clip.webm", "vp9", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--settings", "cam.ini", "anim.txt"});
    r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const test::AvRead read = test::readAv((dir_ / c.file).string(), 4);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.codec, c.codec);
    EXPECT_EQ(read.decoded, 10);
    EXPECT_EQ(av_cmp_q(read.rFrameRate, AVRational{25, 1}), 0);
    ASSERT_EQ(read.frame.size(), png.size());
    // Inside the box (x 50..69 at frame 4) and the clear background, which a video shows
    // black. The lossless formats keep every pixel (a clear one whatever its colour); a video
    // stays within its 8-bit YUV round trip away from the box's edges.
    const auto same = [&](QRgb want, QRgb got) {
      if (!c.exact) {
        if (qAlpha(want) < 255) want = qRgb(0, 0, 0);
        return std::abs(qRed(got) - qRed(want)) <= 10 && std::abs(qGreen(got) - qGreen(want)) <= 10 &&
               std::abs(qBlue(got) - qBlue(want)) <= 10;
      }
      return qAlpha(want) == qAlpha(got) && (qAlpha(want) == 0 || want == got);
    };
    for (const QPoint p : {QPoint(55, 15), QPoint(68, 28), QPoint(5, 5), QPoint(120, 60)})
      EXPECT_TRUE(same(png.pixel(p), read.frame.pixel(p))) << p.x() << "," << p.y();
    int differ = 0;
    for (int y = 0; c.exact && y < png.height(); ++y)
      for (int x = 0; x < png.width(); ++x) differ += !same(png.pixel(x, y), read.frame.pixel(x, y));
    EXPECT_EQ(differ, 0);
  }
}

TEST_F(CliEncodeTest, ASignalStopsTheExportWithNothingLeftBehind) {
  for (const char* target : {"long.gif", "long.webm"}) {
    const bool gif = std::string(target).ends_with(".gif");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(99);
      execl(pw::test::penwickBinary(), pw::test::penwickBinary(),
            gif ? "--export-gif" : "--export-video", target, "--to", "32767", "--settings",
            "cam.ini", "anim.txt", static_cast<char*>(nullptr));
      _exit(98);
    }
    // Waits for the temporary file, then a little longer: the export is under way.
    int status = 0;
    bool ended = false;
    for (bool started = false; !started;) {
      for (const std::string& n : files()) started = started || n.find(".part") != std::string::npos;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        ended = true;
        break;
      }
      usleep(1000);
    }
    ASSERT_FALSE(ended) << "the export ended before it could be interrupted";
    usleep(200000);
    kill(pid, SIGTERM);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << target;
    EXPECT_EQ(WEXITSTATUS(status), 143) << target;  // SIGTERM
    EXPECT_EQ(files(), (std::vector<std::string>{"anim.txt", "cam.ini"})) << target;
  }
}

}  // namespace
}  // namespace pw
