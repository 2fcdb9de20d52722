// The command line as a render farm's worker: frames that are the same bytes however the work is
// split, the GNU parallel recipe end to end, a run without network that writes nothing else,
// resuming a stopped run with --skip-existing, and every exit status.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <webp/demux.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli_fixture.h"
#include "support/paths.h"

namespace pw {
namespace {

// A camera of 256 x 192 over the middle of examples/animation.txt's 1024 x 768 stage, where the
// ball bounces: 48 small frames.
constexpr const char* kSmallCamera =
    "{\"CameraX\": 384, \"CameraY\": 288, \"CameraW\": 256, \"CameraH\": 192}";

class CliFarmTest : public CliAnimationTest {
 protected:
  CliFarmTest() : CliAnimationTest(24) {}
  void SetUp() override {
    CliAnimationTest::SetUp();
    writeFile(dir_ / "small.ini", kSmallCamera);
    fs::copy_file(fs::path(test::sourceDir()) / "examples" / "animation.txt",
                  dir_ / "animation.txt");
  }

  // Runs a shell command line in the scratch folder, the program's folder first on PATH.
  Result sh(const std::string& command) {
    const std::string bin = fs::path(test::penwickBinary()).parent_path().string();
    std::string cmd = "cd " + shellQuoted(dir_.string()) + " && PATH=" + shellQuoted(bin) +
                      ":\"$PATH\" && { " + command + "; } 2>" + shellQuoted(errFile_);
    Result r;
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) r.out.append(buf, n);
    const int rc = pclose(f);
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.err = readFile(errFile_);
    return r;
  }

  // Every file of folder `d` by name, with its bytes.
  std::map<std::string, std::string> contents(const fs::path& d) const {
    std::map<std::string, std::string> all;
    for (const std::string& name : files(d)) all[name] = readFile(d / name);
    return all;
  }

  // Lines of `text` that start with `prefix`.
  static int linesStarting(const std::string& text, const std::string& prefix) {
    int n = 0;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) n += l.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
};

std::vector<std::string> frameNames(int from, int to) {
  std::vector<std::string> names;
  char name[32];
  for (int f = from; f <= to; ++f) {
    std::snprintf(name, sizeof name, "frame_%05d.png", f);
    names.push_back(name);
  }
  return names;
}

// The frames of an animated WebP, decoded to RGBA.
std::vector<std::string> webpFrames(const std::string& data) {
  std::vector<std::string> frames;
  WebPData wd{reinterpret_cast<const uint8_t*>(data.data()), data.size()};
  WebPAnimDecoderOptions opt;
  if (!WebPAnimDecoderOptionsInit(&opt)) return frames;
  opt.color_mode = MODE_RGBA;
  WebPAnimDecoder* dec = WebPAnimDecoderNew(&wd, &opt);
  if (!dec) return frames;
  WebPAnimInfo info;
  WebPAnimDecoderGetInfo(dec, &info);
  const size_t bytes = size_t{info.canvas_width} * info.canvas_height * 4;
  while (WebPAnimDecoderHasMoreFrames(dec)) {
    uint8_t* buf = nullptr;
    int ts = 0;
    if (!WebPAnimDecoderGetNext(dec, &buf, &ts)) break;
    frames.emplace_back(reinterpret_cast<const char*>(buf), bytes);
  }
  WebPAnimDecoderDelete(dec);
  return frames;
}

TEST_F(CliFarmTest, FramesAreTheSameBytesHoweverTheWorkIsSplit) {
  const std::string common = " --settings small.ini animation.txt";
  Result r = sh("penwick --export-frames one --to 47" + common);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto one = contents(dir_ / "one");
  ASSERT_EQ(files(dir_ / "one"), frameNames(0, 47));
  // Four processes at once into one folder, a chunk of 12 frames each.
  r = sh("p=; for c in 0-11 12-23 24-35 36-47; do penwick --export-frames chunks --frames $c" +
         common + " & p=\"$p $!\"; done; s=0; for j in $p; do wait $j || s=1; done; exit $s");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(contents(dir_ / "chunks"), one);
  for (const char* threads : {"1", "2"}) {
    const std::string folder = std::string("threads") + threads;
    r = sh("penwick --export-frames " + folder + " --to 47 --threads " + threads + common);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(contents(dir_ / folder), one) << threads << " threads";
  }
}

TEST_F(CliFarmTest, TheGnuParallelRecipeAssemblesTheSameWebp) {
  if (sh("command -v parallel").status != 0)
    GTEST_SKIP() << "GNU parallel is not installed (Debian: apt-get install parallel); the "
                    "recipe examples/farm/parallel-local.sh is not tried";
  const std::string recipe =
      (fs::path(test::sourceDir()) / "examples" / "farm" / "parallel-local.sh").string();
  Result r = sh("sh " + shellQuoted(recipe) +
                " -j 4 -c 12 animation.txt 0 47 farm.webp --settings small.ini </dev/null");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(linesStarting(r.err, "penwick: frame "), 48) << r.err;
  EXPECT_EQ(files(dir_ / "farm.frames"), frameNames(0, 47));
  r = sh("penwick --export-webp single.webp --settings small.ini animation.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> single = webpFrames(readFile(dir_ / "single.webp"));
  ASSERT_EQ(single.size(), 48u);
  const std::vector<std::string> farm = webpFrames(readFile(dir_ / "farm.webp"));
  ASSERT_EQ(farm.size(), 48u);
  for (size_t k = 0; k < single.size(); ++k) EXPECT_TRUE(farm[k] == single[k]) << "frame " << k;
  EXPECT_EQ(readFile(dir_ / "farm.webp"), readFile(dir_ / "single.webp"));
}

TEST_F(CliFarmTest, AnExportNeedsNoNetworkAndWritesNothingElse) {
  // A home, a temporary folder and a working folder of their own, with nothing in them but
  // the inputs. The scene has a text: the font machinery starts too.
  fs::create_directories(dir_ / "home");
  fs::create_directories(dir_ / "tmp");
  fs::create_directories(dir_ / "work");
  fs::copy_file(dir_ / "animation.txt", dir_ / "work" / "animation.txt");
  fs::copy_file(dir_ / "small.ini", dir_ / "work" / "small.ini");
  const std::string env = "env -i PATH=\"$PATH\" HOME=" + shellQuoted((dir_ / "home").string()) +
                          " TMPDIR=" + shellQuoted((dir_ / "tmp").string()) +
                          " QT_QPA_PLATFORM=offscreen ";
  Result r = sh("cd work && " + env +
                "penwick --export-webp out.webp --progress off --settings small.ini "
                "animation.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(files(dir_ / "home"), std::vector<std::string>{});
  EXPECT_EQ(files(dir_ / "tmp"), std::vector<std::string>{});
  EXPECT_EQ(files(dir_ / "work"),
            (std::vector<std::string>{"animation.txt", "out.webp", "small.ini"}));

  // No network at all: the same file. unshare needs a user namespace (or root).
  if (sh("unshare -n -r true || unshare -n true").status != 0)
    GTEST_SKIP() << "unshare -n is not permitted here; the run without network is not tried";
  fs::rename(dir_ / "work" / "out.webp", dir_ / "online.webp");
  r = sh("cd work && { unshare -n -r true 2>/dev/null && u='unshare -n -r' || u='unshare -n'; } "
         "&& $u " + env + "penwick --export-webp out.webp --settings small.ini animation.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(dir_ / "work" / "out.webp"), readFile(dir_ / "online.webp"));
  EXPECT_EQ(files(dir_ / "home"), std::vector<std::string>{});
  EXPECT_EQ(files(dir_ / "work"),
            (std::vector<std::string>{"animation.txt", "out.webp", "small.ini"}));
}

TEST_F(CliFarmTest, SkipExistingDrawsOnlyWhatAStoppedRunLeft) {
  // One thread, so that frames come one after another; stopped by SIGTERM at frame 20.
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (chdir(dir_.c_str()) != 0) _exit(99);
    dup2(pipeFds[1], STDERR_FILENO);
    close(pipeFds[0]);
    execl(test::penwickBinary(), test::penwickBinary(), "--export-frames", "out", "--to", "47",
          "--skip-existing", "--threads", "1", "--progress", "lines", "--settings", "small.ini",
          "animation.txt", static_cast<char*>(nullptr));
    _exit(98);
  }
  close(pipeFds[1]);
  std::string err;
  char buf[512];
  bool sent = false;
  for (ssize_t n; (n = read(pipeFds[0], buf, sizeof buf)) > 0;) {
    err.append(buf, static_cast<size_t>(n));
    if (!sent && err.find("penwick: frame 20 of 48\n") != std::string::npos) {
      kill(pid, SIGTERM);
      sent = true;
    }
  }
  close(pipeFds[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(sent) << err;
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 143) << err;
  const size_t kept = files(dir_ / "out").size();
  EXPECT_GE(kept, 20u);
  EXPECT_LT(kept, 48u);
  EXPECT_EQ(files(dir_ / "out"), frameNames(0, static_cast<int>(kept) - 1));  // whole frames only
  EXPECT_NE(err.find("penwick: export interrupted; the "), std::string::npos) << err;

  // A frame cut short (as a full disk would leave it) is drawn again too.
  const fs::path last = dir_ / "out" / frameNames(0, 47)[kept - 1];
  fs::resize_file(last, fs::file_size(last) / 2);
  const Result r = sh("penwick --export-frames out --to 47 --skip-existing --progress lines "
                      "--settings small.ini animation.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  const int drawn = 48 - static_cast<int>(kept) + 1;
  EXPECT_EQ(linesStarting(r.err, "penwick: frame "), drawn) << r.err;
  EXPECT_NE(r.err.find("penwick: " + std::to_string(kept - 1) + " frames already in out, " +
                       std::to_string(drawn) + " to draw\n"),
            std::string::npos)
      << r.err;
  ASSERT_EQ(sh("penwick --export-frames fresh --to 47 --settings small.ini animation.txt").status,
            0);
  EXPECT_EQ(contents(dir_ / "out"), contents(dir_ / "fresh"));

  // Nothing left to draw: done at once.
  const Result again = sh("penwick --export-frames out --to 47 --skip-existing --progress json "
                          "--settings small.ini animation.txt");
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.err,
            "{\"event\":\"start\",\"output\":\"out\",\"frames\":0,\"skipped\":48}\n"
            "{\"event\":\"end\",\"status\":\"done\",\"frames\":0,\"total\":0,\"seconds\":" +
                again.err.substr(again.err.find("\"seconds\":") + 10));
}

TEST_F(CliFarmTest, JsonProgressNamesEachFrame) {
  const Result r = sh("penwick --export-frames out --frames 3,5-6 --progress json "
                      "--settings small.ini animation.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = r.errLines();
  ASSERT_EQ(lines.size(), 5u) << r.err;
  EXPECT_EQ(lines[0], "{\"event\":\"start\",\"output\":\"out\",\"frames\":3,\"skipped\":0}");
  EXPECT_EQ(lines[1], "{\"event\":\"frame\",\"frame\":3,\"done\":1,\"total\":3}");
  EXPECT_EQ(lines[3], "{\"event\":\"frame\",\"frame\":6,\"done\":3,\"total\":3}");
  EXPECT_EQ(lines[4].rfind("{\"event\":\"end\",\"status\":\"done\",\"frames\":3,\"total\":3,"
                           "\"seconds\":", 0),
            0u)
      << lines[4];
  EXPECT_EQ(files(dir_ / "out"),
            (std::vector<std::string>{"frame_00003.png", "frame_00005.png", "frame_00006.png"}));
}

TEST_F(CliFarmTest, ImagesResolveBesideTheSceneFirst) {
  // The scene in a folder of its own with its picture; run from elsewhere.
  fs::create_directories(dir_ / "job");
  QImage pic(8, 8, QImage::Format_ARGB32);
  pic.fill(qRgba(0, 0, 255, 255));
  ASSERT_TRUE(pic.save((dir_ / "job" / "pic.png").string().c_str()));
  writeFile(dir_ / "job" / "img.txt",
            "gen, ,0.15,\r\n"
            "obj,Layer,0,0,100,100,0,0,0,255,0,\r\n"
            "shape,0,-8856356,Img_0,255,0,10,5,5,6,8,8,pic.png;0;0;0;8;8;0;,10,10,\r\n"
            "pt,0,0,0,\r\n");
  Result r = sh("penwick --export-png out.png job/img.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");  // no warning: the picture was found beside the scene
  r = sh("penwick --export-png strict.png --strict job/img.txt");
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(CliFarmTest, EveryExitStatus) {
  fs::create_directories(dir_ / "rendered");
  ASSERT_EQ(sh("penwick --export-frames rendered --to 5 --settings small.ini animation.txt").status,
            0);
  fs::remove(dir_ / "rendered" / "frame_00003.png");
  writeFile(dir_ / "blocker", "a file where a folder should be");
  writeFile(dir_ / "missing-image.txt",
            "gen, ,0.15,\r\n"
            "obj,Layer,0,0,100,100,0,0,0,255,0,\r\n"
            "shape,0,-8856356,Img_0,255,0,10,5,5,6,8,8,nowhere.png;0;0;0;8;8;0;,10,10,\r\n"
            "pt,0,0,0,\r\n");
  writeFile(dir_ / "missing-font.txt",
            "gen, ,0.15,\r\n"
            "obj,Layer,0,0,100,100,0,0,0,255,0,\r\n"
            "shape,0,-10868706,t,255,0,10,5,5,7,56,5,Hello;No Such Face 1234;0;,60,40,\r\n"
            "pt,0,0,0,\r\n");
  writeFile(dir_ / "huge.ini", "{\"CameraW\": 16384, \"CameraH\": 16384}");
  const struct {
    const char* command;
    int status;
    const char* says;
  } cases[] = {
      {"penwick --export-frames ok --frames 0-1 --settings small.ini animation.txt", 0, ""},
      {"penwick --export-frames x --frames 3-1 animation.txt", 1, "runs backwards"},
      {"penwick --no-such-flag", 1, "unknown option"},
      {"env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM penwick </dev/null", 2, "no display"},
      {"penwick --export-frames x no-such-scene.txt", 3, "no-such-scene.txt"},
      {"penwick --export-frames x --settings nothing.ini animation.txt", 3, "nothing.ini"},
      {"penwick --export-frames x --strict missing-image.txt", 4, "nowhere.png"},
      {"penwick --export-png x.png --strict missing-font.txt", 4, "No Such Face 1234"},
      // The shipped scene's "arial" is drawn by its metric twin, Liberation Sans.
      {"penwick --export-frames strict --frames 40 --strict --settings small.ini animation.txt",
       0, ""},
      {"penwick --export-frames blocker/x --to 1 --settings small.ini animation.txt", 5,
       "blocker"},
      // Not even one thread's frame fits in 1 GB of address space.
      {"ulimit -v 1000000 && penwick --export-frames big --frames 0 --settings huge.ini "
       "anim.txt",
       6, "memory"},
      {"penwick --export-webp w.webp --from-frames rendered --to 5 animation.txt", 7,
       "frame_00003.png is missing"},
      {"penwick --export-webp w.webp --from-frames nowhere animation.txt", 7, "not a folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer reserves terabytes of address space at start: no limit fits it.
    if (std::string_view(c.command).starts_with("ulimit -v")) continue;
#endif
    const Result r = sh(c.command);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  // 130 and 143 (Ctrl+C and SIGTERM): cli_anim_test and SkipExistingDrawsOnlyWhatAStoppedRunLeft.
}

}  // namespace
}  // namespace pw
