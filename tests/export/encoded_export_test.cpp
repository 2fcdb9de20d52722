// The GIF, APNG, MP4 and WebM exports read back with FFmpeg's libraries: every frame once at the
// scene's rate, the loop, the middle frame against the drawn one, and what stopping or failing
// leaves behind. Also the GIF palette and the formats' name and quality rules.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/editor.h"
#include "core/scene_file.h"
#include "core/scripted_prompt.h"
#include "export/encoded_export.h"
#include "export/gif_palette.h"
#include "fileio/atomic_file.h"
#include "render/image_store.h"
#include "support/av_read.h"
#include "support/files.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

// A 20 x 20 opaque red box keyed from x 0 at frame 0 to x 100 at frame 10, and a half-clear
// blue box that stays at (150, 60); max frame 9 at 20 frames per second.
const char* kKeyedBoxes =
    "gen, ,0.15,\r\n"
    "anim,9,20,\r\n"
    "obj,Layer,0,0,100,100,0,0,0,255,0,\r\n"
    "key,0,0,0,0,100,100,0,0,0,255,\r\n"
    "key,10,0,100,0,100,100,0,0,0,255,\r\n"
    "shape,0,-16776961,Box_0,255,0,10,5,5,1,20,20,,10,10,\r\n"
    "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\n"
    "pt,0,0,0,\r\n"
    "obj,Still,0,0,100,100,0,0,0,255,0,\r\n"
    "shape,0,-65536,Box_1,100,0,10,5,5,1,20,20,,150,60,\r\n"
    "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\n"
    "pt,0,0,0,\r\n";

constexpr EncodedFormat kAll[] = {EncodedFormat::kGif, EncodedFormat::kApng,
                                  EncodedFormat::kMp4, EncodedFormat::kWebm};

const char* extensionOf(EncodedFormat f) {
  switch (f) {
    case EncodedFormat::kGif: return ".gif";
    case EncodedFormat::kApng: return ".png";
    case EncodedFormat::kMp4: return ".mp4";
    case EncodedFormat::kWebm: return ".webm";
  }
  return "";
}

int channelDiff(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

// The drawn pixel as the format shows it: GIF keeps a pixel at least half opaque with its
// colour, a video shows the frame over black.
QRgb expected(EncodedFormat f, QRgb straight) {
  const int a = qAlpha(straight);
  switch (f) {
    case EncodedFormat::kGif: return a >= 128 ? (straight | 0xFF000000u) : 0;
    case EncodedFormat::kApng: return straight;
    default:
      return qRgb(qRed(straight) * a / 255, qGreen(straight) * a / 255,
                  qBlue(straight) * a / 255);
  }
}

// The packets, in the order shown, start at their frame's time and last one frame, to the
// nearest tick of the stream's time base.
void expectFrameTimes(const test::AvRead& r, int fps, size_t frames) {
  ASSERT_EQ(r.pts.size(), frames);
  std::vector<int64_t> shown = r.pts;  // packets come in decoding order
  std::sort(shown.begin(), shown.end());
  const AVRational frame{1, fps};
  const bool exact = r.timeBase.num > 0 && int64_t{r.timeBase.den} % (int64_t{fps} * r.timeBase.num) == 0;
  for (size_t k = 0; k < frames; ++k) {
    const int64_t start = av_rescale_q(static_cast<int64_t>(k), frame, r.timeBase);
    const int64_t end = av_rescale_q(static_cast<int64_t>(k + 1), frame, r.timeBase);
    EXPECT_EQ(shown[k], start) << "frame " << k << " in " << r.timeBase.num << "/"
                               << r.timeBase.den;
    if (exact)
      EXPECT_EQ(r.durations[k], end - start) << "frame " << k;
    else
      EXPECT_LE(std::abs(r.durations[k] - (end - start)), 1) << "frame " << k;
  }
}

class EncodedExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("penwick-encoded-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    const fs::path scene = dir_ / "scene.txt";
    ASSERT_TRUE(writeFileAtomic(scene.string(), kKeyedBoxes));
    ASSERT_TRUE(loadScene(ed_, kLoadReplace, scene.string(), false));
    ed_.options.CameraX = 0;
    ed_.options.CameraY = 0;
    ed_.options.CameraW = 200;
    ed_.options.CameraH = 100;
  }
  void TearDown() override { fs::remove_all(dir_); }

  AnimExport job(int64_t from, int64_t to) {
    return AnimExport{ed_.doc, ed_.options, store_, from, to, 2, {}, {}, {}, {}, false};
  }
  std::vector<std::string> filesIn(const fs::path& d) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(d)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
  ScriptedPrompt prompt_;
  ImageStore store_;
  Editor ed_{prompt_, store_};
};

TEST_F(EncodedExportTest, EveryFrameOnceAtTheScenesRateWithTheMiddleFrameAsDrawn) {
  // The largest difference from the drawn frame each format allows: none for the lossless
  // APNG, nor for a GIF whose frames hold fewer colours than its palette. A video frame is
  // 4:2:0 YUV: colour is kept at half resolution, so only pixels two or more away from an edge
  // are compared, within the 8-bit YUV round trip and the encoder's loss on flat areas.
  struct Case {
    EncodedFormat format;
    int fps;
    int tolerance;
  } const cases[] = {{EncodedFormat::kGif, 20, 0},  {EncodedFormat::kApng, 20, 0},
                     {EncodedFormat::kApng, 24, 0}, {EncodedFormat::kMp4, 20, 10},
                     {EncodedFormat::kMp4, 24, 10}, {EncodedFormat::kWebm, 20, 10},
                     {EncodedFormat::kWebm, 24, 10}, {EncodedFormat::kWebm, 30, 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(formatName(c.format)) + " @ " + std::to_string(c.fps));
    ed_.doc.Fps = c.fps;
    const std::string file = (dir_ / (std::string("a") + extensionOf(c.format))).string();
    const ExportOutcome o = exportEncoded(job(0, 9), file, c.format, defaultQuality(c.format));
    ASSERT_TRUE(o.done()) << o.error;
    EXPECT_EQ(o.frames, 10);
    const test::AvRead r = test::readAv(file, 5);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.width, 200);
    EXPECT_EQ(r.height, 100);
    EXPECT_EQ(r.decoded, 10);
    ASSERT_EQ(r.durations.size(), 10u);
    // Each packet lasts one frame in the stream's time base (APNG's reader rounds its delays to
    // 1/100000 s: the file's own fractions are checked below) and starts at its frame's time:
    // exactly, or to the nearest tick where the time base cannot say it (Matroska counts
    // milliseconds: 41 or 42 for a frame of 1/24 s), never drifting.
    if (c.format != EncodedFormat::kApng) expectFrameTimes(r, c.fps, 10);
    if (c.format != EncodedFormat::kApng) {  // the APNG reader rounds to 1/100000 s
      EXPECT_EQ(av_cmp_q(r.rFrameRate, AVRational{c.fps, 1}), 0);
    }
    if (c.format != EncodedFormat::kGif) {  // the GIF reader guesses from its first frames
      EXPECT_EQ(av_cmp_q(r.avgFrameRate, AVRational{c.fps, 1}), 0);
    }
    const std::string bytes = test::readFile(file);
    if (c.format == EncodedFormat::kGif || c.format == EncodedFormat::kApng) {
      EXPECT_EQ(test::storedLoops(bytes), 0);  // forever
    }
    if (c.format == EncodedFormat::kApng) {
      EXPECT_EQ(test::apngDelays(bytes),
                (std::vector<std::pair<int, int>>(10, {1, c.fps})));
    }

    FrameRenderer renderer(ed_.doc, ed_.options, store_);
    const QImage drawn = renderer.render(5).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(r.frame.size(), drawn.size());
    // Inside the moving box, inside the half-clear one, the background, and for the lossless
    // formats every pixel.
    const int margin = c.tolerance > 0 ? 2 : 0;
    int compared = 0;
    for (int y = margin; y < 100 - margin; ++y) {
      for (int x = margin; x < 200 - margin; ++x) {
        bool nearEdge = false;
        for (int dy = -margin; dy <= margin && !nearEdge; ++dy)
          for (int dx = -margin; dx <= margin && !nearEdge; ++dx)
            nearEdge = drawn.pixel(x + dx, y + dy) != drawn.pixel(x, y);
        if (nearEdge) continue;
        const QRgb want = expected(c.format, drawn.pixel(x, y));
        const QRgb got = r.frame.pixel(x, y);
        ++compared;
        if (c.format != EncodedFormat::kMp4 && c.format != EncodedFormat::kWebm &&
            qAlpha(want) != qAlpha(got)) {
          ADD_FAILURE() << "alpha at " << x << "," << y << ": " << qAlpha(got) << " for "
                        << qAlpha(want);
          return;
        }
        if (qAlpha(want) > 0 && channelDiff(want, got) > c.tolerance) {
          ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " for "
                        << want;
          return;
        }
      }
    }
    EXPECT_GT(compared, 15000);
  }
}

// Ten seconds at 24 frames per second: a frame lasts 41 2/3 ms, which Matroska's milliseconds
// round; the rate read back stays 24, and the 300th frame starts at 12458 ms, not 300 x 41.
TEST_F(EncodedExportTest, WebmKeepsTheSceneRateOverTenSeconds) {
  ed_.doc.Fps = 24;
  ed_.options.CameraW = 32;
  ed_.options.CameraH = 16;
  const std::string file = (dir_ / "long.webm").string();
  const ExportOutcome o = exportEncoded(job(0, 299), file, EncodedFormat::kWebm, 20);
  ASSERT_TRUE(o.done()) << o.error;
  const test::AvRead r = test::readAv(file, 0);
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.decoded, 300);
  EXPECT_EQ(av_cmp_q(r.rFrameRate, AVRational{24, 1}), 0);
  EXPECT_EQ(av_cmp_q(r.avgFrameRate, AVRational{24, 1}), 0);
  expectFrameTimes(r, 24, 300);
}

TEST_F(EncodedExportTest, StoppingOrFailingLeavesTheTargetAsItWas) {
  for (const EncodedFormat f : kAll) {
    SCOPED_TRACE(formatName(f));
    const std::string file = (dir_ / (std::string("c") + extensionOf(f))).string();
    ASSERT_TRUE(writeFileAtomic(file, "old"));
    // Cancelled at the very last frame, and a failing frame half-way.
    AnimExport cancelled = job(0, 9);
    cancelled.progress = [](int64_t done, int64_t total) { return done < total; };
    EXPECT_EQ(exportEncoded(cancelled, file, f, defaultQuality(f)).status,
              ExportOutcome::Status::kCancelled);
    AnimExport diskFull = job(0, 9);
    diskFull.limits.disk = 10;
    ExportOutcome o = exportEncoded(diskFull, file, f, defaultQuality(f));
    if (f == EncodedFormat::kGif || f == EncodedFormat::kApng) {
      EXPECT_EQ(o.status, ExportOutcome::Status::kFailed);
      EXPECT_NE(o.error.find("would take about"), std::string::npos) << o.error;
    }
    EXPECT_EQ(test::readFile(file), "old");
    fs::remove(file);
  }
  EXPECT_EQ(filesIn(dir_), std::vector<std::string>{"scene.txt"});
}

TEST_F(EncodedExportTest, BadTargetsSizesAndQualitiesFailWithAReason) {
  struct Case {
    EncodedFormat format;
    std::string file;
    int cameraW, quality;
    const char* mention;
  } const cases[] = {
      {EncodedFormat::kGif, "missing/a.gif", 200, 100, "cannot write"},
      {EncodedFormat::kMp4, "missing/a.mp4", 200, 60, "No such file"},
      {EncodedFormat::kMp4, "odd.mp4", 201, 60, "even width"},
      {EncodedFormat::kWebm, "odd.webm", 199, 60, "199"},
      {EncodedFormat::kGif, "q.gif", 200, 0, "quality 0"},
      {EncodedFormat::kMp4, "q.mp4", 200, 101, "1 to 100"},
      {EncodedFormat::kApng, "", 200, 100, "no file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ed_.options.CameraW = c.cameraW;
    const ExportOutcome o =
        exportEncoded(job(0, 3), c.file.empty() ? "" : (dir_ / c.file).string(), c.format,
                      c.quality);
    EXPECT_EQ(o.status, ExportOutcome::Status::kFailed);
    EXPECT_NE(o.error.find(c.mention), std::string::npos) << o.error;
  }
  EXPECT_EQ(filesIn(dir_), std::vector<std::string>{"scene.txt"});
}

TEST_F(EncodedExportTest, AnExportSweepsTheTemporariesOfKilledExports) {
  const std::string file = (dir_ / "c.gif").string();
  test::writeFile(file + ".partdead01", "half");
  test::writeFile(file + ".partlive01", "running");
  const int held = ::open((file + ".partlive01").c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  EXPECT_TRUE(exportEncoded(job(0, 1), file, EncodedFormat::kGif, 100).done());
  EXPECT_EQ(filesIn(dir_), (std::vector<std::string>{"c.gif", "c.gif.partlive01", "scene.txt"}));
  ::close(held);
}

TEST(GifPalette, KeepsFewColoursExactlyAndBoundsTheErrorOfMany) {
  // A 64 x 64 gradient of 4096 colours over a clear left column, and a 3-colour image.
  QImage many(64, 64, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) many.setPixel(x, y, x == 0 ? 0 : qRgb(4 * x, 4 * y, 128));
  QImage few(8, 8, QImage::Format_ARGB32_Premultiplied);
  few.fill(qRgb(1, 2, 3));
  few.setPixel(3, 3, qRgb(250, 0, 0));
  few.setPixel(4, 4, qRgba(0, 0, 0, 100));  // under half opaque
  struct Case {
    const QImage* image;
    int colours, maxError, used;
  } const cases[] = {{&few, 2, 0, 2}, {&few, 255, 0, 2}, {&many, 255, 16, 255},
                     {&many, 16, 64, 16}};
  for (const Case& c : cases) {
    std::string out, err;
    ASSERT_TRUE(paletteFrame(*c.image, c.colours, out, err)) << err;
    const int w = c.image->width(), h = c.image->height();
    ASSERT_EQ(out.size(), static_cast<size_t>(w * h) + kGifPaletteBytes);
    std::vector<uint32_t> palette(256);
    std::memcpy(palette.data(), out.data() + w * h, kGifPaletteBytes);
    EXPECT_EQ(palette[kGifTransparentIndex], 0u);
    std::vector<bool> seen(256);
    int worst = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const auto k = static_cast<uint8_t>(out[static_cast<size_t>(y * w + x)]);
        const QRgb px = c.image->pixel(x, y);
        if (qAlpha(px) < 128) {
          EXPECT_EQ(k, kGifTransparentIndex) << x << "," << y;
          continue;
        }
        seen[k] = true;
        worst = std::max(worst, channelDiff(px, palette[k]));
      }
    }
    EXPECT_LE(worst, c.maxError) << c.colours;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), c.used) << c.colours;
  }
}

TEST(EncodedFormats, NamesAndQualities) {
  const std::pair<std::string, std::string> gif[] = {
      {"a", "a.gif"}, {"a.gif", "a.gif"}, {"a.GIF", "a.GIF.gif"}, {"d.gif/a", "d.gif/a.gif"}};
  for (const auto& [in, out] : gif) EXPECT_EQ(gifFileName(in), out) << in;
  const std::pair<std::string, std::string> apng[] = {
      {"a", "a.png"}, {"a.png", "a.png"}, {"a.apng", "a.apng"}, {"a.gif", "a.gif.png"}};
  for (const auto& [in, out] : apng) EXPECT_EQ(apngFileName(in), out) << in;
  struct Video {
    const char* name;
    bool ok;
    EncodedFormat format;
  } const videos[] = {{"a.mp4", true, EncodedFormat::kMp4}, {"b/A.MP4", true, EncodedFormat::kMp4},
                      {"a.webm", true, EncodedFormat::kWebm}, {"a.avi", false, {}},
                      {"mp4", false, {}}, {"a.mp4/b", false, {}}};
  for (const Video& v : videos) {
    EncodedFormat f = EncodedFormat::kGif;
    std::string why;
    EXPECT_EQ(videoFormatFor(v.name, f, why), v.ok) << v.name;
    if (v.ok) {
      EXPECT_EQ(f, v.format) << v.name;
    } else {
      EXPECT_NE(why.find(v.name), std::string::npos) << why;
    }
  }
  EXPECT_EQ(gifColours(100), 255);
  EXPECT_EQ(gifColours(1), 3);
  EXPECT_EQ(gifColours(0), 3);  // held in range
  EXPECT_EQ(videoCrf(100, 51), 1);
  EXPECT_EQ(videoCrf(1, 51), 51);
  EXPECT_EQ(videoCrf(60, 51), 21);
  EXPECT_EQ(videoCrf(60, 63), 26);
}

}  // namespace
}  // namespace pw
