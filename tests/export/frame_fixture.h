// The frame exports' tests share this: a keyed box scene loaded into an editor with a small
// camera, a scratch folder, jobs over it, and the animated WebP decoded frame by frame.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include <QColor>
#include <QImage>
#include <QRect>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/editor.h"
#include "core/scene_file.h"
#include "core/scripted_prompt.h"
#include "export/frame_export.h"
#include "fileio/atomic_file.h"
#include "render/image_store.h"

namespace pw {

// A 20 x 20 opaque red box at (10, 10) in an object keyed from x 0 at frame 0 to x 100 at
// frame 10 (linear), and max frame 9 at 20 frames per second.
inline constexpr const char* kKeyedBox =
    "gen, ,0.15,\r\n"
    "anim,9,20,\r\n"
    "obj,Layer,0,0,100,100,0,0,0,255,0,\r\n"
    "key,0,0,0,0,100,100,0,0,0,255,\r\n"
    "key,10,0,100,0,100,100,0,0,0,255,\r\n"
    "shape,0,-16776961,Box_0,255,0,10,5,5,1,20,20,,10,10,\r\n"
    "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\n"
    "pt,0,0,0,\r\n";

inline bool isRed(QRgb p) { return qAlpha(p) == 255 && qRed(p) == 255 && qGreen(p) == 0; }
inline bool isClear(QRgb p) { return qAlpha(p) == 0; }

class FrameExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("penwick-frames-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    load(kKeyedBox);
    ed_.options.CameraX = 0;
    ed_.options.CameraY = 0;
    ed_.options.CameraW = 200;
    ed_.options.CameraH = 100;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void load(const std::string& text) {
    const std::filesystem::path scene = dir_ / "scene.txt";
    ASSERT_TRUE(writeFileAtomic(scene.string(), text));
    ASSERT_TRUE(loadScene(ed_, kLoadReplace, scene.string(), false));
  }
  AnimExport job(int64_t from, int64_t to, int threads = 2) {
    return AnimExport{ed_.doc, ed_.options, store_, from, to, threads, {}, {}, {}, {}, false};
  }
  // Left edge of the red box on row y, or -1.
  static int redLeft(const QImage& img, int y) {
    for (int x = 0; x < img.width(); ++x)
      if (isRed(img.pixel(x, y))) return x;
    return -1;
  }
  std::vector<std::string> filesIn(const std::filesystem::path& d) const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(d))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::filesystem::path dir_;
  ScriptedPrompt prompt_;
  ImageStore store_;
  Editor ed_{prompt_, store_};
};

// Every frame of the animated WebP, decoded: canvas size, count, timing, where each frame's
// picture goes (and whether it is blended) and the canvas's pixels after each frame.
struct Decoded {
  int width = 0, height = 0, frames = 0, loops = -1;
  std::vector<int> durations;
  std::vector<QRect> rects;
  std::vector<bool> blends;
  std::vector<QImage> images;
};

inline Decoded decodeWebp(const std::string& data) {
  Decoded d;
  WebPData wd{reinterpret_cast<const uint8_t*>(data.data()), data.size()};
  WebPDemuxer* demux = WebPDemux(&wd);
  if (!demux) return d;
  d.width = static_cast<int>(WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH));
  d.height = static_cast<int>(WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT));
  d.frames = static_cast<int>(WebPDemuxGetI(demux, WEBP_FF_FRAME_COUNT));
  d.loops = static_cast<int>(WebPDemuxGetI(demux, WEBP_FF_LOOP_COUNT));
  WebPIterator it;
  if (WebPDemuxGetFrame(demux, 1, &it)) {
    do {
      d.durations.push_back(it.duration);
      d.rects.push_back(QRect(it.x_offset, it.y_offset, it.width, it.height));
      d.blends.push_back(it.blend_method == WEBP_MUX_BLEND);
    } while (WebPDemuxNextFrame(&it));
    WebPDemuxReleaseIterator(&it);
  }
  WebPDemuxDelete(demux);

  WebPAnimDecoderOptions opt;
  WebPAnimDecoderOptionsInit(&opt);
  opt.color_mode = MODE_BGRA;
  WebPAnimDecoder* dec = WebPAnimDecoderNew(&wd, &opt);
  if (!dec) return d;
  uint8_t* buf = nullptr;
  int ts = 0;
  while (WebPAnimDecoderHasMoreFrames(dec) && WebPAnimDecoderGetNext(dec, &buf, &ts))
    d.images.push_back(QImage(buf, d.width, d.height, QImage::Format_ARGB32).copy());
  WebPAnimDecoderDelete(dec);
  return d;
}

}  // namespace pw
