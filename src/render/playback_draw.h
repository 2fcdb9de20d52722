// The picture of one playback step: the scene inside the camera, drawn as the animation export
// draws a frame (one scene unit per pixel, the camera's top-left corner at the canvas's, every
// shape the canvas would show besides "Show only selected"), everything outside the camera dark
// grey, and the frame counter over it.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "core/editor.h"
#include "render/image_store.h"

namespace pw {

// Colour of the canvas outside the camera while playing.
inline constexpr QRgb kPlaybackSurround = 0xFF323232u;  // RGB (50, 50, 50), opaque
// Pixel size of the counter text.
inline constexpr int kPlaybackCounterSize = 20;

// "Frame : 12 / End : 300 | FPS : 24"
std::string playbackCounterText(int64_t frame, int64_t maxFrame, int64_t rate);

// Paints playback pictures and keeps what it can of the scene between them. The objects below
// the first animated one are kept as one picture, each run of still objects above it as a
// picture of its own, and each animated object that only moves (no scale, rotation or opacity
// change) as a picture that is shifted to its place; objects that change otherwise are drawn
// again. Nothing is drawn again while no pose changes, until invalidate().
class PlaybackPainter {
 public:
  // The document or the settings changed in a way poses do not show: draw everything again.
  void invalidate() { ++generation_; }

  // Paints the picture into `target` (ARGB32 premultiplied): the camera area (0, 0, CameraW,
  // CameraH) holds BgColor and the scene as the document stands, the rest is kPlaybackSurround,
  // and `counter` is written at (0, 0) in font `fontId` (the default font when it is not valid)
  // at kPlaybackCounterSize pixels in opaque black.
  void paint(Editor& ed, ImageStore& store, QImage& target, const std::string& counter,
             int64_t fontId);

  // How many times kept pictures were drawn, and how many times an animated object was drawn
  // again for one frame.
  int underlayDraws() const { return underlayDraws_; }
  int sceneDraws() const { return sceneDraws_; }

  // The transform fields of one object as the picture depends on them.
  struct Pose {
    int64_t x = 0, y = 0;
    int16_t w = 0, h = 0, rotX = 0, rotY = 0, angle = 0;
    uint8_t alpha = 0, hidden = 0;
    bool keyed = false;
    bool operator==(const Pose&) const = default;
  };

 private:
  // Everything besides the poses that the camera picture depends on.
  struct SceneKey {
    uint64_t generation = 0;
    uint64_t storeGeneration = 0;
    int16_t cameraX = 0, cameraY = 0;
    int w = 0, h = 0;
    int64_t bgColor = 0;
    int8_t documentState = 0;
    bool operator==(const SceneKey&) const = default;
  };
  // A kept picture above the underlay: a run of still objects [from, to), or one animated
  // object drawn at pose (refX, refY) into a picture large enough for every place its keys
  // reach, or (live) one animated object drawn again at every frame.
  struct Layer {
    enum Kind { kRun, kSprite, kLive } kind = kRun;
    int64_t from = 0, to = 0;
    QImage image;
    QRect bounds;  // the painted part of `image`
    Pose ref;      // kSprite: the pose it was drawn at
    int64_t minX = 0, maxX = 0, minY = 0, maxY = 0;  // kSprite: where its keys take it
  };

  // Draws objects [from, to) of the scene over `image`; the camera's corner at the image's
  // corner.
  static void drawObjects(Editor& ed, ImageStore& store, QImage& image, int64_t from,
                          int64_t to);
  void rebuildLayers(Editor& ed, ImageStore& store, int w, int h, const std::vector<Pose>& poses);
  Layer makeSprite(Editor& ed, ImageStore& store, int64_t i, int w, int h);
  void updateCamera(Editor& ed, ImageStore& store, int w, int h);
  static bool spriteShows(const Layer& l, const Pose& now);

  uint64_t generation_ = 1;
  QImage underlay_;  // background and the objects below the first animated one
  std::vector<Layer> layers_;
  SceneKey layersKey_;
  std::vector<Pose> layersPoses_;
  bool layersValid_ = false;
  QImage camera_;  // the whole camera picture
  SceneKey cameraKey_;
  std::vector<Pose> cameraPoses_;
  int underlayDraws_ = 0;
  int sceneDraws_ = 0;
};

}  // namespace pw
