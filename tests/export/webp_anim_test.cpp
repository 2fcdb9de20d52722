// The animated WebP stores each frame after the first as the rectangle that changed since the
// frame before, placed on the canvas: the canvas shows every frame exactly all the same.
#include <gtest/gtest.h>
#include <webp/demux.h>

#include <QImage>
#include <QRect>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/scene_file.h"
#include "export/frame_export.h"
#include "export/frame_fixture.h"
#include "export/webp_anim_file.h"
#include "export/webp_write.h"
#include "fileio/atomic_file.h"
#include "support/paths.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

// A cover over the whole 200 x 100 camera, fading from opaque to a fifth: every pixel changes
// every frame.
const char* kFadingCover =
    "gen, ,0.15,\r\n"
    "anim,9,20,\r\n"
    "obj,Layer,0,0,100,100,0,0,0,255,0,\r\n"
    "key,0,0,0,0,100,100,0,0,0,255,\r\n"
    "key,9,0,0,0,100,100,0,0,0,55,\r\n"
    "shape,0,-16711936,Cover,255,0,10,5,5,1,200,100,,0,0,\r\n"
    "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\n"
    "pt,0,0,0,\r\n";

// Each frame after the first holds only what changed since the frame before, and the canvas
// still shows every frame of the PNG export exactly: repeated frames, a box moving over a clear
// background (and back), a fading cover, and the example's ball bouncing in front of an opaque
// sky (drawn over the frame before, unchanged pixels left clear).
TEST_F(FrameExportTest, TheWebpCanvasShowsEveryFrameExactlyWithOnlyTheChangesStored) {
  const struct {
    const char* scene;  // text, or an example's name
    QRect camera;
    std::vector<int64_t> frames;
    std::vector<QRect> rects;  // expected after the first frame; empty: not checked
    bool blends;               // some frame is drawn over the one before
  } cases[] = {
      {kKeyedBox, {0, 0, 200, 100}, {0, 0, 1, 5, 4},
       {{0, 0, 1, 1}, {10, 10, 30, 20}, {20, 10, 60, 20}, {50, 10, 30, 20}}, false},
      {kFadingCover, {0, 0, 200, 100}, {0, 1, 2, 9}, std::vector<QRect>(3, {0, 0, 200, 100}),
       false},
      {"animation", {256, 288, 256, 192}, {6, 7, 8, 8, 9, 10}, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.scene).substr(0, 12));
    if (std::string(c.scene).find(',') == std::string::npos) {
      ed_.root = test::sourceDir();
      ASSERT_TRUE(loadScene(ed_, kLoadReplace,
                            std::string(test::sourceDir()) + "/examples/" + c.scene + ".txt",
                            false));
    } else {
      load(c.scene);
    }
    ed_.options.CameraX = static_cast<int16_t>(c.camera.x());
    ed_.options.CameraY = static_cast<int16_t>(c.camera.y());
    ed_.options.CameraW = static_cast<int16_t>(c.camera.width());
    ed_.options.CameraH = static_cast<int16_t>(c.camera.height());
    AnimExport j = job(0, 0);
    j.frames = c.frames;
    ASSERT_TRUE(exportWebp(j, (dir_ / "a.webp").string()).done());
    std::string data;
    ASSERT_TRUE(readFileWhole((dir_ / "a.webp").string(), data));
    const Decoded d = decodeWebp(data);
    ASSERT_EQ(d.images.size(), c.frames.size());
    EXPECT_EQ(d.rects[0], QRect(QPoint(0, 0), c.camera.size()));
    if (!c.rects.empty()) {
      EXPECT_EQ(std::vector<QRect>(d.rects.begin() + 1, d.rects.end()), c.rects);
    }
    EXPECT_EQ(std::find(d.blends.begin(), d.blends.end(), true) != d.blends.end(), c.blends);
    const fs::path pngs = dir_ / "frames";
    fs::remove_all(pngs);
    const auto [lo, hi] = std::minmax_element(c.frames.begin(), c.frames.end());
    ASSERT_TRUE(exportFrames(job(*lo, *hi), pngs.string()).done());
    for (size_t i = 0; i < c.frames.size(); ++i) {
      std::string err;
      const QImage want = readFrameFile(pngs.string(), c.frames[i], err);
      const QImage& got = d.images[i];
      ASSERT_EQ(got.size(), want.size());
      int wrong = 0;
      for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x) {
          const QRgb a = got.pixel(x, y), b = want.pixel(x, y);
          wrong += a != b && (qAlpha(a) != 0 || qAlpha(b) != 0) ? 1 : 0;
        }
      EXPECT_EQ(wrong, 0) << "frame " << i;
    }
  }
}

// A picture placed on the canvas starts at even coordinates and fits inside it.
TEST_F(FrameExportTest, AnAnimationFrameOutsideTheCanvasIsRefused) {
  std::string webp;
  QImage px(20, 10, QImage::Format_ARGB32);
  px.fill(Qt::red);
  ASSERT_TRUE(encodeWebpFrame(px, webp));
  const struct {
    WebpPlacement at;
    bool ok;
  } cases[] = {{{0, 0, false}, true}, {{180, 90, true}, true}, {{1, 0, false}, false},
               {{0, 3, true}, false}, {{182, 0, false}, false}, {{-2, 0, false}, false}};
  WebpAnimationFile anim((dir_ / "p.webp").string(), 200, 100);
  ASSERT_TRUE(anim.open());
  for (const auto& c : cases) {
    std::string err;
    EXPECT_EQ(anim.addFrame(webp, 50, c.at, &err), c.ok) << c.at.x << "," << c.at.y;
    EXPECT_EQ(err.empty(), c.ok) << err;
  }
  EXPECT_EQ(anim.frameCount(), 2);
}

}  // namespace
}  // namespace pw
