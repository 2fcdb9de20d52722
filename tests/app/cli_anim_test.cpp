// --export-frames and --export-webp run as a user would: range checks, the folder of PNG frames,
// the WebP read back, and Ctrl+C in the middle of a long export.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <webp/demux.h>

#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "support/paths.h"

namespace pw {
namespace {

class CliAnimTest : public CliAnimationTest {
 protected:
  CliAnimTest() : CliAnimationTest(20) {}
};

TEST_F(CliAnimTest, BadRangesAndMisplacedOptionsFailWithOneLine) {
  struct Case {
    std::vector<std::string> args;
    const char* mention;
    int status = 1;
  } const cases[] = {
      {{"--export-frames", "out", "--from", "-1", "anim.txt"}, "--from"},
      {{"--export-frames", "out", "--from", "abc", "anim.txt"}, "abc"},
      {{"--export-frames", "out", "--to", "32768", "anim.txt"}, "32767"},
      {{"--export-webp", "o", "--from", "9", "--to", "3", "anim.txt"}, "--from 9 comes after --to 3"},
      {{"--export-webp", "o", "--from=2", "--from=3", "anim.txt"}, "twice"},
      {{"--export-png", "o.png", "--from", "2", "anim.txt"}, "--from"},
      {{"--dump-json", "--to", "2", "anim.txt"}, "--to"},
      {{"--export-frames", "anim.txt"}, "scene"},
      {{"--export-webp", "o", "--export-frames", "out", "anim.txt"}, "cannot be combined"},
      // Past the scene's max frame (9) with no --to to say where to stop.
      {{"--export-frames", "out", "--from", "12", "anim.txt"}, "--to"},
      {{"--export-webp", "o", "--settings", "missing.ini", "anim.txt"}, "missing.ini", 3},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    expectOneLineFailure(run(c.args), c.mention, c.status);
  }
  EXPECT_FALSE(fs::exists(dir_ / "out"));
  EXPECT_FALSE(fs::exists(dir_ / "o.webp"));
}

TEST_F(CliAnimTest, FramesGoToTheFolderNamedByFrameNumber) {
  Result r = run({"--export-frames", "a/b", "--settings", "cam.ini", "anim.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");  // no terminal: no progress line
  std::vector<std::string> want;
  for (int f = 0; f <= 9; ++f) want.push_back("frame_0000" + std::to_string(f) + ".png");
  EXPECT_EQ(files(dir_ / "a" / "b"), want);

  r = run({"--export-frames", "part", "--from=5", "--to", "12", "--settings", "cam.ini",
           "anim.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(files(dir_ / "part").size(), 8u);
  const QImage five((dir_ / "part" / "frame_00005.png").string().c_str());
  ASSERT_EQ(five.size(), QSize(160, 90));
  EXPECT_EQ(qAlpha(five.pixel(59, 20)), 0);
  EXPECT_EQ(five.pixel(60, 20), qRgba(255, 0, 0, 255));
  EXPECT_EQ(five.pixel(79, 29), qRgba(255, 0, 0, 255));
  EXPECT_EQ(qAlpha(five.pixel(80, 20)), 0);
  const QImage twelve((dir_ / "part" / "frame_00012.png").string().c_str());
  EXPECT_EQ(twelve.pixel(110, 20), qRgba(255, 0, 0, 255));  // held at the last key
}

TEST_F(CliAnimTest, WebpGetsItsExtensionAndEveryFrame) {
  const Result r = run({"--export-webp", "movie", "--to", "4", "--settings", "cam.ini",
                        "anim.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string data = readFile(dir_ / "movie.webp");
  WebPData wd{reinterpret_cast<const uint8_t*>(data.data()), data.size()};
  WebPDemuxer* demux = WebPDemux(&wd);
  ASSERT_NE(demux, nullptr);
  EXPECT_EQ(WebPDemuxGetI(demux, WEBP_FF_FRAME_COUNT), 5u);
  EXPECT_EQ(WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH), 160u);
  EXPECT_EQ(WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT), 90u);
  WebPIterator it;
  ASSERT_TRUE(WebPDemuxGetFrame(demux, 3, &it));
  EXPECT_EQ(it.duration, 50);
  WebPDemuxReleaseIterator(&it);
  WebPDemuxDelete(demux);
}

// True once a first frame was written anywhere below `dir` (frames wait in a staging folder
// until the export ends).
bool firstFrameWritten(const fs::path& dir) {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
       it.increment(ec))
    if (it->path().filename() == "frame_00000.png") return true;
  return false;
}

TEST_F(CliAnimTest, AnExportStoppedByASignalLeavesNoFrames) {
  // Ctrl+C, kill, a closed terminal, Ctrl+\: each ends the export with nothing left behind.
  for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    // The largest range there is: the export is far from done when its first frame appears.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(99);
      execl(pw::test::penwickBinary(), pw::test::penwickBinary(), "--export-frames", "out", "--to",
            "32767", "--settings", "cam.ini", "anim.txt", static_cast<char*>(nullptr));
      _exit(98);
    }
    // Waits for the first frame file (or for the process to end early).
    int status = 0;
    bool ended = false;
    while (!firstFrameWritten(dir_ / "out")) {
      if (waitpid(pid, &status, WNOHANG) == pid) {
        ended = true;
        break;
      }
      usleep(1000);
    }
    ASSERT_FALSE(ended) << "the export ended before it could be interrupted";
    kill(pid, sig);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << sig;
    EXPECT_EQ(WEXITSTATUS(status), 128 + sig) << "signal " << sig;  // 130 SIGINT, 143 SIGTERM
    EXPECT_FALSE(fs::exists(dir_ / "out")) << "signal " << sig;
    EXPECT_EQ(files(dir_), (std::vector<std::string>{"anim.txt", "cam.ini"})) << "signal " << sig;
  }
}

}  // namespace
}  // namespace pw
