// The animation exports: frames drawn at their pose, the PNG folder, the animated WebP read back
// with libwebp's demuxer, cancelling, bad ranges, and the ordered frame pipeline under them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include <QColor>
#include <QImage>
#include <QRect>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/editor.h"
#include "core/keyframes.h"
#include "core/scene_file.h"
#include "core/scripted_prompt.h"
#include "export/frame_export.h"
#include "export/frame_fixture.h"
#include "export/frame_pipeline.h"
#include "export/webp_write.h"
#include "fileio/atomic_file.h"
#include "render/image_store.h"
#include "render/playback_draw.h"
#include "support/files.h"
#include "support/paths.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

TEST_F(FrameExportTest, FramesShowTheKeyedPoseInsideTheCamera) {
  struct Case {
    int64_t frame;
    int16_t cameraX;
    int left;  // first red column of the box in the image
  };
  const Case cases[] = {
      {0, 0, 10}, {5, 0, 60}, {10, 0, 110}, {25, 0, 110},  // after the last key: its pose
      {3, 0, 40}, {5, 50, 10},                              // the camera moves the picture
  };
  for (const Case& c : cases) {
    ed_.options.CameraX = c.cameraX;
    FrameRenderer r(ed_.doc, ed_.options, store_);
    const QImage img = r.render(c.frame);
    ASSERT_EQ(img.size(), QSize(200, 100));
    EXPECT_EQ(redLeft(img, 20), c.left) << "frame " << c.frame << " camera " << c.cameraX;
    EXPECT_TRUE(isClear(img.pixel(5, 5)));
    EXPECT_TRUE(isRed(img.pixel(c.left + 19, 29)));
    EXPECT_TRUE(isClear(img.pixel(c.left + 20, 20)));
  }
  // The document itself is not posed by the export.
  EXPECT_EQ(ed_.doc.Objects[0].x, 0);
}

TEST_F(FrameExportTest, FramesAndPlaybackDrawTheSceneAsTheCanvasDoes) {
  // A hidden shape, a linked pair whose overlap is a hole, a scaled object, a moved camera and
  // "Show only selected" (the canvas's own): the frame and the playback picture agree.
  Object& o = ed_.doc.Objects[0];
  o.keys.clear();
  o.w = 200;  // twice as wide
  Shape box = o.shapes[0];
  o.shapes.assign(4, box);
  o.shapes[1].hidden = 1;
  o.shapes[1].x = 60;
  o.shapes[2].x = 40;
  o.shapes[2].link = 1;
  o.shapes[3].x = 50;
  o.shapes[3].y = 20;
  ed_.options.CameraX = 10;
  ed_.options.CameraY = 5;
  ed_.options.ShowOnlySel = 1;
  ed_.options.BgColor = 0;  // clear, as the frames are
  ed_.sel.shape = 1;
  FrameRenderer r(ed_.doc, ed_.options, store_);
  const QImage frame = r.render(0);
  // Scene x 2 * x - 10 for the box at 10 .. 30 (the scale doubles x), y - 5.
  EXPECT_TRUE(isRed(frame.pixel(12, 6)));     // box 0
  EXPECT_TRUE(isClear(frame.pixel(112, 6)));  // the hidden box at 60
  EXPECT_TRUE(isRed(frame.pixel(72, 6)));     // the linked box at 40, alone
  EXPECT_TRUE(isClear(frame.pixel(100, 20)));  // where the linked pair overlaps
  EXPECT_TRUE(isRed(frame.pixel(125, 32)));   // the second of the pair, alone

  PlaybackPainter playback;
  QImage shown(200, 100, QImage::Format_ARGB32_Premultiplied);
  playback.paint(ed_, store_, shown, "", 0);
  for (int y = 0; y < 100; y += 3)
    for (int x = 0; x < 200; x += 3)
      ASSERT_EQ(shown.pixel(x, y), frame.pixel(x, y)) << x << "," << y;
}

TEST_F(FrameExportTest, FrameFiveOfTheFolderShowsTheBoxHalfway) {
  const fs::path out = dir_ / "made" / "frames";
  const ExportOutcome o = exportFrames(job(4, 6), out.string());
  ASSERT_TRUE(o.done()) << o.error;
  EXPECT_EQ(o.frames, 3);
  EXPECT_EQ(filesIn(out),
            (std::vector<std::string>{"frame_00004.png", "frame_00005.png", "frame_00006.png"}));
  const QImage img((out / "frame_00005.png").string().c_str());
  ASSERT_EQ(img.size(), QSize(200, 100));
  EXPECT_TRUE(isClear(img.pixel(59, 20)));
  EXPECT_TRUE(isRed(img.pixel(60, 20)));
  EXPECT_TRUE(isRed(img.pixel(79, 29)));
  EXPECT_TRUE(isClear(img.pixel(80, 20)));
  EXPECT_TRUE(isClear(img.pixel(70, 30)));
}

// However many threads draw and encode, the files come out byte for byte the same: every thread
// poses and draws its frames with its own copies of the document, the images and the fonts.
// Shipped scenes: keys of every kind with a turning sun and a fading title; tiled images and text
// with a fish keyed to swim and turn.
TEST_F(FrameExportTest, TheFilesAreTheSameWhateverTheThreadCount) {
  const struct {
    const char* example;
    int16_t x, y, w, h;
    int64_t from, to;
    void (*keys)(Document&);
  } cases[] = {{"animation", 40, 20, 960, 240, 6, 17, nullptr},
               {"aquarium", 0, 200, 640, 240, 0, 8, [](Document& d) {
                  Object& fish = d.Objects[2];
                  setKey(fish, 0, kKeyEase);
                  fish.x = 160;
                  fish.angle = 25;
                  setKey(fish, 8, kKeyLinear);
                }}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.example);
    ed_.root = test::sourceDir();
    ASSERT_TRUE(loadScene(ed_, kLoadReplace,
                          std::string(test::sourceDir()) + "/examples/" + c.example + ".txt",
                          false));
    if (c.keys) c.keys(ed_.doc);
    ed_.options.CameraX = c.x;
    ed_.options.CameraY = c.y;
    ed_.options.CameraW = c.w;
    ed_.options.CameraH = c.h;
    std::string oneFrames, oneWebp;
    for (const int threads : {1, 2, 8}) {
      const fs::path out = dir_ / (c.example + std::to_string(threads));
      ASSERT_TRUE(exportFrames(job(c.from, c.to, threads), out.string()).done());
      std::string frames;
      for (const std::string& name : filesIn(out))
        frames += name + "\n" + test::readFile(out / name);
      const fs::path webp = out.string() + ".webp";
      ASSERT_TRUE(exportWebp(job(c.from, c.to, threads), webp.string()).done());
      const std::string anim = test::readFile(webp);
      if (threads == 1) {
        oneFrames = frames;
        oneWebp = anim;
        // The frames show the scene moving.
        EXPECT_NE(test::readFile(out / frameFileName(c.from)),
                  test::readFile(out / frameFileName(c.to)));
        continue;
      }
      EXPECT_TRUE(frames == oneFrames) << threads << " threads: the PNG frames differ";
      EXPECT_TRUE(anim == oneWebp) << threads << " threads: the WebP differs";
    }
  }
}

TEST_F(FrameExportTest, TheWebpHoldsEveryFrameAtTheScenesRate) {
  const std::string file = (dir_ / "anim.webp").string();
  const ExportOutcome o = exportWebp(job(0, 9, 3), file);
  ASSERT_TRUE(o.done()) << o.error;
  std::string data;
  ASSERT_TRUE(readFileWhole(file, data));
  const Decoded d = decodeWebp(data);
  EXPECT_EQ(d.width, 200);
  EXPECT_EQ(d.height, 100);
  EXPECT_EQ(d.frames, 10);
  EXPECT_EQ(d.loops, 0);  // forever
  EXPECT_EQ(d.durations, std::vector<int>(10, 50));  // 20 frames per second
  ASSERT_EQ(d.images.size(), 10u);
  // Lossless: the box moves 10 pixels a frame, edges exact, the background transparent.
  for (int f : {0, 5, 9}) {
    EXPECT_EQ(redLeft(d.images[f], 20), 10 + 10 * f) << f;
    EXPECT_TRUE(isClear(d.images[f].pixel(5, 5))) << f;
  }
}

TEST_F(FrameExportTest, WebpDurationsAddUpAtRatesThatDoNotDivideASecond) {
  ed_.doc.Fps = 24;
  const std::string file = (dir_ / "a.webp").string();
  ASSERT_TRUE(exportWebp(job(0, 23), file).done());
  std::string data;
  ASSERT_TRUE(readFileWhole(file, data));
  const Decoded d = decodeWebp(data);
  ASSERT_EQ(d.durations.size(), 24u);
  int sum = 0;
  for (int ms : d.durations) {
    EXPECT_TRUE(ms == 41 || ms == 42) << ms;
    sum += ms;
  }
  EXPECT_EQ(sum, 1000);
}

TEST(FrameDuration, RoundsEachStartAndNeverDrifts) {
  struct Case {
    int64_t index;
    int fps, ms;
  } const cases[] = {{0, 25, 40}, {7, 25, 40}, {0, 24, 42}, {1, 24, 41}, {2, 24, 42},
                     {0, 1000, 1}, {0, 1, 1000}, {0, 0, 1000}, {0, -5, 1000}, {0, 3, 333},
                     {1, 3, 334}};
  for (const Case& c : cases)
    EXPECT_EQ(frameDurationMs(c.index, c.fps), c.ms) << c.index << " @ " << c.fps;
  int64_t total = 0;
  for (int64_t i = 0; i < 7 * 30; ++i) total += frameDurationMs(i, 7);
  EXPECT_EQ(total, 30000);
}

TEST(WebpFileName, AddsTheExtensionUnlessItIsThere) {
  const std::pair<std::string, std::string> cases[] = {
      {"a", "a.webp"}, {"a.webp", "a.webp"}, {"a.WEBP", "a.WEBP.webp"},
      {"d.webp/a", "d.webp/a.webp"}, {"x.png", "x.png.webp"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(webpFileName(in), out) << in;
}

TEST_F(FrameExportTest, CancellingLeavesNoFiles) {
  // A folder the export makes goes again; a folder that was there stays, emptied of frames.
  for (const bool existed : {false, true}) {
    const fs::path out = dir_ / (existed ? "there" : "new") / "frames";
    if (existed) fs::create_directories(out);
    AnimExport j = job(0, 9);
    j.progress = [](int64_t done, int64_t) { return done < 3; };
    const ExportOutcome o = exportFrames(j, out.string());
    EXPECT_EQ(o.status, ExportOutcome::Status::kCancelled);
    EXPECT_EQ(o.frames, 3);
    EXPECT_EQ(fs::exists(out), existed);
    if (existed) {
      EXPECT_TRUE(filesIn(out).empty());
    }
    EXPECT_EQ(fs::exists(dir_ / "new"), false);
  }
  // The WebP is written whole or not at all: cancelled at the last frame, nothing is there.
  AnimExport j = job(0, 9);
  j.progress = [](int64_t done, int64_t total) { return done < total; };
  const std::string file = (dir_ / "c.webp").string();
  ASSERT_TRUE(writeFileAtomic(file, "old"));
  EXPECT_EQ(exportWebp(j, file).status, ExportOutcome::Status::kCancelled);
  EXPECT_EQ(filesIn(dir_), (std::vector<std::string>{"c.webp", "scene.txt", "there"}));
  std::string kept;
  ASSERT_TRUE(readFileWhole(file, kept));
  EXPECT_EQ(kept, "old");
}

TEST_F(FrameExportTest, AnExportThatStopsKeepsTheFolderAsItWas) {
  const fs::path out = dir_ / "frames";
  ASSERT_EQ(exportFrames(job(0, 9), out.string()).status, ExportOutcome::Status::kDone);
  test::writeFile(out / "notes.txt", "mine");
  std::vector<std::string> before;
  for (const std::string& name : filesIn(out)) before.push_back(test::readFile(out / name));
  // Staging folders of exports that were killed are swept; one a running export holds stays.
  fs::create_directories(out / ".penwick-frames-dead01");
  test::writeFile(out / ".penwick-frames-dead01" / frameFileName(0), "half");
  fs::create_directories(out / ".penwick-frames-live01");
  const int held = ::open((out / ".penwick-frames-live01").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  // A folder another export has just made and not locked yet stays; one left that way long ago
  // is swept.
  fs::create_directories(out / ".penwick-making-new01");
  fs::create_directories(out / ".penwick-making-old01");
  fs::last_write_time(out / ".penwick-making-old01",
                      fs::file_time_type::clock::now() - std::chrono::minutes(5));

  // Stopped by the user, and by a write that fails half-way (its staging folder taken away).
  AnimExport cancelled = job(0, 9);
  cancelled.progress = [](int64_t done, int64_t) { return done < 4; };
  EXPECT_EQ(exportFrames(cancelled, out.string()).status, ExportOutcome::Status::kCancelled);
  AnimExport failing = job(0, 9);
  failing.progress = [&](int64_t done, int64_t) {
    if (done == 4)
      for (const auto& e : fs::directory_iterator(out))
        if (e.path().filename().string().rfind(".penwick-frames-", 0) == 0 &&
            e.path().filename() != ".penwick-frames-live01")
          fs::remove_all(e.path());
    return true;
  };
  const ExportOutcome o = exportFrames(failing, out.string());
  EXPECT_EQ(o.status, ExportOutcome::Status::kFailed);
  EXPECT_NE(o.error.find("cannot write"), std::string::npos) << o.error;

  std::vector<std::string> names = filesIn(out);
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[0], ".penwick-frames-live01");
  EXPECT_EQ(names[1], ".penwick-making-new01");
  names.erase(names.begin(), names.begin() + 2);
  ASSERT_EQ(names.size(), before.size());
  for (size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(test::readFile(out / names[i]), before[i]) << names[i];
  ::close(held);
}

TEST_F(FrameExportTest, AWebpExportSweepsTheTemporariesOfKilledExports) {
  const std::string file = (dir_ / "c.webp").string();
  test::writeFile(file + ".partdead01", "half");
  test::writeFile(file + ".partlive01", "running");
  test::writeFile(file + ".partial", "not ours");
  const int held = ::open((file + ".partlive01").c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  EXPECT_EQ(exportWebp(job(0, 1), file).status, ExportOutcome::Status::kDone);
  EXPECT_EQ(filesIn(dir_), (std::vector<std::string>{"c.webp", "c.webp.partial",
                                                     "c.webp.partlive01", "scene.txt"}));
  ::close(held);
}

TEST_F(FrameExportTest, AnExportTheMachineCannotHoldIsRefusedWithTheFolderAsItWas) {
  const fs::path out = dir_ / "frames";
  ASSERT_EQ(exportFrames(job(0, 2), out.string()).status, ExportOutcome::Status::kDone);
  const std::vector<std::string> before = filesIn(out);
  // 200 x 100 pixels: 240,000 bytes a PNG thread, 480,000 a WebP thread.
  const struct {
    uint64_t memory, disk;
    const char* mention;
  } cases[] = {{100000, 0, "of memory to draw and encode"},
               {10 * 1024 * 1024, 100, "would take about"}};
  for (const auto& c : cases) {
    AnimExport j = job(0, 9);
    j.limits = {c.memory, c.disk};
    ExportOutcome o = exportFrames(j, out.string());
    EXPECT_EQ(o.status, ExportOutcome::Status::kFailed);
    EXPECT_NE(o.error.find(c.mention), std::string::npos) << o.error;
    EXPECT_EQ(filesIn(out), before);
    o = exportWebp(j, (dir_ / "a.webp").string());
    EXPECT_EQ(o.status, ExportOutcome::Status::kFailed);
    EXPECT_NE(o.error.find(c.mention), std::string::npos) << o.error;
    EXPECT_FALSE(fs::exists(dir_ / "a.webp"));
    o = exportFrames(j, (dir_ / "new" / "frames").string());
    EXPECT_FALSE(fs::exists(dir_ / "new"));
  }
  // Memory for one thread only: the export still runs, on that one thread.
  AnimExport one = job(0, 9, 4);
  one.limits.memory = 300000;
  EXPECT_EQ(exportFrames(one, out.string()).status, ExportOutcome::Status::kDone);
}

TEST_F(FrameExportTest, BadRangesAndTargetsFailWithAReason) {
  struct Case {
    int64_t from, to;
    const char* mention;  // empty: the range is fine
  } const cases[] = {{-1, 5, "-1"},       {0, 32768, "32768"}, {6, 5, "comes after"},
                     {0, 0, ""},          {0, 32767, ""},      {40000, 40001, "40000"}};
  for (const Case& c : cases) {
    const std::string why = frameRangeProblem(c.from, c.to);
    if (*c.mention == '\0') {
      EXPECT_EQ(why, "") << c.from << ".." << c.to;
    } else {
      EXPECT_NE(why.find(c.mention), std::string::npos) << why;
    }
  }
  const fs::path out = dir_ / "bad";
  ExportOutcome o = exportFrames(job(6, 5), out.string());
  EXPECT_EQ(o.status, ExportOutcome::Status::kFailed);
  EXPECT_NE(o.error.find("comes after"), std::string::npos) << o.error;
  EXPECT_FALSE(fs::exists(out));
  o = exportWebp(job(-3, 5), (dir_ / "bad.webp").string());
  EXPECT_EQ(o.status, ExportOutcome::Status::kFailed);
  EXPECT_FALSE(fs::exists(dir_ / "bad.webp"));

  // A file where the folder should be, and a camera WebP cannot hold.
  ASSERT_TRUE(writeFileAtomic((dir_ / "plain").string(), "x"));
  o = exportFrames(job(0, 1), (dir_ / "plain").string());
  EXPECT_EQ(o.status, ExportOutcome::Status::kFailed);
  EXPECT_NE(o.error.find("plain"), std::string::npos) << o.error;
  ed_.options.CameraW = 16384;
  ed_.options.CameraH = 1;
  o = exportWebp(job(0, 0), (dir_ / "wide.webp").string());
  EXPECT_EQ(o.status, ExportOutcome::Status::kFailed);
  EXPECT_NE(o.error.find("16383"), std::string::npos) << o.error;
  EXPECT_FALSE(fs::exists(dir_ / "wide.webp"));
}

TEST_F(FrameExportTest, AFolderInAFramesPlaceFailsTheExportBeforeAnyFrameIsWritten) {
  const fs::path out = dir_ / "frames";
  fs::create_directories(out / frameFileName(3));
  const ExportOutcome o = exportFrames(job(0, 6), out.string());
  EXPECT_EQ(o.status, ExportOutcome::Status::kFailed);
  EXPECT_NE(o.error.find("frame_00003.png"), std::string::npos) << o.error;
  EXPECT_EQ(filesIn(out), (std::vector<std::string>{"frame_00003.png"}));
}

TEST(FramePipeline, HandsFramesOnInOrderWithABoundedLead) {
  for (const int threads : {1, 2, 5}) {
    std::mutex m;
    int64_t made = 0, maxLead = 0;
    std::atomic<int64_t> delivered{0};
    std::vector<FrameWork> workers;
    for (int t = 0; t < threads; ++t) {
      workers.push_back([&, t](int64_t frame, std::string& bytes, std::string&) {
        // Uneven work, so frames finish out of order.
        if ((frame + t) % 3 == 0) std::this_thread::yield();
        const std::lock_guard lock(m);
        ++made;
        maxLead = std::max(maxLead, made - delivered.load());
        bytes = std::to_string(frame);
        return true;
      });
    }
    std::vector<int64_t> seen;
    const PipelineResult r = runFramePipeline(
        7, 206, workers,
        [&](int64_t frame, std::string& bytes, std::string&) {
          EXPECT_EQ(bytes, std::to_string(frame));
          seen.push_back(frame);
          ++delivered;
          return true;
        },
        {});
    EXPECT_EQ(r.status, PipelineResult::Status::kDone);
    EXPECT_EQ(r.delivered, 200);
    ASSERT_EQ(seen.size(), 200u);
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], 7 + static_cast<int64_t>(i));
    EXPECT_LE(maxLead, 2 * threads + 1) << threads;
  }
}

TEST(FramePipeline, AFailingFrameStopsTheRunWithItsReason) {
  std::vector<FrameWork> workers(3, [](int64_t frame, std::string& bytes, std::string& err) {
    if (frame == 12) {
      err = "frame twelve broke";
      return false;
    }
    if (frame == 13) throw std::bad_alloc();
    bytes = "ok";
    return true;
  });
  std::vector<int64_t> seen;
  const auto sink = [&](int64_t frame, std::string&, std::string&) {
    seen.push_back(frame);
    return true;
  };
  PipelineResult r = runFramePipeline(10, 50, workers, sink, {});
  EXPECT_EQ(r.status, PipelineResult::Status::kFailed);
  EXPECT_EQ(r.error, "frame twelve broke");
  EXPECT_EQ(seen, (std::vector<int64_t>{10, 11}));

  seen.clear();
  r = runFramePipeline(13, 50, workers, sink, {});
  EXPECT_EQ(r.status, PipelineResult::Status::kFailed);
  EXPECT_EQ(r.error, "out of memory");
  EXPECT_TRUE(seen.empty());

  // The sink's own failure ends the run the same way.
  r = runFramePipeline(0, 50, workers,
                       [](int64_t f, std::string&, std::string& err) {
                         err = "disk full at " + std::to_string(f);
                         return f < 4;
                       },
                       {});
  EXPECT_EQ(r.status, PipelineResult::Status::kFailed);
  EXPECT_EQ(r.error, "disk full at 4");
  EXPECT_EQ(r.delivered, 4);
}

}  // namespace
}  // namespace pw
